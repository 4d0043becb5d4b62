// The window framework on the real window manager: binding, routing, exceptions kept inside,
// modal loops with their hooks, owner handling and centring.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "UiTestSupport.h"
#include "ui/framework/BitmapButton.h"
#include "ui/framework/Window.h"

namespace brevix {
namespace {

using framework::Dialog;
using framework::Window;
using uitest::PumpFor;

class Counting : public Window {
 public:
  int timers = 0;
  bool throwOnTimer = false;

 protected:
  void OnTimer(UINT_PTR) override {
    ++timers;
    if (throwOnTimer) throw std::runtime_error("handler failed");
  }
};

HWND MakeStatic() {
  return ::CreateWindowExW(0, L"STATIC", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

TEST(Framework, BindsOnceAndLetsGoWhenEitherSideEnds) {
  const HWND w = MakeStatic();
  {
    Counting a, b;
    ASSERT_TRUE(a.Attach(w));
    EXPECT_EQ(Window::FromHandle(w), &a);
    EXPECT_FALSE(b.Attach(w)) << "one object per window";
    EXPECT_FALSE(a.Attach(MakeStatic())) << "one window per object";
  }
  // The object went first: the window lives on without it.
  EXPECT_EQ(Window::FromHandle(w), nullptr);
  ::SendMessageW(w, WM_TIMER, 1, 0);

  Counting c;
  ASSERT_TRUE(c.Attach(w));
  ::DestroyWindow(w);
  EXPECT_EQ(c.Handle(), nullptr) << "the window went first";
}

TEST(Framework, ExceptionsStayInsideTheWindowProcedure) {
  const HWND w = MakeStatic();
  Counting c;
  ASSERT_TRUE(c.Attach(w));
  c.throwOnTimer = true;
  ::SendMessageW(w, WM_TIMER, 1, 0);
  c.throwOnTimer = false;
  ::SendMessageW(w, WM_TIMER, 1, 0);
  EXPECT_EQ(c.timers, 2);
  ::DestroyWindow(w);
}

class TestDialog : public Dialog {
 public:
  TestDialog() : Dialog(IDD_POPUP) {}
  explicit TestDialog(int id) : Dialog(id) {}
  std::function<BOOL(TestDialog&)> init;
  std::function<bool(MSG&)> hook;
  std::function<void(TestDialog&)> idle;

 protected:
  BOOL OnInitDialog() override { return init ? init(*this) : TRUE; }
  bool PreTranslateMessage(MSG& m) override { return hook ? hook(m) : false; }
  void OnFirstIdle() override {
    if (idle) idle(*this);
  }
};

TEST(Framework, MissingTemplateGivesMinusOne) {
  TestDialog d(4242);
  EXPECT_EQ(d.DoModal(nullptr), -1);
}

TEST(Framework, EndDialogDuringInitialisationReturnsAtOnce) {
  TestDialog d;
  int hooked = 0;
  d.init = [&](TestDialog& self) {
    self.EndDialog(33);
    return TRUE;
  };
  d.hook = [&](MSG&) {
    ++hooked;
    return false;
  };
  EXPECT_EQ(d.DoModal(nullptr), 33);
  EXPECT_EQ(hooked, 0) << "no loop ran";
  EXPECT_EQ(d.Handle(), nullptr) << "the window is gone when DoModal returns";
}

TEST(Framework, CentresUnlessInitialisationMovedIt) {
  uitest::HostDialog owner;
  RECT seen{}, ownerRect{};
  ::GetWindowRect(owner.Handle(), &ownerRect);
  for (bool moves : {false, true}) {
    TestDialog d;
    d.init = [&](TestDialog& self) {
      if (moves) ::SetWindowPos(self.Handle(), nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      ::PostMessageW(self.Handle(), WM_APP, 0, 0);
      return TRUE;
    };
    d.hook = [&](MSG& m) {
      if (m.message != WM_APP) return false;
      ::GetWindowRect(d.Handle(), &seen);
      d.EndDialog(IDOK);
      return true;
    };
    EXPECT_EQ(d.DoModal(owner.Handle()), IDOK);
    if (moves) {
      EXPECT_EQ(seen.left, 7);
      EXPECT_EQ(seen.top, 9);
    } else {
      EXPECT_NEAR(seen.left + seen.right, ownerRect.left + ownerRect.right, 1);
      EXPECT_NEAR(seen.top + seen.bottom, ownerRect.top + ownerRect.bottom, 1);
    }
  }
}

TEST(Framework, HookSeesQueuedMessagesBeforeDispatchAndOuterDialogsSeeWhatInnerOnesPass) {
  TestDialog outer, inner;
  std::vector<UINT> outerSaw, innerSaw;
  outer.init = [&](TestDialog& self) {
    ::PostMessageW(self.Handle(), WM_APP + 1, 0, 0);
    return TRUE;
  };
  outer.hook = [&](MSG& m) {
    if (m.message < WM_APP) return false;
    outerSaw.push_back(m.message);
    if (m.message == WM_APP + 1) {
      inner.DoModal(outer.Handle());
      outer.EndDialog(IDOK);
    }
    return true;
  };
  inner.init = [&](TestDialog& self) {
    ::PostMessageW(self.Handle(), WM_APP + 2, 0, 0);  // inner takes it
    ::PostMessageW(self.Handle(), WM_APP + 3, 0, 0);  // inner passes it on
    ::PostMessageW(self.Handle(), WM_APP + 4, 0, 0);
    return TRUE;
  };
  inner.hook = [&](MSG& m) {
    if (m.message < WM_APP) return false;
    innerSaw.push_back(m.message);
    if (m.message == WM_APP + 4) inner.EndDialog(IDCANCEL);
    return m.message != WM_APP + 3;
  };
  EXPECT_EQ(outer.DoModal(nullptr), IDOK);
  EXPECT_EQ(innerSaw, (std::vector<UINT>{WM_APP + 2, WM_APP + 3, WM_APP + 4}));
  EXPECT_EQ(outerSaw, (std::vector<UINT>{WM_APP + 1, WM_APP + 3}));
}

// Work put off to the first idle moment runs once, after what was posted and after the window
// and its controls have painted; later idle moments do not call it again.
TEST(Framework, FirstIdleComesOnceAfterPostedWorkAndPainting) {
  constexpr UINT kPosted = WM_APP + 7, kAfterIdle = WM_APP + 8;
  constexpr UINT_PTR kEndTimer = 9;
  TestDialog d;
  bool postedSeen = false;
  int idles = 0;
  bool paintedAtIdle = false;
  d.init = [&](TestDialog& self) {
    ::PostMessageW(self.Handle(), kPosted, 0, 0);
    return TRUE;
  };
  d.hook = [&](MSG& m) {
    if (m.message == kPosted) postedSeen = true;
    // A quiet spell (the loop waits for the timer) in which a second call would come.
    if (m.message == kAfterIdle) ::SetTimer(d.Handle(), kEndTimer, 100, nullptr);
    if (m.message == WM_TIMER && m.wParam == kEndTimer) d.EndDialog(IDOK);
    return false;
  };
  d.idle = [&](TestDialog& self) {
    ++idles;
    paintedAtIdle = postedSeen && ::IsWindowVisible(self.Handle()) && !::GetUpdateRect(self.Handle(), nullptr, FALSE);
    for (HWND child = ::GetWindow(self.Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
      paintedAtIdle = paintedAtIdle && !::GetUpdateRect(child, nullptr, FALSE);
    ::PostMessageW(self.Handle(), kAfterIdle, 0, 0);
  };
  EXPECT_EQ(d.DoModal(nullptr), IDOK);
  EXPECT_EQ(idles, 1);
  EXPECT_TRUE(paintedAtIdle) << "the first idle came before the posted message or the painting";
}

TEST(Framework, QuitEndsTheModalLoopAndStaysQueued) {
  TestDialog d;
  d.init = [&](TestDialog&) {
    ::PostQuitMessage(5);
    return TRUE;
  };
  EXPECT_EQ(d.DoModal(nullptr), IDCANCEL);
  MSG m;
  ASSERT_TRUE(::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 5u);
}

TEST(Framework, DefaultDialogCommandsAndCloseEndTheDialog) {
  struct Case {
    UINT message;
    WPARAM wParam;
    INT_PTR result;
  } cases[] = {
      {WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), IDOK},
      {WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), IDCANCEL},
      // No close handler of its own: the dialog manager turns the request into the cancel command.
      {WM_CLOSE, 0, IDCANCEL},
  };
  for (const auto& c : cases) {
    TestDialog d;
    d.init = [&](TestDialog& self) {
      ::PostMessageW(self.Handle(), c.message, c.wParam, 0);
      return TRUE;
    };
    EXPECT_EQ(d.DoModal(nullptr), c.result) << c.message;
  }
}

TEST(Framework, BitmapButtonShowsNormalFocusedAndPressedBitmaps) {
  uitest::HostDialog host;
  framework::BitmapButton button;
  ASSERT_TRUE(button.SubclassDlgItem(host.Handle(), IDC_MINIMISE_BUTTON));
  ASSERT_TRUE(button.LoadBitmaps(IDB_MINIMISE_NORMAL, IDB_MINIMISE_PRESSED, IDB_MINIMISE_FOCUSED));
  button.SizeToContent();
  RECT r{};
  ::GetClientRect(button.Handle(), &r);
  EXPECT_EQ(r.right, 31);
  EXPECT_EQ(r.bottom, 29);

  // A pixel where all three bitmaps differ.
  int px = -1, py = -1;
  for (int y = 0; y < 29 && px < 0; ++y)
    for (int x = 0; x < 31 && px < 0; ++x) {
      const COLORREF n = uitest::PixelOfBitmap(IDB_MINIMISE_NORMAL, x, y);
      const COLORREF p = uitest::PixelOfBitmap(IDB_MINIMISE_PRESSED, x, y);
      const COLORREF f = uitest::PixelOfBitmap(IDB_MINIMISE_FOCUSED, x, y);
      if (n != p && n != f && p != f) px = x, py = y;
    }
  ASSERT_GE(px, 0);
  auto shown = [&] {
    ::RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return uitest::PixelOfWindow(button.Handle(), px, py);
  };
  ::SetFocus(host.Item(IDC_TITLE));
  EXPECT_EQ(shown(), uitest::PixelOfBitmap(IDB_MINIMISE_NORMAL, px, py));
  ::SetFocus(button.Handle());
  EXPECT_EQ(shown(), uitest::PixelOfBitmap(IDB_MINIMISE_FOCUSED, px, py));
  ::SendMessageW(button.Handle(), BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(shown(), uitest::PixelOfBitmap(IDB_MINIMISE_PRESSED, px, py));
}

}  // namespace
}  // namespace brevix
