#include "ui/controls/ScrollBarModel.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>

#include "ui/ResourceIds.h"

namespace brevix {

void PrintTo(const ScrollStep& s, std::ostream* os) { *os << "{kind " << int(s.kind) << ", " << s.a << ", " << s.b << "}"; }

namespace {

using S = ScrollStep;

// The bar as the wizard has it: 12 x 250 pixels, reference image 12 x 25.
ScrollBarModel WizardBar(int range, int position = 0) {
  ScrollBarModel bar;
  bar.Create({0, 0, 12, 250}, 12, 25);
  ScrollSteps ignored;
  bar.SetRange(range, ignored);
  bar.SetPosition(position, ignored);
  return bar;
}

constexpr Point kUpArrow{6, 10};
constexpr Point kDownArrow{6, 240};
constexpr S kDraw{S::Draw};
constexpr S kCapture{S::Capture};
constexpr S kRelease{S::ReleaseCapture};
constexpr S kStopRepeat{S::StopTimer, kScrollRepeatTimer};
constexpr S kStartDelay{S::StartTimer, kScrollDelayTimer, 150};
constexpr S kStartRepeat{S::StartTimer, kScrollRepeatTimer, 100};
constexpr S kStartHover{S::StartTimer, kScrollHoverTimer, 50};
constexpr S kInvalidate{S::Invalidate};
S Notify(int code, int position) { return {S::Notify, code, position}; }

TEST(ScrollBarModel, WizardGeometryAndPieces) {
  ScrollBarModel bar = WizardBar(35, 0);
  EXPECT_EQ(bar.Track(), 175);
  EXPECT_EQ(bar.ThumbTop(), 25);
  EXPECT_EQ(bar.ThumbRect(), (Rect{0, 25, 12, 50}));
  const std::vector<BarPiece> expected = {
      {IDB_SCROLL_UP, {0, 0, 12, 25}, 12, 25},
      {IDB_SCROLL_CHANNEL, {0, 37, 12, 225}, 12, 1},  // lower piece, from the thumb's centre
      {IDB_SCROLL_CHANNEL, {0, 25, 12, 37}, 12, 1},
      {IDB_SCROLL_DOWN, {0, 225, 12, 250}, 12, 25},
      {IDB_SCROLL_THUMB, {0, 25, 12, 50}, 12, 25},
  };
  EXPECT_EQ(bar.Pieces(), expected);

  // At the end the thumb touches the down arrow; with no range there is no thumb at all.
  EXPECT_EQ(WizardBar(35, 35).ThumbRect(), (Rect{0, 200, 12, 225}));
  const ScrollBarModel empty = WizardBar(0, 0);
  EXPECT_EQ(empty.ThumbRect(), kNoRect);
  ASSERT_EQ(empty.Pieces().size(), 4u);
  for (const BarPiece& p : empty.Pieces()) EXPECT_NE(p.imageId, IDB_SCROLL_THUMB);
}

TEST(ScrollBarModel, ThumbFromPosition) {
  struct Case {
    int range, position, thumbTop;
  } cases[] = {
      {35, 0, 25},   {35, 35, 200},  {35, 15, 100},  {3, 1, 83},    {3, 2, 142},  {1, 1, 200},
      {0, 0, 25},    {0, 7, 25},     // no range: the top of the channel
      {35, -3, 25},  {35, 99, 200},  // outside the range: the thumb stays in the channel
      {1, INT_MAX, 200}, {1, INT_MIN, 25}, {INT_MAX, INT_MAX, 200},
  };
  for (const auto& c : cases) {
    const ScrollBarModel bar = WizardBar(c.range, c.position);
    EXPECT_EQ(bar.ThumbTop(), c.thumbTop) << c.range << "/" << c.position;
    EXPECT_EQ(bar.Position(), c.position) << "SetPosition stores the value as given";
  }
}

TEST(ScrollBarModel, ChannelClickMovesThumbToRoundedPosition) {
  struct Case {
    int range, y, thumbTop, position;
  } cases[] = {
      {35, 112, 100, 15},  // 75 * 35 / 175 + 0.5
      {35, 113, 101, 15},  {35, 117, 105, 16},
      {35, 60, 48, 5},     {35, 224, 200, 35},  // clamped to the end of the track
      {26, 150, 138, 17},  // 113 * 26 / 175 = 16.79
      {0, 100, 88, 0},     // no range: position 0, still reported
  };
  for (const auto& c : cases) {
    ScrollBarModel bar = WizardBar(c.range, 0);
    const ScrollSteps steps = bar.ButtonDown({6, c.y});
    EXPECT_EQ(bar.ThumbTop(), c.thumbTop) << c.y;
    EXPECT_EQ(bar.Position(), c.position) << c.y;
    EXPECT_EQ(steps, (ScrollSteps{kCapture, kDraw, Notify(kScrollThumbTrack, c.position)})) << c.y;
  }
}

TEST(ScrollBarModel, NotificationWParam) {
  EXPECT_EQ(ScrollNotifyWParam(Notify(kScrollLineUp, 7)), 0u);
  EXPECT_EQ(ScrollNotifyWParam(Notify(kScrollLineDown, 7)), 1u);
  EXPECT_EQ(ScrollNotifyWParam(Notify(kScrollThumbTrack, 15)), 0x000F0005u);
  EXPECT_EQ(ScrollNotifyWParam(Notify(kScrollThumbTrack, 70000)), 0x11700005u);  // low 16 bits
  EXPECT_EQ(ScrollNotifyWParam(Notify(kScrollThumbTrack, -1)), 0xFFFF0005u);
}

TEST(ScrollBarModel, BriefArrowClickStepsOnceOnRelease) {
  ScrollBarModel bar = WizardBar(35, 10);
  EXPECT_EQ(bar.ButtonDown(kDownArrow), (ScrollSteps{kCapture, kStartDelay}));
  EXPECT_EQ(bar.Position(), 10) << "pressing does not step";
  EXPECT_TRUE(bar.DownHeld());
  EXPECT_EQ(bar.ButtonUp(kDownArrow), (ScrollSteps{kDraw, kStopRepeat, kRelease, Notify(kScrollLineDown, 11), kDraw}));
  EXPECT_EQ(bar.Position(), 11);
  EXPECT_FALSE(bar.DownHeld());
  // The delay timer of the press may still fire after the release: it starts no repeat.
  EXPECT_EQ(bar.Timer(kScrollDelayTimer, kDownArrow), (ScrollSteps{{S::StopTimer, kScrollDelayTimer}}));

  bar.ButtonDown(kUpArrow);
  EXPECT_EQ(bar.ButtonUp(kUpArrow), (ScrollSteps{kDraw, kStopRepeat, kRelease, Notify(kScrollLineUp, 10), kDraw}));
}

TEST(ScrollBarModel, HeldArrowRepeatsAfterDelayAndReleaseElsewhereDoesNotStep) {
  ScrollBarModel bar = WizardBar(35, 10);
  bar.ButtonDown(kDownArrow);
  EXPECT_EQ(bar.Timer(kScrollDelayTimer, kDownArrow), (ScrollSteps{{S::StopTimer, kScrollDelayTimer}, kStartRepeat}));
  for (int expected = 11; expected <= 13; ++expected)
    EXPECT_EQ(bar.Timer(kScrollRepeatTimer, kDownArrow), (ScrollSteps{Notify(kScrollLineDown, expected), kDraw}));
  // Released over the channel below the thumb: only the snap, no step.
  EXPECT_EQ(bar.ButtonUp({6, 180}), (ScrollSteps{kDraw, kStopRepeat, kRelease}));
  EXPECT_EQ(bar.Position(), 13);
  EXPECT_EQ(bar.Timer(kScrollRepeatTimer, kDownArrow), ScrollSteps{}) << "a late tick after release";
}

TEST(ScrollBarModel, LineStepsNotifyAtTheLimitsToo) {
  struct Case {
    const char* name;
    int range, position;
    bool up;
    int after;
  } cases[] = {
      {"up at 0", 35, 0, true, 0},      {"up", 35, 5, true, 4},
      {"down at the end", 35, 35, false, 35}, {"down", 35, 5, false, 6},
      {"down with no range", 0, 0, false, 0}, {"up with no range", 0, 0, true, 0},
  };
  for (const auto& c : cases) {
    ScrollBarModel bar = WizardBar(c.range, c.position);
    const ScrollSteps steps = c.up ? bar.LineUp() : bar.LineDown();
    EXPECT_EQ(steps, (ScrollSteps{Notify(c.up ? kScrollLineUp : kScrollLineDown, c.after), kDraw})) << c.name;
    EXPECT_EQ(bar.Position(), c.after) << c.name;
  }

  // Holding the up arrow at 0 keeps notifying without moving.
  ScrollBarModel bar = WizardBar(35, 0);
  bar.ButtonDown(kUpArrow);
  bar.Timer(kScrollDelayTimer, kUpArrow);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(bar.Timer(kScrollRepeatTimer, kUpArrow), (ScrollSteps{Notify(kScrollLineUp, 0), kDraw}));
}

TEST(ScrollBarModel, DragFollowsPointerWithinChannelAndSnapsOnRelease) {
  ScrollBarModel bar = WizardBar(35, 0);
  EXPECT_EQ(bar.ButtonDown({6, 30}), (ScrollSteps{kCapture}));
  EXPECT_TRUE(bar.Dragging());

  struct Move {
    int y, thumbTop, position;
  } moves[] = {{113, 101, 15}, {117, 105, 16}, {400, 200, 35}, {-50, 25, 0}, {113, 101, 15}};
  for (const auto& m : moves) {
    const ScrollSteps steps = bar.MouseMove({6, m.y});
    EXPECT_EQ(bar.ThumbTop(), m.thumbTop) << m.y;
    EXPECT_EQ(bar.Position(), m.position) << m.y;
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[0], Notify(kScrollThumbTrack, m.position)) << m.y;
    EXPECT_EQ(steps[1], kDraw) << m.y;
  }
  // The pointer is over the thumb (101..126) at release: the thumb snaps to 15's place (100).
  const ScrollSteps up = bar.ButtonUp({6, 113});
  EXPECT_EQ(bar.ThumbTop(), 100);
  EXPECT_FALSE(bar.Dragging());
  EXPECT_EQ(up, (ScrollSteps{kDraw, kStopRepeat, kRelease, kInvalidate, kStartHover}));
  EXPECT_TRUE(bar.ThumbHot());

