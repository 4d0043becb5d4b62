#include "platform/win32/Win32Platform.h"

#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/win32/WinText.h"

namespace brevix::win32 {

OsVersion Win32SystemFacts::GetVersion() {
  // GetVersionExW answers 6.2 on Windows 8.1 and later to a program whose manifest does not
  // name those systems, so Windows 10 would pass as Windows 8; RtlGetVersion tells the truth.
  // ntdll is in every process; it is looked up rather than imported, so that the executable
  // keeps its short list of import libraries.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto rtlGetVersion =
      ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;  // the EX size, so that the product type is filled in
  // A failure gives zeroes, which fail the gate.
  if (!rtlGetVersion || rtlGetVersion(&info) != 0) return OsVersion{};
  return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.wProductType};
}

bool Win32SystemFacts::IsWow64() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::u16string Win32SystemFacts::SystemDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
  return n < MAX_PATH ? U16(buffer, n) : std::u16string();
}

std::u16string Win32SystemFacts::WindowsDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT n = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return n < MAX_PATH ? U16(buffer, n) : std::u16string();
}

std::uint64_t Win32SystemFacts::UnpredictableNumber() {
  std::uint64_t number = 0;
  return ::RtlGenRandom(&number, sizeof number) ? number : 0;
}

std::uint16_t Win32SystemFacts::GetUserDefaultUILanguage() { return ::GetUserDefaultUILanguage(); }

namespace {

class Win32Key : public RegistryKey {
 public:
  explicit Win32Key(HKEY key) : key_(key) {}
  ~Win32Key() override { ::RegCloseKey(key_); }
  Win32Key(const Win32Key&) = delete;
  Win32Key& operator=(const Win32Key&) = delete;

