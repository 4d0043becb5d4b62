#include "data/win32/Win32LogFile.h"

#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

namespace {

constexpr DWORD kNotAPlainFile = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;

// The name's own attributes. Wine hides a Unix link to a folder behind the folder it names when
// asked through the handle; only the name tells FILE_ATTRIBUTE_REPARSE_POINT.
bool NameIsPlainOrMissing() {
  const DWORD attributes = ::GetFileAttributesA(kLogFileName);
  return attributes == INVALID_FILE_ATTRIBUTES || (attributes & kNotAPlainFile) == 0;
}

// The log itself, never what a link at its name points to. OPEN_ALWAYS would follow a link to a
// missing file (as Wine does) and create that file: an existing log is opened, a missing one is
// made with CREATE_NEW, which fails on a link whatever it points to.
UniqueHandle OpenLog() {
  constexpr DWORD kAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES;
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  UniqueHandle file(::CreateFileA(kLogFileName, kAccess, kShare, nullptr, OPEN_EXISTING, kFlags, nullptr));
  if (file || ::GetLastError() != ERROR_FILE_NOT_FOUND) return file;
  file.reset(::CreateFileA(kLogFileName, kAccess, kShare, nullptr, CREATE_NEW, kFlags, nullptr));
  // Another process made it in between: open that one.
  if (!file && ::GetLastError() == ERROR_FILE_EXISTS) {
    file.reset(::CreateFileA(kLogFileName, kAccess, kShare, nullptr, OPEN_EXISTING, kFlags, nullptr));
  }
  return file;
}

}  // namespace

bool Win32LogFile::AppendLine(const std::string& bytes) {
  if (!NameIsPlainOrMissing()) return false;
  UniqueHandle file = OpenLog();
  if (!file) return false;
  // A second name makes the log somebody else's file as well (a hard link they made to it).
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & kNotAPlainFile) != 0 ||
      info.nNumberOfLinks > 1) {
    return false;
  }
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
