#include "app/win32/VarnekDFUApp.h"

#include <commctrl.h>

#include <cwctype>

#include "app/StartupGates.h"
#include "app/win32/CommandLineInfo.h"
#include "app/win32/Win32StartupShell.h"
#include "data/UpgradeLog.h"
#include "data/win32/Win32LogFile.h"
#include "engine/win32/Win32DeviceControl.h"
#include "engine/win32/Win32Sensors.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"
#include "ui/wizard/win32/VarnekDFUDlg.h"

namespace brevix::win32 {
namespace {

bool SamePath(std::u16string a, std::u16string b) {
  auto trim = [](std::u16string& s) {
    while (!s.empty() && s.back() == u'\\') s.pop_back();
  };
  trim(a);
  trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(wchar_t(a[i])) != std::towlower(wchar_t(b[i]))) return false;
  return true;
}

}  // namespace

LanguageTable& ProcessLanguageTable() {
  static Win32Resources resources;
  static LanguageTable table(resources);
  return table;
}

std::uint16_t UserLanguageId() { return ::GetUserDefaultUILanguage(); }

CVarnekDFUApp::CVarnekDFUApp() : windowClassName(kWindowClassName) {
  const std::uint16_t tableId = SelectLanguageTableId(UserLanguageId());
  // The text lives in section "Popup"; the search starts at "Checking" and runs on past it.
  ProcessLanguageTable().LookupText(u"Checking", tableId, notSupportedText);
}

CVarnekDFUApp::~CVarnekDFUApp() {
  if (instanceMutex) {
    ::ReleaseMutex(instanceMutex);
    ::CloseHandle(instanceMutex);
  }
}

bool CVarnekDFUApp::InitInstance() {
  Win32SystemFacts system;
  Win32Registry registry;
  Win32Resources resources;
  Win32FileSystem files;
  Win32StartupShell shell(instanceMutex, windowClassName);
  StartupEnvironment env{system, registry, resources, files, shell};
  outcome.startup = RunStartupGates(env, notSupportedText);
  if (outcome.startup != StartupOutcome::Ready) return false;
  const bool ownWorkingDirectory =
      SamePath(files.CurrentDirectory(), WorkingDirectoryPath(system.SystemDirectory(), system.IsWow64()));

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;
  ::InitCommonControlsEx(&controls);
  // Restartable by the restart manager, without recovery or autosave.
  ::RegisterApplicationRestart(L"", 0);

  const ConsoleModes modes = ReadCommandLine();
  outcome.consoleMode = modes.consoleMode;
  outcome.silentMode = modes.silentMode;
  RunWizard(ownWorkingDirectory);
  return false;
}

void CVarnekDFUApp::RunWizard(bool ownWorkingDirectory) {
  Win32SystemFacts system;
  Win32Resources resources;
  Win32FileSystem files;
  Win32Profile profile;
  Win32Registry registry;
  Win32SensorSource sensors;
  Win32DeviceControl devices;
  Win32ProcessLauncher launcher;
  Win32Clock clock;
  Win32Console console;
  Win32StandardOutput standardOutput;
  Win32LogFile logFile;
  Win32FileSecurity fileSecurity;
  UpgradeLog log(profile, clock, logFile);
  const EngineServices engineServices{files, profile, registry, sensors, devices, launcher,
                                      clock, standardOutput, log, ProcessLanguageTable(), system};
  const WizardServices services{engineServices,          resources,           console, fileSecurity,
                                system.SystemDirectory(), ownWorkingDirectory, ApplicationName()};

  CVarnekDFUDlg dialog(services);
  dialog.consoleMode = outcome.consoleMode;
  dialog.silentMode = outcome.consoleMode && outcome.silentMode;
  dialog.DoModal();

  const WizardModel& model = dialog.Model();
  const bool finished = model.PageStateValue() == kStateFinished || dialog.UpgradeAttempted();
  outcome.userQuit = !outcome.consoleMode && !finished;
  outcome.upgraded = dialog.UpgradeAttempted();
  outcome.stepFailed = dialog.StepFailed();
  outcome.restartStarted = !outcome.consoleMode && model.PageStateValue() == kStateFinished && dialog.RestartChoice() == 1 &&
                           dialog.UpgradeAttempted();
}

}  // namespace brevix::win32
