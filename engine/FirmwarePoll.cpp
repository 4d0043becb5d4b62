#include "engine/FirmwarePoll.h"

#include <algorithm>

#include "engine/UpgradeEngine.h"
#include "engine/UpgradeWorker.h"

namespace brevix {
namespace {

std::uint16_t Field(ByteView bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

PollAction Act(PollAction::Kind kind) {
  PollAction action;
  action.kind = kind;
  return action;
}
PollAction Act(PollAction::Kind kind, std::u16string text) {
  PollAction action = Act(kind);
  action.text = std::move(text);
  return action;
}
PollAction ActValue(PollAction::Kind kind, int value) {
  PollAction action = Act(kind);
  action.value = value;
  return action;
}
PollAction LogReport(const char* code, const char* section) {
  PollAction action = Act(PollAction::ReportError);
  action.code = code;
  action.section = section;
  return action;
}

// The failure types that are logged, with their codes (ErrorCode.ini).
struct FailureEntry {
  std::uint16_t type;
  const char* code;
  const char* section;
  bool closesStep;  // else the integrity text is written
};
constexpr FailureEntry kFailures[] = {
    {1, "0xEE020003", "Checking", true},   // firmware integrity verification failed
    {2, "0xEE030004", "Upgrading", true},  // can not find the device
    {3, "0xEE03000A", "Upgrading", false},  // can not enter DFU mode
    {5, "0xEE030003", "Upgrading", false},  // firmware upgrade failed
    {6, "0xEE03000D", "Upgrading", false},  // cannot exit DFU mode
    {7, "0xEE03000E", "Upgrading", false},  // cannot enable device
};

}  // namespace

std::optional<DfuProgressMessage> DecodeDfuMessage(ByteView bytes) {
  if (bytes.size() != kDfuMessageBytes) return std::nullopt;
  return DfuProgressMessage{Field(bytes, 0), Field(bytes, 2), Field(bytes, 4)};
}

PollTexts PollTextsOf(const TextTable& texts) {
  return PollTexts{texts.Text(u"Upgrade07"), texts.Text(u"Upgrade15"), texts.Text(u"Upgrade21"), texts.Text(u"Upgrade22")};
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

PollActions FirmwarePoll::Tick(const PollFacts& facts, std::uint64_t nowMs, MailslotReader& mailslot) {
  PollActions actions;
  if (Ended()) return actions;

  if (emptyPolls_ > kMaxEmptyPolls) {
    actions.push_back(Act(PollAction::StopTimer));
    actions.push_back(Act(PollAction::StepEnded, texts_.failed));
    EndStage(actions, PollOutcome::TimedOut);
    return actions;
  }
  if (firstTick_) {
    actions.push_back(ActValue(PollAction::SetPeriod, kPollPeriodMs));
    firstTick_ = false;
  }
  if (facts.workerFinished && !facts.firmwareNeedsUpgrade) {
    actions.push_back(Act(PollAction::StopTimer));
    EndStage(actions, PollOutcome::DriversOnly);
    return actions;
  }
  if (facts.workerFinished && !facts.toolStarted) {
    // The worker is over and no tool runs: no report can ever come.
    actions.push_back(Act(PollAction::StopTimer));
    if (!facts.firmwareStepClosed) actions.push_back(Act(PollAction::StepEnded, texts_.failed));
    EndStage(actions, PollOutcome::ToolNotStarted);
    return actions;
  }

  if (facts.toolStarted && !facts.toolRunning && !toolSeenEndedAt_) toolSeenEndedAt_ = nowMs;
  for (std::size_t read = 0; read < kMaxReadsPerTick; ++read) {
    const auto message = mailslot.ReadMessage();
    if (!message) break;
    Take(*message, facts, nowMs);
  }
  if (!facts.workerFinished) return actions;  // nothing ends the stage under a running worker

  if (pending_.empty()) {
    ++emptyPolls_;
    return actions;
  }
  const DfuProgressMessage message = pending_.front();
  pending_.pop_front();
  if (message.status != 0) {
    Failure(message, actions);
  } else {
    Report(message, actions);
  }
  return actions;
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

void FirmwarePoll::EndStage(PollActions& actions, PollOutcome outcome) {
  actions.push_back(Act(PollAction::StageEnded));
  outcome_ = outcome;
  pending_.clear();
}

void FirmwarePoll::Failure(const DfuProgressMessage& message, PollActions& actions) {
  const auto entry = std::find_if(std::begin(kFailures), std::end(kFailures),
                                  [&](const FailureEntry& e) { return e.type == message.type; });
  if (entry != std::end(kFailures)) {
    if (entry->closesStep) {
      actions.push_back(Act(PollAction::StepEnded, texts_.failed));
    } else {
      actions.push_back(Act(PollAction::Text, texts_.integrityFailed));
      actions.push_back(Act(PollAction::Text, u"\r\n"));
    }
    actions.push_back(LogReport(entry->code, entry->section));
  }
  // Every failure ends the stage, logged or not; the tool ends by itself after a failure.
  actions.push_back(Act(PollAction::StopTimer));
  EndStage(actions, PollOutcome::FailureReported);
}

void FirmwarePoll::Report(const DfuProgressMessage& message, PollActions& actions) {
  switch (message.type) {
    case kDfuDeviceFound:
      actions.push_back(Act(PollAction::StepEnded, texts_.done));  // closes "Finding device"
      break;
    case kDfuProgress: {
      const int percent = std::min<int>(message.value, 100);
      if (percent == 0 || percent <= bestPercent_) break;
      bestPercent_ = percent;
      if (output_ == PollOutput::Console) {
        const std::string number = std::to_string(percent);
        actions.push_back(Act(PollAction::Text, ConsoleSafe(texts_.firmwareTitle) + u" " +
                                                    std::u16string(number.begin(), number.end()) + u"%\r\n"));
      } else if (firstProgress_) {
        firstProgress_ = false;
        actions.push_back(Act(PollAction::Text, texts_.firmwareTitle));
        actions.push_back(Act(PollAction::StepStarted));
      }
      actions.push_back(ActValue(PollAction::Progress, percent));
      break;
    }
    case kDfuSucceeded:
      if (output_ == PollOutput::Console) actions.push_back(Act(PollAction::Text, ConsoleSafe(texts_.firmwareTitle)));
      actions.push_back(Act(PollAction::StopTimer));
      // The tool is ended before the stage's clean-up removes the folder it runs from; the
      // step is "Done." only once the hub reads as the packaged firmware.
      actions.push_back(Act(PollAction::EndTool));
      actions.push_back(Act(PollAction::VerifyFlash));
      outcome_ = PollOutcome::Succeeded;
      pending_.clear();
      break;
    default:
      break;
  }
}

PollActions PollFirmware(FirmwarePoll& poll, const UpgradeEngine& engine, const CheckReport& report, WorkerState& state,
                         MailslotReader& mailslot) {
  PollActions forFrontEnd;
  for (PollAction& action : poll.Tick(PollFactsOf(report, state), engine.Services().clock.Milliseconds(), mailslot)) {
    switch (action.kind) {
      case PollAction::ReportError:
        engine.Services().log.ReportError(action.code, action.section);
        break;
      default:
        forFrontEnd.push_back(std::move(action));
        break;
    }
  }
  if (poll.Failed()) state.MarkStepFailed();
  return forFrontEnd;
}

}  // namespace brevix
