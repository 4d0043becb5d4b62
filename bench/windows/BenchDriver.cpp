// The bench's driver: watches and pokes GUI programs from outside, as a user would feel them.
//
//   benchdriver startup <rounds> <exe> <title> [<exe> <title>...]
//       Starts each program in turn (the order turns round every round) and prints
//       "<round> <index> <ms>": from CreateProcessW to its top-level window shown with that title, a
//       WM_NULL answered and nothing of it or its children left to paint. Ends it before the
//       next start.
//   benchdriver ping <exe> <title> <ms>
//       Starts the program, waits until it is ready as above, then sends it WM_NULL every
//       20 ms for <ms> and prints the round trips
//       ("pings=... worst_us=... p99_us=... median_us=... worst_at_ms=...").
//   benchdriver upgrade <class> <upgrade caption> <finish caption> <seconds>
//       Takes the running wizard of that class on its checking page, clicks its Upgrade
//       button with real mouse input, sends it WM_NULL every 20 ms until the button on the
//       right reads <finish caption>, and prints the round trips and "wall_ms=", the time
//       from the click to the finish page.
// Exit code 0 when the figures were taken, 1 when not (the reason goes to stderr).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr long long kPingPeriodUs = 20000;
constexpr UINT kPingTimeoutMs = 10000;
constexpr int kReadyLimitMs = 60000;
constexpr int kNextButton = 1000, kCancelButton = 1001;

long long NowUs() {
  static const long long frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

// A program this driver started; ended and waited for when it goes out of scope.
class Child {
 public:
  explicit Child(const std::wstring& exe) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_)) {
      info_ = {};
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 1);
      WaitForSingleObject(info_.hProcess, 10000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Started() const { return info_.hProcess != nullptr; }
  bool Running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  DWORD Id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
};

std::wstring TextOf(HWND window) {
  // For another process's window this reads the text the system keeps; no message is sent.
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

struct Search {
  DWORD process = 0;  // 0: any but this one
  std::wstring className, title;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() || (s->process && process != s->process) || !IsWindowVisible(window)) {
    return TRUE;
  }
  if (!s->className.empty()) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (s->className != name) return TRUE;
  }
  if (!s->title.empty() && TextOf(window) != s->title) return TRUE;
  s->found = window;
  return FALSE;
}

HWND FindTop(Search search) {
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK ChildPainted(HWND child, LPARAM param) {
  if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(param) = false;
  return TRUE;
}

// Nothing of the window left to paint, and its thread takes messages.
bool Ready(HWND window) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) return false;
  bool painted = !GetUpdateRect(window, nullptr, FALSE);
  if (painted) EnumChildWindows(window, ChildPainted, reinterpret_cast<LPARAM>(&painted));
  return painted;
}

// The program's window once it is ready, else nullptr.
HWND WaitReady(const Child& child, const std::wstring& title) {
  const long long limit = NowUs() + kReadyLimitMs * 1000LL;
  while (NowUs() < limit && child.Running()) {
    if (HWND window = FindTop({child.Id(), L"", title}); window && Ready(window)) return window;
    Sleep(2);
  }
  return nullptr;
}

// Round trips of WM_NULL, and when the slowest was sent (after `origin`).
struct Pings {
  explicit Pings(long long originUs) : origin(originUs) {}
  long long origin;
  std::vector<long long> us;
  long long worst = -1, worstAt = 0;

  void Ping(HWND window) {
    DWORD_PTR result = 0;
    const long long start = NowUs();
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &result);
    const long long took = NowUs() - start;
    if (took > worst) {
      worst = took;
      worstAt = start - origin;
    }
    us.push_back(took);
  }
  void Print() const {
    std::vector<long long> sorted = us;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    std::printf("pings=%zu worst_us=%lld p99_us=%lld median_us=%lld worst_at_ms=%lld", n, n ? sorted.back() : 0LL,
                n ? sorted[(n * 99 + 99) / 100 - 1] : 0LL, n ? sorted[n / 2] : 0LL, worstAt / 1000);
  }
};

