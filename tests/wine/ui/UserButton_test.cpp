// The skinned button as a real window: owner-draw style, images per look, the constant-alpha
// blend, the disabled caption colour, focus and mouse tracking.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/controls/win32/UserButton.h"
#include "ui/skin/SkinRules.h"

namespace brevix {
namespace {

using uitest::HostDialog;
using uitest::Near;
using uitest::PixelOfBitmap;
using uitest::PixelOfWindow;
using uitest::PumpFor;

// A point of the wizard button images away from the caption.
constexpr int kProbeX = 12, kProbeY = 24;

struct ButtonFixture : ::testing::Test {
  HostDialog host;
  UserButton button;

  void SetUp() override {
    ::MoveWindow(host.Item(IDC_NEXT_BUTTON), 425, 464, 128, 49, TRUE);
    ASSERT_TRUE(button.SubclassDlgItem(host.Handle(), IDC_NEXT_BUTTON));
    ASSERT_TRUE(button.LoadImages(IDB_WIZARD_BUTTON_NORMAL, IDB_WIZARD_BUTTON_PRESSED, IDB_WIZARD_BUTTON_HIGHLIGHTED,
                                  IDB_WIZARD_BUTTON_DISABLED));
    button.textColor = kTextWhite;
    button.alpha = 255;
    button.caption = L"Next";
    PumpFor(50);
  }
  // Paints the button over black and has it draw itself once, without its own erase.
  COLORREF DrawnOverBlack() {
    {
      framework::WindowDC dc(button.Handle(), framework::WindowDC::Whole);
      RECT all{0, 0, 128, 49};
      ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    ::RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return PixelOfWindow(button.Handle(), kProbeX, kProbeY);
  }
};

TEST_F(ButtonFixture, BecomesOwnerDrawn) {
  EXPECT_EQ(::GetWindowLongW(button.Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

TEST_F(ButtonFixture, EachLookDrawsItsImage) {
  struct Case {
    int look;
    int image;
  } cases[] = {{kLookNormal, IDB_WIZARD_BUTTON_NORMAL},
               {kLookHighlighted, IDB_WIZARD_BUTTON_HIGHLIGHTED},
               {kLookDisabled, IDB_WIZARD_BUTTON_DISABLED},
               {kLookPressed, IDB_WIZARD_BUTTON_PRESSED}};
  for (const auto& c : cases) {
    button.SetLook(c.look);
    EXPECT_EQ(DrawnOverBlack(), PixelOfBitmap(c.image, kProbeX, kProbeY)) << "look " << c.look;
  }
}

TEST_F(ButtonFixture, BlendsWithTheConstantAlpha) {
  button.SetLook(kLookNormal);
  const COLORREF image = PixelOfBitmap(IDB_WIZARD_BUTTON_NORMAL, kProbeX, kProbeY);
  for (BYTE alpha : {BYTE(242), BYTE(128)}) {
    button.alpha = alpha;
    const COLORREF expected =
        RGB(GetRValue(image) * alpha / 255, GetGValue(image) * alpha / 255, GetBValue(image) * alpha / 255);
    EXPECT_TRUE(Near(DrawnOverBlack(), expected, 2)) << int(alpha);
  }
}

TEST_F(ButtonFixture, DisabledCaptionColour) {
  button.caption = L"MMMMMMMM";
  auto captionPixels = [&](COLORREF colour) {
    DrawnOverBlack();
    framework::WindowDC dc(button.Handle());
    int n = 0;
    for (int y = 14; y < 35; ++y)
      for (int x = 20; x < 108; ++x) n += ::GetPixel(dc.get(), x, y) == colour;
    return n;
  };
  button.SetLook(kLookDisabled);
  EXPECT_GT(captionPixels(kDisabledCaptionColour), 10);
  button.SetLook(kLookNormal);
  EXPECT_EQ(captionPixels(kDisabledCaptionColour), 0);
  EXPECT_GT(captionPixels(kTextWhite), 10);
}

TEST_F(ButtonFixture, MouseHighlightsAndTakesFocusThenLeaveFollowsTheMarker) {
  button.SetLook(kLookNormal);
  ::SetFocus(host.Item(IDC_TITLE));
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 20));
  EXPECT_EQ(button.Look(), kLookHighlighted);
  EXPECT_EQ(::GetFocus(), button.Handle());
  ::SendMessageW(button.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(button.Look(), kLookNormal);

  button.SetDefaultMarker(2);
  ::SendMessageW(button.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(button.Look(), kLookHighlighted);

  button.SetLook(kLookDisabled);
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 20));
  EXPECT_EQ(button.Look(), kLookDisabled) << "mouse moves leave the disabled look";
  button.SetDefaultMarker(1);
  EXPECT_EQ(button.Look(), kLookDisabled);
  EXPECT_EQ(button.DefaultMarker(), 1);
}

TEST_F(ButtonFixture, PressedDrawShowsThePressedImage) {
  button.SetLook(kLookHighlighted);
  ::SendMessageW(button.Handle(), BM_SETSTATE, TRUE, 0);
  PumpFor(30);
  EXPECT_EQ(button.Look(), kLookPressed);
  EXPECT_EQ(PixelOfWindow(button.Handle(), kProbeX, kProbeY), PixelOfBitmap(IDB_WIZARD_BUTTON_PRESSED, kProbeX, kProbeY));
  ::SendMessageW(button.Handle(), BM_SETSTATE, FALSE, 0);
  PumpFor(30);
  EXPECT_EQ(button.Look(), kLookPressed) << "stays pressed until the mouse or the owner changes it";
}

TEST_F(ButtonFixture, EraseRedrawsOnceAndReturns) {
  // The erase handler redraws the button, which erases again: it must not recurse without end.
  button.SetLook(kLookNormal);
  ::RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_TRUE(::IsWindow(button.Handle()));
}

TEST(UserButton, MissingImageLeavesCaptionOnly) {
  HostDialog host;
  UserButton button;
  ASSERT_TRUE(button.SubclassDlgItem(host.Handle(), IDC_CANCEL_BUTTON));
  EXPECT_FALSE(button.LoadImages(IDB_WIZARD_BUTTON_NORMAL, 9999, IDB_WIZARD_BUTTON_HIGHLIGHTED,
                                 IDB_WIZARD_BUTTON_DISABLED));
  ::SetFocus(host.Item(IDC_TITLE));
  button.SetLook(kLookHighlighted);
  EXPECT_NE(::GetFocus(), button.Handle()) << "no images: no focus taken";
  ::SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(button.Look(), kLookHighlighted);
  ::SendMessageW(button.Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(button.Look(), kLookNormal) << "leave still changes the look";
  ::RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // caption only, no crash
}

TEST(UserButton, ClickReachesTheOwnerAsCommand) {
  HostDialog host;
  UserButton button;
  ASSERT_TRUE(button.SubclassDlgItem(host.Handle(), IDC_NEXT_BUTTON));
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  PumpFor(30);
  ASSERT_FALSE(host.commands.empty());
  EXPECT_EQ(host.commands.back(), IDC_NEXT_BUTTON);
}

}  // namespace
}  // namespace brevix
