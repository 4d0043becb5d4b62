#include "engine/FirmwarePoll.h"

#include <gtest/gtest.h>

#include <set>

#include "EngineFakes.h"
#include "engine/FirmwareMailslot.h"
#include "engine/UpgradeEngine.h"
#include "engine/UpgradeWorker.h"

namespace brevix {
namespace {

using testing::DfuMessage;
using testing::FakeMailslot;
using Lines = std::vector<std::string>;

const PollTexts kTexts{u"Upgrading Varnek\u00AE Firmware", u"Upgrade firmware failed!", u" . . . Done.\r\n",
                       u" . . . Failed!\r\n"};

constexpr PollFacts kFlashing{true, true, true, true};         // worker over, tool running
constexpr PollFacts kWorkerRunning{true, false, false, false};  // drivers being installed
constexpr PollFacts kToolStarting{true, false, true, true};     // tool started, worker returning

// One tick as lines: the events, the log's reports, then how the tick ends the stage ("close
// flash": after the read-back; "stage end": at once).
Lines Show(const PollStep& step, bool endedNow) {
  Lines shown;
  for (const SessionEvent& e : step.events) {
    switch (e.kind) {
      case SessionEvent::Kind::StepStarted: shown.push_back("step"); break;
      case SessionEvent::Kind::StepEnded: shown.push_back("end" + Utf16ToUtf8(e.text)); break;
      case SessionEvent::Kind::Text: shown.push_back("text " + Utf16ToUtf8(e.text)); break;
      case SessionEvent::Kind::Progress: shown.push_back("progress " + std::to_string(e.percent)); break;
      default: shown.push_back("?"); break;
    }
  }
  for (const auto& r : step.logReports) shown.push_back("report " + r.code + " " + r.section);
  if (step.closeFlash) shown.push_back("close flash");
  else if (endedNow) shown.push_back("stage end");
  return shown;
}

const std::string kDone = "end . . . Done.\r\n";
const std::string kFailed = "end . . . Failed!\r\n";

// A poll on a fake mailslot, ticking every 75 ms.
struct Poll {
  FakeMailslot mailslot;
  FirmwarePoll poll;
  std::uint64_t now = 1000;
  explicit Poll(RunMode output = RunMode::Wizard) : poll(output, kTexts) {}
  Lines Tick(const PollFacts& facts = kFlashing) {
    now += kPollPeriodMs;
    const bool ended = poll.Ended();
    const PollStep step = poll.Tick(facts, now, mailslot);
    return Show(step, !ended && poll.Ended());
  }
  // A poll past its first tick, the tool running.
  static Poll Flashing(RunMode output = RunMode::Wizard) {
    Poll p(output);
    p.Tick();
    return p;
  }
  void Send(Bytes message) { mailslot.messages.push_back(std::move(message)); }
};

TEST(DfuProgressMessage, ExactlySixLittleEndianBytes) {
  struct Case {
    Bytes bytes;
    std::optional<DfuProgressMessage> message;
  } cases[] = {
      {{0, 0, 4, 0, 20, 0}, DfuProgressMessage{0, 4, 20}},
      {{1, 0, 2, 0, 0, 0}, DfuProgressMessage{1, 2, 0}},
      {{0x34, 0x12, 0xFF, 0xFF, 0x01, 0x80}, DfuProgressMessage{0x1234, 0xFFFF, 0x8001}},
      {{}, std::nullopt},
      {{0, 0, 4, 0, 20}, std::nullopt},
      {{0, 0, 4, 0, 20, 0, 0}, std::nullopt},
      {Bytes(12, 0), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeDfuMessage(c.bytes), c.message) << c.bytes.size() << " bytes";
}

TEST(FirmwarePoll, EveryMessageOfTheToolsContract) {
  struct Case {
    const char* what;
    RunMode output;
    Bytes message;
    Lines actions;
    PollOutcome outcome;
  } cases[] = {
      {"failure 1: integrity", RunMode::Wizard, DfuMessage(1, 1),
       {kFailed, "report 0xEE020003 Checking", "stage end"}, PollOutcome::FailureReported},
      {"failure 2: no device", RunMode::Wizard, DfuMessage(1, 2),
       {kFailed, "report 0xEE030004 Upgrading", "stage end"}, PollOutcome::FailureReported},
      {"failure 3: cannot enter DFU", RunMode::Wizard, DfuMessage(1, 3),
       {kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE03000A Upgrading", "stage end"},
       PollOutcome::FailureReported},
      {"failure 5: upgrade failed", RunMode::Wizard, DfuMessage(7, 5),
       {kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE030003 Upgrading", "stage end"},
       PollOutcome::FailureReported},
      {"failure 6: cannot leave DFU", RunMode::Silent, DfuMessage(1, 6),
       {kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE03000D Upgrading", "stage end"},
       PollOutcome::FailureReported},
      {"failure 7: cannot enable", RunMode::Wizard, DfuMessage(0xFFFF, 7),
       {kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE03000E Upgrading", "stage end"},
       PollOutcome::FailureReported},
      {"failure 4: not logged", RunMode::Wizard, DfuMessage(1, 4, 50), {kFailed, "stage end"},
       PollOutcome::FailureReported},
      {"failure 0: not logged", RunMode::Wizard, DfuMessage(1, 0), {kFailed, "stage end"},
       PollOutcome::FailureReported},
      {"failure 8: not logged", RunMode::Wizard, DfuMessage(1, 8), {kFailed, "stage end"},
       PollOutcome::FailureReported},
      {"device found", RunMode::Wizard, DfuMessage(0, 2), {kDone}, PollOutcome::Running},
      {"first progress, wizard", RunMode::Wizard, DfuMessage(0, 4, 30),
       {"text Upgrading Varnek\u00AE Firmware", "step", "progress 30"}, PollOutcome::Running},
      {"first progress, console", RunMode::Silent, DfuMessage(0, 4, 30),
       {"text Upgrading Varnek(R) Firmware 30%\r\n", "progress 30"}, PollOutcome::Running},
      {"progress past 100 counts as 100", RunMode::Silent, DfuMessage(0, 4, 250),
       {"text Upgrading Varnek(R) Firmware 100%\r\n", "progress 100"}, PollOutcome::Running},
      {"progress 0", RunMode::Wizard, DfuMessage(0, 4, 0), {}, PollOutcome::Running},
      // The step is closed, and the stage ended, by whoever reads the flashed firmware back.
      {"success, wizard", RunMode::Wizard, DfuMessage(0, 5), {"close flash"},
       PollOutcome::Succeeded},
      {"success, console", RunMode::Silent, DfuMessage(0, 5),
       {"text Upgrading Varnek(R) Firmware", "close flash"}, PollOutcome::Succeeded},
      {"report 1", RunMode::Wizard, DfuMessage(0, 1), {}, PollOutcome::Running},
      {"report 3", RunMode::Wizard, DfuMessage(0, 3), {}, PollOutcome::Running},
      {"report 9", RunMode::Wizard, DfuMessage(0, 9), {}, PollOutcome::Running},
  };
  for (const auto& c : cases) {
    Poll p = Poll::Flashing(c.output);
    p.Send(c.message);
    EXPECT_EQ(p.Tick(), c.actions) << c.what;
    EXPECT_EQ(p.poll.Outcome(), c.outcome) << c.what;
    if (p.poll.Ended()) {
      // An ended stage stays ended: later ticks neither act nor read.
      p.Send(DfuMessage(1, 2));
      const int reads = p.mailslot.reads;
      EXPECT_EQ(p.Tick(), Lines{}) << c.what;
      EXPECT_EQ(p.mailslot.reads, reads) << c.what;
    }
  }
}

// A failure is shown where it happens: it closes the step that runs, and when the device was
// found and no progress came yet, the firmware's own line is written for it to close.
TEST(FirmwarePoll, AFailureClosesTheStepThatRuns) {
  const std::string title = "text Upgrading Varnek\u00AE Firmware";
  const std::string consoleTitle = "text Upgrading Varnek(R) Firmware";
  struct Case {
    const char* what;
    RunMode mode;
    std::vector<Bytes> before;  // one a tick
    Lines atFailure;
  } cases[] = {
      {"wizard, after a progress report", RunMode::Wizard, {DfuMessage(0, 2), DfuMessage(0, 4, 30)},
       {kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE030003 Upgrading", "stage end"}},
      {"wizard, device found, no progress yet", RunMode::Wizard, {DfuMessage(0, 2)},
       {title, "step", kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE030003 Upgrading",
        "stage end"}},
      {"console, after a progress report", RunMode::Silent, {DfuMessage(0, 2), DfuMessage(0, 4, 30)},
       {consoleTitle, kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE030003 Upgrading",
        "stage end"}},
      {"console, device found, no progress yet", RunMode::Silent, {DfuMessage(0, 2)},
       {consoleTitle, kFailed, "text Upgrade firmware failed!", "text \r\n", "report 0xEE030003 Upgrading",
        "stage end"}},
  };
  for (const auto& c : cases) {
    Poll p = Poll::Flashing(c.mode);
    for (const Bytes& m : c.before) {
      p.Send(m);
      p.Tick();
    }
    p.Send(DfuMessage(1, 5));
    EXPECT_EQ(p.Tick(), c.atFailure) << c.what;
  }
}

TEST(FirmwarePoll, ProgressTakesOnlyRisingValuesOneMessagePerTick) {
  struct Case {
    RunMode output;
    std::vector<Lines> ticks;
  } cases[] = {
      {RunMode::Wizard,
       {{"text Upgrading Varnek\u00AE Firmware", "step", "progress 10"}, {}, {"progress 20"}, {}, {}}},
      {RunMode::Silent,
       {{"text Upgrading Varnek(R) Firmware 10%\r\n", "progress 10"}, {}, {"text Upgrading Varnek(R) Firmware 20%\r\n", "progress 20"}, {}, {}}},
  };
  for (const auto& c : cases) {
    Poll p = Poll::Flashing(c.output);
    for (std::uint16_t value : {10, 5, 20, 20, 0}) p.Send(DfuMessage(0, 4, value));  // all waiting at once
    std::vector<Lines> ticks;
    for (int i = 0; i < 5; ++i) ticks.push_back(p.Tick());
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(p.poll.BestPercent(), 20);
    EXPECT_EQ(p.poll.EmptyPolls(), 1);  // the first tick only
  }
}

TEST(FirmwarePoll, StageNeverEndsUnderARunningWorker) {
  struct Case {
    const char* what;
    PollFacts running, finished;
    Bytes message;  // waiting in the mailslot all along (empty: none)
    Lines atEnd;
    PollOutcome outcome;
    bool readOnEnd;
  } cases[] = {
      {"drivers only", {false, false, false, false}, {false, true, false, false}, {}, {"stage end"},
       PollOutcome::DriversOnly, false},
      {"drivers only, a message waiting", {false, false, false, false}, {false, true, false, false},
       DfuMessage(0, 5), {"stage end"}, PollOutcome::DriversOnly, false},
      // The worker is over and the tool never started: no report can come.
      {"tool not started", kWorkerRunning, {true, true, false, false}, {}, {kFailed, "stage end"},
       PollOutcome::ToolNotStarted, false},
      // The worker refused the tool (its files failed their check) and closed the step itself.
      {"tool refused, step closed", kWorkerRunning, {true, true, false, false, true}, {}, {"stage end"},
       PollOutcome::ToolNotStarted, false},
      {"success sent while the worker returns", kToolStarting, kFlashing, DfuMessage(0, 5),
       {"close flash"}, PollOutcome::Succeeded, true},
  };
  for (const auto& c : cases) {
    Poll p;
    if (!c.message.empty()) p.Send(c.message);
    EXPECT_EQ(p.Tick(c.running), Lines{}) << c.what;
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(p.Tick(c.running), Lines{}) << c.what;
    EXPECT_EQ(p.poll.EmptyPolls(), 0) << c.what;
    const int reads = p.mailslot.reads;
    EXPECT_EQ(p.Tick(c.finished), c.atEnd) << c.what;
    EXPECT_EQ(p.poll.Outcome(), c.outcome) << c.what;
    EXPECT_EQ(p.mailslot.reads > reads, c.readOnEnd) << c.what;
  }
}

TEST(FirmwarePoll, TimeOutCountsEmptyPollsFromTheToolsStart) {
  Poll p;
  for (int i = 0; i < 2500; ++i) p.Tick(kWorkerRunning);  // long driver installs count for nothing
  EXPECT_EQ(p.poll.EmptyPolls(), 0);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(p.Tick(kFlashing), Lines{});
  p.Send(DfuMessage(0, 2));
  EXPECT_EQ(p.Tick(kFlashing), Lines{kDone});  // a message is no empty poll, and resets nothing
  for (int i = 0; i < 1001; ++i) ASSERT_EQ(p.Tick(kFlashing), Lines{});
  EXPECT_EQ(p.poll.EmptyPolls(), 2001);
  EXPECT_EQ(p.Tick(kFlashing), (Lines{kFailed, "stage end"}));
  EXPECT_EQ(p.poll.Outcome(), PollOutcome::TimedOut);
  EXPECT_TRUE(p.poll.Failed());
}

TEST(FirmwarePoll, OnlyWholeMessagesOfTheStartedToolCount) {
  // From `atMs` after the first tick on, the facts are these, and the messages are sent.
  struct Step {
    std::uint64_t atMs;
    PollFacts facts;
    std::vector<Bytes> messages;
  };
  constexpr PollFacts kToolEnded{true, true, true, false};
  struct Case {
    const char* what;
    std::vector<Step> steps;
    Lines actions;  // of all ticks, in order
  } cases[] = {
      {"forged success before the tool's start", {{0, kWorkerRunning, {DfuMessage(0, 5)}}, {300, kFlashing, {}}}, {}},
      {"forged failure before the tool's start", {{0, kWorkerRunning, {DfuMessage(1, 2)}}, {300, kFlashing, {}}}, {}},
      {"the tool's report after its start", {{0, kWorkerRunning, {}}, {300, kFlashing, {DfuMessage(0, 2)}}}, {kDone}},
      {"short, long and empty messages are dropped unlogged",
       {{0, kFlashing, {{0, 0, 5, 0, 0}, {0, 0, 5, 0, 0, 0, 0}, Bytes(424, 0), Bytes{}, DfuMessage(0, 2)}}},
       {kDone}},
      {"the tool's last words right after its end", {{0, kToolEnded, {}}, {2900, kToolEnded, {DfuMessage(1, 2)}}},
       {kFailed, "report 0xEE030004 Upgrading", "stage end"}},
      {"long after the tool's end", {{0, kToolEnded, {}}, {3200, kToolEnded, {DfuMessage(1, 2)}}}, {}},
  };
  for (const auto& c : cases) {
    Poll p;
    const std::uint64_t start = p.now;
    Lines actions;
    std::size_t next = 0;
    PollFacts facts = c.steps.front().facts;
    while (p.now - start < 4000) {
      for (; next < c.steps.size() && c.steps[next].atMs <= p.now - start; ++next) {
        facts = c.steps[next].facts;
        for (const Bytes& m : c.steps[next].messages) p.Send(m);
      }
      for (auto& a : p.Tick(facts)) {
        actions.push_back(a);
      }
    }
    EXPECT_EQ(actions, c.actions) << c.what;
    EXPECT_TRUE(p.mailslot.messages.empty()) << c.what;
  }
}

TEST(FirmwarePoll, BurstIsDrainedWithoutLosingTheEnd) {
  Poll p = Poll::Flashing();
  for (int i = 0; i < 1000; ++i) p.Send(DfuMessage(0, 4, static_cast<std::uint16_t>(1 + i % 99)));
  p.Send(DfuMessage(0, 5));
  p.Send(DfuMessage(1, 2));  // after the end: never acted on
  int ticks = 0;
  int progress = 0;
  while (!p.poll.Ended() && ticks < 200) {
    ++ticks;
    for (const auto& a : p.Tick()) progress += a.rfind("progress", 0) == 0;
  }
  EXPECT_EQ(p.poll.Outcome(), PollOutcome::Succeeded);
  // All of it was taken off the mailslot within a few ticks; what waited was at most the
  // bound, then the success report.
  EXPECT_TRUE(p.mailslot.messages.empty());
  const int readingTicks = static_cast<int>((1002 + kMaxReadsPerTick - 1) / kMaxReadsPerTick);
  EXPECT_EQ(ticks, readingTicks + static_cast<int>(kMaxPendingMessages));
  EXPECT_GE(progress, 1);
}

TEST(FirmwareMailslot, OnlySystemAndAdministratorsMayWriteAndTheNetworkIsRefused) {
  const std::string sddl = Utf16ToUtf8(kFirmwareMailslotSddl);
  ASSERT_EQ(sddl.rfind("D:", 0), 0u) << "a DACL only: owner and group stay the creator's";
  const std::size_t firstAce = sddl.find('(');
  ASSERT_NE(firstAce, std::string::npos);
  EXPECT_NE(sddl.substr(2, firstAce - 2).find('P'), std::string::npos) << "protected from inheritance";

  struct Ace {
    std::string type, rights, sid;
  };
  std::vector<Ace> aces;
  for (std::size_t at = firstAce; at < sddl.size();) {
    ASSERT_EQ(sddl[at], '(');
    const std::size_t end = sddl.find(')', at);
    ASSERT_NE(end, std::string::npos);
    std::vector<std::string> fields;
    std::size_t from = at + 1;
    for (std::size_t semi; (semi = sddl.find(';', from)) < end; from = semi + 1) fields.push_back(sddl.substr(from, semi - from));
    fields.push_back(sddl.substr(from, end - from));
    ASSERT_EQ(fields.size(), 6u) << sddl;
    EXPECT_EQ(fields[1], "") << "no inheritance flags";
    aces.push_back({fields[0], fields[2], fields[5]});
    at = end + 1;
  }
  auto grantsWrite = [](const std::string& r) {
    return r.find("FW") != std::string::npos || r.find("FA") != std::string::npos || r.find("GW") != std::string::npos ||
           r.find("GA") != std::string::npos;
  };
  std::set<std::string> allowed;
  bool denySeen = false, allowSeen = false, networkDenied = false;
  for (const auto& a : aces) {
    if (a.type == "D") {
      EXPECT_FALSE(allowSeen) << "denials come first, or they are never reached";
      denySeen = true;
      if (a.sid == "NU" && (a.rights == "FA" || a.rights == "GA")) networkDenied = true;
    } else {
      ASSERT_EQ(a.type, "A") << "only allow and deny entries";
      allowSeen = true;
      EXPECT_TRUE(grantsWrite(a.rights)) << a.sid;
      allowed.insert(a.sid);
    }
  }
  EXPECT_TRUE(denySeen);
  EXPECT_TRUE(networkDenied);
  EXPECT_EQ(allowed, (std::set<std::string>{"SY", "BA"}));
}

// ---- the session's tick on a whole engine ----------------------------------------------

struct EngineRun {
  testing::EngineMachine m;
  std::unique_ptr<UpgradeEngine> engine;
  CheckReport report;
  WorkerState state;
  FakeMailslot mailslot;
  FirmwarePoll poll{RunMode::Wizard, kTexts};
  EngineRun() {
    m.launcher.startResult = 42;
    m.files.files[testing::EngineMachine::Path(u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe")] = Bytes{1};
    engine = std::make_unique<UpgradeEngine>(m.Services(), m.Texts());
    report.firmwareNeedsUpgrade = true;
    report.firmwareFileName = testing::EngineMachine::kFirmwareFile;
  }
  bool Launch() { return LaunchFirmwareTool(*engine, report.firmwareFileName, state); }
  Lines Tick() {
    m.clock.elapsed += kPollPeriodMs;
    const bool ended = poll.Ended();
    const PollStep step = PollFirmware(poll, *engine, report, state, mailslot);
    return Show(step, !ended && poll.Ended());
  }
};

// The log's share is carried out here; ending the tool is left to the session, which does it
// away from the front end's thread.
TEST(PollFirmware, LogReportsAndFailureAreCarriedOutTheToolsEndIsPassedOn) {
  struct Case {
    const char* what;
    Bytes message;
    Lines actions;
    std::vector<std::string> logLines;
    int endTreeCalls;
    bool failed;
  } cases[] = {
      {"device not found", DfuMessage(1, 2), {kFailed, "stage end"},
       {"2014/01/02 09:05:03:007 Can not find the device (0xEE030004)\r\n"}, 0, true},
      {"success", DfuMessage(0, 5), {"close flash"}, {}, 0, false},
  };
  for (const auto& c : cases) {
    EngineRun run;
    EXPECT_EQ(run.Tick(), Lines{}) << c.what;  // the worker still runs
    ASSERT_TRUE(run.Launch());
    run.state.SetFinished(true);
    run.mailslot.messages.push_back(c.message);
    EXPECT_EQ(run.Tick(), c.actions) << c.what;
    EXPECT_EQ(run.m.logFile.lines, c.logLines) << c.what;
    EXPECT_EQ(run.m.launcher.lastTracked->endTreeCalls, c.endTreeCalls) << c.what;
    EXPECT_EQ(run.state.StepFailed(), c.failed) << c.what;
  }
}

// The UI thread polls in the very moment the tool starts and reports: the report is the started
// tool's, not a message from before its start.
TEST(PollFirmware, AReportWrittenTheMomentTheToolRunsIsTaken) {
  EngineRun run;
  run.state.SetFinished(true);
  Lines atStart;
  run.m.launcher.onResume = [&] {
    run.mailslot.messages.push_back(DfuMessage(0, 5));
    atStart = run.Tick();
  };
  ASSERT_TRUE(run.Launch());
  EXPECT_EQ(atStart, (Lines{"close flash"}));
  EXPECT_FALSE(run.state.StepFailed());
}

TEST(PollFirmware, AToolThatCannotBeLetRunIsEndedAndTheStepFails) {
  EngineRun run;
  run.m.launcher.resumeWorks = false;
  EXPECT_FALSE(run.Launch());
  EXPECT_EQ(run.m.launcher.lastTracked->endTreeCalls, 1);
  run.state.SetFinished(true);
  EXPECT_EQ(run.Tick(), (Lines{kFailed, "stage end"}));
  EXPECT_TRUE(run.state.StepFailed());
}

TEST(PollFirmware, ToolEndSeenThroughTheWorkerState) {
  EngineRun run;
  ASSERT_TRUE(run.Launch());
  run.state.SetFinished(true);
  run.Tick();
  run.m.launcher.lastTracked->running = false;  // the tool ends without a word
  run.Tick();
  run.m.clock.elapsed += kToolEndGraceMs;
  run.mailslot.messages.push_back(DfuMessage(0, 5));  // too late to be the tool's
  EXPECT_EQ(run.Tick(), Lines{});
  EXPECT_FALSE(run.poll.Ended());
}

}  // namespace
}  // namespace brevix
