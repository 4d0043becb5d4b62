#pragma once
// The upgrade itself, run on a worker thread that the session owns: the ACPI driver, the
// STTube driver (each installed by the package's dpinst.exe and confirmed in the registry),
// then the start of the firmware flashing tool, whose progress the firmware poll follows.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/InstalledDrivers.h"
#include "platform/ProcessLauncher.h"
#include "platform/Registry.h"

namespace brevix {

class UpgradeEngine;
struct CheckReport;

constexpr char16_t kInstallerName[] = u"\\dpinst.exe";
constexpr char16_t kFirmwareToolPattern[] = u"\\Tool\\Varnek*.exe";

// Registry tests while an installer runs.
constexpr int kAcpiInstallTests = 60;
constexpr std::uint32_t kInstallPauseMs = 500;
constexpr int kSttubeInstallTests = 10;
// The STTube test runs the hard DFU switch first, which waits on a machine with the control
// device; where it comes back at once, the installer still gets this long in all.
constexpr std::uint64_t kSttubeInstallMinimumMs = 30000;
constexpr std::uint32_t kFirmwareStepDelayMs = 2000;
// Once the registry shows its driver, the installer gets this long to end by itself (it writes
// its log and lets go of the driver store); one that runs on past it, held by a prompt nobody
// sees, is ended and its step fails. One that never got its driver into the registry is ended
// when its tests are over. Either way the next step starts only after it has ended.
constexpr std::uint64_t kInstallerEndLimitMs = 60000;

// What the worker thread and the front end's thread share while the upgrade runs. The worker
// writes, the poll on the front end's thread reads; the flashing tool's object is published
// by ToolStarted() and read only after it.
class WorkerState {
 public:
  bool DriversDone() const { return driversDone_.load(); }
  void SetDriversDone(bool done) { driversDone_.store(done); }
  // The worker has returned: only then may the upgrading stage end (its clean-up removes the
  // files the worker uses).
  bool Finished() const { return finished_.load(); }
  void SetFinished(bool finished) { finished_.store(finished); }
  // A step ended "Failed!", the flashing tool reported a failure, or the firmware step timed
  // out: the run's exit code says so.
  bool StepFailed() const { return stepFailed_.load(); }
  void MarkStepFailed() { stepFailed_.store(true); }

  // The worker closed the firmware step itself (its files failed their check): nobody else
  // writes its result.
  bool FirmwareStepClosed() const { return firmwareStepClosed_.load(); }
  void MarkFirmwareStepClosed() { firmwareStepClosed_.store(true); }

  bool ToolStarted() const { return toolStarted_.load(); }
  // The flashing tool this run started; null before ToolStarted().
  LaunchedProcess* Tool() const { return ToolStarted() ? tool_.get() : nullptr; }
  // Records the tool's start while it is still held, so that a report it writes the moment it
  // runs already counts as its own. Once only: false when a tool was started before.
  bool RecordToolStart(std::unique_ptr<LaunchedProcess> tool);
  // Takes a recorded start back (a tool that could not be let run); the object stays, since
  // the other thread may be asking it.
  void WithdrawToolStart() { toolStarted_.store(false); }

  // Held by a poll tick from the facts it takes to the last message it reads, and by the tool's
  // start while it is recorded: a tool's report can then never be read under facts taken before
  // its start (and dropped as from before it), however fast the tool writes.
  std::mutex& PollMutex() { return pollMutex_; }

 private:
  std::atomic<bool> driversDone_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> stepFailed_{false};
  std::atomic<bool> toolStarted_{false};
  std::atomic<bool> firmwareStepClosed_{false};
  std::unique_ptr<LaunchedProcess> tool_;
  std::mutex pollMutex_;
};

// Whether the installed driver of the kind is at least the packaged one, by the install keys
// (for STTube a different cut than the checking phase's).
bool IsInstalledDriverCurrent(DriverKind kind, const std::u16string& packagedVersion, RegistryReader& registry);

// Starts the kind's dpinst.exe as a tracked process, waits until the registry confirms the
// packaged driver, then for the installer's end (kInstallerEndLimitMs). False when the installer
// cannot be started, the registry never confirms it, or it does not end in time; an installer
// that is still running then is ended with what it started.
bool InstallDriver(DriverKind kind, const UpgradeEngine& engine, const std::u16string& packagedVersion);

// "-file "<firmware directory>\File\<file>" -sync"
std::u16string FirmwareToolParameters(const std::u16string& firmwareDirectory, const std::u16string& fileName);

// Finds "Varnek*.exe" in the firmware directory's Tool folder and starts it on the packaged
// firmware file, recording it in `state`. False when there is no firmware file or no tool, a
// tool was started before, or the tool cannot be started.
bool LaunchFirmwareTool(const UpgradeEngine& engine, const std::u16string& firmwareFileName, WorkerState& state);

// Ends the flashing tool this run started and the processes it started; false when there is
// none or it would not end.
bool EndFirmwareTool(WorkerState& state);

// What must hold right before the flashing tool starts (the run's share: the power supply, the
// wait for the adapter where someone can plug it in, the record of the flash). On the worker's
// thread.
class FlashGate {
 public:
  virtual ~FlashGate() = default;
  // False: the flash must not start; the firmware step then fails (the gate said why).
  virtual bool Open() = 0;
};

// The worker's whole run: the steps the checking report found necessary, each reported to the
// engine's front end, failures to the upgrade log and to `state`. Right before a driver is
// installed or the flashing tool started, the component's files are checked against the
// package's digests; a component that fails is not started and its step fails. Marks the drivers done after
// the last driver step and the worker finished when it returns. Never throws.
// `gate`, where given, is asked right before the firmware step.
void UpgradeWorker(const UpgradeEngine& engine, const CheckReport& report, WorkerState& state,
                   FlashGate* gate = nullptr) noexcept;

}  // namespace brevix