  // A drag that ends over an arrow steps once more.
  bar.ButtonDown({6, 110});
  bar.MouseMove({6, 240});
  const ScrollSteps overArrow = bar.ButtonUp(kDownArrow);
  EXPECT_EQ(bar.Position(), 35);
  EXPECT_EQ(overArrow[3], Notify(kScrollLineDown, 35));
}

TEST(ScrollBarModel, HoverTurnsHotAndPollEndsIt) {
  ScrollBarModel bar = WizardBar(35, 0);  // thumb 25..50
  EXPECT_EQ(bar.MouseMove({6, 100}), ScrollSteps{});
  EXPECT_EQ(bar.MouseMove({6, 30}), (ScrollSteps{kInvalidate, kStartHover}));
  EXPECT_TRUE(bar.ThumbHot());
  EXPECT_EQ(bar.MouseMove({6, 40}), ScrollSteps{}) << "staying on the thumb changes nothing";
  EXPECT_EQ(bar.Timer(kScrollHoverTimer, {6, 45}), ScrollSteps{});
  EXPECT_EQ(bar.Timer(kScrollHoverTimer, {30, 45}),
            (ScrollSteps{{S::StopTimer, kScrollHoverTimer}, {S::ArrowCursor}, kInvalidate}));
  EXPECT_FALSE(bar.ThumbHot());
}

TEST(ScrollBarModel, NoRangeNeverMakesTheThumbHot) {
  ScrollBarModel bar = WizardBar(0, 0);
  for (Point p : {Point{6, 30}, Point{6, 100}, Point{-1, -1}}) {
    bar.MouseMove(p);
    EXPECT_FALSE(bar.ThumbHot());
  }
  // A press and release where the thumb would be shows no hand either.
  bar.ButtonDown({6, 30});
  bar.ButtonUp({6, 30});
  EXPECT_FALSE(bar.ThumbHot());
  EXPECT_EQ(bar.Position(), 0);
}

TEST(ScrollBarModel, LostCaptureEndsHoldAndDrag) {
  ScrollBarModel bar = WizardBar(35, 10);
  bar.ButtonDown(kDownArrow);
  bar.Timer(kScrollDelayTimer, kDownArrow);
  const ScrollSteps lost = bar.CaptureLost();
  EXPECT_EQ(lost, (ScrollSteps{{S::StopTimer, kScrollDelayTimer}, kStopRepeat, kDraw}));
  EXPECT_FALSE(bar.DownHeld());
  EXPECT_EQ(bar.Timer(kScrollRepeatTimer, kDownArrow), ScrollSteps{});
  EXPECT_EQ(bar.CaptureLost(), ScrollSteps{}) << "nothing held: our own release";

  bar.ButtonDown({6, bar.ThumbTop() + 3});
  bar.MouseMove({6, 113});
  bar.CaptureLost();
  EXPECT_FALSE(bar.Dragging());
  EXPECT_EQ(bar.ThumbTop(), 100) << "snapped to position 15";
}

TEST(ScrollBarModel, PaintShowsOrHidesByTheOwnersFlag) {
  struct Case {
    bool shown, visible;
    ScrollSteps steps;
  } cases[] = {
      {true, false, {{S::Show}, kDraw}},
      {true, true, {kDraw}},
      {false, true, {{S::Hide}, {S::PostOwnerPaint}}},
      {false, false, {}},
  };
  for (const auto& c : cases) {
    ScrollBarModel bar = WizardBar(35, 3);
    bar.SetShown(c.shown);
    EXPECT_EQ(bar.Paint(c.visible), c.steps) << c.shown << c.visible;
  }
}

TEST(ScrollBarModel, RangeAndPositionSetters) {
  ScrollBarModel bar = WizardBar(35, 20);
  ScrollSteps steps;
  bar.SetRange(10, steps);
  EXPECT_EQ(bar.Position(), 20) << "SetRange leaves the position";
  EXPECT_EQ(steps, (ScrollSteps{kInvalidate}));
  bar.SetRange(-4, steps);
  EXPECT_EQ(bar.Range(), 0) << "a negative range is no range";

  ScrollBarModel other = WizardBar(35, 20);
  steps.clear();
  EXPECT_EQ(other.SetPosition(7, steps), 20);
  EXPECT_EQ(steps, (ScrollSteps{kDraw, kInvalidate}));
  EXPECT_EQ(other.ThumbTop(), 60);
}

TEST(ScrollBarModel, BarWithoutTrackKeepsPositionZero) {
  // 25-pixel parts on a 60- or 75-pixel bar leave no track (T < 0 and T = 0):
  // the thumb stays at the channel top and no division by zero reaches the position.
  for (int height : {60, 75}) {
    ScrollBarModel bar;
    bar.Create({0, 0, 12, height}, 12, 25);
    ScrollSteps steps;
    bar.SetRange(10, steps);
    bar.SetPosition(5, steps);
    EXPECT_EQ(bar.ThumbTop(), 25) << height;
    bar.ButtonDown({6, 30});
    ASSERT_TRUE(bar.Dragging()) << height;
    bar.MouseMove({6, 45});
    EXPECT_EQ(bar.Position(), 0) << height;
    EXPECT_EQ(bar.ThumbTop(), 25) << height;
    bar.ButtonUp({6, 45});
    for (const BarPiece& p : bar.Pieces()) {
      EXPECT_GT(p.dest.Height(), 0) << height << " image " << p.imageId;
      EXPECT_GT(p.dest.Width(), 0) << height << " image " << p.imageId;
    }
  }
}

}  // namespace
}  // namespace brevix
