#include "app/ConsoleFrontEnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "engine/EngineFakes.h"
#include "engine/RunMachine.h"

namespace brevix {
namespace {

using testing::EngineMachine;

using testing::RunMachine;
using ConsoleRun = RunMachine;
using testing::kLicence;

const std::u16string kInstalledCurrent =
    u"Installed Varnek(R) Brevix Firmware Version 221212-\r\n"
    u"Installed Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
    u"Installed Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n";
const std::u16string kPackaged =
    u"Upgrading Varnek(R) Brevix Firmware Version 221212\r\n"
    u"Upgrading Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
    u"Upgrading Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n";
const std::u16string kStart = std::u16string(kLicence) + u"\r\n\r\n";

TEST(ConsoleFrontEnd, EverythingCurrentAsksForEnterAndCleansUpTwice) {
  ConsoleRun run;
  run.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"8-6-2013", u"1.1.0");
  run.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"7-5-2012", u"3.0.4.0");
  RunEnding ending{};
  EXPECT_EQ(run.RunSilent(ending), kStart + kInstalledCurrent + kPackaged +
                                        u"Installed drivers are all latest, press Enter key to quit.\r\n\r\n");
  EXPECT_EQ(run.m.console.enterWaits, 1);
  EXPECT_EQ(ending, RunEnding::Current);
  EXPECT_EQ(run.CleanUps(), 2);  // at the end of the work, and again as the run ends
  EXPECT_TRUE(run.boxes.empty());
}

TEST(ConsoleFrontEnd, UpgradeRunsTheWorkerAndThePollToTheClosingTexts) {
  using testing::DfuMessage;
  const std::u16string older =
      u"Installed Varnek(R) Brevix Firmware Version 221211-\r\n"
      u"Installed Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
      u"Installed Varnek(R) Brevix STTube Driver Version 01/02/2012,3.0.4.0\r\n\r\n";
  const std::u16string closing = u"Upgrade Finished!\r\nPress enter key to quit...";
  const struct {
    const char* what;
    bool mailslotMade;
    std::vector<Bytes> flash;
    std::u16string upgrade;  // after the report and its blank line
    bool flashTakes;         // the hub reads as the packaged firmware after the flash
    bool failed;
    std::vector<std::u16string> boxes;
  } cases[] = {
      {"STTube and a flash in steps",
       true,
       {DfuMessage(0, 2), DfuMessage(0, 4, 40), DfuMessage(0, 4, 30), DfuMessage(0, 4, 100), DfuMessage(0, 5)},
       u"Upgrading Varnek(R) Brevix STTube Driver . . . Done.\r\n"
       u"Finding device . . . Done.\r\n"
       u"Upgrading Varnek(R) Brevix Firmware 40%\r\n"
       u"Upgrading Varnek(R) Brevix Firmware 100%\r\n"
       u"Upgrading Varnek(R) Brevix Firmware . . . Done.\r\n" +
           closing,
       true,
       false,
       {}},
      // A tool that reports success while the hub keeps its old firmware failed.
      {"a flash that did not take",
       true,
       {DfuMessage(0, 2), DfuMessage(0, 4, 100), DfuMessage(0, 5)},
       u"Upgrading Varnek(R) Brevix STTube Driver . . . Done.\r\n"
       u"Finding device . . . Done.\r\n"
       u"Upgrading Varnek(R) Brevix Firmware 100%\r\n"
       u"Upgrading Varnek(R) Brevix Firmware . . . Failed!\r\n" +
           closing,
       false,
       true,
       {}},
      {"a failure report", true, {DfuMessage(1, 2)},
       u"Upgrading Varnek(R) Brevix STTube Driver . . . Done.\r\nFinding device . . . Failed!\r\n" + closing, false, true,
       {}},
  };
  for (const auto& c : cases) {
    ConsoleRun run;
    run.m.sensors.sensors = {testing::HubSensor(u"221211-0")};
    run.flashTakes = c.flashTakes;
    run.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"8-6-2013", u"1.1.0");
    run.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"1-2-2012", u"3.0.4.0");
    run.mailslotMade = c.mailslotMade;
    run.flash = c.flash;
    RunEnding ending{};
    const std::u16string transcript = run.RunSilent(ending);
    EXPECT_EQ(transcript, kStart + older + kPackaged +
                              u"Old drivers are as below\r\nVarnek(R) Brevix Firmware\r\n"
                              u"Varnek(R) Brevix STTube Driver\r\n\r\n" +
                              c.upgrade)
        << c.what;
    EXPECT_EQ(run.m.console.enterWaits, 1) << c.what;
    EXPECT_EQ(ending, c.failed ? RunEnding::Failed : RunEnding::Upgraded) << c.what;
    const bool mismatchLogged =
        !run.logFile.lines.empty() && run.logFile.lines.back().find("(0xEE03000C)") != std::string::npos;
    EXPECT_EQ(mismatchLogged, c.what == std::string("a flash that did not take")) << c.what;
    EXPECT_EQ(run.boxes, c.boxes) << c.what;
    EXPECT_EQ(run.CleanUps(), 2) << c.what;
  }
}

TEST(ConsoleFrontEnd, MailslotThatCannotBeMadeIsWrittenNotBoxedAndADriversOnlyRunGoesOn) {
  ConsoleRun run;
  run.mailslotMade = false;
  run.m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"6-21-2013", u"1.0.0.5");
  run.m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", u"7-5-2012", u"3.0.4.0");
  RunEnding ending{};
  const std::u16string transcript = run.RunSilent(ending);
  // Nothing holds an unattended run: the text goes first to the console, and to the log.
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ(transcript.rfind(u"Failed to Create a mailslot.\r\n" + kStart, 0), 0u) << Utf16ToUtf8(transcript);
  ASSERT_EQ(run.logFile.lines.size(), 1u);
  EXPECT_EQ(run.logFile.lines[0], "2014/01/02 09:05:03:007 Failed to Create a mailslot.\r\n");
  EXPECT_TRUE(transcript.ends_with(u"Upgrading Varnek(R) Brevix ACPI Driver . . . Done.\r\n"
                                   u"Upgrade Finished!\r\nPress enter key to quit..."))
      << Utf16ToUtf8(transcript);
  EXPECT_EQ(ending, RunEnding::Upgraded);
}

}  // namespace
}  // namespace brevix