int Startup(int argc, wchar_t** argv) {
  const int rounds = _wtoi(argv[2]);
  const int programs = (argc - 3) / 2;
  if (rounds < 1 || programs < 1 || (argc - 3) % 2) return 2;
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < programs; ++k) {
      const int index = round % 2 ? programs - 1 - k : k;  // alternate the order against drift
      const std::wstring exe = argv[3 + 2 * index], title = argv[4 + 2 * index];
      const long long start = NowUs();
      Child child(exe);
      if (!child.Started() || !WaitReady(child, title)) {
        std::fprintf(stderr, "program %d did not become ready\n", index);
        return 1;
      }
      std::printf("%d %d %.1f\n", round, index, (NowUs() - start) / 1000.0);
      std::fflush(stdout);
    }
  }
  return 0;
}

int Ping(wchar_t** argv) {
  Child child(argv[2]);
  const HWND window = child.Started() ? WaitReady(child, argv[3]) : nullptr;
  if (!window) {
    std::fprintf(stderr, "the program did not become ready\n");
    return 1;
  }
  const long long start = NowUs(), end = start + _wtoi(argv[4]) * 1000LL;
  Pings pings(start);
  for (long long next = start; next < end; next += kPingPeriodUs) {
    const long long now = NowUs();
    if (now < next) Sleep(DWORD((next - now) / 1000));
    else next = now;  // a late ping moves the schedule, it does not crowd the next ones
    pings.Ping(window);
  }
  pings.Print();
  std::printf("\n");
  return 0;
}

void Click(HWND button) {
  RECT r{};
  GetWindowRect(button, &r);
  SetForegroundWindow(GetAncestor(button, GA_ROOT));
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof(INPUT));
}

int Upgrade(wchar_t** argv) {
  const std::wstring upgradeCaption = argv[3], finishCaption = argv[4];
  const HWND wizard = FindTop({0, argv[2], L""});
  const HWND next = wizard ? GetDlgItem(wizard, kNextButton) : nullptr;
  const HWND right = wizard ? GetDlgItem(wizard, kCancelButton) : nullptr;
  if (!next || !right || !IsWindowVisible(next) || TextOf(next) != upgradeCaption) {
    std::fprintf(stderr, "no wizard waiting with its Upgrade button\n");
    return 1;
  }
  const long long limit = NowUs() + _wtoi(argv[5]) * 1000000LL;
  const long long clicked = NowUs();
  Click(next);
  Pings pings(clicked);
  bool taken = false;
  long long finished = 0;
  for (long long nextPing = clicked; !finished;) {
    const long long now = NowUs();
    if (now >= limit || !IsWindow(wizard)) {
      std::fprintf(stderr, "no finish page within the limit\n");
      return 1;
    }
    if (now >= nextPing) {
      pings.Ping(wizard);
      nextPing = std::max(nextPing + kPingPeriodUs, NowUs());
    }
    // The Upgrade button hides the moment the click is taken.
    taken = taken || !IsWindowVisible(next);
    if (!taken && now - clicked > 3000000) {
      std::fprintf(stderr, "the click on Upgrade was not taken\n");
      return 1;
    }
    if (taken && TextOf(right) == finishCaption) finished = NowUs();
    else Sleep(1);
  }
  pings.Print();
  std::printf(" wall_ms=%.1f\n", (finished - clicked) / 1000.0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"startup" && argc >= 5) return Startup(argc, argv);
  if (mode == L"ping" && argc == 5) return Ping(argv);
  if (mode == L"upgrade" && argc == 6) return Upgrade(argv);
  std::fprintf(stderr,
               "usage: benchdriver startup <rounds> <exe> <title>... | ping <exe> <title> <ms> |"
               " upgrade <class> <upgrade caption> <finish caption> <seconds>\n");
  return 2;
}
