#pragma once
// The upgrade engine: what is installed, what the unpacked package carries and what must be
// upgraded; its checking phase writes the report to the wizard's log or to the console.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "data/LanguageTable.h"
#include "data/UpgradeLog.h"
#include "engine/EngineView.h"
#include "engine/HardDfuSwitch.h"
#include "engine/InstalledDrivers.h"
#include "engine/SensorQuery.h"
#include "platform/Clock.h"
#include "platform/Console.h"
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
  Console& console;               // console-mode output
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
  // To the console in console mode (with "(R)" for "®"), else to the view's log.
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

  EngineView* view = nullptr;     // null in console mode
  void* ownerWindow = nullptr;    // owner of the driver installer's launch
  std::int32_t consoleMode = 0;

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
