#pragma once
// Pixel geometry of the skin, with the Windows rectangle conventions: right and bottom are
// exclusive, and a point is inside when left <= x < right and top <= y < bottom.
namespace brevix {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

constexpr Rect kNoRect{-1, -1, -1, -1};

}  // namespace brevix
