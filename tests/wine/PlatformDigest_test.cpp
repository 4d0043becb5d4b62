// The digest seam on CryptoAPI and the directory listing on the Windows file API, then the
// integrity check over both on the product's own extracted package.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "WineTestSupport.h"
#include "data/DigestRecord.h"
#include "data/Sha256.h"
#include "engine/ComponentIntegrity.h"
#include "engine/Extraction.h"
#include "platform/win32/Win32Platform.h"

namespace brevix {
namespace {

using testing::ScratchDirectory;
using win32::Win32FileDigester;
using win32::Win32FileSystem;

Bytes Counting(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i % 251);
  return b;
}

// The standard vectors, and files around the 64 KiB chunk the file is read in, against the
// core's own SHA-256 (which the packager records with).
TEST(Win32Digest, FilesHashAsTheStandardVectorsAndTheCoreSay) {
  ScratchDirectory dir(L"brevix-digest");
  Win32FileSystem files;
  Win32FileDigester digester;
  const struct {
    const char16_t* name;
    Bytes bytes;
    const char* hex;
  } cases[] = {
      {u"empty", {}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {u"abc", {'a', 'b', 'c'}, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {u"million", Bytes(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {u"chunk", Counting(64 * 1024), nullptr},
      {u"chunk+1", Counting(64 * 1024 + 1), nullptr},
      {u"three chunks-1", Counting(3 * 64 * 1024 - 1), nullptr},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(files.WriteWholeFile(c.name, c.bytes));
    const auto digest = digester.Sha256OfFile(c.name);
    ASSERT_TRUE(digest) << Utf16ToUtf8(c.name);
    EXPECT_EQ(*digest, Sha256Of(c.bytes)) << Utf16ToUtf8(c.name);
    if (c.hex) {
      EXPECT_EQ(DigestHex(*digest), c.hex) << Utf16ToUtf8(c.name);
    }
  }
  EXPECT_FALSE(digester.Sha256OfFile(u"missing"));
  ASSERT_TRUE(files.MakeDirectory(u"folder"));
  EXPECT_FALSE(digester.Sha256OfFile(u"folder"));
}

TEST(Win32Listing, ListsFilesAndFoldersWithoutDotEntries) {
  ScratchDirectory dir(L"brevix-listing");
  Win32FileSystem files;
  ASSERT_TRUE(files.MakeDirectory(u"top"));
  ASSERT_TRUE(files.MakeDirectory(u"top\\sub"));
  ASSERT_TRUE(files.MakeDirectory(u"top\\empty"));
  ASSERT_TRUE(files.WriteWholeFile(u"top\\a.txt", Bytes{1}));
  ASSERT_TRUE(files.WriteWholeFile(u"top\\B.dll", Bytes{}));
  ASSERT_TRUE(files.WriteWholeFile(u"top\\sub\\c.sys", Bytes{2}));

  auto listing = files.ListDirectory(u"top");
  ASSERT_TRUE(listing);
  std::sort(listing->begin(), listing->end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(listing->size(), 4u);
  const std::u16string names[] = {u"B.dll", u"a.txt", u"empty", u"sub"};
  const bool folder[] = {false, false, true, true};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ((*listing)[i].name, names[i]);
    EXPECT_EQ(((*listing)[i].attributes & FileSystem::kDirectoryAttribute) != 0, folder[i]) << Utf16ToUtf8(names[i]);
  }
  const auto empty = files.ListDirectory(u"top\\empty");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  EXPECT_FALSE(files.ListDirectory(u"top\\missing"));
  EXPECT_FALSE(files.ListDirectory(u"top\\a.txt"));
}

// The executable's own package: its record reads, each component of a fresh extraction
// passes, and a planted DLL or one changed byte fails that component alone.
TEST(Win32Integrity, ProductPackagePassesUntilAFileIsAddedOrChanged) {
  ScratchDirectory dir(L"brevix-integrity");
  Win32FileSystem files;
  Win32FileDigester digester;
  win32::Win32Resources resources;
  const auto package = resources.Find(kPackageResourceType, kPackageResourceId);
  ASSERT_TRUE(package);
  ASSERT_TRUE(ExtractPackage(*package, files));
  const auto read = ReadPackagedDigestRecord(*package);
  ASSERT_TRUE(read.record) << read.error.what;
  const std::u16string work = win32::U16(dir.Path().c_str());

  const ULONGLONG start = GetTickCount64();
  for (Component c : {Component::Acpi, Component::Sttube, Component::Firmware}) {
    const IntegrityResult result = CheckComponentIntegrity(*read.record, c, work, files, digester);
    EXPECT_TRUE(result.Ok()) << DescribeIntegrityFailure(result);
  }
  std::printf("[ info ] three components, %zu files, %zu bytes of package: checked in %llu ms\n",
              read.record->lines.size(), package->size(), GetTickCount64() - start);

  ASSERT_TRUE(files.WriteWholeFile(u"DRIVER\\ACPI\\version.dll", Bytes{'M', 'Z'}));
  const IntegrityResult planted = CheckComponentIntegrity(*read.record, Component::Acpi, work, files, digester);
  EXPECT_EQ(planted.status, IntegrityStatus::Mismatch);
  EXPECT_EQ(planted.path, u"DRIVER\\ACPI\\version.dll");
  EXPECT_TRUE(CheckComponentIntegrity(*read.record, Component::Sttube, work, files, digester).Ok());

  const std::u16string tool = u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe";
  auto bytes = files.ReadWholeFile(tool);
  ASSERT_TRUE(bytes && !bytes->empty());
  bytes->back() ^= 0x01;
  // Written anew: WriteWholeFile never opens a file that is already there.
  ASSERT_TRUE(files.RemoveFile(tool));
  ASSERT_TRUE(files.WriteWholeFile(tool, *bytes));
  const IntegrityResult changed = CheckComponentIntegrity(*read.record, Component::Firmware, work, files, digester);
  EXPECT_EQ(changed.status, IntegrityStatus::Mismatch);
  EXPECT_EQ(changed.path, tool);
  EXPECT_NE(changed.reason.find("differs"), std::string::npos) << changed.reason;
}

}  // namespace
}  // namespace brevix
