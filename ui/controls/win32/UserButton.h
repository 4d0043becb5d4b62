#pragma once
// The skinned owner-drawn push button: four stretched images, a centred caption, blended onto
// the screen with a constant opacity. Its look lives in UserButtonModel.
#include <windows.h>

#include <string>

#include "ui/controls/UserButtonModel.h"
#include "ui/framework/Gdi.h"
#include "ui/framework/Window.h"

namespace brevix {

class UserButton : public framework::Window {
 public:
  std::wstring caption;
  COLORREF textColor = 0;
  HFONT font = nullptr;  // not owned
  BYTE alpha = 255;

  // Takes over a button of a dialog and makes it owner-drawn.
  bool SubclassDlgItem(HWND dialog, int id);
  // Normal, pressed, highlighted, disabled. Stops at the first image that fails; true when all
  // four are loaded. Does not change the look.
  bool LoadImages(int normal, int pressed, int highlighted, int disabled);
  // The drawn caption, also the window's text (screen readers and test drivers read that).
  void SetCaption(std::wstring text);
  void SetLook(int look);
  void SetDefaultMarker(int marker);

  int Look() const { return model_.Look(); }
  int DefaultMarker() const { return model_.DefaultMarker(); }
  bool Highlighted() const { return model_.Highlighted(); }

 protected:
  void DrawItem(const DRAWITEMSTRUCT& item) override;
  void OnMouseMove(UINT flags, POINT at) override;
  void OnMouseHover(UINT flags, POINT at) override;
  void OnMouseLeave() override;
  LRESULT OnEraseBkgnd(HDC dc) override;

 private:
  void Apply(const ButtonEffects& effects);
  void RepaintNow();

  UserButtonModel model_;
  framework::BitmapHandle images_[4];
  bool redrawingFromErase_ = false;
};

}  // namespace brevix
