#pragma once
// Pure text rules of the engine: the installed-driver date rewrite, the fixed-position
// comparison keys of driver versions and the version in the packaged firmware file name.
#include <optional>
#include <string>
#include <string_view>

namespace brevix {

// Stands for a version that could not be found.
constexpr char16_t kNotAvailable[] = u"N/A";

// A registry DriverDate such as "6-21-2013" in the INF DriverVer shape, with its comma:
// "06/21/2013,". One-character pieces before the last "-" are padded with "0"; the last
// piece is kept as it is.
std::u16string RewriteDriverDate(std::u16string_view driverDate);

// Which characters of a "MM/DD/YYYY,version" text make its comparison key. The date comes
// first (year, month, day), so a later date always compares greater.
enum class VersionKeyRule {
  // v[6..9] + v[0..1] + v[3..4] + v[11..]: the ACPI driver, everywhere.
  DateThenWholeVersion,
  // v[6..9] + v[0..1] + v[3..4] + v[11] + v[13] + v[15..18] + v[20]: STTube in the checking phase.
  SttubeChecking,
  // v[6..9] + v[0..1] + v[3..4] + v[11] + v[13] + v[15] + v[17]: STTube when confirming an install.
  SttubeInstall,
};

// Cuts beyond the end of the text give what exists, or nothing.
std::u16string BuildVersionKey(std::u16string_view version, VersionKeyRule rule);

// The six-digit version in a firmware file name such as
// "Varnek(R)_Sensor_Hub_Firmware_Sensors_1.0.221212_221212.css_signed.dfu.encrypted": after an
// "_" followed by a digit, six digits at offset 11 (or else 12) from the "_".
std::optional<std::u16string> ParseFirmwareFileVersion(std::u16string_view fileName);

// Ordinal UTF-16 comparison (code unit by code unit, a proper prefix is smaller).
inline bool OrdinalGreater(std::u16string_view a, std::u16string_view b) { return a.compare(b) > 0; }

}  // namespace brevix
