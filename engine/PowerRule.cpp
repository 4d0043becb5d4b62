#include "engine/PowerRule.h"

namespace brevix {

FlashPower DecideFlashPower(const PowerFacts& facts) {
  const bool batteryKnown = facts.batteryFlag != kPowerUnknown;
  const bool hasBattery = batteryKnown && (facts.batteryFlag & kNoSystemBattery) == 0;
  if (!hasBattery) return facts.acLineStatus == kAcOffline ? FlashPower::OnBattery : FlashPower::Allowed;

  if (facts.acLineStatus == kAcOffline) return FlashPower::OnBattery;
  // With a battery to run on, a notebook that cannot say it is plugged in may well not be:
  // unknown counts as not online.
  if (facts.acLineStatus != kAcOnline) return FlashPower::AcStateUnknown;
  const bool chargeKnown = facts.batteryLifePercent <= 100;
  if (chargeKnown && facts.batteryLifePercent < kMinFlashBatteryPercent) return FlashPower::BatteryLow;
  return FlashPower::Allowed;
}

FlashPower CheckFlashPower(PowerStatusSource& source) { return DecideFlashPower(source.Read().value_or(PowerFacts{})); }

}  // namespace brevix
