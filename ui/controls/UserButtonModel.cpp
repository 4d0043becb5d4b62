#include "ui/controls/UserButtonModel.h"

namespace brevix {

ButtonEffects UserButtonModel::Highlight() {
  look_ = kLookHighlighted;
  if (!imagesLoaded_) return {};
  image_ = kImageHighlighted;
  return {.takeFocus = true};
}

ButtonEffects UserButtonModel::SetLook(int look) {
  switch (look) {
    case kLookNormal:
    case kLookPressed:
    case kLookDisabled:
      look_ = look;
      if (imagesLoaded_) image_ = look - 1;
      return {};
    case kLookHighlighted:
      return Highlight();
    default:
      return {};
  }
}

ButtonEffects UserButtonModel::SetDefaultMarker(int marker) {
  marker_ = marker;
  if (look_ == kLookDisabled) return {};
  ButtonEffects effects = SetLook(marker == kDefaultMarker ? kLookHighlighted : kLookNormal);
  effects.repaint = true;
  return effects;
}

ButtonEffects UserButtonModel::MouseMove() {
  if (!imagesLoaded_ || look_ == kLookDisabled) return {};
  ButtonEffects effects = Highlight();
  effects.repaint = true;
  effects.trackMouse = true;
  return effects;
}

ButtonEffects UserButtonModel::MouseHover() {
  ButtonEffects effects = Highlight();
  effects.repaint = true;
  return effects;
}

ButtonEffects UserButtonModel::MouseLeave() {
  ButtonEffects effects = marker_ == kDefaultMarker ? Highlight() : SetLook(kLookNormal);
  effects.repaint = true;
  return effects;
}

ButtonDrawPlan UserButtonModel::Draw(bool selected, Colour textColour) {
  if (selected && imagesLoaded_ && look_ != kLookDisabled) {
    look_ = kLookPressed;
    image_ = kImagePressed;
  }
  if (!image_) return {std::nullopt, textColour};
  return {image_, look_ == kLookDisabled ? kDisabledCaptionColour : textColour};
}

}  // namespace brevix
