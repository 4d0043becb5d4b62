#pragma once
// The quit popup's fixed layout and its keyboard, as a decision over the two buttons' looks
// and markers. The window carries out the decision.
#include <cstdint>
#include <vector>

#include "ui/skin/Geometry.h"

namespace brevix {

constexpr int kPopupWidth = 430;
constexpr int kPopupHeight = 253;
constexpr Rect kPopupYesRect{100, 163, 180, 198};
constexpr Rect kPopupNoRect{250, 163, 330, 198};
constexpr int kPopupTitleTop = 40;
constexpr int kPopupMessageTop = 100;
constexpr int kPopupTextHeight = 30;

enum class PopupButton { Yes, No };
enum class PopupEnd { None, Confirm, Cancel };

// The messages the popup's hook tells apart.
enum class PopupMessage { KeyDown, SysKeyDown, SysCommand, Other };

struct PopupButtonState {
  int look = 1;
  int defaultMarker = 0;
};

struct MarkerChange {
  PopupButton button;
  int marker;
  friend bool operator==(const MarkerChange&, const MarkerChange&) = default;
};

struct PopupDecision {
  bool swallow = false;              // handled here, not dispatched
  std::vector<MarkerChange> markers;  // in order
  PopupEnd end = PopupEnd::None;
  friend bool operator==(const PopupDecision&, const PopupDecision&) = default;
};

// `wParam` is the virtual key for key messages and the command for WM_SYSCOMMAND.
PopupDecision DecidePopupMessage(PopupMessage kind, std::uint32_t wParam, PopupButtonState yes, PopupButtonState no);

}  // namespace brevix