  std::optional<std::u16string> EnumSubkey(std::uint32_t index) override {
    wchar_t name[MAX_PATH] = {};
    DWORD length = MAX_PATH;  // reset before every call
    if (::RegEnumKeyExW(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return U16(name, length);
  }

  std::optional<std::u16string> QueryString(const std::u16string& name, std::size_t bufferBytes) override {
    std::vector<BYTE> buffer(bufferBytes, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(bufferBytes);
    // A value longer than the buffer fails here (ERROR_MORE_DATA); what the data lacks or
    // holds beyond a plain terminated string is the core's to judge.
    if (::RegQueryValueExW(key_, W(name), nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    return RegistryStringFromData(ByteView(buffer.data(), std::min<std::size_t>(size, buffer.size())), bufferBytes);
  }

 private:
  HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenLocalMachineKey(const std::u16string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Key>(key);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenLocalMachineKey64(const std::u16string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32Key>(key);
}

std::optional<ByteView> Win32Resources::Find(const std::u16string& type, std::uint16_t id) {
  HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), W(type));
  if (!info) return std::nullopt;
  const DWORD size = ::SizeofResource(nullptr, info);
  HGLOBAL loaded = ::LoadResource(nullptr, info);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0) return std::nullopt;
  return ByteView(static_cast<const std::uint8_t*>(data), size);
}

std::uint32_t Win32FileSystem::GetAttributes(const std::u16string& path) { return ::GetFileAttributesW(W(path)); }

bool Win32FileSystem::MakeDirectory(const std::u16string& path) { return ::CreateDirectoryW(W(path), nullptr); }

bool Win32FileSystem::WriteWholeFile(const std::u16string& path, ByteView bytes) {
  if (bytes.size() > MAXDWORD) return false;  // one write or none
  // CREATE_NEW fails on any name already there, a link or another name of someone else's file
  // included, so nothing prepared in advance is ever opened. DELETE lets a half-written file be
  // removed through this handle rather than by a name that may by then mean another file.
  UniqueHandle file(::CreateFileW(W(path), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool whole =
      ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  if (!whole) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
  }
  return whole;
}

std::optional<Bytes> Win32FileSystem::ReadWholeFile(const std::u16string& path) {
  UniqueHandle file(::CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

bool Win32FileSystem::RemoveFile(const std::u16string& path) { return ::DeleteFileW(W(path)); }

std::optional<std::u16string> Win32FileSystem::FindFirstMatch(const std::u16string& pattern) {
  WIN32_FIND_DATAW data{};
  HANDLE find = ::FindFirstFileW(W(pattern), &data);
  if (find == INVALID_HANDLE_VALUE) return std::nullopt;
  ::FindClose(find);
  return U16(data.cFileName);
}

std::u16string Win32FileSystem::CurrentDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = ::GetCurrentDirectoryW(MAX_PATH, buffer);
  return n < MAX_PATH ? U16(buffer, n) : std::u16string();
}

bool Win32FileSystem::ChangeDirectory(const std::u16string& path) { return ::SetCurrentDirectoryW(W(path)); }

bool Win32FileSystem::RemoveEmptyDirectory(const std::u16string& path) { return ::RemoveDirectoryW(W(path)) != FALSE; }

std::optional<std::uint32_t> Win32FileSystem::LinkCount(const std::u16string& path) {
  // The name itself, not what a link at it points to; a folder needs backup semantics to open.
  UniqueHandle file(::CreateFileW(W(path), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
  if (!file) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return info.nNumberOfLinks;
}

bool Win32FileSystem::MakeProtectedDirectory(const std::u16string& path) {
  // Protected (P): nothing inherited from the folders above, whoever may write there.
  LocalMemory descriptor;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
                                                              &descriptor.p, nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = descriptor.p;
  attributes.bInheritHandle = FALSE;
  // CreateDirectoryW fails on any name already there, so an existing folder with another access
  // list is never taken for ours.
  return ::CreateDirectoryW(W(path), &attributes) != FALSE;
}

namespace {

// A search handle of FindFirstFileW, closed with FindClose.
class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : h_(h) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

std::optional<std::vector<FileSystem::DirectoryEntry>> Win32FileSystem::ListDirectory(const std::u16string& path) {
  WIN32_FIND_DATAW data{};
  FindHandle find(::FindFirstFileW(W(path + u"\\*"), &data));
  // Even an empty directory yields "." and "..": a failure here means no directory to list.
  if (find.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  do {
    const std::u16string name = U16(data.cFileName);
    if (name != u"." && name != u"..") entries.push_back({name, data.dwFileAttributes});
  } while (::FindNextFileW(find.get(), &data));
  // Anything but the end of the listing leaves it partial, which is no listing.
  if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return entries;
}

std::string Win32Profile::GetStringA(const std::string& file, const std::string& section, const std::string& key,
                                     const std::string& fallback, std::size_t bufferSize) {
  std::vector<char> buffer(bufferSize + 1, 0);
  const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                             static_cast<DWORD>(bufferSize), file.c_str());
  return std::string(buffer.data(), n);
}

std::u16string Win32Profile::GetStringW(const std::u16string& file, const std::u16string& section,
                                        const std::u16string& key, const std::u16string& fallback,
                                        std::size_t bufferSize) {
  std::vector<wchar_t> buffer(bufferSize + 1, 0);
  const DWORD n = ::GetPrivateProfileStringW(W(section), W(key), W(fallback), buffer.data(),
                                             static_cast<DWORD>(bufferSize), W(file));
  return U16(buffer.data(), n);
}

LocalTime Win32Clock::Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

UtcTime Win32Clock::UtcNow() {
  SYSTEMTIME t{};
  ::GetSystemTime(&t);
  return UtcTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint64_t Win32Clock::Milliseconds() { return ::GetTickCount64(); }

void Win32Console::Write(const std::u16string& text) {
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (::GetConsoleMode(out, &mode)) {
    ::WriteConsoleW(out, W(text), static_cast<DWORD>(text.size()), nullptr, nullptr);
    return;
  }
  // An inherited file or pipe (WriteConsoleW would fail on it) takes the same text as UTF-8.
  const std::string utf8 = Utf16ToUtf8(text);
  std::size_t done = 0;
  while (done < utf8.size()) {
    DWORD written = 0;
    if (!::WriteFile(out, utf8.data() + done, static_cast<DWORD>(utf8.size() - done), &written, nullptr) ||
        written == 0) {
      return;  // failures are ignored, as on the console
    }
    done += written;
  }
}

namespace {

// The console's control handler runs on a thread of the system's; what it calls is set before
// the handler is installed and cleared after it is removed.
std::mutex gInterruptMutex;
std::function<void()> gOnForcedEnd;

BOOL WINAPI HeldInterruptHandler(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return TRUE;  // ignored while the stage runs
    default: {
      // Close, log-off, shutdown: the process goes whatever is answered; say so first.
      std::function<void()> call;
      {
        std::lock_guard<std::mutex> lock(gInterruptMutex);
        call = gOnForcedEnd;
      }
      try {
        if (call) call();
      } catch (...) {
      }
      return FALSE;
    }
  }
}

}  // namespace

void Win32Console::HoldInterrupts(std::function<void()> onForcedEnd) {
  {
    std::lock_guard<std::mutex> lock(gInterruptMutex);
    gOnForcedEnd = std::move(onForcedEnd);
  }
  if (!holding_) holding_ = ::SetConsoleCtrlHandler(HeldInterruptHandler, TRUE) != FALSE;
}

void Win32Console::ReleaseInterrupts() {
  if (holding_) ::SetConsoleCtrlHandler(HeldInterruptHandler, FALSE);
  holding_ = false;
  std::lock_guard<std::mutex> lock(gInterruptMutex);
  gOnForcedEnd = nullptr;
}

void Win32SleepGuard::KeepAwake(bool on) {
  if (on == on_) return;
  ::SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
  on_ = on;
}

void Win32Console::WaitForEnter() {
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  // Input that is no console (a file, a pipe, nothing) has nobody to press Enter: an
  // unattended run goes on at once instead of hanging.
  if (!::GetConsoleMode(in, &mode)) return;
  wchar_t buffer[10];
  DWORD read = 0;
  ::ReadConsoleW(in, buffer, 10, &read, nullptr);
}

void Win32StandardOutput::Print(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

std::intptr_t Win32ProcessLauncher::Start(const std::u16string& file, const std::u16string& parameters,
                                          void* ownerWindow) {
  HINSTANCE result = ::ShellExecuteW(static_cast<HWND>(ownerWindow), L"open", W(file),
                                     parameters.empty() ? nullptr : W(parameters), nullptr, SW_HIDE);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace brevix::win32
