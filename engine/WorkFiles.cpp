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
  // Even a failed write may have created or truncated the file: it is ours to remove.
  const std::uint32_t before = inner_.GetAttributes(path);
  const bool written = inner_.WriteWholeFile(path, bytes);
  if (written || before == kInvalidAttributes) files_.AddOnce(FullPath(path));
  return written;
}

WorkFileRemoval PlanWorkFileRemoval(const WorkSite& site) {
  WorkFileRemoval plan;
  if (site.ownDirectory) {
    plan.deleteFiles = {Join(site.directory, u"StatusInformation.dat"), Join(site.directory, u"PidVid")};
    plan.commandLines = {u"/c del \"" + Join(site.directory, u"ErrorCode.ini") + u"\" /f /q",
                         u"/c rd \"" + Join(site.directory, u"DRIVER") + u"\" /s /q"};
    return plan;
  }
  plan.deleteFiles = site.extractedFiles;
  plan.removeDirectories.assign(site.createdDirectories.rbegin(), site.createdDirectories.rend());
  return plan;
}

std::u16string SystemProgram(const std::u16string& systemDirectory, std::u16string_view name) {
  return Join(systemDirectory, name);
}

}  // namespace brevix
