#pragma once
// A window procedure, a thread's entry or a queued task must not let an exception through; where
// the framework catches one it leaves one line for the debugger (OutputDebugString; under Wine
// WINEDEBUG=+debugstr shows it), so that a swallowed failure can still be found.
namespace brevix::framework {

// Called inside a catch block: "brevix: exception swallowed in <where>: <what>".
void TraceSwallowedException(const char* where) noexcept;

}  // namespace brevix::framework
