// The skinned scroll bar as a real window: creation over the placeholder, painting from the
// skin images, notifications to the owner, capture, timers and the hand cursor.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/controls/win32/XScrollBar.h"

namespace brevix {
namespace {

using uitest::HostDialog;
using uitest::PixelOfBitmap;
using uitest::PixelOfWindow;
using uitest::PumpFor;

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

struct BarFixture : ::testing::Test {
  HostDialog host;
  CXScrollBar bar;

  void SetUp() override {
    // Where the wizard puts the placeholder before creating the bar.
    ::MoveWindow(host.Item(IDC_SCROLL_PLACE), 660, 170, 12, 250, TRUE);
    ASSERT_TRUE(bar.CreateOverPlaceholder(host.Handle()));
    bar.SetShown(true);
    PumpFor(50);
  }
  void Press(int y) { ::SendMessageW(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(6, y)); }
  void Release(int y) { ::SendMessageW(bar.Handle(), WM_LBUTTONUP, 0, At(6, y)); }
  int Count(int code) const {
    int n = 0;
    for (const auto& v : host.vscrolls) n += v.code == code;
    return n;
  }
};

// A column and row of the thumb image whose pixel differs from the channel's colour there.
bool FindThumbMark(int& x, int& y) {
  for (y = 0; y < 25; ++y)
    for (x = 0; x < 12; ++x)
      if (PixelOfBitmap(IDB_SCROLL_THUMB, x, y) != PixelOfBitmap(IDB_SCROLL_CHANNEL, x, 0)) return true;
  return false;
}

TEST_F(BarFixture, StandsOverThePlaceholderWithItsOwnId) {
  const HWND window = bar.Handle();
  EXPECT_EQ(::GetDlgCtrlID(window), IDC_SCROLL_BAR);
  EXPECT_EQ(::GetDlgItem(host.Handle(), IDC_SCROLL_BAR), window);
  const RECT r = uitest::ChildRect(window);
  EXPECT_EQ(r.left, 660);
  EXPECT_EQ(r.top, 170);
  EXPECT_EQ(r.right - r.left, 12);
  EXPECT_EQ(r.bottom - r.top, 250);
  EXPECT_FALSE(::IsWindowVisible(host.Item(IDC_SCROLL_PLACE)));
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(bar.Model().PartWidth(), 12);
  EXPECT_EQ(bar.Model().PartHeight(), 25);
  EXPECT_EQ(bar.Model().Track(), 175);

  CXScrollBar second;
  EXPECT_FALSE(second.CreateOverPlaceholder(::GetDesktopWindow())) << "no placeholder there";
}

TEST_F(BarFixture, ChannelClickNotifiesOwnerAndRepaintsThumbThere) {
  int mx = 0, my = 0;
  ASSERT_TRUE(FindThumbMark(mx, my));
  const COLORREF thumb = PixelOfBitmap(IDB_SCROLL_THUMB, mx, my);
  const COLORREF channel = PixelOfBitmap(IDB_SCROLL_CHANNEL, mx, 0);

  bar.SetRange(35);
  bar.SetPosition(0);
  PumpFor(50);
  EXPECT_EQ(PixelOfWindow(bar.Handle(), mx, 25 + my), thumb);

  Press(112);
  ASSERT_EQ(host.vscrolls.size(), 1u);
  EXPECT_EQ(host.vscrolls[0].code, SB_THUMBTRACK);
  EXPECT_EQ(host.vscrolls[0].position, 15);
  EXPECT_EQ(host.vscrolls[0].bar, bar.Handle());
  EXPECT_EQ(bar.Position(), 15);
  EXPECT_EQ(::GetCapture(), bar.Handle());
  EXPECT_EQ(PixelOfWindow(bar.Handle(), mx, 100 + my), thumb);
  EXPECT_EQ(PixelOfWindow(bar.Handle(), mx, 25 + my), channel) << "the old place shows the channel again";
  Release(112);
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(BarFixture, NoRangeDrawsNoThumb) {
  int mx = 0, my = 0;
  ASSERT_TRUE(FindThumbMark(mx, my));
  bar.SetRange(0);
  bar.SetPosition(0);
  PumpFor(50);
  EXPECT_EQ(bar.Model().ThumbRect(), kNoRect);
  const COLORREF channel = PixelOfBitmap(IDB_SCROLL_CHANNEL, mx, 0);
  for (int y = 25; y < 225; y += 5) ASSERT_EQ(PixelOfWindow(bar.Handle(), mx, y), channel) << y;
  // The arrows are drawn at both ends.
  EXPECT_EQ(PixelOfWindow(bar.Handle(), 6, 12), PixelOfBitmap(IDB_SCROLL_UP, 6, 12));
  EXPECT_EQ(PixelOfWindow(bar.Handle(), 6, 237), PixelOfBitmap(IDB_SCROLL_DOWN, 6, 12));

  Press(240);
  Release(240);
  ASSERT_EQ(host.vscrolls.size(), 1u);
  EXPECT_EQ(host.vscrolls[0].code, SB_LINEDOWN) << "notified at the limit too";
  EXPECT_EQ(bar.Position(), 0);
}

TEST_F(BarFixture, BriefArrowClickStepsOnceAndHeldArrowRepeats) {
  bar.SetRange(100);
  bar.SetPosition(10);

  Press(240);
  Release(240);
  PumpFor(400);  // the delay timer fires after the release and starts nothing
  EXPECT_EQ(Count(SB_LINEDOWN), 1);
  EXPECT_EQ(bar.Position(), 11);

  // Held for ~1 s: first step at ~250 ms, then every 100 ms (about 8); released elsewhere.
  host.vscrolls.clear();
  Press(240);
  PumpFor(1050);
  Release(120);
  PumpFor(300);
  const int steps = Count(SB_LINEDOWN);
  EXPECT_GE(steps, 5);
  EXPECT_LE(steps, 10);
  EXPECT_EQ(bar.Position(), 11 + steps);
  EXPECT_EQ(Count(SB_THUMBTRACK), 0);
}

TEST_F(BarFixture, LostCaptureStopsTheRepeat) {
  bar.SetRange(100);
  bar.SetPosition(50);
  Press(10);
  PumpFor(400);
  ASSERT_GE(Count(SB_LINEUP), 1);
  ::SetCapture(host.Handle());  // someone else takes the mouse
  ::ReleaseCapture();
  const size_t before = host.vscrolls.size();
  PumpFor(400);
  EXPECT_EQ(host.vscrolls.size(), before);
}

TEST_F(BarFixture, HandCursorOverTheThumbOnly) {
  bar.SetRange(35);
  bar.SetPosition(0);
  const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
  const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
  ::SendMessageW(bar.Handle(), WM_MOUSEMOVE, 0, At(6, 30));
  EXPECT_TRUE(bar.Model().ThumbHot());
  EXPECT_TRUE(::SendMessageW(bar.Handle(), WM_SETCURSOR, WPARAM(bar.Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(::GetCursor(), hand);
  ::SendMessageW(bar.Handle(), WM_MOUSEMOVE, 0, At(6, 120));
  ::SendMessageW(bar.Handle(), WM_SETCURSOR, WPARAM(bar.Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), arrow);
}

TEST_F(BarFixture, HidingPostsOwnerPaintAndShowingDrawsAgain) {
  PumpFor(50);
  bar.SetShown(false);
  EXPECT_FALSE(::IsWindowVisible(bar.Handle()));
  // Posted, not merely an invalid region: the owner repaints the place where the bar was.
  MSG paint;
  EXPECT_TRUE(::PeekMessageW(&paint, host.Handle(), WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_POSTMESSAGE));
  bar.SetShown(false);
  EXPECT_FALSE(::PeekMessageW(&paint, host.Handle(), WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_POSTMESSAGE))
      << "already hidden: nothing to repaint";
  bar.SetShown(true);
  EXPECT_TRUE(::IsWindowVisible(bar.Handle()));
}

}  // namespace
}  // namespace brevix
