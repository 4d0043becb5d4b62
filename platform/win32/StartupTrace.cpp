#include "platform/win32/StartupTrace.h"

#include <windows.h>

#include <cstdio>

namespace brevix::win32 {
namespace {

enum class TraceState { Unasked, Off, On };

TraceState gState = TraceState::Unasked;
double gCreatedToFirstMarkMs = 0;  // the process's age at the first mark
LARGE_INTEGER gFirstMark{}, gFrequency{};

double FileTimeMs(const FILETIME& t) {
  return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

bool Start() {
  if (::GetEnvironmentVariableW(L"BREVIX_STARTUP_TRACE", nullptr, 0) == 0) return false;
  FILETIME created{}, exited{}, kernel{}, user{}, now{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return false;
  // The system time's resolution is coarse on Windows 7: it places the first mark only; the
  // performance counter measures every interval after it.
  ::GetSystemTimeAsFileTime(&now);
  ::QueryPerformanceFrequency(&gFrequency);
  ::QueryPerformanceCounter(&gFirstMark);
  gCreatedToFirstMarkMs = FileTimeMs(now) - FileTimeMs(created);
  return gFrequency.QuadPart > 0;
}

void Write(const char* what) {
  LARGE_INTEGER at{};
  ::QueryPerformanceCounter(&at);
  const double ms = gCreatedToFirstMarkMs + double(at.QuadPart - gFirstMark.QuadPart) * 1000.0 / double(gFrequency.QuadPart);
  char line[160];
  const int n = std::snprintf(line, sizeof line, "startup-trace %.1f %s\n", ms, what);
  const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (n <= 0 || !error || error == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(error, line, DWORD(n < int(sizeof line) ? n : int(sizeof line) - 1), &written, nullptr);
}

}  // namespace

void StartupMark(const char* what) noexcept {
  if (gState == TraceState::Unasked) gState = Start() ? TraceState::On : TraceState::Off;
  if (gState == TraceState::On) Write(what);
}

void EndStartupTrace(const char* what) noexcept {
  StartupMark(what);
  gState = TraceState::Off;
}

}  // namespace brevix::win32
