#pragma once
// An owner-drawn button that shows one of three bitmaps: pressed, focused, or normal.
#include <windows.h>

#include "ui/framework/Gdi.h"
#include "ui/framework/Window.h"

namespace brevix::framework {

class BitmapButton : public Window {
 public:
  // Takes over a dialog's button and makes it owner-drawn.
  bool SubclassDlgItem(HWND dialog, int id);
  // Bitmap resources; the focused one may be 0 (the normal one is used). False when the normal
  // or the pressed one cannot be loaded.
  bool LoadBitmaps(int normal, int pressed, int focused);
  // Sizes the button to its normal bitmap, without moving it.
  void SizeToContent();

 protected:
  void DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  BitmapHandle normal_, pressed_, focused_;
};

}  // namespace brevix::framework
