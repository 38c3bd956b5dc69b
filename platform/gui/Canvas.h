#pragma once
// Drawing into surfaces: fills with alpha, shapes with anti-aliasing, gradients, images (whole
// or a part, scaled), and text with pango. Colours are plain ARGB (0xAARRGGBB); everything is
// composited source-over unless a call says otherwise. Coordinates are pixels, with integer
// coordinates on pixel edges (a rectangle (0, 0, 2, 2) covers exactly four pixels).
//
// Text formats use the Windows DT_* numbers.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/Surface.h"
#include "platform/gui/Types.h"

typedef struct _cairo cairo_t;

namespace DUI {

// A decoded image (premultiplied ARGB pixels). Cheap to move; copies share nothing.
class Image {
 public:
  Image() = default;
  explicit Image(Surface pixels) : pixels_(std::move(pixels)) {}
  bool IsValid() const { return pixels_.IsValid(); }
  int Width() const { return pixels_.Width(); }
  int Height() const { return pixels_.Height(); }
  const Surface& Pixels() const { return pixels_; }
  Surface& Pixels() { return pixels_; }

  // PNG from a file or from memory; an invalid image when it cannot be decoded.
  static Image FromFile(const std::string& path);
  static Image FromPngData(const void* data, size_t size);
  // An image compiled into the library (see Resource.h), PNG data.
  static Image FromResource(int id, const char* type = "PNG");
  // An icon file (.ico with PNG or BMP entries): the entry nearest to the wanted size (0 = the
  // largest), the deepest colour first among equals.
  static Image FromIconFile(const std::string& path, int wantedSize = 0);
  static Image FromIconData(const void* data, size_t size, int wantedSize = 0);

 private:
  Surface pixels_;
};

// Font style bits.
inline constexpr int FontStyleRegular = 0;
inline constexpr int FontStyleBold = 1;
inline constexpr int FontStyleItalic = 2;
inline constexpr int FontStyleUnderline = 4;
inline constexpr int FontStyleStrikeout = 8;

struct Font {
  std::string face = "Open Sans Semibold";
  int pixelSize = 14;
  int style = FontStyleRegular;
  bool operator==(const Font&) const = default;
};

// Text format flags.
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;
inline constexpr UINT DT_EDITCONTROL = 0x2000;
inline constexpr UINT DT_PATH_ELLIPSIS = 0x4000;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;
inline constexpr UINT DT_WORD_ELLIPSIS = 0x40000;

// Text measurement without a surface.
namespace Text {
// Logical size of the text laid out with the format (DT_WORDBREAK wraps at maxWidth; -1: no
// limit). Trailing spaces count.
CSize Measure(const std::string& text, const Font& font, UINT format = DT_SINGLELINE, int maxWidth = -1);
// Bounds for layout: width = the laid-out width rounded up (no wrap, trailing spaces
// measured); height = the font's line height + 4 when that height has a fraction (cut to
// whole pixels first), else + 1.
CSize Bounds(const std::string& text, const Font& font);
// The font's line height in pixels (may have a fraction).
double LineHeight(const Font& font);
// Byte offset in text of the character boundary nearest to x (pixels from the start, single
// line); for carets and hit tests. x of a byte offset is the inverse.
size_t OffsetAtX(const std::string& text, const Font& font, int x);
int XAtOffset(const std::string& text, const Font& font, size_t offset);
}  // namespace Text

// Private fonts, made available to every text call of the process.
namespace Fonts {
// Registers a font file; returns the family names it brings (empty when it is no font).
std::vector<std::string> AddFile(const std::string& path);
// Registers font data (for fonts compiled into the library). Same result as AddFile.
std::vector<std::string> AddData(const void* data, size_t size);
// Whether a family of this name is known (installed or private), exactly, not by fallback.
bool HasFamily(const std::string& family);
}  // namespace Fonts

class Canvas {
 public:
  explicit Canvas(Surface& target);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  bool IsValid() const { return cr_ != nullptr; }

  // State: clip and translation are saved and restored together.
  void Save();
  void Restore();
  void ClipRect(const CRect& rect);  // intersects
  void Translate(int dx, int dy);
  void SetAntialias(bool on);

  void FillRect(const CRect& rect, ARGB color);
  // Replaces the pixels of the rectangle (within the clip) with the colour, alpha included.
  void ClearRect(const CRect& rect, ARGB color = 0);
  // An outline of the given width inside the rectangle.
  void DrawRect(const CRect& rect, ARGB color, double width = 1.0);
  // Rounded rectangle whose corner arcs have radius r.
  void FillRoundRect(double x, double y, double w, double h, double r, ARGB color);
  void DrawRoundRect(double x, double y, double w, double h, double r, ARGB color, double width = 1.0);
  void FillEllipse(double x, double y, double w, double h, ARGB color);
  void DrawEllipse(double x, double y, double w, double h, ARGB color, double width = 1.0);
  void DrawLine(double x1, double y1, double x2, double y2, ARGB color, double width = 1.0);
  // Linear gradient across the rectangle: top to bottom when vertical, else left to right.
  void FillGradient(const CRect& rect, ARGB from, ARGB to, bool vertical);

  // Draws src (a part of the image) into dest, scaled, with a constant alpha. Parts of image
  // strips never bleed into their neighbours. An empty src means the whole image.
  void DrawImage(const Image& image, const CRect& dest, const CRect& src = CRect(), BYTE alpha = 255);
  void DrawSurface(const Surface& surface, const CRect& dest, const CRect& src = CRect(), BYTE alpha = 255);

  // Draws text into rect with the format; returns the height of the laid-out text (DT_CALCRECT:
  // measures only, and sets rect's right/bottom when given).
  int DrawText(const std::string& text, CRect* rect, const Font& font, ARGB color, UINT format);
  int DrawText(const std::string& text, const CRect& rect, const Font& font, ARGB color, UINT format) {
    CRect r = rect;
    return DrawText(text, &r, font, color, format & ~DT_CALCRECT);
  }

  cairo_t* Native() const { return cr_; }

 private:
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace DUI
