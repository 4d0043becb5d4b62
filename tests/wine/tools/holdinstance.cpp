// Test driver: plays a first instance (the named mutex and a window of the program's class),
// then runs the program given and reports how it ended; or takes the flashing tool's mailslot
// name before the program can.
//   holdinstance <program.exe>            prints "exit=<code>" and "window-kept=<0|1>"
//   holdinstance --machine <program.exe>  the same, as a first instance in another logon
//                                         session: only its "Global\" name shows, no window
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
  const bool otherSession = argc == 3 && std::wstring(argv[1]) == L"--machine";
  if (argc != 2 && !otherSession) return 2;
  const wchar_t* program = argv[argc - 1];
  const std::u16string name = brevix::kWindowClassName;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, W(otherSession ? u"Global\\" + name : name));
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
    std::printf("the name is taken already\n");
    return 1;
  }
  HWND window = nullptr;
  if (!otherSession) {
    WNDCLASSW wc{};
    GetClassInfoW(nullptr, L"#32770", &wc);
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = W(name);
    RegisterClassW(&wc);
    window = CreateWindowExW(0, W(name), L"first instance", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance,
                             nullptr);
  }

  std::wstring command = L"\"" + std::wstring(program) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
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
  std::fflush(stdout);
  // A program that did not end by itself is ended: it would hold this report's pipe open.
  if (exitCode == STILL_ACTIVE) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (window) DestroyWindow(window);
  CloseHandle(mutex);
  return exitCode == STILL_ACTIVE ? 1 : 0;
}
