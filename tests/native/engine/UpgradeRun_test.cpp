#include "engine/UpgradeRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "engine/RunMachine.h"

namespace brevix {
namespace {

using namespace std::chrono_literals;
using testing::DfuMessage;
using testing::RunMachine;

// The run's timers on the machine's clock, moved on by hand: each step sleeps the clock to the
// earliest task and runs it. Every request is noted with its delay.
class FakeScheduler : public Scheduler {
 public:
  explicit FakeScheduler(Clock& clock) : clock_(clock) {}
  Timer After(std::uint32_t ms, std::function<void()> task) override { return Add(ms, 0, std::move(task)); }
  Timer Every(std::uint32_t ms, std::function<void()> task) override { return Add(ms, ms, std::move(task)); }
  void Cancel(Timer timer) override {
    std::erase_if(entries_, [timer](const Entry& e) { return e.id == timer; });
  }
  // Runs due tasks in time order until `done` holds or no task waits (false then). Real time
  // passes too, for the run's own threads.
  bool RunUntil(const std::function<bool()>& done, int maxSteps = 5000) {
    for (int step = 0; step < maxSteps && !done(); ++step) {
      if (entries_.empty()) return false;
      auto next = std::min_element(entries_.begin(), entries_.end(),
                                   [](const Entry& a, const Entry& b) { return a.due < b.due; });
      const std::uint64_t now = clock_.Milliseconds();
      if (next->due > now) clock_.Sleep(std::uint32_t(next->due - now));
      std::function<void()> task = next->task;
      if (next->period == 0) {
        entries_.erase(next);
      } else {
        next->due += next->period;
      }
      task();
      std::this_thread::sleep_for(200us);
    }
    return done();
  }
  std::vector<std::uint32_t> requested;  // the delays asked for, in order
  std::size_t Waiting() const { return entries_.size(); }

 private:
  struct Entry {
    Timer id;
    std::uint64_t due;
    std::uint32_t period;
    std::function<void()> task;
  };
  Timer Add(std::uint32_t ms, std::uint32_t period, std::function<void()> task) {
    requested.push_back(ms);
    entries_.push_back(Entry{++last_, clock_.Milliseconds() + ms, period, std::move(task)});
    return last_;
  }
  Clock& clock_;
  std::vector<Entry> entries_;
  Timer last_ = 0;
};

// The events as strings, with the thread-safe queue a front end would have.
class Events : public EventSink {
 public:
  void Emit(SessionEvent event) override {
    std::lock_guard<std::mutex> lock(mutex_);
    view_.Emit(std::move(event));
  }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return view_.calls;
  }
  bool Saw(const std::string& call) {
    const auto calls = Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
  int showPending = 0;
  void ShowPending() override { ++showPending; }

 private:
  std::mutex mutex_;
  testing::RecordingView view_;
};

// A wizard run on the machine: one older firmware and one older STTube driver.
struct WizardRun {
  RunMachine machine;
  Events events;
  std::unique_ptr<FakeScheduler> scheduler;
  std::unique_ptr<UpgradeRun> run;

  struct AwakeLog : SleepGuard {
    std::vector<bool> calls;
    void KeepAwake(bool on) override { calls.push_back(on); }
  } awake;

  explicit WizardRun(RunMode mode = RunMode::Wizard, ThreadLimits limits = {}) {
    machine.m.sensors.sensors = {testing::HubSensor(u"221211-0")};
    machine.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"8-6-2013", u"1.1.0");
    machine.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"1-2-2012", u"3.0.4.0");
    machine.flash = {DfuMessage(0, 2), DfuMessage(0, 4, 100), DfuMessage(0, 5)};
    scheduler = std::make_unique<FakeScheduler>(machine.clock);
    RunServices services = machine.Services();
    services.limits = limits;
    services.sleepGuard = &awake;
    run = std::make_unique<UpgradeRun>(services, machine.m.texts, mode);
    run->Attach(events, *scheduler);
    run->Start();
  }
  ~WizardRun() { run->Detach(); }
  void ToChecked() {
    run->Consent(RunConsent::Licence);
    run->Consent(RunConsent::Checks);
  }
  bool UpgradeToStageEnd() {
    run->Consent(RunConsent::Upgrade);
    return scheduler->RunUntil([this] { return run->Phase() == RunPhase::Finished; });
  }
  // The package's folders the extraction asked for (each extraction asks for "DRIVER" once per
  // folder below it).
  int Extractions() const {
    return int(std::count(machine.m.files.createCalls.begin(), machine.m.files.createCalls.end(), u"DRIVER"));
  }
};

