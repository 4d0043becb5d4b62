#include "engine/UpgradeEngine.h"

#include <gtest/gtest.h>

#include "EngineFakes.h"
#include "engine/VersionText.h"

namespace brevix {
namespace {

using testing::EngineMachine;
using testing::HubSensor;
using testing::OtherSensor;

constexpr char16_t kAcpiDesc[] = u"Varnek(R) Brevix ACPI Control";
constexpr char16_t kDfuDesc[] = u"Varnek(R) Brevix Zenth DFU";

TEST(UpgradeEngineConstruction, DirectoriesAndTextsFromTheUsersLanguage) {
  EngineMachine m;
  UpgradeEngine engine(m.Services(), m.Texts());
  EXPECT_EQ(engine.WorkingDirectory(), u"C:\\Program Files\\Varnek");
  EXPECT_EQ(engine.DriverDirectory(DriverKind::Acpi), u"C:\\Program Files\\Varnek\\DRIVER\\ACPI");
  EXPECT_EQ(engine.FirmwareDirectory(), u"C:\\Program Files\\Varnek\\DRIVER\\FIRMWARE");
  EXPECT_EQ(engine.DriverDirectory(DriverKind::Sttube), u"C:\\Program Files\\Varnek\\DRIVER\\STTUBE");

  EXPECT_EQ(engine.Text(u"Checking01"), u"Installed Varnek\u00AE Brevix STTube Driver Version 1.0");
  EXPECT_EQ(engine.Text(u"Checking16"), u"Installed drivers are all latest, press Enter key to quit.");
  EXPECT_EQ(engine.Text(u"Upgrade04"), u"Finding device");
  EXPECT_EQ(engine.Text(u"Upgrade21"), u" . . . Done.\r\n");
  EXPECT_EQ(engine.Text(u"Upgrade22"), u" . . . Failed!\r\n");
  // Every numbered text of the two sections is in the shipped table.
  for (int i = 1; i <= 16; ++i) EXPECT_NE(engine.Text(NumberedKey(u"Checking", i)), NumberedKey(u"Checking", i)) << i;
  for (int i = 1; i <= 26; ++i) EXPECT_NE(engine.Text(NumberedKey(u"Upgrade", i)), NumberedKey(u"Upgrade", i)) << i;
}

TEST(UpgradeEngineConstruction, TableChoiceMissingKeysAndLongResults) {
  EngineMachine m;
  m.system.uiLanguage = 0x0407;  // German: table 192
  const std::u16string longDone(300, u'd');
  m.resources.items[{u"INI", 192}] = testing::Utf16File(
      u"[Checking]\r\nChecking03=Installierte Firmware 1.0\r\n[Upgrade]\r\nUpgrade21=" + longDone +
      u"\r\nUpgrade22=Fehler!\r\n");
  UpgradeEngine engine(m.Services(), m.Texts());
  EXPECT_EQ(m.language.LoadedTableId(), 192);
  EXPECT_EQ(engine.Text(u"Checking03"), u"Installierte Firmware 1.0");
  EXPECT_EQ(engine.Text(u"Checking04"), u"Checking04");  // missing keys show their names
  EXPECT_EQ(engine.Text(u"Upgrade24"), u"Upgrade24");
  EXPECT_EQ(engine.Text(u"Upgrade22"), u" . . . Fehler!\r\n");
  // Cut to fit its 260-unit buffer: 7 + 250 + 2 + terminator.
  EXPECT_EQ(engine.Text(u"Upgrade21"), u" . . . " + longDone.substr(0, 250) + u"\r\n");
}

// One whole checking phase on a machine with these installed and packaged items.
struct Scenario {
  const char* what;
  std::u16string installedFirmwareSerial;  // empty: no hub sensor
  std::u16string firmwareFile;             // empty: none in the package
  std::u16string installedAcpiDate, installedAcpiVersion;  // empty date: not installed
  std::u16string installedSttubeDate, installedSttubeVersion;
  std::u16string packagedAcpi, packagedSttube;  // empty: INF missing
  int firmware, acpi, sttube, allLatest;
};

struct Checked {
  EngineMachine m;
  std::unique_ptr<UpgradeEngine> engine;
  CheckReport report;
  explicit Checked(const Scenario& s, RunMode audience = RunMode::Wizard) {
    if (s.installedFirmwareSerial.empty()) {
      m.sensors.sensors = {OtherSensor()};
    } else {
      m.sensors.sensors = {HubSensor(s.installedFirmwareSerial)};
    }
    m.SetPackage(s.packagedAcpi, s.packagedSttube, s.firmwareFile);
    if (!s.installedAcpiDate.empty()) m.InstallDriver(DriverKind::Acpi, kAcpiDesc, s.installedAcpiDate, s.installedAcpiVersion);
    if (!s.installedSttubeDate.empty()) {
      m.InstallDriver(DriverKind::Sttube, kDfuDesc, s.installedSttubeDate, s.installedSttubeVersion);
    }
    engine = std::make_unique<UpgradeEngine>(m.Services(), m.Texts(), audience);
    engine->Attach(&m.view);
    report = engine->RunChecks();
  }
};

const std::u16string kFw = EngineMachine::kFirmwareFile;  // version 221212
const std::u16string kAcpi = u"08/06/2013,1.1.0";
const std::u16string kSttube = u"07/05/2012,3.0.4.0";

TEST(UpgradeEngineChecks, Decisions) {
  const Scenario cases[] = {
      {"everything current", u"221212-7", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 0, 0, 0, 1},
      {"firmware older", u"221211-7", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 1, 0, 0, 0},
      {"firmware newer", u"221213", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 0, 0, 0, 1},
      {"firmware unreadable", u"", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 1, 0, 0, 0},
      {"firmware not packaged", u"1", u"", u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 0, 0, 0, 1},
      {"firmware file without a version", u"1", u"firmware.dfu", u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0",
       kAcpi, kSttube, 0, 0, 0, 1},
      {"ACPI older", u"221212", kFw, u"6-21-2013", u"1.0.0.5", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 0, 1, 0, 0},
      {"ACPI later date, lower version", u"221212", kFw, u"9-1-2013", u"1.0.0", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube,
       0, 0, 0, 1},
      {"ACPI not installed", u"221212", kFw, u"", u"", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 0, 1, 0, 0},
      {"STTube older", u"221212", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.3.9", kAcpi, kSttube, 0, 0, 1, 0},
      {"STTube not installed", u"221212", kFw, u"8-6-2013", u"1.1.0", u"", u"", kAcpi, kSttube, 0, 0, 1, 0},
      {"all three older", u"1-1", kFw, u"6-21-2013", u"1.0.0.5", u"1-2-2012", u"3.0.4.0", kAcpi, kSttube, 1, 1, 1, 0},
      // With a driver unknown on both sides the run counts as current, whatever else is older.
      {"ACPI unknown on both sides", u"1-1", kFw, u"", u"", u"", u"", u"", kSttube, 1, 0, 0, 1},
      {"STTube unknown on both sides", u"1-1", kFw, u"6-21-2013", u"1.0.0.5", u"", u"", kAcpi, u"", 1, 0, 0, 1},
      {"ACPI INF missing but installed", u"221212", kFw, u"8-6-2013", u"1.1.0", u"1-2-2012", u"3.0.4.0", u"", kSttube,
       0, 0, 1, 0},
  };
  for (const auto& c : cases) {
    Checked run(c);
    const CheckReport& r = run.report;
    EXPECT_EQ(r.firmwareNeedsUpgrade, c.firmware == 1) << c.what;
    EXPECT_EQ(r.acpiNeedsUpgrade, c.acpi == 1) << c.what;
    EXPECT_EQ(r.sttubeNeedsUpgrade, c.sttube == 1) << c.what;
    EXPECT_EQ(r.allLatest, c.allLatest == 1) << c.what;
  }
}

TEST(UpgradeEngineChecks, ReportForOlderItemsWithTheConsolesPrompts) {
  Checked run({"", u"221211-3", kFw, u"6-21-2013", u"1.0.0.5", u"7-5-2012", u"3.0.3.0", kAcpi, kSttube, 1, 1, 1, 0},
              RunMode::Silent);
  const CheckReport& e = run.report;
  EXPECT_EQ(e.installedFirmwareVersion, u"221211-");
  EXPECT_EQ(e.installedAcpiVersion, u"06/21/2013,1.0.0.5");
  EXPECT_EQ(e.installedSttubeVersion, u"07/05/2012,3.0.3.0");
  EXPECT_EQ(e.packagedFirmwareVersion, u"221212");
  EXPECT_EQ(e.packagedAcpiVersion, kAcpi);
  EXPECT_EQ(e.packagedSttubeVersion, kSttube);
  EXPECT_EQ(e.firmwareFileName, kFw);
  // The engine writes its texts as they are; a console front end makes them console-safe.
  EXPECT_EQ(run.m.view.log,
            u"Installed Varnek\u00AE Brevix Firmware Version 221211-\r\n"
            u"Installed Varnek\u00AE Brevix ACPI Driver Version 06/21/2013,1.0.0.5\r\n"
            u"Installed Varnek\u00AE Brevix STTube Driver Version 07/05/2012,3.0.3.0\r\n\r\n"
            u"Upgrading Varnek\u00AE Brevix Firmware Version 221212\r\n"
            u"Upgrading Varnek\u00AE Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
            u"Upgrading Varnek\u00AE Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n"
            u"Old drivers are as below\r\n"
            u"Varnek\u00AE Brevix Firmware\r\n"
            u"Varnek\u00AE Brevix ACPI Driver\r\n"
            u"Varnek\u00AE Brevix STTube Driver\r\n");
  EXPECT_TRUE(run.m.logFile.lines.empty());
}

TEST(UpgradeEngineChecks, WizardReportWithUnknownItemsGoesToTheFrontEnd) {
  Checked run({"", u"", u"", u"", u"", u"", u"", u"", kSttube, 0, 0, 0, 1});
  const auto& calls = run.m.view.calls;
  EXPECT_EQ(run.m.view.log,
            u"Installed Varnek\u00AE Brevix Firmware Version (Not Applicable)\r\n"
            u"Installed Varnek\u00AE Brevix ACPI Driver Version (Not Applicable)\r\n"
            u"Installed Varnek\u00AE Brevix STTube Driver Version (Not Applicable)\r\n\r\n"
            u"Upgrading Varnek\u00AE Brevix Firmware Version N/A\r\n"
            u"Upgrading Varnek\u00AE Brevix ACPI Driver Version N/A\r\n"
            u"Upgrading Varnek\u00AE Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n"
            u"Installed drivers are all latest, click Finish button to exit setup program.\r\n");
  EXPECT_EQ(calls.size(), 7u);  // one write per row
  // The missing ACPI INF is reported; the missing firmware file is not.
  ASSERT_EQ(run.m.logFile.lines.size(), 1u);
  EXPECT_EQ(run.m.logFile.lines[0], "2014/01/02 09:05:03:007 Can not find upgrading ACPI driver (0xEE010003)\r\n");
}

TEST(UpgradeEngineChecks, ClosingLineIsTheFrontEndsPromptForTheOutcome) {
  const Scenario current{"", u"221212", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0", kAcpi, kSttube, 0, 0, 0, 1};
  const Scenario older{"", u"221212", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.3.0", kAcpi, kSttube, 0, 0, 1, 0};
  const struct {
    const char* what;
    const Scenario& scenario;
    RunMode audience;
    std::u16string tail;
  } cases[] = {
      {"console, all current", current, RunMode::Silent,
       u"\r\n\r\nInstalled drivers are all latest, press Enter key to quit.\r\n"},
      {"wizard, all current", current, RunMode::Wizard,
       u"\r\n\r\nInstalled drivers are all latest, click Finish button to exit setup program.\r\n"},
      {"console, older", older, RunMode::Silent, u"\r\n\r\nOld drivers are as below\r\nVarnek\u00AE Brevix STTube Driver\r\n"},
      {"wizard, older", older, RunMode::Wizard,
       u"\r\n\r\nOld drivers are as below, click upgrade button to upgrade them.\r\nVarnek\u00AE Brevix STTube Driver\r\n"},
  };
  for (const auto& c : cases) {
    Checked run(c.scenario, c.audience);
    const std::u16string& log = run.m.view.log;
    ASSERT_GE(log.size(), c.tail.size()) << c.what;
    EXPECT_EQ(log.substr(log.size() - c.tail.size()), c.tail) << c.what;
  }
}

TEST(UpgradeEngineChecks, BothDriverInfsMissingReportBothCodes) {
  Checked run({"", u"221212", kFw, u"8-6-2013", u"1.1.0", u"7-5-2012", u"3.0.4.0", u"", u"", 0, 0, 0, 1});
  ASSERT_EQ(run.m.logFile.lines.size(), 2u);
  EXPECT_NE(run.m.logFile.lines[0].find("Can not find upgrading ACPI driver (0xEE010003)"), std::string::npos);
  EXPECT_NE(run.m.logFile.lines[1].find("Can not find upgrading STTube driver (0xEE010005)"), std::string::npos);
  EXPECT_EQ(run.report.packagedAcpiVersion, kNotAvailable);
  EXPECT_EQ(run.report.packagedSttubeVersion, kNotAvailable);
}

TEST(UpgradeEngineChecks, PackagedDriverVersionIsCutToItsBuffer) {
  EngineMachine m;
  m.SetPackage(u"08/06/2013,1.1.0.1234567890123456789", u"DriverVer-without-date", u"");
  UpgradeEngine engine(m.Services(), m.Texts());
  EXPECT_EQ(engine.ReadPackagedDriverVersion(DriverKind::Acpi), u"08/06/2013,1.1.0.123456789012");  // 29 units
  EXPECT_EQ(engine.ReadPackagedDriverVersion(DriverKind::Sttube), u"DriverVer-without-date");
  EXPECT_EQ(engine.ReadPackagedDriverVersion(static_cast<DriverKind>(7)), kNotAvailable);
  EXPECT_TRUE(m.logFile.lines.empty());
}

TEST(UpgradeEngineChecks, FirmwareFileNameFollowsThePackageOnEveryRun) {
  EngineMachine m;
  UpgradeEngine engine(m.Services(), m.Texts());
  EXPECT_EQ(engine.ReadPackagedFirmware().fileName, EngineMachine::kFirmwareFile);
  EXPECT_EQ(engine.ReadPackagedFirmware().version, u"221212");
  // Only names holding "dfu" in the firmware's File folder count.
  m.SetPackage(kAcpi, kSttube, u"");
  m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\File\\Hub_1.0.22121_333333.bin")] = Bytes{1};
  m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\Hub_1.0.22121_444444.dfu")] = Bytes{1};
  const auto none = engine.ReadPackagedFirmware();
  EXPECT_EQ(none.fileName, u"");  // no stale name for the flashing tool
  EXPECT_EQ(none.version, kNotAvailable);
}

TEST(UpgradeEngineChecks, TranslatedPlaceholdersAndAllOccurrences) {
  EngineMachine m;
  m.resources.items[{u"INI", kEnglishTableId}] = testing::Utf16File(
      u"[Checking]\r\nChecking03=Firmware installiert\r\nChecking02=ACPI 1.0 (1.0)\r\n"
      u"Checking09=Neu: 2.0\r\n");
  m.InstallDriver(DriverKind::Acpi, kAcpiDesc, u"6-21-2013", u"1.0.0.5");
  UpgradeEngine engine(m.Services(), m.Texts());
  engine.Attach(&m.view);
  engine.RunChecks();
  const std::u16string& out = m.view.log;
  EXPECT_EQ(out.rfind(u"Firmware installiert\r\nACPI 06/21/2013,1.0.0.5 (06/21/2013,1.0.0.5)\r\n", 0), 0u)
      << Utf16ToUtf8(out);
  EXPECT_NE(out.find(u"Neu: 221212\r\n"), std::u16string::npos);
}

TEST(UpgradeEngineOutput, WithoutAFrontEndTextIsDroppedWithOneItGoesAsItIs) {
  EngineMachine m;
  UpgradeEngine engine(m.Services(), m.Texts());
  engine.WriteOutput(u"Varnek\u00AE \u00AE x");  // no front end yet: nothing to write to
  EXPECT_TRUE(engine.RunChecks().acpiNeedsUpgrade);  // the checks still decide
  engine.Attach(&m.view);
  engine.WriteOutput(u"Varnek\u00AE \u00AE x");
  EXPECT_EQ(m.view.log, u"Varnek\u00AE \u00AE x");
}

TEST(UpgradeEngineChecks, SensorDiagnosticsGoToStandardOutputNotTheReport) {
  EngineMachine m;
  m.sensors.managerCreated = false;
  m.sensors.managerStatus = static_cast<std::int32_t>(0x80040154u);
  UpgradeEngine engine(m.Services(), m.Texts());
  engine.Attach(&m.view);
  const CheckReport report = engine.RunChecks();
  EXPECT_EQ(m.standardOutput.printed, "Failed to get sensor manager\n");
  EXPECT_EQ(m.view.log.rfind(u"Installed Varnek\u00AE Brevix Firmware Version (Not Applicable)\r\n", 0), 0u);
  EXPECT_TRUE(report.firmwareNeedsUpgrade);
}

}  // namespace
}  // namespace brevix
