#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace brevix {
namespace {

// Only the seam's own members: what a clock without a UTC call of its own gives.
class PlainClock : public Clock {
 public:
  LocalTime Now() override { return {}; }
  void Sleep(std::uint32_t) override {}
};

UtcTime FromC(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
}

TEST(Clock, DefaultUtcNowIsTheCalendarTimeInUtc) {
  PlainClock clock;
  // The C library's calendar in UTC, taken around the call: a second may turn meanwhile.
  const UtcTime before = FromC(std::time(nullptr));
  UtcTime now = clock.UtcNow();
  const UtcTime after = FromC(std::time(nullptr));
  EXPECT_GE(now.millisecond, 0);
  EXPECT_LE(now.millisecond, 999);
  now.millisecond = 0;
  EXPECT_TRUE(now == before || now == after) << now.year << "-" << now.month << "-" << now.day << " " << now.hour
                                             << ":" << now.minute << ":" << now.second;
}

}  // namespace
}  // namespace brevix
