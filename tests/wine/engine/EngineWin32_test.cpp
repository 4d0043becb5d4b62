// The engine's Windows adapters against the real API under Wine: the Sensor API path with the
// test sensor server registered (and without it), and SetupAPI / Configuration Manager for the
// hard DFU switch, with registry fixtures this test writes and removes.
#include <windows.h>
#include <objbase.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "../WineTestSupport.h"
#include "engine/HardDfuSwitch.h"
#include "engine/SensorQuery.h"
#include "engine/win32/Win32DeviceControl.h"
#include "engine/win32/Win32Sensors.h"
#include "platform/Text.h"

namespace brevix {
namespace {

constexpr wchar_t kSensorManagerClsidKey[] = L"Software\\Classes\\CLSID\\{77A1C827-FCD2-4689-8915-9D613CC5FA3E}";
constexpr wchar_t kAcpiEnumKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\ACPI";
constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154u);

class RecordingOutput : public StandardOutput {
 public:
  std::string printed;
  void Print(const std::string& text) override { printed += text; }
};

class CountingClock : public Clock {
 public:
  std::uint32_t sleeps = 0;
  LocalTime Now() override { return {}; }
  void Sleep(std::uint32_t) override { ++sleeps; }
};

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void PutString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS)
      << "cannot create the fixture key";
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void PutDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS)
      << "cannot create the fixture key";
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

std::wstring ModuleDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.rfind(L'\\'));
}

void WriteText(const std::wstring& path, const std::string& text) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

// ---- Sensor API --------------------------------------------------------------------------

// A registration left behind by an interrupted run of this test names our server.
bool RegisteredServerIsOurs() {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  const std::wstring inproc = std::wstring(kSensorManagerClsidKey) + L"\\InprocServer32";
  if (RegGetValueW(HKEY_LOCAL_MACHINE, inproc.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return false;
  }
  return std::wstring(value).find(L"BrevixSensorServer.dll") != std::wstring::npos;
}

// Registers the test sensor server for the sensor manager class and points it at a fixture.
class SensorServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (KeyExists(HKEY_LOCAL_MACHINE, kSensorManagerClsidKey) && !RegisteredServerIsOurs()) {
      GTEST_SKIP() << "a sensor manager is registered already";
    }
    const std::wstring server = ModuleDirectory() + L"\\BrevixSensorServer.dll";
    ASSERT_TRUE(testing::FileExists(server)) << "the sensor server is built beside this test";
    const std::wstring inproc = std::wstring(kSensorManagerClsidKey) + L"\\InprocServer32";
    PutString(HKEY_LOCAL_MACHINE, inproc, nullptr, server);
    PutString(HKEY_LOCAL_MACHINE, inproc, L"ThreadingModel", L"Both");
    registered_ = true;
    fixture_ = scratch_.Path() + L"\\sensors.txt";
    log_ = scratch_.Path() + L"\\calls.log";
    SetEnvironmentVariableW(L"BREVIX_SENSOR_FIXTURE", fixture_.c_str());
    SetEnvironmentVariableW(L"BREVIX_SENSOR_LOG", log_.c_str());
  }
  void TearDown() override {
    if (registered_) RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSensorManagerClsidKey);
    SetEnvironmentVariableW(L"BREVIX_SENSOR_FIXTURE", nullptr);
    SetEnvironmentVariableW(L"BREVIX_SENSOR_LOG", nullptr);
  }
  void Fixture(const std::string& text) { WriteText(fixture_, text); }
  std::string Calls() { return testing::ReadAll(log_); }
  std::u16string Query() {
    win32::Win32SensorSource source;
    return QueryFirmwareVersion(source, out_);
  }

  testing::ScratchDirectory scratch_{L"brevix-sensors"};
  RecordingOutput out_;
  std::wstring fixture_, log_;
  bool registered_ = false;
};

TEST(Win32Sensors, WithoutASensorServerTheVersionIsNotAvailable) {
  if (KeyExists(HKEY_LOCAL_MACHINE, kSensorManagerClsidKey) && RegisteredServerIsOurs()) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSensorManagerClsidKey);  // left behind by an interrupted run
  }
  if (KeyExists(HKEY_LOCAL_MACHINE, kSensorManagerClsidKey)) GTEST_SKIP() << "a sensor manager is registered";
  win32::Win32SensorSource source;
  {
    auto session = source.OpenSession();
    const auto created = session->CreateManager();
    EXPECT_EQ(created.status, kClassNotRegistered);
    EXPECT_FALSE(created.manager);
  }
  RecordingOutput out;
  EXPECT_EQ(QueryFirmwareVersion(source, out), u"N/A");
  EXPECT_EQ(out.printed, "Failed to get sensor manager\n");
}

