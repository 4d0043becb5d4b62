#include "app/ConsoleFrontEnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "engine/EngineFakes.h"
#include "engine/UpgradeSession.h"

namespace brevix {
namespace {

using testing::EngineMachine;

constexpr char16_t kLicence[] = u"Varnek\u00AE licence\r\nterms";

// The worker sleeps on its thread while the console's loop waits on its own: one clock, safe
// for both, that moves on by every sleep.
class SharedClock : public Clock {
 public:
  LocalTime Now() override { return LocalTime{2014, 1, 2, 9, 5, 3, 7}; }
  void Sleep(std::uint32_t ms) override { elapsed_ += ms; }
  std::uint64_t Milliseconds() override { return elapsed_.load(); }

 private:
  std::atomic<std::uint64_t> elapsed_{0};
};

class NoSecurity : public FileSecurityReader {
 public:
  std::optional<ObjectSecurity> Read(const std::u16string&) override { return std::nullopt; }
};

// A mailslot the flashing tool's stand-in writes to from the worker thread.
class SharedMailslot : public MailslotReader {
 public:
  void Write(Bytes message) {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(std::move(message));
  }
  std::optional<Bytes> ReadMessage() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (messages_.empty()) return std::nullopt;
    Bytes m = std::move(messages_.front());
    messages_.pop_front();
    return m;
  }

 private:
  std::mutex mutex_;
  std::deque<Bytes> messages_;
};

// A silent run on the engine's fake machine, in start-up's own working directory: the package
// holds what the disk holds, the installers record the packaged drivers at once, and the
// flashing tool reports what `flash` holds once it runs.
struct ConsoleRun {
  EngineMachine m;
  SharedClock clock;
  testing::RecordingLogFile logFile;
  UpgradeLog log{m.profile, clock, logFile};
  NoSecurity security;  // start-up's own directory: nothing is asked
  bool mailslotMade = true;
  SharedMailslot* mailslot = nullptr;
  std::vector<Bytes> flash;
  bool flashTakes = true;  // the hub runs the packaged firmware once the tool has run
  std::vector<std::u16string> boxes;

  ConsoleRun() {
    m.launcher.startResult = 42;
    m.devices.controlOpens = false;
    // The installer updates the driver's instance key ("0000", which the test installed).
    m.launcher.onStart = [this](const std::u16string& file) {
      const bool sttube = file.find(u"\\STTUBE\\dpinst.exe") != std::u16string::npos;
      const DriverKind kind = sttube ? DriverKind::Sttube : DriverKind::Acpi;
      auto& values = m.registry.keys[std::u16string(DriverClassKey(kind)) + u"\\0000"].values;
      values[u"DriverDate"] = sttube ? u"7-5-2012" : u"8-6-2013";
      values[u"DriverVersion"] = sttube ? u"3.0.4.0" : u"1.1.0";
    };
    m.launcher.onResume = [this] {
      if (flashTakes) m.sensors.sensors = {testing::HubSensor(u"221212-0")};
      for (const Bytes& message : flash) mailslot->Write(message);
    };
    m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe")] = Bytes{1};
  }

  // The session's services on this machine, its package made of what the disk holds now.
  SessionServices Services() {
    m.PackDriverFolder();  // the program's package: what the disk holds now, with its digests
    m.texts = TextTable::Load(m.language, kEnglishTableId, kLicence);
    return SessionServices{
        EngineServices{m.files, m.profile, m.registry, m.sensors, m.devices, m.launcher, clock, m.standardOutput, log,
                       m.digests},
        m.resources,
        security,
        [this]() -> std::unique_ptr<MailslotReader> {
          if (!mailslotMade) return nullptr;
          auto made = std::make_unique<SharedMailslot>();
          mailslot = made.get();
          return made;
        },
        u"C:\\Windows\\system32",
        true};
  }

  // Runs the session through the console front end; returns the console's text.
  std::u16string RunSilent(SessionOutcome& outcome) {
    UpgradeSession session(Services(), m.texts, Audience::Console);
    ConsoleFrontEnd front(m.console, clock, [this](const std::u16string& text) { boxes.push_back(text); });
    front.RunSilent(session);
    outcome = session.Outcome();
    return m.console.written;
  }

