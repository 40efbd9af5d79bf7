// Points, sizes and rectangles. Each derives from its Win32 structure without
// adding data, so a pointer to one passes straight to the API.
#pragma once

#include "Win.h"

#include <algorithm>

struct TPoint : POINT {
  constexpr TPoint() : POINT{0, 0} {}
  constexpr TPoint(LONG x, LONG y) : POINT{x, y} {}
  constexpr TPoint(const POINT& p) : POINT(p) {}
};

struct TSize : SIZE {
  constexpr TSize() : SIZE{0, 0} {}
  constexpr TSize(LONG cx, LONG cy) : SIZE{cx, cy} {}
  constexpr TSize(const SIZE& s) : SIZE(s) {}
};

struct TRect : RECT {
  constexpr TRect() : RECT{0, 0, 0, 0} {}
  constexpr TRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
  constexpr TRect(const RECT& r) : RECT(r) {}

  constexpr LONG Width() const { return right - left; }
  constexpr LONG Height() const { return bottom - top; }
};

static_assert(sizeof(TPoint) == sizeof(POINT), "TPoint must stay layout-compatible");
static_assert(sizeof(TSize) == sizeof(SIZE), "TSize must stay layout-compatible");
static_assert(sizeof(TRect) == sizeof(RECT), "TRect must stay layout-compatible");

constexpr TPoint Point(LONG x, LONG y) {
  return TPoint(x, y);
}
constexpr TRect Rect(LONG left, LONG top, LONG right, LONG bottom) {
  return TRect(left, top, right, bottom);
}
constexpr TRect Bounds(LONG left, LONG top, LONG width, LONG height) {
  return TRect(left, top, left + width, top + height);
}

constexpr bool operator==(const TPoint& a, const TPoint& b) {
  return a.x == b.x && a.y == b.y;
}
constexpr bool operator!=(const TPoint& a, const TPoint& b) {
  return !(a == b);
}
constexpr bool operator==(const TSize& a, const TSize& b) {
  return a.cx == b.cx && a.cy == b.cy;
}
constexpr bool operator!=(const TSize& a, const TSize& b) {
  return !(a == b);
}
constexpr bool operator==(const TRect& a, const TRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
constexpr bool operator!=(const TRect& a, const TRect& b) {
  return !(a == b);
}

// A rectangle without area (right <= left or bottom <= top) is empty.
constexpr bool IsRectEmpty(const TRect& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

// Right and bottom edges are outside the rectangle.
constexpr bool PtInRect(const TRect& r, const TPoint& p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The common part of a and b; false, with dest cleared, when there is none.
inline bool IntersectRect(TRect& dest, const TRect& a, const TRect& b) {
  const TRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom));
  dest = IsRectEmpty(r) ? TRect() : r;
  return !IsRectEmpty(dest);
}

// The smallest rectangle holding both; an empty one does not count. False,
// with dest cleared, when both are empty.
inline bool UnionRect(TRect& dest, const TRect& a, const TRect& b) {
  if (IsRectEmpty(a) || IsRectEmpty(b)) {
    dest = IsRectEmpty(a) ? (IsRectEmpty(b) ? TRect() : b) : a;
  } else {
    dest = TRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom));
  }
  return !IsRectEmpty(dest);
}

inline void OffsetRect(TRect& r, LONG dx, LONG dy) {
  r = TRect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
}

// Grows every side by dx and dy (shrinks when they are negative).
inline void InflateRect(TRect& r, LONG dx, LONG dy) {
  r = TRect(r.left - dx, r.top - dy, r.right + dx, r.bottom + dy);
}
