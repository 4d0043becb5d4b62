// The checking phase as a console-mode run performs it, on the real Windows seams: the
// package is unpacked into a fresh directory that is made current, the engine is built there
// and runs its checks, and the report goes through the console front end to the console
// (standard output when redirected).
// A closing line gives the decisions, and the upgrade log's lines follow, for the test script.
#include <windows.h>

#include <cstdio>

#include "../WineTestSupport.h"
#include "app/ConsoleView.h"
#include "data/LanguageTable.h"
#include "data/ResourcePackage.h"
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
  const EngineServices services{files, profile, registry, sensors,  devices,
                                launcher, clock, standardOutput, log, language, system};
  // The checks alone call none of the hidden dialog's actions.
  struct NoDialog : ConsoleHost {
    void ExtractPackageOnce() override {}
    void StartUpgradeWorker() override {}
    void FinishUpgrade() override {}
  } dialog;

  int exitCode = 0;
  {
    UpgradeEngine engine(services);
    ConsoleView view(console, dialog);
    engine.view = &view;
    engine.RunChecks();
    char line[160];
    std::snprintf(line, sizeof line, "[decisions firmware=%d acpi=%d sttube=%d allLatest=%d file=%s]\n",
                  static_cast<int>(engine.firmwareNeedsUpgrade), static_cast<int>(engine.acpiNeedsUpgrade),
                  static_cast<int>(engine.sttubeNeedsUpgrade), static_cast<int>(engine.allLatest),
                  engine.firmwareFileName.empty() ? "none" : "found");
    standardOutput.Print(line);
    if (CurrentEngine() != &engine) exitCode = 4;
  }
  standardOutput.Print("[log]\n" + testing::ReadAll(work.Path() + L"\\UpgradeTool.log"));
  return exitCode;
}
