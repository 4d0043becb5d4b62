#include "engine/PowerRule.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "data/IniProfile.h"

namespace brevix {
namespace {

using enum FlashPower;

// Every battery state against every AC state, with the documented values as Windows reports
// them (a VM or desktop: no battery flag, percent 255) and an undocumented AC value.
TEST(PowerRule, BatteryStatesAgainstAcStates) {
  struct Battery {
    const char* what;
    std::uint8_t flag, percent;
    FlashPower acOnline, acOffline, acUnknown, acUndocumented;
  } const cases[] = {
      {"no system battery", 128, 255, Allowed, OnBattery, Allowed, Allowed},
      {"no system battery, other bits set", 128 | 8, 0, Allowed, OnBattery, Allowed, Allowed},
      {"battery state unknown", 255, 255, Allowed, OnBattery, Allowed, Allowed},
      {"battery state unknown, a percent given", 255, 10, Allowed, OnBattery, Allowed, Allowed},
      {"battery 0 %", 4, 0, BatteryLow, OnBattery, AcStateUnknown, AcStateUnknown},
      {"battery 24 %", 2, 24, BatteryLow, OnBattery, AcStateUnknown, AcStateUnknown},
      {"battery 25 %", 8, 25, Allowed, OnBattery, AcStateUnknown, AcStateUnknown},
      {"battery 100 %", 1, 100, Allowed, OnBattery, AcStateUnknown, AcStateUnknown},
      {"battery between low and high (flag 0), 24 %", 0, 24, BatteryLow, OnBattery, AcStateUnknown, AcStateUnknown},
      {"battery present, charge unknown", 8, 255, Allowed, OnBattery, AcStateUnknown, AcStateUnknown},
      {"battery present, charge out of range", 1, 101, Allowed, OnBattery, AcStateUnknown, AcStateUnknown},
  };
  const std::uint8_t acStates[] = {kAcOnline, kAcOffline, kPowerUnknown, 2};
  for (const Battery& c : cases) {
    const FlashPower expected[] = {c.acOnline, c.acOffline, c.acUnknown, c.acUndocumented};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(DecideFlashPower({acStates[i], c.flag, c.percent}), expected[i])
          << c.what << ", AC " << int(acStates[i]);
    }
  }
}

TEST(PowerRule, UnreadableStatusDoesNotRefuseButReadFactsDo) {
  testing::FakePowerStatus source;
  EXPECT_EQ(CheckFlashPower(source), Allowed);
  source.facts = PowerFacts{kAcOnline, 2, 24};
  EXPECT_EQ(CheckFlashPower(source), BatteryLow);
}

TEST(PowerRule, RefusalNamesTheShippedErrorLineAndText) {
  const std::u16string ini = Utf8ToUtf16(testing::ShippedErrorCodeIni());
  EXPECT_EQ(LookupIniValue(ini, Utf8ToUtf16(kPowerRefusalSection), Utf8ToUtf16(kPowerRefusalCode), u"", 4096),
            u"Firmware upgrade needs AC power and a battery charge of at least 25%");
  EXPECT_EQ(testing::ShippedEnglishTexts().Text(kPowerRefusalTextKey),
            u"Connect the power adapter: the firmware is upgraded only on AC power with the battery charged to at "
            u"least 25%.");
}

}  // namespace
}  // namespace brevix
