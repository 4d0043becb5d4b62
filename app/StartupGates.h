#pragma once
// The start-up gates: a Windows 7, 8 or 8.1 client system, a supported sensor hub registered under
// Enum\USB or Enum\HID, a single instance, and a working folder only administrators can change:
// the fixed one under "Program Files", else the one the run was started in, else a fresh one of
// the run's own under the system's temporary folder.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/WorkFiles.h"
#include "platform/FileSecurity.h"
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

// The fresh folder a run works in when neither its own nor the one it was started in is safe:
// "<Windows>\Temp\Varnek Brevix Upgrade Tool <16 hex digits>", the digits unpredictable. A name
// that is already there is never used; this many are tried.
constexpr char16_t kFreshFolderPrefix[] = u"\\Temp\\Varnek Brevix Upgrade Tool ";
constexpr int kFreshFolderAttempts = 8;
std::u16string FreshFolderPath(const std::u16string& windowsDirectory, std::uint64_t number);

struct WorkingFolderFacts {
  SystemFacts& system;
  FileSystem& files;
  FileSecurityReader& security;
};

// Decides where the run works and makes that folder current; nullopt when there is no safe
// folder to be had (the run must not start). The folders it judges unsafe it does not write in.
std::optional<WorkingFolder> SettleWorkingFolder(WorkingFolderFacts facts);

// The log's line on a folder passed over: where the run works instead, and why.
std::string WorkingFolderLogLine(const WorkingFolder& folder);

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
  NoSafeFolder,  // refused with its message: nowhere only administrators can change
};

struct StartupTexts {
  std::u16string notSupported;
  std::u16string noSafeFolder;
};

struct StartupResult {
  StartupOutcome outcome = StartupOutcome::Ready;
  WorkingFolder folder;  // where the run works: current, when Ready
};

struct StartupEnvironment {
  SystemFacts& system;
  RegistryReader& registry;
  ResourceSource& resources;
  FileSystem& files;
  FileSecurityReader& security;
  StartupShell& shell;
};

// Runs the gates in order; the first refusal ends start-up.
StartupResult RunStartupGates(StartupEnvironment& env, const StartupTexts& texts);

}  // namespace brevix
