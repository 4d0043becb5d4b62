#include "ui/controls/PopupRules.h"

#include <gtest/gtest.h>

#include <ostream>

namespace brevix {

void PrintTo(const PopupDecision& d, std::ostream* os) {
  *os << "{swallow " << d.swallow << ", end " << int(d.end) << ", markers";
  for (const auto& m : d.markers) *os << " " << (m.button == PopupButton::Yes ? "Yes=" : "No=") << m.marker;
  *os << "}";
}

namespace {

using B = PopupButton;
using K = PopupMessage;

constexpr PopupButtonState kNormal{1, 1};
constexpr PopupButtonState kLit{3, 1};          // highlighted by the mouse
constexpr PopupButtonState kLitDefault{3, 2};  // highlighted as the default
constexpr PopupButtonState kPressed{2, 2};      // pressed image, not highlighted

constexpr std::uint32_t kTab = 9, kReturn = 13, kEscape = 27, kSpace = 32, kLeft = 37, kRight = 39, kMenu = 0x12;

PopupDecision Keys(std::vector<MarkerChange> markers, PopupEnd end = PopupEnd::None) {
  return {true, std::move(markers), end};
}
PopupDecision Ends(PopupEnd end) { return {true, {}, end}; }
const PopupDecision kSwallowed{true, {}, PopupEnd::None};
const PopupDecision kPassed{false, {}, PopupEnd::None};

TEST(PopupRules, KeyDownDecisions) {
  struct Case {
    const char* name;
    K kind;
    std::uint32_t key;
    PopupButtonState yes, no;
    PopupDecision expected;
  } cases[] = {
      // As opened: No highlighted and the default.
      {"Enter at once answers No", K::KeyDown, kReturn, kNormal, kLitDefault, Ends(PopupEnd::Cancel)},
      {"Space at once answers No", K::KeyDown, kSpace, kNormal, kLitDefault, Ends(PopupEnd::Cancel)},
      {"Left marks Yes", K::KeyDown, kLeft, kNormal, kLitDefault, Keys({{B::Yes, 2}, {B::No, 1}})},
      {"Right marks No", K::KeyDown, kRight, kLitDefault, kNormal, Keys({{B::No, 2}, {B::Yes, 1}})},
      {"Enter on Yes confirms", K::KeyDown, kReturn, kLitDefault, kNormal, Ends(PopupEnd::Confirm)},
      {"Escape cancels whatever is lit", K::KeyDown, kEscape, kLitDefault, kNormal, Ends(PopupEnd::Cancel)},
      // Tab alternates.
      {"Tab from No", K::KeyDown, kTab, kNormal, kLitDefault, Keys({{B::No, 1}, {B::Yes, 2}})},
      {"Tab from Yes", K::KeyDown, kTab, kLitDefault, kNormal, Keys({{B::No, 2}, {B::Yes, 1}})},
      {"Tab with both lit goes by No", K::KeyDown, kTab, kLit, kLitDefault, Keys({{B::No, 1}, {B::Yes, 2}})},
      {"Tab with neither lit marks No", K::KeyDown, kTab, kNormal, kNormal, Keys({{B::No, 2}})},
      // Both lit: the default marker decides.
      {"mouse on Yes, No the default", K::KeyDown, kReturn, kLit, kLitDefault, Ends(PopupEnd::Cancel)},
      {"mouse on No, Yes the default", K::KeyDown, kReturn, kLitDefault, kLit, Ends(PopupEnd::Confirm)},
      {"both lit, no default", K::KeyDown, kSpace, kLit, kLit, kSwallowed},
      {"neither lit", K::KeyDown, kReturn, kNormal, kPressed, kSwallowed},
      // Every other key is swallowed and does nothing.
      {"letter", K::KeyDown, 'A', kNormal, kLitDefault, kSwallowed},
      {"F4", K::KeyDown, 0x73, kNormal, kLitDefault, kSwallowed},
      {"Up", K::KeyDown, 0x26, kNormal, kLitDefault, kSwallowed},
  };
  for (const auto& c : cases) EXPECT_EQ(DecidePopupMessage(c.kind, c.key, c.yes, c.no), c.expected) << c.name;
}

TEST(PopupRules, SystemKeysCommandsAndOtherMessages) {
  struct Case {
    const char* name;
    K kind;
    std::uint32_t wParam;
    PopupDecision expected;
  } cases[] = {
      {"Alt swallowed", K::SysKeyDown, kMenu, kSwallowed},
      {"Alt+Space swallowed", K::SysKeyDown, kSpace, kSwallowed},
      {"Alt+F4 passes", K::SysKeyDown, 0x73, kPassed},
      {"posted close cancels", K::SysCommand, 0xF060, Ends(PopupEnd::Cancel)},
      {"close with extra bits passes", K::SysCommand, 0xF061, kPassed},
      {"minimise passes", K::SysCommand, 0xF020, kPassed},
      {"anything else passes", K::Other, kReturn, kPassed},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecidePopupMessage(c.kind, c.wParam, kNormal, kLitDefault), c.expected) << c.name;
}

}  // namespace
}  // namespace brevix
