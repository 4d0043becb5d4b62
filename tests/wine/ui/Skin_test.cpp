// Skin painting against the real GDI: the off-screen picture, translucency and shape, fonts,
// control colours, the page painter, and the restart-choice frames.
#include <gtest/gtest.h>

#include <string>

#include "UiTestSupport.h"
#include "ui/skin/win32/MemDC.h"
#include "ui/skin/win32/SkinPaint.h"

namespace brevix {
namespace {

using framework::BitmapHandle;
using framework::MemoryDC;
using framework::Selection;
using uitest::HostDialog;
using uitest::PixelOfBitmap;
using uitest::PixelOfWindow;
using uitest::PumpFor;

TEST(MemDC, PictureReachesTargetOnlyWhenDestroyedAndInTargetCoordinates) {
  framework::WindowDC screen(nullptr);
  MemoryDC target(screen.get());
  BitmapHandle surface(::CreateCompatibleBitmap(screen.get(), 40, 30));
  Selection selected(target.get(), surface.get());
  RECT all{0, 0, 40, 30};
  ::FillRect(target.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));

  const COLORREF red = RGB(255, 0, 0);
  {
    MemDC picture(target.get(), RECT{10, 5, 30, 25});  // bounds not at the origin
    ASSERT_TRUE(picture.Valid());
    RECT inside{10, 5, 30, 25};
    ::FillRect(picture.get(), &inside, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    framework::BrushHandle brush(::CreateSolidBrush(red));
    RECT spot{12, 7, 14, 9};
    ::FillRect(picture.get(), &spot, brush.get());
    EXPECT_EQ(::GetPixel(target.get(), 12, 7), RGB(255, 255, 255)) << "nothing copied yet";
  }
  EXPECT_EQ(::GetPixel(target.get(), 12, 7), red);
  EXPECT_EQ(::GetPixel(target.get(), 13, 8), red);
  EXPECT_EQ(::GetPixel(target.get(), 10, 5), RGB(0, 0, 0));
  EXPECT_EQ(::GetPixel(target.get(), 29, 24), RGB(0, 0, 0));
  EXPECT_EQ(::GetPixel(target.get(), 9, 5), RGB(255, 255, 255)) << "outside the bounds";
  EXPECT_EQ(::GetPixel(target.get(), 30, 24), RGB(255, 255, 255));
}

TEST(Skin, TranslucentRoundedWindow) {
  HostDialog host;
  skin::MakeTranslucent(host.Handle(), kWizardAlpha);
  EXPECT_TRUE(::GetWindowLongW(host.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  COLORREF key = 1;
  ASSERT_TRUE(::GetLayeredWindowAttributes(host.Handle(), &key, &alpha, &flags));
  EXPECT_EQ(alpha, 242);
  EXPECT_EQ(flags & LWA_ALPHA, DWORD(LWA_ALPHA));
  EXPECT_FALSE(flags & LWA_COLORKEY);

  skin::ClipToRoundedRect(host.Handle(), RECT{0, 0, 733, 549});
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(::GetWindowRgn(host.Handle(), region), ERROR);
  RECT box{};
  ::GetRgnBox(region, &box);
  EXPECT_EQ(box.right - box.left, 732) << "CreateRoundRectRgn leaves out the right and bottom edge";
  EXPECT_FALSE(::PtInRegion(region, 0, 0)) << "corner cut";
  EXPECT_FALSE(::PtInRegion(region, 731, 547));
  EXPECT_TRUE(::PtInRegion(region, 3, 0));
  EXPECT_TRUE(::PtInRegion(region, 366, 274));
  ::DeleteObject(region);
}

TEST(Skin, FontsAreTahomaWithTheirHeightsAndWeights) {
  for (const auto& [params, height, weight] : {std::tuple{kTitleFontParams, 22, 500}, std::tuple{kBodyFontParams, 16, 0}}) {
    const framework::FontHandle font = skin::CreateSkinFont(params.height, params.weight);
    ASSERT_TRUE(font);
    LOGFONTW lf{};
    ASSERT_TRUE(::GetObjectW(font.get(), sizeof(lf), &lf));
    EXPECT_EQ(lf.lfHeight, height);
    EXPECT_EQ(lf.lfWeight, weight);
    EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(lf.lfPitchAndFamily, FF_SWISS | DEFAULT_PITCH);
    EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
  }
}

TEST(Skin, ControlColours) {
  HostDialog host;
  framework::WindowDC screen(nullptr);
  MemoryDC dc(screen.get());
  const framework::BrushHandle panel = skin::CreatePanelBrush();
  const HBRUSH fallback = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  const HBRUSH null = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
  struct Case {
    int kind, id, style;
    HBRUSH brush;
    COLORREF text;
    int mode;
    COLORREF back;
  } cases[] = {
      {CTLCOLOR_STATIC, IDC_HEADING, 2, null, kTextWhite, TRANSPARENT, RGB(1, 2, 3)},
      {CTLCOLOR_EDIT, IDC_LOG, 1, null, kTextWhite, TRANSPARENT, RGB(1, 2, 3)},
      {CTLCOLOR_EDIT, IDC_LOG, 2, panel.get(), kTextWhite, OPAQUE, kPanelColour},
      {CTLCOLOR_EDIT, IDC_LOG, 0, fallback, RGB(9, 9, 9), OPAQUE, RGB(1, 2, 3)},
      {CTLCOLOR_BTN, IDC_NEXT_BUTTON, 2, fallback, RGB(9, 9, 9), OPAQUE, RGB(1, 2, 3)},
  };
  for (const auto& c : cases) {
    ::SetTextColor(dc.get(), RGB(9, 9, 9));
    ::SetBkMode(dc.get(), OPAQUE);
    ::SetBkColor(dc.get(), RGB(1, 2, 3));
    EXPECT_EQ(skin::ApplyControlColour(dc.get(), c.kind, host.Item(c.id), c.style, fallback, panel.get()), c.brush)
        << c.id << "/" << c.style;
    EXPECT_EQ(::GetTextColor(dc.get()), c.text) << c.id << "/" << c.style;
    EXPECT_EQ(::GetBkMode(dc.get()), c.mode) << c.id << "/" << c.style;
    EXPECT_EQ(::GetBkColor(dc.get()), c.back) << c.id << "/" << c.style;
  }
}

TEST(Skin, PagePainterStretchesTheBackground) {
  HostDialog host;
  PumpFor(50);
  const BitmapHandle page = skin::LoadSkinBitmap(IDB_PAGE_BACKGROUND);
  PageSkinState state;
  state.pageBackground = IDB_PAGE_BACKGROUND;
  skin::PageArt art;
  art.background = page.get();
  EXPECT_EQ(skin::PaintPage(host.Handle(), state, art), skin::PagePaintResult::Painted);
  // The dialog does not clip its children: the page covers the log's place too.
  for (auto [x, y] : {std::pair{5, 5}, std::pair{300, 100}, std::pair{700, 530}})
    EXPECT_EQ(PixelOfWindow(host.Handle(), x, y), PixelOfBitmap(IDB_PAGE_BACKGROUND, x, y)) << x << "," << y;
}

TEST(Skin, ChoiceFramesDrawEraseWithFirstSampleAndFitTheirText) {
  HostDialog host;
  PumpFor(50);
  auto fill = [&](COLORREF colour) {
    framework::WindowDC dc(host.Handle());
    framework::BrushHandle brush(::CreateSolidBrush(colour));
    RECT all{0, 0, 733, 549};
    ::FillRect(dc.get(), &all, brush.get());
  };
  const COLORREF first = RGB(10, 20, 30), later = RGB(200, 100, 50);
  const Rect frame{55, 474, 300, 496};
  fill(first);
  EXPECT_TRUE(skin::DrawChoiceFrame(host.Handle(), true, frame));
  for (auto [x, y] : {std::pair{55, 474}, std::pair{300, 474}, std::pair{300, 496}, std::pair{55, 496},
                      std::pair{177, 474}, std::pair{300, 485}})
    EXPECT_EQ(PixelOfWindow(host.Handle(), x, y), kChoiceFrameColour) << x << "," << y;
  EXPECT_EQ(PixelOfWindow(host.Handle(), 56, 475), first) << "inside stays";
  EXPECT_EQ(PixelOfWindow(host.Handle(), 301, 497), first) << "outside stays";

  fill(later);
  skin::DrawChoiceFrame(host.Handle(), false, frame);
  EXPECT_EQ(PixelOfWindow(host.Handle(), 55, 474), first) << "erased with the colour sampled at the first call";
  EXPECT_EQ(PixelOfWindow(host.Handle(), 177, 496), first);

  // Fitting: the text's width in the dialog DC's font, 16 more for the wide-text languages.
  const HWND a = ::CreateWindowExW(0, L"STATIC", L"Yes, I want to restart this system now.", WS_CHILD, 77, 476, 450,
                                   18, host.Handle(), nullptr, nullptr, nullptr);
  const HWND b = ::CreateWindowExW(0, L"STATIC", std::wstring(300, L'W').c_str(), WS_CHILD, 77, 500, 450, 18,
                                   host.Handle(), nullptr, nullptr, nullptr);
  const HWND b259 = ::CreateWindowExW(0, L"STATIC", std::wstring(259, L'W').c_str(), WS_CHILD, 0, 0, 10, 10,
                                      host.Handle(), nullptr, nullptr, nullptr);
  PageSkinState english, japanese;
  english.languageId = 212;
  japanese.languageId = 201;
  skin::FitChoiceFrame(host.Handle(), a, a, b, english);
  skin::FitChoiceFrame(host.Handle(), a, a, b, japanese);
  EXPECT_GT(english.choiceFrames[0].right, english.choiceFrames[0].left + 100);
  EXPECT_EQ(japanese.choiceFrames[0].right, english.choiceFrames[0].right + 16);
  EXPECT_EQ(english.choiceFrames[1], PageSkinState{}.choiceFrames[1]) << "the other frame is left alone";

  PageSkinState longText, cut;
  skin::FitChoiceFrame(host.Handle(), b, a, b, longText);
  skin::FitChoiceFrame(host.Handle(), b259, a, b259, cut);
  EXPECT_EQ(longText.choiceFrames[1].right, cut.choiceFrames[1].right) << "measured on its first 259 characters";

  const PageSkinState before = english;
  skin::FitChoiceFrame(host.Handle(), nullptr, a, b, english);
  skin::FitChoiceFrame(host.Handle(), host.Item(IDC_TITLE), a, b, english);
  EXPECT_EQ(english.choiceFrames, before.choiceFrames);
}

}  // namespace
}  // namespace brevix
