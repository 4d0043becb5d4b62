#include "ui/controls/UserButtonModel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace brevix {
namespace {

constexpr Colour kWhite = 0xFFFFFF;

enum class Ev { Look, Marker, Move, Hover, Leave, DrawPressed, DrawReleased };

struct Expect {
  Ev ev;
  int arg;
  int look;                // after the event
  std::optional<int> image;  // after the event
  ButtonEffects fx;        // returned by the event (draws return none)
};

constexpr ButtonEffects kNone{};
constexpr ButtonEffects kRepaint{.repaint = true};
constexpr ButtonEffects kFocus{.takeFocus = true};
constexpr ButtonEffects kFocusRepaint{.takeFocus = true, .repaint = true};
constexpr ButtonEffects kMoveFx{.takeFocus = true, .repaint = true, .trackMouse = true};

ButtonEffects Apply(UserButtonModel& b, Ev ev, int arg) {
  switch (ev) {
    case Ev::Look: return b.SetLook(arg);
    case Ev::Marker: return b.SetDefaultMarker(arg);
    case Ev::Move: return b.MouseMove();
    case Ev::Hover: return b.MouseHover();
    case Ev::Leave: return b.MouseLeave();
    case Ev::DrawPressed: b.Draw(true, kWhite); return {};
    case Ev::DrawReleased: b.Draw(false, kWhite); return {};
  }
  return {};
}

void RunSequence(const std::string& name, bool imagesLoaded, const std::vector<Expect>& steps) {
  UserButtonModel b;
  b.SetImagesLoaded(imagesLoaded);
  for (size_t i = 0; i < steps.size(); ++i) {
    const Expect& s = steps[i];
    const ButtonEffects fx = Apply(b, s.ev, s.arg);
    const std::string where = name + ", step " + std::to_string(i);
    EXPECT_EQ(b.Look(), s.look) << where;
    EXPECT_EQ(b.CurrentImage(), s.image) << where;
    EXPECT_EQ(fx, s.fx) << where;
  }
}

TEST(UserButtonModel, LookSequencesWithImages) {
  RunSequence("owner looks never repaint; highlight takes the focus", true,
      {{Ev::Look, 1, 1, 0, kNone}, {Ev::Look, 3, 3, 2, kFocus}, {Ev::Look, 4, 4, 3, kNone}, {Ev::Look, 1, 1, 0, kNone}});
  RunSequence("default marker moves between highlighted and normal", true,
      {{Ev::Look, 1, 1, 0, kNone},
       {Ev::Marker, 2, 3, 2, kFocusRepaint},
       {Ev::Marker, 1, 1, 0, kRepaint},
       {Ev::Marker, 2, 3, 2, kFocusRepaint},
       {Ev::Marker, 0, 1, 0, kRepaint}});
  RunSequence("mouse over, away without the marker", true,
      {{Ev::Look, 1, 1, 0, kNone},
       {Ev::Move, 0, 3, 2, kMoveFx},
       {Ev::Move, 0, 3, 2, kMoveFx},
       {Ev::Hover, 0, 3, 2, kFocusRepaint},
       {Ev::Leave, 0, 1, 0, kRepaint}});
  RunSequence("the marked default stays highlighted when the mouse leaves", true,
      {{Ev::Look, 1, 1, 0, kNone}, {Ev::Marker, 2, 3, 2, kFocusRepaint}, {Ev::Move, 0, 3, 2, kMoveFx},
       {Ev::Leave, 0, 3, 2, kFocusRepaint}});
  RunSequence("a press shows the pressed image until the mouse moves or leaves", true,
      {{Ev::Look, 3, 3, 2, kFocus},
       {Ev::DrawPressed, 0, 2, 1, kNone},
       {Ev::DrawReleased, 0, 2, 1, kNone},
       {Ev::Move, 0, 3, 2, kMoveFx},
       {Ev::DrawPressed, 0, 2, 1, kNone},
       {Ev::Leave, 0, 1, 0, kRepaint}});
}

TEST(UserButtonModel, DisabledLookIgnoresOwnerMarkerAndMouseButNotHoverOrLeave) {
  RunSequence("disabled", true,
      {{Ev::Look, 4, 4, 3, kNone},
       {Ev::Marker, 2, 4, 3, kNone},
       {Ev::Move, 0, 4, 3, kNone},
       {Ev::DrawPressed, 0, 4, 3, kNone},
       {Ev::Marker, 1, 4, 3, kNone},
       // Tracking asked for before the button was disabled still delivers these.
       {Ev::Hover, 0, 3, 2, kFocusRepaint},
       {Ev::Look, 4, 4, 3, kNone},
       {Ev::Leave, 0, 1, 0, kRepaint}});

  UserButtonModel b;
  b.SetImagesLoaded(true);
  b.SetLook(kLookDisabled);
  b.SetDefaultMarker(2);
  EXPECT_EQ(b.DefaultMarker(), 2);
  EXPECT_FALSE(b.Highlighted());
  // The marker given while disabled decides the next leave.
  b.MouseLeave();
  EXPECT_EQ(b.Look(), kLookHighlighted);
}

TEST(UserButtonModel, WithoutImagesTheLookChangesButNothingIsDrawnOrFocused) {
  RunSequence("no images", false,
      {{Ev::Look, 3, 3, std::nullopt, kNone},
       {Ev::Look, 1, 1, std::nullopt, kNone},
       {Ev::Move, 0, 1, std::nullopt, kNone},
       {Ev::DrawPressed, 0, 1, std::nullopt, kNone},
       {Ev::Marker, 2, 3, std::nullopt, kRepaint},
       {Ev::Leave, 0, 3, std::nullopt, kRepaint},
       {Ev::Marker, 1, 1, std::nullopt, kRepaint},
       {Ev::Hover, 0, 3, std::nullopt, kRepaint}});
}

TEST(UserButtonModel, LooksOutsideOneToFourChangeNothing) {
  UserButtonModel b;
  b.SetImagesLoaded(true);
  b.SetLook(kLookHighlighted);
  for (int bad : {0, 5, -1, 99}) {
    EXPECT_EQ(b.SetLook(bad), kNone) << bad;
    EXPECT_EQ(b.Look(), kLookHighlighted) << bad;
    EXPECT_EQ(b.CurrentImage(), std::optional<int>(kImageHighlighted)) << bad;
  }
}

TEST(UserButtonModel, DrawPlanImageAndCaptionColour) {
  struct Case {
    const char* name;
    bool images;
    int look;  // 0: never set
    bool selected;
    ButtonDrawPlan plan;
  } cases[] = {
      // An owner that never set a look gets the caption alone, in its own colour.
      {"never set, images loaded", true, 0, false, {std::nullopt, kWhite}},
      {"never set, pressed", true, 0, true, {kImagePressed, kWhite}},
      {"normal", true, 1, false, {kImageNormal, kWhite}},
      {"highlighted", true, 3, false, {kImageHighlighted, kWhite}},
      {"highlighted and pressed", true, 3, true, {kImagePressed, kWhite}},
      {"disabled", true, 4, false, {kImageDisabled, kDisabledCaptionColour}},
      {"disabled and pressed", true, 4, true, {kImageDisabled, kDisabledCaptionColour}},
      // Without images the disabled colour is not used.
      {"disabled, no images", false, 4, false, {std::nullopt, kWhite}},
      {"normal, no images, pressed", false, 1, true, {std::nullopt, kWhite}},
  };
  for (const auto& c : cases) {
    UserButtonModel b;
    b.SetImagesLoaded(c.images);
    if (c.look) b.SetLook(c.look);
    EXPECT_EQ(b.Draw(c.selected, kWhite), c.plan) << c.name;
  }
}

}  // namespace
}  // namespace brevix
