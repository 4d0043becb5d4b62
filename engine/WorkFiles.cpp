#include "engine/WorkFiles.h"

#include <algorithm>

namespace brevix {
namespace {

bool IsAbsolute(const std::u16string& path) {
  return (path.size() >= 2 && path[1] == u':') || (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\');
}

std::u16string Join(const std::u16string& directory, std::u16string_view name) {
  std::u16string out = directory;
  if (!out.empty() && out.back() != u'\\') out += u'\\';
  out += name;
  return out;
}

}  // namespace

std::u16string RecordingFileSystem::FullPath(const std::u16string& path) {
  if (IsAbsolute(path)) return path;
  if (!current_) current_ = inner_.CurrentDirectory();
  return Join(*current_, path);
}

bool RecordingFileSystem::MakeDirectory(const std::u16string& path) {
  const bool made = inner_.MakeDirectory(path);
  if (made) directories_.AddOnce(FullPath(path));
  return made;
}

bool RecordingFileSystem::WriteWholeFile(const std::u16string& path, ByteView bytes) {
  // A failed write leaves nothing of its own: whatever is under the name then is not ours.
  const bool written = inner_.WriteWholeFile(path, bytes);
  if (written) files_.AddOnce(FullPath(path));
  return written;
}

WorkFileRemoval PlanWorkFileRemoval(const WorkSite& site) {
  WorkFileRemoval plan;
  plan.directory = site.directory;
  if (site.ownDirectory) {
    plan.deleteFiles = {Join(site.directory, u"StatusInformation.dat"), Join(site.directory, u"PidVid"),
                        Join(site.directory, u"ErrorCode.ini")};
    plan.removeTrees = {Join(site.directory, u"DRIVER")};
    return plan;
  }
  plan.deleteFiles = site.extractedFiles;
  plan.removeDirectories.assign(site.createdDirectories.rbegin(), site.createdDirectories.rend());
  return plan;
}

void RemoveTreeNoLinks(FileSystem& files, const std::u16string& path) {
  const std::uint32_t attributes = files.GetAttributes(path);
  if (attributes == FileSystem::kInvalidAttributes || (attributes & FileSystem::kReparsePointAttribute)) return;
  if (!(attributes & FileSystem::kDirectoryAttribute)) {
    files.RemoveFile(path);
    return;
  }
  if (const auto entries = files.ListDirectory(path)) {
    for (const FileSystem::DirectoryEntry& entry : *entries) RemoveTreeNoLinks(files, Join(path, entry.name));
  }
  files.RemoveEmptyDirectory(path);
}

namespace {

bool IsLinkOrMissing(FileSystem& files, const std::u16string& path) {
  const std::uint32_t attributes = files.GetAttributes(path);
  return attributes == FileSystem::kInvalidAttributes || (attributes & FileSystem::kReparsePointAttribute);
}

// Whether `path` lies below `directory` on a way of plain folders: no folder between the two is
// a link or junction now. The path itself is looked at by its remover.
bool PlainWayDown(FileSystem& files, const std::u16string& directory, const std::u16string& path) {
  const std::u16string base = Join(directory, u"");
  if (path.size() <= base.size() || path.compare(0, base.size(), base) != 0) return false;
  for (std::size_t sep = path.find(u'\\', base.size()); sep != std::u16string::npos;
       sep = path.find(u'\\', sep + 1)) {
    const std::uint32_t attributes = files.GetAttributes(path.substr(0, sep));
    if (attributes == FileSystem::kInvalidAttributes || !(attributes & FileSystem::kDirectoryAttribute) ||
        (attributes & FileSystem::kReparsePointAttribute)) {
      return false;
    }
  }
  return true;
}

}  // namespace

void CarryOutRemoval(const WorkFileRemoval& plan, FileSystem& files) {
  for (const std::u16string& file : plan.deleteFiles) {
    if (!PlainWayDown(files, plan.directory, file)) continue;
    const std::uint32_t attributes = files.GetAttributes(file);
    if (attributes == FileSystem::kInvalidAttributes ||
        (attributes & (FileSystem::kReparsePointAttribute | FileSystem::kDirectoryAttribute))) {
      continue;  // gone, or no longer the file that was made
    }
    files.RemoveFile(file);
  }
  for (const std::u16string& tree : plan.removeTrees) {
    if (PlainWayDown(files, plan.directory, tree)) RemoveTreeNoLinks(files, tree);
  }
  for (const std::u16string& directory : plan.removeDirectories) {
    if (PlainWayDown(files, plan.directory, directory) && !IsLinkOrMissing(files, directory)) {
      files.RemoveEmptyDirectory(directory);
    }
  }
}

std::u16string SystemProgram(const std::u16string& systemDirectory, std::u16string_view name) {
  return Join(systemDirectory, name);
}

}  // namespace brevix
