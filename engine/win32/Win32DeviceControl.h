#pragma once
// DeviceControl on the Windows API: the ACPI control driver's device through CreateFileA and
// DeviceIoControl, device sets through SetupAPI, status and pending installs through the
// Configuration Manager.
#include "engine/HardDfuSwitch.h"

namespace brevix::win32 {

class Win32DeviceControl : public DeviceControl {
 public:
  std::unique_ptr<ControlDevice> OpenControlDevice() override;
  std::unique_ptr<DfuInterfaceSet> OpenPresentDfuInterfaces() override;
  std::unique_ptr<DeviceInfoSet> OpenAllDevices() override;
  PendingInstalls WaitForPendingInstalls() override;
};

}  // namespace brevix::win32
