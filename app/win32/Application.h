#pragma once
// The whole program on Windows, run from wWinMain: start-up's gates, the command line's
// request, the run it asks for (the wizard, or a console mode), and the exit code decided from
// the outcome.
namespace brevix::win32 {

// Never throws: an exception that reaches here ends the run with exit code 1.
int RunApplication() noexcept;

}  // namespace brevix::win32
