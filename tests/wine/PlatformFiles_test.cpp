// Extraction of the real package into a real directory tree, on the Windows file API; new-only
// writes, link counts and the protected folder; the system facts a safe folder is built from.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <optional>
#include <set>

#include "WineTestSupport.h"
#include "data/ResourcePackage.h"
#include "engine/Extraction.h"
#include "engine/StartTrust.h"
#include "platform/win32/Win32Platform.h"

namespace brevix {
namespace {

using testing::FileExists;
using testing::ScratchDirectory;
using win32::LocalMemory;
using win32::Win32FileSecurity;
using win32::Win32FileSystem;
using win32::Win32Resources;
using win32::Win32SystemFacts;

constexpr char kSystem[] = "S-1-5-18";
constexpr char kAdministrators[] = "S-1-5-32-544";
constexpr char kEveryone[] = "S-1-1-0";

// Setup outside the code under test: created or overwritten.
void Put(const wchar_t* name, const std::string& text) {
  HANDLE h = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << Utf16ToUtf8(win32::U16(name));
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  CloseHandle(h);
}

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::wstring Lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return s;
}

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

// Whatever already stands at the name is refused and left exactly as it was: nothing prepared
// there in advance is ever written through.
TEST(Win32WriteWholeFile, RefusesEveryNameAlreadyThere) {
  const struct {
    const char* what;
    std::function<void()> prepare;
    const wchar_t* kept;        // a file whose bytes must stay "theirs"
  } cases[] = {
      {"a plain file", [] { Put(L"target", "theirs"); }, L"target"},
      {"a second name of another file",
       [] {
         Put(L"other.txt", "theirs");
         ASSERT_TRUE(CreateHardLinkW(L"target", L"other.txt", nullptr));
       },
       L"other.txt"},
      {"a folder", [] { ASSERT_TRUE(CreateDirectoryW(L"target", nullptr)); }, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDirectory dir(L"brevix-write-new");
    c.prepare();
    const DWORD before = GetFileAttributesW(L"target");
    Win32FileSystem files;
    EXPECT_FALSE(files.WriteWholeFile(u"target", BytesOf("mine, longer than theirs")));
    EXPECT_EQ(GetFileAttributesW(L"target"), before);
    if (c.kept) {
      EXPECT_EQ(testing::ReadAll(c.kept), "theirs");
    }
  }
}

TEST(Win32WriteWholeFile, NewNameGetsAllBytesAsOneFileOfItsOwn) {
  ScratchDirectory dir(L"brevix-write-fresh");
  Win32FileSystem files;
  ASSERT_TRUE(files.WriteWholeFile(u"fresh.bin", BytesOf(std::string("a\0b\r\n", 5))));
  EXPECT_EQ(testing::ReadAll(L"fresh.bin"), std::string("a\0b\r\n", 5));
  EXPECT_EQ(files.LinkCount(u"fresh.bin"), 1u);
}

TEST(Win32LinkCount, CountsEveryNameOfTheFile) {
  ScratchDirectory dir(L"brevix-links");
  Put(L"single.txt", "x");
  Put(L"first.txt", "y");
  ASSERT_TRUE(CreateHardLinkW(L"second.txt", L"first.txt", nullptr));
  const struct {
    const char16_t* name;
    std::optional<std::uint32_t> links;
  } cases[] = {
      {u"single.txt", 1u},
      {u"first.txt", 2u},
      {u"second.txt", 2u},
      {u"missing.txt", std::nullopt},
  };
  Win32FileSystem files;
  for (const auto& c : cases) EXPECT_EQ(files.LinkCount(c.name), c.links) << Utf16ToUtf8(c.name);
}

// Full control for SYSTEM and the Administrators, passed on to what is made inside, nothing else.
void ExpectOnlySystemAndAdministrators(const std::optional<ObjectSecurity>& security) {
  ASSERT_TRUE(security);
  EXPECT_EQ(security->owner, kAdministrators);
  ASSERT_TRUE(security->hasDacl);
  std::set<std::string> trustees;
  for (const AccessEntry& e : security->entries) {
    SCOPED_TRACE(e.sid);
    trustees.insert(e.sid);
    EXPECT_TRUE(e.allow);
    EXPECT_EQ(e.mask, static_cast<std::uint32_t>(FILE_ALL_ACCESS));
    EXPECT_TRUE(e.inherits);
    EXPECT_FALSE(e.inheritOnly);
  }
  EXPECT_EQ(trustees, (std::set<std::string>{kSystem, kAdministrators}));
}

TEST(Win32ProtectedDirectory, IsMadeForSystemAndAdministratorsOnly) {
  ScratchDirectory dir(L"brevix-protected");
  Win32FileSystem files;
  ASSERT_TRUE(files.MakeProtectedDirectory(u"work"));
  EXPECT_EQ(GetFileAttributesW(L"work") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  ExpectOnlySystemAndAdministrators(Win32FileSecurity().Read(u"work"));
}

// An existing name is never taken for a new protected folder, whatever it is.
TEST(Win32ProtectedDirectory, RefusesEveryNameAlreadyThere) {
  const struct {
    const char* what;
    std::function<void()> prepare;
  } cases[] = {
      {"a protected folder made before", [] { ASSERT_TRUE(Win32FileSystem().MakeProtectedDirectory(u"work")); }},
      {"a plain folder", [] { ASSERT_TRUE(CreateDirectoryW(L"work", nullptr)); }},
      {"a file", [] { Put(L"work", "theirs"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDirectory dir(L"brevix-protected-taken");
    c.prepare();
    const DWORD before = GetFileAttributesW(L"work");
    const std::string bytes = testing::ReadAll(L"work");
    EXPECT_FALSE(Win32FileSystem().MakeProtectedDirectory(u"work"));
    EXPECT_EQ(GetFileAttributesW(L"work"), before);
    EXPECT_EQ(testing::ReadAll(L"work"), bytes);
  }
}

// Wine makes file access lists up from Unix mode bits in the name of the prefix's one user, the
// administrator there: that user reads as Administrators, while Everyone's write access to a
// world-writable folder still shows, and the start decision tells the two folders apart.
TEST(Win32FileSecurity, WineUserReadsAsAdministratorsEveryoneStays) {
  ScratchDirectory dir(L"brevix-security");
  ASSERT_TRUE(CreateDirectoryW(L"plain", nullptr));
  ASSERT_TRUE(CreateDirectoryW(L"open", nullptr));
  LocalMemory everyone;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                   &everyone.p, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(everyone.p, &present, &dacl, &defaulted));
  ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(L"open"), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, dacl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  Put(L"plain\\tool.exe", "MZ");
  Put(L"open\\tool.exe", "MZ");

  Win32FileSecurity security;
  const struct {
    const char16_t* folder;
    bool everyoneWrites;
  } cases[] = {{u"plain", false}, {u"open", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.folder));
    const auto read = security.Read(c.folder);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->owner, kAdministrators);
    bool everyoneWrites = false;
    for (const AccessEntry& e : read->entries) {
      EXPECT_TRUE(e.sid == kSystem || e.sid == kAdministrators || e.sid == kEveryone) << e.sid;
      if (e.sid == kEveryone && e.allow && (e.mask & FILE_WRITE_DATA)) everyoneWrites = true;
    }
    EXPECT_EQ(everyoneWrites, c.everyoneWrites);
    const std::u16string program = win32::U16(dir.Path().c_str()) + u"\\" + c.folder + u"\\tool.exe";
    EXPECT_EQ(OnlyAdministratorsCanChange(program, security), !c.everyoneWrites);
  }
}

TEST(Win32SystemFacts, WindowsDirectoryHoldsTheSystemDirectory) {
  Win32SystemFacts facts;
  const std::wstring windows = Lower(reinterpret_cast<const wchar_t*>(facts.WindowsDirectory().c_str()));
  const std::wstring system = Lower(reinterpret_cast<const wchar_t*>(facts.SystemDirectory().c_str()));
  const std::wstring tail = L"\\windows";
  ASSERT_GT(windows.size(), tail.size());
  EXPECT_EQ(windows.substr(windows.size() - tail.size()), tail);
  EXPECT_EQ(system.rfind(windows + L"\\", 0), 0u) << Utf16ToUtf8(facts.SystemDirectory());
}

TEST(Win32SystemFacts, UnpredictableNumbersDiffer) {
  Win32SystemFacts facts;
  const std::uint64_t first = facts.UnpredictableNumber();
  EXPECT_NE(first, facts.UnpredictableNumber());
}

}  // namespace
}  // namespace brevix
