// A recording stand-in for the system's shutdown.exe in the test prefix: it restarts nothing,
// it appends its command line to C:\shutdown-called.txt for the test to read.
#include <windows.h>

#include <cstdio>

int wmain() {
  FILE* out = _wfopen(L"C:\\shutdown-called.txt", L"ab");
  if (!out) return 1;
  const wchar_t* line = GetCommandLineW();
  const int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  if (n > 0) {
    char* bytes = new char[n];
    WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, n, nullptr, nullptr);
    std::fprintf(out, "%s\n", bytes);
    delete[] bytes;
  }
  std::fclose(out);
  return 0;
}
