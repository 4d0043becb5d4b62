#include "data/LanguageTable.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace brevix {
namespace {

using testing::FakeResources;
using testing::Utf16File;

constexpr char16_t kTable[] =
    u"[Publisher]\r\nPublisher01=Varnek\u00AE Brevix Firmware Upgrade Tool\r\n\r\n"
    u"[Indroduction]\r\nIndroduction02=Keep power connected. \r\n\r\n"
    u"[Checking]\r\nChecking01=Installed 1.0\r\n\r\n"
    u"[Upgrade]\r\nUpgrade01=Please wait\r\nUpgrade21=Done.\r\nEmpty=\r\nLone=a\nNotAKey=b\r\n"
    u" Spaced=x\r\nNext =y\r\n\r\n"
    u"[Popup]\r\nPopup02=Varnek\u00AE Brevix is not supported. Please quit.\r\n\r\n"
    u"[Button]\r\nNext=Next\r\nUpgrade=Upgrade\r\nLast=end";

struct Reader {
  FakeResources res;
  LanguageTable table{res};
  explicit Reader(std::u16string_view text = kTable, bool bom = true, std::uint16_t id = 212) {
    res.items[{u"INI", id}] = Utf16File(text, bom);
  }
  // The value, or the key itself when it is not found (as the program shows it).
  std::u16string Lookup(std::u16string_view section, const char16_t* key, int* ok = nullptr) {
    const auto value = table.Lookup(section, 212, key);
    if (ok) *ok = value ? 1 : 0;
    return value.value_or(key);
  }
};

TEST(LanguageTable, LookupCases) {
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* expected;  // the key itself when not found
  } cases[] = {
      {u"Checking", u"Popup02", u"Varnek\u00AE Brevix is not supported. Please quit."},  // runs past headers
      {u"Button", u"Upgrade", u"Upgrade"},
      {u"Upgrade", u"Upgrade01", u"Please wait"},  // "Upgrade=" does not match "Upgrade01="
      {u"Indroduction", u"Indroduction02", u"Keep power connected. "},
      {u"Upgrade", u"Empty", u"Empty"},            // empty value keeps the key
      {u"Upgrade", u"Lone", u"a\nNotAKey=b"},       // a lone LF does not end a line
      {u"Upgrade", u"NotAKey", u"NotAKey"},
      {u"Upgrade", u"Spaced", u"Spaced"},           // no trimming
      {u"Button", u"Last", u"end"},                 // last line without CR LF
      {u"Missing", u"Next", u"Next"},
      {u"Publisher", u"publisher01", u"publisher01"},  // case-sensitive
  };
  for (const auto& c : cases) {
    Reader r;
    EXPECT_EQ(r.Lookup(c.section, c.key), c.expected) << Utf16ToUtf8(c.section) << "/" << Utf16ToUtf8(c.key);
  }
}

TEST(LanguageTable, BlankBeforeEqualsDoesNotMatchButLaterEntryDoes) {
  Reader r;
  EXPECT_EQ(r.Lookup(u"Upgrade", u"Next"), u"Next");  // "Next =y" skipped, "[Button] Next=Next" found
  Reader r2(u"[Button]\r\nNext =y\r\n");
  int ok = 1;
  EXPECT_EQ(r2.Lookup(u"Button", u"Next", &ok), u"Next");
  EXPECT_EQ(ok, 0);
}

TEST(LanguageTable, TableWithoutByteOrderMarkIsReadFromTheStart) {
  Reader r(u"[Popup]\r\nPopup01=Quit?\r\n", /*bom=*/false);
  EXPECT_EQ(r.Lookup(u"Popup", u"Popup01"), u"Quit?");
}

TEST(LanguageTable, FirstLoadFixesTheTableAndMissingTableKeepsKeys) {
  FakeResources res;
  res.items[{u"INI", 192}] = Utf16File(u"[Button]\r\nNext=Weiter\r\n");
  res.items[{u"INI", 212}] = Utf16File(u"[Button]\r\nNext=Next!\r\n");
  LanguageTable table(res);
  EXPECT_EQ(table.Lookup(u"Button", 193, u"Next"), std::nullopt);  // missing: nothing loaded
  EXPECT_EQ(table.Lookup(u"Button", 192, u"Next"), u"Weiter");
  EXPECT_EQ(table.Lookup(u"Button", 212, u"Next"), u"Weiter");  // id ignored once loaded
  EXPECT_EQ(table.LoadedTableId(), 192);
}

TEST(LanguageSelection, ListedIdsPickTheirTableAndLicenceOthersFallBackToEnglish) {
  // Written out here rather than taken from the selector: the two id columns are assigned
  // independently, and a slip in either would otherwise go unseen.
  struct Expected {
    std::uint16_t langId, table, licence;
  } expected[] = {
      {1027, 187, 224}, {1028, 189, 216}, {1029, 190, 225}, {1030, 191, 226}, {1031, 192, 227},
      {1032, 193, 228}, {1035, 196, 231}, {1036, 197, 232}, {1038, 199, 234}, {1040, 200, 218},
      {1041, 201, 219}, {1042, 202, 220}, {1043, 203, 235}, {1044, 204, 236}, {1045, 205, 237},
      {1046, 206, 221}, {1049, 208, 222}, {1051, 209, 239}, {1053, 210, 240}, {1055, 211, 223},
      {1069, 195, 230}, {1110, 198, 233}, {2052, 188, 215}, {2070, 207, 238}, {3082, 194, 229},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(SelectLanguageTableId(e.langId), e.table) << e.langId;
    EXPECT_EQ(SelectLicenceId(e.langId), e.licence) << e.langId;
  }
  EXPECT_EQ(SupportedLanguages().size(), std::size(expected)) << "a language the list above does not know";
  // The whole LANGID counts: other sublanguages of listed languages, English itself, none.
  for (std::uint16_t other : {1034, 2058, 3079, 2055, 1033, 2057, 0, 0xFFFF}) {
    EXPECT_EQ(SelectLanguageTableId(other), kEnglishTableId) << other;
    EXPECT_EQ(SelectLicenceId(other), kEnglishLicenceId) << other;
  }
  EXPECT_EQ(kEnglishTableId, 212);
  EXPECT_EQ(kEnglishLicenceId, 217);
}

TEST(Licence, DropsTheFirstTwoBytesUncheckedAndIsEmptyWhenMissing) {
  FakeResources res;
  EXPECT_EQ(LoadLicenceText(res, 1031), u"");
  res.items[{u"TXT", 227}] = Utf16File(u"Lizenz\r\n");
  EXPECT_EQ(LoadLicenceText(res, 1031), u"Lizenz\r\n");
  res.items[{u"TXT", 217}] = Utf16File(u"XLicence", /*bom=*/false);
  EXPECT_EQ(LoadLicenceText(res, 1033), u"Licence");
}

TEST(Decoration, WrapsAndBoundsTheStepResult) {
  EXPECT_EQ(DecorateResultText(u"Done."), u" . . . Done.\r\n");
  const std::u16string longText(300, u'x');
  const std::u16string decorated = DecorateResultText(longText);
  EXPECT_EQ(decorated.size(), 7 + kMaxDecoratedTextUnits + 2);
  EXPECT_LT(decorated.size() + 1, 261u);  // fits a 260-unit buffer with its terminator
}

}  // namespace
}  // namespace brevix
