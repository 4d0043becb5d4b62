// Test driver: plays a first instance (the named mutex and a window of the program's class),
// then runs the program given and reports how it ended; or takes the flashing tool's mailslot
// name before the program can.
//   holdinstance <program.exe>            prints "exit=<code>" and "window-kept=<0|1>"
//   holdinstance --mailslot <seconds>     holds the mailslot that long; prints "held" once made
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/StartupGates.h"
#include "engine/FirmwareMailslot.h"
#include "platform/win32/WinText.h"

int wmain(int argc, wchar_t** argv) {
  using brevix::win32::W;
  if (argc == 3 && std::wstring(argv[1]) == L"--mailslot") {
    const brevix::win32::UniqueHandle slot(
        CreateMailslotW(W(brevix::kFirmwareMailslotName), 0, 0, nullptr));
    if (!slot) {
      std::printf("cannot make the mailslot: %lu\n", GetLastError());
      return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(_wtoi(argv[2])) * 1000);
    return 0;
  }
  if (argc != 2) return 2;
  const std::u16string name = brevix::kWindowClassName;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, W(name));
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    std::printf("the name is taken already\n");
    return 1;
  }
  WNDCLASSW wc{};
  GetClassInfoW(nullptr, L"#32770", &wc);
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = W(name);
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, W(name), L"first instance", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                wc.hInstance, nullptr);

  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("cannot start: %lu\n", GetLastError());
    return 1;
  }
  // Keep our window responsive while the second instance looks for it.
  DWORD exitCode = STILL_ACTIVE;
  for (int i = 0; i < 300 && exitCode == STILL_ACTIVE; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &exitCode);
  }
  std::printf("exit=%lu\nwindow-kept=%d\n", exitCode, IsWindow(window) ? 1 : 0);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  DestroyWindow(window);
  CloseHandle(mutex);
  return exitCode == STILL_ACTIVE ? 1 : 0;
}
