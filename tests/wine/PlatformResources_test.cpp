// The resources compiled into the executable, read back through the language reader.
#include <windows.h>

#include <gtest/gtest.h>

#include "data/LanguageTable.h"
#include "platform/win32/Win32Platform.h"

namespace brevix {
namespace {

TEST(Win32Resources, EnglishTableAndLicenceReadBack) {
  win32::Win32Resources resources;
  LanguageTable table(resources);
  EXPECT_EQ(table.Lookup(u"Checking", 212, u"Popup02"), u"Varnek\u00AE Brevix is not supported. Please quit.");
  const auto intro = table.Lookup(u"Indroduction", 212, u"Indroduction02");
  ASSERT_TRUE(intro && !intro->empty());
  EXPECT_EQ(intro->back(), u' ');
  const std::u16string licence = LoadLicenceText(resources, 1033);
  EXPECT_EQ(licence.rfind(u"VARNEK CORPORATION\r\n", 0), 0u);
}

TEST(Win32Resources, EveryLanguageHasItsTableAndLicence) {
  win32::Win32Resources resources;
  for (const auto& ids : SupportedLanguages()) {
    EXPECT_TRUE(resources.Find(u"INI", ids.tableId)) << ids.tableId;
    EXPECT_FALSE(LoadLicenceText(resources, ids.langId).empty()) << ids.licenceId;
  }
}

TEST(Win32Resources, ManifestAndVersionArePresent) {
  EXPECT_TRUE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST));
  EXPECT_TRUE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION));
  wchar_t about[64] = {};
  EXPECT_GT(LoadStringW(nullptr, 101, about, 64), 0);
  EXPECT_STREQ(about, L"About VarnekDFU(&A)...");
}

}  // namespace
}  // namespace brevix
