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

namespace {

// A single-instance mutex as creating it left it: the handle, or none with `heldElsewhere`
// when another run holds the name, or none without it when the mutex could not be had for
// another reason (no sign of another run, so the run goes on without it, as it always has).
struct InstanceMutex {
  UniqueHandle handle;
  bool heldElsewhere = false;
};

InstanceMutex CreateInstanceMutex(const std::u16string& name) {
  UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, W(name)));
  const DWORD error = ::GetLastError();
  // ERROR_ACCESS_DENIED: the name exists under an access list that shuts this process out (a
  // run of another user, whose objects admit only that user), or this process may not make
  // objects in that namespace at all. The two cannot be told apart from here; taking it for
  // another run at worst refuses a run that would have been alone, while the other reading
  // could let two runs flash one hub.
  if (error == ERROR_ALREADY_EXISTS || (!mutex && error == ERROR_ACCESS_DENIED)) return {UniqueHandle(), true};
  return {std::move(mutex), false};
}

// In session 0 (services) the session's namespace is the machine's: "Global\<name>" would be
// the very mutex this run just made.
bool SessionNamespaceIsGlobal() {
  DWORD session = 0;
  return ::ProcessIdToSessionId(::GetCurrentProcessId(), &session) && session == 0;
}

}  // namespace

bool Win32StartupShell::ClaimSingleInstance() {
  // Another run owns a name; this process ends at once (nothing claimed is kept).
  InstanceMutex session = CreateInstanceMutex(className_);
  if (session.heldElsewhere) return false;
  InstanceMutex machine;
  if (!SessionNamespaceIsGlobal()) {
    machine = CreateInstanceMutex(u"Global\\" + className_);
    if (machine.heldElsewhere) return false;
  }
  instanceMutex_ = std::move(session.handle);
  machineMutex_ = std::move(machine.handle);
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
