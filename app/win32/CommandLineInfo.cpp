#include "app/win32/CommandLineInfo.h"

#include <shellapi.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {
namespace {

// Set once the command line has been acted on; lasts for the process.
int commandLineHandled = 0;

// A file, pipe or device ("nul") the process inherited as a standard handle, or null. A
// console handle is none: the console the process allocates takes its place.
HANDLE InheritedRedirection(DWORD which) {
  HANDLE h = ::GetStdHandle(which);
  if (!h || h == INVALID_HANDLE_VALUE || ::GetFileType(h) == FILE_TYPE_UNKNOWN) return nullptr;
  DWORD mode = 0;
  return ::GetConsoleMode(h, &mode) ? nullptr : h;
}

}  // namespace

void CNewCommandLineInfo::ParseParam(const wchar_t*, BOOL, BOOL) {
  // A redirection the caller set up stays where it points, even where allocating a console
  // would take the standard handles over.
  HANDLE output = InheritedRedirection(STD_OUTPUT_HANDLE);
  HANDLE input = InheritedRedirection(STD_INPUT_HANDLE);
  ::AllocConsole();  // fails when there is a console already; then the standard handles stay
  if (output) ::SetStdHandle(STD_OUTPUT_HANDLE, output);
  if (input) ::SetStdHandle(STD_INPUT_HANDLE, input);

  CommandLineFlags flags{consoleRequested != FALSE, silentRequested != FALSE};
  Win32Console console;
  RunArgumentHook(RawCommandTail(U16(::GetCommandLineW())), flags, commandLineHandled, console);
  consoleRequested = flags.consoleRequested ? TRUE : FALSE;
  silentRequested = flags.silentRequested ? TRUE : FALSE;
}

void ParseCommandLine(CNewCommandLineInfo& info) {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!args) return;
  for (int i = 1; i < count; ++i) {
    const wchar_t* param = args[i];
    const BOOL flag = param[0] == L'/' || param[0] == L'-';
    info.ParseParam(flag ? param + 1 : param, flag, i == count - 1);
  }
  ::LocalFree(args);
}

ConsoleModes ReadCommandLine() {
  CNewCommandLineInfo info;
  ParseCommandLine(info);
  return HandOverModes({info.consoleRequested != FALSE, info.silentRequested != FALSE});
}

}  // namespace brevix::win32
