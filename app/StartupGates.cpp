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

StartupOutcome RunStartupGates(StartupEnvironment& env, const std::u16string& notSupportedText) {
  if (!CheckOperatingSystem(env.system.GetVersion())) {
    env.shell.ShowRefusal(notSupportedText);
    return StartupOutcome::RefusedSystem;
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
      env.shell.ShowRefusal(notSupportedText);
      return StartupOutcome::RefusedDevice;
    case DeviceGate::RegistryUnreadable:
      return StartupOutcome::RegistryUnreadable;
  }

  if (!env.shell.ClaimSingleInstance()) {
    env.shell.BringExistingInstanceForward();
    return StartupOutcome::AlreadyRunning;
  }
  if (!env.shell.RegisterWindowClass()) return StartupOutcome::WindowClassFailed;

  const std::u16string workDir = WorkingDirectoryPath(env.system.SystemDirectory(), env.system.IsWow64());
  if (CreatePathDirectories(workDir, env.files)) env.files.ChangeDirectory(workDir);
  return StartupOutcome::Ready;
}

}  // namespace brevix
