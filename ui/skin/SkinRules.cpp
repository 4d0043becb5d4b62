#include "ui/skin/SkinRules.h"

#include "ui/ResourceIds.h"

namespace brevix {

ControlColourRule DecideControlColour(bool isStatic, int controlId, int textBoxStyle) {
  if (isStatic) return {true, true, false, CtlBrush::Null};
  if (controlId != IDC_LOG) return {};
  switch (textBoxStyle) {
    case kTextBoxTransparent:
      return {true, true, false, CtlBrush::Null};
    case kTextBoxPanel:
      return {true, false, true, CtlBrush::Panel};
    default:
      return {};
  }
}

PagePaintPlan PlanPagePaint(const PageSkinState& state, bool minimised) {
  PagePaintPlan plan;
  if (minimised)
    plan.iconOnly = true;
  else
    plan.background = state.pageBackground != 0;
  if (state.choiceFocus == 0 || state.choiceFocus == 1) plan.frameIndex = state.choiceFocus;
  return plan;
}

Point MinimisedIconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

std::array<std::pair<Point, Point>, 4> ChoiceFrameLines(const Rect& f) {
  const Point topLeft{f.left, f.top}, topRight{f.right, f.top};
  const Point bottomRight{f.right, f.bottom}, bottomLeft{f.left, f.bottom};
  return {{{topLeft, topRight}, {topRight, bottomRight}, {bottomRight, bottomLeft}, {bottomLeft, topLeft}}};
}

int ChoiceFrameExtraWidth(int languageId) {
  switch (languageId) {
    case 188:  // Chinese (PRC)
    case 189:  // Chinese (Taiwan)
    case 200:  // Italian
    case 201:  // Japanese
      return 16;
    default:
      return 0;
  }
}

void FitChoiceFrame(PageSkinState& state, int choiceIndex, int textWidth) {
  if (choiceIndex != 0 && choiceIndex != 1) return;
  Rect& frame = state.choiceFrames[choiceIndex];
  frame.right = frame.left + textWidth + ChoiceFrameExtraWidth(state.languageId);
}

}  // namespace brevix
