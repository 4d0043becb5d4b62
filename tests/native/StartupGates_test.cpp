#include "app/StartupGates.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
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

constexpr char kSystem[] = "S-1-5-18";
constexpr char kAdmins[] = "S-1-5-32-544";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr char kAlice[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr std::uint32_t kFull = 0x1F01FF;
constexpr std::uint32_t kReadExecute = 0x1200A9;
constexpr std::uint32_t kModify = 0x1301BF;

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
  testing::TreeSecurity security;
  StartupResult last;
  Machine() {
    resources.items[{u"DAT", 186}] = BuildPackage({{u"PidVid", ShippedPidVid()}});
    registry.keys[kUsbEnumKey] = {};
    registry.keys[kHidEnumKey] = {};
    files.directories[u"C:"] = 0x10;
    files.directories[u"C:\\Windows"] = 0x10;
    files.directories[u"C:\\Windows\\Temp"] = 0x10;
    // Every folder as Windows sets up its system drive: only administrators may change it.
    security.others = ObjectSecurity{kAdmins, true, {{true, kSystem, kFull}, {true, kAdmins, kFull}, {true, kUsers, kReadExecute}}};
  }
  StartupOutcome Run() {
    StartupEnvironment env{system, registry, resources, files, security, shell};
    last = RunStartupGates(env, StartupTexts{u"not supported", u"no safe folder"});
    return last.outcome;
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

constexpr char16_t kOwn[] = u"C:\\Program Files\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool";
constexpr char16_t kVendor[] = u"C:\\Program Files\\Varnek Corporation";

// Where the run works: its own folder, else the one it was started in, each only where nobody
// but the administrators can change it or move it away, and nothing is made below a folder
// that is not safe; else a fresh protected folder under the system's temporary folder, or no
// run at all.
TEST(StartupGates, TheRunWorksOnlyWhereOnlyAdministratorsCanChangeAnything) {
  const std::u16string fresh1 = FreshFolderPath(u"C:\\Windows", 0x1111), fresh2 = FreshFolderPath(u"C:\\Windows", 0x2222);
  const ObjectSecurity usersModify{kAdmins, true, {{true, kSystem, kFull}, {true, kAdmins, kFull}, {true, kUsers, kModify}}};
  const auto ownUnmakeable = [](Machine& m) { m.files.files[kVendor] = Bytes{1}; };  // a file where a folder goes
  // No own folder, and started in `folder` (current with a trailing "\\"), below `above` when given.
  const auto startedIn = [&](Machine& m, const char16_t* folder, const char16_t* above = nullptr,
                             std::uint32_t aboveAttributes = 0x10) {
    ownUnmakeable(m);
    if (above) m.files.directories[above] = aboveAttributes;
    m.files.directories[folder] = 0x10;
    m.files.current = std::u16string(folder) + u"\\";
  };
  struct Case {
    const char* what;
    std::function<void(Machine&)> setUp;
    std::optional<FolderKind> kind;  // nullopt: no run
    std::u16string path;
    std::u16string untouched;  // nothing is made below it
  } cases[] = {
      {"the system drive as Windows sets it up", [](Machine&) {}, FolderKind::Own, kOwn, u""},
      {"the vendor's folder is a junction",
       [&](Machine& m) { m.files.directories[kVendor] = 0x410; }, FolderKind::Protected, fresh1, kVendor},
      {"users may change what is in the vendor's folder",
       [&](Machine& m) {
         m.files.directories[kVendor] = 0x10;
         m.security.objects[kVendor] = usersModify;
       },
       FolderKind::Protected, fresh1, kVendor},
      {"the own folder is there and a user owns it",
       [&](Machine& m) {
         for (auto* d : {kVendor, u"C:\\Program Files", u"C:\\Program Files\\Varnek Corporation\\Varnek(R) Brevix", kOwn})
           m.files.directories[d] = 0x10;
         m.security.objects[kOwn] = {kAlice, true, {{true, kAlice, kFull}}};
       },
       FolderKind::Protected, fresh1, u""},
      {"no own folder; started in a folder only administrators can change",
       [&](Machine& m) { startedIn(m, u"C:\\Deploy"); },
       FolderKind::Started, u"C:\\Deploy", u""},
      {"no own folder; started in a download folder the user may change",
       [&](Machine& m) {
         startedIn(m, u"C:\\Users\\bob\\Downloads");
         m.security.objects[u"C:\\Users\\bob\\Downloads"] = {kAlice, true, {{true, kAlice, kFull}}};
       },
       FolderKind::Protected, fresh1, u"C:\\Users\\bob\\Downloads"},
      {"no own folder; started below a junction",
       [&](Machine& m) { startedIn(m, u"C:\\Link\\tools", u"C:\\Link", 0x410); },
       FolderKind::Protected, fresh1, u"C:\\Link"},
      {"no own folder; started where users may rename a folder above",
       [&](Machine& m) {
         startedIn(m, u"C:\\Shared\\tools", u"C:\\Shared");
         m.security.objects[u"C:\\Shared"] = usersModify;
       },
       FolderKind::Protected, fresh1, u"C:\\Shared"},
      {"someone made the first fresh name beforehand: the next is used",
       [&](Machine& m) {
         ownUnmakeable(m);
         m.files.directories[fresh1] = 0x10;
       },
       FolderKind::Protected, fresh2, fresh1},
      {"every fresh name is taken: no run",
       [&](Machine& m) {
         ownUnmakeable(m);
         m.system.numbers = {0x1111};
         m.files.directories[fresh1] = 0x10;
       },
       std::nullopt, u"", fresh1},
      {"the system's temporary folder is a junction: no run",
       [&](Machine& m) {
         ownUnmakeable(m);
         m.files.directories[u"C:\\Windows\\Temp"] = 0x410;
       },
       std::nullopt, u"", u""},
  };
  for (const auto& c : cases) {
    Machine m;
    m.registry.keys[kUsbEnumKey].subkeys = {u"VID_7A1D&PID_0A04"};
    m.system.numbers = {0x1111, 0x2222};
    m.files.current = u"C:\\start";
    m.files.directories[u"C:\\start"] = 0x10;
    m.security.objects[u"C:\\start"] = {kAlice, true, {{true, kAlice, kFull}}};  // a user's folder
    c.setUp(m);
    const auto freshFolders = [&m] {
      std::vector<std::u16string> found;
      for (const auto& [path, attributes] : m.files.directories) {
        if (path.rfind(u"C:\\Windows\\Temp\\", 0) == 0) found.push_back(path);
      }
      return found;
    };
    const auto before = freshFolders();
    const StartupOutcome outcome = m.Run();
    if (!c.kind) {
      EXPECT_EQ(outcome, StartupOutcome::NoSafeFolder) << c.what;
      EXPECT_EQ(m.shell.refusals, std::vector<std::u16string>{u"no safe folder"}) << c.what;
      EXPECT_EQ(freshFolders(), before) << c.what << ": a folder was left behind";
    } else {
      ASSERT_EQ(outcome, StartupOutcome::Ready) << c.what;
      EXPECT_EQ(m.last.folder.kind, *c.kind) << c.what;
      EXPECT_EQ(m.last.folder.path, c.path) << c.what;
      EXPECT_EQ(FakeFileSystem::Norm(m.files.current), c.path) << c.what;
      EXPECT_EQ(m.last.folder.passedOver.has_value(), *c.kind == FolderKind::Protected) << c.what;
      if (*c.kind == FolderKind::Protected) {
        EXPECT_TRUE(m.files.protectedDirectories.count(c.path)) << c.what;
      }
    }
    if (c.untouched.empty()) continue;
    for (const auto& made : m.files.createCalls) {
      EXPECT_NE(made.rfind(c.untouched + u"\\", 0), 0u) << c.what << ": made " << Utf16ToUtf8(made);
    }
  }
}

TEST(StartupGates, TheLogSaysWhereTheRunWorksAndWhy) {
  const WorkingFolder folder{u"C:\\Windows\\Temp\\Varnek Brevix Upgrade Tool 0000000000001111", FolderKind::Protected,
                             FolderJudgement{FolderTrust::OthersCanWrite, u"C:\\Users\\bob\\Downloads"}};
  EXPECT_EQ(WorkingFolderLogLine(folder),
            "Working in C:\\Windows\\Temp\\Varnek Brevix Upgrade Tool 0000000000001111 as others may change what is in "
            "C:\\Users\\bob\\Downloads");
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
