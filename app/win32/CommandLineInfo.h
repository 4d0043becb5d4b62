#pragma once
// The command-line step of start-up: any argument makes the program a console program.
#include <windows.h>

#include "app/CommandLine.h"

namespace brevix::win32 {

// The framework's command-line parser with the program's argument hook.
class CNewCommandLineInfo {
 public:
  // The framework's per-argument hook: called once for every argument after the program name,
  // never when there is none. The argument itself is not looked at: the hook allocates a
  // console and works on the raw command-line tail (only the first call of the process acts).
  void ParseParam(const wchar_t* param, BOOL flag, BOOL last);

  BOOL silentRequested = FALSE;
  BOOL consoleRequested = FALSE;
};

// The framework's parse: the hook once per argument of the process's command line.
void ParseCommandLine(CNewCommandLineInfo& info);

// Start-up's command-line step. When it returns, the version or usage text has been written
// and Enter pressed; the result is what start-up hands to the wizard dialog.
ConsoleModes ReadCommandLine();

}  // namespace brevix::win32
