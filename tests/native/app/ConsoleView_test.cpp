#include "app/ConsoleView.h"

#include <gtest/gtest.h>

#include "engine/EngineFakes.h"

namespace brevix {
namespace {

using testing::EngineMachine;

// The hidden dialog: its actions leave a mark in the console text, so that one comparison
// shows what was written and what was done, in order. Unpacking puts the package in place.
class MarkingHost : public ConsoleHost {
 public:
  explicit MarkingHost(EngineMachine& m) : m_(m) {}
  void ExtractPackageOnce() override {
    m_.console.written += u"[extract]";
    m_.SetPackage(u"08/06/2013,1.1.0", u"07/05/2012,3.0.4.0", EngineMachine::kFirmwareFile);
  }
  void StartUpgradeWorker() override { m_.console.written += u"[worker]"; }
  void FinishUpgrade() override { m_.console.written += u"[finish]"; }

 private:
  EngineMachine& m_;
};

TEST(ConsoleView, EngineEventsOnTheConsole) {
  EngineMachine m;
  MarkingHost host(m);
  ConsoleView view(m.console, host);
  EngineView& events = view;
  events.Text(u"Upgrading Varnek\u00AE Brevix ACPI Driver");
  events.StepStarted();
  events.StepEnded(u" . . . Done.\r\n");
  events.Text(u"Finding device");
  events.StepStarted();
  events.StepEnded(u" . . . Varnek\u00AE Failed!\r\n");
  events.Progress(40);
  events.Text(u"Upgrading Varnek(R) Brevix Firmware 40%\r\n");
  events.ReportWritten();
  events.StageEnded();
  EXPECT_EQ(m.console.written,
            u"Upgrading Varnek(R) Brevix ACPI Driver . . . Done.\r\n"
            u"Finding device . . . Varnek(R) Failed!\r\n"
            u"Upgrading Varnek(R) Brevix Firmware 40%\r\n"
            u"[finish]");
  EXPECT_EQ(m.console.enterWaits, 0);  // the wait is the dialog's console end

  view.WriteUnchanged(u"Varnek\u00AE\r\n");
  view.WaitForEnter();
  EXPECT_TRUE(m.console.written.ends_with(u"[finish]Varnek\u00AE\r\n"));
  EXPECT_EQ(m.console.enterWaits, 1);
}

TEST(ConsoleView, SilentRun) {
  const std::u16string licence = u"Varnek\u00AE licence\r\nterms";
  const std::u16string installed =
      u"Installed Varnek(R) Brevix Firmware Version 221212-\r\n"
      u"Installed Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n";
  const std::u16string packaged =
      u"Upgrading Varnek(R) Brevix Firmware Version 221212\r\n"
      u"Upgrading Varnek(R) Brevix ACPI Driver Version 08/06/2013,1.1.0\r\n"
      u"Upgrading Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n";
  const struct {
    const char* what;
    std::u16string sttubeDate;  // installed STTube driver
    std::u16string transcript;
  } cases[] = {
      {"everything current: the report asks for Enter and the run ends", u"7-5-2012",
       u"Varnek\u00AE licence\r\nterms\r\n[extract]\r\n" + installed +
           u"Installed Varnek(R) Brevix STTube Driver Version 07/05/2012,3.0.4.0\r\n\r\n" + packaged +
           u"Installed drivers are all latest, press Enter key to quit.\r\n\r\n[finish]"},
      {"an older driver: named, and the worker takes over", u"1-2-2012",
       u"Varnek\u00AE licence\r\nterms\r\n[extract]\r\n" + installed +
           u"Installed Varnek(R) Brevix STTube Driver Version 01/02/2012,3.0.4.0\r\n\r\n" + packaged +
           u"Old drivers are as below\r\nVarnek(R) Brevix STTube Driver\r\n\r\n[worker]"},
  };
  for (const auto& c : cases) {
    EngineMachine m;
    m.SetPackage(u"", u"", u"");  // nothing unpacked before the run
    m.InstallDriver(DriverKind::Acpi, u"Varnek(R) Brevix ACPI Control", u"8-6-2013", u"1.1.0");
    m.InstallDriver(DriverKind::Sttube, u"Varnek(R) Brevix Zenth DFU", c.sttubeDate, u"3.0.4.0");
    MarkingHost host(m);
    ConsoleView view(m.console, host);
    UpgradeEngine engine(m.Services());
    engine.view = &view;
    view.RunSilent(engine, licence);
    EXPECT_EQ(m.console.written, c.transcript) << c.what;
    EXPECT_EQ(m.console.enterWaits, 0) << c.what;  // no licence question, no wait of its own
  }
}

}  // namespace
}  // namespace brevix
