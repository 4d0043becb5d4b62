// The baseline of the start-up and responsiveness figures: the least a dialog program of this
// toolchain does, a dialog template of its own resources run by DialogBoxParamW.
#include <windows.h>

#include "platform/win32/StartupTrace.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    brevix::win32::EndStartupTrace("window and its controls made");
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The same start-up marks as the product's (BREVIX_STARTUP_TRACE): where a bare program is.
  brevix::win32::StartupMark("entry point (the system loaded the program and its DLLs)");
  return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, DialogProc, 0));
}
