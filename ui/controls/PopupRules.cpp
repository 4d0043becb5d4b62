#include "ui/controls/PopupRules.h"

#include "ui/controls/UserButtonModel.h"

namespace brevix {
namespace {

constexpr std::uint32_t kVkTab = 0x09, kVkReturn = 0x0D, kVkMenu = 0x12, kVkEscape = 0x1B, kVkSpace = 0x20;
constexpr std::uint32_t kVkLeft = 0x25, kVkRight = 0x27;
constexpr std::uint32_t kScClose = 0xF060;

bool Lit(const PopupButtonState& b) { return b.look == kLookHighlighted; }

PopupEnd Activate(const PopupButtonState& yes, const PopupButtonState& no) {
  if (Lit(yes) && Lit(no)) {
    // The mouse rests on one while the other keeps the default: the marker decides.
    if (yes.defaultMarker == kDefaultMarker) return PopupEnd::Confirm;
    if (no.defaultMarker == kDefaultMarker) return PopupEnd::Cancel;
    return PopupEnd::None;
  }
  if (Lit(yes)) return PopupEnd::Confirm;
  if (Lit(no)) return PopupEnd::Cancel;
  return PopupEnd::None;
}

}  // namespace

PopupDecision DecidePopupMessage(PopupMessage kind, std::uint32_t wParam, PopupButtonState yes, PopupButtonState no) {
  using B = PopupButton;
  PopupDecision d;
  switch (kind) {
    case PopupMessage::KeyDown:
      d.swallow = true;
      switch (wParam) {
        case kVkLeft:
          d.markers = {{B::Yes, 2}, {B::No, 1}};
          break;
        case kVkRight:
          d.markers = {{B::No, 2}, {B::Yes, 1}};
          break;
        case kVkTab:
          if (Lit(no))
            d.markers = {{B::No, 1}, {B::Yes, 2}};
          else if (Lit(yes))
            d.markers = {{B::No, 2}, {B::Yes, 1}};
          else
            d.markers = {{B::No, 2}};
          break;
        case kVkReturn:
        case kVkSpace:
          d.end = Activate(yes, no);
          break;
        case kVkEscape:
          d.end = PopupEnd::Cancel;
          break;
        default:
          break;
      }
      break;
    case PopupMessage::SysKeyDown:
      // Alt and Alt+Space would open the system menu of a window that has none to show.
      d.swallow = wParam == kVkMenu || wParam == kVkSpace;
      break;
    case PopupMessage::SysCommand:
      if (wParam == kScClose) {
        d.swallow = true;
        d.end = PopupEnd::Cancel;
      }
      break;
    case PopupMessage::Other:
      break;
  }
  return d;
}

}  // namespace brevix
