#include "engine/UpgradeRun.h"

#include <algorithm>
#include <chrono>

#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "data/TextKeys.h"
#include "engine/FirmwareReadBack.h"
#include "engine/InstalledDrivers.h"
#include "engine/PowerRule.h"

namespace brevix {
namespace {

// In real time (see ThreadLimits).
bool WaitUntilDone(const std::atomic<bool>& done, std::uint64_t limitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done.load()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The table's "Can not find upgrading ..." line of the component an entry belongs to.
const char* MissingComponentCode(const std::u16string& entry) {
  if (entry.starts_with(u"DRIVER\\ACPI\\")) return "0xEE010003";
  if (entry.starts_with(u"DRIVER\\STTUBE\\")) return "0xEE010005";
  if (entry.starts_with(u"DRIVER\\FIRMWARE\\")) return "0xEE010007";
  return nullptr;
}

void LogRecordFailureOn(UpgradeLog& log, const RecordWriteResult& result) {
  if (result.Ok()) return;
  std::string names;
  for (const std::u16string& name : result.failed) names += (names.empty() ? "" : ", ") + Utf16ToUtf8(name);
  log.AppendLogLine("Could not keep the run record (" + names + ")");
}

}  // namespace

UpgradeRun::UpgradeRun(const RunServices& services, const TextTable& texts, RunMode mode)
    : services_(services),
      texts_(texts),
      mode_(mode),
      engine_(services_.engine, texts_, mode),
      extractionFiles_(services_.engine.files),
      poll_(mode, PollTextsOf(texts_)) {
  site_.directory = services_.folder.path;
  site_.ownDirectory = services_.folder.Own();
  if (!site_.ownDirectory) engine_.TrustOnlyAdministrators(services_.fileSecurity);
  // The digests come from the program's own package, never from the disk they check.
  const auto package = services_.resources.Find(kPackageResourceType, kPackageResourceId);
  DigestRecordReadResult digests;
  if (package) digests = ReadPackagedDigestRecord(*package);
  if (digests.record) {
    engine_.SetPackageDigests(std::move(*digests.record));
  } else {
    // Every component then fails its check, with the table's "MD5 string" line.
    services_.engine.standardOutput.Print("Digest record unusable: " +
                                          (package ? digests.error.what : std::string("no package")) + "\n");
  }
}

UpgradeRun::~UpgradeRun() {
  try {
    End();
  } catch (...) {
    // Nothing may leave a destructor; the threads are joined by End before anything can throw.
  }
  engine_.Attach(nullptr);
}

void UpgradeRun::Attach(EventSink& sink, Scheduler& scheduler) {
  sink_ = &sink;
  scheduler_ = &scheduler;
  engine_.Attach(&sink);
}

void UpgradeRun::Detach() {
  End();
  engine_.Attach(nullptr);
  sink_ = nullptr;
  scheduler_ = nullptr;
}

void UpgradeRun::Start() {
  if (phase_ != RunPhase::Created) return;
  startedAtMs_ = services_.engine.clock.Milliseconds();
  phase_ = RunPhase::Open;
  // A flash an earlier run started and never saw end (power lost, the process killed, the
  // machine reset): this run flashes again, whatever the hub now reports.
  unfinishedFlash_ = ReadFlashInProgress(services_.engine.registry);
  if (unfinishedFlash_) services_.engine.log.ReportError(kUnfinishedFlashCode, kUnfinishedFlashSection);
  if (site_.ownDirectory) services_.engine.files.RemoveFile(site_.directory + u"\\StatusInformation.dat");
  if (services_.openMailslot) mailslot_ = services_.openMailslot();
  if (mailslot_) return;
  mailslot_ = std::make_unique<ClosedMailslot>();
  services_.engine.log.AppendLogLine(kMailslotFailureLogText);
  Emit(SessionEvent::Of(SessionEvent::Kind::FailureBox, kMailslotFailureText));
}

// ---- intents ----------------------------------------------------------------------------------

void UpgradeRun::Consent(RunConsent what) {
  switch (what) {
    case RunConsent::Licence:
      if (phase_ == RunPhase::Open || phase_ == RunPhase::Extracted) ExtractPackage();
      return;
    case RunConsent::Checks:
      if (phase_ == RunPhase::Extracted || phase_ == RunPhase::Checked) RunChecks();
      return;
    case RunConsent::Upgrade:
      if (phase_ == RunPhase::Checked && !report_.allLatest && scheduler_) StartUpgrade();
      return;
  }
}

void UpgradeRun::Back() {
  if (phase_ == RunPhase::Checked) phase_ = RunPhase::Extracted;
}

bool UpgradeRun::Quit() {
  if (phase_ == RunPhase::Upgrading) return false;
  End();
  return true;
}

bool UpgradeRun::Finish() {
  if (phase_ == RunPhase::Upgrading) return false;
  End();
  return true;
}

RunEnding UpgradeRun::Ending() const {
  // A failure outweighs everything after it: the machine is not where the run meant to take it.
  if (state_.StepFailed()) return RunEnding::Failed;
  if (restartStarted_) return RunEnding::RestartStarted;
  if (upgradeStarted_) return RunEnding::Upgraded;
  if (checked_ && report_.allLatest) return RunEnding::Current;
  return RunEnding::Quit;
}

// ---- the order ----------------------------------------------------------------------------------

void UpgradeRun::ExtractPackage() {
  phase_ = RunPhase::Extracted;
  if (packageExtracted_) return;
  RemoveLeftComponents();
  const auto package = services_.resources.Find(kPackageResourceType, kPackageResourceId);
  ExtractionResult result;
  if (package) result = brevix::ExtractPackage(*package, extractionFiles_);
  site_.extractedFiles = extractionFiles_.WrittenFiles();
  site_.createdDirectories = extractionFiles_.CreatedDirectories();
  packageExtracted_ = result.Whole();
  missingEntries_ = result.unwritten;
  if (!result.packageRead) return;  // nothing written: the next consent tries again
  // A component that is not there whole is named with the table's line, once.
  std::vector<const char*> reported;
  for (const std::u16string& entry : result.unwritten) {
    services_.engine.standardOutput.Print("Could not write " + PrintableName(entry) + "\n");
    const char* code = MissingComponentCode(entry);
    if (!code || std::find(reported.begin(), reported.end(), code) != reported.end()) continue;
    reported.push_back(code);
    services_.engine.log.ReportError(code, "Preparing");
  }
}

void UpgradeRun::RunChecks() {
  // Nothing is judged from a file that is not there: with part of the package missing the
  // checks never find everything current, and the run has failed.
  const bool packageWhole = packageExtracted_ && missingEntries_.empty();
  report_ = engine_.RunChecks(packageWhole, unfinishedFlash_.has_value());
  if (!packageWhole) state_.MarkStepFailed();
  if (unfinishedFlash_) Emit(SessionEvent::Of(SessionEvent::Kind::Text, texts_.Text(text::kLastFlashUnfinished) + u"\r\n"));
  // A warning, not a refusal: the adapter may be plugged in while the drivers install.
  if (report_.firmwareNeedsUpgrade && services_.power && CheckFlashPower(*services_.power) != FlashPower::Allowed) {
    Emit(SessionEvent::Of(SessionEvent::Kind::Text, texts_.Text(text::kPowerNeeded) + u"\r\n"));
  }
  checked_ = true;
  phase_ = RunPhase::Checked;
  if (report_.allLatest) {
    // Nothing to upgrade: the work is over but for the user's Finish.
    phase_ = RunPhase::Finished;
    RemoveWorkFiles();
  }
  Emit(SessionEvent::Checked(SessionEvent::Kind::ChecksDone, report_.allLatest));
}

void UpgradeRun::StartUpgrade() {
  phase_ = RunPhase::Upgrading;
  upgradeStarted_ = true;
  HoldStage(true);
  Emit(SessionEvent::Of(SessionEvent::Kind::StageStarted));
  const auto firstPoll = [this] {
    pollTimer_ = scheduler_->Every(kPollPeriodMs, [this] { PollTick(); });
    PollTick();
  };
  if (mode_ == RunMode::Wizard) {
    scheduler_->After(kWizardWorkerDelayMs, [this] { StartWorker(); });
    pollTimer_ = scheduler_->After(kWizardFirstPollMs, firstPoll);
    return;
  }
  const std::uint64_t elapsed = services_.engine.clock.Milliseconds() - startedAtMs_;
  const std::uint32_t wait = elapsed >= kConsoleFirstPollMs ? 0 : std::uint32_t(kConsoleFirstPollMs - elapsed);
  pollTimer_ = scheduler_->After(wait, firstPoll);
  StartWorker();
}

void UpgradeRun::StartWorker() {
  if (workerStarted_ || phase_ != RunPhase::Upgrading) return;
  workerStarted_ = true;
  // The report is copied: the worker reads its own.
  worker_ = std::thread([this, report = report_] { UpgradeWorker(engine_, report, state_, this); });
}

void UpgradeRun::PollTick() {
  if (phase_ != RunPhase::Upgrading) return;
  if (sink_) sink_->ShowPending();  // what the worker reported comes before what the poll makes of it
  if (!poll_.Ended()) {
    PollStep step = PollFirmware(poll_, engine_, report_, state_, *mailslot_);
    for (SessionEvent& event : step.events) Emit(std::move(event));
    if (step.closeFlash) {
      StartClosing(ToolEnding::ReadBack);
    } else if (poll_.Ended() && state_.ToolStarted()) {
      // A failure report or the time-out: the tool goes before anything is removed. One that
      // reported may end by itself; one that said nothing for the whole time-out is ended now.
      StartClosing(poll_.Outcome() == PollOutcome::TimedOut ? ToolEnding::Now : ToolEnding::AfterGrace);
    }
  }
  if (!poll_.Ended()) return;
  if (closing_ && !closing_->done.load() &&
      std::chrono::steady_clock::now() - closingStarted_ >= std::chrono::milliseconds(services_.limits.closingMs)) {
    // A read-back held in a call that does not return: the run stops waiting for it.
    if (!closing_->claimed.exchange(true)) {
      services_.engine.log.ReportError("0xEE03000C", "Upgrading");
      state_.MarkStepFailed();
      Emit(SessionEvent::Of(SessionEvent::Kind::StepEnded, texts_.Text(text::kStepFailed)));
    }
    closing_->abandoned = true;
  }
  if (!closing_ || closing_->done.load() || closing_->abandoned) EndStage();
}

void UpgradeRun::StartClosing(ToolEnding how) {
  closing_ = std::make_shared<Closing>();
  closingStarted_ = std::chrono::steady_clock::now();
  closingThread_ = std::thread([this, how, closing = closing_] { CloseStage(how, *closing); });
}

void UpgradeRun::CloseStage(ToolEnding how, Closing& closing) noexcept {
  using Kind = SessionEvent::Kind;
  // Copies: once the run stops waiting for this thread it may go, and the thread then touches
  // nothing of it (the services themselves live as long as the process's run).
  const EngineServices services = services_.engine;
  const std::u16string packaged = report_.packagedFirmwareVersion;
  try {
    if (how == ToolEnding::AfterGrace) {
      LaunchedProcess* tool = state_.Tool();
      const std::uint64_t start = services.clock.Milliseconds();
      while (tool && tool->Running() && services.clock.Milliseconds() - start < kToolFailureGraceMs) {
        services.clock.Sleep(kToolEndCheckMs);
      }
    }
    if (LaunchedProcess* tool = state_.Tool(); tool && tool->Running()) EndFirmwareTool(state_);
    if (how == ToolEnding::ReadBack) {
      // The hub restarts into what was flashed: "Done." only when it reads as the packaged
      // firmware; a tool that reports success while the hub keeps its old firmware failed.
      const ReadBackResult read = ReadBackFirmware(services.sensors, services.clock, services.standardOutput, packaged);
      closing.lastRead = read.lastRead;
      if (!closing.claimed.exchange(true)) {
        if (!read.matches) {
          services.log.ReportError("0xEE03000C", "Upgrading");
          state_.MarkStepFailed();
        }
        Emit(SessionEvent::Of(Kind::StepEnded, texts_.Text(read.matches ? text::kStepDone : text::kStepFailed)));
      }
    }
  } catch (...) {
    if (how == ToolEnding::ReadBack && !closing.claimed.exchange(true)) {
      state_.MarkStepFailed();
      Emit(SessionEvent::Of(Kind::StepEnded, texts_.Text(text::kStepFailed)));
    }
  }
  closing.done = true;
}

bool UpgradeRun::Open() {
  const EngineServices& services = services_.engine;
  if (services_.power) {
    FlashPower power = CheckFlashPower(*services_.power);
    if (power != FlashPower::Allowed) {
      Emit(SessionEvent::Of(SessionEvent::Kind::Text, texts_.Text(text::kPowerNeeded) + u"\r\n"));
      // Someone at the wizard can plug the adapter in; nobody can for an unattended run.
      if (mode_ == RunMode::Wizard) {
        const std::uint64_t start = services.clock.Milliseconds();
        std::uint64_t lastCheck = start;
        while (power != FlashPower::Allowed && services.clock.Milliseconds() - start < kPowerWaitMs) {
          services.clock.Sleep(kPowerWaitSliceMs);
          const std::uint64_t now = services.clock.Milliseconds();
          if (!powerChanged_.exchange(false) && now - lastCheck < kPowerRecheckMs) continue;
          lastCheck = now;
          power = CheckFlashPower(*services_.power);
        }
        if (power != FlashPower::Allowed) power = CheckFlashPower(*services_.power);  // at the deadline
      }
      if (power != FlashPower::Allowed) {
        services.log.ReportError(kPowerRefusalCode, kPowerRefusalSection);
        return false;
      }
    }
  }
  // Written before the tool starts, cleared once the flash has been read back: a record a
  // later run finds means this flash was cut off.
  if (services_.record) {
    LogRecordFailureOn(services.log, WriteFlashInProgress(*services_.record, report_.packagedFirmwareVersion,
                                                          services.clock.UtcNow()));
    flashRecorded_ = true;
  }
  return true;
}

void UpgradeRun::RemoveLeftComponents() {
  // Only in start-up's own folder, which only administrators can change; elsewhere what is
  // there may be the user's.
  if (!site_.ownDirectory) return;
  FileSystem& files = services_.engine.files;
  for (const char16_t* name : {u"DRIVER", u"ErrorCode.ini", u"PidVid"}) {
    RemoveTreeNoLinks(files, site_.directory + u"\\" + name);
  }
}

InstalledVersions UpgradeRun::VersionsAtEnd() const {
  InstalledVersions v{report_.installedFirmwareVersion, report_.installedAcpiVersion, report_.installedSttubeVersion};
  if (closing_ && closing_->done.load() && !closing_->lastRead.empty()) v.firmware = closing_->lastRead;
  if (upgradeStarted_) {
    v.acpiDriver = InstalledDriverVersion(DriverKind::Acpi, services_.engine.registry);
    v.sttubeDriver = InstalledDriverVersion(DriverKind::Sttube, services_.engine.registry);
  }
  return v;
}

void UpgradeRun::HoldStage(bool on) {
  stageRunning_ = on;
  if (services_.sleepGuard) services_.sleepGuard->KeepAwake(on);
}

void UpgradeRun::SessionEnding() {
  if (stageRunning_.load()) services_.engine.log.AppendLogLine(kSessionEndedLogText);
}

void UpgradeRun::EndStage() {
  if (scheduler_) scheduler_->Cancel(pollTimer_);
  pollTimer_ = Scheduler::kNoTimer;
  phase_ = RunPhase::Finished;
  HoldStage(false);
  // The flash is over in a known way (read back, a failure report, the time-out, a tool that
  // never started): the next run has nothing to finish. Not so for a read-back the run stopped
  // waiting for: what the hub holds is not known, and the next run flashes again.
  const bool closingAbandoned = closing_ && closing_->abandoned && !closing_->done.load();
  if (flashRecorded_.load() && services_.record && !closingAbandoned) {
    LogRecordFailureOn(services_.engine.log, ClearFlashInProgress(*services_.record));
  }
  RemoveWorkFiles();
  Emit(SessionEvent::Checked(SessionEvent::Kind::StageEnded, false));
}

void UpgradeRun::RemoveWorkFiles() {
  // Planned here, where the record of what was extracted is kept; carried out on the clean-up
  // thread, as deleting a tree of files would hold the front end's thread up.
  WorkFileRemoval plan = PlanWorkFileRemoval(site_);
  if (cleanup_.joinable()) cleanup_.join();
  cleanup_ = std::thread([this, plan = std::move(plan), closing = closing_]() noexcept {
    try {
      // Nothing is removed while the worker, the installer it waits for, or the tool may use it
      // (the stage's closing ends the tool before anything else, within its limit).
      if (worker_.joinable()) worker_.join();
      if (closing) WaitUntilDone(closing->done, services_.limits.threadEndMs);
      CarryOutRemoval(plan, services_.engine.files);
    } catch (...) {
      // What is left stays on disk; the run's outcome does not depend on it.
    }
  });
}

void UpgradeRun::End() {
  if (phase_ == RunPhase::Ended) return;
  const bool restart = restartChosen_ && upgradeStarted_ && phase_ == RunPhase::Finished;
  if (stageRunning_.load()) HoldStage(false);  // a run ended under its stage (its front end went)
  if (scheduler_) scheduler_->Cancel(pollTimer_);
  pollTimer_ = Scheduler::kNoTimer;
  // The last clean-up: whatever the run left goes, after every thread of the run has ended.
  if (phase_ != RunPhase::Created) RemoveWorkFiles();
  WaitForThreads();
  phase_ = RunPhase::Ended;
  if (restart) RestartSystem();
  Emit(SessionEvent::Of(SessionEvent::Kind::RunEnded));
}

void UpgradeRun::WaitForThreads() {
  // The clean-up first: it may be joining the worker.
  if (cleanup_.joinable()) cleanup_.join();
  if (worker_.joinable()) worker_.join();
  if (!closingThread_.joinable()) return;
  if (WaitUntilDone(closing_->done, services_.limits.threadEndMs)) {
    closingThread_.join();
  } else {
    // Held in a call that never returns (the Sensor API): the run ends without it. It owns its
    // share of the closing's state, and emits nothing once the run stopped waiting for it.
    closingThread_.detach();
  }
}

void UpgradeRun::RestartSystem() {
  // The system's own program, by its full path: never one found in the working directory.
  restartStarted_ = services_.engine.launcher.StartSystemProgram(
      SystemProgram(services_.systemDirectory, u"shutdown.exe"), u"-r -t 0 -f");
}

}  // namespace brevix
