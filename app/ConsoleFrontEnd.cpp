#include "app/ConsoleFrontEnd.h"

#include <algorithm>

#include "data/TextKeys.h"
#include "platform/Text.h"

namespace brevix {

bool WriteToConsole(Console& console, const SessionEvent& event) {
  if (event.kind != SessionEvent::Kind::Text && event.kind != SessionEvent::Kind::StepEnded) return false;
  console.Write(ConsoleSafe(event.text));
  return true;
}

// ---- the scheduler ----------------------------------------------------------------------------

Scheduler::Timer ClockScheduler::Add(std::uint32_t ms, std::uint32_t period, std::function<void()> task) {
  const Timer id = nextId_++;
  entries_.push_back(Entry{id, clock_.Milliseconds() + ms, period, std::move(task)});
  return id;
}

void ClockScheduler::Cancel(Timer timer) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [timer](const Entry& e) { return e.id == timer; }),
                 entries_.end());
}

bool ClockScheduler::RunNext() {
  if (entries_.empty()) return false;
  const auto next = std::min_element(entries_.begin(), entries_.end(),
                                     [](const Entry& a, const Entry& b) { return a.due < b.due; });
  const Timer id = next->id;
  const std::uint64_t due = next->due;
  const std::uint64_t now = clock_.Milliseconds();
  if (now < due) clock_.Sleep(static_cast<std::uint32_t>(due - now));
  // The task may add or cancel timers, this one among them: it runs on a copy.
  auto it = std::find_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; });
  std::function<void()> task = it->task;
  if (it->period == 0) {
    entries_.erase(it);
  } else {
    it->due = std::max(due + it->period, clock_.Milliseconds());
  }
  task();
  return true;
}

// ---- the front end ----------------------------------------------------------------------------

void ConsoleFrontEnd::Emit(SessionEvent event) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.push_back(std::move(event));
}

void ConsoleFrontEnd::Drain() {
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
      case Kind::FailureBox:
        // A deployment script has nobody to press OK: the text goes where the run's output goes.
        if (IsUnattended(mode_)) {
          console_.Write(ConsoleSafe(event.text) + u"\r\n");
        } else if (showBox_) {
          showBox_(event.text);
        }
        break;
      case Kind::ChecksDone:
        if (event.allLatest) workOver_ = true;
        break;
      case Kind::StageEnded:
        console_.ReleaseInterrupts();
        workOver_ = event.allLatest;
        break;
      case Kind::StageStarted:
        // Nobody may break off the stage with Ctrl+C; a console closed, a log-off or a
        // shutdown cannot be refused, and the log says so before the process goes.
        if (run_) console_.HoldInterrupts([run = run_] { run->SessionEnding(); });
        break;
      case Kind::Text:
      case Kind::StepEnded:
      case Kind::StepStarted:
      case Kind::Progress:
      case Kind::RunEnded:
        break;
    }
  }
}

void ConsoleFrontEnd::Close(UpgradeRun& run, bool allLatest) {
  const TextTable& texts = run.Texts();
  if (!allLatest) console_.Write(ConsoleSafe(texts.Text(text::kUpgradeFinished) + u"\r\n" + texts.Text(text::kPressEnter)));
  console_.WaitForEnter();
  run.Finish();
  Drain();
}

void ConsoleFrontEnd::RunTextOnly(UpgradeRun& run) {
  mode_ = run.Mode();
  run.Attach(*this, scheduler_);
  run.Start();
  Drain();
  run.Quit();
  Drain();
  run.Detach();
}

void ConsoleFrontEnd::RunSilent(UpgradeRun& run) {
  mode_ = run.Mode();
  run_ = &run;
  run.Attach(*this, scheduler_);
  run.Start();
  Drain();

  const std::u16string crlf = u"\r\n";
  console_.Write(run.Texts().Licence());
  console_.Write(crlf);
  run.Consent(RunConsent::Licence);  // "/S" is the consent to all three
  console_.Write(crlf);
  run.Consent(RunConsent::Checks);
  Drain();
  console_.Write(crlf);
  if (!workOver_) {
    run.Consent(RunConsent::Upgrade);
    while (!workOver_ && scheduler_.RunNext()) Drain();
    Drain();
  }
  // The stage cannot end without saying so; should the run stop without, the run still ends.
  Close(run, workOver_.value_or(false));
  run.Detach();
  console_.ReleaseInterrupts();
  run_ = nullptr;
}

}  // namespace brevix
