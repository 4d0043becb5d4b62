#include "engine/UpgradeWorker.h"

#include "data/TextKeys.h"
#include "engine/ComponentIntegrity.h"
#include "engine/HardDfuSwitch.h"
#include "engine/StartTrust.h"
#include "engine/UpgradeEngine.h"
#include "engine/VersionText.h"

namespace brevix {
namespace {

VersionKeyRule InstallKeyRule(DriverKind kind) {
  return kind == DriverKind::Sttube ? VersionKeyRule::SttubeInstall : VersionKeyRule::DateThenWholeVersion;
}

bool AcpiInstallConfirmed(const UpgradeEngine& engine, const std::u16string& packaged) {
  Clock& clock = engine.Services().clock;
  for (int test = 0; test < kAcpiInstallTests; ++test) {
    if (IsInstalledDriverCurrent(DriverKind::Acpi, packaged, engine.Services().registry)) return true;
    clock.Sleep(kInstallPauseMs);
  }
  return false;
}

bool SttubeInstallConfirmed(const UpgradeEngine& engine, const std::u16string& packaged) {
  const EngineServices& services = engine.Services();
  Clock& clock = services.clock;
  HardDfuContext context{services.devices, clock, services.standardOutput};
  const std::uint64_t start = clock.Milliseconds();
  for (int test = 1;; ++test) {
    const std::uint64_t before = clock.Milliseconds();
    HardDfuSwitch(context);  // brings the DFU device up for the installer; its result is not needed
    if (IsInstalledDriverCurrent(DriverKind::Sttube, packaged, services.registry)) return true;
    const std::uint64_t now = clock.Milliseconds();
    if (test >= kSttubeInstallTests && now - start >= kSttubeInstallMinimumMs) return false;
    if (now - before < kInstallPauseMs) clock.Sleep(kInstallPauseMs);
  }
}

// Waits for the installer to end by itself, up to kInstallerEndLimitMs.
bool InstallerEnded(LaunchedProcess& installer, Clock& clock) {
  const std::uint64_t start = clock.Milliseconds();
  while (installer.Running()) {
    if (clock.Milliseconds() - start >= kInstallerEndLimitMs) return false;
    clock.Sleep(kInstallPauseMs);
  }
  return true;
}

void Emit(const UpgradeEngine& engine, SessionEvent::Kind kind, std::u16string text = {}) {
  engine.Emit(SessionEvent::Of(kind, std::move(text)));
}

// The component's files on disk against the package's digests, right before it is used. A
// failure is logged with the table's line, closes the running step "Failed!" followed by the
// component's "integrity check failed!" line, and fails the run.
bool ComponentIntact(const UpgradeEngine& engine, WorkerState& state, Component component) {
  const EngineServices& services = engine.Services();
  const IntegrityResult result = CheckComponentIntegrity(engine.PackageDigests(), component, engine.WorkingDirectory(),
                                                         services.files, services.digests);
  if (result.Ok()) return true;
  const IntegrityFailureReport report = ReportFor(component, result.status);
  services.log.ReportError(report.code, report.section);
  services.standardOutput.Print("Integrity check failed: " + DescribeIntegrityFailure(result) + "\n");
  state.MarkStepFailed();
  Emit(engine, SessionEvent::Kind::StepEnded, engine.Text(text::kStepFailed));
  engine.WriteOutput(engine.Text(report.textKey) + u"\r\n");
  return false;
}

// One driver step: title, dots, the check of its files, the install, its result line and, on
// failure, its log line. "Upgrade21" and "Upgrade22" are the decorated results.
void DriverStep(const UpgradeEngine& engine, WorkerState& state, DriverKind kind, const std::u16string& packaged,
                const char16_t* titleKey, const char* failureCode) {
  engine.WriteOutput(engine.Text(titleKey));
  Emit(engine, SessionEvent::Kind::StepStarted);
  if (!ComponentIntact(engine, state, kind == DriverKind::Sttube ? Component::Sttube : Component::Acpi)) return;
  const bool installed = InstallDriver(kind, engine, packaged);
  if (!installed) {
    engine.Services().log.ReportError(failureCode, "Upgrading");
    state.MarkStepFailed();
  }
  Emit(engine, SessionEvent::Kind::StepEnded, engine.Text(installed ? text::kStepDone : text::kStepFailed));
}

// Marks the worker finished however it leaves.
struct FinishedOnExit {
  WorkerState& state;
  ~FinishedOnExit() { state.SetFinished(true); }
};

// A program extracted into an inherited working directory runs with this process's rights
// only if no other user can have swapped it since extraction.
bool MayStart(const UpgradeEngine& engine, const std::u16string& program) {
  FileSecurityReader* security = engine.InheritedDirectorySecurity();
  return !security || OnlyAdministratorsCanChange(program, *security);
}

}  // namespace

bool WorkerState::RecordToolStart(std::unique_ptr<LaunchedProcess> tool) {
  std::lock_guard<std::mutex> tick(pollMutex_);
  if (toolStarted_.load() || tool_) return false;
  tool_ = std::move(tool);
  toolStarted_.store(true);  // publishes tool_ to the other thread
  return true;
}

bool IsInstalledDriverCurrent(DriverKind kind, const std::u16string& packagedVersion, RegistryReader& registry) {
  const VersionKeyRule rule = InstallKeyRule(kind);
  // Nothing installed gives the empty key, which every packaged key exceeds.
  const std::u16string installedKey = BuildVersionKey(FindInstalledDriver(kind, registry), rule);
  return !OrdinalGreater(BuildVersionKey(packagedVersion, rule), installedKey);
}

bool InstallDriver(DriverKind kind, const UpgradeEngine& engine, const std::u16string& packagedVersion) {
  const EngineServices& services = engine.Services();
  const std::u16string installer = engine.DriverDirectory(kind) + kInstallerName;
  if (!MayStart(engine, installer)) return false;
  const std::unique_ptr<LaunchedProcess> process = services.launcher.StartTracked(installer, u"");
  if (!process) return false;
  if (!process->Resume()) {
    process->EndTree();
    return false;
  }
  const bool confirmed = kind == DriverKind::Sttube ? SttubeInstallConfirmed(engine, packagedVersion)
                                                    : AcpiInstallConfirmed(engine, packagedVersion);
  const bool ended = confirmed && InstallerEnded(*process, services.clock);
  if (!ended && process->Running()) {
    services.standardOutput.Print("Installer still running: ended\n");
    process->EndTree();
  }
  if (const auto code = process->ExitCode()) services.standardOutput.Print("Installer exit code " + std::to_string(*code) + "\n");
  return ended;
}

std::u16string FirmwareToolParameters(const std::u16string& firmwareDirectory, const std::u16string& fileName) {
  return u"-file \"" + firmwareDirectory + u"\\File\\" + fileName + u"\" -sync";
}

bool LaunchFirmwareTool(const UpgradeEngine& engine, const std::u16string& firmwareFileName, WorkerState& state) {
  if (firmwareFileName.empty() || state.ToolStarted()) return false;
  const std::u16string& directory = engine.FirmwareDirectory();
  const auto tool = engine.Services().files.FindFirstMatch(directory + kFirmwareToolPattern);
  if (!tool) return false;
  const std::u16string toolPath = directory + u"\\Tool\\" + *tool;
  if (!MayStart(engine, toolPath)) return false;
  auto process = engine.Services().launcher.StartTracked(toolPath, FirmwareToolParameters(directory, firmwareFileName));
  if (!process) return false;
  LaunchedProcess& started = *process;
  if (!state.RecordToolStart(std::move(process))) {
    started.EndTree();  // never let run: a second tool would steer the run unowned
    return false;
  }
  if (started.Resume()) return true;
  // Held for good: it never ran, so no report of it can come. The start is taken back and
  // the poll fails the step at once.
  started.EndTree();
  state.WithdrawToolStart();
  return false;
}

bool EndFirmwareTool(WorkerState& state) {
  LaunchedProcess* tool = state.Tool();
  return tool && tool->EndTree();
}

void UpgradeWorker(const UpgradeEngine& engine, const CheckReport& report, WorkerState& state,
                   FlashGate* gate) noexcept {
  state.SetFinished(false);
  FinishedOnExit finished{state};
  try {
    state.SetDriversDone(false);
    if (report.acpiNeedsUpgrade) {
      DriverStep(engine, state, DriverKind::Acpi, report.packagedAcpiVersion, text::kUpgradingAcpi, "0xEE030001");
      if (!report.sttubeNeedsUpgrade) state.SetDriversDone(true);
    }
    if (report.sttubeNeedsUpgrade) {
      DriverStep(engine, state, DriverKind::Sttube, report.packagedSttubeVersion, text::kUpgradingSttube, "0xEE030002");
      state.SetDriversDone(true);
    }
    engine.Services().clock.Sleep(kFirmwareStepDelayMs);
    if (!report.firmwareNeedsUpgrade) return;
    const bool mayFlash = !gate || gate->Open();
    engine.WriteOutput(engine.Text(text::kFindingDevice));  // "Finding device"
    Emit(engine, SessionEvent::Kind::StepStarted);
    if (!mayFlash) {
      state.MarkStepFailed();
      state.MarkFirmwareStepClosed();
      Emit(engine, SessionEvent::Kind::StepEnded, engine.Text(text::kStepFailed));
      return;
    }
    if (!ComponentIntact(engine, state, Component::Firmware)) {
      state.MarkFirmwareStepClosed();
      return;
    }
    // A tool that did not start ends the firmware step in the poll.
    LaunchFirmwareTool(engine, report.firmwareFileName, state);
  } catch (...) {
    // Out of memory on the way: the run cannot be trusted any more.
    state.MarkStepFailed();
  }
}

}  // namespace brevix
