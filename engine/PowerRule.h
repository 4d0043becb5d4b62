#pragma once
// Whether the machine's power supply allows the firmware to be flashed. A hub whose flash is
// cut off by a dying battery is left without working firmware, so a notebook flashes only on
// AC power with enough charge to ride out the adapter being pulled. A machine without a
// system battery (a desktop, a virtual machine) has nothing to run down: there only an adapter
// known to be off refuses (a desktop on a UPS's battery says so).
#include <cstdint>

#include "platform/PowerStatus.h"

namespace brevix {

// Windows' own firmware (capsule) updates require at least 25 % battery, and other vendors'
// flashing tools use the same floor; below it a flash and the hub's restart are not safe to
// run on a battery alone.
constexpr int kMinFlashBatteryPercent = 25;

enum class FlashPower {
  Allowed,
  OnBattery,       // the adapter is known to be off
  AcStateUnknown,  // a system battery, and the system cannot say whether the adapter is on
  BatteryLow,      // on AC, but the battery holds less than kMinFlashBatteryPercent
};

// The rule on the facts of GetSystemPowerStatus. Values outside the documented ones count as
// unknown. With a system battery: AC online and a known charge of at least
// kMinFlashBatteryPercent (an unknown charge leaves the decision to AC alone). With no system
// battery, or an unknown battery state: only AC offline refuses.
FlashPower DecideFlashPower(const PowerFacts& facts);

// Reads the status and decides. A status that cannot be read is decided as PowerFacts{}
// (nothing known), which does not refuse: the rule refuses only on facts.
FlashPower CheckFlashPower(PowerStatusSource& source);

// A refusal is reported with this line of ".\ErrorCode.ini" and this text at the firmware step.
constexpr char kPowerRefusalCode[] = "0xEE03000F";
constexpr char kPowerRefusalSection[] = "Upgrading";
constexpr char16_t kPowerRefusalTextKey[] = u"Upgrade25";

}  // namespace brevix
