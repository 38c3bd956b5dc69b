#pragma once
// Static drawing operations the controls use: fills, image strips and nine-grids, text,
// rounded shapes, gradients and the row/column transitions. Every target is a cairo context
// on a 32-bit ARGB surface; colours are ARGB.
#include <memory>
#include <string>

#include "widgets/core/MControlFont.h"
#include "widgets/core/Types.h"

namespace DUI {

class Picture;

class MRender {
 public:
  MRender() = delete;

  static std::unique_ptr<Picture> LoadImageFromFile(const std::string& path);
  // A thumbnail of the given size; the image's own size when both are 0.
  static std::unique_ptr<Picture> LoadImageFromFileEx(const std::string& path, int width, int height);
  // A PNG resource compiled into the library (fromProgram is accepted for the interface; the
  // program's own images are files of the skin).
  static std::unique_ptr<Picture> LoadImageFromIDResource(unsigned id, const std::string& type);

  // A cleared top-down 32-bit surface; null for a non-positive size.
  static cairo_surface_t* CreateARGB32Bitmap(int width, int height);
  // Copies a w x h block of the source surface at (sx, sy) to (x, y) of the target, replacing it.
  static void BitBlt(HDC& dst, int x, int y, int w, int h, cairo_surface_t* src, int sx, int sy);
  static void FillSolidRect(HDC& dc, CRect rect, COLORREF color);
  // Fills with the ARGB colour; nothing when its alpha is 0.
  static void DrawColor(HDC& dc, CRect rect, Color color);
  // Pure black (0, 0, 0) becomes blue 1, so that it is never taken for "transparent".
  static void CheckAlphaColor(Color& color);

  // The source part (sx, sy, sw, sh) of the image scaled onto dest.
  static void DrawImage(HDC& dc, Picture* image, CRect dest, int sx, int sy, int sw, int sh, double alpha = 1.0);
  // Nine-grid: corners (corner x corner) unscaled, edges stretched along one axis, centre
  // stretched both ways.
  static void DrawImageFrame(HDC& dc, Picture* image, CRect dest, int sx, int sy, int sw, int sh, int corner);
  static void DrawImageFrameMID(HDC& dc, Picture* image, CRect dest, int sx, int sy, int sw, int sh, int left,
                                int top, int right, int bottom);

  // Offset of an item inside an area: horizontal 1 centres, 2 right-aligns; vertical 4
  // centres, 8 bottom-aligns; anything else 0.
  static CPoint GetOriginPoint(int areaW, int areaH, int itemW, int itemH, unsigned h, unsigned v);
  // The same inside a rectangle: adds its origin and 2 pixels in y.
  static CPoint GetOriginPoint(CRect area, int itemW, int itemH, unsigned h, unsigned v);

  // Text in the rectangle with the alignment and line flags (DT_*); returns the text height
  // in pixels, 0 for a null text.
  static int DrawTextW(HDC& dc, CRect rect, const char* text, Color color, const FontSpec& font, unsigned format);
  // Width (rounded up) and height (font height + 4 with a fraction cut off, else + 1) of a
  // single line, trailing spaces measured.
  static CSize GetTextBounds(const FontSpec& font, const std::string& text);

  static void DrawGradient(HDC& dc, CRect rect, Color from, Color to, bool vertical);
  static void DrawRoundRectange(HDC& dc, double x, double y, double w, double h, double radius, Color fill);
  static void DrawRoundRectange(HDC& dc, double x, double y, double w, double h, double radius, Color border,
                                double borderWidth);
  static void DrawRoundRectange(HDC& dc, double x, double y, double w, double h, double radius, Color fill,
                                Color border, double borderWidth, bool filled);
  static void DrawRectangle(HDC& dc, CRect rect, Color color, double width);

  // Copies the source into the destination one row (vertical) or column (horizontal) at a
  // time, each with one constant alpha running linearly between the two percentages a and b.
  // Returns the last alpha used.
  static int DrawVerticalTransition(HDC& dst, cairo_surface_t* src, CRect dstRect, CRect srcRect, int a, int b);
  static int DrawHorizontalTransition(HDC& dst, cairo_surface_t* src, CRect dstRect, CRect srcRect, int a, int b);
  // Blends a size x size corner at the bottom right pixel by pixel, fading out from the corner.
  static void DrawRightBottomTransition(HDC& dst, cairo_surface_t* src, CRect rect, int size);

  static bool SaveBitmapToFile(cairo_surface_t* surface, const std::string& path);
};

}  // namespace DUI
