#pragma once
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
};

}  // namespace brevix
