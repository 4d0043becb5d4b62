#pragma once
#include <windows.h>

#include "app/StartupGates.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

class Win32StartupShell : public StartupShell {
 public:
  // The single-instance mutex, once claimed, is held by `instanceMutex` for the process's run.
  Win32StartupShell(UniqueHandle& instanceMutex, const std::u16string& className)
      : instanceMutex_(instanceMutex), className_(className) {}
  void ShowRefusal(const std::u16string& text) override;
  bool ClaimSingleInstance() override;
  void BringExistingInstanceForward() override;
  bool RegisterWindowClass() override;

 private:
  UniqueHandle& instanceMutex_;
  const std::u16string& className_;
};

// The executable's file name without its extension: the title of the program's message boxes.
std::u16string ApplicationName();

}  // namespace brevix::win32