TEST(UpgradeRun, OwnsTheOrderFromConsentToTheEnd) {
  WizardRun w;
  EXPECT_EQ(w.run->Phase(), RunPhase::Open);
  w.run->Consent(RunConsent::Upgrade);  // nothing to consent to yet
  w.run->Consent(RunConsent::Checks);
  EXPECT_EQ(w.run->Phase(), RunPhase::Open);
  EXPECT_EQ(w.scheduler->Waiting(), 0u);

  w.ToChecked();
  EXPECT_EQ(w.run->Phase(), RunPhase::Checked);
  EXPECT_TRUE(w.events.Saw("checked:older"));
  EXPECT_TRUE(w.machine.m.launcher.started.empty());

  w.run->Consent(RunConsent::Upgrade);
  EXPECT_EQ(w.run->Phase(), RunPhase::Upgrading);
  // The wizard's order: the worker a second after Upgrade, the first poll two seconds later.
  EXPECT_EQ(w.scheduler->requested, (std::vector<std::uint32_t>{kWizardWorkerDelayMs, kWizardFirstPollMs}));
  EXPECT_TRUE(w.machine.m.launcher.started.empty()) << "the worker started before its time";
  // Nothing ends the run while the stage runs.
  EXPECT_FALSE(w.run->Quit());
  EXPECT_FALSE(w.run->Finish());
  w.run->Back();
  w.run->Consent(RunConsent::Checks);
  EXPECT_EQ(w.run->Phase(), RunPhase::Upgrading);

  ASSERT_TRUE(w.scheduler->RunUntil([&] { return w.run->Phase() == RunPhase::Finished; }));
  EXPECT_EQ(w.scheduler->Waiting(), 0u) << "the poll's timer outlived the stage";
  EXPECT_EQ(w.scheduler->requested.at(2), std::uint32_t(kPollPeriodMs)) << "the poll's own period after its first tick";
  EXPECT_GT(w.events.showPending, 0);
  const auto calls = w.events.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "stage end");
  EXPECT_EQ(calls[calls.size() - 2], "end: . . . Done.\r\n") << "the read-back's result comes before the stage's end";
  EXPECT_TRUE(w.run->Finish());
  EXPECT_EQ(w.run->Phase(), RunPhase::Ended);
  EXPECT_EQ(w.events.Calls().back(), "run end");
  EXPECT_EQ(w.run->Ending(), RunEnding::Upgraded);
  EXPECT_EQ(w.machine.CleanUps(), 2);  // at the stage's end and as the run ends
  EXPECT_TRUE(w.run->Quit());           // an ended run stays ended
  EXPECT_EQ(w.machine.CleanUps(), 2);
}

TEST(UpgradeRun, ExtractsOnceAndTriesAFailedExtractionAgain) {
  WizardRun w;
  Bytes& package = w.machine.m.resources.items.at({kPackageResourceType, kPackageResourceId});
  const Bytes whole = package;
  package.resize(8);  // a package that does not read: nothing is extracted
  w.run->Consent(RunConsent::Licence);
  EXPECT_EQ(w.Extractions(), 0);
  package = whole;
  w.run->Consent(RunConsent::Licence);
  const int once = w.Extractions();
  EXPECT_GT(once, 0);
  w.run->Consent(RunConsent::Licence);  // Accept, Back, Accept
  EXPECT_EQ(w.Extractions(), once);
}

TEST(UpgradeRun, BackLetsTheChecksRunAgain) {
  WizardRun w;
  w.ToChecked();
  w.run->Back();
  EXPECT_EQ(w.run->Phase(), RunPhase::Extracted);
  w.run->Consent(RunConsent::Checks);
  const auto calls = w.events.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "checked:older"), 2);
  EXPECT_EQ(w.run->Phase(), RunPhase::Checked);
  ASSERT_TRUE(w.UpgradeToStageEnd());
}

TEST(UpgradeRun, AllLatestEndsTheWorkWithoutAnUpgradeOrARestart) {
  WizardRun w;
  w.machine.m.sensors.sensors = {testing::HubSensor(u"221212-0")};
  w.machine.m.registry.keys[std::u16string(DriverClassKey(DriverKind::Sttube)) + u"\\0000"].values[u"DriverDate"] =
      u"7-5-2012";
  w.ToChecked();
  EXPECT_TRUE(w.events.Saw("checked:latest"));
  EXPECT_EQ(w.run->Phase(), RunPhase::Finished);
  w.run->Consent(RunConsent::Upgrade);  // nothing to upgrade: ignored
  EXPECT_EQ(w.scheduler->Waiting(), 0u);
  w.run->ChooseRestart(true);  // no upgrade ran: no restart
  EXPECT_TRUE(w.run->Finish());
  EXPECT_EQ(w.run->Ending(), RunEnding::Current);
  EXPECT_EQ(w.machine.CleanUps(), 2);
  for (const std::string& start : w.machine.m.launcher.started) EXPECT_EQ(start.find("shutdown.exe"), std::string::npos);
}

