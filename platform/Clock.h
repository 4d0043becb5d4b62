#pragma once
#include <chrono>
#include <cstdint>

namespace brevix {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Milliseconds on a clock that only moves forward (not the time of day): waits and
  // time-outs are measured on it.
  virtual std::uint64_t Milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
};

}  // namespace brevix
