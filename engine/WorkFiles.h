#pragma once
// The work files a run leaves behind, and how they are removed. In the program's own working
// directory the fixed set is removed (also what an earlier run left); in any other directory
// only what this run made, so that nothing of the user's is ever touched. Nothing is removed
// through a link or junction: one found where a work file was is left as it is, and so is what
// it points at.
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/StartTrust.h"
#include "platform/FileSystem.h"

namespace brevix {

// Where a run works, as start-up settled it. Every kind is a folder only administrators can
// change; the kinds differ in what else may be in it.
enum class FolderKind {
  Own,        // start-up's own folder under "Program Files": the work files there are the program's
  Started,    // the folder the run was started in (its own could not be made): the rest is the user's
  Protected,  // a fresh folder of the run's own under the system's temporary folder
};

struct WorkingFolder {
  std::u16string path;  // full path, without a trailing "\"
  FolderKind kind = FolderKind::Own;
  // The folder the run would have worked in, when it was not safe, and why.
  std::optional<FolderJudgement> passedOver;
  bool Own() const { return kind == FolderKind::Own; }
};

// A file system that notes the files and directories the calls through it create.
class RecordingFileSystem : public FileSystem {
 public:
  explicit RecordingFileSystem(FileSystem& inner) : inner_(inner) {}

  std::uint32_t GetAttributes(const std::u16string& path) override { return inner_.GetAttributes(path); }
  bool MakeDirectory(const std::u16string& path) override;
  bool WriteWholeFile(const std::u16string& path, ByteView bytes) override;
  std::optional<Bytes> ReadWholeFile(const std::u16string& path) override { return inner_.ReadWholeFile(path); }
  bool RemoveFile(const std::u16string& path) override { return inner_.RemoveFile(path); }
  std::optional<std::u16string> FindFirstMatch(const std::u16string& pattern) override {
    return inner_.FindFirstMatch(pattern);
  }
  std::u16string CurrentDirectory() override { return inner_.CurrentDirectory(); }
  bool ChangeDirectory(const std::u16string& path) override {
    current_.reset();
    return inner_.ChangeDirectory(path);
  }
  bool RemoveEmptyDirectory(const std::u16string& path) override { return inner_.RemoveEmptyDirectory(path); }
  std::optional<std::uint32_t> LinkCount(const std::u16string& path) override { return inner_.LinkCount(path); }
  bool MakeProtectedDirectory(const std::u16string& path) override { return inner_.MakeProtectedDirectory(path); }
  std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::u16string& path) override {
    return inner_.ListDirectory(path);
  }

  // Full paths, in the order they were made.
  const std::vector<std::u16string>& WrittenFiles() const { return files_.inOrder; }
  const std::vector<std::u16string>& CreatedDirectories() const { return directories_.inOrder; }

 private:
  // The order of the first time each path was made, and a set to find it again quickly.
  struct Made {
    std::vector<std::u16string> inOrder;
    std::unordered_set<std::u16string> known;
    void AddOnce(std::u16string path) {
      if (known.insert(path).second) inOrder.push_back(std::move(path));
    }
  };
  std::u16string FullPath(const std::u16string& path);

  FileSystem& inner_;
  // Read once: the program changes its current directory only at start-up, before any
  // extraction, or through here.
  std::optional<std::u16string> current_;
  Made files_;
  Made directories_;
};

struct WorkSite {
  std::u16string directory;  // full path of the directory the run works in, without a trailing "\"
  bool ownDirectory = false;  // start-up made its own working directory current
  std::vector<std::u16string> extractedFiles;      // full paths
  std::vector<std::u16string> createdDirectories;  // full paths, in creation order
};

struct WorkFileRemoval {
  std::u16string directory;                       // the working directory, full path
  std::vector<std::u16string> deleteFiles;        // full paths, below `directory`
  std::vector<std::u16string> removeTrees;        // full paths: each folder with what it holds
  std::vector<std::u16string> removeDirectories;  // full paths, deepest first; only if empty
  friend bool operator==(const WorkFileRemoval&, const WorkFileRemoval&) = default;
};

WorkFileRemoval PlanWorkFileRemoval(const WorkSite& site);

// Carries a plan out with the file system's own calls. A path whose way down from the working
// directory passes a link or junction (one swapped in for a folder the run made, say) is left
// alone, as is every link found inside a tree.
void CarryOutRemoval(const WorkFileRemoval& plan, FileSystem& files);

// Removes `path` and what it holds, never following a link: a link or junction found on the way
// is left where it is (and what it points at untouched).
void RemoveTreeNoLinks(FileSystem& files, const std::u16string& path);

// The path of a program in the system directory ("C:\Windows\system32\cmd.exe").
std::u16string SystemProgram(const std::u16string& systemDirectory, std::u16string_view name);

}  // namespace brevix