// An entry that cannot be written fails the run with its component's table line, and nothing
// is judged from the file that is not there: the report never says all is current.
TEST(UpgradeRun, AnEntryThatCannotBeWrittenFailsTheRun) {
  struct Case {
    std::u16string entry;
    const char* logged;
  } cases[] = {
      {u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf", "Can not find upgrading ACPI driver (0xEE010003)"},
      {u"DRIVER\\FIRMWARE\\File\\" + std::u16string(testing::EngineMachine::kFirmwareFile),
       "Can not find upgrading firmware (0xEE010007)"},
  };
  for (const auto& c : cases) {
    WizardRun w;
    // Everything is current, but a folder stands where the entry goes.
    w.machine.m.sensors.sensors = {testing::HubSensor(u"221212-0")};
    w.machine.m.registry.keys[std::u16string(DriverClassKey(DriverKind::Sttube)) + u"\\0000"].values[u"DriverDate"] =
        u"7-5-2012";
    // (with a file in it that cannot be deleted, so that the clean-up before extraction cannot
    // take the folder away either)
    const std::u16string place = testing::EngineMachine::Path(c.entry);
    w.machine.m.files.files.erase(place);
    w.machine.m.files.directories[place] = FileSystem::kDirectoryAttribute;
    w.machine.m.files.files[place + u"\\kept"] = Bytes{1};
    w.machine.m.files.fileAttributes[place + u"\\kept"] = 1;  // read-only
    w.ToChecked();
    EXPECT_TRUE(w.events.Saw("checked:older")) << Utf16ToUtf8(c.entry);
    for (const std::string& call : w.events.Calls()) EXPECT_EQ(call.find("all latest"), std::string::npos) << call;
    bool logged = false;
    for (const std::string& line : w.machine.logFile.lines) logged = logged || line.find(c.logged) != std::string::npos;
    EXPECT_TRUE(logged) << c.logged;
    w.run->Quit();
    EXPECT_EQ(w.run->Ending(), RunEnding::Failed) << Utf16ToUtf8(c.entry);
  }
}

TEST(UpgradeRun, QuitBeforeTheUpgradeEndsTheRunAndCleansUpOnce) {
  WizardRun w;
  w.ToChecked();
  EXPECT_TRUE(w.run->Quit());
  EXPECT_EQ(w.run->Phase(), RunPhase::Ended);
  EXPECT_EQ(w.run->Ending(), RunEnding::Quit);
  EXPECT_EQ(w.machine.CleanUps(), 1);
  w.run->Consent(RunConsent::Upgrade);  // an ended run starts nothing
  EXPECT_EQ(w.scheduler->Waiting(), 0u);
  EXPECT_EQ(w.machine.CleanUps(), 1);
}

// The restart is the last thing the run does, after the clean-up, and counts only when the
// system's shutdown.exe started.
TEST(UpgradeRun, RestartComesLastAndCountsOnlyWhenStarted) {
  for (const bool shutdownStarts : {true, false}) {
    WizardRun w;
    std::vector<std::string> order;  // the clean-ups and the restart's start
    const auto install = w.machine.m.launcher.onStart;
    w.machine.m.launcher.onStart = [&, install](const std::u16string& file) {
      if (file.ends_with(u"\\shutdown.exe")) {
        order.push_back("shutdown");
        if (!shutdownStarts) w.machine.m.launcher.startResult = 2;
      } else {
        install(file);
      }
    };
    w.machine.onCleanUp = [&] { order.push_back("clean-up"); };
    w.ToChecked();
    ASSERT_TRUE(w.UpgradeToStageEnd());
    w.run->ChooseRestart(true);
    EXPECT_TRUE(w.run->Finish());
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order.back(), "shutdown") << shutdownStarts;
    EXPECT_EQ(std::count(order.begin(), order.end(), "shutdown"), 1);
    EXPECT_EQ(w.run->Ending(), shutdownStarts ? RunEnding::RestartStarted : RunEnding::Upgraded);
  }
}

