#pragma once
// The look of a skinned push button: which of its four images it shows, when it takes the
// focus, and what its owner's default marker does to it. The window class turns mouse and
// drawing messages into these calls and carries out the returned effects.
#include <optional>

#include "ui/skin/SkinRules.h"

namespace brevix {

enum ButtonLook : int { kLookNormal = 1, kLookPressed = 2, kLookHighlighted = 3, kLookDisabled = 4 };
constexpr int kDefaultMarker = 2;  // the owner's keyboard default; 0 or 1 mean "not"

// Image slots, in the order LoadImages fills them.
enum ButtonImage : int { kImageNormal = 0, kImagePressed = 1, kImageHighlighted = 2, kImageDisabled = 3 };

struct ButtonEffects {
  bool takeFocus = false;
  bool repaint = false;     // redraw the button at once
  bool trackMouse = false;  // ask for hover and leave notifications
  friend bool operator==(const ButtonEffects&, const ButtonEffects&) = default;
};

struct ButtonDrawPlan {
  std::optional<int> image;  // slot to stretch; none: the caption alone on the window
  Colour captionColour = 0;
  friend bool operator==(const ButtonDrawPlan&, const ButtonDrawPlan&) = default;
};

class UserButtonModel {
 public:
  int Look() const { return look_; }
  int DefaultMarker() const { return marker_; }
  bool Highlighted() const { return look_ == kLookHighlighted; }
  bool ImagesLoaded() const { return imagesLoaded_; }
  std::optional<int> CurrentImage() const { return image_; }

  // True only when all four images are there.
  void SetImagesLoaded(bool loaded) { imagesLoaded_ = loaded; }

  // Looks 1 to 4; anything else is ignored. Never repaints.
  ButtonEffects SetLook(int look);
  // The disabled look keeps its look (and is not repainted), but the marker always changes.
  ButtonEffects SetDefaultMarker(int marker);

  ButtonEffects MouseMove();
  ButtonEffects MouseHover();
  ButtonEffects MouseLeave();

  // A draw request; `selected` is ODS_SELECTED. A press switches to the pressed look.
  ButtonDrawPlan Draw(bool selected, Colour textColour);

 private:
  ButtonEffects Highlight();

  int look_ = kLookNormal;
  int marker_ = 0;
  bool imagesLoaded_ = false;
  std::optional<int> image_;
};

}  // namespace brevix
