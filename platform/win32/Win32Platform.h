#pragma once
// Thin Win32 implementations of the platform seams.
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/SleepGuard.h"
#include "platform/Digest.h"
#include "platform/FileSecurity.h"
#include "platform/FileSystem.h"
#include "platform/Mailslot.h"
#include "platform/PowerStatus.h"
#include "platform/ProcessLauncher.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/RegistryWriter.h"
#include "platform/Resources.h"
#include "platform/SystemFacts.h"

namespace brevix::win32 {

class Win32SystemFacts : public SystemFacts {
 public:
  OsVersion GetVersion() override;
  bool IsWow64() override;
  std::u16string SystemDirectory() override;
  // GetSystemWindowsDirectoryW.
  std::u16string WindowsDirectory() override;
  // RtlGenRandom (advapi32's SystemFunction036).
  std::uint64_t UnpredictableNumber() override;
  std::uint16_t GetUserDefaultUILanguage() override;
};

class Win32Registry : public RegistryReader {
 public:
  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::u16string& path) override;
  std::unique_ptr<RegistryKey> OpenLocalMachineKey64(const std::u16string& path) override;
};

// RegCreateKeyExW/RegSetValueExW/RegDeleteValueW with KEY_WOW64_64KEY, the key opened anew
// for each call: a run writes a handful of values far apart, and no handle is held across the
// flash (Win32RegistryWriter.cpp).
class Win32RegistryWriter : public RegistryWriter {
 public:
  explicit Win32RegistryWriter(std::u16string localMachineKey) : key_(std::move(localMachineKey)) {}
  bool SetString(const std::u16string& name, const std::u16string& value) override;
  bool SetDword(const std::u16string& name, std::uint32_t value) override;
  bool DeleteValue(const std::u16string& name) override;

 private:
  std::u16string key_;
};

// GetSystemPowerStatus (Win32PowerStatus.cpp).
class Win32PowerStatus : public PowerStatusSource {
 public:
  std::optional<PowerFacts> Read() override;
};

// Resources of the program's own module.
class Win32Resources : public ResourceSource {
 public:
  std::optional<ByteView> Find(const std::u16string& type, std::uint16_t id) override;
};

class Win32FileSystem : public FileSystem {
 public:
  std::uint32_t GetAttributes(const std::u16string& path) override;
  bool MakeDirectory(const std::u16string& path) override;
  bool WriteWholeFile(const std::u16string& path, ByteView bytes) override;
  std::optional<Bytes> ReadWholeFile(const std::u16string& path) override;
  bool RemoveFile(const std::u16string& path) override;
  std::optional<std::u16string> FindFirstMatch(const std::u16string& pattern) override;
  std::u16string CurrentDirectory() override;
  bool ChangeDirectory(const std::u16string& path) override;
  bool RemoveEmptyDirectory(const std::u16string& path) override;
  std::optional<std::uint32_t> LinkCount(const std::u16string& path) override;
  bool MakeProtectedDirectory(const std::u16string& path) override;
  // FindFirstFileW/FindNextFileW over "<path>\*".
  std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::u16string& path) override;
};

// SHA-256 through the system's CryptoAPI (advapi32, PROV_RSA_AES, CALG_SHA_256: Windows 7 has
// it, and it adds no DLL to the imports), the file read in chunks (Win32Digest.cpp).
class Win32FileDigester : public FileDigester {
 public:
  Win32FileDigester() = default;
  ~Win32FileDigester() override;
  Win32FileDigester(const Win32FileDigester&) = delete;
  Win32FileDigester& operator=(const Win32FileDigester&) = delete;
  std::optional<Sha256Digest> Sha256OfFile(const std::u16string& path) override;

 private:
  // HCRYPTPROV, acquired on first use and kept: acquiring costs more than hashing a small file.
  std::uintptr_t provider_ = 0;
};

// GetPrivateProfileStringA/W themselves.
class Win32Profile : public ProfileReader {
 public:
  std::string GetStringA(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback, std::size_t bufferSize) override;
  std::u16string GetStringW(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                            const std::u16string& fallback, std::size_t bufferSize) override;
};

class Win32Clock : public Clock {
 public:
  LocalTime Now() override;
  UtcTime UtcNow() override;  // GetSystemTime
  void Sleep(std::uint32_t milliseconds) override;
  std::uint64_t Milliseconds() override;  // GetTickCount64
};

// The process's console through the console functions; when the standard output or input the
// process ended up with is no console, UTF-8 to that file or pipe, and no wait for Enter.
// Failures are ignored.
class Win32Console : public Console {
 public:
  ~Win32Console() override { ReleaseInterrupts(); }
  void Write(const std::u16string& text) override;
  void WaitForEnter() override;
  // SetConsoleCtrlHandler; one holder at a time in the process.
  void HoldInterrupts(std::function<void()> onForcedEnd) override;
  void ReleaseInterrupts() override;

 private:
  bool holding_ = false;
};

// SetThreadExecutionState: the system stays awake while it is on (the thread that turned it on
// must turn it off).
class Win32SleepGuard : public SleepGuard {
 public:
  ~Win32SleepGuard() override { KeepAwake(false); }
  void KeepAwake(bool on) override;

 private:
  bool on_ = false;
};

// The C runtime's standard output, flushed per call so that lines keep their order with
// other writers.
class Win32StandardOutput : public StandardOutput {
 public:
  void Print(const std::string& text) override;
};

// GetNamedSecurityInfoW. Under Wine, whose file access lists are made up from Unix mode bits in
// the name of the prefix's one (administrator) user, that user reads as Administrators.
class Win32FileSecurity : public FileSecurityReader {
 public:
  std::optional<ObjectSecurity> Read(const std::u16string& path) override;
};

class Win32ProcessLauncher : public ProcessLauncher {
 public:
  std::intptr_t Start(const std::u16string& file, const std::u16string& parameters, void* ownerWindow) override;
  // CreateProcessW: a fraction of the shell's cost, which the UI thread pays at the end of a run.
  bool StartSystemProgram(const std::u16string& file, const std::u16string& parameters) override;
  // CreateProcessW into a job object of its own (Win32ProcessTree.cpp).
  std::unique_ptr<LaunchedProcess> StartTracked(const std::u16string& file, const std::u16string& parameters) override;
};

}  // namespace brevix::win32
