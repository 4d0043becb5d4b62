// Button captions of every language fit their buttons in the skin's body font (Tahoma 16 px):
// the wizard's 128 x 49 buttons and the popup's 80 x 35 ones, with a few pixels to spare.
// Wine's Tahoma has Latin and Cyrillic but no Greek or CJK glyphs; captions it cannot draw
// would be measured with its missing-glyph box, so only captions it can draw are measured.
#include <windows.h>

#include <gtest/gtest.h>

#include "data/LanguageTable.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix {
namespace {

bool FontHasGlyphs(HDC dc, const std::u16string& text) {
  std::vector<WORD> glyphs(text.size());
  GetGlyphIndicesW(dc, win32::W(text), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  for (WORD g : glyphs) {
    if (g == 0xFFFF) return false;
  }
  return true;
}

int TextWidth(HDC dc, const std::u16string& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, win32::W(text), static_cast<int>(text.size()), &size);
  return size.cx;
}

TEST(Win32TextFit, ButtonCaptionsFitTheirButtonsInEveryLanguage) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(16, 0, 0, 0, 0, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, FF_SWISS, L"Tahoma");
  ASSERT_TRUE(font);
  HGDIOBJ old = SelectObject(dc, font);
  win32::Win32Resources resources;
  std::vector<std::uint16_t> tableIds{kEnglishTableId};
  for (const auto& ids : SupportedLanguages()) tableIds.push_back(ids.tableId);
  struct Button {
    const char16_t* key;
    int limit;
  } buttons[] = {{u"Next", 120},  {u"Cancel", 120}, {u"Back", 120}, {u"Accept", 120}, {u"Upgrade", 120},
                 {u"Finish", 120}, {u"Yes", 74},    {u"No", 74},     {u"Close", 74}};
  int measured = 0;
  for (std::uint16_t id : tableIds) {
    LanguageTable table(resources);
    for (const Button& b : buttons) {
      const auto caption = table.Lookup(u"Button", id, b.key);
      ASSERT_TRUE(caption) << id << " " << Utf16ToUtf8(b.key);
      if (!FontHasGlyphs(dc, *caption)) continue;
      ++measured;
      EXPECT_LE(TextWidth(dc, *caption), b.limit) << "table " << id << ": " << Utf16ToUtf8(*caption);
    }
  }
  EXPECT_GE(measured, 9 * 20);  // every Latin and Cyrillic table was measured
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
}

}  // namespace
}  // namespace brevix
