#pragma once
// Geometry, colours and the drawing handle shared by every class of the widget library.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/gui/Types.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace DUI {

// A drawing target: a cairo context on a 32-bit ARGB image surface.
using HDC = cairo_t*;

// 32-bit ARGB colour of everything drawn.
struct Color {
  uint32_t argb = 0xFF000000;
  constexpr Color() = default;
  constexpr Color(uint32_t v) : argb(v) {}
  constexpr Color(unsigned a, unsigned r, unsigned g, unsigned b)
      : argb(((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF)) {}
  static constexpr Color FromCOLORREF(COLORREF c, unsigned alpha = 255) {
    return Color(alpha, static_cast<unsigned>(GetRValue(c)), static_cast<unsigned>(GetGValue(c)),
                 static_cast<unsigned>(GetBValue(c)));
  }
  constexpr unsigned GetA() const { return argb >> 24; }
  constexpr unsigned GetR() const { return (argb >> 16) & 0xFF; }
  constexpr unsigned GetG() const { return (argb >> 8) & 0xFF; }
  constexpr unsigned GetB() const { return argb & 0xFF; }
  constexpr uint32_t GetValue() const { return argb; }
  constexpr bool operator==(const Color& o) const { return argb == o.argb; }
};

// True when the two rectangles share at least one pixel.
constexpr bool RectsMeet(const CRect& a, const CRect& b) {
  return !a.IsRectEmpty() && !b.IsRectEmpty() && a.left < b.right && b.left < a.right && a.top < b.bottom &&
         b.top < a.bottom;
}
// The common part of two rectangles; empty when they do not meet.
constexpr CRect RectIntersection(const CRect& a, const CRect& b) {
  CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom));
  return r.IsRectEmpty() ? CRect() : r;
}
// The bounding rectangle; an empty operand does not widen the other.
constexpr CRect RectUnion(const CRect& a, const CRect& b) {
  if (a.IsRectEmpty()) return b.IsRectEmpty() ? CRect() : b;
  if (b.IsRectEmpty()) return a;
  return CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom));
}

// Font style bits of text drawing.
enum FontStyle : int { FontStyleRegular = 0, FontStyleBold = 1, FontStyleItalic = 2, FontStyleUnderline = 4, FontStyleStrikeout = 8 };

// Horizontal and vertical text alignment values.
enum : unsigned { DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_TOP = 0, DT_VCENTER = 4, DT_BOTTOM = 8,
                  DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_END_ELLIPSIS = 0x8000 };

// Notification codes that controls report to their parents.
enum NotifyCode : unsigned {
  NOTIFY_PRESS = 1, NOTIFY_CLICK = 2, NOTIFY_DBLCLK = 3, NOTIFY_RBUTTONUP = 5, NOTIFY_KEYTOGGLE = 7,
  NOTIFY_SCROLL = 8, NOTIFY_SECOND = 9, NOTIFY_KEY = 14, NOTIFY_EDITCHANGE = 26, NOTIFY_COLOR = 27,
  NOTIFY_SPIN = 28, NOTIFY_EDITCLOSE = 29, NOTIFY_EDITOPEN = 30, NOTIFY_EDITCLICK = 31,
};

// Modifier values of key events: the virtual-key codes of the modifier keys, combined with OR.
enum : unsigned { MOD_SHIFT_KEY = 0x10, MOD_CTRL_KEY = 0x11, MOD_ALT_KEY = 0x12 };

}  // namespace DUI
