#pragma once
// The start-up gates: a Windows 7, 8 or 8.1 client system, a supported sensor hub registered under
// Enum\USB or Enum\HID, a single instance, and the fixed working directory.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/SystemFacts.h"
#include "platform/Text.h"

namespace brevix {

constexpr char16_t kWindowClassName[] = u"Varnek\u00AE Brevix Upgrade Tool App Class Name";
constexpr char16_t kUsbEnumKey[] = u"SYSTEM\\CurrentControlSet\\Enum\\USB";
constexpr char16_t kHidEnumKey[] = u"SYSTEM\\CurrentControlSet\\Enum\\HID";
constexpr char16_t kSupportedIdsEntry[] = u"PidVid";
constexpr std::size_t kUsbIdWindow = 17;

// Windows 7 (6.1), 8 (6.2) or 8.1 (6.3), workstation only. Windows 10 (10.0) and any 6.x
// after 8.1 (the early Windows 10 builds said 6.4) are refused, as is every server.
bool CheckOperatingSystem(const OsVersion& version);

// The "PidVid" list: UTF-16 text after its byte-order mark; each entry ends with "|" and the
// next begins three units later (after CR LF). Text after the last "|" is no entry.
class SupportedIdList {
 public:
  static SupportedIdList FromEntryBytes(ByteView bytes);
  // USB pass: the name equals the 17 units that start an entry (fewer at the list's end).
  bool MatchesUsbName(std::u16string_view name) const;
  // HID pass: the name equals an entry's whole text before its "|".
  bool MatchesHidName(std::u16string_view name) const;
  std::size_t EntryCount() const { return starts_.size(); }

 private:
  std::u16string text_;
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> bars_;
};

enum class DeviceGate {
  Supported,
  Unsupported,       // refused with the message
  RegistryUnreadable  // an Enum key could not be opened: refused silently
};
DeviceGate FindSupportedDevice(RegistryReader& registry, const SupportedIdList& ids);

// Drive of the system directory + the fixed folder ("(x86)" for a 32-bit process on 64-bit
// Windows), with the trailing "\", bounded to 259 units.
std::u16string WorkingDirectoryPath(const std::u16string& systemDirectory, bool wow64);

// What start-up needs of the windowing side.
class StartupShell {
 public:
  virtual ~StartupShell() = default;
  virtual void ShowRefusal(const std::u16string& text) = 0;
  // Creates the named single-instance mutex; false when another instance holds the name.
  virtual bool ClaimSingleInstance() = 0;
  virtual void BringExistingInstanceForward() = 0;
  virtual bool RegisterWindowClass() = 0;
};

enum class StartupOutcome {
  Ready,  // gates passed; the working directory is current when it could be made
  RefusedSystem,
  RefusedDevice,
  RegistryUnreadable,
  AlreadyRunning,
  WindowClassFailed,
};

struct StartupEnvironment {
  SystemFacts& system;
  RegistryReader& registry;
  ResourceSource& resources;
  FileSystem& files;
  StartupShell& shell;
};

// Runs the gates in order; the first refusal ends start-up.
StartupOutcome RunStartupGates(StartupEnvironment& env, const std::u16string& notSupportedText);

}  // namespace brevix
