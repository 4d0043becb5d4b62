// The checking phase as a console-mode run performs it, on the real Windows seams: the
// package is unpacked into a fresh directory that is made current, the engine is built there
// and runs its checks, and the report goes to the console (standard output when redirected)
// as the console front end writes it.
// A closing line gives the decisions, and the upgrade log's lines follow, for the test script.
#include <windows.h>

#include <cstdio>

#include "../WineTestSupport.h"
#include "app/ConsoleFrontEnd.h"
#include "data/TextTable.h"
#include "data/LanguageTable.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "data/UpgradeLog.h"
#include "data/win32/Win32LogFile.h"
#include "engine/UpgradeEngine.h"
#include "engine/win32/Win32DeviceControl.h"
#include "engine/win32/Win32Sensors.h"
#include "platform/win32/Win32Platform.h"

int wmain() {
  using namespace brevix;
  testing::ScratchDirectory work(L"brevix-engine-check");

  win32::Win32Resources resources;
  win32::Win32FileSystem files;
  const auto package = resources.Find(kPackageResourceType, kPackageResourceId);
  if (!package || !ExtractPackage(*package, files)) {
    std::fputs("cannot unpack the package\n", stderr);
    return 2;
  }

  win32::Win32Profile profile;
  win32::Win32Registry registry;
  win32::Win32SensorSource sensors;
  win32::Win32DeviceControl devices;
  win32::Win32ProcessLauncher launcher;
  win32::Win32Clock clock;
  win32::Win32Console console;
  win32::Win32StandardOutput standardOutput;
  win32::Win32LogFile logFile;
  UpgradeLog log(profile, clock, logFile);
  LanguageTable language(resources);
  win32::Win32SystemFacts system;
  win32::Win32FileDigester digests;
  const EngineServices services{files, profile, registry, sensors, devices, launcher, clock, standardOutput, log, digests};
  const TextTable texts = TextTable::Load(language, SelectLanguageTableId(system.GetUserDefaultUILanguage()), u"");
  // The checks run on this thread: each event is written as it comes.
  struct ConsoleSink : EventSink {
    explicit ConsoleSink(Console& c) : console(c) {}
    void Emit(SessionEvent event) override { WriteToConsole(console, event); }
    Console& console;
  } sink(console);

  int exitCode = 0;
  {
    UpgradeEngine engine(services, texts, RunMode::Silent);
    engine.Attach(&sink);
    const CheckReport report = engine.RunChecks();
    char line[160];
    std::snprintf(line, sizeof line, "[decisions firmware=%d acpi=%d sttube=%d allLatest=%d file=%s]\n",
                  report.firmwareNeedsUpgrade ? 1 : 0, report.acpiNeedsUpgrade ? 1 : 0,
                  report.sttubeNeedsUpgrade ? 1 : 0, report.allLatest ? 1 : 0,
                  report.firmwareFileName.empty() ? "none" : "found");
    standardOutput.Print(line);
  }
  standardOutput.Print("[log]\n" + testing::ReadAll(work.Path() + L"\\UpgradeTool.log"));
  return exitCode;
}
