#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace brevix {

// Files and directories, addressed as Windows paths ("\" separators), relative paths
// against the current directory.
class FileSystem {
 public:
  static constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
  static constexpr std::uint32_t kDirectoryAttribute = 0x10u;
  static constexpr std::uint32_t kReparsePointAttribute = 0x400u;  // a link or junction

  struct DirectoryEntry {
    std::u16string name;  // without the directory
    std::uint32_t attributes = 0;
  };

  virtual ~FileSystem() = default;
  virtual std::uint32_t GetAttributes(const std::u16string& path) = 0;
  // True only when the directory was newly created.
  virtual bool MakeDirectory(const std::u16string& path) = 0;
  // Creates a new file and writes all bytes with one write; true when all were written. Never
  // opens what is already there (a file, a link, a hard link to someone else's file): false
  // then. A file it made but could not fill whole is removed through its own handle.
  virtual bool WriteWholeFile(const std::u16string& path, ByteView bytes) = 0;
  virtual std::optional<Bytes> ReadWholeFile(const std::u16string& path) = 0;
  virtual bool RemoveFile(const std::u16string& path) = 0;
  // Name (without directory) of the first entry matching a wildcard pattern.
  virtual std::optional<std::u16string> FindFirstMatch(const std::u16string& pattern) = 0;
  virtual std::u16string CurrentDirectory() = 0;
  virtual bool ChangeDirectory(const std::u16string& path) = 0;
  // Removes a directory only when it is empty.
  virtual bool RemoveEmptyDirectory(const std::u16string& /*path*/) { return false; }
  // How many names (hard links) the file at `path` has, the name itself opened without following
  // a link; nullopt when it cannot be opened or told.
  virtual std::optional<std::uint32_t> LinkCount(const std::u16string& /*path*/) { return std::nullopt; }
  // Creates a new directory that only SYSTEM and the Administrators may use: full control for
  // both, passed on to what is made inside, nothing taken from the folders above. False when the
  // name is already there (whatever it is) or the directory cannot be made.
  virtual bool MakeProtectedDirectory(const std::u16string& /*path*/) { return false; }
  // Every entry of a directory but "." and "..", in the order the system gives them; nullopt
  // when it cannot be listed whole. By default nothing can be listed: a caller that must know
  // everything a folder holds then fails rather than trusting a partial view.
  virtual std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::u16string& /*path*/) {
    return std::nullopt;
  }
};

}  // namespace brevix