TEST(UpgradeRun, AFailureOutweighsTheRestart) {
  WizardRun w;
  w.machine.flash = {DfuMessage(1, 2)};  // the tool finds no device
  w.ToChecked();
  ASSERT_TRUE(w.UpgradeToStageEnd());
  w.run->ChooseRestart(true);
  w.run->Finish();
  EXPECT_EQ(w.run->Ending(), RunEnding::Failed);
}

TEST(UpgradeRun, ConsoleStartsTheWorkerAtOnceAndPollsFirst800MsFromItsStart) {
  WizardRun w(RunMode::Silent);
  w.machine.clock.Sleep(300);  // the licence, the extraction and the checks took this long
  w.ToChecked();
  w.run->Consent(RunConsent::Upgrade);
  ASSERT_EQ(w.scheduler->requested.size(), 1u);
  EXPECT_EQ(w.scheduler->requested[0], kConsoleFirstPollMs - 300);
  ASSERT_TRUE(w.scheduler->RunUntil([&] { return w.run->Phase() == RunPhase::Finished; }));
  EXPECT_EQ(w.run->Ending(), RunEnding::Upgraded);
}

// The stage's end, and its clean-up, wait for the read-back on the closing thread; the front
// end's thread never does: a tick during the read-back returns at once and ends nothing.
TEST(UpgradeRun, StageEndsOnlyAfterTheReadBackAndNothingIsRemovedBefore) {
  WizardRun w;
  std::atomic<int> cleanUpsBeforeStageEnd{0};
  w.machine.onCleanUp = [&] { cleanUpsBeforeStageEnd += w.events.Saw("stage end") ? 0 : 1; };
  // Once the tool runs, the next sensor session (the read-back's) is held until released.
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> armed{false}, holding{false};
  const auto resume = w.machine.m.launcher.onResume;
  w.machine.m.launcher.onResume = [&, resume] {
    resume();
    armed = true;
  };
  w.machine.m.sensors.onOpenSession = [&] {
    if (!armed.exchange(false)) return;
    holding = true;
    released.wait_for(10s);
  };
  w.ToChecked();
  w.run->Consent(RunConsent::Upgrade);
  ASSERT_TRUE(w.scheduler->RunUntil([&] { return holding.load(); }));
  // Ticks go on while the read-back holds: they neither wait nor end the stage.
  for (int i = 0; i < 20; ++i) w.scheduler->RunUntil([] { return false; }, 1);
  EXPECT_EQ(w.run->Phase(), RunPhase::Upgrading);
  EXPECT_FALSE(w.run->Quit());
  release.set_value();
  ASSERT_TRUE(w.scheduler->RunUntil([&] { return w.run->Phase() == RunPhase::Finished; }));
  w.run->Finish();
  EXPECT_EQ(cleanUpsBeforeStageEnd, 0);
  EXPECT_EQ(w.machine.CleanUps(), 2);
}

// The flashing tool is gone before anything is removed: after a failure report it may end by
// itself within its grace, after the time-out it is ended at once.
TEST(UpgradeRun, TheToolIsEndedAfterAFailureAndAfterTheTimeOut) {
  struct Case {
    const char* what;
    std::vector<Bytes> flash;
    bool endsItself;
  } cases[] = {
      {"failure report, the tool stays", {DfuMessage(1, 5)}, false},
      {"failure report, the tool ends itself", {DfuMessage(1, 5)}, true},
      {"no word from the tool: the time-out", {}, false},
  };
  for (const auto& c : cases) {
    WizardRun w;
    w.machine.flash = c.flash;
    std::atomic<int> toolAliveAtCleanUp{0};
    w.machine.onCleanUp = [&] {
      const auto tool = w.machine.m.launcher.lastTracked;
      if (tool && tool->running) ++toolAliveAtCleanUp;
    };
    if (c.endsItself) {
      const auto resume = w.machine.m.launcher.onResume;
      w.machine.m.launcher.onResume = [&, resume] {
        resume();
        w.machine.m.launcher.lastTracked->running = false;
      };
    }
    w.ToChecked();
    ASSERT_TRUE(w.UpgradeToStageEnd()) << c.what;
    w.run->Finish();
    ASSERT_TRUE(w.machine.m.launcher.lastTracked) << c.what;
    EXPECT_EQ(w.machine.m.launcher.lastTracked->endTreeCalls, c.endsItself ? 0 : 1) << c.what;
    EXPECT_EQ(toolAliveAtCleanUp, 0) << c.what;
    EXPECT_EQ(w.run->Ending(), RunEnding::Failed) << c.what;
  }
}