  int CleanUps() const {
    int n = 0;
    for (const std::string& start : m.launcher.started) n += start.find("cmd.exe /c rd ") != std::string::npos;
    return n;
  }
};

const std::u16string kInstalledCurrent =
    u"Installed Varnek(R) Brevix Firmware Version 221212-\r\n"
    u"Installed Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
    u"Installed Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n";
const std::u16string kPackaged =
    u"Upgrading Varnek(R) Brevix Firmware Version 221212\r\n"
    u"Upgrading Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
    u"Upgrading Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n";
const std::u16string kStart = std::u16string(kLicence) + u"\r\n\r\n";

TEST(ConsoleFrontEnd, EverythingCurrentAsksForEnterAndCleansUpTwice) {
  ConsoleRun run;
  run.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"8-6-2013", u"1.1.0");
  run.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"7-5-2012", u"3.0.4.0");
  SessionOutcome outcome;
  EXPECT_EQ(run.RunSilent(outcome), kStart + kInstalledCurrent + kPackaged +
                                        u"Installed drivers are all latest, press Enter key to quit.\r\n\r\n");
  EXPECT_EQ(run.m.console.enterWaits, 1);
  EXPECT_TRUE(outcome.workDone);
  EXPECT_FALSE(outcome.upgradeStarted);
  EXPECT_EQ(run.CleanUps(), 2);  // at the end of the work, and again as the run ends
  EXPECT_TRUE(run.boxes.empty());
}

TEST(ConsoleFrontEnd, UpgradeRunsTheWorkerAndThePollToTheClosingTexts) {
  using testing::DfuMessage;
  const std::u16string older =
      u"Installed Varnek(R) Brevix Firmware Version 221211-\r\n"
      u"Installed Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
      u"Installed Varnek(R) Brevix STTube Driver Version 01/02/2012,3.0.4.0\r\n\r\n";
  const std::u16string closing = u"Upgrade Finished!\r\nPress enter key to quit...";
  const struct {
    const char* what;
    bool mailslotMade;
    std::vector<Bytes> flash;
    std::u16string upgrade;  // after the report and its blank line
    bool flashTakes;         // the hub reads as the packaged firmware after the flash
    bool failed;
    std::vector<std::u16string> boxes;
  } cases[] = {
      {"STTube and a flash in steps",
       true,
       {DfuMessage(0, 2), DfuMessage(0, 4, 40), DfuMessage(0, 4, 30), DfuMessage(0, 4, 100), DfuMessage(0, 5)},
       u"Upgrading Varnek(R) Brevix STTube Driver . . . Done.\r\n"
       u"Finding device . . . Done.\r\n"
       u"Upgrading Varnek(R) Brevix Firmware 40%\r\n"
       u"Upgrading Varnek(R) Brevix Firmware 100%\r\n"
       u"Upgrading Varnek(R) Brevix Firmware . . . Done.\r\n" +
           closing,
       true,
       false,
       {}},
      // A tool that reports success while the hub keeps its old firmware failed.
      {"a flash that did not take",
       true,
       {DfuMessage(0, 2), DfuMessage(0, 4, 100), DfuMessage(0, 5)},
       u"Upgrading Varnek(R) Brevix STTube Driver . . . Done.\r\n"
       u"Finding device . . . Done.\r\n"
       u"Upgrading Varnek(R) Brevix Firmware 100%\r\n"
       u"Upgrading Varnek(R) Brevix Firmware . . . Failed!\r\n" +
           closing,
       false,
       true,
       {}},
      {"a failure report", true, {DfuMessage(1, 2)},
       u"Upgrading Varnek(R) Brevix STTube Driver . . . Done.\r\nFinding device . . . Failed!\r\n" + closing, false, true,
       {}},
  };
  for (const auto& c : cases) {
    ConsoleRun run;
    run.m.sensors.sensors = {testing::HubSensor(u"221211-0")};
    run.flashTakes = c.flashTakes;
    run.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"8-6-2013", u"1.1.0");
    run.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"1-2-2012", u"3.0.4.0");
    run.mailslotMade = c.mailslotMade;
    run.flash = c.flash;
    SessionOutcome outcome;
    const std::u16string transcript = run.RunSilent(outcome);
    EXPECT_EQ(transcript, kStart + older + kPackaged +
                              u"Old drivers are as below\r\nVarnek(R) Brevix Firmware\r\n"
                              u"Varnek(R) Brevix STTube Driver\r\n\r\n" +
                              c.upgrade)
        << c.what;
    EXPECT_EQ(run.m.console.enterWaits, 1) << c.what;
    EXPECT_TRUE(outcome.upgradeStarted) << c.what;
    EXPECT_TRUE(outcome.stageEnded) << c.what;
    EXPECT_EQ(outcome.stepFailed, c.failed) << c.what;
    const bool mismatchLogged =
        !run.logFile.lines.empty() && run.logFile.lines.back().find("(0xEE03000C)") != std::string::npos;
    EXPECT_EQ(mismatchLogged, c.what == std::string("a flash that did not take")) << c.what;
    EXPECT_EQ(run.boxes, c.boxes) << c.what;
    EXPECT_EQ(run.CleanUps(), 2) << c.what;
  }
}

