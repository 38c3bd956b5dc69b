// Image decoding: PNG through cairo, icon files by our own reader (PNG or BMP entries).
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/gui/Canvas.h"
#include "platform/gui/Resource.h"

namespace DUI {
namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

cairo_status_t ReadChunk(void* closure, unsigned char* out, unsigned int length) {
  Reader* r = static_cast<Reader*>(closure);
  if (length > r->size - r->pos) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, r->data + r->pos, length);
  r->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

bool IsPng(const uint8_t* d, size_t n) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return n >= 8 && std::memcmp(d, sig, 8) == 0;
}

// A BMP icon entry: BITMAPINFOHEADER, palette, XOR pixels (bottom-up, height doubled), then
// the 1-bit AND mask. 32-bit entries carry alpha; the others take transparency from the mask.
Image DecodeBmpEntry(const uint8_t* d, size_t n) {
  if (n < 40) return {};
  uint32_t headerSize = U32(d);
  int32_t width = static_cast<int32_t>(U32(d + 4));
  int32_t height2 = static_cast<int32_t>(U32(d + 8));
  uint16_t bpp = U16(d + 14);
  uint32_t compression = U32(d + 16);
  uint32_t colors = U32(d + 32);
  if (headerSize < 40 || headerSize > n || width <= 0 || width > 1024 || height2 <= 0 || height2 > 2048 ||
      compression != 0)
    return {};
  int height = height2 / 2;
  if (height <= 0) return {};
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return {};
  size_t paletteCount = bpp <= 8 ? (colors ? colors : (1u << bpp)) : 0;
  if (paletteCount > 256) return {};
  size_t paletteAt = headerSize;
  size_t pixelsAt = paletteAt + paletteCount * 4;
  size_t xorStride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
  size_t andStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  size_t andAt = pixelsAt + xorStride * height;
  if (andAt > n) return {};
  bool haveMask = andAt + andStride * height <= n;
  Surface s(width, height);
  if (!s.IsValid()) return {};
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = d + pixelsAt + xorStride * (height - 1 - y);
    const uint8_t* mask = haveMask ? d + andAt + andStride * (height - 1 - y) : nullptr;
    for (int x = 0; x < width; ++x) {
      uint32_t argb = 0;
      if (bpp == 32) {
        const uint8_t* p = row + x * 4;
        argb = (static_cast<uint32_t>(p[3]) << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
        if (p[3]) anyAlpha = true;
      } else if (bpp == 24) {
        const uint8_t* p = row + x * 3;
        argb = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
      } else {
        size_t bit = static_cast<size_t>(x) * bpp;
        unsigned idx = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (idx < paletteCount) {
          const uint8_t* c = d + paletteAt + idx * 4;
          argb = 0xFF000000u | (c[2] << 16) | (c[1] << 8) | c[0];
        }
      }
      bool transparent = mask && ((mask[x / 8] >> (7 - x % 8)) & 1);
      if (bpp != 32 && transparent) argb = 0;
      s.SetPixel(x, y, argb);
    }
  }
  // A 32-bit entry with no alpha at all is opaque where the mask says so.
  if (bpp == 32 && !anyAlpha) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* mask = haveMask ? d + andAt + andStride * (height - 1 - y) : nullptr;
      for (int x = 0; x < width; ++x) {
        bool transparent = mask && ((mask[x / 8] >> (7 - x % 8)) & 1);
        ARGB c = s.GetPixel(x, y);
        s.SetPixel(x, y, transparent ? 0 : (c | 0xFF000000u));
      }
    }
  }
  return Image(std::move(s));
}

}  // namespace

Image Image::FromFile(const std::string& path) {
  return Image(Surface::ReadPng(path));
}

Image Image::FromPngData(const void* data, size_t size) {
  if (!data || !IsPng(static_cast<const uint8_t*>(data), size)) return {};
  Reader r{static_cast<const uint8_t*>(data), size, 0};
  return Image(Surface::Adopt(cairo_image_surface_create_from_png_stream(&ReadChunk, &r)));
}

Image Image::FromResource(int id, const char* type) {
  ResourceData res = FindResource(id, type);
  return res ? FromPngData(res.data, res.size) : Image();
}

Image Image::FromIconData(const void* data, size_t size, int wantedSize) {
  const uint8_t* d = static_cast<const uint8_t*>(data);
  if (!d || size < 6 || U16(d) != 0 || U16(d + 2) != 1) return {};
  size_t count = U16(d + 4);
  if (count == 0 || 6 + count * 16 > size) return {};
  // Choose: the size nearest to the wanted one (largest when 0), then the deepest colour.
  int best = -1;
  long bestScore = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = d + 6 + i * 16;
    int w = e[0] ? e[0] : 256;
    int bpp = U16(e + 6);
    uint32_t len = U32(e + 8), off = U32(e + 12);
    if (off >= size || len > size - off || len == 0) continue;
    long fit = wantedSize > 0 ? -std::labs(static_cast<long>(w) - wantedSize) : w;
    long score = fit * 1000 + bpp;
    if (best < 0 || score > bestScore) {
      best = static_cast<int>(i);
      bestScore = score;
    }
  }
  if (best < 0) return {};
  const uint8_t* e = d + 6 + best * 16;
  const uint8_t* entry = d + U32(e + 12);
  size_t len = U32(e + 8);
  return IsPng(entry, len) ? FromPngData(entry, len) : DecodeBmpEntry(entry, len);
}

Image Image::FromIconFile(const std::string& path, int wantedSize) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  std::streamoff n = in.tellg();
  if (n <= 0 || n > 16 * 1024 * 1024) return {};
  in.seekg(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(n));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), n)) return {};
  return FromIconData(bytes.data(), bytes.size(), wantedSize);
}

}  // namespace DUI
