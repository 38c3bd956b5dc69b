#pragma once
// A decoded image: a 32-bit premultiplied ARGB cairo surface and its size.
#include <cstddef>
#include <memory>
#include <string>

#include "widgets/core/Types.h"

namespace DUI {

class Picture {
 public:
  // Null when the file is missing or is no PNG.
  static std::unique_ptr<Picture> FromFile(const std::string& path);
  static std::unique_ptr<Picture> FromMemory(const unsigned char* data, size_t size);
  // Takes ownership of the surface reference.
  explicit Picture(cairo_surface_t* surface);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  cairo_surface_t* GetSurface() const { return m_surface; }

 private:
  cairo_surface_t* m_surface;
  int m_width;
  int m_height;
};

}  // namespace DUI
