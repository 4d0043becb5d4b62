#include "ui/skin/win32/MemDC.h"

namespace brevix {

MemDC::MemDC(HDC target, const RECT& bounds)
    : targetDC_(target),
      bounds_(bounds),
      dc_(target),
      offscreenBitmap_(target ? ::CreateCompatibleBitmap(target, bounds.right - bounds.left, bounds.bottom - bounds.top)
                              : nullptr),
      previousBitmap_(dc_.get(), offscreenBitmap_.get()) {
  // The bitmap's first pixel stands for the bounds' top-left corner, so drawing coordinates are
  // the target's even when the bounds do not start at (0, 0).
  if (Valid()) ::SetWindowOrgEx(dc_.get(), bounds.left, bounds.top, nullptr);
}

MemDC::~MemDC() {
  if (!Valid()) return;
  ::BitBlt(targetDC_, bounds_.left, bounds_.top, bounds_.right - bounds_.left, bounds_.bottom - bounds_.top, dc_.get(),
           bounds_.left, bounds_.top, SRCCOPY);
}

}  // namespace brevix
