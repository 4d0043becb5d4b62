#include "app/ConsoleFrontEnd.h"

#include <algorithm>

#include "platform/Text.h"

namespace brevix {

bool WriteToConsole(Console& console, const SessionEvent& event) {
  if (event.kind != SessionEvent::Kind::Text && event.kind != SessionEvent::Kind::StepEnded) return false;
  console.Write(ConsoleSafe(event.text));
  return true;
}

void ConsoleFrontEnd::Emit(SessionEvent event) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.push_back(std::move(event));
}

void ConsoleFrontEnd::Drain(UpgradeSession& session) {
  for (;;) {
    SessionEvent event;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) return;
      event = std::move(queue_.front());
      queue_.pop_front();
    }
    if (WriteToConsole(console_, event)) continue;
    using Kind = SessionEvent::Kind;
    switch (event.kind) {
      case Kind::Text:
      case Kind::StepEnded:
      case Kind::StepStarted:
      case Kind::Progress:
        break;
      case Kind::FailureBox:
        // A deployment script has nobody to press OK: the text goes where the run's output goes.
        if (unattended_) {
          console_.Write(ConsoleSafe(event.text) + u"\r\n");
        } else if (showBox_) {
          showBox_(event.text);
        }
        break;
      case Kind::StageEnded:
        Finish(session);
        break;
    }
  }
}

void ConsoleFrontEnd::Finish(UpgradeSession& session) {
  if (finished_) return;
  finished_ = true;
  session.RemoveWorkFiles();
  const TextTable& texts = session.Texts();
  if (!session.Report().allLatest) {
    console_.Write(ConsoleSafe(texts.Text(u"Upgrade23") + u"\r\n" + texts.Text(u"Upgrade24")));
  }
  console_.WaitForEnter();
}

void ConsoleFrontEnd::End(UpgradeSession& session) {
  session.StopWorker();
  Drain(session);
  session.Detach();
  // As after the wizard's window: whatever the run left goes, before the run ends.
  session.RemoveWorkFiles();
  session.StopWorker();
}

void ConsoleFrontEnd::RunTextOnly(UpgradeSession& session) {
  session.Attach(*this);
  session.Open();
  Drain(session);
  End(session);
}

void ConsoleFrontEnd::RunSilent(UpgradeSession& session) {
  const std::uint64_t start = clock_.Milliseconds();
  unattended_ = true;
  session.Attach(*this);
  session.Open();
  Drain(session);

  const std::u16string crlf = u"\r\n";
  console_.Write(session.Texts().Licence());
  console_.Write(crlf);
  session.ExtractPackage();
  console_.Write(crlf);
  const CheckReport& report = session.RunChecks();
  Drain(session);
  console_.Write(crlf);
  if (report.allLatest) {
    Finish(session);
    End(session);
    return;
  }

  session.StartUpgrade();
  // The poll's timer: first due kConsoleFirstPollMs after the start, then every `period`
  // until the poll stops it.
  std::uint64_t period = kConsoleFirstPollMs;
  std::uint64_t nextPoll = start + period;
  bool polling = true;
  while (!finished_ && polling) {
    const std::uint64_t now = clock_.Milliseconds();
    if (now < nextPoll) clock_.Sleep(static_cast<std::uint32_t>(nextPoll - now));
    Drain(session);  // what the worker reported comes before what the poll makes of it
    for (const PollAction& action : session.PollTick()) {
      if (action.kind == PollAction::SetPeriod && action.value > 0) period = static_cast<std::uint64_t>(action.value);
      if (action.kind == PollAction::StopTimer) polling = false;
    }
    Drain(session);
    nextPoll = std::max(nextPoll + period, clock_.Milliseconds());
  }
  End(session);
}

}  // namespace brevix
