// Extraction of the real package into a real directory tree, on the Windows file API.
#include <gtest/gtest.h>

#include "WineTestSupport.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "platform/win32/Win32Platform.h"

namespace brevix {
namespace {

using testing::FileExists;
using testing::ScratchDirectory;
using win32::Win32FileSystem;
using win32::Win32Resources;

ByteView ProductPackage() {
  Win32Resources resources;
  const auto bytes = resources.Find(kPackageResourceType, kPackageResourceId);
  EXPECT_TRUE(bytes.has_value());
  return bytes.value_or(ByteView());
}

TEST(Win32Extraction, ProductPackageExtractsItsWholeTree) {
  ScratchDirectory dir(L"brevix-extract");
  Win32FileSystem files;
  const ByteView package = ProductPackage();
  ASSERT_TRUE(ExtractPackage(package, files));
  const auto read = ReadPackage(package);
  ASSERT_TRUE(read.contents);
  ASSERT_EQ(read.contents->entries.size(), 29u);
  for (const PackageEntry& entry : read.contents->entries) {
    const auto onDisk = files.ReadWholeFile(entry.name);
    ASSERT_TRUE(onDisk) << Utf16ToUtf8(entry.name);
    EXPECT_EQ(*onDisk, Bytes(entry.data.begin(), entry.data.end())) << Utf16ToUtf8(entry.name);
  }
  for (const wchar_t* d : {L"DRIVER\\ACPI", L"DRIVER\\FIRMWARE\\File", L"DRIVER\\FIRMWARE\\Tool", L"DRIVER\\STTUBE\\x64"}) {
    EXPECT_EQ(GetFileAttributesW(d) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY) << Utf16ToUtf8(win32::U16(d));
  }
  // The shipped ErrorCode.ini: CR LF lines, no line end after the last line.
  const std::string ini = testing::ReadAll(L"ErrorCode.ini");
  EXPECT_EQ(ini.rfind(";Preparing Phase Errors & Exceptions Table\r\n[Preparing]\r\n", 0), 0u);
  const std::string last = "\r\n0xEE030010=The previous firmware upgrade did not finish";
  ASSERT_GE(ini.size(), last.size());
  EXPECT_EQ(ini.substr(ini.size() - last.size()), last);
}

// A target that cannot be written is left out and named; the rest is still extracted. (A
// directory stands in the file's way: Wine running as root ignores the read-only attribute.)
TEST(Win32Extraction, UnwritableTargetIsNamedAndForeignFilesStay) {
  ScratchDirectory dir(L"brevix-unwritable");
  Win32FileSystem files;
  ASSERT_TRUE(CreatePathDirectories(u"DRIVER\\ACPI\\x", files));
  ASSERT_TRUE(files.MakeDirectory(u"PidVid"));
  const std::string old = "old";
  ASSERT_TRUE(files.WriteWholeFile(u"DRIVER\\ACPI\\mine.txt", ByteView(reinterpret_cast<const std::uint8_t*>(old.data()), 3)));

  const ExtractionResult result = ExtractPackage(ProductPackage(), files);
  EXPECT_TRUE(result.packageRead);
  EXPECT_EQ(result.unwritten, std::vector<std::u16string>{u"PidVid"});
  EXPECT_EQ(GetFileAttributesW(L"PidVid") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(testing::ReadAll(L"DRIVER\\ACPI\\mine.txt"), "old");
  EXPECT_TRUE(FileExists(L"DRIVER\\STTUBE\\x64\\STTub30.sys"));
  EXPECT_TRUE(FileExists(L"ErrorCode.ini"));
}

TEST(Win32Extraction, CorruptPackageWritesNothing) {
  ScratchDirectory dir(L"brevix-corrupt");
  Win32FileSystem files;
  const ByteView good = ProductPackage();
  Bytes bad(good.begin(), good.end());
  bad[bad.size() - 4] ^= 1;  // total size no longer matches
  EXPECT_FALSE(ExtractPackage(bad, files));
  EXPECT_FALSE(FileExists(L"DRIVER"));
  EXPECT_FALSE(FileExists(L"PidVid"));
}

TEST(Win32CreatePathDirectories, WorkingDirectoryIsCreatedOnceThenFound) {
  ScratchDirectory dir(L"brevix-workdir");
  Win32FileSystem files;
  const std::u16string work = win32::U16(dir.Path().c_str()) + u"\\Varnek Corporation\\Varnek(R) Brevix\\Upgrade Tool\\";
  EXPECT_TRUE(CreatePathDirectories(work, files));   // the last prefix was newly created
  EXPECT_TRUE(CreatePathDirectories(work, files));   // now a plain directory: found at once
  EXPECT_EQ(GetFileAttributesW(win32::W(work)), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace
}  // namespace brevix
