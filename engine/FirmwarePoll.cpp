#include "engine/FirmwarePoll.h"

#include <algorithm>

#include "data/TextKeys.h"
#include "engine/UpgradeEngine.h"
#include "engine/UpgradeWorker.h"

namespace brevix {
namespace {

std::uint16_t Field(ByteView bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

using Kind = SessionEvent::Kind;

// The failure types that are logged, with their codes (ErrorCode.ini).
struct FailureEntry {
  std::uint16_t type;
  const char* code;
  const char* section;
  bool addsFailureLine;  // "Upgrade firmware failed!" after the step's "Failed!"
};
constexpr FailureEntry kFailures[] = {
    {1, "0xEE020003", "Checking", false},  // firmware integrity verification failed
    {2, "0xEE030004", "Upgrading", false},  // can not find the device
    {3, "0xEE03000A", "Upgrading", true},   // can not enter DFU mode
    {5, "0xEE030003", "Upgrading", true},   // firmware upgrade failed
    {6, "0xEE03000D", "Upgrading", true},   // cannot exit DFU mode
    {7, "0xEE03000E", "Upgrading", true},   // cannot enable device
};

}  // namespace

std::optional<DfuProgressMessage> DecodeDfuMessage(ByteView bytes) {
  if (bytes.size() != kDfuMessageBytes) return std::nullopt;
  return DfuProgressMessage{Field(bytes, 0), Field(bytes, 2), Field(bytes, 4)};
}

PollTexts PollTextsOf(const TextTable& texts) {
  return PollTexts{texts.Text(text::kUpgradingFirmware), texts.Text(text::kFirmwareUpgradeFailed), texts.Text(text::kStepDone), texts.Text(text::kStepFailed)};
}

PollFacts PollFactsOf(const CheckReport& report, const WorkerState& state) {
  PollFacts facts;
  facts.firmwareNeedsUpgrade = report.firmwareNeedsUpgrade;
  facts.workerFinished = state.Finished();
  LaunchedProcess* tool = state.Tool();
  facts.toolStarted = tool != nullptr;
  facts.toolRunning = tool && tool->Running();
  facts.firmwareStepClosed = state.FirmwareStepClosed();
  return facts;
}

PollStep FirmwarePoll::Tick(const PollFacts& facts, std::uint64_t nowMs, MailslotReader& mailslot) {
  PollStep step;
  if (Ended()) return step;

  if (emptyPolls_ > kMaxEmptyPolls) {
    step.events.push_back(SessionEvent::Of(Kind::StepEnded, texts_.failed));
    EndStage(PollOutcome::TimedOut);
    return step;
  }
  if (facts.workerFinished && !facts.firmwareNeedsUpgrade) {
    EndStage(PollOutcome::DriversOnly);
    return step;
  }
  if (facts.workerFinished && !facts.toolStarted) {
    // The worker is over and no tool runs: no report can ever come.
    if (!facts.firmwareStepClosed) step.events.push_back(SessionEvent::Of(Kind::StepEnded, texts_.failed));
    EndStage(PollOutcome::ToolNotStarted);
    return step;
  }

  if (facts.toolStarted && !facts.toolRunning && !toolSeenEndedAt_) toolSeenEndedAt_ = nowMs;
  for (std::size_t read = 0; read < kMaxReadsPerTick; ++read) {
    const auto message = mailslot.ReadMessage();
    if (!message) break;
    Take(*message, facts, nowMs);
  }
  if (!facts.workerFinished) return step;  // nothing ends the stage under a running worker

  if (pending_.empty()) {
    ++emptyPolls_;
    return step;
  }
  const DfuProgressMessage message = pending_.front();
  pending_.pop_front();
  if (message.status != 0) {
    Failure(message, step);
  } else {
    Report(message, step);
  }
  return step;
}

void FirmwarePoll::Take(ByteView bytes, const PollFacts& facts, std::uint64_t nowMs) {
  const auto message = DecodeDfuMessage(bytes);
  if (!message || !facts.toolStarted || endingQueued_) return;
  if (toolSeenEndedAt_ && nowMs - *toolSeenEndedAt_ > kToolEndGraceMs) return;
  const bool ending = message->status != 0 || message->type == kDfuSucceeded;
  if (!ending && pending_.size() >= kMaxPendingMessages) return;
  pending_.push_back(*message);
  endingQueued_ = ending;
}

void FirmwarePoll::EndStage(PollOutcome outcome) {
  outcome_ = outcome;
  pending_.clear();
}

void FirmwarePoll::Failure(const DfuProgressMessage& message, PollStep& step) {
  // The failure is shown where it happens: on the step that runs, or on the firmware's own line
  // when the device was found and no progress came yet.
  if (!findingOpen_) {
    if (ReportsToConsole(mode_)) {
      // A console writes the firmware's line as the step closes, as after a success.
      step.events.push_back(SessionEvent::Of(Kind::Text, ConsoleSafe(texts_.firmwareTitle)));
    } else if (bestPercent_ == 0) {
      step.events.push_back(SessionEvent::Of(Kind::Text, texts_.firmwareTitle));
      step.events.push_back(SessionEvent::Of(Kind::StepStarted));
    }
  }
  step.events.push_back(SessionEvent::Of(Kind::StepEnded, texts_.failed));
  const auto entry = std::find_if(std::begin(kFailures), std::end(kFailures),
                                  [&](const FailureEntry& e) { return e.type == message.type; });
  if (entry != std::end(kFailures)) {
    if (entry->addsFailureLine) {
      step.events.push_back(SessionEvent::Of(Kind::Text, texts_.firmwareFailed));
      step.events.push_back(SessionEvent::Of(Kind::Text, u"\r\n"));
    }
    step.logReports.push_back({entry->code, entry->section});
  }
  // Every failure ends the stage, logged or not; the run ends the tool if it does not end itself.
  EndStage(PollOutcome::FailureReported);
}

void FirmwarePoll::Report(const DfuProgressMessage& message, PollStep& step) {
  switch (message.type) {
    case kDfuDeviceFound:
      step.events.push_back(SessionEvent::Of(Kind::StepEnded, texts_.done));  // closes "Finding device"
      findingOpen_ = false;
      break;
    case kDfuProgress: {
      const int percent = std::min<int>(message.value, 100);
      if (percent == 0 || percent <= bestPercent_) break;
      bestPercent_ = percent;
      if (ReportsToConsole(mode_)) {
        const std::string number = std::to_string(percent);
        step.events.push_back(SessionEvent::Of(
            Kind::Text, ConsoleSafe(texts_.firmwareTitle) + u" " + std::u16string(number.begin(), number.end()) + u"%\r\n"));
      } else if (firstProgress_) {
        firstProgress_ = false;
        step.events.push_back(SessionEvent::Of(Kind::Text, texts_.firmwareTitle));
        step.events.push_back(SessionEvent::Of(Kind::StepStarted));
      }
      step.events.push_back(SessionEvent::Progress(percent));
      break;
    }
    case kDfuSucceeded:
      if (ReportsToConsole(mode_)) step.events.push_back(SessionEvent::Of(Kind::Text, ConsoleSafe(texts_.firmwareTitle)));
      // The tool is ended before the stage's clean-up removes the folder it runs from; the
      // step is "Done." only once the hub reads as the packaged firmware.
      step.closeFlash = true;
      outcome_ = PollOutcome::Succeeded;
      pending_.clear();
      break;
    default:
      break;
  }
}

PollStep PollFirmware(FirmwarePoll& poll, const UpgradeEngine& engine, const CheckReport& report, WorkerState& state,
                      MailslotReader& mailslot) {
  PollStep step;
  {
    std::lock_guard<std::mutex> tick(state.PollMutex());
    step = poll.Tick(PollFactsOf(report, state), engine.Services().clock.Milliseconds(), mailslot);
  }
  for (const PollStep::LogReport& line : step.logReports) engine.Services().log.ReportError(line.code, line.section);
  step.logReports.clear();  // carried out
  if (poll.Failed()) state.MarkStepFailed();
  return step;
}

}  // namespace brevix