TEST_F(SensorServerTest, FirmwareFromTheCustomHubSensorInCollectionOrder) {
  Fixture(
      "sensor=Accelerometer 3D|other|1234\n"
      "sensor=HID Sensor Collection V2|custom|9999\n"
      "sensor=HID Sensor Collection V2|other|555\n"
      "sensor=HID Sensor Collection V2|custom|1.0.2-17\n"
      "sensor=HID Sensor Collection V2|custom|2.0.0-1\n");
  EXPECT_EQ(Query(), u"1.0.2-");
  EXPECT_EQ(out_.printed, "");
  EXPECT_EQ(Calls(), "CreateInstance\nGetSensorsByCategory all\n");
}

TEST_F(SensorServerTest, PropertyValuesAsTheApiGivesThem) {
  struct Case {
    const char* fixture;
    std::u16string version;
    std::string printed;
  } cases[] = {
      {"sensor=HID Sensor Collection|custom|221212\n", u"221212", ""},
      {"sensor=HID Sensor Collection|custom|\n", u"", ""},
      {"sensor=HID Sensor Collection|custom|!notstring\n", u"", ""},
      {"sensor=HID Sensor Collection|custom|!unreadable\nsensor=HID Sensor Collection|custom|7-7\n", u"7-",
       "Failed get custom sensor serial number property when check if custom sensor is protractor sensor.\n"},
      {"sensor=!notstring|custom|1-1\n", u"N/A", ""},
      {"sensor=hid sensor collection|custom|1-1\n", u"N/A", ""},
      {"sensor=HID Sensor Collection|!unreadable|1-1\n", u"N/A", "Failed to get sensor type\n"},
      {"sensor=Other|other|1\nsensor=HID Sensor Collection|other|1-1\n", u"N/A", "No sensor of this type found\n"},
      {"sensor=!fetchfail\nsensor=HID Sensor Collection|custom|1-1\n", u"N/A", "Failed to get sensor from collection\n"},
      {"count=fail\nsensor=HID Sensor Collection|custom|1-1\n", u"N/A", "Failed to get sensor collection count\n"},
      {"", u"N/A", ""},
  };
  for (const auto& c : cases) {
    Fixture(c.fixture);
    out_.printed.clear();
    EXPECT_EQ(Query(), c.version) << c.fixture;
    EXPECT_EQ(out_.printed, c.printed) << c.fixture;
  }
}

TEST_F(SensorServerTest, ManagerAndCollectionFailures) {
  Fixture("manager=0x800704EC\n");
  EXPECT_EQ(Query(), u"N/A");
  EXPECT_EQ(out_.printed, "Unable to retrieve sensor manager: access disabled by policy.\nFailed to get sensor manager\n");

  out_.printed.clear();
  Fixture("collection=0x80070490\n");
  EXPECT_EQ(Query(), u"N/A");
  EXPECT_EQ(out_.printed, "");
  EXPECT_EQ(Calls().find("RequestPermissions"), std::string::npos);

  Fixture("collection=0x80070005\nsensor=HID Sensor Collection|custom|1-1\n");
  EXPECT_EQ(Query(), u"N/A");
  EXPECT_EQ(out_.printed, "");
  EXPECT_NE(Calls().find("RequestPermissions parent=0 collection=0 modal=0\n"), std::string::npos) << Calls();
}

