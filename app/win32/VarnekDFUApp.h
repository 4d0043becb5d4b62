#pragma once
#include <windows.h>

#include <string>

#include "app/ExitCode.h"
#include "data/LanguageTable.h"
#include "ui/framework/WinApp.h"

namespace brevix::win32 {

// The application object: one per process, made by the entry point. Its first language
// lookup fixes the language table for the whole process.
class CVarnekDFUApp : public framework::WinApp {
 public:
  CVarnekDFUApp();
  ~CVarnekDFUApp() override;

  HANDLE instanceMutex = nullptr;  // null unless this instance owns the name
  std::u16string windowClassName;
  TextSlot notSupportedText = u"Popup02";
  RunOutcome outcome;  // what the run came to; the exit code is decided from it

 protected:
  // Start-up: the gates, the command line and the wizard; always false (no loop of its own).
  bool InitInstance() override;
  int ExitInstance() override { return ExitCodeValue(DecideExitCode(outcome)); }

 private:
  void RunWizard(bool ownWorkingDirectory);
};

// The process's language reader over the program's own resources.
LanguageTable& ProcessLanguageTable();
std::uint16_t UserLanguageId();

}  // namespace brevix::win32
