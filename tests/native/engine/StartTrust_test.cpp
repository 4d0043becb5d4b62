#include "engine/StartTrust.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "Fakes.h"
#include "platform/Text.h"

namespace brevix {
namespace {

constexpr char kSystem[] = "S-1-5-18";
constexpr char kAdmins[] = "S-1-5-32-544";
constexpr char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr char kAuthenticated[] = "S-1-5-11";
constexpr char kCreatorOwner[] = "S-1-3-0";
constexpr char kAlice[] = "S-1-5-21-1004336348-1177238915-682003330-1001";  // the user who ran it elevated

constexpr std::uint32_t kFullControl = 0x1F01FF;
constexpr std::uint32_t kReadExecute = 0x1200A9;
constexpr std::uint32_t kModify = 0x1301BF;
constexpr std::uint32_t kAddFile = 0x2;
constexpr std::uint32_t kAddFolder = 0x4;
constexpr std::uint32_t kDeleteChild = 0x40;
constexpr std::uint32_t kWriteAttributes = 0x100;
constexpr std::uint32_t kGenericWrite = 0x40000000;

AccessEntry Allow(const char* sid, std::uint32_t mask) { return {true, sid, mask, false, false}; }
AccessEntry Passed(const char* sid, std::uint32_t mask) { return {true, sid, mask, true, true}; }  // (OI)(CI)(IO)

// Security as Windows 7 sets it up: the system drive's root and a deployment folder that only
// administrators can change, holding the extracted installer.
std::map<std::u16string, ObjectSecurity> AdministratorsOnlyTree() {
  const std::vector<AccessEntry> adminFolder = {Allow(kSystem, kFullControl), Allow(kAdmins, kFullControl),
                                                Allow(kUsers, kReadExecute), Passed(kCreatorOwner, kFullControl)};
  return {
      {u"C:\\",
       {kTrustedInstaller,
        true,
        {Allow(kAdmins, kFullControl), Allow(kSystem, kFullControl), Allow(kUsers, kReadExecute),
         Allow(kAuthenticated, kAddFolder), Passed(kAuthenticated, kModify)}}},
      {u"C:\\Deploy", {kAdmins, true, adminFolder}},
      {u"C:\\Deploy\\DRIVER", {kAdmins, true, adminFolder}},
      {u"C:\\Deploy\\DRIVER\\ACPI", {kAdmins, true, adminFolder}},
      {u"C:\\Deploy\\DRIVER\\ACPI\\dpinst.exe",
       {kAdmins, true, {Allow(kSystem, kFullControl), Allow(kAdmins, kFullControl), Allow(kUsers, kReadExecute)}}},
  };
}

constexpr char16_t kProgram[] = u"C:\\Deploy\\DRIVER\\ACPI\\dpinst.exe";

using testing::TreeSecurity;

using Tree = std::map<std::u16string, ObjectSecurity>;

TEST(OnlyAdministratorsCanChange, WhoElseCouldSwapTheProgram) {
  struct Case {
    const char* what;
    std::function<void(Tree&)> change;
    bool trusted;
  } cases[] = {
      {"only administrators can change any of it", [](Tree&) {}, true},
      {"users may rewrite the program", [](Tree& t) { t[kProgram].entries.push_back(Allow(kUsers, kAddFile)); }, false},
      {"users hold generic write on the program",
       [](Tree& t) { t[kProgram].entries.push_back(Allow(kUsers, kGenericWrite)); }, false},
      {"users may only touch the program's attributes",
       [](Tree& t) { t[kProgram].entries.push_back(Allow(kUsers, kWriteAttributes)); }, true},
      {"the user who ran it owns the program", [](Tree& t) { t[kProgram].owner = kAlice; }, false},
      {"the user who ran it may change the program (an unelevated process of hers could)",
       [](Tree& t) { t[kProgram].entries.push_back(Allow(kAlice, kFullControl)); }, false},
      {"users may add a DLL beside the program",
       [](Tree& t) { t[u"C:\\Deploy\\DRIVER\\ACPI"].entries.push_back(Allow(kUsers, kAddFile)); }, false},
      {"users may add a .local folder beside the program",
       [](Tree& t) { t[u"C:\\Deploy\\DRIVER\\ACPI"].entries.push_back(Allow(kAuthenticated, kAddFolder)); }, false},
      {"the program's folder hands users modify rights on what is made in it",
       [](Tree& t) { t[u"C:\\Deploy\\DRIVER\\ACPI"].entries.push_back(Passed(kUsers, kModify)); }, false},
      {"the program's folder has no access list",
       [](Tree& t) {
         t[u"C:\\Deploy\\DRIVER\\ACPI"] = {kAdmins, false, {}};
       },
       false},
      {"a folder above may have its children renamed by users",
       [](Tree& t) { t[u"C:\\Deploy"].entries.push_back(Allow(kUsers, kDeleteChild)); }, false},
      {"a folder made in the root took the root's modify right for every user",
       [](Tree& t) { t[u"C:\\Deploy"].entries.push_back(Allow(kAuthenticated, kModify)); }, false},
      {"users may add files to a folder above (nothing there is started)",
       [](Tree& t) { t[u"C:\\Deploy"].entries.push_back(Allow(kUsers, kAddFile)); }, true},
      {"a folder above owned by the user", [](Tree& t) { t[u"C:\\Deploy\\DRIVER"].owner = kAlice; }, false},
      {"the root's security cannot be read", [](Tree& t) { t.erase(u"C:\\"); }, false},
      {"denials are not weighed: a grant to others counts",
       [](Tree& t) {
         t[kProgram].entries.push_back({false, kUsers, kFullControl, false, false});
         t[kProgram].entries.push_back(Allow(kUsers, kModify));
       },
       false},
  };
  for (const auto& c : cases) {
    TreeSecurity security;
    security.objects = AdministratorsOnlyTree();
    c.change(security.objects);
    EXPECT_EQ(OnlyAdministratorsCanChange(kProgram, security), c.trusted) << c.what;
  }
}

TEST(OnlyAdministratorsCanChange, WalksEveryFolderUpToTheRootOnly) {
  TreeSecurity security;
  security.objects = AdministratorsOnlyTree();
  ASSERT_TRUE(OnlyAdministratorsCanChange(kProgram, security));
  EXPECT_EQ(security.reads, (std::vector<std::u16string>{kProgram, u"C:\\Deploy\\DRIVER\\ACPI", u"C:\\Deploy\\DRIVER",
                                                         u"C:\\Deploy", u"C:\\"}));

  // A share: the walk ends at "\\server\share\", which is all a client can name.
  TreeSecurity share;
  for (const auto& [path, object] : AdministratorsOnlyTree()) {
    if (path == u"C:\\") {
      share.objects[u"\\\\depot\\tools\\"] = object;
    } else {
      share.objects[u"\\\\depot\\tools" + path.substr(2)] = object;
    }
  }
  EXPECT_TRUE(OnlyAdministratorsCanChange(u"\\\\depot\\tools\\Deploy\\DRIVER\\ACPI\\dpinst.exe", share));
  EXPECT_EQ(share.reads.back(), u"\\\\depot\\tools\\");
}

TEST(OnlyAdministratorsCanChange, OnlyPlainFullPathsAreVouchedFor) {
  TreeSecurity security;
  security.objects = AdministratorsOnlyTree();
  security.objects[u"dpinst.exe"] = security.objects[kProgram];
  for (const char16_t* path :
       {u"dpinst.exe", u"DRIVER\\ACPI\\dpinst.exe", u"C:\\Deploy\\..\\Deploy\\DRIVER\\ACPI\\dpinst.exe",
        u"C:\\Deploy\\.\\DRIVER\\ACPI\\dpinst.exe", u"C:/Deploy/DRIVER/ACPI/dpinst.exe", u"C:\\", u"\\\\depot", u""}) {
    EXPECT_FALSE(OnlyAdministratorsCanChange(path, security)) << Utf16ToUtf8(path);
  }
}

}  // namespace
}  // namespace brevix
