#include "engine/StartTrust.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/Text.h"

namespace brevix {
namespace {

// Windows access rights, by value: the core does not see <windows.h>.
constexpr std::uint32_t kWriteData = 0x2;     // files: write; folders: add a file
constexpr std::uint32_t kAppendData = 0x4;    // files: append; folders: add a folder
constexpr std::uint32_t kDeleteChild = 0x40;  // folders: delete or rename what is inside
constexpr std::uint32_t kDelete = 0x10000;    // delete or rename the object itself
constexpr std::uint32_t kWriteDac = 0x40000;
constexpr std::uint32_t kWriteOwner = 0x80000;
constexpr std::uint32_t kMaximumAllowed = 0x02000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;

constexpr std::uint32_t kTakesOver = kDelete | kWriteDac | kWriteOwner | kMaximumAllowed | kGenericAll;
// Rewriting the program or swapping it for another.
constexpr std::uint32_t kChangesProgram = kTakesOver | kWriteData | kAppendData | kGenericWrite;
// A DLL or a "<program>.local" redirection folder placed beside the program, or the program
// itself deleted and replaced.
constexpr std::uint32_t kChangesProgramFolder = kTakesOver | kWriteData | kAppendData | kDeleteChild | kGenericWrite;
// A folder above renamed away and another put in its place.
constexpr std::uint32_t kMovesFolder = kTakesOver | kDeleteChild;

constexpr std::array<const char*, 3> kAdministrators = {
    "S-1-5-18",                                                        // SYSTEM
    "S-1-5-32-544",                                                    // Administrators
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
};
constexpr char kCreatorOwner[] = "S-1-3-0";

bool IsAdministrator(const std::string& sid) {
  return std::any_of(kAdministrators.begin(), kAdministrators.end(), [&](const char* a) { return sid == a; });
}

// `inherited` also weighs the entries the folder passes on to what is made inside it (the
// program's folder: what extraction made there took them). "CREATOR OWNER" entries there stand
// for the owner of each new object, whose own entries are read where it matters.
bool OthersCan(const std::optional<ObjectSecurity>& security, std::uint32_t rights, bool inherited) {
  if (!security || !security->hasDacl || !IsAdministrator(security->owner)) return true;
  return std::any_of(security->entries.begin(), security->entries.end(), [&](const AccessEntry& e) {
    if (!e.allow || (e.mask & rights) == 0 || IsAdministrator(e.sid)) return false;
    if (e.inheritOnly) return inherited && e.inherits && e.sid != kCreatorOwner;
    return true;
  });
}

// Length of "C:\" or "\\server\share\" at the start of a full path; 0 for anything else.
std::size_t RootLength(const std::u16string& path) {
  if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') return 3;
  if (path.rfind(u"\\\\", 0) != 0) return 0;
  const std::size_t server = path.find(u'\\', 2);
  if (server == std::u16string::npos || server == 2) return 0;
  const std::size_t share = path.find(u'\\', server + 1);
  if (share == server + 1) return 0;
  return share == std::u16string::npos ? path.size() : share + 1;
}

// "C:\a\b" -> "C:\a" -> "C:\" -> nothing.
std::optional<std::u16string> Parent(const std::u16string& path) {
  const std::size_t root = RootLength(path);
  if (root == 0 || path.size() <= root) return std::nullopt;
  const std::size_t last = path.find_last_of(u'\\');
  return path.substr(0, last < root ? root : last);
}

// "." or ".." segments would make the walk up the folders miss the real ones.
bool HasRelativeSegment(const std::u16string& path) {
  const std::u16string marked = path + u"\\";
  return marked.find(u"\\.\\") != std::u16string::npos || marked.find(u"\\..\\") != std::u16string::npos ||
         path.find(u'/') != std::u16string::npos;
}

// The folder's own rights, then every folder above it up to the root: the first that others
// may change. Inherited entries count in the folder (what the run makes there takes them).
FolderJudgement JudgeRights(const std::u16string& folder, FileSecurityReader& security) {
  if (OthersCan(security.Read(folder), kChangesProgramFolder, true)) return {FolderTrust::OthersCanWrite, folder};
  for (auto above = Parent(folder); above; above = Parent(*above)) {
    if (OthersCan(security.Read(*above), kMovesFolder, false)) return {FolderTrust::OthersCanMove, *above};
  }
  return {FolderTrust::Safe, folder};
}

}  // namespace

bool OnlyAdministratorsCanChange(const std::u16string& programPath, FileSecurityReader& security) {
  const auto folder = Parent(programPath);
  if (!folder || HasRelativeSegment(programPath)) return false;  // not a plain full path
  if (OthersCan(security.Read(programPath), kChangesProgram, false)) return false;
  return JudgeRights(*folder, security).Safe();
}

FolderJudgement JudgeWorkingFolder(const std::u16string& path, FileSystem& files, FileSecurityReader& security) {
  std::u16string folder = path;
  while (folder.size() > RootLength(folder) && folder.back() == u'\\') folder.pop_back();
  if (RootLength(folder) == 0 || HasRelativeSegment(folder)) return {FolderTrust::NotFullPath, path};
  // Links first: through one, the rights read below would be those of somewhere else.
  for (std::optional<std::u16string> at = folder; at; at = Parent(*at)) {
    const std::uint32_t attributes = files.GetAttributes(*at);
    if (attributes == FileSystem::kInvalidAttributes || !(attributes & FileSystem::kDirectoryAttribute) ||
        (attributes & FileSystem::kReparsePointAttribute)) {
      return {FolderTrust::LinkOnPath, *at};
    }
  }
  return JudgeRights(folder, security);
}

std::string DescribeFolderJudgement(const FolderJudgement& judgement) {
  const std::string where = Utf16ToUtf8(judgement.where);
  switch (judgement.trust) {
    case FolderTrust::Safe:
      return "only administrators can change " + where;
    case FolderTrust::NotFullPath:
      return where + " is no plain full path";
    case FolderTrust::LinkOnPath:
      return where + " is a link, a junction or no plain folder";
    case FolderTrust::OthersCanWrite:
      return "others may change what is in " + where;
    case FolderTrust::OthersCanMove:
      return "others may rename " + where;
  }
  return where;
}

}  // namespace brevix
