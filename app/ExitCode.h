#pragma once
// The process's exit code, for scripts and deployment systems. The values are the Windows
// installer's, which such systems already understand.
#include <cstdint>
#include <optional>

#include "app/StartupGates.h"
#include "engine/RunMode.h"
#include "engine/RunTypes.h"

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

// The whole decision: what the command line asked for, how start-up came out and, where start-up
// let a run happen, how the run ended (nullopt: no run).
ExitCode DecideExitCode(RunMode mode, StartupOutcome startup, std::optional<RunEnding> run);

inline int ExitCodeValue(ExitCode code) { return static_cast<int>(code); }

}  // namespace brevix
