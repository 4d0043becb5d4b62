// Registry reading on the real API, against keys this test writes below HKLM.
#include <gtest/gtest.h>

#include <vector>

#include "app/StartupGates.h"
#include "data/ResourcePackage.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix {
namespace {

constexpr wchar_t kRoot[] = L"SOFTWARE\\BrevixTests";

class RegistryFixture : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot); }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kRoot); }
  static void Put(const std::wstring& sub, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kRoot) + L"\\" + sub).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (name) {
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }
  // A value of exactly these bytes, terminator or not.
  static void PutRaw(const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kRoot) + L"\\raw").c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static std::vector<BYTE> Units(const std::wstring& text, std::size_t terminators) {
    std::vector<BYTE> data(reinterpret_cast<const BYTE*>(text.data()),
                           reinterpret_cast<const BYTE*>(text.data() + text.size()));
    data.insert(data.end(), 2 * terminators, 0);
    return data;
  }
};

TEST_F(RegistryFixture, EnumeratesSubkeysAndReadsStringsWithinTheirBuffers) {
  Put(L"0000", L"DriverDesc", L"Varnek(R) Brevix ACPI Control");
  Put(L"0000", L"DriverVersion", std::wstring(49, L'9'));
  Put(L"0000", L"TooLong", std::wstring(50, L'9'));
  Put(L"0001", nullptr, L"");
  win32::Win32Registry registry;
  auto key = registry.OpenLocalMachineKey(u"SOFTWARE\\BrevixTests");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->EnumSubkey(0), u"0000");
  EXPECT_EQ(key->EnumSubkey(1), u"0001");
  EXPECT_FALSE(key->EnumSubkey(2));

  auto sub = registry.OpenLocalMachineKey(u"SOFTWARE\\BrevixTests\\0000");
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub->QueryString(u"DriverDesc", 500), u"Varnek(R) Brevix ACPI Control");
  EXPECT_EQ(sub->QueryString(u"DriverVersion", 100), std::u16string(49, u'9'));  // 49 units + NUL = 100 bytes
  EXPECT_FALSE(sub->QueryString(u"TooLong", 100));
  EXPECT_FALSE(sub->QueryString(u"Missing", 100));
  EXPECT_FALSE(registry.OpenLocalMachineKey(u"SOFTWARE\\BrevixTests\\nope"));
}

// String values as other software may store them: without a terminator, empty, with an odd
// byte, far too long, or not strings at all.
TEST_F(RegistryFixture, StringsOfEveryShapeAreReadWithinTheirBuffers) {
  PutRaw(L"Bare49", REG_SZ, Units(std::wstring(49, L'9'), 0));
  PutRaw(L"Bare50", REG_SZ, Units(std::wstring(50, L'9'), 0));
  PutRaw(L"Empty", REG_SZ, {});
  std::vector<BYTE> odd = Units(L"abc", 0);
  odd.push_back('d');
  PutRaw(L"Odd", REG_SZ, odd);
  PutRaw(L"Huge", REG_SZ, Units(std::wstring(10000, L'x'), 1));
  PutRaw(L"Nuls", REG_SZ, Units(L"", 10000));
  PutRaw(L"Expand", REG_EXPAND_SZ, Units(L"%x%", 1));
  PutRaw(L"Number", REG_DWORD, {1, 0, 0, 0});
  win32::Win32Registry registry;
  auto key = registry.OpenLocalMachineKey(u"SOFTWARE\\BrevixTests\\raw");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->QueryString(u"Bare49", 100), std::u16string(49, u'9'));
  EXPECT_FALSE(key->QueryString(u"Bare50", 100));
  EXPECT_EQ(key->QueryString(u"Empty", 100), u"");
  EXPECT_EQ(key->QueryString(u"Odd", 100), u"abc");
  EXPECT_FALSE(key->QueryString(u"Huge", 500));
  EXPECT_FALSE(key->QueryString(u"Nuls", 500));
  EXPECT_EQ(key->QueryString(u"Expand", 100), u"%x%");
  EXPECT_FALSE(key->QueryString(u"Number", 100));
}

// The device gate against the prefix's own Enum keys: the test prefix holds a supported hub.
TEST(Win32DeviceGate, SimulatedNotebookHasASupportedHub) {
  win32::Win32Registry registry;
  win32::Win32Resources resources;
  const auto package = resources.Find(u"DAT", 186);
  ASSERT_TRUE(package);
  const auto pidvid = ReadPackageEntry(*package, u"PidVid");
  ASSERT_TRUE(pidvid);
  const auto ids = SupportedIdList::FromEntryBytes(*pidvid);
  EXPECT_EQ(ids.EntryCount(), 10u);
  EXPECT_EQ(FindSupportedDevice(registry, ids), DeviceGate::Supported);
}

}  // namespace
}  // namespace brevix
