#pragma once
// Installed-driver discovery: the first instance key of the driver's device setup class whose
// DriverDesc is one of the driver's accepted descriptions gives "MM/DD/YYYY,version".
#include <cstddef>
#include <span>
#include <string>

#include "platform/Registry.h"

namespace brevix {

enum class DriverKind : int {
  Acpi = 1,    // the hub's ACPI control driver
  Sttube = 2,  // the STTube USB DFU driver
};

constexpr char16_t kSystemClassKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e97d-e325-11ce-bfc1-08002be10318}";
constexpr char16_t kUsbClassKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Class\\{36fc9e60-c465-11cf-8056-444553540000}";

// Value buffers in bytes, terminator included; a longer value counts as unreadable.
constexpr std::size_t kDriverDescBufferBytes = 500;
constexpr std::size_t kDriverDateBufferBytes = 100;
constexpr std::size_t kDriverVersionBufferBytes = 100;

// The class key searched for a kind; empty for a kind that is not a driver of ours.
std::u16string_view DriverClassKey(DriverKind kind);
// The DriverDesc texts accepted for a kind (exact, case-sensitive).
std::span<const std::u16string_view> AcceptedDriverDescriptions(DriverKind kind);

// "MM/DD/YYYY,version" of the first matching instance, or empty when there is none, its date
// or version cannot be read, or an instance key on the way cannot be opened.
std::u16string FindInstalledDriver(DriverKind kind, RegistryReader& registry);

// FindInstalledDriver's result, with nothing found (and any kind that is not a driver of ours)
// as "N/A".
std::u16string InstalledDriverVersion(DriverKind kind, RegistryReader& registry);

}  // namespace brevix
