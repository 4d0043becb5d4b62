#include "engine/Extraction.h"

#include <unordered_set>

namespace brevix {

ExtractionResult ExtractPackage(ByteView package, FileSystem& files) {
  ExtractionResult result;
  const PackageReadResult read = ReadPackage(package);
  if (!read.contents) return result;
  result.packageRead = true;
  // Entries share few folders: each folder chain is made once, not once an entry (a package
  // of thousands of small files would otherwise spend most of its time failing to remake them).
  std::unordered_set<std::u16string> folders;
  for (const PackageEntry& entry : read.contents->entries) {
    const std::size_t sep = entry.name.rfind(u'\\');
    const std::u16string folder = sep == std::u16string::npos ? std::u16string() : entry.name.substr(0, sep);
    if (folders.insert(folder).second) CreatePathDirectories(entry.name, files);  // WriteWholeFile tells
    if (!WriteWholeFile(entry.name, entry.data, files)) result.unwritten.push_back(entry.name);
  }
  return result;
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
  const std::uint32_t attributes = files.GetAttributes(path);
  if (attributes != FileSystem::kInvalidAttributes) {
    // Opening it would write wherever it leads: a link's target, the other names of a hard link.
    if (attributes & (FileSystem::kReparsePointAttribute | FileSystem::kDirectoryAttribute)) return false;
    const auto links = files.LinkCount(path);
    if (!links || *links != 1) return false;
    if (!files.RemoveFile(path)) return false;  // read-only, or in use
  }
  // A new file only: should something have taken the name since, the write fails rather than
  // going through it.
  return files.WriteWholeFile(path, bytes);
}

}  // namespace brevix
