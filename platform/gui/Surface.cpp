#include "platform/gui/Surface.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

namespace DUI {
namespace {

uint32_t Premultiply(ARGB c) {
  uint32_t a = c >> 24;
  if (a == 255) return c;
  if (a == 0) return 0;
  auto mul = [a](uint32_t v) { return (v * a + 127) / 255; };
  return (a << 24) | (mul((c >> 16) & 0xFF) << 16) | (mul((c >> 8) & 0xFF) << 8) | mul(c & 0xFF);
}

ARGB Unpremultiply(uint32_t p) {
  uint32_t a = p >> 24;
  if (a == 255) return p;
  if (a == 0) return 0;
  auto div = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
  return (a << 24) | (div((p >> 16) & 0xFF) << 16) | (div((p >> 8) & 0xFF) << 8) | div(p & 0xFF);
}

}  // namespace

Surface::Surface(int width, int height) { Create(width, height); }

Surface::~Surface() { Reset(); }

Surface::Surface(const Surface& other) { *this = other; }

Surface& Surface::operator=(const Surface& other) {
  if (this == &other) return *this;
  if (!other.IsValid()) {
    Reset();
    return *this;
  }
  if (!Create(other.width_, other.height_)) return *this;
  CopyFrom(other, CRect(0, 0, other.width_, other.height_), 0, 0);
  return *this;
}

Surface::Surface(Surface&& other) noexcept { *this = std::move(other); }

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this == &other) return *this;
  Reset();
  surface_ = other.surface_;
  width_ = other.width_;
  height_ = other.height_;
  other.surface_ = nullptr;
  other.width_ = other.height_ = 0;
  return *this;
}

bool Surface::Create(int width, int height) {
  Reset();
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return false;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  surface_ = s;
  width_ = width;
  height_ = height;
  return true;  // cairo image surfaces start cleared
}

void Surface::Reset() {
  if (surface_) cairo_surface_destroy(surface_);
  surface_ = nullptr;
  width_ = height_ = 0;
}

int Surface::Stride() const { return surface_ ? cairo_image_surface_get_stride(surface_) : 0; }

uint32_t* Surface::Bits() {
  if (!surface_) return nullptr;
  cairo_surface_flush(surface_);
  return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_));
}

const uint32_t* Surface::Bits() const {
  if (!surface_) return nullptr;
  cairo_surface_flush(surface_);
  return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface_));
}

void Surface::MarkDirty() {
  if (surface_) cairo_surface_mark_dirty(surface_);
}

ARGB Surface::GetPixel(int x, int y) const {
  if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = reinterpret_cast<const uint8_t*>(Bits()) + static_cast<size_t>(y) * Stride();
  return Unpremultiply(reinterpret_cast<const uint32_t*>(row)[x]);
}

void Surface::SetPixel(int x, int y, ARGB color) {
  if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* row = reinterpret_cast<uint8_t*>(Bits()) + static_cast<size_t>(y) * Stride();
  reinterpret_cast<uint32_t*>(row)[x] = Premultiply(color);
  MarkDirty();
}

void Surface::Fill(const CRect& rect, ARGB color) {
  CRect r;
  if (!surface_ || !r.IntersectRect(rect, CRect(0, 0, width_, height_))) return;
  uint32_t p = Premultiply(color);
  uint8_t* bits = reinterpret_cast<uint8_t*>(Bits());
  int stride = Stride();
  for (int y = r.top; y < r.bottom; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(bits + static_cast<size_t>(y) * stride);
    std::fill(row + r.left, row + r.right, p);
  }
  MarkDirty();
}

void Surface::CopyFrom(const Surface& src, const CRect& srcRect, int x, int y) {
  if (!surface_ || !src.surface_) return;
  CRect s;
  if (!s.IntersectRect(srcRect, CRect(0, 0, src.width_, src.height_))) return;
  // Destination clipping, moving the source along.
  int dx = x + (s.left - srcRect.left);
  int dy = y + (s.top - srcRect.top);
  CRect d(dx, dy, dx + s.Width(), dy + s.Height());
  CRect dc;
  if (!dc.IntersectRect(d, CRect(0, 0, width_, height_))) return;
  int sx = s.left + (dc.left - d.left);
  int sy = s.top + (dc.top - d.top);
  const uint8_t* sb = reinterpret_cast<const uint8_t*>(src.Bits());
  uint8_t* db = reinterpret_cast<uint8_t*>(Bits());
  int ss = src.Stride();
  int ds = Stride();
  for (int row = 0; row < dc.Height(); ++row) {
    std::memmove(db + static_cast<size_t>(dc.top + row) * ds + dc.left * 4,
                 sb + static_cast<size_t>(sy + row) * ss + sx * 4, static_cast<size_t>(dc.Width()) * 4);
  }
  MarkDirty();
}

bool Surface::WritePng(const std::string& path) const {
  if (!surface_) return false;
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

Surface Surface::ReadPng(const std::string& path) {
  return Adopt(cairo_image_surface_create_from_png(path.c_str()));
}

Surface Surface::Adopt(cairo_surface_t* s) {
  Surface out;
  if (!s) return out;
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS || cairo_surface_get_type(s) != CAIRO_SURFACE_TYPE_IMAGE) {
    cairo_surface_destroy(s);
    return out;
  }
  int w = cairo_image_surface_get_width(s);
  int h = cairo_image_surface_get_height(s);
  if (cairo_image_surface_get_format(s) == CAIRO_FORMAT_ARGB32) {
    out.surface_ = s;
    out.width_ = w;
    out.height_ = h;
    return out;
  }
  // Other formats (RGB24, A8, ...) are painted into an ARGB32 copy.
  if (out.Create(w, h)) {
    cairo_t* cr = cairo_create(out.surface_);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  cairo_surface_destroy(s);
  return out;
}

}  // namespace DUI
