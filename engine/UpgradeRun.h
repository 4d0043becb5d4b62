#pragma once
// One upgrade run, whichever front end shows it, and the whole order of it: open, extract,
// check, wait for consent, upgrade (the worker's drivers and the flashing tool), poll, read
// back, clean up, end. The front ends only say what the user did (the intents below) and show
// the run's events; every rule about what may happen when lives here:
//  - the package is extracted once (a failed extraction is tried again on the next consent);
//  - the checks may run again after Back, never once the upgrade has started;
//  - during the upgrading stage nothing ends the run: Quit and Finish are refused;
//  - the stage ends only when the worker has returned and the flashing tool is gone (after a
//    success report: ended and the firmware read back); then the work files go;
//  - the firmware is flashed only on safe power (the wizard waits for the adapter), and the
//    flash is recorded before the tool starts, so that a later run knows one that was cut off;
//  - the run ends once: it waits for every thread it started, removes the work files again
//    and, when the user chose it after an upgrade, starts the restart last.
//
// Threads: every call, and every task of the scheduler, comes from the front end's thread.
// The worker and the stage's closing (ending the tool, the read-back) run on threads of the
// run's and emit events from there; the clean-up runs on a thread of the run's and emits none.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "data/TextTable.h"
#include "engine/FirmwarePoll.h"
#include "engine/FirmwareReadBack.h"
#include "engine/RunTypes.h"
#include "engine/RunMode.h"
#include "engine/RunRecord.h"
#include "engine/Scheduler.h"
#include "engine/SessionEvent.h"
#include "engine/UpgradeEngine.h"
#include "engine/UpgradeWorker.h"
#include "engine/WorkFiles.h"
#include "platform/FileSecurity.h"
#include "platform/Mailslot.h"
#include "platform/Resources.h"
#include "platform/PowerStatus.h"
#include "platform/RegistryWriter.h"
#include "platform/SleepGuard.h"

namespace brevix {

// After a failure report the flashing tool gets this long to end by itself before it is ended
// (it was told to stop; its own clean-up of the device should not be cut).
constexpr std::uint32_t kToolFailureGraceMs = 3000;
constexpr std::uint32_t kToolEndCheckMs = 100;
// The stage's closing (the tool's end and the read-back) takes the read-back's own deadline and
// at most this much more (a read in flight, the tool's end); past it the run stops waiting, so
// that a Sensor API call that never returns cannot hold the run: the step fails.
constexpr std::uint64_t kClosingLimitMs = kReadBackTimeoutMs + 15000;
// As the run ends, a thread of its own still held in such a call gets this long; then the run
// ends without it.
constexpr std::uint64_t kThreadEndLimitMs = 5000;

// How long the run waits for a thread of its own that may be held in a call that never
// returns. Measured in real time, not on the run's clock: they guard against a thread that
// does not move, whatever the clock says. Tests shorten them.
struct ThreadLimits {
  std::uint64_t closingMs = kClosingLimitMs;
  std::uint64_t threadEndMs = kThreadEndLimitMs;
};

struct RunServices {
  EngineServices engine;
  ResourceSource& resources;         // the package
  FileSecurityReader& fileSecurity;  // vouches for programs started outside start-up's own folder
  // Makes the firmware mailslot; null when it cannot be made (the name is taken).
  std::function<std::unique_ptr<MailslotReader>()> openMailslot;
  std::u16string systemDirectory;  // where shutdown.exe is
  WorkingFolder folder;
  ThreadLimits limits = {};
  SleepGuard* sleepGuard = nullptr;  // the system stays awake through the upgrading stage
  PowerStatusSource* power = nullptr;  // the flash waits for safe power (none: not checked)
  RegistryWriter* record = nullptr;    // the flash's record and the run's summary (none: not kept)
};

// The firmware is flashed only on safe power. Where someone can plug the adapter in (the
// wizard), the firmware step waits for it this long, looking again every second and at once
// when the system says the power changed; an unattended run does not wait.
constexpr std::uint64_t kPowerWaitMs = 5 * 60 * 1000;
constexpr std::uint32_t kPowerRecheckMs = 1000;
constexpr std::uint32_t kPowerWaitSliceMs = 100;

// What the run leaves installed, as the report would show it.
struct InstalledVersions {
  std::u16string firmware, acpiDriver, sttubeDriver;
};

constexpr char16_t kMailslotFailureText[] = u"Failed to Create a mailslot.";
constexpr char kMailslotFailureLogText[] = "Failed to Create a mailslot.";
constexpr char kSessionEndedLogText[] = "The session ended during the upgrade";

// The wizard starts the worker a second after Upgrade and polls first two seconds later; a
// console run starts the worker at once and polls first 800 ms from its own start.
constexpr std::uint32_t kWizardWorkerDelayMs = 1000;
constexpr std::uint32_t kWizardFirstPollMs = 3000;
constexpr std::uint32_t kConsoleFirstPollMs = 800;

enum class RunPhase {
  Created,    // nothing done yet
  Open,       // the mailslot made; waiting for the licence's consent
  Extracted,  // the package unpacked (or tried); the checks may run
  Checked,    // the report is out; waiting for consent to upgrade, or Back
  Upgrading,  // the upgrading stage: nothing ends the run
  Finished,   // the stage is over, or nothing was to be upgraded; waiting for Finish
  Ended,      // every thread joined, the work files gone
};

class UpgradeRun : private FlashGate {
 public:
  UpgradeRun(const RunServices& services, const TextTable& texts, RunMode mode);
  // Ends the run (waits for its threads) if no intent ended it.
  ~UpgradeRun();
  UpgradeRun(const UpgradeRun&) = delete;
  UpgradeRun& operator=(const UpgradeRun&) = delete;

