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
  UpgradeEngine engine(m.Services());
  EXPECT_EQ(engine.workingDirectory, u"C:\\Program Files\\Varnek");
  EXPECT_EQ(engine.acpiDirectory, u"C:\\Program Files\\Varnek\\DRIVER\\ACPI");
  EXPECT_EQ(engine.firmwareDirectory, u"C:\\Program Files\\Varnek\\DRIVER\\FIRMWARE");
  EXPECT_EQ(engine.sttubeDirectory, u"C:\\Program Files\\Varnek\\DRIVER\\STTUBE");

  EXPECT_EQ(engine.CheckingText(1), u"Installed Varnek\u00AE Brevix STTube Driver Version 1.0");
  EXPECT_EQ(engine.CheckingText(16), u"Installed drivers are all latest, press Enter key to quit.");
  EXPECT_EQ(engine.UpgradeText(4), u"Finding device");
  EXPECT_EQ(engine.UpgradeText(21), u" . . . Done.\r\n");
  EXPECT_EQ(engine.UpgradeText(22), u" . . . Failed!\r\n");
  for (std::size_t i = 0; i < kCheckingTextCount; ++i) EXPECT_FALSE(engine.checkingTexts[i].empty());
  EXPECT_EQ(m.language.HandedOutCount(), kCheckingTextCount + kUpgradeTextCount);  // every key is in the table

  // The engine keeps its own copies: releasing the language texts leaves them intact.
  m.language.ReleaseTexts();
  EXPECT_EQ(engine.CheckingText(13), u"Varnek\u00AE Brevix Firmware");

  EXPECT_EQ(engine.firmwareNeedsUpgrade | engine.acpiNeedsUpgrade | engine.sttubeNeedsUpgrade | engine.allLatest |
                engine.driversDone.load(),
            0);
  EXPECT_EQ(engine.view, nullptr);
}

TEST(UpgradeEngineConstruction, TableChoiceMissingKeysAndLongResults) {
  EngineMachine m;
  m.system.uiLanguage = 0x0407;  // German: table 192
  const std::u16string longDone(300, u'd');
  m.resources.items[{u"INI", 192}] = testing::Utf16File(
      u"[Checking]\r\nChecking03=Installierte Firmware 1.0\r\n[Upgrade]\r\nUpgrade21=" + longDone +
      u"\r\nUpgrade22=Fehler!\r\n");
  UpgradeEngine engine(m.Services());
  EXPECT_EQ(m.language.LoadedTableId(), 192);
  EXPECT_EQ(engine.CheckingText(3), u"Installierte Firmware 1.0");
  EXPECT_EQ(engine.CheckingText(4), u"Checking04");  // missing keys show their names
  EXPECT_EQ(engine.UpgradeText(24), u"Upgrade24");
  EXPECT_EQ(engine.UpgradeText(22), u" . . . Fehler!\r\n");
  // Cut to fit its 260-unit buffer: 7 + 250 + 2 + terminator.
  EXPECT_EQ(engine.UpgradeText(21), u" . . . " + longDone.substr(0, 250) + u"\r\n");
}