TEST(ConsoleFrontEnd, MailslotThatCannotBeMadeIsWrittenNotBoxedAndADriversOnlyRunGoesOn) {
  ConsoleRun run;
  run.mailslotMade = false;
  run.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"6-21-2013", u"1.0.0.5");
  run.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"7-5-2012", u"3.0.4.0");
  SessionOutcome outcome;
  const std::u16string transcript = run.RunSilent(outcome);
  // Nothing holds an unattended run: the text goes first to the console, and to the log.
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ(transcript.rfind(u"Failed to Create a mailslot.\r\n" + kStart, 0), 0u) << Utf16ToUtf8(transcript);
  ASSERT_EQ(run.logFile.lines.size(), 1u);
  EXPECT_EQ(run.logFile.lines[0], "2014/01/02 09:05:03:007 Failed to Create a mailslot.\r\n");
  EXPECT_TRUE(transcript.ends_with(u"Upgrading Varnek(R) Brevix ACPI Driver . . . Done.\r\n"
                                   u"Upgrade Finished!\r\nPress enter key to quit..."))
      << Utf16ToUtf8(transcript);
  EXPECT_FALSE(outcome.stepFailed);
  EXPECT_TRUE(outcome.stageEnded);
}

// The clean-up runs off the caller's thread and never before the stage's closing is over: a
// removal asked for while the read-back is still going (a window closed mid-stage) returns at
// once and starts nothing until the stage has ended.
TEST(UpgradeSessionCleanUp, WaitsForTheStagesClosingOffTheCallersThread) {
  using namespace std::chrono_literals;
  ConsoleRun run;
  run.m.sensors.sensors = {testing::HubSensor(u"221211-0")};
  run.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"8-6-2013", u"1.1.0");
  run.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"7-5-2012", u"3.0.4.0");
  run.flash = {testing::DfuMessage(0, 2), testing::DfuMessage(0, 4, 100), testing::DfuMessage(0, 5)};

  struct StageWatch : EventSink {
    std::atomic<bool> ended{false};
    void Emit(SessionEvent event) override {
      if (event.kind == SessionEvent::Kind::StageEnded) ended = true;
    }
  } watch;
  std::atomic<int> cleanUpsBeforeStageEnd{0};
  const auto install = run.m.launcher.onStart;
  run.m.launcher.onStart = [&, install](const std::u16string& file) {
    if (file.ends_with(u"\\cmd.exe")) {
      cleanUpsBeforeStageEnd += watch.ended ? 0 : 1;
    } else {
      install(file);
    }
  };
  // Once the tool runs, the next sensor session (the read-back's) is held until released.
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> armed{false}, holding{false}, heldDone{false};
  const auto resume = run.m.launcher.onResume;
  run.m.launcher.onResume = [&, resume] {
    resume();
    armed = true;
  };
  run.m.sensors.onOpenSession = [&] {
    if (!armed.exchange(false)) return;
    holding = true;
    released.wait_for(10s);
    heldDone = true;
  };

  UpgradeSession session(run.Services(), run.m.texts, Audience::Console);
  session.Attach(watch);
  session.Open();
  ASSERT_FALSE(session.RunChecks().allLatest);
  session.StartUpgrade();
  for (int tick = 0; tick < 2000 && !holding; ++tick) {
    run.clock.Sleep(75);
    session.PollTick();
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_TRUE(holding) << "the read-back never started";
  session.RemoveWorkFiles();
  EXPECT_FALSE(heldDone) << "the caller's thread waited for the stage's closing";
  std::this_thread::sleep_for(50ms);  // time enough for a clean-up that did not wait to start
  release.set_value();
  session.StopWorker();
  session.Detach();
  EXPECT_TRUE(watch.ended);
  EXPECT_EQ(run.CleanUps(), 1);
  EXPECT_EQ(cleanUpsBeforeStageEnd, 0);
}

}  // namespace
}  // namespace brevix
