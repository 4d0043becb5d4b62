#pragma once
// The hard DFU switch: through the ACPI control driver's control device the hub is asked to
// enter DFU mode, the STTube DFU interface is awaited, and the hub is asked to leave it again.
// The device side sits behind DeviceControl (SetupAPI, the Configuration Manager and
// DeviceIoControl on Windows).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/Console.h"

namespace brevix {

constexpr char kControlDevicePath[] = "\\\\.\\Varnek.Brevix.ACPI";

// CTL_CODE(device type, function, METHOD_BUFFERED, FILE_READ_ACCESS).
constexpr std::uint32_t ControlCode(std::uint32_t deviceType, std::uint32_t function) {
  return (deviceType << 16) | (1u << 14) | (function << 2);
}
constexpr std::uint32_t kEnterHardDfuCode = ControlCode(0xACDF, 0x801);
constexpr std::uint32_t kLeaveHardDfuCode = ControlCode(0xACDF, 0x802);
static_assert(kEnterHardDfuCode == 0xACDF6004u && kLeaveHardDfuCode == 0xACDF6008u);

// The hard DFU device's ACPI ID, looked for in upper-cased instance IDs.
constexpr char kHardDfuAcpiId[] = "VRK33D0";
constexpr std::size_t kInstanceIdBufferBytes = 512;
constexpr std::uint32_t kDevNodeHasProblem = 0x400;  // DN_HAS_PROBLEM

// The opened control device (closed when destroyed).
class ControlDevice {
 public:
  virtual ~ControlDevice() = default;
  // True when the driver accepted the control code (sent without data).
  virtual bool Send(std::uint32_t code) = 0;
};

// The present device interfaces of the DFU interface class.
class DfuInterfaceSet {
 public:
  virtual ~DfuInterfaceSet() = default;
  // False when there is no interface at the index (the enumeration ends).
  virtual bool Exists(std::uint32_t index) = 0;
  // True when the interface's detail (its device path) can be read.
  virtual bool ReadDetail(std::uint32_t index) = 0;
};

struct DevNodeStatus {
  std::uint32_t status = 0;
  std::uint32_t problem = 0;
};

// Every device the system knows, of all classes, present or not.
class DeviceInfoSet {
 public:
  enum class Fetch { Found, NoMoreItems, Failed };
  virtual ~DeviceInfoSet() = default;
  virtual Fetch FetchDevice(std::uint32_t index) = 0;
  // The device's instance ID as 8-bit text (fits kInstanceIdBufferBytes), or nullopt.
  virtual std::optional<std::string> InstanceId(std::uint32_t index) = 0;
  virtual std::optional<DevNodeStatus> Status(std::uint32_t index) = 0;
};

class DeviceControl {
 public:
  enum class PendingInstalls { Settled, TimedOut };
  virtual ~DeviceControl() = default;
  // nullptr when "\\.\Varnek.Brevix.ACPI" cannot be opened.
  virtual std::unique_ptr<ControlDevice> OpenControlDevice() = 0;
  // nullptr when the set cannot be had.
  virtual std::unique_ptr<DfuInterfaceSet> OpenPresentDfuInterfaces() = 0;
  virtual std::unique_ptr<DeviceInfoSet> OpenAllDevices() = 0;
  // Returns when no device installation is pending.
  virtual PendingInstalls WaitForPendingInstalls() = 0;
};

// The switch's waits; tests shorten them.
struct HardDfuTiming {
  int tries = 6;                       // WaitForDfuInterface calls at most
  std::uint32_t settleMs = 5000;       // pause once the interface is up
  std::uint32_t passPauseMs = 150;     // pause per waiting pass
  int passLimit = 150;                 // passes while the install wait keeps timing out
  int quietPassLimit = 30;             // passes after the last install-wait time-out
  int announcedSeconds = 10;           // the figure the waiting line names
};

// A device whose instance ID holds the ACPI ID, among this many failed fetches in a row at
// most: a set that keeps failing without ever reporting its end must not hang the search.
constexpr std::uint32_t kMaxFailedDeviceFetches = 4096;

struct HardDfuContext {
  DeviceControl& devices;
  Clock& clock;
  StandardOutput& out;
  HardDfuTiming timing{};
};

enum HardDfuResult : int {
  kHardDfuPassed = 0,
  kHardDfuModeRequestFailed = -1,
  kHardDfuDriverMissing = -2,
  kHardDfuNotSupported = -3,
  kHardDfuNoInterface = -4,
};

struct HardDfuDevice {
  std::uint32_t index = 0;
  std::string instanceId;  // upper-cased
};

bool IsDfuInterfacePresent(DeviceControl& devices);
void WaitForDfuInterface(HardDfuContext& context);
std::optional<HardDfuDevice> FindHardDfuDevice(DeviceInfoSet& set);
bool IsHardDfuDevicePresent(DeviceControl& devices, StandardOutput& out);
int HardDfuSwitch(HardDfuContext& context);

}  // namespace brevix
