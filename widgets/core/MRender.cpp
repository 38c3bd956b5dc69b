#include "widgets/core/MRender.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "platform/gui/Resource.h"
#include "widgets/core/Picture.h"

namespace DUI {

namespace {

void SetSource(cairo_t* cr, Color c) {
  cairo_set_source_rgba(cr, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0, c.GetA() / 255.0);
}

PangoFontDescription* MakeFont(const FontSpec& font) {
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, font.face.empty() ? "Open Sans" : font.face.c_str());
  pango_font_description_set_absolute_size(desc, std::max(font.size, 1) * PANGO_SCALE);
  if (font.style & FontStyleBold) pango_font_description_set_weight(desc, PANGO_WEIGHT_BOLD);
  if (font.style & FontStyleItalic) pango_font_description_set_style(desc, PANGO_STYLE_ITALIC);
  return desc;
}

void ApplyDecorations(PangoLayout* layout, const FontSpec& font) {
  if (!(font.style & (FontStyleUnderline | FontStyleStrikeout))) return;
  PangoAttrList* attrs = pango_attr_list_new();
  if (font.style & FontStyleUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (font.style & FontStyleStrikeout) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
  pango_layout_set_attributes(layout, attrs);
  pango_attr_list_unref(attrs);
}

// A scratch context for measuring text without a target.
cairo_t* MeasureContext() {
  thread_local cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  thread_local cairo_t* cr = cairo_create(surface);
  return cr;
}

// Alpha of row i of n running from `from` to `to`.
int RampAlpha(double from, double to, int i, int n) {
  if (n <= 1) return static_cast<int>(from);
  return static_cast<int>(from + (to - from) * i / (n - 1));
}

void TransitionBounds(int a, int b, double& from, double& to) {
  const double first = 255 - 2.55 * std::min(a, b);
  const double last = 2.55 * (100 - std::max(a, b));
  if (a < b) {
    from = first;
    to = last;
  } else {
    from = last;
    to = first;
  }
}

}  // namespace

std::unique_ptr<Picture> MRender::LoadImageFromFile(const std::string& path) { return Picture::FromFile(path); }

std::unique_ptr<Picture> MRender::LoadImageFromFileEx(const std::string& path, int width, int height) {
  std::unique_ptr<Picture> image = Picture::FromFile(path);
  if (!image || (width == 0 && height == 0)) return image;
  if (width <= 0 || height <= 0) return nullptr;
  cairo_surface_t* thumb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(thumb);
  cairo_scale(cr, static_cast<double>(width) / image->GetWidth(), static_cast<double>(height) / image->GetHeight());
  cairo_set_source_surface(cr, image->GetSurface(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  return std::make_unique<Picture>(thumb);
}

std::unique_ptr<Picture> MRender::LoadImageFromIDResource(unsigned id, const std::string& type) {
  const ResourceData res = FindResource(static_cast<int>(id), type.c_str());
  if (!res) return nullptr;
  return Picture::FromMemory(res.data, res.size);
}

cairo_surface_t* MRender::CreateARGB32Bitmap(int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
}

void MRender::BitBlt(HDC& dst, int x, int y, int w, int h, cairo_surface_t* src, int sx, int sy) {
  if (!dst || !src || w <= 0 || h <= 0) return;
  cairo_save(dst);
  cairo_rectangle(dst, x, y, w, h);
  cairo_clip(dst);
  cairo_set_operator(dst, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(dst, src, x - sx, y - sy);
  cairo_paint(dst);
  cairo_restore(dst);
}

void MRender::FillSolidRect(HDC& dc, CRect rect, COLORREF color) { DrawColor(dc, rect, Color::FromCOLORREF(color)); }

void MRender::DrawColor(HDC& dc, CRect rect, Color color) {
  if (!dc || color.GetA() == 0 || rect.IsRectEmpty()) return;
  cairo_save(dc);
  // A fill replaces the pixels, alpha included, as the native fill of a 32-bit bitmap does.
  cairo_set_operator(dc, color.GetA() == 255 ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
  SetSource(dc, color);
  cairo_rectangle(dc, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(dc);
  cairo_restore(dc);
}

void MRender::CheckAlphaColor(Color& color) {
  if (color.GetR() == 0 && color.GetG() == 0 && color.GetB() == 0) color = Color(color.GetA(), 0, 0, 1);
}

void MRender::DrawImage(HDC& dc, Picture* image, CRect dest, int sx, int sy, int sw, int sh, double alpha) {
  if (!dc || !image || dest.IsRectEmpty() || sw <= 0 || sh <= 0) return;
  // Scaling filters sample neighbours: the part is cut out as a surface of its own, so a
  // stretched edge never picks up pixels of the next part.
  cairo_surface_t* part = image->GetSurface();
  const bool whole = sx == 0 && sy == 0 && sw == image->GetWidth() && sh == image->GetHeight();
  if (!whole) part = cairo_surface_create_for_rectangle(image->GetSurface(), sx, sy, sw, sh);
  cairo_save(dc);
  cairo_rectangle(dc, dest.left, dest.top, dest.Width(), dest.Height());
  cairo_clip(dc);
  cairo_translate(dc, dest.left, dest.top);
  cairo_scale(dc, static_cast<double>(dest.Width()) / sw, static_cast<double>(dest.Height()) / sh);
  cairo_set_source_surface(dc, part, 0, 0);
  cairo_pattern_set_extend(cairo_get_source(dc), CAIRO_EXTEND_PAD);
  if (sw == dest.Width() && sh == dest.Height()) cairo_pattern_set_filter(cairo_get_source(dc), CAIRO_FILTER_NEAREST);
  if (alpha >= 1.0)
    cairo_paint(dc);
  else
    cairo_paint_with_alpha(dc, alpha);
  cairo_restore(dc);
  if (!whole) cairo_surface_destroy(part);
}

void MRender::DrawImageFrame(HDC& dc, Picture* image, CRect dest, int sx, int sy, int sw, int sh, int corner) {
  DrawImageFrameMID(dc, image, dest, sx, sy, sw, sh, corner, corner, corner, corner);
}

void MRender::DrawImageFrameMID(HDC& dc, Picture* image, CRect dest, int sx, int sy, int sw, int sh, int left,
                                int top, int right, int bottom) {
  if (!image || dest.IsRectEmpty()) return;
  // Margins never exceed the source or the destination.
  left = std::clamp(left, 0, sw / 2);
  right = std::clamp(right, 0, sw - left);
  top = std::clamp(top, 0, sh / 2);
  bottom = std::clamp(bottom, 0, sh - top);
  const int dl = std::min(left, dest.Width() / 2), dr = std::min(right, dest.Width() - dl);
  const int dt = std::min(top, dest.Height() / 2), db = std::min(bottom, dest.Height() - dt);
  const int sxs[4] = {sx, sx + left, sx + sw - right, sx + sw};
  const int sys[4] = {sy, sy + top, sy + sh - bottom, sy + sh};
  const int dxs[4] = {dest.left, dest.left + dl, dest.right - dr, dest.right};
  const int dys[4] = {dest.top, dest.top + dt, dest.bottom - db, dest.bottom};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      DrawImage(dc, image, CRect(dxs[col], dys[row], dxs[col + 1], dys[row + 1]), sxs[col], sys[row],
                sxs[col + 1] - sxs[col], sys[row + 1] - sys[row]);
}

CPoint MRender::GetOriginPoint(int areaW, int areaH, int itemW, int itemH, unsigned h, unsigned v) {
  CPoint pt;
  if (h == DT_CENTER)
    pt.x = (areaW - itemW) / 2;
  else if (h == DT_RIGHT)
    pt.x = areaW - itemW;
  if (v == DT_VCENTER)
    pt.y = (areaH - itemH) / 2;
  else if (v == DT_BOTTOM)
    pt.y = areaH - itemH;
  return pt;
}

CPoint MRender::GetOriginPoint(CRect area, int itemW, int itemH, unsigned h, unsigned v) {
  CPoint pt = GetOriginPoint(area.Width(), area.Height(), itemW, itemH, h, v);
  return CPoint(pt.x + area.left, pt.y + area.top + 2);
}

namespace {

// Text layouts are costly to make; one per thread is reused, with its font descriptions
// cached by face, size and style.
struct TextEngine {
  PangoContext* context = nullptr;
  PangoLayout* layout = nullptr;
  std::map<std::tuple<std::string, int, int>, PangoFontDescription*> fonts;
  TextEngine() {
    context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    layout = pango_layout_new(context);
  }
  ~TextEngine() {
    for (auto& f : fonts) pango_font_description_free(f.second);
    g_object_unref(layout);
    g_object_unref(context);
  }
  PangoLayout* Prepare(cairo_t* cr, const FontSpec& font, const char* text) {
    if (cr) pango_cairo_update_context(cr, context);
    pango_layout_context_changed(layout);
    auto key = std::make_tuple(font.face, font.size, font.style & (FontStyleBold | FontStyleItalic));
    auto it = fonts.find(key);
    if (it == fonts.end()) it = fonts.emplace(key, MakeFont(font)).first;
    pango_layout_set_font_description(layout, it->second);
    pango_layout_set_attributes(layout, nullptr);
    ApplyDecorations(layout, font);
    pango_layout_set_text(layout, text, -1);
    pango_layout_set_width(layout, -1);
    pango_layout_set_height(layout, -1);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
    return layout;
  }
};

TextEngine& Engine() {
  thread_local TextEngine engine;
  return engine;
}

}  // namespace

int MRender::DrawTextW(HDC& dc, CRect rect, const char* text, Color color, const FontSpec& font, unsigned format) {
  if (!text || !dc) return 0;
  PangoLayout* layout = Engine().Prepare(dc, font, text);
  pango_layout_set_width(layout, std::max(rect.Width(), 0) * PANGO_SCALE);
  if (format & DT_SINGLELINE) {
    pango_layout_set_height(layout, 0);
    pango_layout_set_ellipsize(layout, (format & DT_END_ELLIPSIS) ? PANGO_ELLIPSIZE_END : PANGO_ELLIPSIZE_NONE);
  } else {
    pango_layout_set_wrap(layout, (format & DT_WORDBREAK) ? PANGO_WRAP_WORD_CHAR : PANGO_WRAP_CHAR);
  }
  const unsigned h = format & 3;
  pango_layout_set_alignment(layout, h == DT_CENTER ? PANGO_ALIGN_CENTER : h == DT_RIGHT ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
  int tw = 0, th = 0;
  pango_layout_get_pixel_size(layout, &tw, &th);
  int y = rect.top;
  if (format & DT_VCENTER)
    y = rect.top + (rect.Height() - th) / 2;
  else if (format & DT_BOTTOM)
    y = rect.bottom - th;
  cairo_save(dc);
  cairo_rectangle(dc, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_clip(dc);
  SetSource(dc, color);
  cairo_move_to(dc, rect.left, y);
  pango_cairo_show_layout(dc, layout);
  cairo_restore(dc);
  return th;
}

CSize MRender::GetTextBounds(const FontSpec& font, const std::string& text) {
  PangoLayout* layout = Engine().Prepare(MeasureContext(), font, text.c_str());
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  const double width = static_cast<double>(logical.width) / PANGO_SCALE;
  const double height = static_cast<double>(logical.height) / PANGO_SCALE;
  const int whole = static_cast<int>(height);
  return CSize(static_cast<int>(std::ceil(width)), height > whole ? whole + 4 : whole + 1);
}

void MRender::DrawGradient(HDC& dc, CRect rect, Color from, Color to, bool vertical) {
  if (!dc || rect.IsRectEmpty()) return;
  cairo_pattern_t* p = vertical ? cairo_pattern_create_linear(0, rect.top, 0, rect.bottom)
                                : cairo_pattern_create_linear(rect.left, 0, rect.right, 0);
  cairo_pattern_add_color_stop_rgba(p, 0, from.GetR() / 255.0, from.GetG() / 255.0, from.GetB() / 255.0, from.GetA() / 255.0);
  cairo_pattern_add_color_stop_rgba(p, 1, to.GetR() / 255.0, to.GetG() / 255.0, to.GetB() / 255.0, to.GetA() / 255.0);
  cairo_save(dc);
  cairo_set_source(dc, p);
  cairo_rectangle(dc, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(dc);
  cairo_restore(dc);
  cairo_pattern_destroy(p);
}

namespace {
void RoundPath(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::max(0.0, std::min(r, std::min(w, h) / 2));
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}
}  // namespace

void MRender::DrawRoundRectange(HDC& dc, double x, double y, double w, double h, double radius, Color fill) {
  DrawRoundRectange(dc, x, y, w, h, radius, fill, Color(0), 0, true);
}

void MRender::DrawRoundRectange(HDC& dc, double x, double y, double w, double h, double radius, Color border,
                                double borderWidth) {
  DrawRoundRectange(dc, x, y, w, h, radius, Color(0), border, borderWidth, false);
}

void MRender::DrawRoundRectange(HDC& dc, double x, double y, double w, double h, double radius, Color fill,
                                Color border, double borderWidth, bool filled) {
  if (!dc || w <= 0 || h <= 0) return;
  cairo_save(dc);
  RoundPath(dc, x, y, w, h, radius);
  if (filled) {
    SetSource(dc, fill);
    cairo_fill_preserve(dc);
  }
  if (borderWidth > 0 && border.GetA() != 0) {
    SetSource(dc, border);
    cairo_set_line_width(dc, borderWidth);
    cairo_stroke_preserve(dc);
  }
  cairo_new_path(dc);
  cairo_restore(dc);
}

void MRender::DrawRectangle(HDC& dc, CRect rect, Color color, double width) {
  if (!dc || rect.IsRectEmpty() || width <= 0) return;
  cairo_save(dc);
  SetSource(dc, color);
  cairo_set_line_width(dc, width);
  cairo_rectangle(dc, rect.left + width / 2, rect.top + width / 2, rect.Width() - width, rect.Height() - width);
  cairo_stroke(dc);
  cairo_restore(dc);
}

int MRender::DrawVerticalTransition(HDC& dst, cairo_surface_t* src, CRect dstRect, CRect srcRect, int a, int b) {
  if (!dst || !src) return 0;
  double from, to;
  TransitionBounds(a, b, from, to);
  const int rows = std::min(dstRect.Height(), srcRect.Height());
  const int w = std::min(dstRect.Width(), srcRect.Width());
  int alpha = static_cast<int>(from);
  cairo_save(dst);
  for (int i = 0; i < rows; ++i) {
    alpha = std::clamp(RampAlpha(from, to, i, rows), 0, 255);
    cairo_save(dst);
    cairo_rectangle(dst, dstRect.left, dstRect.top + i, w, 1);
    cairo_clip(dst);
    cairo_set_source_surface(dst, src, dstRect.left - srcRect.left, dstRect.top - srcRect.top);
    if (alpha >= 255) {
      cairo_set_operator(dst, CAIRO_OPERATOR_SOURCE);
      cairo_paint(dst);
    } else {
      cairo_paint_with_alpha(dst, alpha / 255.0);
    }
    cairo_restore(dst);
  }
  cairo_restore(dst);
  return alpha;
}

int MRender::DrawHorizontalTransition(HDC& dst, cairo_surface_t* src, CRect dstRect, CRect srcRect, int a, int b) {
  if (!dst || !src) return 0;
  double from, to;
  TransitionBounds(a, b, from, to);
  const int cols = std::min(dstRect.Width(), srcRect.Width());
  const int h = std::min(dstRect.Height(), srcRect.Height());
  int alpha = static_cast<int>(from);
  for (int i = 0; i < cols; ++i) {
    alpha = std::clamp(RampAlpha(from, to, i, cols), 0, 255);
    cairo_save(dst);
    cairo_rectangle(dst, dstRect.left + i, dstRect.top, 1, h);
    cairo_clip(dst);
    cairo_set_source_surface(dst, src, dstRect.left - srcRect.left, dstRect.top - srcRect.top);
    if (alpha >= 255) {
      cairo_set_operator(dst, CAIRO_OPERATOR_SOURCE);
      cairo_paint(dst);
    } else {
      cairo_paint_with_alpha(dst, alpha / 255.0);
    }
    cairo_restore(dst);
  }
  return alpha;
}

void MRender::DrawRightBottomTransition(HDC& dst, cairo_surface_t* src, CRect rect, int size) {
  if (!dst || !src || size <= 0) return;
  for (int dy = 0; dy < size; ++dy)
    for (int dx = 0; dx < size; ++dx) {
      const int x = rect.right - size + dx, y = rect.bottom - size + dy;
      const double dist = std::hypot(rect.right - 1 - x, rect.bottom - 1 - y);
      const double alpha = (255 - 255 * std::min(dist, static_cast<double>(size)) / size) / 255.0;
      cairo_save(dst);
      cairo_rectangle(dst, x, y, 1, 1);
      cairo_clip(dst);
      cairo_set_source_surface(dst, src, rect.left, rect.top);
      cairo_paint_with_alpha(dst, alpha);
      cairo_restore(dst);
    }
}

bool MRender::SaveBitmapToFile(cairo_surface_t* surface, const std::string& path) {
  return surface && cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace DUI
