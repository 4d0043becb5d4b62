#pragma once
// The console front end, the wizard's peer over the same upgrade run: in the command-line
// modes no window exists. The run's events are written to the console (or to the file or pipe
// the standard output was redirected to) by a loop of its own, which is also the run's
// scheduler: it sleeps on the clock seam until the next task is due.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/Scheduler.h"
#include "engine/SessionEvent.h"
#include "engine/UpgradeRun.h"
#include "platform/Clock.h"
#include "platform/Console.h"

namespace brevix {

// How an event reads on a console: texts and step results as they are, with "®" as "(R)";
// no dots, no bar (the poll writes a console's progress lines as text). False for the events
// that are no text.
bool WriteToConsole(Console& console, const SessionEvent& event);

// The run's timers on the clock seam, run by the console's loop on its own thread.
class ClockScheduler : public Scheduler {
 public:
  explicit ClockScheduler(Clock& clock) : clock_(clock) {}
  Timer After(std::uint32_t ms, std::function<void()> task) override { return Add(ms, 0, std::move(task)); }
  Timer Every(std::uint32_t ms, std::function<void()> task) override { return Add(ms, ms, std::move(task)); }
  void Cancel(Timer timer) override;
  // Sleeps until the earliest task is due and runs it; false when no task is waiting.
  bool RunNext();

 private:
  struct Entry {
    Timer id;
    std::uint64_t due;
    std::uint32_t period;  // 0: once
    std::function<void()> task;
  };
  Timer Add(std::uint32_t ms, std::uint32_t period, std::function<void()> task);

  Clock& clock_;
  std::vector<Entry> entries_;
  Timer nextId_ = 1;
};

class ConsoleFrontEnd : public EventSink {
 public:
  // `showBox` shows a failure the user must acknowledge (a message box without an owner); an
  // unattended run never waits on one: it writes the text instead.
  ConsoleFrontEnd(Console& console, Clock& clock, std::function<void(const std::u16string&)> showBox)
      : console_(console), scheduler_(clock), showBox_(std::move(showBox)) {}

  // From any thread; written by the loop, in order, with "®" as "(R)".
  void Emit(SessionEvent event) override;
  void ShowPending() override { Drain(); }

  // The silent run: the licence, the package, the checking report, then the upgrade until the
  // stage ends, the closing texts and the wait for Enter; then the run ends.
  void RunSilent(UpgradeRun& run);
  // The version and usage modes, whose text was written before: the run is opened and ends.
  void RunTextOnly(UpgradeRun& run);

 private:
  // Writes what was emitted so far, on the loop's thread, and notes where the run is.
  void Drain();
  // The closing texts after the work and the wait for Enter; then the run ends.
  void Close(UpgradeRun& run, bool allLatest);

  Console& console_;
  ClockScheduler scheduler_;
  std::function<void(const std::u16string&)> showBox_;
  RunMode mode_ = RunMode::Usage;  // the run's, from its attachment on
  UpgradeRun* run_ = nullptr;      // the silent run, while it runs
  std::mutex mutex_;
  std::deque<SessionEvent> queue_;
  std::optional<bool> workOver_;  // set by ChecksDone (all latest) or StageEnded: allLatest
};

}  // namespace brevix
