// A skinned page from the wizard's template that shows the skin's controls for tests driven
// with real input (xdotool) and for screenshots.
//   ui_host <events-file> <scene> [range position]
// Scenes: "scroll" (the bar at the given range and position), "looks" (the four button looks),
// "popup" (the quit popup over the page). One event per line in the events file:
//   ready host=L,T bar=L,T   vscroll CODE POSITION   click ID
//   popup-open   popup-looks yes=LOOK,MARKER no=LOOK,MARKER   popup-result R   owner-close
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "UiTestSupport.h"
#include "ui/ResourceIds.h"
#include "ui/controls/win32/PopDlg.h"
#include "ui/controls/win32/UserButton.h"
#include "ui/controls/win32/XScrollBar.h"
#include "ui/framework/Window.h"
#include "ui/skin/SkinRules.h"
#include "ui/skin/win32/SkinPaint.h"

namespace brevix {
namespace {

FILE* gEvents = nullptr;

void Event(const char* format, ...) {
  if (!gEvents) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(gEvents, format, args);
  va_end(args);
  std::fputc('\n', gEvents);
  std::fflush(gEvents);
}

constexpr UINT kReady = WM_APP + 1;
constexpr UINT kOpenPopup = WM_APP + 2;
constexpr int kExtraLookIds[2] = {3001, 3002};

PopDlg* gPopup = nullptr;

void CALLBACK PopupOpened(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  if (!gPopup || !gPopup->Handle()) return;
  // A title, so that xdotool can find the popup's window.
  ::SetWindowTextW(gPopup->Handle(), L"Brevix UI popup");
  Event("popup-open");
}

class HostPage : public framework::Dialog {
 public:
  HostPage(std::string scene, int range, int position)
      : Dialog(IDD_WIZARD), scene_(std::move(scene)), range_(range), position_(position) {}

 protected:
  BOOL OnInitDialog() override {
    const HWND self = Handle();
    ::SetWindowTextW(self, L"Brevix UI host");
    ::SetWindowPos(self, nullptr, 0, 0, kWizardWidth, kWizardHeight, SWP_NOMOVE | SWP_NOZORDER);
    skin::MakeTranslucent(self, kWizardAlpha);
    RECT client{};
    ::GetClientRect(self, &client);
    skin::ClipToRoundedRect(self, client);

    titleFont_ = skin::CreateSkinFont(kTitleFontParams);
    bodyFont_ = skin::CreateSkinFont(kBodyFontParams);
    page_ = skin::LoadSkinBitmap(IDB_PAGE_BACKGROUND);
    panel_ = skin::CreatePanelBrush();
    state_.pageBackground = IDB_PAGE_BACKGROUND;
    state_.textBoxStyle = kTextBoxPanel;

    Place(IDC_TITLE, 100, 20, 550, 50, titleFont_.get(), L"Varnek\u00AE Brevix Firmware Upgrade Tool");
    Place(IDC_HEADING, 85, 80, 648, 30, titleFont_.get(), L"Skin controls");
    Place(IDC_SUBTITLE, 85, 112, 563, 50, bodyFont_.get(), std::wstring(L"Scene: ") + Wide(scene_));
    // The intro text and the title-bar buttons are the wizard's; this page does without them.
    for (int id : {IDC_INTRO_TEXT, IDC_MINIMISE_BUTTON, IDC_CLOSE_BUTTON}) ::ShowWindow(::GetDlgItem(self, id), SW_HIDE);
    std::wstring log;
    for (int i = 1; i <= range_ + 14; ++i) log += L"Log line " + std::to_wstring(i) + L"\r\n";
    Place(IDC_LOG, 85, 176, 573, 230, bodyFont_.get(), log);

    ::MoveWindow(::GetDlgItem(self, IDC_NEXT_BUTTON), 425, 464, 128, 49, FALSE);
    ::MoveWindow(::GetDlgItem(self, IDC_CANCEL_BUTTON), 582, 464, 128, 49, FALSE);
    SkinButton(next_, IDC_NEXT_BUTTON, L"Next");
    SkinButton(cancel_, IDC_CANCEL_BUTTON, L"Cancel");
    next_.SetLook(kLookNormal);
    cancel_.SetLook(kLookNormal);
    cancel_.SetDefaultMarker(kDefaultMarker);

    if (scene_ == "looks") {
      const wchar_t* names[2] = {L"Normal", L"Pressed"};
      for (int i = 0; i < 2; ++i) {
        ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, 115 + 155 * i, 464, 128, 49, self,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kExtraLookIds[i])), nullptr, nullptr);
        SkinButton(extra_[i], kExtraLookIds[i], names[i]);
      }
      extra_[0].SetLook(kLookNormal);
      extra_[1].SetLook(kLookPressed);
      next_.caption = L"Highlighted";
      next_.SetLook(kLookHighlighted);
      cancel_.caption = L"Disabled";
      cancel_.SetLook(kLookDisabled);
    }

