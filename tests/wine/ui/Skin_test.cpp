// Skin painting against the real GDI: the skin's images as stored, the off-screen picture,
// translucency and shape, fonts, control colours, the page painter, and the restart-choice frames.
#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "ui/skin/win32/MemDC.h"
#include "ui/skin/win32/SkinPaint.h"
#include "ui/skin/win32/SkinPicture.h"

namespace brevix {
namespace {

using framework::BitmapHandle;
using framework::MemoryDC;
using framework::Selection;
using uitest::HostDialog;
using uitest::PixelOfBitmap;
using uitest::PixelOfWindow;
using uitest::PumpFor;

// The generator's uncompressed bitmaps, linked into this test as 10000 + the image's id.
constexpr int kReferenceBase = 10000;
constexpr int kSkinIds[] = {143, 171, 154, 155, 157, 162, 163, 164, 165, 166, 168, 169, 170,
                            174, 176, 177, 178, 182, 183, 184, 206, 207, 208, 209, 210};

// 32-bit top-down pixels, the unused fourth byte cleared; empty when unreadable.
std::vector<BYTE> PixelsOf(HBITMAP bitmap) {
  const SIZE size = skin::BitmapSize(bitmap);
  BITMAPINFO info = skin::TopDownRgb32(size.cx, size.cy);
  std::vector<BYTE> pixels(std::size_t(size.cx) * size.cy * 4);
  framework::WindowDC screen(nullptr);
  if (pixels.empty() || ::GetDIBits(screen.get(), bitmap, 0, size.cy, pixels.data(), &info, DIB_RGB_COLORS) != size.cy)
    return {};
  for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;
  return pixels;
}

struct ResourceBytes {
  const BYTE* data = nullptr;
  std::size_t size = 0;
};
ResourceBytes StoredPicture(int id) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), skin::kPictureResourceType);
  const HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
  if (!loaded) return {};
  return {static_cast<const BYTE*>(::LockResource(loaded)), ::SizeofResource(module, info)};
}

// Whatever form an image is stored in, it loads to exactly the pixels the generator drew.
TEST(SkinImages, EveryImageLoadsToTheGeneratorsPixels) {
  int compressed = 0;
  for (int id : kSkinIds) {
    compressed += StoredPicture(id).data != nullptr;
    const BitmapHandle loaded = skin::LoadSkinBitmap(id);
    const BitmapHandle reference(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kReferenceBase + id)));
    ASSERT_TRUE(loaded) << id;
    ASSERT_TRUE(reference) << id;
    const SIZE size = skin::BitmapSize(loaded.get()), expected = skin::BitmapSize(reference.get());
    EXPECT_EQ(size.cx, expected.cx) << id;
    EXPECT_EQ(size.cy, expected.cy) << id;
    const std::vector<BYTE> pixels = PixelsOf(loaded.get()), referencePixels = PixelsOf(reference.get());
    ASSERT_FALSE(pixels.empty()) << id;
    if (pixels == referencePixels) continue;
    std::size_t at = 0;
    while (at < pixels.size() && at < referencePixels.size() && pixels[at] == referencePixels[at]) ++at;
    ADD_FAILURE() << id << ": first difference at pixel " << (at / 4) % size.cx << "," << (at / 4) / size.cx;
  }
  EXPECT_EQ(compressed, 3) << "the decoder is under test: the two backgrounds and the popup's are stored as PNG";
}

// The decoder takes 8-bit RGB PNG and nothing else, whole: anything less is no bitmap.
TEST(SkinImages, BytesThatAreNoWholeRgbPictureGiveNoBitmap) {
  const ResourceBytes page = StoredPicture(IDB_PAGE_BACKGROUND);
  ASSERT_GT(page.size, 1000u);
  const std::string noPicture(page.size, 'x');
  // A whole, valid PNG of one grey pixel: 8-bit grey, not RGB.
  static constexpr BYTE kGreyPixel[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x7E, 0x9B, 0x55, 0x00,
      0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x68, 0x00, 0x00, 0x00, 0x82, 0x00, 0x81,
      0xDA, 0x45, 0x08, 0x3B, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  const struct {
    const char* what;
    const void* bytes;
    std::size_t size;
  } cases[] = {
      {"no bytes at all", nullptr, 0},
      {"an empty resource", page.data, 0},
      {"bytes that are no picture", noPicture.data(), noPicture.size()},
      {"the signature alone", page.data, 8},
      {"cut off in the middle of the pixels", page.data, page.size / 2},
      {"grey, not RGB", kGreyPixel, sizeof kGreyPixel},
  };
  for (const auto& c : cases) EXPECT_FALSE(skin::DecodePicture(c.bytes, c.size)) << c.what;
  EXPECT_TRUE(skin::DecodePicture(page.data, page.size)) << "the whole picture decodes";
}

// Decoding enters COM only for itself: a thread in no apartment is in none afterwards (the
// sensor query enters the multithreaded one later), one in a single-threaded apartment stays.
TEST(SkinImages, DecodingLeavesTheThreadsComAsItWas) {
  bool loaded = false;
  HRESULT after = E_FAIL;
  std::thread fresh([&] {
    loaded = bool(skin::LoadSkinBitmap(IDB_PAGE_BACKGROUND));
    after = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // S_OK only if decoding left COM
    if (SUCCEEDED(after)) ::CoUninitialize();
  });
  fresh.join();
  EXPECT_TRUE(loaded);
  EXPECT_EQ(after, S_OK);

  HRESULT entered = E_FAIL, stillInApartment = E_FAIL;
  loaded = false;
  std::thread sta([&] {
    entered = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    loaded = bool(skin::LoadSkinBitmap(IDB_PAGE_BACKGROUND));
    stillInApartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // S_FALSE: still in it
    if (SUCCEEDED(stillInApartment)) ::CoUninitialize();
    if (SUCCEEDED(entered)) ::CoUninitialize();
  });
  sta.join();
  EXPECT_EQ(entered, S_OK);
  EXPECT_TRUE(loaded) << "decoded in the thread's own apartment";
  EXPECT_EQ(stillInApartment, S_FALSE);
}

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
