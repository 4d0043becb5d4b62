#include "app/ExitCode.h"

#include <gtest/gtest.h>

namespace brevix {
namespace {

TEST(ExitCode, DecidedFromTheOutcome) {
  using S = StartupOutcome;
  // The values are the contract with scripts (README): Windows installer codes.
  // RunOutcome: startup, console, silent, upgraded, stepFailed, userQuit, restartStarted.
  const struct {
    const char* what;
    RunOutcome outcome;
    int code;
  } cases[] = {
      {"system refused", {S::RefusedSystem}, 1633},
      {"no supported hub", {S::RefusedDevice}, 1633},
      {"device keys unreadable", {S::RegistryUnreadable}, 1633},
      {"second instance", {S::AlreadyRunning}, 1618},
      {"second instance with /S", {S::AlreadyRunning, true, true}, 1618},
      {"window class not registered", {S::WindowClassFailed}, 1603},
      {"version or usage text", {S::Ready, true, false}, 0},
      {"version or usage, dialog cancelled", {S::Ready, true, false, false, false, true}, 0},
      {"silent, all current", {S::Ready, true, true}, 0},
      {"silent, upgraded", {S::Ready, true, true, true}, 3010},
      {"silent, a step failed", {S::Ready, true, true, true, true}, 1603},
      {"wizard, all current, Finish", {S::Ready}, 0},
      {"wizard, quit before the work", {S::Ready, false, false, false, false, true}, 1602},
      {"wizard, upgraded, restart later", {S::Ready, false, false, true}, 3010},
      {"wizard, upgraded, restart started", {S::Ready, false, false, true, false, false, true}, 1641},
      {"wizard, failed, restart started", {S::Ready, false, false, true, true, false, true}, 1603},
      {"wizard, failed, then quit", {S::Ready, false, false, false, true, true}, 1603},
      {"wizard, upgraded, then quit", {S::Ready, false, false, true, false, true}, 3010},
  };
  for (const auto& c : cases) EXPECT_EQ(ExitCodeValue(DecideExitCode(c.outcome)), c.code) << c.what;
}

}  // namespace
}  // namespace brevix
