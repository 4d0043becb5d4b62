#include "app/win32/VarnekDFUApp.h"

#include <commctrl.h>

#include "app/StartupGates.h"
#include "app/win32/Win32StartupShell.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

LanguageTable& ProcessLanguageTable() {
  static Win32Resources resources;
  static LanguageTable table(resources);
  return table;
}

std::uint16_t UserLanguageId() { return ::GetUserDefaultUILanguage(); }

CVarnekDFUApp::CVarnekDFUApp() : windowClassName(kWindowClassName) {
  const std::uint16_t tableId = SelectLanguageTableId(UserLanguageId());
  // Both texts live in section "Popup"; the search starts at "Checking" and runs on past it.
  ProcessLanguageTable().LookupText(u"Checking", tableId, quitQuestionText);
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
  if (RunStartupGates(env, notSupportedText) != StartupOutcome::Ready) return false;

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;
  ::InitCommonControlsEx(&controls);
  // Restartable by the restart manager, without recovery or autosave.
  ::RegisterApplicationRestart(L"", 0);

  // The command line and the wizard take over from here.
  return false;
}

CVarnekDFUApp theApp;

}  // namespace brevix::win32
