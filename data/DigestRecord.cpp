#include "data/DigestRecord.h"

#include <unordered_map>
#include <unordered_set>

namespace brevix {
namespace {

constexpr std::size_t kHexDigits = 64;
constexpr char kSeparator[] = " *";

DigestRecordReadResult Fail(std::size_t line, std::size_t offset, std::string what) {
  DigestRecordReadResult r;
  r.error = {line, offset, std::move(what)};
  return r;
}

bool IsLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

std::string FolderList() {
  std::string list;
  for (std::u16string_view folder : kDigestedFolders) {
    std::u16string shown(folder);
    for (char16_t& c : shown) c = c == u'\\' ? u'/' : c;
    list += (list.empty() ? "" : ", ") + Utf16ToUtf8(shown);
  }
  return list;
}

}  // namespace

bool IsBelowFolder(std::u16string_view name, std::u16string_view folder) {
  return name.size() > folder.size() + 1 && name[folder.size()] == u'\\' &&
         FoldNameCase(name.substr(0, folder.size())) == FoldNameCase(folder);
}

bool IsDigestedEntry(std::u16string_view name) {
  for (std::u16string_view folder : kDigestedFolders) {
    if (IsBelowFolder(name, folder)) return true;
  }
  return false;
}

DigestRecordReadResult ReadDigestRecord(ByteView text, const PackageContents& package) {
  if (text.empty()) return Fail(0, 0, "at least one line");
  std::unordered_set<std::u16string> entries;
  for (const PackageEntry& entry : package.entries) entries.insert(entry.name);

  DigestRecord record;
  EntryNameList names;
  const std::string_view all(reinterpret_cast<const char*>(text.data()), text.size());
  std::size_t at = 0;
  for (std::size_t number = 1; at < all.size(); ++number) {
    const std::size_t newline = all.find('\n', at);
    if (newline == std::string_view::npos) {
      return Fail(number, all.size(), "line " + std::to_string(number) + ": a line ending in CR LF");
    }
    if (newline == at || all[newline - 1] != '\r') {
      return Fail(number, newline, "line " + std::to_string(number) + ": CR LF, found LF alone");
    }
    const std::string_view line = all.substr(at, newline - 1 - at);
    const std::string where = "line " + std::to_string(number) + ": ";
    for (std::size_t i = 0; i < kHexDigits; ++i) {
      if (i >= line.size() || !IsLowerHex(line[i])) {
        return Fail(number, at + i, where + "a digest of " + std::to_string(kHexDigits) + " lower-case hex digits");
      }
    }
    if (line.substr(kHexDigits, 2) != kSeparator) {
      return Fail(number, at + kHexDigits,
                  where + "\" *\" after the digest's " + std::to_string(kHexDigits) + " digits");
    }
    const std::size_t pathAt = at + kHexDigits + 2;
    const std::string_view path = line.substr(kHexDigits + 2);
    std::u16string name = Utf8ToUtf16(path);
    if (Utf16ToUtf8(name) != path) return Fail(number, pathAt, where + "a path in UTF-8");
    if (name.find(u'\\') != std::u16string::npos) {
      return Fail(number, pathAt, where + "a path with \"/\" separators, found \"\\\"");
    }
    for (char16_t& c : name) c = c == u'/' ? u'\\' : c;
    if (auto fault = names.Add(name)) {
      return Fail(number, pathAt, where + *fault + ", found \"" + PrintableName(name) + "\"");
    }
    if (!IsDigestedEntry(name)) {
      return Fail(number, pathAt,
                  where + "a path below " + FolderList() + ", found \"" + std::string(path) + "\"");
    }
    if (!entries.count(name)) {
      return Fail(number, pathAt,
                  where + "a path that names an entry of the package, found \"" + std::string(path) + "\"");
    }
    record.lines.push_back({std::move(name), *ParseDigestHex(line.substr(0, kHexDigits))});
    at = newline + 1;
  }
  DigestRecordReadResult result;
  result.record = std::move(record);
  return result;
}

DigestRecordReadResult ReadPackagedDigestRecord(ByteView package) {
  const PackageReadResult read = ReadPackage(package);
  if (!read.contents) {
    return Fail(0, 0, "a package that reads (byte " + std::to_string(read.error.offset) + ": " + read.error.what + ")");
  }
  for (const PackageEntry& entry : read.contents->entries) {
    if (entry.name == kDigestRecordEntry) return ReadDigestRecord(entry.data, *read.contents);
  }
  return Fail(0, 0, "a package entry \"" + Utf16ToUtf8(kDigestRecordEntry) + "\"");
}

Bytes WriteDigestRecord(const std::vector<PackageEntry>& entries) {
  std::string text;
  for (const PackageEntry& entry : entries) {
    if (!IsDigestedEntry(entry.name)) continue;
    std::u16string path = entry.name;
    for (char16_t& c : path) c = c == u'\\' ? u'/' : c;
    text += DigestHex(Sha256Of(entry.data)) + kSeparator + Utf16ToUtf8(path) + "\r\n";
  }
  return Bytes(text.begin(), text.end());
}

std::optional<std::string> DigestRecordMismatch(const DigestRecord& record, const PackageContents& package) {
  std::unordered_map<std::u16string, const Sha256Digest*> lines;
  for (const DigestLine& line : record.lines) lines.emplace(line.entry, &line.digest);
  for (const PackageEntry& entry : package.entries) {
    if (!IsDigestedEntry(entry.name)) continue;
    const auto line = lines.find(entry.name);
    if (line == lines.end()) return "a line for entry \"" + PrintableName(entry.name) + "\"";
    if (*line->second != Sha256Of(entry.data)) {
      return "the digest of entry \"" + PrintableName(entry.name) + "\" (" + DigestHex(Sha256Of(entry.data)) +
             "), found " + DigestHex(*line->second);
    }
  }
  return std::nullopt;
}

}  // namespace brevix
