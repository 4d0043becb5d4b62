#pragma once
// The package of files the executable carries (resource "DAT" 186): entries back to back,
// then a 16-byte trailer. All integers are u32 little-endian.
//   entry:   data size, name length in bytes, UTF-16LE name (no terminator), data
//   trailer: first-entry offset, trailer offset, entry count, total size
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace brevix {

constexpr std::uint16_t kPackageResourceId = 186;
constexpr char16_t kPackageResourceType[] = u"DAT";
constexpr std::size_t kPackageTrailerSize = 16;
// Names live in 260-unit buffers with their terminator.
constexpr std::size_t kMaxEntryNameUnits = 259;

struct PackageEntry {
  std::u16string name;
  ByteView data;
};

struct PackageContents {
  std::vector<PackageEntry> entries;  // views into the package bytes, in stored order
};

struct PackageError {
  std::size_t offset = 0;  // byte offset where the reader stopped
  std::string what;        // what was expected there
};

// Reads and checks the whole package before anyone acts on it: the trailer, every record's
// lengths against the bytes that remain before the trailer, and every name (see
// IsSafeEntryName). Any failure rejects the package as a whole.
struct PackageReadResult {
  std::optional<PackageContents> contents;
  PackageError error;
};
PackageReadResult ReadPackage(ByteView package);

// A relative path that stays below the directory it is written into: not empty, at most
// kMaxEntryNameUnits units, no drive or colon, no leading separator, no empty, "." or ".."
// segment, no control characters. "/" counts as a separator, as it does for Windows.
bool IsSafeEntryName(std::u16string_view name);

// Writes every entry below the current directory, in stored order, each after creating the
// directories its name needs. A file that cannot be written is skipped. Fails, writing
// nothing, when the package does not read.
bool ExtractPackage(ByteView package, FileSystem& files);

// A copy of the first entry named exactly `name` (case-sensitive).
std::optional<Bytes> ReadPackageEntry(ByteView package, std::u16string_view name);

// Creates the directories named by the prefixes of a "\"-separated path. Nonzero when the
// tested path already is a plain directory (attributes 16..31) or the last prefix was
// newly created.
bool CreatePathDirectories(const std::u16string& path, FileSystem& files);

// Creates or replaces one file with one buffer.
bool WriteWholeFile(const std::u16string& path, ByteView bytes, FileSystem& files);

// The writing twin of ReadPackage: entries in the given order, first-entry offset 0.
Bytes BuildPackage(const std::vector<std::pair<std::u16string, Bytes>>& entries);

}  // namespace brevix