// A Sensor API call that never returns holds the read-back: the run stops waiting past its
// limit, the step fails with the table's line, and the run still ends.
TEST(UpgradeRun, AReadBackThatNeverReturnsDoesNotHoldTheRun) {
  WizardRun w(RunMode::Silent, ThreadLimits{200, 100});
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> armed{false};
  const auto resume = w.machine.m.launcher.onResume;
  w.machine.m.launcher.onResume = [&, resume] {
    resume();
    armed = true;
  };
  w.machine.m.sensors.onOpenSession = [&] {
    if (armed.exchange(false)) released.wait_for(30s);
  };
  w.ToChecked();
  w.run->Consent(RunConsent::Upgrade);
  ASSERT_TRUE(w.scheduler->RunUntil([&] { return w.run->Phase() == RunPhase::Finished; }, 100000));
  EXPECT_TRUE(w.events.Saw("end: . . . Failed!\r\n"));
  EXPECT_TRUE(w.run->Finish());
  EXPECT_EQ(w.run->Phase(), RunPhase::Ended);
  EXPECT_EQ(w.run->Ending(), RunEnding::Failed);
  bool logged = false;
  for (const std::string& line : w.machine.logFile.lines) logged = logged || line.find("(0xEE03000C)") != std::string::npos;
  EXPECT_TRUE(logged);
  // The thread left behind comes back later; it writes nothing more.
  const auto calls = w.events.Calls().size();
  release.set_value();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(w.events.Calls().size(), calls);
}

// The power supply as a notebook's: on battery at `percent` until the clock reaches `acFromMs`
// (never: no adapter is plugged in), then on AC.
class Notebook : public PowerStatusSource {
 public:
  Notebook(Clock& clock, std::uint8_t percent, std::optional<std::uint64_t> acFromMs)
      : clock_(clock), percent_(percent), acFrom_(acFromMs) {}
  std::optional<PowerFacts> Read() override {
    const bool ac = acFrom_ && clock_.Milliseconds() >= *acFrom_;
    return PowerFacts{std::uint8_t(ac ? kAcOnline : kAcOffline), 2, percent_};
  }

 private:
  Clock& clock_;
  std::uint8_t percent_;
  std::optional<std::uint64_t> acFrom_;
};

// The firmware is flashed only on safe power: the checks warn, and right before the tool the
// rule is taken again. The wizard waits for the adapter (up to 5 minutes), a silent run does
// not; the drivers' steps stay done either way.
TEST(UpgradeRun, TheFlashWaitsForSafePower) {
  const std::string powerText = "log:Connect the power adapter: the firmware is upgraded only on AC power with the "
                                "battery charged to at least 25%.\r\n";
  struct Case {
    const char* what;
    RunMode mode;
    std::uint8_t percent;
    std::optional<std::uint64_t> acFromMs;  // from the run's start
    bool flashed;
  } cases[] = {
      {"/S on battery at 20 %: no wait, no flash", RunMode::Silent, 20, std::nullopt, false},
      {"wizard, on battery at 80 %, the adapter plugged in after a minute", RunMode::Wizard, 80, 60000, true},
      {"wizard, at 20 %: the adapter alone is not enough", RunMode::Wizard, 20, 60000, false},
      {"wizard, no adapter for 5 minutes", RunMode::Wizard, 80, std::nullopt, false},
  };
  for (const auto& c : cases) {
    WizardRun w(c.mode);
    Notebook notebook(w.machine.clock, c.percent, c.acFromMs);
    w.run.reset();  // made again below, with the power source
    RunServices services = w.machine.Services();
    services.power = &notebook;
    w.run = std::make_unique<UpgradeRun>(services, w.machine.m.texts, c.mode);
    w.run->Attach(w.events, *w.scheduler);
    w.run->Start();
    w.ToChecked();
    const auto atChecks = w.events.Calls();
    EXPECT_NE(std::find(atChecks.begin(), atChecks.end(), powerText), atChecks.end()) << c.what << ": no warning";
    ASSERT_TRUE(w.UpgradeToStageEnd()) << c.what;
    w.run->Finish();
    EXPECT_EQ(w.machine.m.launcher.lastTracked != nullptr, c.flashed) << c.what;
    EXPECT_TRUE(w.events.Saw("end: . . . Done.\r\n")) << c.what << ": the driver step";
    EXPECT_EQ(w.run->Ending(), c.flashed ? RunEnding::Upgraded : RunEnding::Failed) << c.what;
    bool logged = false;
    for (const std::string& line : w.machine.logFile.lines) {
      logged = logged || line.find("Firmware upgrade needs AC power and a battery charge of at least 25% (0xEE03000F)") !=
                             std::string::npos;
    }
    EXPECT_EQ(logged, !c.flashed) << c.what;
    if (c.mode == RunMode::Wizard && c.flashed) {
      EXPECT_GE(w.machine.clock.Milliseconds(), 60000u) << c.what << ": the flash did not wait";
    }
  }
}

