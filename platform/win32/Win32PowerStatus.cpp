// The power supply as the system reports it; engine/PowerRule judges the facts.
#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace brevix::win32 {

std::optional<PowerFacts> Win32PowerStatus::Read() {
  SYSTEM_POWER_STATUS status{};
  if (!::GetSystemPowerStatus(&status)) return std::nullopt;
  return PowerFacts{status.ACLineStatus, status.BatteryFlag, status.BatteryLifePercent};
}

}  // namespace brevix::win32