// COM is entered and left once per query; a thread already in a single-threaded apartment
// keeps it, and the query still works there.
TEST_F(SensorServerTest, ComInitialisationIsBalanced) {
  Fixture("sensor=HID Sensor Collection|custom|3-1\n");
  HRESULT after = E_FAIL;
  std::u16string version;
  std::thread fresh([&] {
    win32::Win32SensorSource source;
    RecordingOutput out;
    version = QueryFirmwareVersion(source, out);
    after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // S_OK only if the query left COM
    if (SUCCEEDED(after)) CoUninitialize();
  });
  fresh.join();
  EXPECT_EQ(version, u"3-");
  EXPECT_EQ(after, S_OK);

  HRESULT entered = E_FAIL, stillInApartment = E_FAIL;
  std::thread sta([&] {
    entered = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    win32::Win32SensorSource source;
    RecordingOutput out;
    version = QueryFirmwareVersion(source, out);
    stillInApartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // S_FALSE: not left by the query
    if (SUCCEEDED(stillInApartment)) CoUninitialize();
    if (SUCCEEDED(entered)) CoUninitialize();
  });
  sta.join();
  EXPECT_EQ(entered, S_OK);
  EXPECT_EQ(version, u"3-");
  EXPECT_EQ(stillInApartment, S_FALSE);
}

// The flashing tool's stand-in and the sensor server together: a flash that takes changes the
// firmware the hub reports afterwards, one that does not leaves it, so a read-back after the
// tool's success report can tell the two apart.
TEST_F(SensorServerTest, AFlashThatTakesChangesTheReportedFirmware) {
  const std::wstring flashed = scratch_.Path() + L"\\flashed.txt";
  const std::wstring scenario = scratch_.Path() + L"\\dfu.scenario";
  const std::wstring firmware =
      scratch_.Path() + L"\\Varnek(R)_Sensor_Hub_Firmware_Sensors_1.0.221212_221212.css_signed.dfu.encrypted";
  WriteText(firmware, "fw");
  SetEnvironmentVariableW(L"BREVIX_SENSOR_FIRMWARE", flashed.c_str());
  SetEnvironmentVariableW(L"BREVIX_DFU_SCENARIO", scenario.c_str());
  const auto runTool = [&](const std::string& commands) {
    WriteText(scenario, commands);
    std::wstring command = L"\"" + ModuleDirectory() + L"\\VarnekDFU.exe\" -file \"" + firmware + L"\" -sync";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      return static_cast<DWORD>(-1);
    }
    WaitForSingleObject(info.hProcess, 30000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
  };
  Fixture("sensor=HID Sensor Collection|custom|@221211-0\n");
  EXPECT_EQ(Query(), u"221211-") << "before any flash: the fixture's own serial";

  EXPECT_EQ(runTool("exit 0\n"), 0u);
  EXPECT_EQ(Query(), u"221211-") << "a success report without a flash that took";

  EXPECT_EQ(runTool("flash\nexit 0\n"), 0u);
  EXPECT_EQ(testing::ReadAll(flashed), "221212-0") << "the version of the firmware file's name";
  EXPECT_EQ(Query(), u"221212-");

  EXPECT_EQ(runTool("flash 221213-4\nexit 0\n"), 0u);
  EXPECT_EQ(Query(), u"221213-");
  Fixture("sensor=HID Sensor Collection|custom|221211-0\n");
  EXPECT_EQ(Query(), u"221211-") << "a serial without \"@\" is the fixture's alone";

  SetEnvironmentVariableW(L"BREVIX_SENSOR_FIRMWARE", nullptr);
  SetEnvironmentVariableW(L"BREVIX_DFU_SCENARIO", nullptr);
}

// ---- SetupAPI, Configuration Manager, control device ------------------------------------

// An ACPI device instance below Enum\ACPI, as the hub's firmware would declare it.
class AcpiDeviceFixture {
 public:
  explicit AcpiDeviceFixture(const std::wstring& deviceName) {
    createdAcpi_ = !KeyExists(HKEY_LOCAL_MACHINE, kAcpiEnumKey);
    device_ = std::wstring(kAcpiEnumKey) + L"\\" + deviceName;
    const std::wstring instance = device_ + L"\\4&2b8f5a3&0";
    PutString(HKEY_LOCAL_MACHINE, instance, L"ClassGUID", L"{4d36e97d-e325-11ce-bfc1-08002be10318}");
    PutString(HKEY_LOCAL_MACHINE, instance, L"DeviceDesc", L"Varnek(R) Brevix Hard DFU");
    PutString(HKEY_LOCAL_MACHINE, instance, L"HardwareID", L"ACPI\\VRK33D0");
  }
  ~AcpiDeviceFixture() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, device_.c_str());
    if (createdAcpi_) RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAcpiEnumKey);
  }

 private:
  std::wstring device_;
  bool createdAcpi_ = false;
};

