// What the run writes and removes in its working folder never reaches past it: extraction does
// not write through what stands where an entry goes, and the clean-up does not follow a link
// or junction, nor remove what it did not make.
#include "engine/WorkFiles.h"

#include <gtest/gtest.h>

#include <functional>

#include "Fakes.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"

namespace brevix {
namespace {

using testing::FakeFileSystem;

constexpr std::uint32_t kFolder = FileSystem::kDirectoryAttribute;
constexpr std::uint32_t kJunction = FileSystem::kDirectoryAttribute | FileSystem::kReparsePointAttribute;
constexpr std::uint32_t kFileLink = 0x20 | FileSystem::kReparsePointAttribute;
const std::u16string kInf = u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf";

Bytes Text(const char* s) { return Bytes(s, s + std::char_traits<char>::length(s)); }

TEST(Extraction, NeverWritesThroughWhatStandsWhereAnEntryGoes) {
  const Bytes package = BuildPackage({{kInf, Text("[Version]")}, {u"ErrorCode.ini", Text("[Preparing]")}});
  struct Case {
    const char* what;
    std::function<void(FakeFileSystem&)> plant;
    bool written;
  } cases[] = {
      {"nothing", [](FakeFileSystem&) {}, true},
      {"an earlier run's file", [](FakeFileSystem& f) { f.files[kInf] = Text("old"); }, true},
      {"a second name of somebody's file (a hard link)",
       [](FakeFileSystem& f) {
         f.files[kInf] = Text("theirs");
         f.linkCounts[kInf] = 2;
       },
       false},
      {"a link to somebody's file",
       [](FakeFileSystem& f) {
         f.files[kInf] = Text("theirs");
         f.fileAttributes[kInf] = kFileLink;
       },
       false},
      {"a junction", [](FakeFileSystem& f) { f.directories[kInf] = kJunction; }, false},
      {"a read-only file", [](FakeFileSystem& f) {
         f.files[kInf] = Text("theirs");
         f.fileAttributes[kInf] = 1;
       },
       false},
  };
  for (const auto& c : cases) {
    FakeFileSystem disk;
    disk.directories[u"DRIVER"] = kFolder;
    disk.directories[u"DRIVER\\ACPI"] = kFolder;
    c.plant(disk);
    const auto before = disk.files.count(kInf) ? disk.files[kInf] : Bytes{};
    const ExtractionResult result = ExtractPackage(package, disk);
    ASSERT_TRUE(result.packageRead) << c.what;
    EXPECT_EQ(disk.files.at(u"ErrorCode.ini"), Text("[Preparing]")) << c.what << ": the other entries are written";
    if (c.written) {
      EXPECT_TRUE(result.unwritten.empty()) << c.what;
      EXPECT_EQ(disk.files.at(kInf), Text("[Version]")) << c.what;
    } else {
      EXPECT_EQ(result.unwritten, std::vector<std::u16string>{kInf}) << c.what;
      if (!before.empty()) {
        EXPECT_EQ(disk.files.at(kInf), before) << c.what << ": written through";
      }
    }
  }
}

// The working folder "C:\work" as the run left it: what it extracted, a user's file beside it
// and, planted before the clean-up, links where the run's own folders and files were. What a
// link leads to is modelled as the files seen below it: none of them may go.
TEST(CleanUp, RemovesOnlyWhatTheRunMadeAndNeverThroughALink) {
  const std::vector<std::u16string> made = {u"C:\\work\\DRIVER\\ACPI\\a.inf", u"C:\\work\\DRIVER\\ACPI\\dpinst.exe",
                                            u"C:\\work\\DRIVER\\STTUBE\\s.inf", u"C:\\work\\ErrorCode.ini"};
  const std::vector<std::u16string> madeFolders = {u"C:\\work\\DRIVER", u"C:\\work\\DRIVER\\ACPI",
                                                   u"C:\\work\\DRIVER\\STTUBE"};
  struct Case {
    const char* what;
    bool own;
    std::function<void(FakeFileSystem&)> plant;
    std::vector<std::u16string> kept;  // besides the user's notes
  } cases[] = {
      {"nothing planted, the run's own folder", true, [](FakeFileSystem&) {}, {}},
      {"nothing planted, a folder of the user's", false, [](FakeFileSystem&) {}, {}},
      {"DRIVER swapped for a junction, the run's own folder", true,
       [](FakeFileSystem& f) { f.directories[u"C:\\work\\DRIVER"] = kJunction; },
       {u"C:\\work\\DRIVER\\ACPI\\a.inf", u"C:\\work\\DRIVER\\ACPI\\dpinst.exe", u"C:\\work\\DRIVER\\STTUBE\\s.inf"}},
      {"DRIVER swapped for a junction, a folder of the user's", false,
       [](FakeFileSystem& f) { f.directories[u"C:\\work\\DRIVER"] = kJunction; },
       {u"C:\\work\\DRIVER\\ACPI\\a.inf", u"C:\\work\\DRIVER\\ACPI\\dpinst.exe", u"C:\\work\\DRIVER\\STTUBE\\s.inf"}},
      {"a junction deeper down", true,
       [](FakeFileSystem& f) { f.directories[u"C:\\work\\DRIVER\\ACPI"] = kJunction; },
       {u"C:\\work\\DRIVER\\ACPI\\a.inf", u"C:\\work\\DRIVER\\ACPI\\dpinst.exe"}},
      {"a made file swapped for a link", false,
       [](FakeFileSystem& f) { f.fileAttributes[u"C:\\work\\ErrorCode.ini"] = kFileLink; },
       {u"C:\\work\\ErrorCode.ini"}},
  };
  for (const auto& c : cases) {
    FakeFileSystem disk;
    disk.directories[u"C:\\work"] = kFolder;
    for (const auto& d : madeFolders) disk.directories[d] = kFolder;
    for (const auto& f : made) disk.files[f] = Text("made");
    disk.files[u"C:\\work\\notes.txt"] = Text("mine");
    c.plant(disk);
    std::vector<std::u16string> junctions;
    for (const auto& [path, attributes] : disk.directories) {
      if (attributes == kJunction) junctions.push_back(path);
    }
    WorkSite site{u"C:\\work", c.own, made, madeFolders};
    CarryOutRemoval(PlanWorkFileRemoval(site), disk);

    std::vector<std::u16string> left;
    for (const auto& [path, bytes] : disk.files) {
      if (path != u"C:\\work\\notes.txt") left.push_back(path);
    }
    EXPECT_EQ(left, c.kept) << c.what;
    EXPECT_TRUE(disk.files.count(u"C:\\work\\notes.txt")) << c.what << ": the user's file went";
    if (c.kept.empty()) {
      for (const auto& d : madeFolders) EXPECT_FALSE(disk.directories.count(d)) << c.what << ": " << Utf16ToUtf8(d);
    }
    // A junction itself stays where it was found.
    for (const auto& junction : junctions) EXPECT_TRUE(disk.directories.count(junction)) << c.what;
  }
}

}  // namespace
}  // namespace brevix
