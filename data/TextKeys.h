#pragma once
// The keys of the texts the code shows, named for what each says. The language tables keep
// the product's historic key names (section and number), which translators and stored tables
// know; nothing else spells them out.
namespace brevix::text {

constexpr char16_t kTitle[] = u"Publisher01";  // the product's name: title bar and caption

constexpr char16_t kLicenceHeading[] = u"License01";
constexpr char16_t kLicenceSubtitle[] = u"License02";
constexpr char16_t kIntroHeading[] = u"Indroduction01";
constexpr char16_t kIntroWelcome[] = u"Indroduction02";  // "... keep power adapter connected"
constexpr char16_t kIntroClickNext[] = u"Indroduction03";

constexpr char16_t kUpgradeSubtitle[] = u"Upgrade01";
constexpr char16_t kFindingDevice[] = u"Upgrade04";
constexpr char16_t kUpgradingSttube[] = u"Upgrade05";
constexpr char16_t kUpgradingAcpi[] = u"Upgrade06";
constexpr char16_t kUpgradingFirmware[] = u"Upgrade07";
constexpr char16_t kRestartQuestion[] = u"Upgrade09";
constexpr char16_t kRestartNow[] = u"Upgrade10";
constexpr char16_t kRestartLater[] = u"Upgrade11";
constexpr char16_t kFirmwareUpgradeFailed[] = u"Upgrade12";
constexpr char16_t kSttubeIntegrityFailed[] = u"Upgrade13";
constexpr char16_t kAcpiIntegrityFailed[] = u"Upgrade14";
constexpr char16_t kFirmwareIntegrityFailed[] = u"Upgrade15";
constexpr char16_t kClickFinish[] = u"Upgrade20";
constexpr char16_t kStepDone[] = u"Upgrade21";    // held decorated: " . . . Done." CR LF
constexpr char16_t kStepFailed[] = u"Upgrade22";  // held decorated: " . . . Failed!" CR LF
constexpr char16_t kUpgradeFinished[] = u"Upgrade23";
constexpr char16_t kPressEnter[] = u"Upgrade24";
constexpr char16_t kPowerNeeded[] = u"Upgrade25";        // AC power and 25 % charge to flash
constexpr char16_t kLastFlashUnfinished[] = u"Upgrade26";  // the firmware is flashed again

constexpr char16_t kQuitQuestion[] = u"Popup01";
constexpr char16_t kRefusal[] = u"Popup02";  // start-up's refusal of the system or machine
constexpr char16_t kNoSafeFolder[] = u"Popup03";  // start-up found nowhere only administrators can change

// Buttons: the key is the button's own name.
constexpr char16_t kNext[] = u"Next";
constexpr char16_t kCancel[] = u"Cancel";
constexpr char16_t kBack[] = u"Back";
constexpr char16_t kAccept[] = u"Accept";
constexpr char16_t kUpgrade[] = u"Upgrade";
constexpr char16_t kFinish[] = u"Finish";
constexpr char16_t kClose[] = u"Close";
constexpr char16_t kYes[] = u"Yes";
constexpr char16_t kNo[] = u"No";
constexpr char16_t kQuit[] = u"Quit";

}  // namespace brevix::text
