#include "app/StartupGates.h"

#include "data/ResourcePackage.h"
#include "engine/Extraction.h"

namespace brevix {

bool CheckOperatingSystem(const OsVersion& v) {
  return v.major == 6 && v.minor >= 1 && v.minor <= 3 && v.productType == 1;
}

SupportedIdList SupportedIdList::FromEntryBytes(ByteView bytes) {
  SupportedIdList list;
  if (bytes.size() >= 2) list.text_ = DecodeUtf16Le(bytes.subspan(2));
  std::size_t start = 0;
  while (start < list.text_.size()) {
    const std::size_t bar = list.text_.find(u'|', start);
    if (bar == std::u16string::npos) break;
    list.starts_.push_back(start);
    list.bars_.push_back(bar);
    start = bar + 3;
  }
  return list;
}

bool SupportedIdList::MatchesUsbName(std::u16string_view name) const {
  for (std::size_t start : starts_) {
    if (name == std::u16string_view(text_).substr(start, kUsbIdWindow)) return true;
  }
  return false;
}

bool SupportedIdList::MatchesHidName(std::u16string_view name) const {
  for (std::size_t i = 0; i < starts_.size(); ++i) {
    if (name == std::u16string_view(text_).substr(starts_[i], bars_[i] - starts_[i])) return true;
  }
  return false;
}

namespace {

enum class Pass { Usb, Hid };

// Found, not found, or the key could not be opened.
std::optional<bool> SearchEnumKey(RegistryReader& registry, const char16_t* path, const SupportedIdList& ids,
                                  Pass pass) {
  const auto key = registry.OpenLocalMachineKey(path);
  if (!key) return std::nullopt;
  for (std::uint32_t index = 0;; ++index) {
    const auto name = key->EnumSubkey(index);
    if (!name) return false;
    if (pass == Pass::Usb ? ids.MatchesUsbName(*name) : ids.MatchesHidName(*name)) return true;
  }
}

}  // namespace

DeviceGate FindSupportedDevice(RegistryReader& registry, const SupportedIdList& ids) {
  const auto usb = SearchEnumKey(registry, kUsbEnumKey, ids, Pass::Usb);
  if (!usb) return DeviceGate::RegistryUnreadable;
  if (*usb) return DeviceGate::Supported;
  const auto hid = SearchEnumKey(registry, kHidEnumKey, ids, Pass::Hid);
  if (!hid) return DeviceGate::RegistryUnreadable;
  return *hid ? DeviceGate::Supported : DeviceGate::Unsupported;
}

std::u16string WorkingDirectoryPath(const std::u16string& systemDirectory, bool wow64) {
  std::u16string path = systemDirectory.substr(0, 2);
  path += wow64 ? u"\\Program Files (x86)\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool\\"
                : u"\\Program Files\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool\\";
  if (path.size() > 259) path.resize(259);
  return path;
}

std::u16string FreshFolderPath(const std::u16string& windowsDirectory, std::uint64_t number) {
  std::u16string path = windowsDirectory;
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  path += kFreshFolderPrefix;
  for (int shift = 60; shift >= 0; shift -= 4) path += u"0123456789ABCDEF"[(number >> shift) & 0xF];
  return path;
}

namespace {

std::u16string WithoutTrailingSeparator(std::u16string path) {
  while (path.size() > 3 && path.back() == u'\\') path.pop_back();
  return path;
}

// A folder nobody else has had a hand in: made anew, under a name that was not there, with an
// access list of its own. Judged like any other: the folders above must be safe too.
std::optional<WorkingFolder> MakeFreshFolder(WorkingFolderFacts facts, const FolderJudgement& passedOver) {
  const std::u16string windows = facts.system.WindowsDirectory();
  if (windows.empty()) return std::nullopt;
  for (int attempt = 0; attempt < kFreshFolderAttempts; ++attempt) {
    const std::u16string path = FreshFolderPath(windows, facts.system.UnpredictableNumber());
    if (!facts.files.MakeProtectedDirectory(path)) continue;
    if (!JudgeWorkingFolder(path, facts.files, facts.security).Safe() || !facts.files.ChangeDirectory(path)) {
      facts.files.RemoveEmptyDirectory(path);  // it is empty: nothing was written there
      return std::nullopt;
    }
    return WorkingFolder{path, FolderKind::Protected, passedOver};
  }
  return std::nullopt;
}

// Making the folders of `path` writes nothing but through the deepest folder of it that is
// there already: that one must be safe before anything is made in it (a folder somebody else
// can add to may hold a junction where the next folder goes). A file where a folder goes is no
// such folder: the path cannot be made there at all.
FolderJudgement JudgeDeepestFolder(const std::u16string& path, WorkingFolderFacts facts) {
  std::u16string there = WithoutTrailingSeparator(path);
  for (;;) {
    const std::uint32_t attributes = facts.files.GetAttributes(there);
    if (attributes != FileSystem::kInvalidAttributes && (attributes & FileSystem::kDirectoryAttribute)) break;
    const std::size_t sep = there.rfind(u'\\');
    if (there.size() <= 3 || sep == std::u16string::npos || sep < 2) return {FolderTrust::LinkOnPath, there};
    there.resize(sep == 2 ? 3 : sep);
  }
  return JudgeWorkingFolder(there, facts.files, facts.security);
}

}  // namespace

std::optional<WorkingFolder> SettleWorkingFolder(WorkingFolderFacts facts) {
  // Start-up's own folder, when what is there of it is safe to make it in and it is safe then.
  const std::u16string own = WorkingDirectoryPath(facts.system.SystemDirectory(), facts.system.IsWow64());
  const FolderJudgement above = JudgeDeepestFolder(own, facts);
  if (!above.Safe()) return MakeFreshFolder(facts, above);
  if (CreatePathDirectories(own, facts.files)) {
    const std::u16string path = WithoutTrailingSeparator(own);
    const FolderJudgement judgement = JudgeWorkingFolder(path, facts.files, facts.security);
    if (judgement.Safe() && facts.files.ChangeDirectory(own)) return WorkingFolder{path, FolderKind::Own, std::nullopt};
    return MakeFreshFolder(facts, judgement);
  }
  // It cannot be made (a file stands in its place, no rights): the folder the run was started in.
  const std::u16string started = WithoutTrailingSeparator(facts.files.CurrentDirectory());
  const FolderJudgement judgement = JudgeWorkingFolder(started, facts.files, facts.security);
  if (judgement.Safe()) return WorkingFolder{started, FolderKind::Started, std::nullopt};
  return MakeFreshFolder(facts, judgement);
}

std::string WorkingFolderLogLine(const WorkingFolder& folder) {
  std::string line = "Working in " + Utf16ToUtf8(folder.path);
  if (folder.passedOver) line += " as " + DescribeFolderJudgement(*folder.passedOver);
  return line;
}

StartupResult RunStartupGates(StartupEnvironment& env, const StartupTexts& texts) {
  if (!CheckOperatingSystem(env.system.GetVersion())) {
    env.shell.ShowRefusal(texts.notSupported);
    return {StartupOutcome::RefusedSystem, {}};
  }

  SupportedIdList ids;
  if (const auto package = env.resources.Find(kPackageResourceType, kPackageResourceId)) {
    if (const auto entry = ReadPackageEntry(*package, kSupportedIdsEntry)) {
      ids = SupportedIdList::FromEntryBytes(*entry);
    }
  }
  switch (FindSupportedDevice(env.registry, ids)) {
    case DeviceGate::Supported:
      break;
    case DeviceGate::Unsupported:
      env.shell.ShowRefusal(texts.notSupported);
      return {StartupOutcome::RefusedDevice, {}};
    case DeviceGate::RegistryUnreadable:
      return {StartupOutcome::RegistryUnreadable, {}};
  }

  if (!env.shell.ClaimSingleInstance()) {
    env.shell.BringExistingInstanceForward();
    return {StartupOutcome::AlreadyRunning, {}};
  }
  if (!env.shell.RegisterWindowClass()) return {StartupOutcome::WindowClassFailed, {}};

  auto folder = SettleWorkingFolder({env.system, env.files, env.security});
  if (!folder) {
    env.shell.ShowRefusal(texts.noSafeFolder);
    return {StartupOutcome::NoSafeFolder, {}};
  }
  return {StartupOutcome::Ready, std::move(*folder)};
}

}  // namespace brevix