  // The front end: its sink takes the events, its scheduler runs the run's timers. Both stay
  // until the run has ended.
  void Attach(EventSink& sink, Scheduler& scheduler);
  // The front end goes: the run ends first if no intent ended it (waiting for its threads, whose
  // events still reach the sink), then nothing reaches the sink or the scheduler any more.
  void Detach();

  // Removes a status file an earlier run left and makes the mailslot; when that fails, a
  // FailureBox event says so and every read finds it empty (a flash then ends by its time-out).
  void Start();

  // ---- intents ----
  // Ignored where the run is not waiting for that consent.
  void Consent(RunConsent what);
  // From the checking report back: the checks may run again.
  void Back();
  // The user leaves. Refused (false) during the upgrading stage; else the run ends.
  bool Quit();
  // The finish page's restart choice: restart the system as the run ends.
  void ChooseRestart(bool restartNow) { restartChosen_ = restartNow; }
  // The session ends by force (a log-off or shutdown that would not wait): during the stage
  // the log says so before the process goes. From any thread.
  void SessionEnding();
  // The system says the power supply changed (WM_POWERBROADCAST): a firmware step waiting for
  // the adapter looks again at once. From any thread.
  void PowerChanged() { powerChanged_ = true; }
  // The versions installed as the run ends: the drivers read again, the firmware as read back
  // after a flash, else as the checks found it.
  InstalledVersions VersionsAtEnd() const;
  // Whether the upgrading stage runs (from any thread).
  bool StageRunning() const { return stageRunning_.load(); }
  // The finish page's Finish (the console's Enter at the end). Refused (false) during the
  // upgrading stage; else the run ends, with the restart when chosen after an upgrade.
  bool Finish();

  RunPhase Phase() const { return phase_; }
  RunEnding Ending() const;
  const TextTable& Texts() const { return texts_; }
  RunMode Mode() const { return mode_; }

 private:
  void Emit(SessionEvent event) { engine_.Emit(std::move(event)); }
  void ExtractPackage();
  void RunChecks();
  void StartUpgrade();
  void StartWorker();
  void PollTick();
  void EndStage();
  // The stage's hold on the system: awake, and the front ends refuse to end under it.
  void HoldStage(bool on);
  // The stage's closing, shared with its thread: the thread sets `done`; whoever claims the
  // step's result first (the read-back, or the run giving up on it) writes it.
  struct Closing {
    std::atomic<bool> done{false};
    std::atomic<bool> claimed{false};
    bool abandoned = false;  // the run stopped waiting (front end's thread only)
    std::u16string lastRead;  // the read-back's last read; read only once `done`
  };
  enum class ToolEnding {
    ReadBack,    // a success report: the tool is ended at once, then the firmware read back
    AfterGrace,  // a failure report: the tool may end by itself within kToolFailureGraceMs
    Now,         // the time-out: the tool is ended at once
  };
  void StartClosing(ToolEnding how);
  // On the closing thread: ends the tool as `how` says and, after a success report, reads the
  // firmware back and closes the firmware step.
  void CloseStage(ToolEnding how, Closing& closing) noexcept;
  // Plans the removal here and carries it out on the clean-up thread, after the worker and the
  // stage's closing have ended and after an earlier removal.
  void RemoveWorkFiles();
  void End();
  // Right before the flashing tool starts, on the worker's thread: the power rule (and the wait
  // for the adapter in the wizard), then the record of the flash.
  bool Open() override;
  // Removes what an earlier run left of the component folders, before the package is written:
  // a leftover beside the tool would fail its check and hold every later flash back.
  void RemoveLeftComponents();
  // Joins the clean-up, the worker and the stage's closing, where they were started.
  void WaitForThreads();
  // The system's restart, by the full path of shutdown.exe.
  void RestartSystem();

  RunServices services_;
  const TextTable& texts_;
  RunMode mode_;
  UpgradeEngine engine_;
  EventSink* sink_ = nullptr;
  Scheduler* scheduler_ = nullptr;
  RunPhase phase_ = RunPhase::Created;
  std::uint64_t startedAtMs_ = 0;

  RecordingFileSystem extractionFiles_;
  WorkSite site_;
  bool packageExtracted_ = false;
  std::vector<std::u16string> missingEntries_;  // entries the last extraction could not write
  bool checked_ = false;
  CheckReport report_;

  WorkerState state_;
  std::unique_ptr<MailslotReader> mailslot_;
  FirmwarePoll poll_;
  Scheduler::Timer pollTimer_ = Scheduler::kNoTimer;
  bool upgradeStarted_ = false;
  std::atomic<bool> stageRunning_{false};
  std::atomic<bool> powerChanged_{false};
  std::atomic<bool> flashRecorded_{false};  // the worker wrote the flash's record
  std::optional<FlashInProgress> unfinishedFlash_;  // an earlier run's flash that was cut off

  bool workerStarted_ = false;
  bool restartChosen_ = false;
  bool restartStarted_ = false;

  std::thread worker_;
  std::shared_ptr<Closing> closing_;  // none until the stage's closing starts
  std::thread closingThread_;
  std::chrono::steady_clock::time_point closingStarted_;
  std::thread cleanup_;  // waits for worker_ and the closing before it removes anything
};

}  // namespace brevix
