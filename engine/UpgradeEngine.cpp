#include "engine/UpgradeEngine.h"

#include "engine/VersionText.h"
#include "platform/Text.h"

namespace brevix {
namespace {

std::atomic<UpgradeEngine*> g_currentEngine{nullptr};

std::u16string NumberedKey(std::u16string_view prefix, std::size_t number) {
  std::u16string key(prefix);
  key += static_cast<char16_t>(u'0' + number / 10);
  key += static_cast<char16_t>(u'0' + number % 10);
  return key;
}

template <std::size_t N>
void LookUpTexts(LanguageTable& language, std::uint16_t tableId, std::u16string_view section,
                 std::array<std::u16string, N>& texts) {
  for (std::size_t i = 0; i < N; ++i) {
    const std::u16string key = NumberedKey(section, i + 1);
    TextSlot slot = key.c_str();  // a missing key leaves the key name as the text
    language.LookupText(section, tableId, slot);
    texts[i] = slot;
  }
}

bool IsNotAvailable(const std::u16string& version) { return version == kNotAvailable; }

std::u16string_view OrEmpty(const std::u16string& version) {
  return IsNotAvailable(version) ? std::u16string_view() : std::u16string_view(version);
}

}  // namespace

UpgradeEngine* CurrentEngine() { return g_currentEngine.load(); }

UpgradeEngine::UpgradeEngine(const EngineServices& s) : services(s) {
  workingDirectory = services.files.CurrentDirectory();
  acpiDirectory = workingDirectory + u"\\DRIVER\\ACPI";
  firmwareDirectory = workingDirectory + u"\\DRIVER\\FIRMWARE";
  sttubeDirectory = workingDirectory + u"\\DRIVER\\STTUBE";

  const std::uint16_t tableId = SelectLanguageTableId(services.system.GetUserDefaultUILanguage());
  LookUpTexts(services.language, tableId, u"Checking", checkingTexts);
  LookUpTexts(services.language, tableId, u"Upgrade", upgradeTexts);
  upgradeTexts[20] = DecorateResultText(upgradeTexts[20]);
  upgradeTexts[21] = DecorateResultText(upgradeTexts[21]);

  g_currentEngine.store(this);
}

UpgradeEngine::~UpgradeEngine() {
  // A worker started after this must find no engine rather than a destroyed one.
  UpgradeEngine* self = this;
  g_currentEngine.compare_exchange_strong(self, nullptr);
}

void UpgradeEngine::WriteOutput(std::u16string text) {
  if (view) view->Text(text);
}

void UpgradeEngine::ReadPackagedFirmwareVersion() {
  firmwareFileName = services.files.FindFirstMatch(firmwareDirectory + kFirmwareFilePattern).value_or(u"");
  const auto version = firmwareFileName.empty() ? std::nullopt : ParseFirmwareFileVersion(firmwareFileName);
  packagedFirmwareVersion = version.value_or(kNotAvailable);
}

void UpgradeEngine::ReadPackagedDriverVersion(DriverKind kind) {
  std::u16string* field = nullptr;
  std::u16string inf;
  const char* missingCode = nullptr;
  if (kind == DriverKind::Acpi) {
    field = &packagedAcpiVersion;
    inf = acpiDirectory + kAcpiInfName;
    missingCode = "0xEE010003";
  } else if (kind == DriverKind::Sttube) {
    field = &packagedSttubeVersion;
    inf = sttubeDirectory + kSttubeInfName;
    missingCode = "0xEE010005";
  } else {
    return;
  }
  std::u16string version = services.profile.GetStringW(inf, u"Version", u"DriverVer", u"", kProfileValueBufferUnits);
  if (!version.empty()) {
    *field = std::move(version);
    return;
  }
  *field = kNotAvailable;
  services.log.ReportError(missingCode, "Preparing");
}

void UpgradeEngine::CompareDriverVersions() {
  auto key = [](const std::u16string& version, VersionKeyRule rule) {
    return IsNotAvailable(version) ? std::u16string() : BuildVersionKey(version, rule);
  };
  acpiNeedsUpgrade = OrdinalGreater(key(packagedAcpiVersion, VersionKeyRule::DateThenWholeVersion),
                                    key(installedAcpiVersion, VersionKeyRule::DateThenWholeVersion))
                         ? 1
                         : 0;
  sttubeNeedsUpgrade = OrdinalGreater(key(packagedSttubeVersion, VersionKeyRule::SttubeChecking),
                                      key(installedSttubeVersion, VersionKeyRule::SttubeChecking))
                           ? 1
                           : 0;
}

void UpgradeEngine::RunChecks() {
  installedFirmwareVersion = QueryFirmwareVersion(services.sensors, services.standardOutput);
  ReadPackagedFirmwareVersion();
  ReadInstalledDriverVersion(*this, DriverKind::Acpi);
  ReadPackagedDriverVersion(DriverKind::Acpi);
  ReadInstalledDriverVersion(*this, DriverKind::Sttube);
  ReadPackagedDriverVersion(DriverKind::Sttube);

  firmwareNeedsUpgrade = OrdinalGreater(OrEmpty(packagedFirmwareVersion), OrEmpty(installedFirmwareVersion)) ? 1 : 0;

  // With neither side of a driver known there is nothing to judge the drivers by: the run
  // counts as current, whatever the firmware says.
  if ((IsNotAvailable(packagedAcpiVersion) && IsNotAvailable(installedAcpiVersion)) ||
      (IsNotAvailable(packagedSttubeVersion) && IsNotAvailable(installedSttubeVersion))) {
    allLatest = 1;
  } else {
    CompareDriverVersions();
    allLatest = (acpiNeedsUpgrade == 0 && firmwareNeedsUpgrade == 0 && sttubeNeedsUpgrade == 0) ? 1 : 0;
  }

  const std::u16string crlf = u"\r\n";
  const std::u16string blankLine = u"\r\n\r\n";
  auto installedRow = [&](const std::u16string& version, int knownText, int unknownText, const std::u16string& end) {
    if (IsNotAvailable(version)) return CheckingText(unknownText) + end;
    return ReplaceAll(CheckingText(knownText), u"1.0", version) + end;
  };
  auto packagedRow = [&](const std::u16string& version, int text, const std::u16string& end) {
    return ReplaceAll(CheckingText(text), u"2.0", version) + end;
  };

  WriteOutput(installedRow(installedFirmwareVersion, 3, 6, crlf));
  WriteOutput(installedRow(installedAcpiVersion, 2, 5, crlf));
  WriteOutput(installedRow(installedSttubeVersion, 1, 4, blankLine));
  WriteOutput(packagedRow(packagedFirmwareVersion, 9, crlf));
  WriteOutput(packagedRow(packagedAcpiVersion, 8, crlf));
  WriteOutput(packagedRow(packagedSttubeVersion, 7, blankLine));
  const EngineView::ReportPrompts prompts = view ? view->Prompts() : EngineView::ReportPrompts{};
  if (allLatest == 0) {
    WriteOutput(CheckingText(prompts.olderItems) + crlf);
    if (firmwareNeedsUpgrade) WriteOutput(CheckingText(13) + crlf);
    if (acpiNeedsUpgrade) WriteOutput(CheckingText(12) + crlf);
    if (sttubeNeedsUpgrade) WriteOutput(CheckingText(11) + crlf);
  } else {
    WriteOutput(CheckingText(prompts.allLatest) + crlf);
  }

  if (view) view->ReportWritten();
}

}  // namespace brevix
