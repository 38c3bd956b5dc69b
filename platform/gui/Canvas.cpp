#include "platform/gui/Canvas.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace DUI {
namespace {

void SetColor(cairo_t* cr, ARGB c) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                        ((c >> 24) & 0xFF) / 255.0);
}

void RoundPath(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::max(0.0, std::min(r, std::min(w, h) / 2));
  if (r <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

}  // namespace

Canvas::Canvas(Surface& target) {
  if (!target.IsValid()) return;
  // Our own reference: the Surface object may be moved away or reset while we draw.
  surface_ = cairo_surface_reference(target.Native());
  cr_ = cairo_create(surface_);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(cr_);
    cr_ = nullptr;
  }
}

Canvas::~Canvas() {
  if (cr_) cairo_destroy(cr_);
  if (surface_) {
    cairo_surface_flush(surface_);
    cairo_surface_destroy(surface_);
  }
}

void Canvas::Save() {
  if (cr_) cairo_save(cr_);
}
void Canvas::Restore() {
  if (cr_) cairo_restore(cr_);
}

void Canvas::ClipRect(const CRect& rect) {
  if (!cr_) return;
  cairo_rectangle(cr_, rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height()));
  cairo_clip(cr_);
}

void Canvas::Translate(int dx, int dy) {
  if (cr_) cairo_translate(cr_, dx, dy);
}

void Canvas::SetAntialias(bool on) {
  if (cr_) cairo_set_antialias(cr_, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void Canvas::FillRect(const CRect& rect, ARGB color) {
  if (!cr_ || rect.IsRectEmpty() || (color >> 24) == 0) return;
  SetColor(cr_, color);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr_);
}

void Canvas::ClearRect(const CRect& rect, ARGB color) {
  if (!cr_ || rect.IsRectEmpty()) return;
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  SetColor(cr_, color);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void Canvas::DrawRect(const CRect& rect, ARGB color, double width) {
  if (!cr_ || rect.IsRectEmpty() || width <= 0) return;
  SetColor(cr_, color);
  double h = width / 2;
  cairo_set_line_width(cr_, width);
  cairo_rectangle(cr_, rect.left + h, rect.top + h, rect.Width() - width, rect.Height() - width);
  cairo_stroke(cr_);
}

void Canvas::FillRoundRect(double x, double y, double w, double h, double r, ARGB color) {
  if (!cr_ || w <= 0 || h <= 0) return;
  SetColor(cr_, color);
  RoundPath(cr_, x, y, w, h, r);
  cairo_fill(cr_);
}

void Canvas::DrawRoundRect(double x, double y, double w, double h, double r, ARGB color, double width) {
  if (!cr_ || w <= 0 || h <= 0 || width <= 0) return;
  SetColor(cr_, color);
  cairo_set_line_width(cr_, width);
  double i = width / 2;
  RoundPath(cr_, x + i, y + i, w - width, h - width, std::max(0.0, r - i));
  cairo_stroke(cr_);
}

void Canvas::FillEllipse(double x, double y, double w, double h, ARGB color) {
  if (!cr_ || w <= 0 || h <= 0) return;
  SetColor(cr_, color);
  cairo_save(cr_);
  cairo_translate(cr_, x + w / 2, y + h / 2);
  cairo_scale(cr_, w / 2, h / 2);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr_);
  cairo_fill(cr_);
}

void Canvas::DrawEllipse(double x, double y, double w, double h, ARGB color, double width) {
  if (!cr_ || w <= 0 || h <= 0) return;
  SetColor(cr_, color);
  cairo_save(cr_);
  cairo_translate(cr_, x + w / 2, y + h / 2);
  cairo_scale(cr_, w / 2, h / 2);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr_);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void Canvas::DrawLine(double x1, double y1, double x2, double y2, ARGB color, double width) {
  if (!cr_) return;
  SetColor(cr_, color);
  cairo_set_line_width(cr_, width);
  cairo_move_to(cr_, x1, y1);
  cairo_line_to(cr_, x2, y2);
  cairo_stroke(cr_);
}

void Canvas::FillGradient(const CRect& rect, ARGB from, ARGB to, bool vertical) {
  if (!cr_ || rect.IsRectEmpty()) return;
  cairo_pattern_t* p = vertical ? cairo_pattern_create_linear(0, rect.top, 0, rect.bottom)
                                : cairo_pattern_create_linear(rect.left, 0, rect.right, 0);
  auto stop = [p](double at, ARGB c) {
    cairo_pattern_add_color_stop_rgba(p, at, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                      (c & 0xFF) / 255.0, ((c >> 24) & 0xFF) / 255.0);
  };
  stop(0, from);
  stop(1, to);
  cairo_set_source(cr_, p);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr_);
  cairo_pattern_destroy(p);
}

void Canvas::DrawImage(const Image& image, const CRect& dest, const CRect& src, BYTE alpha) {
  DrawSurface(image.Pixels(), dest, src, alpha);
}

void Canvas::DrawSurface(const Surface& surface, const CRect& dest, const CRect& srcIn, BYTE alpha) {
  if (!cr_ || !surface.IsValid() || dest.IsRectEmpty() || alpha == 0) return;
  CRect src = srcIn.IsRectNull() ? CRect(0, 0, surface.Width(), surface.Height()) : srcIn;
  CRect inside;
  if (!inside.IntersectRect(src, CRect(0, 0, surface.Width(), surface.Height())) || inside != src) {
    // A part reaching outside the image is cut to the image, scaled the same way.
    if (inside.IsRectEmpty()) return;
  }
  double sx = static_cast<double>(dest.Width()) / src.Width();
  double sy = static_cast<double>(dest.Height()) / src.Height();
  // The part as a surface of its own, padded at its edges, so scaling samples nothing beyond it.
  cairo_surface_t* part =
      cairo_surface_create_for_rectangle(surface.Native(), inside.left, inside.top, inside.Width(), inside.Height());
  cairo_save(cr_);
  cairo_rectangle(cr_, dest.left + (inside.left - src.left) * sx, dest.top + (inside.top - src.top) * sy,
                  inside.Width() * sx, inside.Height() * sy);
  cairo_clip(cr_);
  cairo_translate(cr_, dest.left + (inside.left - src.left) * sx, dest.top + (inside.top - src.top) * sy);
  cairo_scale(cr_, sx, sy);
  cairo_set_source_surface(cr_, part, 0, 0);
  cairo_pattern_t* pat = cairo_get_source(cr_);
  cairo_pattern_set_extend(pat, CAIRO_EXTEND_PAD);
  bool unscaled = dest.Width() == src.Width() && dest.Height() == src.Height();
  cairo_pattern_set_filter(pat, unscaled ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
  if (alpha == 255) {
    cairo_paint(cr_);
  } else {
    cairo_paint_with_alpha(cr_, alpha / 255.0);
  }
  cairo_restore(cr_);
  cairo_surface_destroy(part);
}

}  // namespace DUI
