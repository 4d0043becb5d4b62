#include "engine/FirmwareReadBack.h"

#include <gtest/gtest.h>

#include "EngineFakes.h"

namespace brevix {
namespace {

using testing::FakeClock;
using testing::FakeSensorSource;
using testing::FakeStandardOutput;
using testing::HubSensor;

TEST(FirmwareReadBack, OnlyThePackagedVersionCounts) {
  const struct {
    const char16_t* read;
    const char16_t* packaged;
    bool is;
  } cases[] = {
      {u"221212-", u"221212", true},  {u"221212", u"221212", true},    {u"221211-", u"221212", false},
      {u"221213-", u"221212", false}, {u"2212121-", u"221212", false}, {u"221212--", u"221212", false},
      {u"N/A", u"221212", false},     {u"", u"221212", false},         {u"N/A", u"N/A", false},
      {u"-", u"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsPackagedFirmware(c.read, c.packaged), c.is) << Utf16ToUtf8(c.read) << " / " << Utf16ToUtf8(c.packaged);
  }
}

// The machine alone: reads every period until the deadline, the last read on the deadline.
TEST(FirmwareReadBack, ReadsEveryPeriodAndDecidesAtTheDeadline) {
  FirmwareReadBack readBack(u"221212", 5000, 3000, 1000);
  EXPECT_EQ(readBack.NextReadAt(), 5000u);
  EXPECT_EQ(readBack.Take(u"N/A", 5000), FirmwareReadBack::State::Reading);
  EXPECT_EQ(readBack.NextReadAt(), 6000u);
  EXPECT_EQ(readBack.Take(u"221211-", 6100), FirmwareReadBack::State::Reading);
  EXPECT_EQ(readBack.NextReadAt(), 7100u);
  EXPECT_EQ(readBack.Take(u"221211-", 7600), FirmwareReadBack::State::Reading);
  EXPECT_EQ(readBack.NextReadAt(), 8000u) << "the deadline itself, not past it";
  EXPECT_EQ(readBack.Take(u"221211-", 8000), FirmwareReadBack::State::TimedOut);
  EXPECT_EQ(readBack.Take(u"221212-", 8001), FirmwareReadBack::State::TimedOut) << "over is over";
  EXPECT_EQ(readBack.Reads(), 4);
  EXPECT_EQ(readBack.LastRead(), u"221211-");

  FirmwareReadBack late(u"221212", 0, 3000, 1000);
  EXPECT_EQ(late.Take(u"221212-", 3000), FirmwareReadBack::State::Matches) << "a match on the deadline counts";
}

// The hub as it restarts: gone from the sensor list, then its sensor unreadable, then the old
// firmware for a while, then whatever it now runs. Time moves only by the loop's sleeps.
struct Hub {
  FakeSensorSource sensors;
  struct Clock : FakeClock {
    std::function<void(std::uint64_t)> at;
    void Sleep(std::uint32_t ms) override {
      FakeClock::Sleep(ms);
      if (at) at(elapsed);
    }
  } clock;
  FakeStandardOutput out;
};

TEST(FirmwareReadBack, WaitsThroughReEnumerationUntilTheNewFirmwareReads) {
  const struct {
    const char* label;
    std::function<void(Hub&, std::uint64_t)> timeline;
    bool matches;
    std::u16string lastRead;
    std::uint64_t elapsed;
  } cases[] = {
      {"at once", [](Hub& h, std::uint64_t) { h.sensors.sensors = {HubSensor(u"221212-0")}; }, true, u"221212-", 0},
      {"back after 12 s",
       [](Hub& h, std::uint64_t t) {
         h.sensors.managerCreated = t < 4000 || t >= 6000;  // the sensor service itself is away a while
         if (t < 4000) {
           h.sensors.sensors = {};  // re-enumerating
         } else if (t < 12000) {
           h.sensors.sensors = {HubSensor(u"221211-0")};  // still the old firmware
         } else {
           h.sensors.sensors = {HubSensor(u"221212-0")};
         }
       },
       true, u"221212-", 12000},
      {"never back", [](Hub& h, std::uint64_t) { h.sensors.sensors = {}; }, false, u"N/A", kReadBackTimeoutMs},
      {"old firmware to the end", [](Hub& h, std::uint64_t) { h.sensors.sensors = {HubSensor(u"221211-0")}; }, false,
       u"221211-", kReadBackTimeoutMs},
      {"back on the last read",
       [](Hub& h, std::uint64_t t) { h.sensors.sensors = {HubSensor(t >= kReadBackTimeoutMs ? u"221212-0" : u"1-")}; },
       true, u"221212-", kReadBackTimeoutMs},
  };
  for (const auto& c : cases) {
    Hub hub;
    hub.sensors.sensors = {};
    hub.clock.at = [&](std::uint64_t t) { c.timeline(hub, t); };
    c.timeline(hub, 0);
    const ReadBackResult result = ReadBackFirmware(hub.sensors, hub.clock, hub.out, u"221212");
    EXPECT_EQ(result.matches, c.matches) << c.label;
    EXPECT_EQ(result.lastRead, c.lastRead) << c.label;
    EXPECT_EQ(hub.clock.elapsed, c.elapsed) << c.label;
    EXPECT_EQ(result.reads, static_cast<int>(c.elapsed / kReadBackPeriodMs) + 1) << c.label;
  }
}

TEST(FirmwareReadBack, OnlyTheLastReadsDiagnosticsAreWritten) {
  Hub hub;
  hub.sensors.managerCreated = false;  // every read prints the manager's failure
  const ReadBackResult result = ReadBackFirmware(hub.sensors, hub.clock, hub.out, u"221212");
  EXPECT_FALSE(result.matches);
  EXPECT_EQ(result.reads, 31);
  EXPECT_EQ(hub.out.printed, "Failed to get sensor manager\n");
}

}  // namespace
}  // namespace brevix
