#pragma once
// Skin painting on Win32: images, translucency and shape, fonts, control colours, the wizard's
// page painter and the restart-choice frames. Decisions come from ui/skin/SkinRules.h.
#include <windows.h>

#include "ui/framework/Gdi.h"
#include "ui/skin/SkinRules.h"

namespace brevix::skin {

// The skin image of that id: decoded from its PNG resource when it has one (SkinPicture.h),
// else the BITMAP resource. A null handle when neither loads.
framework::BitmapHandle LoadSkinBitmap(int id);
SIZE BitmapSize(HBITMAP image);
// Stretches the image's top-left srcWidth x srcHeight pixels (the whole image when 0) onto
// `dest` of the target, SRCCOPY.
void StretchImage(HDC target, HBITMAP image, const Rect& dest, int srcWidth = 0, int srcHeight = 0);

// Layered with a constant alpha, no colour key.
void MakeTranslucent(HWND window, BYTE alpha);
// The window region becomes `rect` with 5 x 5 corner ellipses; the system owns it afterwards.
void ClipToRoundedRect(HWND window, const RECT& rect);

// A null handle when the font cannot be made.
framework::FontHandle CreateSkinFont(const SkinFontParams& params);
inline framework::FontHandle CreateSkinFont(int height, int weight) {
  return CreateSkinFont(MakeSkinFontParams(height, weight));
}

framework::BrushHandle CreatePanelBrush();
// Sets the DC's colours for one control-colour message and returns the brush to answer with.
// `defaultBrush` is the default processing's answer; `panelBrush` the text box panel brush.
HBRUSH ApplyControlColour(HDC dc, int kind, HWND control, int textBoxStyle, HBRUSH defaultBrush, HBRUSH panelBrush);

// Draws (visible) or erases one restart-choice frame on the dialog. Always true.
bool DrawChoiceFrame(HWND dialog, bool visible, const Rect& frame);
// Fits the frame of the given choice text to its text measured in the dialog DC's default
// font. A null control, or one that is neither choice text, changes nothing.
void FitChoiceFrame(HWND dialog, HWND control, HWND firstChoiceText, HWND secondChoiceText, PageSkinState& state);

// What the page painter draws with; the wizard owns all of it.
struct PageArt {
  HBITMAP background = nullptr;         // the image named by state.pageBackground
  HWND buttons[2] = {nullptr, nullptr};  // repainted over the new background, in this order
  HICON icon = nullptr;                 // drawn when minimised
};

enum class PagePaintResult { Painted, NoDrawingContext };
// The wizard's WM_PAINT. NoDrawingContext: nothing else was done; the caller reports it.
PagePaintResult PaintPage(HWND dialog, const PageSkinState& state, const PageArt& art);

}  // namespace brevix::skin
