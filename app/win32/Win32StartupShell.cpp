#include "app/win32/Win32StartupShell.h"

#include "platform/win32/WinText.h"

namespace brevix::win32 {

std::u16string ApplicationName() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string name = U16(path, n < MAX_PATH ? n : 0);
  const auto slash = name.find_last_of(u"\\/");
  if (slash != std::u16string::npos) name.erase(0, slash + 1);
  const auto dot = name.rfind(u'.');
  if (dot != std::u16string::npos) name.erase(dot);
  return name;
}

void Win32StartupShell::ShowRefusal(const std::u16string& text) {
  ::MessageBoxW(nullptr, W(text), W(ApplicationName()), MB_OK | MB_ICONEXCLAMATION);
}

bool Win32StartupShell::ClaimSingleInstance() {
  UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, W(className_)));
  // The other instance owns the name; this process ends at once.
  if (::GetLastError() == ERROR_ALREADY_EXISTS) return false;
  instanceMutex_ = std::move(mutex);
  return true;
}

void Win32StartupShell::BringExistingInstanceForward() {
  if (HWND window = ::FindWindowExW(nullptr, nullptr, W(className_), nullptr)) ::SwitchToThisWindow(window, FALSE);
}

bool Win32StartupShell::RegisterWindowClass() {
  // The wizard's dialog template names this class: the dialog class under our own name, so a
  // second instance can find the first one's window.
  WNDCLASSW wc{};
  if (!::GetClassInfoW(::GetModuleHandleW(nullptr), L"#32770", &wc)) return false;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = W(className_);
  return ::RegisterClassW(&wc) != 0;
}

}  // namespace brevix::win32
