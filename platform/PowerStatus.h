#pragma once
// The machine's power supply as GetSystemPowerStatus reports it, field by field; what the
// fields allow is engine/PowerRule's to decide.
#include <cstdint>
#include <optional>

namespace brevix {

// The system's own encodings, by value: the core does not see <windows.h>.
constexpr std::uint8_t kAcOffline = 0;
constexpr std::uint8_t kAcOnline = 1;
constexpr std::uint8_t kNoSystemBattery = 0x80;  // a bit of the battery flag
constexpr std::uint8_t kPowerUnknown = 255;      // any field: the system does not know

struct PowerFacts {
  std::uint8_t acLineStatus = kPowerUnknown;        // 0 offline, 1 online, 255 unknown
  std::uint8_t batteryFlag = kPowerUnknown;         // bits: 1 high, 2 low, 4 critical, 8 charging, 128 none
  std::uint8_t batteryLifePercent = kPowerUnknown;  // 0-100, 255 unknown
  friend bool operator==(const PowerFacts&, const PowerFacts&) = default;
};

class PowerStatusSource {
 public:
  virtual ~PowerStatusSource() = default;
  // nullopt when the status cannot be read at all.
  virtual std::optional<PowerFacts> Read() = 0;
};

}  // namespace brevix