    ::MoveWindow(::GetDlgItem(self, IDC_SCROLL_PLACE), 660, 170, 12, 250, TRUE);
    if (bar_.CreateOverPlaceholder(self)) {
      bar_.SetRange(range_);
      bar_.SetPosition(position_);
      bar_.SetShown(true);
    }
    ::PostMessageW(self, kReady, 0, 0);
    if (scene_ == "popup") ::PostMessageW(self, kOpenPopup, 0, 0);
    return TRUE;
  }

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kReady) {
      RECT host{}, bar{};
      ::GetWindowRect(Handle(), &host);
      ::GetWindowRect(bar_.Handle(), &bar);
      Event("ready host=%ld,%ld bar=%ld,%ld", host.left, host.top, bar.left, bar.top);
      return 0;
    }
    if (message == kOpenPopup) {
      RunPopup();
      return 0;
    }
    return Dialog::OnMessage(message, wParam, lParam);
  }

  void OnPaint() override {
    skin::PageArt art;
    art.background = page_.get();
    art.buttons[0] = next_.Handle();
    art.buttons[1] = cancel_.Handle();
    skin::PaintPage(Handle(), state_, art);
    for (UserButton& b : extra_)
      if (b.Handle()) ::RedrawWindow(b.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  void OnNcPaint() override { ::PostMessageW(Handle(), WM_PAINT, 0, 0); }
  LRESULT OnEraseBkgnd(HDC) override { return TRUE; }
  HBRUSH OnCtlColor(HDC dc, HWND control, int kind) override {
    const HBRUSH fallback = reinterpret_cast<HBRUSH>(Default());
    return skin::ApplyControlColour(dc, kind, control, state_.textBoxStyle, fallback, panel_.get());
  }

  void OnVScroll(int code, int, HWND bar) override {
    if (bar != bar_.Handle()) return;
    const HWND log = ::GetDlgItem(Handle(), IDC_LOG);
    const int first = int(::SendMessageW(log, EM_GETFIRSTVISIBLELINE, 0, 0));
    ::SendMessageW(log, EM_LINESCROLL, 0, bar_.Position() - first);
    Event("vscroll %d %d", code, bar_.Position());
  }

  bool OnCommand(int id, int code, HWND) override {
    if (code != BN_CLICKED || (id != IDC_NEXT_BUTTON && id != IDC_CANCEL_BUTTON)) return false;
    Event("click %d", id);
    return true;
  }

  void OnClose() override {
    Event("owner-close");
    Default();  // the dialog manager turns it into the cancel command
  }

 private:
  static std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

  void Place(int id, int x, int y, int w, int h, HFONT font, const std::wstring& text) {
    const HWND control = ::GetDlgItem(Handle(), id);
    ::MoveWindow(control, x, y, w, h, FALSE);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SetWindowTextW(control, text.c_str());
  }

  void SkinButton(UserButton& button, int id, const wchar_t* caption) {
    button.SubclassDlgItem(Handle(), id);
    button.LoadImages(IDB_WIZARD_BUTTON_NORMAL, IDB_WIZARD_BUTTON_PRESSED, IDB_WIZARD_BUTTON_HIGHLIGHTED,
                      IDB_WIZARD_BUTTON_DISABLED);
    button.font = bodyFont_.get();
    button.textColor = kTextWhite;
    button.alpha = kWizardAlpha;
    button.caption = caption;
  }

  void RunPopup() {
    PopDlg popup;
    uitest::SetEnglishQuitTexts(popup);
    popup.titleFont = titleFont_.get();
    popup.bodyFont = bodyFont_.get();
    gPopup = &popup;
    ::SetTimer(nullptr, 0, 150, PopupOpened);
    const INT_PTR result = popup.DoModal();
    gPopup = nullptr;
    // How the two buttons stood when the popup ended: look and default marker of each.
    Event("popup-looks yes=%d,%d no=%d,%d", popup.yesButton.Look(), popup.yesButton.DefaultMarker(),
          popup.noButton.Look(), popup.noButton.DefaultMarker());
    Event("popup-result %d", int(result));
  }

  std::string scene_;
  int range_, position_;
  PageSkinState state_;
  framework::FontHandle titleFont_, bodyFont_;
  framework::BitmapHandle page_;
  framework::BrushHandle panel_;
  UserButton next_, cancel_, extra_[2];
  CXScrollBar bar_;
};

// Runs the scene's page; its result goes to the events file.
int RunHost(const std::string& scene, int range, int position) {
  if (!uitest::RegisterWizardClass()) return 0;
  HostPage page(scene, range, position);
  Event("host-result %d", int(page.DoModal()));
  return 0;
}

}  // namespace
}  // namespace brevix

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ui_host <events-file> <scroll|looks|popup> [range position]\n");
    return 2;
  }
  brevix::gEvents = std::fopen(argv[1], "ab");
  const int range = argc > 3 ? std::atoi(argv[3]) : 35;
  const int position = argc > 4 ? std::atoi(argv[4]) : 0;
  try {
    return brevix::RunHost(argv[2], range, position);
  } catch (...) {
    return 1;
  }
}
