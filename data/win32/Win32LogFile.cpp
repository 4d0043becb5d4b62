#include "data/win32/Win32LogFile.h"

#include <windows.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {

bool Win32LogFile::AppendLine(const std::string& bytes) {
  UniqueHandle file(::CreateFileA(kLogFileName, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

UpgradeLog& ProcessUpgradeLog() {
  static Win32Profile profile;
  static Win32Clock clock;
  static Win32LogFile file;
  static UpgradeLog log(profile, clock, file);
  return log;
}

}  // namespace brevix::win32
