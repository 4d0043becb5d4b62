#include "app/ExitCode.h"

#include <gtest/gtest.h>

namespace brevix {
namespace {

TEST(ExitCode, DecidedFromModeStartupAndRun) {
  using S = StartupOutcome;
  using R = RunEnding;
  using M = RunMode;
  // The values are the contract with scripts (README): Windows installer codes.
  const struct {
    const char* what;
    M mode;
    S startup;
    std::optional<R> run;
    int code;
  } cases[] = {
      {"system refused", M::Wizard, S::RefusedSystem, std::nullopt, 1633},
      {"no supported hub, /S", M::Silent, S::RefusedDevice, std::nullopt, 1633},
      {"device keys unreadable", M::Wizard, S::RegistryUnreadable, std::nullopt, 1633},
      {"second instance", M::Wizard, S::AlreadyRunning, std::nullopt, 1618},
      {"second instance with /S", M::Silent, S::AlreadyRunning, std::nullopt, 1618},
      {"window class not registered", M::Wizard, S::WindowClassFailed, std::nullopt, 1603},
      {"version text", M::Version, S::Ready, R::Quit, 0},
      {"usage text", M::Usage, S::Ready, R::Quit, 0},
      {"silent, all current", M::Silent, S::Ready, R::Current, 0},
      {"silent, upgraded", M::Silent, S::Ready, R::Upgraded, 3010},
      {"silent, a step failed", M::Silent, S::Ready, R::Failed, 1603},
      {"silent, ended before its work", M::Silent, S::Ready, R::Quit, 0},
      {"wizard, all current, Finish", M::Wizard, S::Ready, R::Current, 0},
      {"wizard, quit before the work", M::Wizard, S::Ready, R::Quit, 1602},
      {"wizard, upgraded, restart later", M::Wizard, S::Ready, R::Upgraded, 3010},
      {"wizard, upgraded, restart started", M::Wizard, S::Ready, R::RestartStarted, 1641},
      {"wizard, failed", M::Wizard, S::Ready, R::Failed, 1603},
  };
  for (const auto& c : cases) EXPECT_EQ(ExitCodeValue(DecideExitCode(c.mode, c.startup, c.run)), c.code) << c.what;
}

}  // namespace
}  // namespace brevix
