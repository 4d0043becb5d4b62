#pragma once
// The skin's fixed numbers and decisions: colours, translucency, fonts, control colours,
// the page painter's plan and the restart-choice frames. Painting itself lives in win32/.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "ui/skin/Geometry.h"

namespace brevix {

using Colour = std::uint32_t;  // 0x00BBGGRR, as the Windows COLORREF

constexpr Colour MakeColour(int r, int g, int b) {
  return Colour(r & 0xFF) | (Colour(g & 0xFF) << 8) | (Colour(b & 0xFF) << 16);
}

constexpr Colour kTextWhite = MakeColour(255, 255, 255);
constexpr Colour kPanelColour = MakeColour(3, 77, 128);
constexpr Colour kChoiceFrameColour = MakeColour(123, 123, 123);
constexpr Colour kDisabledCaptionColour = MakeColour(110, 139, 159);

// Translucency and shape of the two skinned windows.
constexpr std::uint8_t kWizardAlpha = 242;
constexpr std::uint8_t kPopupAlpha = 229;
constexpr int kCornerEllipse = 5;
constexpr int kWizardWidth = 733;
constexpr int kWizardHeight = 549;

// The text box (control 1004) colouring, as the wizard sets it per page.
enum TextBoxStyle : int { kTextBoxSystem = 0, kTextBoxTransparent = 1, kTextBoxPanel = 2 };

// ---- fonts ----------------------------------------------------------------------------
// Every value CreateFontW receives for a skin font.
struct SkinFontParams {
  int height = 0;  // positive: cell height in pixels
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::uint8_t charSet = 0;         // ANSI_CHARSET
  std::uint8_t outPrecision = 0;    // OUT_DEFAULT_PRECIS
  std::uint8_t clipPrecision = 0;   // CLIP_DEFAULT_PRECIS
  std::uint8_t quality = 0;         // DEFAULT_QUALITY
  std::uint8_t pitchAndFamily = 0x20;  // FF_SWISS | DEFAULT_PITCH
  std::u16string_view face = u"Tahoma";
};

constexpr SkinFontParams MakeSkinFontParams(int height, int weight) {
  SkinFontParams params;
  params.height = height;
  params.weight = weight;
  return params;
}

constexpr SkinFontParams kTitleFontParams = MakeSkinFontParams(22, 500);
constexpr SkinFontParams kBodyFontParams = MakeSkinFontParams(16, 0);

// ---- control colours --------------------------------------------------------------------
enum class CtlBrush { Default, Null, Panel };

struct ControlColourRule {
  bool whiteText = false;
  bool transparent = false;        // background mode TRANSPARENT
  bool panelTextBackground = false;  // text background colour = panel colour (mode stays opaque)
  CtlBrush brush = CtlBrush::Default;
  friend bool operator==(const ControlColourRule&, const ControlColourRule&) = default;
};

// The colour decision for one control-colour message. `isStatic` is the static kind;
// `textBoxStyle` only matters for the text box (control 1004).
ControlColourRule DecideControlColour(bool isStatic, int controlId, int textBoxStyle);

// ---- page painting ----------------------------------------------------------------------
// What the wizard keeps for its painter; the painter never reads the window for it.
struct PageSkinState {
  int pageBackground = 0;  // bitmap id (143 or 171); 0 before the first page
  int textBoxStyle = kTextBoxSystem;
  int choiceFocus = 2;     // 0 first choice, 1 second, 2 none
  std::array<Rect, 2> choiceFrames{Rect{55, 474, 529, 496}, Rect{55, 498, 529, 520}};
  int languageId = -1;
};

struct PagePaintPlan {
  bool iconOnly = false;    // minimised: erase and draw the centred icon
  bool background = false;  // stretch the page image and repaint the two wizard buttons
  int frameIndex = -1;      // choice frame to draw afterwards; -1 none
  friend bool operator==(const PagePaintPlan&, const PagePaintPlan&) = default;
};

PagePaintPlan PlanPagePaint(const PageSkinState& state, bool minimised);

// Where the icon of a minimised window goes (each division truncates toward zero).
Point MinimisedIconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

// ---- restart-choice frames ---------------------------------------------------------------
// Four segments, each drawn as MoveTo(first) LineTo(second). LineTo leaves out its end point,
// and each segment's end is the next one's start, so every outline pixel is covered.
std::array<std::pair<Point, Point>, 4> ChoiceFrameLines(const Rect& frame);

// The colour that erases a frame is sampled once per process, at the first draw, and kept.
// A sample that could not be read (nullopt) is not kept: that call draws nothing when erasing,
// and the next call samples again.
class FrameEraseColour {
 public:
  template <class Sample>
  std::optional<Colour> ColourFor(bool visible, Sample&& sample) {
    if (!erase_) erase_ = sample();
    if (visible) return kChoiceFrameColour;
    return erase_;
  }
  bool Sampled() const { return erase_.has_value(); }

 private:
  std::optional<Colour> erase_;
};

// Languages whose choice texts are measured too narrow in the default font get 16 px more.
int ChoiceFrameExtraWidth(int languageId);

// Which frame a choice text belongs to: 0, 1, or -1 for neither.
// Moves that frame's right edge to the end of the measured text; -1 changes nothing.
void FitChoiceFrame(PageSkinState& state, int choiceIndex, int textWidth);

// Text lengths handed to the measurement: a 260-unit buffer, terminator included.
constexpr int kChoiceTextBufferChars = 260;

}  // namespace brevix
