#include "ui/controls/win32/UserButton.h"

#include <utility>

#include "ui/skin/win32/SkinPaint.h"

namespace brevix {

using framework::MemoryDC;
using framework::Selection;

bool UserButton::SubclassDlgItem(HWND dialog, int id) { return AttachOwnerDrawnButton(dialog, id); }

bool UserButton::LoadImages(int normal, int pressed, int highlighted, int disabled) {
  const int ids[4] = {normal, pressed, highlighted, disabled};
  model_.SetImagesLoaded(false);
  for (int i = 0; i < 4; ++i) {
    framework::BitmapHandle image = skin::LoadSkinBitmap(ids[i]);
    if (!image) return false;
    images_[i] = std::move(image);
  }
  model_.SetImagesLoaded(true);
  return true;
}

void UserButton::SetCaption(std::wstring text) {
  caption = std::move(text);
  if (Handle()) {
    ::SetWindowTextW(Handle(), caption.c_str());
    ::InvalidateRect(Handle(), nullptr, FALSE);
  }
}

void UserButton::SetLook(int look) { Apply(model_.SetLook(look)); }

void UserButton::SetDefaultMarker(int marker) { Apply(model_.SetDefaultMarker(marker)); }

void UserButton::RepaintNow() {
  if (Handle()) ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void UserButton::Apply(const ButtonEffects& effects) {
  if (!Handle()) return;
  if (effects.takeFocus) ::SetFocus(Handle());
  if (effects.repaint) RepaintNow();
  if (effects.trackMouse) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = Handle();
    track.dwHoverTime = 0;
    ::TrackMouseEvent(&track);
  }
}

void UserButton::DrawItem(const DRAWITEMSTRUCT& item) {
  const ButtonDrawPlan plan = model_.Draw((item.itemState & ODS_SELECTED) != 0, textColor);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int w = client.right, h = client.bottom;
  framework::WindowDC window(Handle(), framework::WindowDC::Whole);
  if (!window) return;
  const HBITMAP image = plan.image ? images_[*plan.image].get() : nullptr;
  if (image) {
    MemoryDC picture(window.get());
    framework::BitmapHandle surface(::CreateCompatibleBitmap(window.get(), w, h));
    if (!picture || !surface) return;
    Selection onSurface(picture.get(), surface.get());
    skin::StretchImage(picture.get(), image, {0, 0, w, h});
    Selection withFont(picture.get(), font);
    ::SetTextColor(picture.get(), plan.captionColour);
    ::SetBkMode(picture.get(), TRANSPARENT);
    RECT text{0, 0, w, h};
    ::DrawTextW(picture.get(), caption.c_str(), int(caption.size()), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
    ::AlphaBlend(window.get(), 0, 0, w, h, picture.get(), 0, 0, w, h, blend);
  } else {
    Selection withFont(window.get(), font);
    ::SetTextColor(window.get(), plan.captionColour);
    ::SetBkMode(window.get(), TRANSPARENT);
    RECT text{0, 0, w, h};
    ::DrawTextW(window.get(), caption.c_str(), int(caption.size()), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

void UserButton::OnMouseMove(UINT, POINT) {
  Apply(model_.MouseMove());
  Default();
}

void UserButton::OnMouseHover(UINT, POINT) {
  Apply(model_.MouseHover());
  Default();
}

void UserButton::OnMouseLeave() {
  Apply(model_.MouseLeave());
  Default();
}

LRESULT UserButton::OnEraseBkgnd(HDC) {
  // The whole button is drawn anew instead of erased. The redraw erases again, so it must not
  // start another redraw from inside itself.
  if (!redrawingFromErase_) {
    redrawingFromErase_ = true;
    RepaintNow();
    redrawingFromErase_ = false;
  }
  return TRUE;
}

}  // namespace brevix
