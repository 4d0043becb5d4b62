#pragma once
// The application object: one per process, run by wWinMain.
#include <windows.h>

namespace brevix::framework {

class WinApp {
 public:
  WinApp();
  WinApp(const WinApp&) = delete;
  WinApp& operator=(const WinApp&) = delete;
  virtual ~WinApp();

  static WinApp* Current();
  HINSTANCE Instance() const { return instance_; }
  // The window that owns dialogs opened without an owner.
  HWND MainWindow() const { return mainWindow_; }
  void SetMainWindow(HWND window) { mainWindow_ = window; }

  // InitInstance; when it returns true, a message loop until WM_QUIT; then ExitInstance,
  // whose value is the process's exit code. An exception ends the run with exit code 1.
  int Run(HINSTANCE instance);

 protected:
  // A dialog-based program runs its dialog here and returns false.
  virtual bool InitInstance() { return false; }
  virtual int ExitInstance() { return 0; }

 private:
  HINSTANCE instance_ = nullptr;
  HWND mainWindow_ = nullptr;
};

}  // namespace brevix::framework
