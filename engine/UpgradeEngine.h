#pragma once
// The upgrade engine: what is installed, what the unpacked package carries and what must be
// upgraded. Its checking phase writes the report to the front end and returns it as a value;
// the worker and the firmware poll run the upgrade from that report.
#include <cstdint>
#include <string>

#include "data/DigestRecord.h"
#include "data/TextTable.h"
#include "data/UpgradeLog.h"
#include "engine/HardDfuSwitch.h"
#include "engine/InstalledDrivers.h"
#include "engine/RunMode.h"
#include "engine/SensorQuery.h"
#include "engine/SessionEvent.h"
#include "platform/Clock.h"
#include "platform/Console.h"  // StandardOutput
#include "platform/Digest.h"
#include "platform/FileSecurity.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/Profile.h"
#include "platform/Registry.h"

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
  FileDigester& digests;  // the components' files, checked right before each is used
};

constexpr std::size_t kProfileValueBufferUnits = 30;  // DriverVer: 29 units at most

constexpr char16_t kAcpiInfName[] = u"\\VarnekBrevixAcpi.inf";
constexpr char16_t kSttubeInfName[] = u"\\STtube.inf";
constexpr char16_t kFirmwareFilePattern[] = u"\\File\\*dfu*";

// What the checking phase found. Versions that could not be found are "N/A".
struct CheckReport {
  std::u16string installedFirmwareVersion = u"N/A";
  std::u16string installedAcpiVersion = u"N/A";
  std::u16string installedSttubeVersion = u"N/A";
  std::u16string packagedFirmwareVersion = u"N/A";
  std::u16string packagedAcpiVersion = u"N/A";
  std::u16string packagedSttubeVersion = u"N/A";
  std::u16string firmwareFileName;  // the packaged firmware file's name; empty when there is none
  bool firmwareNeedsUpgrade = false;
  bool acpiNeedsUpgrade = false;
  bool sttubeNeedsUpgrade = false;
  bool allLatest = false;
  friend bool operator==(const CheckReport&, const CheckReport&) = default;
};

class UpgradeEngine {
 public:
  // Reads the current directory: the unpacked package lies below it.
  UpgradeEngine(const EngineServices& services, const TextTable& texts, RunMode mode = RunMode::Wizard);
  UpgradeEngine(const UpgradeEngine&) = delete;
  UpgradeEngine& operator=(const UpgradeEngine&) = delete;

  // Reads the installed and packaged versions, decides what to upgrade and writes the report.
  // Where the package could not be unpacked whole, the report never finds everything current.
  // An earlier flash that was cut off (`flashAgain`) makes the firmware older whatever the hub
  // reports, as long as the package carries firmware.
  CheckReport RunChecks(bool packageWhole = true, bool flashAgain = false) const;

  // The packaged firmware file below the firmware folder and the version its name carries.
  struct PackagedFirmware {
    std::u16string fileName;          // empty when there is none
    std::u16string version = u"N/A";
  };
  PackagedFirmware ReadPackagedFirmware() const;
  // The kind's INF DriverVer, cut to its buffer; "N/A" (and the log's line) when missing.
  std::u16string ReadPackagedDriverVersion(DriverKind kind) const;

  // Where the engine's events go; without a sink they are dropped. Set before any thread
  // other than the caller's can emit.
  void Attach(EventSink* sink) { sink_ = sink; }
  void Emit(SessionEvent event) const;
  // To the front end's log, as it is.
  void WriteOutput(std::u16string text) const { Emit(SessionEvent::Of(SessionEvent::Kind::Text, std::move(text))); }

  // A working folder other than start-up's own (judged safe at start-up, and checked again here
  // in case that changed): an extracted program is started only when nobody but the
  // administrators can have changed it (see StartTrust.h). Without it, programs are started as
  // they are.
  void TrustOnlyAdministrators(FileSecurityReader& security) { inheritedDirectorySecurity_ = &security; }
  FileSecurityReader* InheritedDirectorySecurity() const { return inheritedDirectorySecurity_; }

  // The digests the package was built with, from the program's own resources (never from the
  // disk being checked); without them every component fails its check.
  void SetPackageDigests(DigestRecord record) { packageDigests_ = std::move(record); }
  const DigestRecord& PackageDigests() const { return packageDigests_; }

  const EngineServices& Services() const { return services_; }
  const TextTable& Texts() const { return texts_; }
  std::u16string Text(std::u16string_view key) const { return texts_.Text(key); }

  const std::u16string& WorkingDirectory() const { return workingDirectory_; }
  const std::u16string& FirmwareDirectory() const { return firmwareDirectory_; }
  // The kind's unpacked driver folder.
  const std::u16string& DriverDirectory(DriverKind kind) const {
    return kind == DriverKind::Sttube ? sttubeDirectory_ : acpiDirectory_;
  }

 private:
  EngineServices services_;
  const TextTable& texts_;
  RunMode mode_;
  EventSink* sink_ = nullptr;
  FileSecurityReader* inheritedDirectorySecurity_ = nullptr;
  DigestRecord packageDigests_;
  std::u16string workingDirectory_;
  std::u16string acpiDirectory_;
  std::u16string firmwareDirectory_;
  std::u16string sttubeDirectory_;
};

// Which of the three items are older: the drivers by their checking keys.
bool DriverNeedsUpgrade(DriverKind kind, const std::u16string& packaged, const std::u16string& installed);

}  // namespace brevix
