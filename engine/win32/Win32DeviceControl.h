#pragma once
// DeviceControl on the Windows API: the ACPI control driver's device through CreateFileA and
// DeviceIoControl, device sets through SetupAPI, status and pending installs through the
// Configuration Manager.
#include <atomic>
#include <cstdint>

#include "engine/HardDfuSwitch.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

// The limits of the seam's two waits. Neither may hang the run: a wait that runs out is a
// failure the switch already takes (a control request that was not answered counts as refused;
// pending installs that did not settle are TimedOut).
//
// A control request to the hub: the driver answers a mode request at once as a rule; a hub
// that has not answered in this time will not, and the request is taken back.
constexpr std::uint32_t kControlRequestLimitMs = 5000;
// Taking back (cancelling) a request: a driver that honours cancellation completes the
// request at once.
constexpr std::uint32_t kCancelLimitMs = 2000;
// Pending device installs: the install of the DFU device's driver takes seconds; one held by a
// prompt nobody sees (an unsigned-driver question on another desktop) never ends by itself.
// Once a wait has run out, the later ones of the run only look (0 ms): the switch asks again
// after every waiting pass, up to 150 passes per wait for the interface, and each would block on
// the same held install again. The switch's own pass limits, made for answers that time out,
// then bound what is left.
constexpr std::uint32_t kPendingInstallLimitMs = 60000;

// The control device "\\.\Varnek.Brevix.ACPI", opened overlapped; the handle is closed with it.
class Win32ControlDevice : public ControlDevice {
 public:
  // `limitMs`: the wait for each request (tests shorten it).
  explicit Win32ControlDevice(UniqueHandle device, std::uint32_t limitMs = kControlRequestLimitMs)
      : device_(std::move(device)), limitMs_(limitMs) {}
  // False when the driver refused the request, or did not answer within the limit.
  bool Send(std::uint32_t code) override;

 private:
  UniqueHandle device_;
  std::uint32_t limitMs_;
};

// CMP_WaitNoPendingInstallEvents' answer (WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_FAILED) to a wait of
// at most the given milliseconds.
using PendingInstallWait = std::uint32_t (*)(std::uint32_t limitMs);
std::uint32_t WaitNoPendingInstallEvents(std::uint32_t limitMs);

class Win32DeviceControl : public DeviceControl {
 public:
  // `wait` is the Configuration Manager's, unless a test gives another.
  explicit Win32DeviceControl(PendingInstallWait wait = &WaitNoPendingInstallEvents) : wait_(wait) {}
  std::unique_ptr<ControlDevice> OpenControlDevice() override;
  std::unique_ptr<DfuInterfaceSet> OpenPresentDfuInterfaces() override;
  std::unique_ptr<DeviceInfoSet> OpenAllDevices() override;
  PendingInstalls WaitForPendingInstalls() override;

 private:
  PendingInstallWait wait_;
  std::atomic<bool> installWaitRanOut_{false};
};

}  // namespace brevix::win32
