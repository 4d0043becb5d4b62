#include "engine/UpgradeEngine.h"

#include "engine/VersionText.h"
#include "platform/Text.h"

namespace brevix {
namespace {

bool IsNotAvailable(const std::u16string& version) { return version == kNotAvailable; }

std::u16string_view OrEmpty(const std::u16string& version) {
  return IsNotAvailable(version) ? std::u16string_view() : std::u16string_view(version);
}

}  // namespace

bool DriverNeedsUpgrade(DriverKind kind, const std::u16string& packaged, const std::u16string& installed) {
  const VersionKeyRule rule = kind == DriverKind::Sttube ? VersionKeyRule::SttubeChecking : VersionKeyRule::DateThenWholeVersion;
  auto key = [rule](const std::u16string& version) {
    return IsNotAvailable(version) ? std::u16string() : BuildVersionKey(version, rule);
  };
  return OrdinalGreater(key(packaged), key(installed));
}

UpgradeEngine::UpgradeEngine(const EngineServices& services, const TextTable& texts, RunMode mode)
    : services_(services), texts_(texts), mode_(mode) {
  workingDirectory_ = services_.files.CurrentDirectory();
  acpiDirectory_ = workingDirectory_ + u"\\DRIVER\\ACPI";
  firmwareDirectory_ = workingDirectory_ + u"\\DRIVER\\FIRMWARE";
  sttubeDirectory_ = workingDirectory_ + u"\\DRIVER\\STTUBE";
}

void UpgradeEngine::Emit(SessionEvent event) const {
  if (sink_) sink_->Emit(std::move(event));
}

UpgradeEngine::PackagedFirmware UpgradeEngine::ReadPackagedFirmware() const {
  PackagedFirmware found;
  found.fileName = services_.files.FindFirstMatch(firmwareDirectory_ + kFirmwareFilePattern).value_or(u"");
  const auto version = found.fileName.empty() ? std::nullopt : ParseFirmwareFileVersion(found.fileName);
  found.version = version.value_or(kNotAvailable);
  return found;
}

std::u16string UpgradeEngine::ReadPackagedDriverVersion(DriverKind kind) const {
  std::u16string inf;
  const char* missingCode = nullptr;
  if (kind == DriverKind::Acpi) {
    inf = acpiDirectory_ + kAcpiInfName;
    missingCode = "0xEE010003";
  } else if (kind == DriverKind::Sttube) {
    inf = sttubeDirectory_ + kSttubeInfName;
    missingCode = "0xEE010005";
  } else {
    return kNotAvailable;
  }
  std::u16string version = services_.profile.GetStringW(inf, u"Version", u"DriverVer", u"", kProfileValueBufferUnits);
  if (!version.empty()) return version;
  services_.log.ReportError(missingCode, "Preparing");
  return kNotAvailable;
}

CheckReport UpgradeEngine::RunChecks(bool packageWhole, bool flashAgain) const {
  CheckReport r;
  r.installedFirmwareVersion = QueryFirmwareVersion(services_.sensors, services_.standardOutput);
  const PackagedFirmware firmware = ReadPackagedFirmware();
  r.firmwareFileName = firmware.fileName;
  r.packagedFirmwareVersion = firmware.version;
  r.installedAcpiVersion = InstalledDriverVersion(DriverKind::Acpi, services_.registry);
  r.packagedAcpiVersion = ReadPackagedDriverVersion(DriverKind::Acpi);
  r.installedSttubeVersion = InstalledDriverVersion(DriverKind::Sttube, services_.registry);
  r.packagedSttubeVersion = ReadPackagedDriverVersion(DriverKind::Sttube);

  r.firmwareNeedsUpgrade = OrdinalGreater(OrEmpty(r.packagedFirmwareVersion), OrEmpty(r.installedFirmwareVersion)) ||
                           (flashAgain && !r.firmwareFileName.empty());

  // With neither side of a driver known there is nothing to judge the drivers by: the run
  // counts as current, whatever the firmware says.
  if ((IsNotAvailable(r.packagedAcpiVersion) && IsNotAvailable(r.installedAcpiVersion)) ||
      (IsNotAvailable(r.packagedSttubeVersion) && IsNotAvailable(r.installedSttubeVersion))) {
    r.allLatest = true;
  } else {
    r.acpiNeedsUpgrade = DriverNeedsUpgrade(DriverKind::Acpi, r.packagedAcpiVersion, r.installedAcpiVersion);
    r.sttubeNeedsUpgrade = DriverNeedsUpgrade(DriverKind::Sttube, r.packagedSttubeVersion, r.installedSttubeVersion);
    r.allLatest = !r.acpiNeedsUpgrade && !r.firmwareNeedsUpgrade && !r.sttubeNeedsUpgrade;
  }
  if (!packageWhole) r.allLatest = false;

  // The rows: "Checking01".."Checking06" installed (known, unknown), "Checking07".."Checking09"
  // packaged, "Checking11".."Checking13" the older items' names.
  const std::u16string crlf = u"\r\n";
  const std::u16string blankLine = u"\r\n\r\n";
  auto checking = [this](int number) { return texts_.Text(NumberedKey(u"Checking", number)); };
  auto installedRow = [&](const std::u16string& version, int knownText, int unknownText, const std::u16string& end) {
    if (IsNotAvailable(version)) return checking(unknownText) + end;
    return ReplaceAll(checking(knownText), u"1.0", version) + end;
  };
  auto packagedRow = [&](const std::u16string& version, int text, const std::u16string& end) {
    return ReplaceAll(checking(text), u"2.0", version) + end;
  };

  WriteOutput(installedRow(r.installedFirmwareVersion, 3, 6, crlf));
  WriteOutput(installedRow(r.installedAcpiVersion, 2, 5, crlf));
  WriteOutput(installedRow(r.installedSttubeVersion, 1, 4, blankLine));
  WriteOutput(packagedRow(r.packagedFirmwareVersion, 9, crlf));
  WriteOutput(packagedRow(r.packagedAcpiVersion, 8, crlf));
  WriteOutput(packagedRow(r.packagedSttubeVersion, 7, blankLine));
  // The closing prompt is the front end's: the wizard asks for a click on its buttons
  // ("Checking10", "Checking14"); a console names the items or asks for Enter ("Checking15",
  // "Checking16").
  const bool console = ReportsToConsole(mode_);
  if (!r.allLatest) {
    WriteOutput(checking(console ? 15 : 10) + crlf);
    if (r.firmwareNeedsUpgrade) WriteOutput(checking(13) + crlf);
    if (r.acpiNeedsUpgrade) WriteOutput(checking(12) + crlf);
    if (r.sttubeNeedsUpgrade) WriteOutput(checking(11) + crlf);
  } else {
    WriteOutput(checking(console ? 16 : 14) + crlf);
  }
  return r;
}

}  // namespace brevix
