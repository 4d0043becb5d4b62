#pragma once
// The skinned vertical scroll bar without its window: geometry, position <-> thumb,
// the mouse, the three timers and the notifications to the owner. Every input returns the
// ordered steps the window has to carry out; painting reads Pieces().
#include <cstdint>
#include <vector>

#include "ui/skin/Geometry.h"

namespace brevix {

constexpr int kScrollRepeatTimer = 12110;
constexpr int kScrollDelayTimer = 12111;
constexpr int kScrollHoverTimer = 12112;
constexpr unsigned kScrollDelayMs = 150;
constexpr unsigned kScrollRepeatMs = 100;
constexpr unsigned kScrollHoverPollMs = 50;

// WM_VSCROLL codes the bar sends.
enum ScrollCode : int { kScrollLineUp = 0, kScrollLineDown = 1, kScrollThumbTrack = 5 };

struct ScrollStep {
  enum Kind {
    Notify,          // a = scroll code, b = position at the time
    StartTimer,      // a = timer id, b = period in ms
    StopTimer,       // a = timer id
    Capture,
    ReleaseCapture,
    Draw,            // compose the bar now (Pieces())
    Invalidate,      // invalidate with erase
    ArrowCursor,     // set the standard arrow
    Show,
    Hide,
    PostOwnerPaint,  // the owner repaints the place where the bar was
  };
  Kind kind;
  int a = 0;
  int b = 0;
  friend bool operator==(const ScrollStep&, const ScrollStep&) = default;
};
using ScrollSteps = std::vector<ScrollStep>;

// wParam of a Notify step: the code, and for the thumb track the low 16 bits of the position.
std::uint32_t ScrollNotifyWParam(const ScrollStep& notify);

// One stretch of a skin image onto the bar: the image's top-left srcWidth x srcHeight pixels
// onto `dest`.
struct BarPiece {
  int imageId = 0;
  Rect dest;
  int srcWidth = 0;
  int srcHeight = 0;
  friend bool operator==(const BarPiece&, const BarPiece&) = default;
};

class ScrollBarModel {
 public:
  enum class Hit { Thumb, DownArrow, UpArrow, Channel };

  // Records the bar's client rectangle and the reference image's size at creation.
  void Create(Rect client, int partWidth, int partHeight);

  // Travel of the thumb's top edge: client height minus three parts.
  int Track() const;

  void SetRange(int range, ScrollSteps& steps);
  // Stores p as given (the thumb still stays in the channel); returns the old position.
  int SetPosition(int position, ScrollSteps& steps);
  void UpdateThumbFromPosition(ScrollSteps& steps);
  void UpdatePositionFromThumb();
  void LimitThumb();

  ScrollSteps ButtonDown(Point p);
  ScrollSteps ButtonUp(Point p);
  ScrollSteps MouseMove(Point p);
  ScrollSteps Timer(int id, Point cursor);
  // Someone else took the mouse: nothing stays held or dragged.
  ScrollSteps CaptureLost();
  // The paint handler, also run by the owner after changing `shown`.
  ScrollSteps Paint(bool windowVisible);
  void SetShown(bool shown) { shown_ = shown; }

  ScrollSteps LineUp();
  ScrollSteps LineDown();

  Hit HitTest(Point p) const;
  // The last composed picture, in drawing order; the thumb only when range is not 0.
  std::vector<BarPiece> Pieces() const;

  int Position() const { return position_; }
  int Range() const { return range_; }
  int ThumbTop() const { return thumbTop_; }
  int PartWidth() const { return partWidth_; }
  int PartHeight() const { return partHeight_; }
  Rect ThumbRect() const { return thumbRect_; }
  Rect ClientRect() const { return clientRect_; }
  bool ThumbHot() const { return thumbHot_; }
  bool UpHeld() const { return upHeld_; }
  bool DownHeld() const { return downHeld_; }
  bool Dragging() const { return dragging_; }
  bool Shown() const { return shown_; }

  // For the owner that moves the position itself before UpdateThumbFromPosition.
  void SetPositionField(int position) { position_ = position; }

 private:
  void DrawBar(ScrollSteps& steps);
  void Notify(ScrollSteps& steps, int code) const;
  int Width() const { return clientRect_.Width(); }
  int Height() const { return clientRect_.Height(); }

  int thumbTop_ = 25;
  int partHeight_ = 12;
  int partWidth_ = 25;
  int position_ = 0;
  int range_ = 0;
  Rect thumbRect_ = kNoRect;
  Rect clientRect_ = kNoRect;
  bool thumbHot_ = false;
  bool upHeld_ = false;
  bool downHeld_ = false;
  bool dragging_ = false;
  bool shown_ = false;
};

}  // namespace brevix
