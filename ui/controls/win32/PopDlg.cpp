#include "ui/controls/win32/PopDlg.h"

#include "ui/ResourceIds.h"
#include "ui/skin/SkinRules.h"
#include "ui/skin/win32/SkinPaint.h"

namespace brevix {

PopDlg::PopDlg() : Dialog(IDD_POPUP) {}

BOOL PopDlg::OnInitDialog() {
  const HWND self = Handle();
  yesButton.SubclassDlgItem(self, IDC_POPUP_YES);
  noButton.SubclassDlgItem(self, IDC_POPUP_NO);
  closeButton.SubclassDlgItem(self, IDC_POPUP_CLOSE);
  messageStatic_ = ::GetDlgItem(self, IDC_POPUP_MESSAGE);
  titleStatic_ = ::GetDlgItem(self, IDC_POPUP_TITLE);

  ::SetWindowPos(self, nullptr, 0, 0, kPopupWidth, kPopupHeight, SWP_NOMOVE | SWP_NOZORDER);
  background_ = skin::LoadSkinBitmap(IDB_POPUP_BACKGROUND);

  // A yes/no question: the Close button stays hidden.
  ::ShowWindow(closeButton.Handle(), SW_HIDE);
  for (auto [button, r] : {std::pair{&yesButton, kPopupYesRect}, std::pair{&noButton, kPopupNoRect}}) {
    ::MoveWindow(button->Handle(), r.left, r.top, r.Width(), r.Height(), TRUE);
    ::ShowWindow(button->Handle(), SW_SHOW);
  }
  ::SetWindowTextW(messageStatic_, messageText.c_str());

  skin::MakeTranslucent(self, kPopupAlpha);
  RECT window{};
  ::GetWindowRect(self, &window);
  skin::ClipToRoundedRect(self, {0, 0, window.right - window.left, window.bottom - window.top});

  if (bodyFont) ::SendMessageW(messageStatic_, WM_SETFONT, reinterpret_cast<WPARAM>(bodyFont), TRUE);
  if (titleFont) ::SendMessageW(titleStatic_, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), TRUE);
  ::SetWindowTextW(titleStatic_, titleText.c_str());
  ::SetWindowTextW(self, titleText.c_str());  // no caption is drawn; screen readers and task lists use it

  RECT client{};
  ::GetClientRect(self, &client);
  const int width = client.right - client.left;
  ::MoveWindow(titleStatic_, client.left, kPopupTitleTop, width, kPopupTextHeight, TRUE);
  ::MoveWindow(messageStatic_, client.left, kPopupMessageTop, width, kPopupTextHeight, TRUE);

  for (UserButton* button : {&yesButton, &noButton}) {
    button->LoadImages(IDB_POPUP_BUTTON_NORMAL, IDB_POPUP_BUTTON_PRESSED, IDB_POPUP_BUTTON_HIGHLIGHTED,
                       IDB_POPUP_BUTTON_NORMAL);
    button->font = bodyFont;
    button->textColor = kTextWhite;
    button->alpha = kPopupAlpha;
  }
  yesButton.SetLook(kLookNormal);
  yesButton.caption = yesText;
  noButton.SetLook(kLookHighlighted);  // it takes the focus
  noButton.SetDefaultMarker(kDefaultMarker);
  noButton.caption = noText;
  closeButton.caption = closeText;
  return TRUE;
}

bool PopDlg::PreTranslateMessage(MSG& message) {
  PopupMessage kind = PopupMessage::Other;
  switch (message.message) {
    case WM_KEYDOWN:
      kind = PopupMessage::KeyDown;
      break;
    case WM_SYSKEYDOWN:
      kind = PopupMessage::SysKeyDown;
      break;
    case WM_SYSCOMMAND:
      kind = PopupMessage::SysCommand;
      break;
    default:
      return false;
  }
  const PopupDecision decision =
      DecidePopupMessage(kind, std::uint32_t(message.wParam), {yesButton.Look(), yesButton.DefaultMarker()},
                         {noButton.Look(), noButton.DefaultMarker()});
  for (const MarkerChange& change : decision.markers) ButtonFor(change.button).SetDefaultMarker(change.marker);
  Finish(decision.end);
  return decision.swallow;
}

void PopDlg::Finish(PopupEnd end) {
  if (end == PopupEnd::Confirm) Confirm();
  if (end == PopupEnd::Cancel) EndDialog(IDCANCEL);
}

void PopDlg::Confirm() {
  // The owner decides what closing means; it has handled the request when this returns.
  if (const HWND owner = ::GetParent(Handle())) ::SendMessageW(owner, WM_CLOSE, 0, 0);
  EndDialog(IDCANCEL);
}

bool PopDlg::OnCommand(int id, int, HWND) {
  switch (id) {
    case IDC_POPUP_YES:
      Confirm();
      return true;
    case IDC_POPUP_NO:
    case IDC_POPUP_CLOSE:
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

LRESULT PopDlg::OnNcHitTest(POINT) {
  // Dragged by any free spot of its background.
  const LRESULT hit = Default();
  return hit == HTCLIENT ? HTCAPTION : hit;
}

void PopDlg::OnPaint() {
  framework::PaintDC paint(Handle());
  RECT client{};
  ::GetClientRect(Handle(), &client);
  {
    framework::WindowDC dc(Handle());
    if (dc) skin::StretchImage(dc.get(), background_.get(), {0, 0, client.right, client.bottom});
  }
  for (HWND control : {messageStatic_, noButton.Handle(), yesButton.Handle(), closeButton.Handle(), titleStatic_})
    if (control) ::InvalidateRect(control, nullptr, TRUE);
}

HBRUSH PopDlg::OnCtlColor(HDC dc, HWND control, int kind) {
  const HBRUSH defaultBrush = reinterpret_cast<HBRUSH>(Default());
  return skin::ApplyControlColour(dc, kind, control, kTextBoxSystem, defaultBrush, nullptr);
}

}  // namespace brevix
