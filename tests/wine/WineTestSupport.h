#pragma once
// Helpers for the Windows-side tests: a scratch directory that is current while a test runs.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/win32/WinText.h"

namespace brevix::testing {

// Makes a fresh directory under the temp folder, enters it, and leaves and removes it after.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
    Remove();
    CreateDirectoryW(path_.c_str(), nullptr);
    SetCurrentDirectoryW(path_.c_str());
  }
  ~ScratchDirectory() {
    SetCurrentDirectoryW(previous_.c_str());
    Remove();
  }
  const std::wstring& Path() const { return path_; }

 private:
  void Remove() {
    std::wstring from = path_ + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
  }
  std::wstring previous_, path_;
};

inline bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadAll(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  CloseHandle(h);
  return out;
}

}  // namespace brevix::testing
