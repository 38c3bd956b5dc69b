#pragma once
// Basic types of the GUI platform layer: window handles, message parameters, geometry and the
// message record. The names and numbers follow the Windows conventions the widget library was
// designed around, so that the layer above reads the same as its design.
#include <algorithm>
#include <cstdint>

namespace DUI {

using UINT = uint32_t;
using DWORD = uint32_t;
using BYTE = uint8_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LONG_PTR = intptr_t;
using COLORREF = uint32_t;  // 0x00BBGGRR: red in the low byte
using ARGB = uint32_t;      // 0xAARRGGBB, not premultiplied

// A window handle. It is an identifier, never dereferenced: handles are not reused within a
// process, so a stale handle simply names no window.
struct HWND__;
using HWND = HWND__*;

struct CPoint {
  int x = 0;
  int y = 0;
  constexpr CPoint() = default;
  constexpr CPoint(int x_, int y_) : x(x_), y(y_) {}
  constexpr bool operator==(const CPoint&) const = default;
  void Offset(int dx, int dy) { x += dx; y += dy; }
};

struct CSize {
  int cx = 0;
  int cy = 0;
  constexpr CSize() = default;
  constexpr CSize(int cx_, int cy_) : cx(cx_), cy(cy_) {}
  constexpr bool operator==(const CSize&) const = default;
};

// left, top inclusive; right, bottom exclusive.
struct CRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  constexpr CRect() = default;
  constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  constexpr CRect(CPoint pt, CSize sz) : left(pt.x), top(pt.y), right(pt.x + sz.cx), bottom(pt.y + sz.cy) {}
  constexpr bool operator==(const CRect&) const = default;

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr CSize Size() const { return {Width(), Height()}; }
  constexpr CPoint TopLeft() const { return {left, top}; }
  constexpr CPoint BottomRight() const { return {right, bottom}; }
  constexpr CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }
  // Empty when it has no area (also when inverted).
  constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
  constexpr bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  constexpr bool PtInRect(CPoint pt) const {
    return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
  }
  void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  void SetRectEmpty() { left = top = right = bottom = 0; }
  void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
  void OffsetRect(CPoint pt) { OffsetRect(pt.x, pt.y); }
  void InflateRect(int dx, int dy) { left -= dx; right += dx; top -= dy; bottom += dy; }
  void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
  void DeflateRect(int l, int t, int r, int b) { left += l; top += t; right -= r; bottom -= b; }
  void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
  // The common part; an empty rectangle (all zero) when they do not meet. Returns false then.
  bool IntersectRect(const CRect& a, const CRect& b) {
    CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom));
    if (r.IsRectEmpty()) { SetRectEmpty(); return false; }
    *this = r;
    return true;
  }
  // The bounding rectangle; an empty operand does not count.
  bool UnionRect(const CRect& a, const CRect& b) {
    if (a.IsRectEmpty()) { *this = b.IsRectEmpty() ? CRect() : b; return !IsRectEmpty(); }
    if (b.IsRectEmpty()) { *this = a; return true; }
    *this = CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom));
    return true;
  }
};

// One queued message. `time` is the layer's clock in milliseconds, `pt` the pointer position in
// screen coordinates when the message was queued.
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  uint32_t time = 0;
  CPoint pt;
};

// Packing helpers for message parameters (points travel as two signed 16-bit words).
constexpr uint16_t LOWORD(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<uint32_t>((static_cast<uint32_t>(lo) & 0xFFFF) |
                                                   ((static_cast<uint32_t>(hi) & 0xFFFF) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) { return static_cast<WPARAM>(static_cast<uint32_t>(MAKELPARAM(lo, hi))); }
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(l))); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(l))); }
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<int16_t>(HIWORD(w)); }
constexpr int GET_KEYSTATE_WPARAM(WPARAM w) { return LOWORD(w); }
constexpr CPoint PointFromLParam(LPARAM l) { return {GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }
constexpr LPARAM LParamFromPoint(CPoint pt) { return MAKELPARAM(pt.x, pt.y); }

// Colour helpers.
constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return c & 0xFF; }
constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }
constexpr ARGB MakeARGB(int a, int r, int g, int b) {
  return (static_cast<ARGB>(a & 0xFF) << 24) | (static_cast<ARGB>(r & 0xFF) << 16) |
         (static_cast<ARGB>(g & 0xFF) << 8) | static_cast<ARGB>(b & 0xFF);
}
constexpr ARGB ArgbFromColorRef(COLORREF c, int alpha = 255) {
  return MakeARGB(alpha, GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace DUI
