#include "ui/skin/win32/SkinPaint.h"

#include <string>

#include "ui/framework/Window.h"
#include "ui/skin/win32/SkinPicture.h"

namespace brevix::skin {

using framework::BitmapHandle;
using framework::MemoryDC;
using framework::Selection;
using framework::WindowDC;

BitmapHandle LoadSkinBitmap(int id) {
  const HMODULE module = framework::ResourceModule();
  // A picture stored compressed under the id comes first; the small ones are plain bitmaps.
  if (const HRSRC picture = ::FindResourceW(module, MAKEINTRESOURCEW(id), kPictureResourceType)) {
    const HGLOBAL loaded = ::LoadResource(module, picture);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    return DecodePicture(bytes, bytes ? ::SizeofResource(module, picture) : 0);
  }
  return BitmapHandle(::LoadBitmapW(module, MAKEINTRESOURCEW(id)));
}

SIZE BitmapSize(HBITMAP image) {
  BITMAP info{};
  if (!image || !::GetObjectW(image, sizeof(info), &info)) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

void StretchImage(HDC target, HBITMAP image, const Rect& dest, int srcWidth, int srcHeight) {
  if (!target || !image) return;
  if (srcWidth == 0 || srcHeight == 0) {
    const SIZE size = BitmapSize(image);
    srcWidth = size.cx;
    srcHeight = size.cy;
  }
  MemoryDC source(target);
  Selection selected(source.get(), image);
  ::StretchBlt(target, dest.left, dest.top, dest.Width(), dest.Height(), source.get(), 0, 0, srcWidth, srcHeight,
               SRCCOPY);
}

void MakeTranslucent(HWND window, BYTE alpha) {
  ::SetWindowLongW(window, GWL_EXSTYLE, ::GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
}

void ClipToRoundedRect(HWND window, const RECT& rect) {
  HRGN region = ::CreateRoundRectRgn(rect.left, rect.top, rect.right, rect.bottom, kCornerEllipse, kCornerEllipse);
  if (region && !::SetWindowRgn(window, region, TRUE)) ::DeleteObject(region);  // still ours when refused
}

framework::FontHandle CreateSkinFont(const SkinFontParams& s) {
  const std::wstring face(s.face.begin(), s.face.end());
  return framework::FontHandle(::CreateFontW(s.height, s.width, s.escapement, s.orientation, s.weight, s.italic,
                                             s.underline, s.strikeOut, s.charSet, s.outPrecision, s.clipPrecision,
                                             s.quality, s.pitchAndFamily, face.c_str()));
}

framework::BrushHandle CreatePanelBrush() { return framework::BrushHandle(::CreateSolidBrush(kPanelColour)); }

HBRUSH ApplyControlColour(HDC dc, int kind, HWND control, int textBoxStyle, HBRUSH defaultBrush, HBRUSH panelBrush) {
  const ControlColourRule rule = DecideControlColour(kind == CTLCOLOR_STATIC, ::GetDlgCtrlID(control), textBoxStyle);
  if (rule.whiteText) ::SetTextColor(dc, kTextWhite);
  if (rule.transparent) ::SetBkMode(dc, TRANSPARENT);
  if (rule.panelTextBackground) ::SetBkColor(dc, kPanelColour);
  switch (rule.brush) {
    case CtlBrush::Null:
      return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    case CtlBrush::Panel:
      return panelBrush ? panelBrush : defaultBrush;
    case CtlBrush::Default:
      break;
  }
  return defaultBrush;
}

bool DrawChoiceFrame(HWND dialog, bool visible, const Rect& frame) {
  static FrameEraseColour eraseColour;  // one per process
  WindowDC dc(dialog);
  if (!dc) return true;
  const std::optional<Colour> colour = eraseColour.ColourFor(visible, [&]() -> std::optional<Colour> {
    const COLORREF pixel = ::GetPixel(dc.get(), frame.left, frame.top);
    if (pixel == CLR_INVALID) return std::nullopt;
    return pixel;
  });
  if (!colour) return true;
  framework::PenHandle pen(::CreatePen(PS_SOLID, 1, *colour));
  Selection selected(dc.get(), pen.get());
  for (const auto& [from, to] : ChoiceFrameLines(frame)) {
    ::MoveToEx(dc.get(), from.x, from.y, nullptr);
    ::LineTo(dc.get(), to.x, to.y);
  }
  return true;
}

void FitChoiceFrame(HWND dialog, HWND control, HWND firstChoiceText, HWND secondChoiceText, PageSkinState& state) {
  if (!control) return;
  const int index = control == firstChoiceText ? 0 : control == secondChoiceText ? 1 : -1;
  if (index < 0) return;
  wchar_t text[kChoiceTextBufferChars] = {};
  const int length = ::GetWindowTextW(control, text, kChoiceTextBufferChars);
  SIZE size{};
  {
    WindowDC dc(dialog);
    if (dc) ::GetTextExtentPoint32W(dc.get(), text, length, &size);
  }
  brevix::FitChoiceFrame(state, index, size.cx);
}

PagePaintResult PaintPage(HWND dialog, const PageSkinState& state, const PageArt& art) {
  const PagePaintPlan plan = PlanPagePaint(state, ::IsIconic(dialog));
  RECT client{};
  ::GetClientRect(dialog, &client);
  if (plan.iconOnly) {
    framework::PaintDC paint(dialog);
    ::SendMessageW(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
    const Point at = MinimisedIconPosition(client.right - client.left, client.bottom - client.top,
                                           ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    if (art.icon) ::DrawIcon(paint.get(), at.x, at.y, art.icon);
  } else {
    if (plan.background) {
      {
        WindowDC dc(dialog);
        if (!dc) return PagePaintResult::NoDrawingContext;
        StretchImage(dc.get(), art.background, {0, 0, client.right - client.left, client.bottom - client.top});
      }
      // The buttons blend onto what is under them: they must come right after the page.
      for (HWND button : art.buttons)
        if (button) ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      ::InvalidateRect(dialog, nullptr, FALSE);
    }
    framework::PaintDC paint(dialog);  // validates what the background made invalid
  }
  if (plan.frameIndex >= 0) DrawChoiceFrame(dialog, true, state.choiceFrames[plan.frameIndex]);
  return PagePaintResult::Painted;
}

}  // namespace brevix::skin
