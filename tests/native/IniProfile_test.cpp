#include "data/IniProfile.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace brevix {
namespace {

TEST(IniProfile, ProfileSemantics) {
  const std::u16string ini =
      u";comment=ignored\r\n[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n  DriverVer =  08/06/2013,1.1.0  \r\n"
      u"Key=a=b\r\n;DriverVer=commented\r\n[Other]\r\nDriverVer=other\r\n";
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* expected;
  } cases[] = {
      {u"Version", u"DriverVer", u"08/06/2013,1.1.0"},
      {u"version", u"driverver", u"08/06/2013,1.1.0"},
      {u"Version", u"Signature", u"$WINDOWS NT$"},
      {u"Version", u"Key", u"a=b"},
      {u"Other", u"DriverVer", u"other"},
      {u"Version", u"Missing", u"dflt"},
      {u"Missing", u"DriverVer", u"dflt"},
      {u"Version", u";DriverVer", u"dflt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LookupIniValue(ini, c.section, c.key, u"dflt", 4096), c.expected)
        << Utf16ToUtf8(c.section) << "/" << Utf16ToUtf8(c.key);
  }
  EXPECT_EQ(LookupIniValue(ini, u"Version", u"DriverVer", u"", 6), u"08/06");  // cut to the buffer
}

TEST(IniProfile, ReadsEightBitAndUtf16FilesAndDefaultsWhenMissing) {
  testing::FakeFileSystem fs;
  IniProfileReader reader(fs);
  EXPECT_EQ(reader.GetStringA(".\\ErrorCode.ini", "Upgrading", "0xEE030004", "none", 4096), "none");
  const std::string ansi = "[Upgrading]\r\n0xEE030004=Can not find the device";
  fs.files[u"ErrorCode.ini"] = Bytes(ansi.begin(), ansi.end());
  EXPECT_EQ(reader.GetStringA(".\\ErrorCode.ini", "Upgrading", "0xEE030004", "none", 4096),
            "Can not find the device");
  fs.files[u"x.inf"] = testing::Utf16File(u"[Version]\r\nDriverVer=07/05/2012,3.0.4.0\r\n");
  EXPECT_EQ(reader.GetStringW(u"x.inf", u"Version", u"DriverVer", u"", 30), u"07/05/2012,3.0.4.0");
}

}  // namespace
}  // namespace brevix
