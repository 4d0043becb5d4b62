#pragma once
#include <windows.h>

#include "app/StartupGates.h"

namespace brevix::win32 {

class Win32StartupShell : public StartupShell {
 public:
  Win32StartupShell(HANDLE& instanceMutex, const std::u16string& className)
      : instanceMutex_(instanceMutex), className_(className) {}
  void ShowRefusal(const std::u16string& text) override;
  bool ClaimSingleInstance() override;
  void BringExistingInstanceForward() override;
  bool RegisterWindowClass() override;

 private:
  HANDLE& instanceMutex_;
  const std::u16string& className_;
};

// The executable's file name without its extension: the title of the program's message boxes.
std::u16string ApplicationName();

}  // namespace brevix::win32
