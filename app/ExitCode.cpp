#include "app/ExitCode.h"

namespace brevix {

ExitCode DecideExitCode(RunMode mode, StartupOutcome startup, std::optional<RunEnding> run) {
  switch (startup) {
    case StartupOutcome::Ready:
      break;
    case StartupOutcome::RefusedSystem:
    case StartupOutcome::RefusedDevice:
    case StartupOutcome::RegistryUnreadable:  // no device list to find a hub in
      return ExitCode::NotSupported;
    case StartupOutcome::AlreadyRunning:
      return ExitCode::AlreadyRunning;
    case StartupOutcome::WindowClassFailed:
    case StartupOutcome::NoSafeFolder:
      return ExitCode::StepFailed;
  }
  if (IsTextOnly(mode) || !run) return ExitCode::Success;
  switch (*run) {
    case RunEnding::Failed:
      return ExitCode::StepFailed;
    case RunEnding::RestartStarted:
      return ExitCode::RestartStarted;
    case RunEnding::Upgraded:
      return ExitCode::RestartRequired;
    case RunEnding::Current:
      return ExitCode::Success;
    case RunEnding::Quit:
      // Only someone at the wizard can leave it; a silent run that ends before its work (it
      // cannot be asked to) has nothing to report as a quit.
      return mode == RunMode::Wizard ? ExitCode::UserQuit : ExitCode::Success;
  }
  return ExitCode::StepFailed;
}

}  // namespace brevix
