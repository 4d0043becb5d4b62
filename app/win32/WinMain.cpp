#include <windows.h>

#include "app/win32/Application.h"
#include "platform/win32/StartupTrace.h"

namespace {

// The program runs elevated: a DLL it loads by name must come from the system directory, never
// from the folder it was started from (a download folder) or the current directory.
void RestrictDllSearchToSystemDirectory() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  // Windows 7 has it only with its security update; without it, at least drop the current
  // directory from the search.
  const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                       reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                 : nullptr;
  if (!setDefault || !setDefault(kSearchSystem32)) ::SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  brevix::win32::StartupMark("entry point (the system loaded the program and its DLLs)");
  RestrictDllSearchToSystemDirectory();
  return brevix::win32::RunApplication();
}
