#include "data/ResourcePackage.h"

#include "data/ByteReader.h"

namespace brevix {
namespace {

PackageReadResult Fail(std::size_t offset, std::string what) {
  PackageReadResult r;
  r.error = {offset, std::move(what)};
  return r;
}

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c; }

bool EqualsAsciiUpper(std::u16string_view text, std::u16string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (AsciiUpper(text[i]) != upper[i]) return false;
  }
  return true;
}

bool IsBlank(char16_t c) { return c == u' '; }

// Windows opens the device for such a segment, whatever follows its first dot and with the
// blanks before that dot dropped; the superscript digits count as digits there.
bool IsDeviceName(std::u16string_view segment) {
  std::u16string_view base = segment.substr(0, segment.find(u'.'));
  while (!base.empty() && IsBlank(base.back())) base.remove_suffix(1);
  for (std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
    if (EqualsAsciiUpper(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const char16_t digit = base[3];
  const bool isDigit = (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
                       digit == u'\u00B3';
  return isDigit && (EqualsAsciiUpper(base.substr(0, 3), u"COM") || EqualsAsciiUpper(base.substr(0, 3), u"LPT"));
}

// "NAME~1.EXT": at most 8 units, a "~" and digits to the end of the base, at most 3 after the
// dot. On volumes with short names such a name can be another file's alias.
bool HasShortAliasShape(std::u16string_view segment) {
  const std::size_t dot = segment.find(u'.');
  const std::u16string_view base = segment.substr(0, dot);
  if (dot != std::u16string_view::npos) {
    const std::u16string_view ext = segment.substr(dot + 1);
    if (ext.size() > 3 || ext.find(u'.') != std::u16string_view::npos) return false;
  }
  if (base.size() < 2 || base.size() > 8) return false;
  const std::size_t tilde = base.rfind(u'~');
  if (tilde == std::u16string_view::npos || tilde + 1 == base.size()) return false;
  for (char16_t c : base.substr(tilde + 1)) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

std::optional<std::string> SegmentFault(std::u16string_view segment) {
  if (segment.empty()) return "a name without empty segments";
  if (segment.find_first_not_of(u". ") == std::u16string_view::npos) {
    return "segments that are not dots and blanks only (\".\", \"..\", \". \")";
  }
  if (segment.back() == u'.' || IsBlank(segment.back())) return "segments that do not end in a dot or a blank";
  if (IsDeviceName(segment)) {
    return "segments that are no device name (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$, "
           "with or without an extension, any case)";
  }
  if (HasShortAliasShape(segment)) return "segments not shaped like a short 8.3 alias (NAME~1.EXT)";
  return std::nullopt;
}

char16_t UpperUnit(char16_t c) {
  auto evenUpper = [](char16_t u) { return static_cast<char16_t>(u & ~1u); };
  auto oddUpper = [](char16_t u) { return static_cast<char16_t>((u & 1u) ? u : u - 1); };
  if (c < 0x80) return AsciiUpper(c);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c == 0xB5) return 0x39C;
  if (c == 0x131) return u'I';
  if (c == 0x17F) return u'S';
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return evenUpper(c);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x1CD && c <= 0x1DC)) return oddUpper(c);
  if ((c >= 0x1DE && c <= 0x1EF) || (c >= 0x1F8 && c <= 0x21F) || (c >= 0x222 && c <= 0x233) ||
      (c >= 0x246 && c <= 0x24F)) {
    return evenUpper(c);
  }
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 0x25);
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x3B1 && c <= 0x3CB) return static_cast<char16_t>(c - 0x20);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 0x3F);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) return evenUpper(c);
  if (c >= 0x4C1 && c <= 0x4CE) return oddUpper(c);
  if (c == 0x4CF) return 0x4C0;
  if (c >= 0x561 && c <= 0x586) return static_cast<char16_t>(c - 0x30);
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return evenUpper(c);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 0x20);
  return c;
}

std::string Quoted(std::u16string_view name) { return "\"" + PrintableName(name) + "\""; }

}  // namespace

std::optional<std::string> EntryNameFault(std::u16string_view name) {
  if (name.empty()) return "a non-empty name";
  if (name.size() > kMaxEntryNameUnits) return "a name of at most " + std::to_string(kMaxEntryNameUnits) + " units";
  if (name.front() == u'\\') return "a relative name, not starting with \"\\\"";
  for (char16_t c : name) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return "a name without control characters (0x00-0x1F, 0x7F-0x9F)";
    if (c == u':') return "a name without \":\" (no drive, no stream)";
    if (c == u'/') return "a name without \"/\" (\"\\\" is the only separator)";
    if (std::u16string_view(u"<>\"|?*").find(c) != std::u16string_view::npos) {
      return "a name without any of < > \" | ? *";
    }
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t sep = name.find(u'\\', start);
    const std::u16string_view segment = name.substr(start, sep == std::u16string_view::npos ? sep : sep - start);
    if (auto fault = SegmentFault(segment)) return fault;
    if (sep == std::u16string_view::npos) return std::nullopt;
    start = sep + 1;
  }
}

bool IsSafeEntryName(std::u16string_view name) { return !EntryNameFault(name); }

