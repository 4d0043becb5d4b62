#include "engine/HardDfuSwitch.h"

#include <gtest/gtest.h>

#include "EngineFakes.h"

namespace brevix {
namespace {

using testing::FakeClock;
using testing::FakeDeviceControl;
using testing::FakeDeviceEntry;
using testing::FakeStandardOutput;
using Fetch = DeviceInfoSet::Fetch;
using Wait = DeviceControl::PendingInstalls;

constexpr char kDriverMissing[] = "FAIL: Varnek(R) Sensor Hub Hard DFU driver not installed\n";
constexpr char kNotSupported[] = "FAIL: Varnek(R) Sensor Hub Hard DFU not supported in BIOS\n";
constexpr char kCannotEnter[] = "FAIL: Varnek(R) Sensor Hub cannot enter into Hard DFU Mode\n";
constexpr char kWaiting[] = "wait at maxium 10 seconds for Sensor Hub entering into DFU mode...\n";
constexpr char kNoInterface[] = "FAIL: No DFU driver or DFU device not work\n";
constexpr char kCannotLeave[] = "FAIL: Varnek(R) Sensor Hub cannot leave Hard DFU Mode\n";
constexpr char kPassed[] = "PASS: Varnek(R) Sensor Hub Hard DFU Mode verified\n";

struct Switch {
  FakeDeviceControl devices;
  FakeClock clock;
  FakeStandardOutput out;
  HardDfuContext context{devices, clock, out};
  int Run() { return HardDfuSwitch(context); }
};

FakeDeviceEntry Device(std::string id, std::uint32_t status = 0x0180200A, std::uint32_t problem = 0) {
  return {Fetch::Found, std::move(id), DevNodeStatus{status, problem}};
}

TEST(HardDfuSwitch, ControlDeviceMissing) {
  struct Case {
    const char* what;
    bool setOpens;
    std::vector<FakeDeviceEntry> entries;
    int result;
    std::string printed;
  } cases[] = {
      {"ACPI device known", true, {Device("ROOT\\ACPI_HAL\\0000"), Device("ACPI\\VRK33D0\\2&DABA3FF&0")},
       kHardDfuDriverMissing, kDriverMissing},
      {"lower-case ID matches", true, {Device("acpi\\vrk33d0\\1")}, kHardDfuDriverMissing, kDriverMissing},
      {"with a problem", true, {Device("ACPI\\VRK33D0\\1", 0x0180240A, 28)}, kHardDfuDriverMissing,
       std::string("HARD DFU device doesn't working with problem (28)\n") + kDriverMissing},
      {"status unreadable", true, {{Fetch::Found, "ACPI\\VRK33D0\\1", std::nullopt}}, kHardDfuDriverMissing,
       kDriverMissing},
      {"fetch failures and unreadable IDs are passed over", true,
       {{Fetch::Failed, std::nullopt}, {Fetch::Found, std::nullopt}, Device("ACPI\\VRK33D0\\1")},
       kHardDfuDriverMissing, kDriverMissing},
      {"other IDs only", true, {Device("ACPI\\VRK33D1\\1"), Device("ACPI\\VRK33D\\0")}, kHardDfuNotSupported,
       kNotSupported},
      {"end of the set before the device", true, {Device("A"), {Fetch::NoMoreItems, std::nullopt}, Device("ACPI\\VRK33D0\\1")},
       kHardDfuNotSupported, kNotSupported},
      {"no device set", false, {Device("ACPI\\VRK33D0\\1")}, kHardDfuNotSupported, kNotSupported},
  };
  for (const auto& c : cases) {
    Switch s;
    s.devices.controlOpens = false;
    s.devices.allDevicesOpen = c.setOpens;
    s.devices.devices = c.entries;
    EXPECT_EQ(s.Run(), c.result) << c.what;
    EXPECT_EQ(s.out.printed, c.printed) << c.what;
    EXPECT_TRUE(s.devices.sent.empty()) << c.what;
  }
}

TEST(HardDfuSwitch, DeviceSearchEndsOnASetThatNeverEnds) {
  FakeDeviceControl devices;
  devices.endlessFailures = true;
  FakeStandardOutput out;
  EXPECT_FALSE(IsHardDfuDevicePresent(devices, out));
  EXPECT_EQ(devices.fetches, kMaxFailedDeviceFetches);
}

TEST(HardDfuSwitch, FoundDeviceCarriesItsIndexAndUpperCasedId) {
  FakeDeviceControl devices;
  devices.devices = {Device("X"), {Fetch::Failed, std::nullopt}, Device("acpi\\vrk33d0\\3&1")};
  const auto set = devices.OpenAllDevices();
  const auto found = FindHardDfuDevice(*set);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->index, 2u);
  EXPECT_EQ(found->instanceId, "ACPI\\VRK33D0\\3&1");
}

TEST(HardDfuSwitch, EnterRefusedSendsNoLeave) {
  Switch s;
  s.devices.enterAccepted = false;
  s.devices.interfaceAfterChecks = 0;
  EXPECT_EQ(s.Run(), kHardDfuModeRequestFailed);
  EXPECT_EQ(s.out.printed, kCannotEnter);
  EXPECT_EQ(s.devices.sent, std::vector<std::uint32_t>{0xACDF6004u});
  EXPECT_EQ(s.devices.controlOpen, 0);
}

TEST(HardDfuSwitch, InterfaceAlreadyUpPassesAfterTheSettlingPause) {
  Switch s;
  s.devices.interfaceAfterChecks = 0;
  EXPECT_EQ(s.Run(), kHardDfuPassed);
  EXPECT_EQ(s.out.printed, std::string(kWaiting) + kPassed);
  EXPECT_EQ(s.devices.sent, (std::vector<std::uint32_t>{0xACDF6004u, 0xACDF6008u}));
  EXPECT_EQ(s.clock.slept, 5000u);  // no waiting pass ran
  EXPECT_EQ(s.devices.waitCalls, 0);
  EXPECT_EQ(s.devices.controlOpen, 0);
}

TEST(HardDfuSwitch, InterfaceThatNeverComes) {
  for (bool leaveAccepted : {true, false}) {
    Switch s;
    s.devices.leaveAccepted = leaveAccepted;
    const int result = s.Run();
    EXPECT_EQ(result, leaveAccepted ? kHardDfuNoInterface : kHardDfuModeRequestFailed);
    EXPECT_EQ(s.out.printed, std::string(kWaiting) + kNoInterface + (leaveAccepted ? "" : kCannotLeave));
    EXPECT_EQ(s.devices.sent, (std::vector<std::uint32_t>{0xACDF6004u, 0xACDF6008u}));
    // Six waits of 30 quiet passes of 150 ms, with one presence check per pass and one per try.
    EXPECT_EQ(s.devices.waitCalls, 6 * 30);
    EXPECT_EQ(s.clock.slept, 6u * 30u * 150u);
    EXPECT_EQ(s.devices.presenceChecks, 6 * 30 + 6);
    EXPECT_EQ(s.devices.controlOpen, 0);
  }
}

TEST(HardDfuSwitch, LeaveRefusedAfterSuccessIsAFailure) {
  Switch s;
  s.devices.interfaceAfterChecks = 40;  // up during the second wait
  s.devices.leaveAccepted = false;
  EXPECT_EQ(s.Run(), kHardDfuModeRequestFailed);
  EXPECT_EQ(s.out.printed, std::string(kWaiting) + kCannotLeave);
}

TEST(HardDfuSwitch, InterfaceComingUpDuringTheWait) {
  Switch s;
  s.devices.interfaceAfterChecks = 40;
  EXPECT_EQ(s.Run(), kHardDfuPassed);
  EXPECT_EQ(s.out.printed, std::string(kWaiting) + kPassed);
  // First wait: 30 passes, check 31 after it fails; second wait finds it at check 41 after 9 passes.
  EXPECT_EQ(s.devices.waitCalls, 30 + 9);
  EXPECT_EQ(s.clock.slept, (30u + 9u) * 150u + 5000u);
}

TEST(HardDfuSwitch, WaitLimits) {
  struct Case {
    const char* what;
    std::deque<Wait> waits;
    int passes;
  } cases[] = {
      {"installs settle at once: 30 passes", {}, 30},
      {"a time-out restarts the quiet count", {Wait::Settled, Wait::Settled, Wait::TimedOut}, 3 + 29},
      {"time-outs throughout: 150 passes", std::deque<Wait>(200, Wait::TimedOut), 150},
  };
  for (const auto& c : cases) {
    FakeDeviceControl devices;
    devices.waits = c.waits;
    FakeClock clock;
    FakeStandardOutput out;
    HardDfuContext context{devices, clock, out};
    WaitForDfuInterface(context);
    EXPECT_EQ(devices.waitCalls, c.passes) << c.what;
    EXPECT_EQ(clock.slept, 150u * c.passes) << c.what;
  }
}

TEST(HardDfuSwitch, InterfacePresence) {
  FakeDeviceControl devices;
  EXPECT_FALSE(IsDfuInterfacePresent(devices));  // one interface, unreadable
  devices.interfaceAfterChecks = 0;
  EXPECT_TRUE(IsDfuInterfacePresent(devices));  // the second one reads
  devices.interfaceSetOpens = false;
  EXPECT_FALSE(IsDfuInterfacePresent(devices));
}

TEST(HardDfuSwitch, InjectedTimingIsHonoured) {
  Switch s;
  s.context.timing = HardDfuTiming{2, 7, 1, 5, 3, 10};
  EXPECT_EQ(s.Run(), kHardDfuNoInterface);
  EXPECT_EQ(s.devices.waitCalls, 2 * 3);
  EXPECT_EQ(s.clock.slept, 2u * 3u * 1u);
}

}  // namespace
}  // namespace brevix
