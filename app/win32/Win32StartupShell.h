#pragma once
#include <windows.h>

#include "app/StartupGates.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

class Win32StartupShell : public StartupShell {
 public:
  // The single-instance mutexes are named after the window class: one in the logon session's
  // namespace, one in the machine's ("Global\<class name>"), so that a run in another session
  // (another user switched in, a remote desktop, a deployment service) is refused too. Once
  // claimed, the session's is held by `instanceMutex` and the machine's by the shell, both
  // living for the process's run.
  Win32StartupShell(UniqueHandle& instanceMutex, const std::u16string& className)
      : instanceMutex_(instanceMutex), className_(className) {}
  void ShowRefusal(const std::u16string& text) override;
  // False when another run holds either name.
  bool ClaimSingleInstance() override;
  void BringExistingInstanceForward() override;
  bool RegisterWindowClass() override;

 private:
  UniqueHandle& instanceMutex_;
  UniqueHandle machineMutex_;
  const std::u16string& className_;
};

// The executable's file name without its extension: the title of the program's message boxes.
std::u16string ApplicationName();

}  // namespace brevix::win32
