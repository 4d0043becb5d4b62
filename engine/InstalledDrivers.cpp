#include "engine/InstalledDrivers.h"

#include <algorithm>
#include <array>
#include <optional>

#include "engine/VersionText.h"

namespace brevix {
namespace {

constexpr std::array<std::u16string_view, 1> kAcpiDescriptions = {
    u"Varnek(R) Brevix ACPI Control",
};

constexpr std::array<std::u16string_view, 9> kSttubeDescriptions = {
    u"Varnek(R) Brevix Legacy DFU",       u"Varnek(R) Brevix Unknown DFU",
    u"Varnek(R) Brevix Quessa DFU",       u"Varnek(R) Brevix Dorrow 2.0 DFU",
    u"Varnek(R) Brevix Zenth DFU",        u"Varnek(R) Brevix Ambry Board DFU",
    u"Varnek(R) Brevix DFU 0A04",         u"Varnek(R) Brevix DFU 0A05",
    u"Varnek(R) Brevix Hollin Board DFU",
};

// Registry strings are used up to their first NUL, as the system's string functions see them.
std::optional<std::u16string> QueryText(RegistryKey& key, const std::u16string& name, std::size_t bufferBytes) {
  auto value = key.QueryString(name, bufferBytes);
  if (!value) return std::nullopt;
  const std::size_t nul = value->find(u'\0');
  if (nul != std::u16string::npos) value->resize(nul);
  return value;
}

}  // namespace

std::u16string_view DriverClassKey(DriverKind kind) {
  switch (kind) {
    case DriverKind::Acpi:
      return kSystemClassKey;
    case DriverKind::Sttube:
      return kUsbClassKey;
  }
  return {};
}

std::span<const std::u16string_view> AcceptedDriverDescriptions(DriverKind kind) {
  switch (kind) {
    case DriverKind::Acpi:
      return kAcpiDescriptions;
    case DriverKind::Sttube:
      return kSttubeDescriptions;
  }
  return {};
}

std::u16string FindInstalledDriver(DriverKind kind, RegistryReader& registry) {
  const std::u16string classPath(DriverClassKey(kind));
  if (classPath.empty()) return {};
  const auto classKey = registry.OpenLocalMachineKey(classPath);
  if (!classKey) return {};
  const auto accepted = AcceptedDriverDescriptions(kind);

  for (std::uint32_t index = 0;; ++index) {
    const auto name = classKey->EnumSubkey(index);
    if (!name) return {};
    const auto instance = registry.OpenLocalMachineKey(classPath + u"\\" + *name);
    if (!instance) return {};  // an unopenable instance ends the search
    const auto description = QueryText(*instance, u"DriverDesc", kDriverDescBufferBytes);
    if (!description) continue;
    if (std::find(accepted.begin(), accepted.end(), *description) == accepted.end()) continue;

    // The first match decides, readable or not.
    const auto date = QueryText(*instance, u"DriverDate", kDriverDateBufferBytes);
    if (!date) return {};
    const auto version = QueryText(*instance, u"DriverVersion", kDriverVersionBufferBytes);
    if (!version) return {};
    return RewriteDriverDate(*date) + *version;
  }
}

std::u16string InstalledDriverVersion(DriverKind kind, RegistryReader& registry) {
  std::u16string found = FindInstalledDriver(kind, registry);
  return found.empty() ? std::u16string(kNotAvailable) : found;
}

}  // namespace brevix
