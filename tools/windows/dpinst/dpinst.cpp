// Stand-in of the driver package installer (dpinst.exe), for tests and demonstrations. Started
// from its driver folder (by full path, in whatever directory is current), it "installs" the
// driver package beside it: it reads [Version] DriverVer and ClassGuid and [Strings]
// DeviceDesc of the INF file there and records the driver where Windows would, an instance key
// below HKLM\SYSTEM\CurrentControlSet\Control\Class\<ClassGuid> with DriverDesc, DriverDate
// (M-D-YYYY) and DriverVersion: the key with that description, else the first free number.
//
// Scenario ("dpinst.scenario" beside it, else the file BREVIX_DPINST_SCENARIO names), lines
// "<driver folder>=<delay>" or "*=<delay>": milliseconds before the record is written,
// "never" (it ends without a record) or "hang" (no record, and it never ends: an installer held
// by a prompt nobody sees). Without one it takes 2000 ms. A line "tamper=<path>" stands for another process that
// changes an extracted file behind the upgrade's back: at its start the installer appends a
// byte to that file (the path relative to the folder that holds "DRIVER").
//
//   dpinst.exe /u [<inf>]   removes the instances with the INF's description again.
#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <optional>
#include <string>

#include "../standin/StandIn.h"

namespace {

using namespace brevix::standin;

constexpr DWORD kDefaultDelayMs = 2000;
constexpr wchar_t kClassRoot[] = L"SYSTEM\\CurrentControlSet\\Control\\Class\\";

struct Inf {
  std::wstring driverVer, classGuid, description;
};

std::wstring Profile(const std::wstring& inf, const wchar_t* section, const wchar_t* key) {
  wchar_t value[512] = {};
  const DWORD n = GetPrivateProfileStringW(section, key, L"", value, 512, inf.c_str());
  return std::wstring(value, n);
}

std::optional<Inf> ReadInf(const std::wstring& path) {
  Inf inf{Profile(path, L"Version", L"DriverVer"), Profile(path, L"Version", L"ClassGuid"),
          Profile(path, L"Strings", L"DeviceDesc")};
  if (inf.driverVer.size() < 12 || inf.driverVer[10] != L',' || inf.classGuid.empty() || inf.description.empty()) {
    return std::nullopt;
  }
  for (auto& c : inf.classGuid) c = static_cast<wchar_t>(std::towlower(c));
  return inf;
}

std::wstring FirstInfIn(const std::wstring& directory) {
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW((directory + L"\\*.inf").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return {};
  FindClose(find);
  return directory + L"\\" + data.cFileName;
}

// "MM/DD/YYYY" as the registry keeps it: "M-D-YYYY".
std::wstring RegistryDate(const std::wstring& driverVer) {
  auto part = [&](std::size_t at, std::size_t n) {
    std::wstring p = driverVer.substr(at, n);
    while (p.size() > 1 && p[0] == L'0') p.erase(0, 1);
    return p;
  };
  return part(0, 2) + L"-" + part(3, 2) + L"-" + driverVer.substr(6, 4);
}

std::wstring Description(HKEY classKey, const std::wstring& instance) {
  wchar_t value[260] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(classKey, instance.c_str(), L"DriverDesc", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
  return value;
}

std::wstring SubkeyAt(HKEY key, DWORD index) {
  wchar_t name[260] = {};
  DWORD length = 260;
  if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return {};
  return std::wstring(name, length);
}

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RecordInstall(const Inf& inf) {
  HKEY classKey = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kClassRoot + inf.classGuid).c_str(), 0, nullptr, 0,
                      KEY_READ | KEY_WRITE, nullptr, &classKey, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  std::wstring instance;
  for (DWORD i = 0; instance.empty(); ++i) {
    const std::wstring name = SubkeyAt(classKey, i);
    if (name.empty()) break;
    if (Description(classKey, name) == inf.description) instance = name;
  }
  for (int n = 0; instance.empty() && n < 10000; ++n) {
    wchar_t name[8];
    wsprintfW(name, L"%04d", n);
    HKEY existing = nullptr;
    if (RegOpenKeyExW(classKey, name, 0, KEY_READ, &existing) == ERROR_SUCCESS) {
      RegCloseKey(existing);
    } else {
      instance = name;
    }
  }
  HKEY key = nullptr;
  bool ok = RegCreateKeyExW(classKey, instance.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS;
  if (ok) {
    ok = SetString(key, L"DriverDesc", inf.description) && SetString(key, L"DriverDate", RegistryDate(inf.driverVer)) &&
         SetString(key, L"DriverVersion", inf.driverVer.substr(11));
    RegCloseKey(key);
  }
  RegCloseKey(classKey);
  return ok;
}

int RemoveInstalls(const Inf& inf) {
  HKEY classKey = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kClassRoot + inf.classGuid).c_str(), 0, KEY_READ | KEY_WRITE, &classKey) !=
      ERROR_SUCCESS) {
    return 0;
  }
  int removed = 0;
  for (DWORD i = 0;;) {
    const std::wstring name = SubkeyAt(classKey, i);
    if (name.empty()) break;
    if (Description(classKey, name) == inf.description && RegDeleteTreeW(classKey, name.c_str()) == ERROR_SUCCESS) {
      ++removed;
    } else {
      ++i;
    }
  }
  RegCloseKey(classKey);
  return removed;
}

