#include "data/ResourcePackage.h"
#include "engine/Extraction.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace brevix {
namespace {

using testing::FakeFileSystem;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes TwoEntryPackage() {
  return BuildPackage({{u"DRIVER\\STTUBE\\x64\\STTub30.sys", B("sys")}, {u"PidVid", B("ids")}});
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(ResourcePackage, BuildAndReadRoundTripWithTrailerFields) {
  const Bytes pkg = TwoEntryPackage();
  const auto read = ReadPackage(pkg);
  ASSERT_TRUE(read.contents) << read.error.what;
  ASSERT_EQ(read.contents->entries.size(), 2u);
  EXPECT_EQ(read.contents->entries[0].name, u"DRIVER\\STTUBE\\x64\\STTub30.sys");
  EXPECT_EQ(Bytes(read.contents->entries[1].data.begin(), read.contents->entries[1].data.end()), B("ids"));
  // Trailer: first offset 0, trailer offset, count, total size.
  const std::size_t t = pkg.size() - 16;
  auto u32 = [&](std::size_t at) { return pkg[at] | pkg[at + 1] << 8 | pkg[at + 2] << 16 | pkg[at + 3] << 24; };
  EXPECT_EQ(u32(t), 0u);
  EXPECT_EQ(u32(t + 4), t);
  EXPECT_EQ(u32(t + 8), 2u);
  EXPECT_EQ(u32(t + 12), pkg.size());
}

TEST(ResourcePackage, ExtractCreatesEachEntrysDirectoriesBeforeWritingIt) {
  FakeFileSystem fs;
  ASSERT_TRUE(ExtractPackage(TwoEntryPackage(), fs));
  EXPECT_EQ(fs.createCalls,
            (std::vector<std::u16string>{u"DRIVER", u"DRIVER\\STTUBE", u"DRIVER\\STTUBE\\x64"}));
  EXPECT_EQ(fs.files.at(u"DRIVER\\STTUBE\\x64\\STTub30.sys"), B("sys"));
  EXPECT_EQ(fs.files.at(u"PidVid"), B("ids"));
}

TEST(ResourcePackage, EachFolderIsMadeOnceHoweverManyEntriesItHolds) {
  FakeFileSystem fs;
  ASSERT_TRUE(ExtractPackage(BuildPackage({{u"DRIVER\\ACPI\\a.inf", B("a")},
                                           {u"DRIVER\\ACPI\\b.sys", B("b")},
                                           {u"DRIVER\\ACPI\\x64\\c.sys", B("c")},
                                           {u"DRIVER\\ACPI\\d.cat", B("d")},
                                           {u"PidVid", B("ids")}}),
                             fs));
  // A new folder still walks its whole chain, as the working directory's creation does.
  EXPECT_EQ(fs.createCalls, (std::vector<std::u16string>{u"DRIVER", u"DRIVER\\ACPI", u"DRIVER", u"DRIVER\\ACPI",
                                                         u"DRIVER\\ACPI\\x64"}));
  EXPECT_EQ(fs.files.at(u"DRIVER\\ACPI\\d.cat"), B("d"));
  EXPECT_EQ(fs.files.at(u"DRIVER\\ACPI\\x64\\c.sys"), B("c"));
}

TEST(ResourcePackage, ReadEntryIsExactAndCaseSensitive) {
  const Bytes pkg = TwoEntryPackage();
  EXPECT_FALSE(ReadPackageEntry(pkg, u"pidvid"));
  EXPECT_FALSE(ReadPackageEntry(pkg, u"PidVi"));
  EXPECT_EQ(ReadPackageEntry(pkg, u"PidVid"), B("ids"));
}

TEST(ResourcePackage, EmptyPackageExtractsNothingAndFindsNothing) {
  Bytes pkg = TwoEntryPackage();
  PutU32(pkg, pkg.size() - 8, 0);  // a valid trailer that counts no entry
  FakeFileSystem fs;
  EXPECT_TRUE(ExtractPackage(pkg, fs));
  EXPECT_TRUE(fs.files.empty());
  EXPECT_FALSE(ReadPackageEntry(pkg, u"PidVid"));
}

// The other entries are still written; the one left out is named, so that the run can fail.
TEST(ResourcePackage, UnwritableEntryIsNamedAndTheOthersAreWritten) {
  FakeFileSystem fs;
  fs.files[u"PidVid"] = B("old");
  fs.fileAttributes[u"PidVid"] = 0x01;  // read-only
  const ExtractionResult result = ExtractPackage(TwoEntryPackage(), fs);
  EXPECT_TRUE(result.packageRead);
  EXPECT_FALSE(result.Whole());
  EXPECT_EQ(result.unwritten, std::vector<std::u16string>{u"PidVid"});
  EXPECT_EQ(fs.files.at(u"PidVid"), B("old"));
  EXPECT_EQ(fs.files.count(u"DRIVER\\STTUBE\\x64\\STTub30.sys"), 1u);
}

TEST(ResourcePackage, ExistingTreeIsOverwrittenAndForeignFilesStay) {
  FakeFileSystem fs;
  fs.directories[u"DRIVER"] = 0x10;
  fs.directories[u"DRIVER\\STTUBE"] = 0x10;
  fs.directories[u"DRIVER\\STTUBE\\x64"] = 0x10;
  fs.files[u"DRIVER\\STTUBE\\x64\\STTub30.sys"] = B("older");
  fs.files[u"DRIVER\\STTUBE\\notes.txt"] = B("mine");
  ASSERT_TRUE(ExtractPackage(TwoEntryPackage(), fs));
  EXPECT_EQ(fs.files.at(u"DRIVER\\STTUBE\\x64\\STTub30.sys"), B("sys"));
  EXPECT_EQ(fs.files.at(u"DRIVER\\STTUBE\\notes.txt"), B("mine"));
}

// Every corruption is rejected as a whole by both readers, and nothing is written.
struct Corruption {
  const char* what;
  void (*apply)(Bytes&);
};

const Corruption kCorruptions[] = {
    {"exactly 16 bytes", [](Bytes& b) { b = Bytes(16, 0); }},
    {"total size one less", [](Bytes& b) { PutU32(b, b.size() - 4, static_cast<std::uint32_t>(b.size() - 1)); }},
    {"negative count", [](Bytes& b) { PutU32(b, b.size() - 8, 0x80000000u); }},
    {"count beyond the records", [](Bytes& b) { PutU32(b, b.size() - 8, 3); }},
    {"first offset past the trailer", [](Bytes& b) { PutU32(b, b.size() - 16, 0xFFFFFFF0u); }},
    {"data size past the end", [](Bytes& b) { PutU32(b, 0, 0xFFFFFFFFu); }},
    {"name length past the end", [](Bytes& b) { PutU32(b, 4, 0x7FFFFFFFu); }},
    {"data running into the trailer", [](Bytes& b) { PutU32(b, 8 + 58 + 3, 4); }},  // second entry, one byte over
    {"truncated", [](Bytes& b) {
       b.resize(b.size() - 20);
       PutU32(b, b.size() - 4, static_cast<std::uint32_t>(b.size()));
     }},
};

class CorruptPackage : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptPackage, IsRejectedAndWritesNothing) {
  Bytes pkg = TwoEntryPackage();
  GetParam().apply(pkg);
  FakeFileSystem fs;
  EXPECT_FALSE(ExtractPackage(pkg, fs));
  EXPECT_TRUE(fs.files.empty());
  EXPECT_TRUE(fs.createCalls.empty());
  EXPECT_FALSE(ReadPackageEntry(pkg, u"PidVid"));
  EXPECT_FALSE(ReadPackage(pkg).error.what.empty());
}

INSTANTIATE_TEST_SUITE_P(All, CorruptPackage, ::testing::ValuesIn(kCorruptions),
                         [](const auto& info) {
                           std::string n = info.param.what;
                           for (char& c : n) if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

// A name Windows would write elsewhere, to a device or under another name rejects the
// package as a whole: the error names the byte where the bad name starts and what was
// expected there, and neither reader acts on any entry.
TEST(ResourcePackage, NamesWindowsWouldNotWriteAsNamedRejectThePackage) {
  struct Case {
    std::vector<std::u16string> names;  // after "ErrorCode.ini"; the last one is refused
    const char* expected;               // part of what the error says was expected
  } cases[] = {
      {{u"CON"}, "no device name"},
      {{u"sub\\NUL.txt"}, "no device name"},
      {{u"DRIVER\\com1"}, "no device name"},
      {{u"LPT9.tar.gz"}, "no device name"},
      {{u"aux .log"}, "no device name"},
      {{u"Prn"}, "no device name"},
      {{u"COM\u00B2"}, "no device name"},
      {{u"CONOUT$"}, "no device name"},
      {{u"lpt1\\x"}, "no device name"},
      {{u"PidVid."}, "end in a dot or a blank"},
      {{u"PidVid "}, "end in a dot or a blank"},
      {{u"DRIVER.\\x"}, "end in a dot or a blank"},
      {{u"..."}, "dots and blanks only"},
      {{u"a\\. \\b"}, "dots and blanks only"},
      {{u"a\u007Fb"}, "control characters"},
      {{u"a\u0085b"}, "control characters"},
      {{u"a\u009Fb"}, "control characters"},
      {{u"DRIVER/ACPI/x.inf"}, "without \"/\""},
      {{u"x/"}, "without \"/\""},
      {{u"a?b"}, "< > \" | ? *"},
      {{u"a*"}, "< > \" | ? *"},
      {{u"ERRORC~1.INI"}, "short 8.3 alias"},
      {{u"DRIVER\\VARNE~12"}, "short 8.3 alias"},
      {{u"PidVid", u"PIDVID"}, "not already used by entry 2"},
      {{u"a", u"DRIVER\\ACPI\\x.inf", u"driver\\acpi\\X.INF"}, "not already used by entry 3"},
      {{u"\u00C9t\u00E9", u"\u00E9T\u00C9"}, "not already used by entry 2"},
      {{u"\u0444\u0430\u0439\u043B", u"\u0424\u0410\u0419\u041B"}, "not already used by entry 2"},
      {{u"\u03C3\u03C2", u"\u03A3\u03A3"}, "not already used by entry 2"},
      {{u"PidVid", u"PidVid"}, "not already used by entry 2"},
      {{u"DRIVER\\x", u"driver"}, "entry 2 does not use as a directory"},
      {{u"PidVid", u"pidvid\\x"}, "entry 2 does not use as its file name"},
  };
  for (const auto& c : cases) {
    std::vector<std::pair<std::u16string, Bytes>> entries{{u"ErrorCode.ini", B("ini")}};
    for (const auto& name : c.names) entries.emplace_back(name, B("data"));
    const std::string label = PrintableName(c.names.back());
    const Bytes pkg = BuildPackage(entries);
    const auto read = ReadPackage(pkg);
    ASSERT_FALSE(read.contents) << label;
    EXPECT_NE(read.error.what.find(c.expected), std::string::npos) << label << ": " << read.error.what;
    EXPECT_NE(read.error.what.find("entry " + std::to_string(entries.size()) + ": "), std::string::npos)
        << label << ": " << read.error.what;
    // The bad name starts after every earlier record and its own 8-byte header.
    std::size_t offset = 8;
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) offset += 8 + 2 * entries[i].first.size() + entries[i].second.size();
    EXPECT_EQ(read.error.offset, offset) << label;
    FakeFileSystem fs;
    EXPECT_FALSE(ExtractPackage(pkg, fs)) << label;
    EXPECT_TRUE(fs.files.empty() && fs.createCalls.empty()) << label;
    EXPECT_FALSE(ReadPackageEntry(pkg, u"ErrorCode.ini")) << label;
  }
}

// The error shows the name as it is, control characters as \xNN, so that a message cannot
// play tricks on the terminal that prints it.
TEST(ResourcePackage, RefusedNameIsShownPrintably) {
  const auto read = ReadPackage(BuildPackage({{u"a\u0085b\U0001F600\u001B[2J", B("x")}}));
  ASSERT_FALSE(read.contents);
  EXPECT_NE(read.error.what.find("found \"a\\x85b\xF0\x9F\x98\x80\\x1B[2J\""), std::string::npos) << read.error.what;
}

// Names close to the refused ones that Windows writes as named.
TEST(ResourcePackage, NearMissNamesAreAccepted) {
  const std::vector<std::u16string> names = {
      u"CONSOLE",       u"COM10",         u"LPT0",          u"NULL.txt",    u"xCON",
      u"CON_x",         u".config",       u"a.b",           u"x~y.txt",     u"file~1.text",
      u"LONGNAME9~1.TXT", u"file~",       u"DRIVER\\ACPI\\dpinst.exe", u"DRIVER\\STTUBE\\dpinst.exe",
      u"DRIVER\\ACPI\\varnekbrevixacpi.cat", u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf",
      u"\u00A0nbsp",     u"a\u00A0",       u"\u00E9t\u00E9", u"\u00E9t\u00E8",
      u"DRIVER\\FIRMWARE\\File\\Varnek(R)_x..dfu",
  };
  EntryNameList list;
  for (const auto& name : names) EXPECT_EQ(list.Add(name), std::nullopt) << PrintableName(name);
  std::vector<std::pair<std::u16string, Bytes>> entries;
  for (const auto& name : names) entries.emplace_back(name, B("x"));
  EXPECT_TRUE(ReadPackage(BuildPackage(entries)).contents);
}

TEST(ResourcePackage, NamesThatWouldLeaveTheWorkingDirectoryRejectThePackage) {
  const std::u16string unsafe[] = {
      u"..\\evil.dll",     u"DRIVER\\..\\..\\x", u"\\Windows\\x",   u"C:\\x",   u"C:x",
      u"DRIVER\\\\x",      u"DRIVER/../x",       u"a\\.\\b",        u"",        u"file.txt:stream",
      std::u16string(260, u'a'), u"DRIVER\\",
  };
  for (const auto& name : unsafe) {
    const Bytes pkg = BuildPackage({{u"PidVid", B("ok")}, {name, B("bad")}});
    FakeFileSystem fs;
    EXPECT_FALSE(ExtractPackage(pkg, fs)) << Utf16ToUtf8(name);
    EXPECT_TRUE(fs.files.empty()) << Utf16ToUtf8(name);
    EXPECT_FALSE(ReadPackageEntry(pkg, u"PidVid")) << Utf16ToUtf8(name);
  }
  EXPECT_TRUE(IsSafeEntryName(std::u16string(259, u'a')));
  EXPECT_TRUE(IsSafeEntryName(u"DRIVER\\FIRMWARE\\File\\Varnek(R)_x..dfu"));
}

TEST(CreatePathDirectories, ExistingPlainDirectoryReturnsAtOnce) {
  FakeFileSystem fs;
  fs.directories[u"C:\\Work"] = 0x10;
  EXPECT_TRUE(CreatePathDirectories(u"C:\\Work\\", fs));
  EXPECT_TRUE(fs.createCalls.empty());
}

TEST(CreatePathDirectories, DirectoryWithArchiveBitTriesEveryPrefixAndReturnsZero) {
  FakeFileSystem fs;
  fs.directories[u"C:"] = 0x10;
  fs.directories[u"C:\\Work"] = 0x30;
  EXPECT_FALSE(CreatePathDirectories(u"C:\\Work\\", fs));
  EXPECT_EQ(fs.createCalls, (std::vector<std::u16string>{u"C:", u"C:\\Work"}));
}

TEST(CreatePathDirectories, NewWorkingDirectoryIsCreatedPrefixByPrefix) {
  FakeFileSystem fs;
  fs.directories[u"D:"] = 0x10;
  EXPECT_TRUE(CreatePathDirectories(u"D:\\A\\B\\", fs));
  EXPECT_EQ(fs.createCalls, (std::vector<std::u16string>{u"D:", u"D:\\A", u"D:\\A\\B"}));
  EXPECT_EQ(fs.directories.count(u"D:\\A\\B"), 1u);
}

TEST(CreatePathDirectories, NameWithoutSeparatorCreatesNothing) {
  FakeFileSystem fs;
  EXPECT_TRUE(CreatePathDirectories(u"ErrorCode.ini", fs));  // "." is a plain directory
  EXPECT_TRUE(fs.createCalls.empty());
}

}  // namespace
}  // namespace brevix
