#include "widgets/core/Picture.h"

#include <cairo.h>

#include <cstring>

namespace DUI {

namespace {
std::unique_ptr<Picture> Adopt(cairo_surface_t* surface) {
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return std::make_unique<Picture>(surface);
}

struct Reader {
  const unsigned char* data;
  size_t size;
  size_t pos;
};

cairo_status_t ReadChunk(void* closure, unsigned char* out, unsigned int length) {
  Reader* r = static_cast<Reader*>(closure);
  if (r->size - r->pos < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, r->data + r->pos, length);
  r->pos += length;
  return CAIRO_STATUS_SUCCESS;
}
}  // namespace

std::unique_ptr<Picture> Picture::FromFile(const std::string& path) {
  if (path.empty()) return nullptr;
  return Adopt(cairo_image_surface_create_from_png(path.c_str()));
}

std::unique_ptr<Picture> Picture::FromMemory(const unsigned char* data, size_t size) {
  if (!data || size == 0) return nullptr;
  Reader reader{data, size, 0};
  return Adopt(cairo_image_surface_create_from_png_stream(ReadChunk, &reader));
}

Picture::Picture(cairo_surface_t* surface)
    : m_surface(surface),
      m_width(cairo_image_surface_get_width(surface)),
      m_height(cairo_image_surface_get_height(surface)) {}

Picture::~Picture() { cairo_surface_destroy(m_surface); }

}  // namespace DUI