std::u16string FoldNameCase(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = UpperUnit(c);
  return folded;
}

std::string PrintableName(std::u16string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  std::size_t plain = 0;  // start of the run of printable units not yet converted
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !(name[i] < 0x20 || (name[i] >= 0x7F && name[i] <= 0x9F))) continue;
    out += Utf16ToUtf8(name.substr(plain, i - plain));  // whole runs keep surrogate pairs together
    if (i < name.size()) {
      out += "\\x";
      out += kHex[name[i] >> 4];
      out += kHex[name[i] & 15];
    }
    plain = i + 1;
  }
  return out;
}

std::optional<std::string> EntryNameList::Add(std::u16string_view name) {
  if (auto fault = EntryNameFault(name)) return fault;
  const std::size_t number = ++count_;
  const std::u16string folded = FoldNameCase(name);
  if (auto same = files_.find(folded); same != files_.end()) {
    return "a name not already used by entry " + std::to_string(same->second) + " (names compare without regard to case)";
  }
  if (auto dir = directories_.find(folded); dir != directories_.end()) {
    return "a file name that entry " + std::to_string(dir->second) + " does not use as a directory";
  }
  for (std::size_t sep = folded.find(u'\\'); sep != std::u16string::npos; sep = folded.find(u'\\', sep + 1)) {
    const std::u16string directory = folded.substr(0, sep);
    if (auto file = files_.find(directory); file != files_.end()) {
      return "directories that entry " + std::to_string(file->second) + " does not use as its file name";
    }
    directories_.emplace(directory, number);
  }
  files_.emplace(folded, number);
  return std::nullopt;
}

PackageReadResult ReadPackage(ByteView package) {
  if (package.size() <= kPackageTrailerSize) {
    return Fail(0, "more than " + std::to_string(kPackageTrailerSize) + " bytes (entries and trailer)");
  }
  const std::size_t trailerStart = package.size() - kPackageTrailerSize;
  ByteReader trailer(package, trailerStart);
  const std::uint32_t firstOffset = *trailer.U32();
  trailer.U32();  // trailer offset: not relied on, the walk follows the records' own lengths
  const std::uint32_t count = *trailer.U32();
  const std::uint32_t totalSize = *trailer.U32();
  if (totalSize != package.size()) {
    return Fail(trailerStart + 12, "total size " + std::to_string(package.size()) + ", found " +
                                       std::to_string(totalSize));
  }
  if (static_cast<std::int32_t>(count) < 0) {
    return Fail(trailerStart + 8, "a non-negative entry count");
  }
  if (firstOffset > trailerStart) {
    return Fail(trailerStart, "a first-entry offset inside the entries, found " + std::to_string(firstOffset));
  }

  PackageContents contents;
  EntryNameList names;
  const ByteView records = package.first(trailerStart);
  ByteReader reader(records, firstOffset);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = reader.Offset();
    const auto dataSize = reader.U32();
    const auto nameBytes = reader.U32();
    if (!dataSize || !nameBytes) {
      return Fail(at, "entry " + std::to_string(i + 1) + " of " + std::to_string(count) + ": an 8-byte record header");
    }
    const auto name = reader.Take(*nameBytes);
    if (!name) return Fail(at + 8, "entry " + std::to_string(i + 1) + ": a name of " + std::to_string(*nameBytes) + " bytes");
    const auto data = reader.Take(*dataSize);
    if (!data) {
      return Fail(at + 8 + *nameBytes,
                  "entry " + std::to_string(i + 1) + ": " + std::to_string(*dataSize) + " data bytes");
    }
    PackageEntry entry{DecodeUtf16Le(*name), *data};  // an odd last name byte is dropped
    if (auto fault = names.Add(entry.name)) {
      return Fail(at + 8, "entry " + std::to_string(i + 1) + ": " + *fault + ", found " + Quoted(entry.name));
    }
    contents.entries.push_back(std::move(entry));
  }
  PackageReadResult result;
  result.contents = std::move(contents);
  return result;
}

std::optional<Bytes> ReadPackageEntry(ByteView package, std::u16string_view name) {
  const PackageReadResult read = ReadPackage(package);
  if (!read.contents) return std::nullopt;
  for (const PackageEntry& entry : read.contents->entries) {
    if (entry.name == name) return Bytes(entry.data.begin(), entry.data.end());
  }
  return std::nullopt;
}

Bytes BuildPackage(const std::vector<std::pair<std::u16string, Bytes>>& entries) {
  ByteWriter w;
  for (const auto& [name, data] : entries) {
    const Bytes nameBytes = EncodeUtf16Le(name);
    w.U32(static_cast<std::uint32_t>(data.size()));
    w.U32(static_cast<std::uint32_t>(nameBytes.size()));
    w.Append(nameBytes);
    w.Append(data);
  }
  const auto trailerOffset = static_cast<std::uint32_t>(w.Size());
  w.U32(0);
  w.U32(trailerOffset);
  w.U32(static_cast<std::uint32_t>(entries.size()));
  w.U32(trailerOffset + static_cast<std::uint32_t>(kPackageTrailerSize));
  return std::move(w.Bytes());
}

}  // namespace brevix
