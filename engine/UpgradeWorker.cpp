#include "engine/UpgradeWorker.h"

#include "engine/HardDfuSwitch.h"
#include "engine/StartTrust.h"
#include "engine/UpgradeEngine.h"
#include "engine/VersionText.h"

namespace brevix {
namespace {

constexpr std::intptr_t kFirstStartedResult = 32;  // the shell's results below this are failures

VersionKeyRule InstallKeyRule(DriverKind kind) {
  return kind == DriverKind::Sttube ? VersionKeyRule::SttubeInstall : VersionKeyRule::DateThenWholeVersion;
}

bool AcpiInstallConfirmed(UpgradeEngine& engine) {
  Clock& clock = engine.services.clock;
  for (int test = 0; test < kAcpiInstallTests; ++test) {
    if (IsInstalledDriverCurrent(DriverKind::Acpi, engine)) return true;
    clock.Sleep(kInstallPauseMs);
  }
  return false;
}

bool SttubeInstallConfirmed(UpgradeEngine& engine) {
  Clock& clock = engine.services.clock;
  HardDfuContext context{engine.services.devices, clock, engine.services.standardOutput};
  const std::uint64_t start = clock.Milliseconds();
  for (int test = 1;; ++test) {
    const std::uint64_t before = clock.Milliseconds();
    HardDfuSwitch(context);  // brings the DFU device up for the installer; its result is not needed
    if (IsInstalledDriverCurrent(DriverKind::Sttube, engine)) return true;
    const std::uint64_t now = clock.Milliseconds();
    if (test >= kSttubeInstallTests && now - start >= kSttubeInstallMinimumMs) return false;
    if (now - before < kInstallPauseMs) clock.Sleep(kInstallPauseMs);
  }
}

void StepStarted(UpgradeEngine& engine) {
  if (engine.view) engine.view->StepStarted();
}

void StepEnded(UpgradeEngine& engine, const std::u16string& result) {
  if (engine.view) engine.view->StepEnded(result);
}

// One driver step: title, dots, the install, its result line and, on failure, its log line.
void DriverStep(UpgradeEngine& engine, DriverKind kind, int titleText, const char* failureCode) {
  engine.WriteOutput(engine.UpgradeText(titleText));
  StepStarted(engine);
  const bool installed = InstallDriver(kind, engine);
  if (!installed) {
    engine.services.log.ReportError(failureCode, "Upgrading");
    engine.anyStepFailed = true;
  }
  StepEnded(engine, engine.UpgradeText(installed ? 21 : 22));
}

// Marks the worker finished however it leaves.
struct FinishedOnExit {
  UpgradeEngine& engine;
  ~FinishedOnExit() { engine.workerFinished.store(true); }
};

// A program extracted into an inherited working directory runs with this process's rights
// only if no other user can have swapped it since extraction.
bool MayStart(UpgradeEngine& engine, const std::u16string& program) {
  return !engine.inheritedDirectorySecurity || OnlyAdministratorsCanChange(program, *engine.inheritedDirectorySecurity);
}

}  // namespace

bool IsInstalledDriverCurrent(DriverKind kind, UpgradeEngine& engine) {
  const std::u16string& packaged = kind == DriverKind::Sttube ? engine.packagedSttubeVersion : engine.packagedAcpiVersion;
  const VersionKeyRule rule = InstallKeyRule(kind);
  // Nothing installed gives the empty key, which every packaged key exceeds.
  const std::u16string installedKey = BuildVersionKey(FindInstalledDriver(kind, engine.services.registry), rule);
  return !OrdinalGreater(BuildVersionKey(packaged, rule), installedKey);
}

bool InstallDriver(DriverKind kind, UpgradeEngine& engine) {
  const std::u16string& directory = kind == DriverKind::Sttube ? engine.sttubeDirectory : engine.acpiDirectory;
  if (!MayStart(engine, directory + kInstallerName)) return false;
  const std::intptr_t started = engine.services.launcher.Start(directory + kInstallerName, u"", engine.ownerWindow);
  if (started < kFirstStartedResult) return false;
  return kind == DriverKind::Sttube ? SttubeInstallConfirmed(engine) : AcpiInstallConfirmed(engine);
}

std::u16string FirmwareToolParameters(const std::u16string& firmwareDirectory, const std::u16string& fileName) {
  return u"-file \"" + firmwareDirectory + u"\\File\\" + fileName + u"\" -sync";
}

bool LaunchFirmwareTool(UpgradeEngine& engine) {
  if (engine.firmwareFileName.empty() || engine.firmwareToolStarted.load()) return false;
  const std::u16string parameters = FirmwareToolParameters(engine.firmwareDirectory, engine.firmwareFileName);
  if (const auto tool = engine.services.files.FindFirstMatch(engine.firmwareDirectory + kFirmwareToolPattern)) {
    engine.firmwareToolPath = engine.firmwareDirectory + u"\\Tool\\" + *tool;
  }
  if (engine.firmwareToolPath.empty() || !MayStart(engine, engine.firmwareToolPath)) return false;
  auto process = engine.services.launcher.StartTracked(engine.firmwareToolPath, parameters);
  if (!process) return false;
  engine.firmwareTool = std::move(process);
  // Recorded while the tool is still held: a report it writes the moment it runs already
  // counts as the started tool's. Publishes firmwareTool to the UI thread.
  engine.firmwareToolStarted.store(true);
  if (engine.firmwareTool->Resume()) return true;
  // Held for good: it never ran, so no report of it can come. The object stays (the UI thread
  // may be asking it), the start is taken back and the poll fails the step at once.
  engine.firmwareTool->EndTree();
  engine.firmwareToolStarted.store(false);
  return false;
}

bool EndFirmwareTool(UpgradeEngine& engine) {
  if (!engine.firmwareToolStarted.load() || !engine.firmwareTool) return false;
  return engine.firmwareTool->EndTree();
}

int UpgradeWorker(UpgradeEngine& engine) noexcept {
  engine.workerFinished.store(false);
  FinishedOnExit finished{engine};
  try {
    engine.driversDone = 0;
    if (engine.acpiNeedsUpgrade) {
      DriverStep(engine, DriverKind::Acpi, 6, "0xEE030001");
      if (!engine.sttubeNeedsUpgrade) engine.driversDone = 1;
    }
    if (engine.sttubeNeedsUpgrade) {
      DriverStep(engine, DriverKind::Sttube, 5, "0xEE030002");
      engine.driversDone = 1;
    }
    engine.services.clock.Sleep(kFirmwareStepDelayMs);
    if (!engine.firmwareNeedsUpgrade) return 1;
    engine.WriteOutput(engine.UpgradeText(4));
    StepStarted(engine);
    LaunchFirmwareTool(engine);  // a tool that did not start ends the firmware step in the poll
  } catch (...) {
    // Out of memory on the way: the run cannot be trusted any more.
    engine.anyStepFailed = true;
  }
  return 1;
}

}  // namespace brevix
