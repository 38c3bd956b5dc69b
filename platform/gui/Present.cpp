// Presenting: the window's visible pixels are composed here for both backends, so the rules for
// layered windows (per-pixel alpha, constant alpha, colour key, rounded shape) are one code.
#include <algorithm>
#include <cmath>

#include "platform/gui/Native.h"
#include "platform/gui/detail/Core.h"

namespace DUI {
namespace detail {
namespace {

bool InsideRound(int x, int y, int w, int h, int r) {
  if (r <= 0) return true;
  auto outside = [r](int dx, int dy) {
    // Distance of the pixel centre from the corner circle's centre.
    double fx = dx + 0.5, fy = dy + 0.5;
    return fx * fx + fy * fy > static_cast<double>(r) * r;
  };
  if (x < r && y < r) return !outside(r - x - 1, r - y - 1);
  if (x >= w - r && y < r) return !outside(x - (w - r), r - y - 1);
  if (x < r && y >= h - r) return !outside(r - x - 1, y - (h - r));
  if (x >= w - r && y >= h - r) return !outside(x - (w - r), y - (h - r));
  return true;
}

// Applies what the display does with the pixels of rect of the window's frame.
void Compose(WindowRec& w, const CRect& rect) {
  uint8_t* bits = reinterpret_cast<uint8_t*>(w.frame.Bits());
  int stride = w.frame.Stride();
  int ww = w.frame.Width(), wh = w.frame.Height();
  bool layered = w.Layered();
  bool key = layered && (w.layeredFlags & LWA_COLORKEY);
  uint32_t keyArgb = 0xFF000000u | (static_cast<uint32_t>(GetRValue(w.colorKey)) << 16) |
                     (static_cast<uint32_t>(GetGValue(w.colorKey)) << 8) | GetBValue(w.colorKey);
  uint32_t ca = (layered && (w.layeredFlags & LWA_ALPHA)) ? w.constAlpha : 255;
  for (int y = rect.top; y < rect.bottom; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(bits + static_cast<size_t>(y) * stride);
    for (int x = rect.left; x < rect.right; ++x) {
      uint32_t p = row[x];
      if (!layered) {
        p |= 0xFF000000u;  // an opaque window shows the colour bytes as they are
      } else {
        if (key && (p | 0xFF000000u) == keyArgb && (p >> 24) == 255) p = 0;
        if (ca != 255) {
          auto mul = [ca](uint32_t v) { return (v * ca + 127) / 255; };
          p = (mul(p >> 24) << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
        }
      }
      if (w.roundRadius > 0 && !InsideRound(x, y, ww, wh, w.roundRadius)) p = layered ? 0 : 0xFF000000u;
      row[x] = p;
    }
  }
  w.frame.MarkDirty();
}

bool PresentInto(HWND hwnd, const Surface& src, const CRect& rect, bool wholeLayered) {
  WindowRec* w = Find(hwnd);
  Backend* b = CurrentBackendImpl();
  if (!w || w->dying || !b || !src.IsValid()) return false;
  int cw = w->rect.Width(), ch = w->rect.Height();
  if (cw <= 0 || ch <= 0) return false;
  if (w->frame.Width() != cw || w->frame.Height() != ch) {
    Surface fresh(cw, ch);
    if (!fresh.IsValid()) return false;
    if (w->frame.IsValid()) fresh.CopyFrom(w->frame, CRect(0, 0, cw, ch), 0, 0);
    w->frame = std::move(fresh);
  }
  CRect r;
  CRect wanted = wholeLayered ? CRect(0, 0, cw, ch) : rect;
  if (!r.IntersectRect(wanted, CRect(0, 0, std::min(cw, src.Width()), std::min(ch, src.Height())))) return true;
  w->frame.CopyFrom(src, r, r.left, r.top);
  Compose(*w, r);
  ++w->frameCount;
  b->Present(*w, w->frame, r);
  return true;
}

}  // namespace
}  // namespace detail

namespace Native {

bool PresentSurface(HWND hwnd, const Surface& surface, const CRect& rect) {
  return detail::PresentInto(hwnd, surface, rect, false);
}

bool UpdateLayeredWindow(HWND hwnd, const Surface& surface, BYTE constantAlpha) {
  detail::WindowRec* w = detail::Find(hwnd);
  if (!w || w->dying) return false;
  w->exStyle |= WS_EX_LAYERED;
  // A layered update replaces the attributes of SetLayeredWindowAttributes.
  w->constAlpha = constantAlpha;
  w->layeredFlags = LWA_ALPHA;
  return detail::PresentInto(hwnd, surface, CRect(0, 0, surface.Width(), surface.Height()), true);
}

}  // namespace Native
}  // namespace DUI

#include "platform/gui/Canvas.h"

namespace DUI::Native {

bool SetWindowIcon(HWND hwnd, const Image& icon) {
  detail::WindowRec* w = detail::Find(hwnd);
  detail::Backend* b = detail::CurrentBackendImpl();
  if (!w || w->dying || !b || !icon.IsValid()) return false;
  b->IconNative(*w, icon.Pixels());
  return true;
}

}  // namespace DUI::Native
