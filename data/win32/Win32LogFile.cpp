#include "data/win32/Win32LogFile.h"

#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

bool Win32LogFile::AppendLine(const std::string& bytes) {
  UniqueHandle file(::CreateFileA(kLogFileName, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // Appending writers take the whole file's byte range for their one write. Windows appends a
  // FILE_APPEND_DATA write atomically on its own, but not every implementation of the API
  // does (Wine computes the end and writes in two steps), and two processes may log at once.
  OVERLAPPED whole{};
  const bool locked = ::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
  DWORD written = 0;
  const bool ok = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  if (locked) ::UnlockFileEx(file.get(), 0, MAXDWORD, MAXDWORD, &whole);
  return ok;
}

UpgradeLog& ProcessUpgradeLog() {
  static Win32Profile profile;
  static Win32Clock clock;
  static Win32LogFile file;
  static UpgradeLog log(profile, clock, file);
  return log;
}

}  // namespace brevix::win32
