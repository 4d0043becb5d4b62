#pragma once
// What the stand-ins of the outside components share: where they are, the scenario a test
// gives them, and a record of what they did for the test to read.
#include <windows.h>

#include <string>
#include <vector>

namespace brevix::standin {

inline std::wstring ModulePath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n < MAX_PATH ? n : 0);
}

inline std::wstring DirectoryOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }
inline std::wstring NameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

inline std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}
inline std::string Narrow(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

inline std::string ReadFileText(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  CloseHandle(h);
  return text;
}

// The scenario: "<name>.scenario" beside the program, else the file the environment
// variable names (the program that starts a stand-in passes its environment on); empty when
// there is neither.
inline std::string ReadScenario(const wchar_t* scenarioName, const wchar_t* environmentVariable) {
  const std::wstring beside = DirectoryOf(ModulePath()) + L"\\" + scenarioName;
  if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return ReadFileText(beside);
  wchar_t named[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(environmentVariable, named, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return ReadFileText(named);
}

// One line appended to the file BREVIX_STANDIN_LOG names, in one write (several stand-ins
// may write at once).
inline void Record(const std::string& line) {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"BREVIX_STANDIN_LOG", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  HANDLE h = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    from = end + 1;
  }
  return lines;
}

// The words of a line, split at blanks and tabs.
inline std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos) break;
    const std::size_t end = line.find_first_of(" \t", at);
    words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end;
  }
  return words;
}

// The command line after the program's own name.
inline std::wstring ArgumentTail() {
  const wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace brevix::standin
