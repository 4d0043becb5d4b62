#include "engine/VersionText.h"

#include <gtest/gtest.h>

#include "platform/Text.h"

namespace brevix {
namespace {

TEST(VersionKeys, FixedPositionKeys) {
  using R = VersionKeyRule;
  struct Case {
    const char16_t* version;
    R rule;
    const char16_t* key;
  } cases[] = {
      {u"08/06/2013,1.1.0", R::DateThenWholeVersion, u"201308061.1.0"},
      {u"06/21/2013,1.0.0.5", R::DateThenWholeVersion, u"201306211.0.0.5"},
      {u"07/05/2012,3.0.4.0", R::SttubeChecking, u"20120705304.0"},  // v[15..18] is "4.0", v[20] missing
      {u"07/05/2012,3.0.4.0", R::SttubeInstall, u"201207053040"},
      {u"10/15/2012,3.0.4.12345", R::SttubeChecking, u"20121015304.124"},
      {u"10/15/2012,3.0.4.12345", R::SttubeInstall, u"201210153041"},
      {u"2013,1.0", R::DateThenWholeVersion, u".0203,"},  // an undashed date shifts everything
      {u"08/06/2013,", R::DateThenWholeVersion, u"20130806"},
      {u"08/06/2013", R::SttubeChecking, u"20130806"},
      {u"08/0", R::SttubeInstall, u"080"},
      {u"", R::DateThenWholeVersion, u""},
      {u"", R::SttubeChecking, u""},
      {u"N/A", R::SttubeInstall, u"N/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildVersionKey(c.version, c.rule), c.key) << Utf16ToUtf8(c.version) << " rule " << int(c.rule);
  }
}

TEST(VersionKeys, LaterDateWinsOverHigherVersionAndVersionsCompareAsText) {
  const auto key = [](const char16_t* v) { return BuildVersionKey(v, VersionKeyRule::DateThenWholeVersion); };
  EXPECT_TRUE(OrdinalGreater(key(u"09/01/2013,1.0.0"), key(u"08/06/2013,1.1.0")));
  EXPECT_TRUE(OrdinalGreater(key(u"08/06/2013,1.1.0"), key(u"06/21/2013,1.0.0.5")));
  EXPECT_FALSE(OrdinalGreater(key(u"08/06/2013,1.1.0"), key(u"08/06/2013,1.1.0")));
  EXPECT_TRUE(OrdinalGreater(key(u"08/06/2013,1.9"), key(u"08/06/2013,1.10")));  // text, not numbers
  EXPECT_TRUE(OrdinalGreater(u"a", u""));  // anything beats the empty key of an unknown version
}

TEST(FirmwareFileName, VersionAfterAnUnderscoreAndDigit) {
  struct Case {
    const char16_t* name;
    const char16_t* version;  // nullptr: none
  } cases[] = {
      {u"Varnek(R)_Sensor_Hub_Firmware_Sensors_1.0.221212_221212.css_signed.dfu.encrypted", u"221212"},
      {u"Hub_1.0.22121_654321.dfu", u"654321"},          // five-digit middle group: offset 11
      {u"Hub_1.0.221212_654321.dfu", u"654321"},         // six digits: offset 12
      {u"Hub_x_2.1.12345_777777_dfu", u"777777"},        // "_x" is passed over
      {u"Hub_1.0.221212_65432.dfu", nullptr},            // five digits are not a version
      {u"Hub_1.0.221212_654321", u"654321"},             // run ends exactly at the end
      {u"Hub_1.0.221212_6543", nullptr},                 // run past the end
      {u"Hub_1.0", nullptr},
      {u"Hub_", nullptr},
      {u"_", nullptr},
      {u"firmware.dfu", nullptr},
      {u"", nullptr},
      {u"Hub_a.0.221212_654321.dfu", nullptr},           // no digit after the "_"
  };
  for (const auto& c : cases) {
    const auto v = ParseFirmwareFileVersion(c.name);
    if (c.version) {
      EXPECT_EQ(v, std::u16string(c.version)) << Utf16ToUtf8(c.name);
    } else {
      EXPECT_FALSE(v.has_value()) << Utf16ToUtf8(c.name) << " gave " << Utf16ToUtf8(v.value_or(u""));
    }
  }
}

}  // namespace
}  // namespace brevix
