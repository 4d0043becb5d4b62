// Test driver: waits for a top-level window of another process and prints it and its
// children as UTF-8 lines, so scripts can check what a program shows.
//   windump <seconds> <class|*> [--close] [--title-contains TEXT] [--geometry] [--post-close]
// Lines: "window|<class>|<title>" then "child|<id>|<class>|<text>". Exit code 0 when found.
// --geometry adds "|x,y,w,h|vis=0/1" to each child (client coordinates of the window) and, for
//   edit controls, "|first=<first visible line>|lines=<line count>"; then "window-rect|x,y,w,h"
//   and "focus|<id of the control with the keyboard focus, or 0>".
// --post-close posts WM_SYSCOMMAND SC_CLOSE to the window after the dump.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
  std::wstring className;
  std::wstring titlePart;
  HWND found = nullptr;
};

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring Text(HWND h) {
  wchar_t buffer[4096] = {};
  SendMessageTimeoutW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
  return buffer;
}

std::wstring ClassOf(HWND h) {
  wchar_t buffer[256] = {};
  GetClassNameW(h, buffer, 256);
  return buffer;
}

BOOL CALLBACK Top(HWND h, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == GetCurrentProcessId() || !IsWindowVisible(h)) return TRUE;
  if (s->className != L"*" && ClassOf(h) != s->className) return TRUE;
  if (!s->titlePart.empty() && Text(h).find(s->titlePart) == std::wstring::npos) return TRUE;
  s->found = h;
  return FALSE;
}

bool gGeometry = false;
HWND gTop = nullptr;

BOOL CALLBACK Child(HWND h, LPARAM) {
  std::printf("child|%d|%s|%s", GetDlgCtrlID(h), Utf8(ClassOf(h)).c_str(), Utf8(Text(h)).c_str());
  if (gGeometry) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, gTop, reinterpret_cast<POINT*>(&r), 2);
    std::printf("|%ld,%ld,%ld,%ld|vis=%d", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top), IsWindowVisible(h) ? 1 : 0);
    if (ClassOf(h) == L"Edit") {
      std::printf("|first=%d|lines=%d", static_cast<int>(SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0)),
                  static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0)));
    }
  }
  std::printf("\n");
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: windump <seconds> <class|*> [--close] [--title-contains TEXT]\n");
    return 2;
  }
  Search search;
  const int seconds = _wtoi(argv[1]);
  search.className = argv[2];
  bool close = false, postClose = false;
  for (int i = 3; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--close") close = true;
    else if (std::wstring(argv[i]) == L"--title-contains" && i + 1 < argc) search.titlePart = argv[++i];
    else if (std::wstring(argv[i]) == L"--geometry") gGeometry = true;
    else if (std::wstring(argv[i]) == L"--post-close") postClose = true;
  }
  for (int waited = 0; waited <= seconds * 10 && !search.found; ++waited) {
    EnumWindows(Top, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(100);
  }
  if (!search.found) {
    std::printf("none\n");
    return 1;
  }
  std::printf("window|%s|%s\n", Utf8(ClassOf(search.found)).c_str(), Utf8(Text(search.found)).c_str());
  gTop = search.found;
  EnumChildWindows(search.found, Child, 0);
  if (gGeometry) {
    RECT r{};
    GetWindowRect(search.found, &r);
    std::printf("window-rect|%ld,%ld,%ld,%ld\n", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(search.found, nullptr);
    const int focus = GetGUIThreadInfo(thread, &info) && info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0;
    std::printf("focus|%d\n", focus);
  }
  std::fflush(stdout);
  if (postClose) PostMessageW(search.found, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (close) PostMessageW(search.found, WM_COMMAND, IDOK, 0);
  return 0;
}