constexpr DWORD kHang = INFINITE;

// The delay for the driver folder; nullopt: never; kHang: never, and never ends.
std::optional<DWORD> DelayFor(const std::string& folder) {
  const std::string scenario = ReadScenario(L"dpinst.scenario", L"BREVIX_DPINST_SCENARIO");
  std::optional<DWORD> delay = kDefaultDelayMs;
  bool specific = false;
  for (const std::string& line : Lines(scenario)) {
    const auto eq = line.find('=');
    if (eq == std::string::npos || line[0] == '#') continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    const bool mine = lstrcmpiA(key.c_str(), folder.c_str()) == 0;
    if (!mine && (key != "*" || specific)) continue;
    delay = value == "never"  ? std::nullopt
            : value == "hang" ? std::optional<DWORD>(kHang)
                              : std::optional<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    specific = specific || mine;
  }
  return delay;
}

// Appends a byte to each file the scenario's "tamper=" lines name, below `workingDirectory`.
void Tamper(const std::wstring& workingDirectory, const std::string& folder) {
  const std::string scenario = ReadScenario(L"dpinst.scenario", L"BREVIX_DPINST_SCENARIO");
  for (const std::string& line : Lines(scenario)) {
    if (line.rfind("tamper=", 0) != 0) continue;
    const std::string path = line.substr(7);
    HANDLE file = CreateFileW((workingDirectory + L"\\" + Wide(path)).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool done = file != INVALID_HANDLE_VALUE && WriteFile(file, "!", 1, &written, nullptr) && written == 1;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    Record("dpinst " + folder + (done ? ": tampered with " : ": could not tamper with ") + path);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring directory = DirectoryOf(ModulePath());
  const std::string folder = Narrow(NameOf(directory));
  const std::wstring tail = ArgumentTail();

  if (tail.rfind(L"/u", 0) == 0) {
    std::wstring path = tail.size() > 3 ? tail.substr(3) : FirstInfIn(directory);
    if (!path.empty() && path.front() == L'"') path = path.substr(1, path.find(L'"', 1) - 1);
    const auto inf = ReadInf(path);
    if (!inf) return 2;
    Record("dpinst " + folder + ": removed " + std::to_string(RemoveInstalls(*inf)));
    return 0;
  }

  Record("dpinst " + folder + ": started [" + Narrow(tail) + "]");
  Tamper(DirectoryOf(DirectoryOf(directory)), folder);
  const auto inf = ReadInf(FirstInfIn(directory));
  if (!inf) {
    Record("dpinst " + folder + ": no usable INF beside it");
    return 2;
  }
  const auto delay = DelayFor(folder);
  if (!delay) {
    Record("dpinst " + folder + ": never records " + Narrow(inf->driverVer));
    return 0;
  }
  if (*delay == kHang) {
    Record("dpinst " + folder + ": hangs");
    Sleep(INFINITE);
  }
  Sleep(*delay);
  const bool recorded = RecordInstall(*inf);
  Record("dpinst " + folder + (recorded ? ": recorded " : ": could not record ") + Narrow(inf->driverVer));
  return recorded ? 0 : 3;
}
