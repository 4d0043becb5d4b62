#pragma once
// Where start-up's time goes, on any machine: with BREVIX_STARTUP_TRACE set in the environment,
// each mark writes "startup-trace <ms> <what>" to the standard error handle, <ms> counted from
// the process's creation; without it a mark costs one test. The wizard's first idle moment
// ends the trace. Marks are made on the thread that starts the program (the window's thread) only.
namespace brevix::win32 {

void StartupMark(const char* what) noexcept;
// The last mark: later marks write nothing.
void EndStartupTrace(const char* what) noexcept;

}  // namespace brevix::win32
