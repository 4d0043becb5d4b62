#pragma once
#include <chrono>
#include <cstdint>

namespace brevix {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The same fields in UTC: a type of its own, so that a local time is never written where a
// record says UTC.
struct UtcTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  friend bool operator==(const UtcTime&, const UtcTime&) = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  // The time of day in UTC, for records read on other machines and after a time-zone change.
  // By default the C++ system clock's; Windows' own is GetSystemTime.
  virtual UtcTime UtcNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{floor<milliseconds>(now - day)};
    return UtcTime{int(date.year()),
                   int(unsigned(date.month())),
                   int(unsigned(date.day())),
                   int(time.hours().count()),
                   int(time.minutes().count()),
                   int(time.seconds().count()),
                   int(time.subseconds().count())};
  }
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // Milliseconds on a clock that only moves forward (not the time of day): waits and
  // time-outs are measured on it.
  virtual std::uint64_t Milliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
};

}  // namespace brevix
