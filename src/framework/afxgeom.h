// Points, sizes and rectangles with the platform's layout and semantics.
#pragma once

#include "afxdefs.h"

namespace TzGrid {

struct POINT {
  LONG x;
  LONG y;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

class CPoint : public POINT {
 public:
  constexpr CPoint() noexcept : POINT{0, 0} {}
  constexpr CPoint(int x0, int y0) noexcept : POINT{x0, y0} {}
  // Unpacks a mouse message's lParam (signed 16-bit coordinates).
  static constexpr CPoint FromLParam(LPARAM l) noexcept { return {GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }
  friend constexpr bool operator==(const CPoint& a, const CPoint& b) { return a.x == b.x && a.y == b.y; }
};

class CSize {
 public:
  int cx = 0;
  int cy = 0;
};

class CRect : public RECT {
 public:
  constexpr CRect() noexcept : RECT{0, 0, 0, 0} {}
  constexpr CRect(int l, int t, int r, int b) noexcept : RECT{l, t, r, b} {}
  constexpr CRect(const RECT& r) noexcept : RECT(r) {}

  // Wrapped to 32 bits, as the platform computes it: a rectangle built from
  // sums of huge widths or heights must not overflow here.
  constexpr int Width() const noexcept { return int(std::uint32_t(right) - std::uint32_t(left)); }
  constexpr int Height() const noexcept { return int(std::uint32_t(bottom) - std::uint32_t(top)); }
  constexpr bool IsRectEmpty() const noexcept { return right <= left || bottom <= top; }
  constexpr bool PtInRect(CPoint p) const noexcept {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  void SetRect(int l, int t, int r, int b) noexcept { left = l, top = t, right = r, bottom = b; }
  void SetRectEmpty() noexcept { SetRect(0, 0, 0, 0); }
  void OffsetRect(int dx, int dy) noexcept { left += dx, right += dx, top += dy, bottom += dy; }
  // Moves left and top by -dx, -dy and right and bottom by +dx, +dy.
  void InflateRect(int dx, int dy) noexcept { left -= dx, top -= dy, right += dx, bottom += dy; }
  // Intersection; an empty result is set to (0, 0, 0, 0) as the platform does.
  bool IntersectRect(const RECT& a, const RECT& b) noexcept;
  // Smallest rectangle holding both; empty rectangles are ignored.
  bool UnionRect(const RECT& a, const RECT& b) noexcept;
  CPoint TopLeft() const noexcept { return {left, top}; }

  friend constexpr bool operator==(const CRect& a, const CRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend constexpr bool operator!=(const CRect& a, const CRect& b) { return !(a == b); }
};

inline bool CRect::IntersectRect(const RECT& a, const RECT& b) noexcept {
  CRect r(a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
          a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom);
  if (r.IsRectEmpty()) r.SetRectEmpty();
  *this = r;
  return !IsRectEmpty();
}

inline bool CRect::UnionRect(const RECT& a, const RECT& b) noexcept {
  CRect ra(a), rb(b);
  if (ra.IsRectEmpty()) {
    *this = rb;
  } else if (rb.IsRectEmpty()) {
    *this = ra;
  } else {
    SetRect(ra.left < rb.left ? ra.left : rb.left, ra.top < rb.top ? ra.top : rb.top,
            ra.right > rb.right ? ra.right : rb.right, ra.bottom > rb.bottom ? ra.bottom : rb.bottom);
  }
  if (IsRectEmpty()) SetRectEmpty();
  return !IsRectEmpty();
}

}  // namespace TzGrid
