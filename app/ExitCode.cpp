#include "app/ExitCode.h"

namespace brevix {

ExitCode DecideExitCode(const RunOutcome& o) {
  switch (o.startup) {
    case StartupOutcome::Ready:
      break;
    case StartupOutcome::RefusedSystem:
    case StartupOutcome::RefusedDevice:
    case StartupOutcome::RegistryUnreadable:  // no device list to find a hub in
      return ExitCode::NotSupported;
    case StartupOutcome::AlreadyRunning:
      return ExitCode::AlreadyRunning;
    case StartupOutcome::WindowClassFailed:
      return ExitCode::StepFailed;
  }
  // The version and usage modes end their dialog with cancel; that is no quit.
  if (o.consoleMode && !o.silentMode) return ExitCode::Success;
  // A failure outweighs everything after it: the machine is not where the run meant to take it.
  if (o.stepFailed) return ExitCode::StepFailed;
  if (o.restartStarted) return ExitCode::RestartStarted;
  if (o.upgraded) return ExitCode::RestartRequired;
  if (o.userQuit) return ExitCode::UserQuit;
  return ExitCode::Success;
}

}  // namespace brevix
