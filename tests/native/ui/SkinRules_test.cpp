#include "ui/skin/SkinRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "ui/ResourceIds.h"

namespace brevix {
namespace {

TEST(SkinRules, ColoursAsCOLORREF) {
  EXPECT_EQ(kPanelColour, 0x804D03u);
  EXPECT_EQ(kChoiceFrameColour, 0x7B7B7Bu);
  EXPECT_EQ(kDisabledCaptionColour, 0x9F8B6Eu);
  EXPECT_EQ(kTextWhite, 0xFFFFFFu);
}

TEST(SkinRules, ControlColourTable) {
  const ControlColourRule transparentWhite{true, true, false, CtlBrush::Null};
  const ControlColourRule panel{true, false, true, CtlBrush::Panel};
  const ControlColourRule untouched{};
  struct Case {
    bool isStatic;
    int id;
    int style;
    ControlColourRule rule;
  } cases[] = {
      {true, IDC_TITLE, 0, transparentWhite},  {true, IDC_LOG, 2, transparentWhite},
      {true, IDC_RESTART_NOW, 1, transparentWhite},  // statics made at run time too
      {false, IDC_LOG, 1, transparentWhite},   {false, IDC_LOG, 2, panel},
      {false, IDC_LOG, 0, untouched},          {false, IDC_LOG, 7, untouched},
      {false, IDC_NEXT_BUTTON, 2, untouched},  {false, IDC_NEXT_BUTTON, 1, untouched},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecideControlColour(c.isStatic, c.id, c.style), c.rule) << c.isStatic << " " << c.id << " " << c.style;
}

TEST(SkinRules, PagePaintPlan) {
  struct Case {
    const char* name;
    int background;
    bool minimised;
    int focus;
    PagePaintPlan plan;
  } cases[] = {
      {"page with first frame", 143, false, 0, {false, true, 0}},
      {"intro, second frame", 171, false, 1, {false, true, 1}},
      {"no frame", 143, false, 2, {false, true, -1}},
      {"before the first page", 0, false, 2, {false, false, -1}},
      {"before the first page, frame still drawn", 0, false, 0, {false, false, 0}},
      {"minimised: icon and frame", 143, true, 1, {true, false, 1}},
      {"unknown focus draws nothing", 143, false, 5, {false, true, -1}},
      {"negative focus draws nothing", 143, false, -1, {false, true, -1}},
  };
  for (const auto& c : cases) {
    PageSkinState s;
    s.pageBackground = c.background;
    s.choiceFocus = c.focus;
    EXPECT_EQ(PlanPagePaint(s, c.minimised), c.plan) << c.name;
  }
}

TEST(SkinRules, MinimisedIconIsCentredTruncatingTowardZero) {
  EXPECT_EQ(MinimisedIconPosition(733, 549, 32, 32), (Point{351, 259}));
  EXPECT_EQ(MinimisedIconPosition(160, 28, 32, 32), (Point{64, -1}));  // (28-32+1)/2 = -3/2 -> -1
  EXPECT_EQ(MinimisedIconPosition(0, 0, 32, 32), (Point{-15, -15}));
}

TEST(SkinRules, ChoiceFrameLinesCoverEveryOutlinePixel) {
  const Rect frames[] = {{55, 474, 300, 496}, {0, 0, 1, 1}, {10, 10, 10, 10}};
  for (const Rect& f : frames) {
    const auto lines = ChoiceFrameLines(f);
    // LineTo draws from the start up to, not including, the end point.
    std::set<std::pair<int, int>> lit;
    for (const auto& [from, to] : lines) {
      ASSERT_TRUE(from.x == to.x || from.y == to.y);
      const int dx = (to.x > from.x) - (to.x < from.x), dy = (to.y > from.y) - (to.y < from.y);
      for (Point p = from; !(p == to); p = {p.x + dx, p.y + dy}) lit.insert({p.x, p.y});
    }
    std::set<std::pair<int, int>> outline;
    for (int x = f.left; x <= f.right; ++x) outline.insert({x, f.top}), outline.insert({x, f.bottom});
    for (int y = f.top; y <= f.bottom; ++y) outline.insert({f.left, y}), outline.insert({f.right, y});
    if (f.left == f.right) continue;  // a point: LineTo draws nothing, as on Windows
    EXPECT_EQ(lit, outline) << f.left << "," << f.top << "," << f.right << "," << f.bottom;
  }
  // The segments go clockwise from the top-left corner.
  const auto l = ChoiceFrameLines({1, 2, 3, 4});
  EXPECT_EQ(l[0].first, (Point{1, 2}));
  EXPECT_EQ(l[0].second, (Point{3, 2}));
  EXPECT_EQ(l[2].first, (Point{3, 4}));
}

TEST(SkinRules, FrameEraseColourIsSampledOnceEvenWhenFirstDrawShowsTheFrame) {
  FrameEraseColour colour;
  int samples = 0;
  std::optional<Colour> ground = 0x112233;
  auto sample = [&] {
    ++samples;
    return ground;
  };
  EXPECT_EQ(colour.ColourFor(true, sample), kChoiceFrameColour);
  ground = 0x445566;  // the background changed since
  EXPECT_EQ(colour.ColourFor(false, sample), 0x112233u);
  EXPECT_EQ(colour.ColourFor(true, sample), kChoiceFrameColour);
  EXPECT_EQ(samples, 1);

  // An unreadable pixel is not remembered as the erase colour.
  FrameEraseColour unread;
  ground = std::nullopt;
  EXPECT_EQ(unread.ColourFor(false, sample), std::nullopt);
  EXPECT_EQ(unread.ColourFor(true, sample), kChoiceFrameColour);
  ground = 0x0A0B0C;
  EXPECT_EQ(unread.ColourFor(false, sample), 0x0A0B0Cu);
  EXPECT_EQ(samples, 4);
}

TEST(SkinRules, ChoiceFrameWidthFollowsTextAndLanguage) {
  for (int id = 187; id <= 212; ++id) {
    const bool wide = id == 188 || id == 189 || id == 200 || id == 201;
    EXPECT_EQ(ChoiceFrameExtraWidth(id), wide ? 16 : 0) << id;
  }
  EXPECT_EQ(ChoiceFrameExtraWidth(-1), 0);

  PageSkinState s;
  s.languageId = 201;
  FitChoiceFrame(s, 0, 180);
  EXPECT_EQ(s.choiceFrames[0], (Rect{55, 474, 55 + 180 + 16, 496}));
  EXPECT_EQ(s.choiceFrames[1], (Rect{55, 498, 529, 520})) << "the other frame is left alone";
  s.languageId = 212;
  FitChoiceFrame(s, 1, 200);
  EXPECT_EQ(s.choiceFrames[1], (Rect{55, 498, 255, 520}));
  const PageSkinState before = s;
  FitChoiceFrame(s, -1, 999);  // neither choice text
  FitChoiceFrame(s, 2, 999);
  EXPECT_EQ(s.choiceFrames, before.choiceFrames);
}

TEST(SkinRules, SkinFontParameters) {
  for (const auto& [params, height, weight] : {std::tuple{kTitleFontParams, 22, 500}, std::tuple{kBodyFontParams, 16, 0}}) {
    EXPECT_EQ(params.height, height);
    EXPECT_EQ(params.weight, weight);
    EXPECT_EQ(params.width, 0);
    EXPECT_EQ(params.escapement, 0);
    EXPECT_EQ(params.orientation, 0);
    EXPECT_FALSE(params.italic || params.underline || params.strikeOut);
    EXPECT_EQ(params.charSet, 0);
    EXPECT_EQ(params.outPrecision + params.clipPrecision + params.quality, 0);
    EXPECT_EQ(params.pitchAndFamily, 0x20);
    EXPECT_EQ(params.face, u"Tahoma");
  }
}

}  // namespace
}  // namespace brevix
