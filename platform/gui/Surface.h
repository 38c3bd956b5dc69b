#pragma once
// Off-screen 32-bit ARGB surfaces: the bitmaps everything is drawn into. Pixels are stored
// premultiplied (cairo ARGB32, native-endian 0xAARRGGBB words, rows top-down); GetPixel and
// SetPixel speak plain (not premultiplied) ARGB.
#include <cstdint>
#include <string>

#include "platform/gui/Types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace DUI {

class Surface {
 public:
  Surface() = default;
  // A transparent surface; invalid when the size is not positive or memory is short.
  Surface(int width, int height);
  ~Surface();
  Surface(const Surface& other);  // deep copy
  Surface& operator=(const Surface& other);
  Surface(Surface&& other) noexcept;
  Surface& operator=(Surface&& other) noexcept;

  // Replaces the content with a transparent surface of the size. False when it cannot.
  bool Create(int width, int height);
  void Reset();
  bool IsValid() const { return surface_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  CSize Size() const { return {width_, height_}; }
  int Stride() const;  // bytes per row

  // Raw premultiplied pixels. Call MarkDirty after writing through them.
  uint32_t* Bits();
  const uint32_t* Bits() const;
  void MarkDirty();

  // 0 outside the surface.
  ARGB GetPixel(int x, int y) const;
  void SetPixel(int x, int y, ARGB color);
  // Sets every pixel of the rectangle (clipped) to the colour, alpha included (no blending).
  void Fill(const CRect& rect, ARGB color);
  void Clear(ARGB color = 0) { Fill(CRect(0, 0, width_, height_), color); }

  // Copies a part of another surface to (x, y), replacing pixels (no blending), clipped.
  void CopyFrom(const Surface& src, const CRect& srcRect, int x, int y);

  bool WritePng(const std::string& path) const;
  // A surface with the content of a PNG file; invalid when it cannot be read.
  static Surface ReadPng(const std::string& path);

  cairo_surface_t* Native() const { return surface_; }
  // Takes ownership of a cairo image surface of format ARGB32 (others are converted).
  static Surface Adopt(cairo_surface_t* surface);

 private:
  cairo_surface_t* surface_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace DUI
