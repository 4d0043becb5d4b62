#pragma once
// One upgrade session: the run itself, whichever front end shows it. It owns the engine, the
// worker thread, the firmware mailslot and its poll, the package's extraction with the record
// of what was written, and the clean-up; it reports through one stream of event values
// (SessionEvent) that the attached front end consumes on its own thread.
//
// Threads: every call is made on the front end's thread. The worker, the stage's closing
// (ending the flashing tool, reading the flashed firmware back: both wait) and the clean-up
// (deleting files, starting cmd.exe) run on threads of the session's; only the first two emit
// events. The sink must stay attached until StopWorker() has returned.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "data/TextTable.h"
#include "engine/FirmwarePoll.h"
#include "engine/SessionEvent.h"
#include "engine/UpgradeEngine.h"
#include "engine/UpgradeWorker.h"
#include "engine/WorkFiles.h"
#include "platform/FileSecurity.h"
#include "platform/Mailslot.h"
#include "platform/Resources.h"

namespace brevix {

struct SessionServices {
  EngineServices engine;
  ResourceSource& resources;         // the package
  FileSecurityReader& fileSecurity;  // vouches for programs started from an inherited directory
  // Makes the firmware mailslot; null when it cannot be made (the name is taken).
  std::function<std::unique_ptr<MailslotReader>()> openMailslot;
  std::u16string systemDirectory;    // where cmd.exe and shutdown.exe are
  bool ownWorkingDirectory = false;  // start-up made its own working directory current
};

constexpr char16_t kMailslotFailureText[] = u"Failed to Create a mailslot.";
constexpr char kMailslotFailureLogText[] = "Failed to Create a mailslot.";

// What the session came to; the exit code is decided from it.
struct SessionOutcome {
  bool workDone = false;        // the checks found everything current, or an upgrade was started
  bool upgradeStarted = false;  // the worker was started
  bool stageEnded = false;      // the upgrading stage is over
  bool stepFailed = false;      // any "Failed!", tool failure report or time-out
  bool restartStarted = false;  // the restart was started
};

class UpgradeSession {
 public:
  UpgradeSession(const SessionServices& services, const TextTable& texts, Audience audience);
  // Waits for the worker.
  ~UpgradeSession();
  UpgradeSession(const UpgradeSession&) = delete;
  UpgradeSession& operator=(const UpgradeSession&) = delete;

  // The front end that consumes the events; before Open.
  void Attach(EventSink& sink);
  // After StopWorker: nothing emits any more.
  void Detach();
  // The window that owns the driver installer's start (the wizard's); none for a console.
  void SetInstallerOwner(void* window) { engine_.SetInstallerOwner(window); }

  // Removes a status file an earlier run left and makes the mailslot; when that fails, a
  // FailureBox event says so and every read finds it empty (a flash then ends by its time-out).
  void Open();

  // Unpacks the package into the working directory unless that succeeded before.
  bool ExtractPackage();
  bool PackageExtracted() const { return packageExtracted_; }

  // The checking phase: the report goes to the front end as text and comes back as a value.
  const CheckReport& RunChecks();
  const CheckReport& Report() const { return report_; }

  // Starts the worker thread, once per session.
  void StartUpgrade();
  // One tick of the firmware poll (the front end's timer): the stage's events are emitted;
  // what is left is the timer's (SetPeriod, StopTimer), in order. When the flashing tool
  // reports success, the tool is ended and the firmware read back on a thread of the
  // session's, which then closes the step and ends the stage: the front end's thread never
  // waits for either, and the stage never ends before the tool is gone.
  PollActions PollTick();

  // Removes the work files: in start-up's own directory the fixed set, elsewhere only what this
  // session extracted. Returns at once: the removal runs on a thread of the session's, after
  // the stage's closing (so never before the flashing tool is gone) and after an earlier
  // removal. May be called more than once; StopWorker waits for it.
  void RemoveWorkFiles();
  // Starts the system's restart, by the full path of shutdown.exe.
  void RestartSystem();
  // Waits for the worker, the clean-up and the stage's closing, where they were started.
  void StopWorker();

  SessionOutcome Outcome() const;
  const TextTable& Texts() const { return texts_; }

 private:
  // The closing thread: ends the tool and, after a success report, reads the firmware back;
  // then closes the firmware step and ends the stage.
  void CloseFlash(bool endTool, bool verifyFlash) noexcept;

  SessionServices services_;
  const TextTable& texts_;
  UpgradeEngine engine_;
  RecordingFileSystem extractionFiles_;
  WorkSite site_;
  bool packageExtracted_ = false;
  bool checked_ = false;
  CheckReport report_;
  WorkerState state_;
  std::thread worker_;
  std::thread closing_;
  std::thread cleanup_;  // joins closing_ before it removes anything
  std::unique_ptr<MailslotReader> mailslot_;
  FirmwarePoll poll_;
  bool upgradeStarted_ = false;
  std::atomic<bool> stageEnded_{false};
  bool restartStarted_ = false;
};

}  // namespace brevix
