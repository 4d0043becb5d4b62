#include "ui/controls/ScrollBarModel.h"

#include <algorithm>
#include <cmath>

#include "ui/ResourceIds.h"

namespace brevix {
namespace {

// Keeps a computed offset inside int before truncation; LimitThumb narrows it further.
int TruncateOffset(double value) {
  constexpr double kLimit = 1e9;
  return int(std::trunc(std::clamp(value, -kLimit, kLimit)));
}

}  // namespace

std::uint32_t ScrollNotifyWParam(const ScrollStep& notify) {
  if (notify.a != kScrollThumbTrack) return std::uint32_t(notify.a);
  return std::uint32_t(kScrollThumbTrack) | (std::uint32_t(std::uint16_t(notify.b)) << 16);
}

void ScrollBarModel::Create(Rect client, int partWidth, int partHeight) {
  clientRect_ = client;
  partWidth_ = partWidth;
  partHeight_ = partHeight;
}

int ScrollBarModel::Track() const { return clientRect_.bottom - clientRect_.top - 3 * partHeight_; }

void ScrollBarModel::SetRange(int range, ScrollSteps& steps) {
  range_ = std::max(range, 0);
  steps.push_back({ScrollStep::Invalidate});
}

int ScrollBarModel::SetPosition(int position, ScrollSteps& steps) {
  const int old = position_;
  position_ = position;
  UpdateThumbFromPosition(steps);
  steps.push_back({ScrollStep::Invalidate});
  return old;
}

void ScrollBarModel::UpdateThumbFromPosition(ScrollSteps& steps) {
  if (range_ == 0) {
    thumbTop_ = clientRect_.top + partHeight_;
  } else {
    const double track = Track();
    thumbTop_ = partHeight_ + TruncateOffset(position_ * (track / range_) + 0.5);
  }
  LimitThumb();
  DrawBar(steps);
}

void ScrollBarModel::UpdatePositionFromThumb() {
  LimitThumb();
  const int track = Track();
  // A bar too short for a track has nowhere to move the thumb: the position is the start.
  if (track <= 0) {
    position_ = 0;
    return;
  }
  const double share = (thumbTop_ - partHeight_) * (double(range_) / track) + 0.5;
  position_ = std::clamp(TruncateOffset(share), 0, range_);
}

void ScrollBarModel::LimitThumb() {
  const int top = clientRect_.top, bottom = clientRect_.bottom, h = partHeight_;
  if (thumbTop_ + h > bottom - top - h) thumbTop_ = bottom - 2 * h - top;
  if (thumbTop_ < top + h) thumbTop_ = top + h;
}

void ScrollBarModel::DrawBar(ScrollSteps& steps) {
  thumbRect_ = range_ == 0 ? kNoRect
                           : Rect{clientRect_.left, clientRect_.top + thumbTop_, clientRect_.right,
                                  clientRect_.top + thumbTop_ + partHeight_};
  steps.push_back({ScrollStep::Draw});
}

void ScrollBarModel::Notify(ScrollSteps& steps, int code) const {
  steps.push_back({ScrollStep::Notify, code, position_});
}

ScrollBarModel::Hit ScrollBarModel::HitTest(Point p) const {
  const int w = Width(), h = partHeight_, H = Height();
  if (Rect{0, thumbTop_, w, thumbTop_ + h}.Contains(p)) return Hit::Thumb;
  if (Rect{0, H - h, w, H}.Contains(p)) return Hit::DownArrow;
  if (Rect{0, 0, w, h}.Contains(p)) return Hit::UpArrow;
  return Hit::Channel;
}

ScrollSteps ScrollBarModel::ButtonDown(Point p) {
  ScrollSteps steps{{ScrollStep::Capture}};
  switch (HitTest(p)) {
    case Hit::Thumb:
      dragging_ = true;
      break;
    case Hit::DownArrow:
      downHeld_ = true;
      steps.push_back({ScrollStep::StartTimer, kScrollDelayTimer, int(kScrollDelayMs)});
      break;
    case Hit::UpArrow:
      upHeld_ = true;
      steps.push_back({ScrollStep::StartTimer, kScrollDelayTimer, int(kScrollDelayMs)});
      break;
    case Hit::Channel:
      thumbTop_ = p.y - partHeight_ / 2;
      UpdatePositionFromThumb();
      DrawBar(steps);
      Notify(steps, kScrollThumbTrack);
      break;
  }
  return steps;
}

ScrollSteps ScrollBarModel::ButtonUp(Point p) {
  ScrollSteps steps;
  UpdateThumbFromPosition(steps);
  steps.push_back({ScrollStep::StopTimer, kScrollRepeatTimer});
  steps.push_back({ScrollStep::ReleaseCapture});
  const int w = Width(), h = partHeight_, H = Height();
  if (Rect{0, 0, w, h}.Contains(p)) {
    const ScrollSteps line = LineUp();
    steps.insert(steps.end(), line.begin(), line.end());
  } else if (Rect{0, H - h, w, H}.Contains(p)) {
    const ScrollSteps line = LineDown();
    steps.insert(steps.end(), line.begin(), line.end());
  } else if (thumbRect_.Contains(p)) {
    // The drawn thumb, not thumbTop: at range 0 there is no thumb to hover.
    thumbHot_ = true;
    steps.push_back({ScrollStep::Invalidate});
    steps.push_back({ScrollStep::StartTimer, kScrollHoverTimer, int(kScrollHoverPollMs)});
  }
  upHeld_ = downHeld_ = dragging_ = false;
  return steps;
}

ScrollSteps ScrollBarModel::MouseMove(Point p) {
  ScrollSteps steps;
  const bool wasHot = thumbHot_;
  thumbHot_ = thumbRect_.Contains(p);
  if (dragging_) {
    thumbTop_ = p.y - partHeight_ / 2;
    UpdatePositionFromThumb();
    Notify(steps, kScrollThumbTrack);
    DrawBar(steps);
  }
  if (thumbHot_ != wasHot) {
    steps.push_back({ScrollStep::Invalidate});
    steps.push_back({ScrollStep::StartTimer, kScrollHoverTimer, int(kScrollHoverPollMs)});
  }
  return steps;
}

ScrollSteps ScrollBarModel::Timer(int id, Point cursor) {
  ScrollSteps steps;
  switch (id) {
    case kScrollRepeatTimer:
      if (upHeld_) steps = LineUp();
      if (downHeld_) {
        const ScrollSteps line = LineDown();
        steps.insert(steps.end(), line.begin(), line.end());
      }
      break;
    case kScrollDelayTimer:
      steps.push_back({ScrollStep::StopTimer, kScrollDelayTimer});
      if (upHeld_ || downHeld_) steps.push_back({ScrollStep::StartTimer, kScrollRepeatTimer, int(kScrollRepeatMs)});
      break;
    case kScrollHoverTimer:
      if (!thumbRect_.Contains(cursor)) {
        thumbHot_ = false;
        steps.push_back({ScrollStep::StopTimer, kScrollHoverTimer});
        steps.push_back({ScrollStep::ArrowCursor});
        steps.push_back({ScrollStep::Invalidate});
      }
      break;
    default:
      break;
  }
  return steps;
}

ScrollSteps ScrollBarModel::CaptureLost() {
  ScrollSteps steps;
  if (!upHeld_ && !downHeld_ && !dragging_) return steps;
  upHeld_ = downHeld_ = dragging_ = false;
  steps.push_back({ScrollStep::StopTimer, kScrollDelayTimer});
  steps.push_back({ScrollStep::StopTimer, kScrollRepeatTimer});
  UpdateThumbFromPosition(steps);
  return steps;
}

ScrollSteps ScrollBarModel::Paint(bool windowVisible) {
  ScrollSteps steps;
  if (shown_) {
    if (!windowVisible) steps.push_back({ScrollStep::Show});
    DrawBar(steps);
  } else if (windowVisible) {
    steps.push_back({ScrollStep::Hide});
    steps.push_back({ScrollStep::PostOwnerPaint});
  }
  return steps;
}

ScrollSteps ScrollBarModel::LineUp() {
  ScrollSteps steps;
  if (position_ > 0) --position_;
  Notify(steps, kScrollLineUp);
  UpdateThumbFromPosition(steps);
  return steps;
}

ScrollSteps ScrollBarModel::LineDown() {
  ScrollSteps steps;
  if (position_ < range_) ++position_;
  Notify(steps, kScrollLineDown);
  UpdateThumbFromPosition(steps);
  return steps;
}

std::vector<BarPiece> ScrollBarModel::Pieces() const {
  const int L = clientRect_.left, T0 = clientRect_.top, R = clientRect_.right, B = clientRect_.bottom;
  const int h = partHeight_, w = partWidth_;
  const int c = T0 + thumbTop_ + h / 2;  // where the two channel pieces meet
  std::vector<BarPiece> pieces;
  auto add = [&](int id, Rect dest, int srcHeight) {
    // A bar shorter than its parts leaves some pieces empty; StretchBlt would mirror them.
    if (dest.Width() > 0 && dest.Height() > 0) pieces.push_back({id, dest, w, srcHeight});
  };
  add(IDB_SCROLL_UP, {L, T0, R, T0 + h}, h);
  add(IDB_SCROLL_CHANNEL, {L, c, R, B - h}, 1);
  add(IDB_SCROLL_CHANNEL, {L, T0 + h, R, c}, 1);
  add(IDB_SCROLL_DOWN, {L, B - h, R, B}, h);
  if (range_ != 0) add(IDB_SCROLL_THUMB, thumbRect_, h);
  return pieces;
}

}  // namespace brevix
