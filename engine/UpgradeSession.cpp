#include "engine/UpgradeSession.h"

#include "data/ResourcePackage.h"
#include "engine/FirmwareReadBack.h"

namespace brevix {

UpgradeSession::UpgradeSession(const SessionServices& services, const TextTable& texts, Audience audience)
    : services_(services),
      texts_(texts),
      engine_(services_.engine, texts_, audience),
      extractionFiles_(services_.engine.files),
      poll_(audience == Audience::Console ? PollOutput::Console : PollOutput::Wizard, PollTextsOf(texts_)) {
  site_.directory = services_.engine.files.CurrentDirectory();
  site_.ownDirectory = services_.ownWorkingDirectory;
  if (!services_.ownWorkingDirectory) engine_.TrustOnlyAdministrators(services_.fileSecurity);
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

UpgradeSession::~UpgradeSession() { StopWorker(); }

void UpgradeSession::Attach(EventSink& sink) { engine_.Attach(&sink); }

void UpgradeSession::Detach() {
  StopWorker();
  engine_.Attach(nullptr);
}

void UpgradeSession::Open() {
  if (site_.ownDirectory) services_.engine.files.RemoveFile(site_.directory + u"\\StatusInformation.dat");
  if (services_.openMailslot) mailslot_ = services_.openMailslot();
  if (mailslot_) return;
  mailslot_ = std::make_unique<ClosedMailslot>();
  services_.engine.log.AppendLogLine(kMailslotFailureLogText);
  engine_.Emit(SessionEvent::Of(SessionEvent::Kind::FailureBox, kMailslotFailureText));
}

bool UpgradeSession::ExtractPackage() {
  if (packageExtracted_) return true;
  const auto package = services_.resources.Find(kPackageResourceType, kPackageResourceId);
  const bool ok = package && brevix::ExtractPackage(*package, extractionFiles_);
  site_.extractedFiles = extractionFiles_.WrittenFiles();
  site_.createdDirectories = extractionFiles_.CreatedDirectories();
  packageExtracted_ = ok;
  return ok;
}

const CheckReport& UpgradeSession::RunChecks() {
  report_ = engine_.RunChecks();
  checked_ = true;
  return report_;
}

void UpgradeSession::StartUpgrade() {
  if (upgradeStarted_) return;
  upgradeStarted_ = true;
  // The report is copied: the worker reads its own, whatever the front end checks again.
  worker_ = std::thread([this, report = report_] { UpgradeWorker(engine_, report, state_); });
}

PollActions UpgradeSession::PollTick() {
  PollActions timer;
  if (!mailslot_ || poll_.Ended()) return timer;
  using Kind = SessionEvent::Kind;
  bool endTool = false, verifyFlash = false;
  for (PollAction& action : PollFirmware(poll_, engine_, report_, state_, *mailslot_)) {
    switch (action.kind) {
      case PollAction::EndTool:
        endTool = true;
        break;
      case PollAction::VerifyFlash:
        verifyFlash = true;
        break;
      case PollAction::SetPeriod:
      case PollAction::StopTimer:
        timer.push_back(std::move(action));
        break;
      case PollAction::StepStarted:
        engine_.Emit(SessionEvent::Of(Kind::StepStarted));
        break;
      case PollAction::StepEnded:
        engine_.Emit(SessionEvent::Of(Kind::StepEnded, std::move(action.text)));
        break;
      case PollAction::Text:
        engine_.Emit(SessionEvent::Of(Kind::Text, std::move(action.text)));
        break;
      case PollAction::Progress:
        engine_.Emit(SessionEvent::Of(Kind::Progress, {}, action.value));
        break;
      case PollAction::StageEnded:
        stageEnded_ = true;
        engine_.Emit(SessionEvent::Of(Kind::StageEnded));
        break;
      case PollAction::ReportError:
        break;  // the log's share, done by PollFirmware
    }
  }
  if (endTool || verifyFlash) {
    closing_ = std::thread([this, endTool, verifyFlash] { CloseFlash(endTool, verifyFlash); });
  }
  return timer;
}

void UpgradeSession::CloseFlash(bool endTool, bool verifyFlash) noexcept {
  using Kind = SessionEvent::Kind;
  try {
    if (endTool) EndFirmwareTool(state_);
    if (!verifyFlash) return;
    // The hub restarts into what was flashed: "Done." only when it reads as the packaged
    // firmware; a tool that reports success while the hub keeps its old firmware failed.
    const EngineServices& services = services_.engine;
    const ReadBackResult read =
        ReadBackFirmware(services.sensors, services.clock, services.standardOutput, report_.packagedFirmwareVersion);
    if (!read.matches) {
      services.log.ReportError("0xEE03000C", "Upgrading");
      state_.MarkStepFailed();
    }
    engine_.Emit(SessionEvent::Of(Kind::StepEnded, texts_.Text(read.matches ? u"Upgrade21" : u"Upgrade22")));
  } catch (...) {
    state_.MarkStepFailed();
    engine_.Emit(SessionEvent::Of(Kind::StepEnded, texts_.Text(u"Upgrade22")));
  }
  stageEnded_ = true;
  engine_.Emit(SessionEvent::Of(Kind::StageEnded));
}

void UpgradeSession::RemoveWorkFiles() {
  // Planned here, where the record of what was extracted is kept; carried out on the clean-up
  // thread, as starting cmd.exe and deleting files would hold the front end's thread up.
  WorkFileRemoval plan = PlanWorkFileRemoval(site_);
  if (cleanup_.joinable()) cleanup_.join();
  cleanup_ = std::thread([this, plan = std::move(plan)]() noexcept {
    try {
      if (closing_.joinable()) closing_.join();  // the flashing tool is gone first
      FileSystem& files = services_.engine.files;
      for (const std::u16string& file : plan.deleteFiles) files.RemoveFile(file);
      const std::u16string cmd = SystemProgram(services_.systemDirectory, u"cmd.exe");
      for (const std::u16string& parameters : plan.commandLines) {
        services_.engine.launcher.StartSystemProgram(cmd, parameters);
      }
      for (const std::u16string& directory : plan.removeDirectories) files.RemoveEmptyDirectory(directory);
    } catch (...) {
      // What is left stays on disk; the run's outcome does not depend on it.
    }
  });
}

void UpgradeSession::RestartSystem() {
  // The system's own program, by its full path: never one found in the working directory.
  services_.engine.launcher.StartSystemProgram(SystemProgram(services_.systemDirectory, u"shutdown.exe"),
                                               u"-r -t 0 -f");
  restartStarted_ = true;
}

void UpgradeSession::StopWorker() {
  if (worker_.joinable()) worker_.join();
  if (cleanup_.joinable()) cleanup_.join();  // before closing_: the clean-up may be joining it
  if (closing_.joinable()) closing_.join();
}

SessionOutcome UpgradeSession::Outcome() const {
  SessionOutcome o;
  o.upgradeStarted = upgradeStarted_;
  o.workDone = upgradeStarted_ || (checked_ && report_.allLatest);
  o.stageEnded = stageEnded_;
  o.stepFailed = state_.StepFailed();
  o.restartStarted = restartStarted_;
  return o;
}

}  // namespace brevix