// A DFU device on USB exposing the STTube driver's interface class; "linked" is what makes
// the interface count as present.
class DfuInterfaceFixture {
 public:
  explicit DfuInterfaceFixture(bool linked) {
    createdClass_ = !KeyExists(HKEY_LOCAL_MACHINE, kInterfaceClassKey);
    PutString(HKEY_LOCAL_MACHINE, kInstanceKey, L"ClassGUID", L"{36fc9e60-c465-11cf-8056-444553540000}");
    PutString(HKEY_LOCAL_MACHINE, InterfaceKey(), L"DeviceInstance", L"USB\\VID_7A1D&PID_0A04\\BREVIXDFU1");
    PutString(HKEY_LOCAL_MACHINE, InterfaceKey() + L"\\#", L"SymbolicLink",
              L"\\\\?\\USB#VID_7A1D&PID_0A04#BREVIXDFU1#{34425ae9-e5d5-4154-af49-740ee2590da9}");
    PutDword(HKEY_LOCAL_MACHINE, InterfaceKey() + L"\\#\\Control", L"Linked", linked ? 1 : 0);
  }
  ~DfuInterfaceFixture() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (createdClass_ ? std::wstring(kInterfaceClassKey) : InterfaceKey()).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstanceKey);
  }

 private:
  static constexpr wchar_t kInstanceKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_7A1D&PID_0A04\\BREVIXDFU1";
  static constexpr wchar_t kInterfaceClassKey[] =
      L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{34425ae9-e5d5-4154-af49-740ee2590da9}";
  static std::wstring InterfaceKey() {
    return std::wstring(kInterfaceClassKey) +
           L"\\##?#USB#VID_7A1D&PID_0A04#BREVIXDFU1#{34425ae9-e5d5-4154-af49-740ee2590da9}";
  }
  bool createdClass_ = false;
};

TEST(Win32DeviceControl, ControlDeviceIsMissingUnderWine) {
  win32::Win32DeviceControl devices;
  EXPECT_FALSE(devices.OpenControlDevice());
}

TEST(Win32DeviceControl, SwitchTellsAMissingDriverFromAMissingFeature) {
  win32::Win32DeviceControl devices;
  CountingClock clock;
  RecordingOutput out;
  HardDfuContext context{devices, clock, out};
  {
    AcpiDeviceFixture acpi(L"VRK33D0");
    EXPECT_EQ(HardDfuSwitch(context), kHardDfuDriverMissing);
    EXPECT_EQ(out.printed, "FAIL: Varnek(R) Sensor Hub Hard DFU driver not installed\n");
  }
  out.printed.clear();
  EXPECT_EQ(HardDfuSwitch(context), kHardDfuNotSupported);
  EXPECT_EQ(out.printed, "FAIL: Varnek(R) Sensor Hub Hard DFU not supported in BIOS\n");
  EXPECT_EQ(clock.sleeps, 0u);
}

TEST(Win32DeviceControl, AcpiDeviceIsFoundByItsUpperCasedInstanceId) {
  win32::Win32DeviceControl devices;
  {
    AcpiDeviceFixture acpi(L"vrk33d0");
    const auto set = devices.OpenAllDevices();
    ASSERT_TRUE(set);
    const auto found = FindHardDfuDevice(*set);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->instanceId, "ACPI\\VRK33D0\\4&2B8F5A3&0");
    // The device's status is readable through its node; Wine reports no problem.
    const auto status = set->Status(found->index);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->status & kDevNodeHasProblem, 0u);
  }
  {
    AcpiDeviceFixture other(L"VRK33D1");
    const auto set = devices.OpenAllDevices();
    ASSERT_TRUE(set);
    EXPECT_FALSE(FindHardDfuDevice(*set).has_value());
  }
}

TEST(Win32DeviceControl, NoDfuInterfaceAndPendingInstallsSettleAtOnce) {
  win32::Win32DeviceControl devices;
  EXPECT_FALSE(IsDfuInterfacePresent(devices));
  EXPECT_EQ(devices.WaitForPendingInstalls(), DeviceControl::PendingInstalls::Settled);
  // With installs settled the wait ends after its quiet passes, not its pass limit.
  CountingClock clock;
  RecordingOutput out;
  HardDfuContext context{devices, clock, out, HardDfuTiming{6, 5000, 150, 150, 30, 10}};
  WaitForDfuInterface(context);
  EXPECT_EQ(clock.sleeps, 30u);
}

