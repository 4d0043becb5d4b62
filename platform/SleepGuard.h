#pragma once
// While the upgrade writes to the hub the system must not go to sleep: a flash cut by sleep
// leaves the hub half-written.
namespace brevix {

class SleepGuard {
 public:
  virtual ~SleepGuard() = default;
  // On: the system stays awake until it is turned off again. Called on the front end's thread,
  // the one that lives for the whole run.
  virtual void KeepAwake(bool on) = 0;
};

}  // namespace brevix
