#pragma once
// The skinned quit confirmation (dialog 137): title, message, Yes and No. Yes asks the owner
// to close; every way out ends with IDCANCEL.
#include <windows.h>

#include <string>

#include "ui/controls/PopupRules.h"
#include "ui/controls/win32/UserButton.h"
#include "ui/framework/Gdi.h"
#include "ui/framework/Window.h"

namespace brevix {

class PopDlg : public framework::Dialog {
 public:
  PopDlg();

  std::wstring messageText, yesText, noText, closeText, titleText;
  HFONT titleFont = nullptr;  // not owned
  HFONT bodyFont = nullptr;   // not owned

  UserButton yesButton, noButton, closeButton;

 protected:
  BOOL OnInitDialog() override;
  bool PreTranslateMessage(MSG& message) override;
  bool OnCommand(int id, int code, HWND control) override;
  LRESULT OnNcHitTest(POINT at) override;
  void OnPaint() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, int kind) override;

 private:
  void Confirm();
  void Finish(PopupEnd end);
  UserButton& ButtonFor(PopupButton which) { return which == PopupButton::Yes ? yesButton : noButton; }

  framework::BitmapHandle background_;
  HWND messageStatic_ = nullptr;
  HWND titleStatic_ = nullptr;
};

}  // namespace brevix
