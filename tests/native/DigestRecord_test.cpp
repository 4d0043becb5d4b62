#include "data/DigestRecord.h"

#include <gtest/gtest.h>

namespace brevix {
namespace {

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }
std::string S(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A package as the product's, in small: components, the record over them, our own files.
struct Fixture {
  std::vector<std::pair<std::u16string, Bytes>> files = {
      {u"DRIVER\\ACPI\\dpinst.exe", B("MZ acpi")},
      {u"DRIVER\\ACPI\\VarnekBrevixAcpi.inf", B("[Version]\r\n")},
      {u"DRIVER\\FIRMWARE\\File\\fw_1.0.221212_221212.dfu", B("\x01\x02")},
      {u"DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe", B("MZ tool")},
      {u"DRIVER\\STTUBE\\x64\\STTub30.sys", B("sys")},
      {u"ErrorCode.ini", B("[Checking]")},
  };
  Bytes package;
  PackageContents contents;
  std::string record;

  Fixture() {
    const Bytes components = BuildPackage(files);
    const auto bare = ReadPackage(components);
    record = S(WriteDigestRecord(bare.contents->entries));
    Rebuild(record);
  }
  // The package with `text` as its record entry.
  void Rebuild(const std::string& text) {
    auto all = files;
    all.emplace_back(kDigestRecordEntry, B(text));
    package = BuildPackage(all);
    contents = *ReadPackage(package).contents;
  }
  std::string Line(std::size_t index) const {
    std::size_t at = 0;
    for (std::size_t i = 0; i < index; ++i) at = record.find('\n', at) + 1;
    return record.substr(at, record.find('\n', at) + 1 - at);
  }
};

TEST(DigestRecord, WrittenForEveryComponentFileInStoredOrderAndReadBack) {
  Fixture f;
  EXPECT_EQ(f.Line(0), DigestHex(Sha256Of(B("MZ acpi"))) + " *DRIVER/ACPI/dpinst.exe\r\n");
  const auto read = ReadDigestRecord(B(f.record), f.contents);
  ASSERT_TRUE(read.record) << read.error.what;
  ASSERT_EQ(read.record->lines.size(), 5u);  // not ErrorCode.ini, not the record itself
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(read.record->lines[i].entry, f.files[i].first);
    EXPECT_EQ(read.record->lines[i].digest, Sha256Of(f.files[i].second));
  }
  EXPECT_EQ(DigestRecordMismatch(*read.record, f.contents), std::nullopt);
  const auto packaged = ReadPackagedDigestRecord(f.package);
  ASSERT_TRUE(packaged.record) << packaged.error.what;
  EXPECT_EQ(packaged.record->lines.size(), 5u);
}

TEST(DigestRecord, RefusedWholeWithTheLineAndWhatWasExpected) {
  Fixture f;
  const std::string first = f.Line(0);
  const std::string hex = first.substr(0, 64);
  const auto line = [&](const std::string& path) { return hex + " *" + path + "\r\n"; };
  std::string upper = first;
  const std::size_t letter = upper.find_first_of("abcdef");  // a digest of 64 digits has one
  upper[letter] = static_cast<char>(upper[letter] - 'a' + 'A');
  const struct {
    const char* label;
    std::string text;
    std::size_t line;
    const char* expected;
  } cases[] = {
      {"empty", "", 0, "at least one line"},
      {"cut in its last line", first + hex.substr(0, 20), 2, "ending in CR LF"},
      {"last line without a line end", first + first.substr(0, first.size() - 2), 2, "ending in CR LF"},
      {"LF alone", first.substr(0, first.size() - 2) + "\n", 1, "CR LF, found LF alone"},
      {"empty line", first + "\r\n", 2, "64 lower-case hex digits"},
      {"digest cut short", hex.substr(0, 63) + " *DRIVER/ACPI/dpinst.exe\r\n", 1, "64 lower-case hex digits"},
      {"digest too long", hex + "0 *DRIVER/ACPI/dpinst.exe\r\n", 1, "\" *\" after the digest"},
      {"upper-case digest", upper, 1, "lower-case hex"},
      {"not hex", "g" + first.substr(1), 1, "lower-case hex"},
      {"two blanks", hex + "  DRIVER/ACPI/dpinst.exe\r\n", 1, "\" *\" after the digest"},
      {"tab", hex + "\t*DRIVER/ACPI/dpinst.exe\r\n", 1, "\" *\" after the digest"},
      {"no path", hex + " *\r\n", 1, "a non-empty name"},
      {"backslashes", line("DRIVER\\ACPI\\dpinst.exe"), 1, "\"/\" separators"},
      {"twice", first + first, 2, "not already used by entry 1"},
      {"twice in other case", first + line("driver/acpi/DPINST.EXE"), 2, "not already used by entry 1"},
      {"not an entry", first + line("DRIVER/ACPI/evil.dll"), 2, "names an entry of the package"},
      {"outside the components", line("ErrorCode.ini"), 1, "a path below DRIVER/ACPI"},
      {"the record itself", line("DRIVER/SHA256SUMS"), 1, "a path below"},
      {"beside the firmware folders", line("DRIVER/FIRMWARE/fw.dfu"), 1, "a path below"},
      {"climbing out", line("DRIVER/ACPI/../ErrorCode.ini"), 1, "dots and blanks only"},
      {"absolute", line("/DRIVER/ACPI/dpinst.exe"), 1, "a relative name"},
      {"device", line("DRIVER/ACPI/NUL"), 1, "no device name"},
      {"drive", line("C:/DRIVER/ACPI/dpinst.exe"), 1, "no drive"},
      {"control character", hex + " *DRIVER/ACPI/dp\rinst.exe\r\n", 1, "control characters"},
      {"not UTF-8", line("DRIVER/ACPI/\xff.exe"), 1, "UTF-8"},
  };
  for (const auto& c : cases) {
    const auto read = ReadDigestRecord(B(c.text), f.contents);
    ASSERT_FALSE(read.record) << c.label;
    EXPECT_EQ(read.error.line, c.line) << c.label;
    EXPECT_NE(read.error.what.find(c.expected), std::string::npos) << c.label << ": " << read.error.what;
    EXPECT_LE(read.error.offset, c.text.size()) << c.label;
    if (c.line > 0) {
      EXPECT_EQ(read.error.what.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << c.label;
    }
  }
}

TEST(DigestRecord, ErrorOffsetsPointAtTheFault) {
  Fixture f;
  const std::string first = f.Line(0);
  EXPECT_EQ(ReadDigestRecord(B(first + "g" + first.substr(1)), f.contents).error.offset, first.size());
  EXPECT_EQ(ReadDigestRecord(B(first.substr(0, 64) + "**x\r\n"), f.contents).error.offset, 64u);
  EXPECT_EQ(ReadDigestRecord(B(first + first.substr(0, 66) + "DRIVER/ACPI/evil.dll\r\n"), f.contents).error.offset,
            first.size() + 66);
}

TEST(DigestRecord, PackagedRecordNeedsAReadablePackageThatHoldsIt) {
  Fixture f;
  const auto without = ReadPackagedDigestRecord(BuildPackage(f.files));
  EXPECT_FALSE(without.record);
  EXPECT_NE(without.error.what.find("DRIVER\\SHA256SUMS"), std::string::npos);
  Bytes damaged = f.package;
  damaged.pop_back();
  const auto broken = ReadPackagedDigestRecord(damaged);
  EXPECT_FALSE(broken.record);
  EXPECT_NE(broken.error.what.find("a package that reads"), std::string::npos);
  f.Rebuild(f.record + "junk");
  EXPECT_FALSE(ReadPackagedDigestRecord(f.package).record);
}

// What the packager's verification adds: the record reads and also describes every component
// entry with its data's digest.
TEST(DigestRecord, MismatchNamesAnUnrecordedEntryOrAWrongDigest) {
  Fixture f;
  const std::string withoutInf = f.Line(0) + f.Line(2) + f.Line(3) + f.Line(4);
  const auto short_ = ReadDigestRecord(B(withoutInf), f.contents);
  ASSERT_TRUE(short_.record) << short_.error.what;
  const auto missing = DigestRecordMismatch(*short_.record, f.contents);
  ASSERT_TRUE(missing);
  EXPECT_NE(missing->find("a line for entry \"DRIVER\\ACPI\\VarnekBrevixAcpi.inf\""), std::string::npos) << *missing;

  std::string changed = f.record;
  changed[0] = changed[0] == '0' ? '1' : '0';
  const auto wrong = ReadDigestRecord(B(changed), f.contents);
  ASSERT_TRUE(wrong.record) << wrong.error.what;
  const auto differs = DigestRecordMismatch(*wrong.record, f.contents);
  ASSERT_TRUE(differs);
  EXPECT_NE(differs->find("the digest of entry \"DRIVER\\ACPI\\dpinst.exe\""), std::string::npos) << *differs;
}

}  // namespace
}  // namespace brevix
