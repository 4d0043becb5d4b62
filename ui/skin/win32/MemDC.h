#pragma once
// An off-screen picture over part of a target DC: draw into it with the target's coordinates,
// and the whole picture reaches the target in one copy when it is destroyed.
#include <windows.h>

#include "ui/framework/Gdi.h"

namespace brevix {

class MemDC {
 public:
  MemDC(HDC target, const RECT& bounds);
  MemDC(const MemDC&) = delete;
  MemDC& operator=(const MemDC&) = delete;
  ~MemDC();

  HDC get() const { return dc_.get(); }
  // False when the memory DC or its bitmap could not be made; nothing is copied then.
  bool Valid() const { return dc_ && offscreenBitmap_; }

 private:
  HDC targetDC_;
  RECT bounds_;
  framework::MemoryDC dc_;
  framework::BitmapHandle offscreenBitmap_;
  framework::Selection previousBitmap_;  // put back before the bitmap and the DC are deleted
};

}  // namespace brevix
