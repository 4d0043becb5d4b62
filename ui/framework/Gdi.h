#pragma once
// Owners for the GDI and USER handles the windows use. Each one gives its handle back to the
// system exactly once; none can be copied.
#include <windows.h>

#include <utility>

namespace brevix::framework {

// HBITMAP, HFONT, HBRUSH, HPEN: deleted with DeleteObject.
template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H handle) : h_(handle) {}
  GdiObject(GdiObject&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { reset(); }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(H handle = nullptr) {
    if (h_) ::DeleteObject(h_);
    h_ = handle;
  }

 private:
  H h_ = nullptr;
};

using BitmapHandle = GdiObject<HBITMAP>;
using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;
using PenHandle = GdiObject<HPEN>;

// GetDC / GetWindowDC, released with ReleaseDC.
class WindowDC {
 public:
  enum Area { Client, Whole };
  explicit WindowDC(HWND window, Area area = Client)
      : window_(window), dc_(area == Client ? ::GetDC(window) : ::GetWindowDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatibleWith) : dc_(::CreateCompatibleDC(compatibleWith)) {}
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  ~MemoryDC() {
    if (dc_) ::DeleteDC(dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back. A null object selects nothing.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  HGDIOBJ previous() const { return previous_; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint / EndPaint.
class PaintDC {
 public:
  explicit PaintDC(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  ~PaintDC() { ::EndPaint(window_, &ps_); }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// A cursor this program made (CopyIcon and the like); shared system cursors are never owned.
class CursorHandle {
 public:
  CursorHandle() = default;
  explicit CursorHandle(HCURSOR cursor) : h_(cursor) {}
  CursorHandle(const CursorHandle&) = delete;
  CursorHandle& operator=(const CursorHandle&) = delete;
  ~CursorHandle() { reset(); }
  HCURSOR get() const { return h_; }
  void reset(HCURSOR cursor = nullptr) {
    if (h_) ::DestroyCursor(h_);
    h_ = cursor;
  }

 private:
  HCURSOR h_ = nullptr;
};

}  // namespace brevix::framework
