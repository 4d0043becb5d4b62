#pragma once
// UTF-16 text helpers of the core. UTF-16 is std::u16string everywhere in the core
// (wchar_t is 32-bit on Linux); conversions are explicit, never memcpy'd.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brevix {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Decodes UTF-16LE bytes (an odd trailing byte is ignored).
std::u16string DecodeUtf16Le(ByteView bytes);
// Encodes to UTF-16LE bytes, without byte-order mark or terminator.
Bytes EncodeUtf16Le(std::u16string_view text);

// UTF-8 <-> UTF-16 for tools, tests and 8-bit boundaries. Invalid input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Keeps the low byte of each code unit (the narrowing some callers rely on).
std::string NarrowLowBytes(std::u16string_view text);
// Widens 8-bit text byte by byte (Latin-1).
std::u16string WidenLatin1(std::string_view text);

// Replaces every occurrence of `from` (non-empty) by `to`.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to);

// "®" becomes "(R)": the console cannot be trusted with it.
std::u16string ConsoleSafe(std::u16string_view text);

}  // namespace brevix