TEST(Win32DeviceControl, DfuInterfacePresenceFollowsTheLinkedInterface) {
  win32::Win32DeviceControl devices;
  {
    DfuInterfaceFixture dfu(/*linked=*/true);
    EXPECT_TRUE(IsDfuInterfacePresent(devices));
    // An interface that is up ends the wait at once.
    CountingClock clock;
    RecordingOutput out;
    HardDfuContext context{devices, clock, out};
    WaitForDfuInterface(context);
    EXPECT_EQ(clock.sleeps, 0u);
  }
  {
    DfuInterfaceFixture dfu(/*linked=*/false);
    EXPECT_FALSE(IsDfuInterfacePresent(devices));
  }
  EXPECT_FALSE(IsDfuInterfacePresent(devices));
}


// ---- The seam's waits ---------------------------------------------------------------------

// A request that stays pending until the other end acts: listening on an overlapped pipe
// (FSCTL_PIPE_LISTEN) waits for a client, as a mode request waits for the hub's answer.
constexpr DWORD kPipeListen = CTL_CODE(FILE_DEVICE_NAMED_PIPE, 2, METHOD_BUFFERED, FILE_ANY_ACCESS);

TEST(Win32DeviceControl, ControlRequestIsAnsweredOrTakenBackWithinItsLimit) {
  const std::wstring name = L"\\\\.\\pipe\\brevix-control-request-" + std::to_wstring(GetCurrentProcessId());
  win32::UniqueHandle pipe(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1,
                                            0, 0, 0, nullptr));
  ASSERT_TRUE(pipe);
  constexpr std::uint32_t kLimitMs = 1000;
  // Sends a listen through the control device's request path (on a handle of the same pipe);
  // a client connects after `clientAfterMs` unless that is negative.
  auto send = [&](int clientAfterMs, ULONGLONG& tookMs) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), pipe.get(), GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    win32::Win32ControlDevice device(win32::UniqueHandle(copy), kLimitMs);
    win32::UniqueHandle client;
    std::thread connect;
    if (clientAfterMs >= 0) {
      connect = std::thread([&] {
        Sleep(static_cast<DWORD>(clientAfterMs));
        client.reset(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      });
    }
    const ULONGLONG start = GetTickCount64();
    const bool accepted = device.Send(kPipeListen);
    tookMs = GetTickCount64() - start;
    if (connect.joinable()) connect.join();
    DisconnectNamedPipe(pipe.get());
    return accepted;
  };
  ULONGLONG took = 0;
  EXPECT_TRUE(send(100, took)) << "answered within the limit";
  EXPECT_LT(took, kLimitMs);
  EXPECT_FALSE(send(-1, took)) << "never answered";
  EXPECT_GE(took, kLimitMs - 20);
  // A request that honours cancellation is taken back at once, not after the cancel's limit.
  EXPECT_LT(took, kLimitMs + 500) << "the cancellation was not confirmed";
  // And the device takes the next request as before.
  EXPECT_TRUE(send(100, took)) << "after the request that was taken back";
}

// The Configuration Manager's wait with an install that never settles; the limits it was given.
std::vector<std::uint32_t> g_installWaitLimits;
std::uint32_t InstallHeldForever(std::uint32_t limitMs) {
  g_installWaitLimits.push_back(limitMs);
  return WAIT_TIMEOUT;
}

TEST(Win32DeviceControl, AHeldInstallCostsTheSwitchOneLimitNotOnePerPass) {
  g_installWaitLimits.clear();
  win32::Win32DeviceControl devices(&InstallHeldForever);
  CountingClock clock;
  RecordingOutput out;
  HardDfuContext context{devices, clock, out};
  WaitForDfuInterface(context);
  WaitForDfuInterface(context);
  // Two waits for the interface of 150 passes each (the install never settles): only the first
  // pass blocks, for the limit; every later one only looks.
  ASSERT_EQ(g_installWaitLimits.size(), 2u * 150u);
  EXPECT_EQ(g_installWaitLimits[0], win32::kPendingInstallLimitMs);
  EXPECT_EQ(std::count(g_installWaitLimits.begin(), g_installWaitLimits.end(), 0u), 2 * 150 - 1);
}

}  // namespace
}  // namespace brevix
