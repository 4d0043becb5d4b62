#pragma once
// The firmware poll, run on the run's poll timer: it reads the flashing tool's 6-byte
// mailslot messages, follows the firmware progress and ends the upgrading stage on success,
// failure or time-out, or when only drivers were to be upgraded. A pure state machine: facts
// and the mailslot in, the run's events out.
//
// Beyond the tool's plain contract:
//  - nothing ends the stage while the worker still runs (the stage's clean-up removes the
//    files the worker uses); messages keep being read meanwhile;
//  - the time-out counts the polls that found nothing to do after the tool was started,
//    not before (driver installs take their own time);
//  - the firmware step fails at once when the worker is over and the tool was not started;
//  - messages that are not exactly 6 bytes are dropped; so are messages read before the tool
//    was started, or later than kToolEndGraceMs after it was seen to have ended: only the
//    tool this run started steers the run;
//  - every tick takes all waiting messages off the mailslot (kMaxReadsPerTick at most) and
//    acts on one; at most kMaxPendingMessages wait their turn (about three seconds of
//    ticks), the rest of a burst is dropped, except the first success or failure report,
//    which ends the stage and after which nothing is kept;
//  - progress above 100 counts as 100;
//  - a failure of any type closes the step that runs with "Failed!" (the firmware's line is
//    written first when none runs); the failures the tool cannot recover from (3, 5, 6, 7) add
//    "Upgrade firmware failed!".
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "data/TextTable.h"
#include "engine/RunMode.h"
#include "engine/SessionEvent.h"
#include "platform/Mailslot.h"

namespace brevix {

class UpgradeEngine;
class WorkerState;
struct CheckReport;

// The tool's report: three unsigned 16-bit little-endian fields.
struct DfuProgressMessage {
  std::uint16_t status = 0;  // 0: a report; anything else: a failure of `type`
  std::uint16_t type = 0;
  std::uint16_t value = 0;   // percent, for the progress report
  friend bool operator==(const DfuProgressMessage&, const DfuProgressMessage&) = default;
};
constexpr std::size_t kDfuMessageBytes = 6;
// nullopt unless the message is exactly 6 bytes.
std::optional<DfuProgressMessage> DecodeDfuMessage(ByteView bytes);

constexpr std::uint16_t kDfuDeviceFound = 2;
constexpr std::uint16_t kDfuProgress = 4;
constexpr std::uint16_t kDfuSucceeded = 5;

constexpr int kPollPeriodMs = 75;
constexpr int kMaxEmptyPolls = 2000;  // more than this many after the tool's start: time-out
constexpr std::size_t kMaxReadsPerTick = 64;
constexpr std::size_t kMaxPendingMessages = 40;
constexpr std::uint64_t kToolEndGraceMs = 3000;

struct PollTexts {
  std::u16string firmwareTitle;    // "Upgrade07"
  std::u16string firmwareFailed;   // "Upgrade12", after a failure the tool could not recover from
  std::u16string done;             // decorated "Upgrade21"
  std::u16string failed;           // decorated "Upgrade22"
};
PollTexts PollTextsOf(const TextTable& texts);

// What the poll needs to know of the run at a tick.
struct PollFacts {
  bool firmwareNeedsUpgrade = false;
  bool workerFinished = false;
  bool toolStarted = false;
  bool toolRunning = false;
  bool firmwareStepClosed = false;  // the worker closed the step itself and started no tool
};
PollFacts PollFactsOf(const CheckReport& report, const WorkerState& state);

// What one tick of the poll comes to.
struct PollStep {
  std::vector<SessionEvent> events;  // for the front end, in order
  struct LogReport {
    std::string code;  // "0xEE030004"
    std::string section;
    friend bool operator==(const LogReport&, const LogReport&) = default;
  };
  std::vector<LogReport> logReports;  // for the upgrade log, in order
  // A success report: the tool is ended and the firmware read back, which then closes the
  // step (the run's share, away from the front end's thread).
  bool closeFlash = false;
};

enum class PollOutcome { Running, DriversOnly, Succeeded, FailureReported, TimedOut, ToolNotStarted };

class FirmwarePoll {
 public:
  // A console run prints a line per progress report; the wizard shows the bar.
  FirmwarePoll(RunMode mode, PollTexts texts) : mode_(mode), texts_(std::move(texts)) {}

  // One tick at `nowMs` (a clock that only moves forward). Once Ended(), the stage may end as
  // soon as the tool is gone (after a success report: read back).
  PollStep Tick(const PollFacts& facts, std::uint64_t nowMs, MailslotReader& mailslot);

  PollOutcome Outcome() const { return outcome_; }
  bool Ended() const { return outcome_ != PollOutcome::Running; }
  // A failure report, the time-out, or a tool that was never started.
  bool Failed() const {
    return outcome_ == PollOutcome::FailureReported || outcome_ == PollOutcome::TimedOut ||
           outcome_ == PollOutcome::ToolNotStarted;
  }
  int BestPercent() const { return bestPercent_; }
  int EmptyPolls() const { return emptyPolls_; }

 private:
  void Take(ByteView bytes, const PollFacts& facts, std::uint64_t nowMs);
  void EndStage(PollOutcome outcome);
  void Failure(const DfuProgressMessage& message, PollStep& step);
  void Report(const DfuProgressMessage& message, PollStep& step);

  RunMode mode_;
  PollTexts texts_;
  PollOutcome outcome_ = PollOutcome::Running;
  bool firstProgress_ = true;
  int emptyPolls_ = 0;
  int bestPercent_ = 0;
  std::optional<std::uint64_t> toolSeenEndedAt_;
  std::deque<DfuProgressMessage> pending_;
  bool endingQueued_ = false;
  // "Finding device" runs until the device is found; the firmware's own line from the first
  // progress on.
  bool findingOpen_ = true;
};

// The run's tick: takes the run's facts and the clock's time, ticks the poll, carries out the
// log's share (upgrade-log reports, the failure mark) and returns the rest.
PollStep PollFirmware(FirmwarePoll& poll, const UpgradeEngine& engine, const CheckReport& report, WorkerState& state,
                      MailslotReader& mailslot);

}  // namespace brevix