TEST(UpgradeEngineConstruction, CurrentEngineIsTheLatestAliveOne) {
  EngineMachine m;
  {
    UpgradeEngine first(m.Services());
    EXPECT_EQ(CurrentEngine(), &first);
    {
      UpgradeEngine second(m.Services());
      EXPECT_EQ(CurrentEngine(), &second);
    }
    // The second one is gone: a worker started now finds no engine instead of a dangling one.
    EXPECT_EQ(CurrentEngine(), nullptr);
    UpgradeEngine third(m.Services());
    EXPECT_EQ(CurrentEngine(), &third);
  }
  EXPECT_EQ(CurrentEngine(), nullptr);
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

// The prompts a console front end asks for: "Checking15" and "Checking16".
constexpr EngineView::ReportPrompts kConsolePrompts{15, 16};

struct Checked {
  EngineMachine m;
  std::unique_ptr<UpgradeEngine> engine;
  explicit Checked(const Scenario& s, EngineView::ReportPrompts prompts = {}) {
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
    engine = std::make_unique<UpgradeEngine>(m.Services());
    m.view.prompts = prompts;
    engine->view = &m.view;
    engine->RunChecks();
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
    const UpgradeEngine& e = *run.engine;
    EXPECT_EQ(e.firmwareNeedsUpgrade, c.firmware) << c.what;
    EXPECT_EQ(e.acpiNeedsUpgrade, c.acpi) << c.what;
    EXPECT_EQ(e.sttubeNeedsUpgrade, c.sttube) << c.what;
    EXPECT_EQ(e.allLatest, c.allLatest) << c.what;
  }
}

TEST(UpgradeEngineChecks, ReportForOlderItemsWithTheConsolesPrompts) {
  Checked run({"", u"221211-3", kFw, u"6-21-2013", u"1.0.0.5", u"7-5-2012", u"3.0.3.0", kAcpi, kSttube, 1, 1, 1, 0},
              kConsolePrompts);
  const UpgradeEngine& e = *run.engine;
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

TEST(UpgradeEngineChecks, WizardReportWithUnknownItemsGoesToTheViewAndEndsWithTheScrollBar) {
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
  ASSERT_EQ(calls.size(), 8u);  // one write per row, then the scroll bar
  EXPECT_EQ(calls.back(), "sync");
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
    EngineView::ReportPrompts prompts;
    std::u16string tail;
  } cases[] = {
      {"console, all current", current, kConsolePrompts,
       u"\r\n\r\nInstalled drivers are all latest, press Enter key to quit.\r\n"},
      {"wizard, all current", current, {},
       u"\r\n\r\nInstalled drivers are all latest, click Finish button to exit setup program.\r\n"},
      {"console, older", older, kConsolePrompts, u"\r\n\r\nOld drivers are as below\r\nVarnek\u00AE Brevix STTube Driver\r\n"},
      {"wizard, older", older, {},
       u"\r\n\r\nOld drivers are as below, click upgrade button to upgrade them.\r\nVarnek\u00AE Brevix STTube Driver\r\n"},
  };
  for (const auto& c : cases) {
    Checked run(c.scenario, c.prompts);
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
  EXPECT_EQ(run.engine->packagedAcpiVersion, kNotAvailable);
  EXPECT_EQ(run.engine->packagedSttubeVersion, kNotAvailable);
}

TEST(UpgradeEngineChecks, PackagedDriverVersionIsCutToItsBuffer) {
  EngineMachine m;
  m.SetPackage(u"08/06/2013,1.1.0.1234567890123456789", u"DriverVer-without-date", u"");
  UpgradeEngine engine(m.Services());
  engine.ReadPackagedDriverVersion(DriverKind::Acpi);
  engine.ReadPackagedDriverVersion(DriverKind::Sttube);
  EXPECT_EQ(engine.packagedAcpiVersion, u"08/06/2013,1.1.0.123456789012");  // 29 units
  EXPECT_EQ(engine.packagedSttubeVersion, u"DriverVer-without-date");
  engine.packagedAcpiVersion = u"kept";
  engine.ReadPackagedDriverVersion(static_cast<DriverKind>(7));
  EXPECT_EQ(engine.packagedAcpiVersion, u"kept");
  EXPECT_TRUE(m.logFile.lines.empty());
}

TEST(UpgradeEngineChecks, FirmwareFileNameFollowsThePackageOnEveryRun) {
  EngineMachine m;
  UpgradeEngine engine(m.Services());
  engine.ReadPackagedFirmwareVersion();
  EXPECT_EQ(engine.firmwareFileName, EngineMachine::kFirmwareFile);
  EXPECT_EQ(engine.packagedFirmwareVersion, u"221212");
  // Only names holding "dfu" in the firmware's File folder count.
  m.SetPackage(kAcpi, kSttube, u"");
  m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\File\\Hub_1.0.22121_333333.bin")] = Bytes{1};
  m.files.files[EngineMachine::Path(u"DRIVER\\FIRMWARE\\Hub_1.0.22121_444444.dfu")] = Bytes{1};
  engine.ReadPackagedFirmwareVersion();
  EXPECT_EQ(engine.firmwareFileName, u"");  // no stale name for the flashing tool
  EXPECT_EQ(engine.packagedFirmwareVersion, kNotAvailable);
}

TEST(UpgradeEngineChecks, TranslatedPlaceholdersAndAllOccurrences) {
  EngineMachine m;
  m.resources.items[{u"INI", kEnglishTableId}] = testing::Utf16File(
      u"[Checking]\r\nChecking03=Firmware installiert\r\nChecking02=ACPI 1.0 (1.0)\r\n"
      u"Checking09=Neu: 2.0\r\n");
  m.InstallDriver(DriverKind::Acpi, kAcpiDesc, u"6-21-2013", u"1.0.0.5");
  UpgradeEngine engine(m.Services());
  engine.view = &m.view;
  engine.RunChecks();
  const std::u16string& out = m.view.log;
  EXPECT_EQ(out.rfind(u"Firmware installiert\r\nACPI 06/21/2013,1.0.0.5 (06/21/2013,1.0.0.5)\r\n", 0), 0u)
      << Utf16ToUtf8(out);
  EXPECT_NE(out.find(u"Neu: 221212\r\n"), std::u16string::npos);
}

TEST(UpgradeEngineOutput, WithoutAViewTextIsDroppedWithOneItGoesAsItIs) {
  EngineMachine m;
  UpgradeEngine engine(m.Services());
  engine.WriteOutput(u"Varnek\u00AE \u00AE x");  // no front end yet: nothing to write to
  engine.RunChecks();
  EXPECT_EQ(engine.acpiNeedsUpgrade, 1);  // the checks still decide
  engine.view = &m.view;
  engine.WriteOutput(u"Varnek\u00AE \u00AE x");
  EXPECT_EQ(m.view.log, u"Varnek\u00AE \u00AE x");
}

TEST(UpgradeEngineChecks, SensorDiagnosticsGoToStandardOutputNotTheReport) {
  EngineMachine m;
  m.sensors.managerCreated = false;
  m.sensors.managerStatus = static_cast<std::int32_t>(0x80040154u);
  UpgradeEngine engine(m.Services());
  engine.view = &m.view;
  engine.RunChecks();
  EXPECT_EQ(m.standardOutput.printed, "Failed to get sensor manager\n");
  EXPECT_EQ(m.view.log.rfind(u"Installed Varnek\u00AE Brevix Firmware Version (Not Applicable)\r\n", 0), 0u);
  EXPECT_EQ(engine.firmwareNeedsUpgrade, 1);
}

}  // namespace
}  // namespace brevix
