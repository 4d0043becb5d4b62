#pragma once
// The run's clock port: tasks run later on the front end's own thread, the one every intent
// comes from. The wizard implements it with window timers, the console with its clock loop;
// the native tests with a fake that moves time by hand.
#include <cstdint>
#include <functional>

namespace brevix {

class Scheduler {
 public:
  using Timer = std::uint32_t;
  static constexpr Timer kNoTimer = 0;

  virtual ~Scheduler() = default;
  // Runs `task` once, `ms` from now.
  virtual Timer After(std::uint32_t ms, std::function<void()> task) = 0;
  // Runs `task` every `ms`, the first time `ms` from now, until cancelled. A period that falls
  // behind is not made up: the next run is due a period after the late one at the earliest.
  virtual Timer Every(std::uint32_t ms, std::function<void()> task) = 0;
  // The task does not run again; a timer that has ended or never was is ignored.
  virtual void Cancel(Timer timer) = 0;
};

}  // namespace brevix
