#include "data/ResourcePackage.h"

#include "data/ByteReader.h"

namespace brevix {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

PackageReadResult Fail(std::size_t offset, std::string what) {
  PackageReadResult r;
  r.error = {offset, std::move(what)};
  return r;
}

}  // namespace

bool IsSafeEntryName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxEntryNameUnits) return false;
  if (IsSeparator(name.front())) return false;
  std::size_t segmentStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    const bool end = i == name.size();
    if (!end) {
      const char16_t c = name[i];
      if (c < 0x20 || c == u':') return false;  // drives, streams, control characters
      if (!IsSeparator(c)) continue;
    }
    const std::u16string_view segment = name.substr(segmentStart, i - segmentStart);
    if (segment.empty() || segment == u"." || segment == u"..") return false;
    segmentStart = i + 1;
  }
  return true;
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
    if (!IsSafeEntryName(entry.name)) {
      return Fail(at + 8, "entry " + std::to_string(i + 1) + ": a relative name that stays below the working directory");
    }
    contents.entries.push_back(std::move(entry));
  }
  PackageReadResult result;
  result.contents = std::move(contents);
  return result;
}

bool ExtractPackage(ByteView package, FileSystem& files) {
  const PackageReadResult read = ReadPackage(package);
  if (!read.contents) return false;
  for (const PackageEntry& entry : read.contents->entries) {
    CreatePathDirectories(entry.name, files);  // result ignored: WriteWholeFile tells
    WriteWholeFile(entry.name, entry.data, files);
  }
  return true;
}

std::optional<Bytes> ReadPackageEntry(ByteView package, std::u16string_view name) {
  const PackageReadResult read = ReadPackage(package);
  if (!read.contents) return std::nullopt;
  for (const PackageEntry& entry : read.contents->entries) {
    if (entry.name == name) return Bytes(entry.data.begin(), entry.data.end());
  }
  return std::nullopt;
}

bool CreatePathDirectories(const std::u16string& path, FileSystem& files) {
  const std::size_t lastSep = path.rfind(u'\\');
  const std::u16string tested = (lastSep == std::u16string::npos || lastSep == 0) ? u"." : path;
  const std::uint32_t attributes = files.GetAttributes(tested);
  if (attributes >= 16 && attributes <= 31) return true;

  bool last = false;
  for (std::size_t i = 0; lastSep != std::u16string::npos && i <= lastSep; ++i) {
    if (path[i] == u'\\') last = files.MakeDirectory(path.substr(0, i));
  }
  return last;
}

bool WriteWholeFile(const std::u16string& path, ByteView bytes, FileSystem& files) {
  return files.WriteWholeFile(path, bytes);
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
