// The quit popup run modally over a host: layout, translucency, and the keyboard decided in its
// own modal loop (keys are posted to the focused control, as the system would queue them).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "ui/controls/win32/PopDlg.h"
#include "ui/skin/SkinRules.h"

namespace brevix {
namespace {

using uitest::HostDialog;

struct Queued {
  UINT message;
  WPARAM wParam;
};

// Runs once inside the popup's modal loop: records the opened state, then queues the input.
struct Script {
  PopDlg* popup = nullptr;
  std::vector<Queued> input;
  // Seen at the first tick.
  RECT window{}, owner{}, yes{}, no{}, title{};
  bool closeVisible = true;
  BYTE alpha = 0;
  bool ownerEnabled = true;
  HWND focus = nullptr;
  HWND noButton = nullptr;
  int noLook = 0, noMarker = 0, yesLook = 0;
  std::wstring titleText, messageText;
  UINT_PTR afterInputTimer = 0;
  bool forcedEnd = false;
};
Script* gScript = nullptr;

std::wstring TextOf(HWND h) {
  wchar_t buffer[256] = {};
  ::GetWindowTextW(h, buffer, 256);
  return buffer;
}

void CALLBACK AfterInput(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  // The input left the popup open: end it so that the test goes on.
  gScript->forcedEnd = true;
  gScript->popup->EndDialog(-7);
}

void CALLBACK FirstTick(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  Script& s = *gScript;
  const HWND p = s.popup->Handle();
  ::GetWindowRect(p, &s.window);
  ::GetWindowRect(::GetParent(p), &s.owner);
  s.yes = uitest::ChildRect(s.popup->yesButton.Handle());
  s.no = uitest::ChildRect(s.popup->noButton.Handle());
  s.title = uitest::ChildRect(::GetDlgItem(p, IDC_POPUP_TITLE));
  s.closeVisible = ::IsWindowVisible(s.popup->closeButton.Handle());
  DWORD flags = 0;
  ::GetLayeredWindowAttributes(p, nullptr, &s.alpha, &flags);
  s.ownerEnabled = ::IsWindowEnabled(::GetParent(p));
  s.focus = ::GetFocus();
  s.noButton = s.popup->noButton.Handle();
  s.noLook = s.popup->noButton.Look();
  s.noMarker = s.popup->noButton.DefaultMarker();
  s.yesLook = s.popup->yesButton.Look();
  s.titleText = TextOf(::GetDlgItem(p, IDC_POPUP_TITLE));
  s.messageText = TextOf(::GetDlgItem(p, IDC_POPUP_MESSAGE));
  for (const Queued& q : s.input) {
    if (q.message == WM_MOUSEMOVE)  // the mouse comes to rest on Yes
      ::SendMessageW(s.popup->yesButton.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    else
      ::PostMessageW(q.message == WM_SYSCOMMAND || q.message == WM_COMMAND ? p : ::GetFocus(), q.message, q.wParam, 0);
  }
  s.afterInputTimer = ::SetTimer(nullptr, 0, 300, AfterInput);
}

struct Outcome {
  INT_PTR result;
  int ownerCloses;
  bool endedByInput;
};

Outcome RunPopup(HostDialog& host, Script& script) {
  PopDlg popup;
  uitest::SetEnglishQuitTexts(popup);
  script.popup = &popup;
  gScript = &script;
  ::SetTimer(nullptr, 0, 100, FirstTick);
  const INT_PTR result = popup.DoModal(host.Handle());
  if (script.afterInputTimer) ::KillTimer(nullptr, script.afterInputTimer);
  gScript = nullptr;
  return {result, host.closeRequests, !script.forcedEnd};
}

TEST(PopDlg, OpensCentredOnOwnerWithNoHighlightedAndFocused) {
  HostDialog host;
  Script s;
  s.input = {{WM_KEYDOWN, VK_ESCAPE}};
  const Outcome o = RunPopup(host, s);
  EXPECT_TRUE(o.endedByInput);
  EXPECT_EQ(o.result, IDCANCEL);
  EXPECT_EQ(s.window.right - s.window.left, kPopupWidth);
  EXPECT_EQ(s.window.bottom - s.window.top, kPopupHeight);
  EXPECT_NEAR((s.window.left + s.window.right) / 2, (s.owner.left + s.owner.right) / 2, 1);
  EXPECT_NEAR((s.window.top + s.window.bottom) / 2, (s.owner.top + s.owner.bottom) / 2, 1);
  EXPECT_EQ(s.yes.left, 100);
  EXPECT_EQ(s.yes.top, 163);
  EXPECT_EQ(s.no.left, 250);
  EXPECT_EQ(s.no.right - s.no.left, 80);
  EXPECT_EQ(s.no.bottom - s.no.top, 35);
  EXPECT_EQ(s.title.top, 40);
  EXPECT_EQ(s.title.right - s.title.left, kPopupWidth);
  EXPECT_FALSE(s.closeVisible);
  EXPECT_EQ(s.alpha, kPopupAlpha);
  EXPECT_FALSE(s.ownerEnabled) << "the owner is disabled while the popup runs";
  EXPECT_TRUE(::IsWindowEnabled(host.Handle())) << "and enabled again after";
  EXPECT_EQ(s.noLook, kLookHighlighted);
  EXPECT_EQ(s.noMarker, 2);
  EXPECT_EQ(s.yesLook, kLookNormal);
  EXPECT_EQ(s.focus, s.noButton);
  EXPECT_EQ(s.titleText, L"Quit");
  EXPECT_EQ(s.messageText, L"Do you want to quit?");
}

TEST(PopDlg, KeyboardOutcomes) {
  struct Case {
    const char* name;
    std::vector<Queued> input;
    bool ends;
    int ownerCloses;
  } cases[] = {
      {"Enter at once answers No", {{WM_KEYDOWN, VK_RETURN}}, true, 0},
      {"Space at once answers No", {{WM_KEYDOWN, VK_SPACE}}, true, 0},
      {"Left then Enter confirms", {{WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_RETURN}}, true, 1},
      {"Left then Space confirms", {{WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_SPACE}}, true, 1},
      {"Right then Enter cancels", {{WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_RIGHT}, {WM_KEYDOWN, VK_RETURN}}, true, 0},
      {"Tab moves to Yes", {{WM_KEYDOWN, VK_TAB}, {WM_KEYDOWN, VK_RETURN}}, true, 1},
      {"Tab twice is back on No", {{WM_KEYDOWN, VK_TAB}, {WM_KEYDOWN, VK_TAB}, {WM_KEYDOWN, VK_RETURN}}, true, 0},
      {"Escape cancels", {{WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_ESCAPE}}, true, 0},
      {"other keys do nothing", {{WM_KEYDOWN, 'A'}, {WM_KEYDOWN, VK_F4}, {WM_KEYDOWN, VK_DOWN}}, false, 0},
      {"Alt and Alt+Space do nothing", {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, VK_SPACE}}, false, 0},
      {"posted close cancels", {{WM_SYSCOMMAND, SC_CLOSE}}, true, 0},
      {"mouse on Yes, No still the default", {{WM_MOUSEMOVE, 0}, {WM_KEYDOWN, VK_RETURN}}, true, 0},
      {"mouse on Yes, then Left", {{WM_MOUSEMOVE, 0}, {WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_RETURN}}, true, 1},
  };
  for (const auto& c : cases) {
    HostDialog host;
    Script s;
    s.input = c.input;
    const Outcome o = RunPopup(host, s);
    EXPECT_EQ(o.endedByInput, c.ends) << c.name;
    EXPECT_EQ(o.ownerCloses, c.ownerCloses) << c.name;
    if (c.ends) {
      EXPECT_EQ(o.result, IDCANCEL) << c.name;
    }
  }
}

TEST(PopDlg, ButtonsEndWithCancelAndOnlyYesClosesTheOwner) {
  for (const auto& [id, closes] : {std::pair{IDC_POPUP_YES, 1}, std::pair{IDC_POPUP_NO, 0}}) {
    HostDialog host;
    Script s;
    // A click reaches the popup as the button's command.
    s.input = {{WM_COMMAND, WPARAM(MAKEWPARAM(id, BN_CLICKED))}};
    const Outcome o = RunPopup(host, s);
    EXPECT_TRUE(o.endedByInput) << id;
    EXPECT_EQ(o.result, IDCANCEL) << id;
    EXPECT_EQ(o.ownerCloses, closes) << id;
  }
}

}  // namespace
}  // namespace brevix
