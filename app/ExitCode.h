#pragma once
// The process's exit code, for scripts and deployment systems. The values are the Windows
// installer's, which such systems already understand.
#include <cstdint>

#include "app/StartupGates.h"

namespace brevix {

enum class ExitCode : std::uint32_t {
  Success = 0,             // done, nothing to do, or the version or usage text
  UserQuit = 1602,         // ERROR_INSTALL_USEREXIT
  StepFailed = 1603,       // ERROR_INSTALL_FAILURE
  AlreadyRunning = 1618,   // ERROR_INSTALL_ALREADY_RUNNING
  NotSupported = 1633,     // ERROR_INSTALL_PLATFORM_UNSUPPORTED
  RestartStarted = 1641,   // ERROR_SUCCESS_REBOOT_INITIATED
  RestartRequired = 3010,  // ERROR_SUCCESS_REBOOT_REQUIRED
};

// What a run came to, gathered as it goes; start-up fills the first three, the front end the rest.
struct RunOutcome {
  StartupOutcome startup = StartupOutcome::Ready;
  bool consoleMode = false;
  bool silentMode = false;
  bool upgraded = false;        // something was to be upgraded and the upgrading stage ended
  bool stepFailed = false;      // any "Failed!" result, tool failure message or time-out
  bool userQuit = false;        // the user left the wizard before its work was done
  bool restartStarted = false;  // the restart command was started
};

ExitCode DecideExitCode(const RunOutcome& outcome);

inline int ExitCodeValue(ExitCode code) { return static_cast<int>(code); }

}  // namespace brevix
