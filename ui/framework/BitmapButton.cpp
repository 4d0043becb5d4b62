#include "ui/framework/BitmapButton.h"

namespace brevix::framework {

bool BitmapButton::SubclassDlgItem(HWND dialog, int id) { return AttachOwnerDrawnButton(dialog, id); }

bool BitmapButton::LoadBitmaps(int normal, int pressed, int focused) {
  const HINSTANCE module = ResourceModule();
  normal_.reset(::LoadBitmapW(module, MAKEINTRESOURCEW(normal)));
  pressed_.reset(::LoadBitmapW(module, MAKEINTRESOURCEW(pressed)));
  focused_.reset(focused ? ::LoadBitmapW(module, MAKEINTRESOURCEW(focused)) : nullptr);
  return normal_ && pressed_;
}

void BitmapButton::SizeToContent() {
  BITMAP info{};
  if (!Handle() || !normal_ || !::GetObjectW(normal_.get(), sizeof(info), &info)) return;
  ::SetWindowPos(Handle(), nullptr, 0, 0, info.bmWidth, info.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BitmapButton::DrawItem(const DRAWITEMSTRUCT& item) {
  HBITMAP image = normal_.get();
  if ((item.itemState & ODS_SELECTED) && pressed_)
    image = pressed_.get();
  else if ((item.itemState & ODS_FOCUS) && focused_)
    image = focused_.get();
  if (!image) return;
  BITMAP info{};
  ::GetObjectW(image, sizeof(info), &info);
  MemoryDC source(item.hDC);
  Selection selected(source.get(), image);
  ::BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
}

}  // namespace brevix::framework
