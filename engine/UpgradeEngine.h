#pragma once
// The upgrade engine: what is installed, what the unpacked package carries and what must be
// upgraded; its checking phase writes the report to its front end (the wizard or the console).
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "data/LanguageTable.h"
#include "data/UpgradeLog.h"
#include "engine/EngineView.h"
#include "engine/HardDfuSwitch.h"
#include "engine/InstalledDrivers.h"
#include "engine/SensorQuery.h"
#include "platform/Clock.h"
#include "platform/Console.h"  // StandardOutput
#include "platform/FileSecurity.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/SystemFacts.h"

namespace brevix {

// Everything the engine reaches outside itself. All outlive the engine.
struct EngineServices {
  FileSystem& files;
  ProfileReader& profile;
  RegistryReader& registry;
  SensorSource& sensors;
  DeviceControl& devices;
  ProcessLauncher& launcher;
  Clock& clock;
  StandardOutput& standardOutput;  // diagnostic lines of the sensor query and the DFU switch
  UpgradeLog& log;
  LanguageTable& language;
  SystemFacts& system;  // the user's interface language picks the texts
};

constexpr std::size_t kCheckingTextCount = 16;
constexpr std::size_t kUpgradeTextCount = 24;
constexpr std::size_t kProfileValueBufferUnits = 30;  // DriverVer: 29 units at most

constexpr char16_t kAcpiInfName[] = u"\\VarnekBrevixAcpi.inf";
constexpr char16_t kSttubeInfName[] = u"\\STtube.inf";
constexpr char16_t kFirmwareFilePattern[] = u"\\File\\*dfu*";

class UpgradeEngine {
 public:
  // Reads the current directory, looks up the "Checking" and "Upgrade" texts and becomes the
  // current engine.
  explicit UpgradeEngine(const EngineServices& services);
  ~UpgradeEngine();
  UpgradeEngine(const UpgradeEngine&) = delete;
  UpgradeEngine& operator=(const UpgradeEngine&) = delete;

  // Reads the installed and packaged versions, decides what to upgrade and writes the report.
  void RunChecks();
  // To the front end's log, as it is; without a view the text is dropped.
  void WriteOutput(std::u16string text);

  void ReadPackagedFirmwareVersion();
  void ReadPackagedDriverVersion(DriverKind kind);
  void CompareDriverVersions();

  // Texts by their key number: CheckingText(1) is "Checking01".
  const std::u16string& CheckingText(int number) const { return checkingTexts.at(number - 1); }
  const std::u16string& UpgradeText(int number) const { return upgradeTexts.at(number - 1); }

  EngineServices services;

  std::u16string installedFirmwareVersion;
  std::u16string installedAcpiVersion;
  std::u16string installedSttubeVersion;
  std::u16string packagedFirmwareVersion;
  std::u16string packagedAcpiVersion;
  std::u16string packagedSttubeVersion;

  std::int32_t firmwareNeedsUpgrade = 0;
  std::int32_t acpiNeedsUpgrade = 0;
  std::int32_t sttubeNeedsUpgrade = 0;
  std::int16_t allLatest = 0;
  // Written by the worker thread, polled by the UI thread.
  std::atomic<std::int32_t> driversDone{0};
  // The worker has returned: only then may the upgrading stage end (its clean-up removes the
  // files the worker uses).
  std::atomic<bool> workerFinished{false};
  // A step ended "Failed!", the flashing tool reported a failure, or the firmware step timed
  // out: the front ends make this the run's exit code.
  std::atomic<bool> anyStepFailed{false};
  // The flashing tool this run started, set once by the worker before firmwareToolStarted;
  // the UI thread reads it only after seeing firmwareToolStarted.
  std::unique_ptr<LaunchedProcess> firmwareTool;
  std::atomic<bool> firmwareToolStarted{false};

  // Set when the working directory is not the one start-up made but an inherited one, which
  // other users may be able to change: an extracted program is started only when nobody but
  // the administrators can have changed it (see StartTrust.h). Null: started as they are.
  FileSecurityReader* inheritedDirectorySecurity = nullptr;

  EngineView* view = nullptr;   // the wizard or the console front end
  void* ownerWindow = nullptr;  // owner of the driver installer's launch

  std::u16string workingDirectory;
  std::u16string acpiDirectory;
  std::u16string firmwareDirectory;
  std::u16string sttubeDirectory;

  // Owned copies, so that releasing the language texts never leaves the engine dangling.
  // "Upgrade21" and "Upgrade22" hold the decorated step results (" . . . " text CR LF).
  std::array<std::u16string, kCheckingTextCount> checkingTexts;
  std::array<std::u16string, kUpgradeTextCount> upgradeTexts;

  std::u16string firmwareFileName;
  std::u16string firmwareToolPath;
};

// The engine constructed last and still alive, or null; how the worker thread finds it.
UpgradeEngine* CurrentEngine();

}  // namespace brevix