// A flash is recorded before the tool starts and the record cleared after its read-back; a
// record an earlier run left means its flash was cut off: this run says so and flashes again,
// whatever the hub reports. What an earlier run left in the component folders goes first.
TEST(UpgradeRun, ACutOffFlashIsRecognisedAndFlashedAgain) {
  const std::u16string mark(kFlashInProgressVersionValue);
  {
    WizardRun w;
    bool recordedAtStart = false;
    const auto resume = w.machine.m.launcher.onResume;
    w.machine.m.launcher.onResume = [&, resume] {
      recordedAtStart = w.machine.m.registry.keys[kRunRecordKey].values.count(mark) == 1;
      resume();
    };
    w.ToChecked();
    ASSERT_TRUE(w.UpgradeToStageEnd());
    w.run->Finish();
    EXPECT_TRUE(recordedAtStart);
    EXPECT_EQ(w.machine.m.registry.keys[kRunRecordKey].values.count(mark), 0u) << "cleared after the read-back";
  }
  WizardRun w;
  // The hub reads as the packaged firmware, but the last flash never finished.
  w.machine.m.sensors.sensors = {testing::HubSensor(u"221212-0")};
  w.machine.m.registry.keys[kRunRecordKey].values[mark] = u"221212";
  // The record is read as the run starts: start again, on the disk as a cut-off run leaves it.
  const auto disk = w.machine.m.files.files;
  w.run->Detach();
  w.machine.m.files.files = disk;
  const RunServices services = w.machine.Services();
  // A file the tool wrote beside itself in the cut-off run (not in the package).
  const std::u16string leftover = testing::EngineMachine::Path(u"DRIVER\\FIRMWARE\\Tool\\dfu-invocations.log");
  w.machine.m.files.files[leftover] = Bytes{1};
  w.run = std::make_unique<UpgradeRun>(services, w.machine.m.texts, RunMode::Wizard);
  w.run->Attach(w.events, *w.scheduler);
  w.run->Start();
  w.run->Consent(RunConsent::Licence);
  EXPECT_EQ(w.machine.m.files.files.count(leftover), 0u) << "the leftover stayed";
  w.run->Consent(RunConsent::Checks);
  EXPECT_TRUE(w.events.Saw("log:The last firmware upgrade did not finish; the firmware will be upgraded again.\r\n"));
  ASSERT_TRUE(w.UpgradeToStageEnd());
  w.run->Finish();
  EXPECT_TRUE(w.machine.m.launcher.lastTracked) << "the firmware was not flashed again";
  bool logged = false;
  for (const std::string& line : w.machine.logFile.lines) {
    logged = logged || line.find("The previous firmware upgrade did not finish (0xEE030010)") != std::string::npos;
  }
  EXPECT_TRUE(logged);
}

// The system stays awake from the stage's start to its end, and a session's forced end during
// it leaves its line in the log; before and after the stage nothing is held.
TEST(UpgradeRun, TheStageHoldsTheSystemAwakeAndLogsAForcedSessionEnd) {
  WizardRun w;
  w.ToChecked();
  w.run->SessionEnding();  // before the stage: nothing to say
  w.run->Consent(RunConsent::Upgrade);
  EXPECT_EQ(w.awake.calls, std::vector<bool>{true});
  EXPECT_TRUE(w.run->StageRunning());
  EXPECT_TRUE(w.events.Saw("stage start"));
  w.run->SessionEnding();
  ASSERT_TRUE(w.scheduler->RunUntil([&] { return w.run->Phase() == RunPhase::Finished; }));
  EXPECT_EQ(w.awake.calls, (std::vector<bool>{true, false}));
  EXPECT_FALSE(w.run->StageRunning());
  int lines = 0;
  for (const std::string& line : w.machine.logFile.lines) lines += line.find(kSessionEndedLogText) != std::string::npos;
  EXPECT_EQ(lines, 1);
}

}  // namespace
}  // namespace brevix
