#include "app/StartupGates.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Fakes.h"
#include "data/ResourcePackage.h"

namespace brevix {
namespace {

using testing::FakeFileSystem;
using testing::FakeRegistry;
using testing::FakeResources;
using testing::FakeSystem;

// The shipped list, as the build encodes it.
Bytes ShippedPidVid() {
  std::ifstream in(std::string(BREVIX_SOURCE_DIR) + "/resources/package/PidVid");
  std::string line;
  std::u16string text;
  while (std::getline(in, line)) text += Utf8ToUtf16(line) + u"\r\n";
  return testing::Utf16File(text);
}

class RecordingShell : public StartupShell {
 public:
  std::vector<std::u16string> refusals;
  bool otherInstance = false;
  bool classOk = true;
  int broughtForward = 0;
  void ShowRefusal(const std::u16string& text) override { refusals.push_back(text); }
  bool ClaimSingleInstance() override { return !otherInstance; }
  void BringExistingInstanceForward() override { ++broughtForward; }
  bool RegisterWindowClass() override { return classOk; }
};

struct Machine {
  FakeSystem system;
  FakeRegistry registry;
  FakeResources resources;
  FakeFileSystem files;
  RecordingShell shell;
  Machine() {
    resources.items[{u"DAT", 186}] = BuildPackage({{u"PidVid", ShippedPidVid()}});
    registry.keys[kUsbEnumKey] = {};
    registry.keys[kHidEnumKey] = {};
    files.directories[u"C:"] = 0x10;
  }
  StartupOutcome Run() {
    StartupEnvironment env{system, registry, resources, files, shell};
    return RunStartupGates(env, u"not supported");
  }
};

TEST(StartupGates, OperatingSystemGate) {
  struct Case {
    OsVersion v;
    bool pass;
  } cases[] = {{{6, 1, 1}, true},   {{6, 2, 1}, true},  {{6, 3, 1}, true},    // 7, 8, 8.1
               {{6, 1, 3}, false},  {{6, 2, 3}, false}, {{6, 3, 3}, false},   // their servers
               {{6, 3, 2}, false},                                           // a domain controller
               {{6, 4, 1}, false},  {{10, 0, 1}, false}, {{10, 0, 3}, false}, // 10's early builds, 10
               {{6, 0, 1}, false},  {{5, 1, 1}, false},  {{0, 0, 0}, false}}; // Vista, XP, unreadable
  for (const auto& c : cases) {
    Machine m;
    m.registry.keys[kUsbEnumKey].subkeys = {u"VID_7A1D&PID_0A04"};
    m.system.version = c.v;
    const auto outcome = m.Run();
    EXPECT_EQ(outcome == StartupOutcome::Ready, c.pass) << c.v.major << "." << c.v.minor << "/" << int(c.v.productType);
    if (!c.pass) {
      EXPECT_EQ(outcome, StartupOutcome::RefusedSystem);
      EXPECT_EQ(m.shell.refusals, std::vector<std::u16string>{u"not supported"});
      EXPECT_TRUE(m.registry.opened.empty());
    }
  }
}

TEST(StartupGates, DeviceMatching) {
  struct Case {
    std::vector<std::u16string> usb, hid;
    bool supported;
  } cases[] = {
      {{u"VID_7A1D&PID_0A04"}, {}, true},
      {{u"ROOT_HUB20", u"VID_7A1C&PID_09FA"}, {}, true},
      {{u"vid_7a1d&pid_0a04"}, {}, false},          // case-sensitive
      {{u"VID_7A1D&PID_0A04&MI_00"}, {}, false},    // whole name
      {{u"VID_7A1D&PID_0A0"}, {}, false},
      {{u"VRK33D1"}, {}, false},                    // short ids never match in the USB pass
      {{}, {u"VRK33D1"}, true},
      {{}, {u"VRK33D1&Col01"}, false},
      {{}, {u"VID_7A1D&PID_0A04"}, true},            // HID compares whole entries
  };
  for (const auto& c : cases) {
    Machine m;
    m.registry.keys[kUsbEnumKey].subkeys = c.usb;
    m.registry.keys[kHidEnumKey].subkeys = c.hid;
    const auto outcome = m.Run();
    EXPECT_EQ(outcome, c.supported ? StartupOutcome::Ready : StartupOutcome::RefusedDevice)
        << (c.usb.empty() ? "" : Utf16ToUtf8(c.usb.back())) << (c.hid.empty() ? "" : Utf16ToUtf8(c.hid.back()));
    EXPECT_EQ(m.shell.refusals.size(), c.supported ? 0u : 1u);
  }
}

TEST(StartupGates, UsbMatchNeverOpensHid) {
  Machine m;
  m.registry.keys[kUsbEnumKey].subkeys = {u"VID_7A1D&PID_0A04"};
  ASSERT_EQ(m.Run(), StartupOutcome::Ready);
  EXPECT_EQ(m.registry.opened, std::vector<std::u16string>{kUsbEnumKey});
}

TEST(StartupGates, UnreadableEnumKeysEndSilently) {
  Machine m;
  m.registry.keys[kUsbEnumKey].openable = false;
  m.registry.keys[kHidEnumKey].subkeys = {u"VRK33D1"};
  EXPECT_EQ(m.Run(), StartupOutcome::RegistryUnreadable);
  EXPECT_TRUE(m.shell.refusals.empty());

  Machine n;
  n.registry.keys.erase(kHidEnumKey);
  EXPECT_EQ(n.Run(), StartupOutcome::RegistryUnreadable);
  EXPECT_TRUE(n.shell.refusals.empty());
}

TEST(StartupGates, MissingListRefusesWithTheMessage) {
  Machine m;
  m.resources.items.clear();
  m.registry.keys[kUsbEnumKey].subkeys = {u"VID_7A1D&PID_0A04"};
  m.registry.keys[kHidEnumKey].subkeys = {u"VRK33D1"};
  EXPECT_EQ(m.Run(), StartupOutcome::RefusedDevice);
  EXPECT_EQ(m.shell.refusals.size(), 1u);
}

TEST(StartupGates, SecondInstanceBringsTheFirstForwardSilently) {
  Machine m;
  m.registry.keys[kUsbEnumKey].subkeys = {u"VID_7A1D&PID_0A04"};
  m.shell.otherInstance = true;
  EXPECT_EQ(m.Run(), StartupOutcome::AlreadyRunning);
  EXPECT_EQ(m.shell.broughtForward, 1);
  EXPECT_TRUE(m.shell.refusals.empty());
  EXPECT_EQ(m.files.current, u"C:\\start");
}

TEST(StartupGates, WorkingDirectoryFollowsSystemDriveAndWow64) {
  EXPECT_EQ(WorkingDirectoryPath(u"D:\\WINDOWS\\system32", false),
            u"D:\\Program Files\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool\\");
  EXPECT_EQ(WorkingDirectoryPath(u"C:\\Windows\\system32", true),
            u"C:\\Program Files (x86)\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool\\");

  Machine m;
  m.registry.keys[kUsbEnumKey].subkeys = {u"VID_7A1D&PID_0A04"};
  m.system.systemDirectory = u"D:\\WINDOWS\\system32";
  m.files.directories[u"D:"] = 0x10;
  ASSERT_EQ(m.Run(), StartupOutcome::Ready);
  EXPECT_EQ(m.files.current, u"D:\\Program Files\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool\\");
}

TEST(StartupGates, UncreatableWorkingDirectoryKeepsTheInheritedOne) {
  Machine m;
  m.registry.keys[kUsbEnumKey].subkeys = {u"VID_7A1D&PID_0A04"};
  m.files.createFails = true;
  EXPECT_EQ(m.Run(), StartupOutcome::Ready);
  EXPECT_EQ(m.files.current, u"C:\\start");
}

TEST(SupportedIdList, TextAfterTheLastBarIsNoEntry) {
  const auto list = SupportedIdList::FromEntryBytes(testing::Utf16File(u"VRK33D1|\r\nVID_7A1D&PID_0A06"));
  EXPECT_EQ(list.EntryCount(), 1u);
  EXPECT_FALSE(list.MatchesHidName(u"VID_7A1D&PID_0A06"));
  EXPECT_EQ(SupportedIdList::FromEntryBytes(Bytes{0xFF}).EntryCount(), 0u);
  EXPECT_EQ(SupportedIdList::FromEntryBytes(ShippedPidVid()).EntryCount(), 10u);
}

}  // namespace
}  // namespace brevix
