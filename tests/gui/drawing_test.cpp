// Drawing checked by the pixels of off-screen surfaces.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/gui/Canvas.h"
#include "platform/gui/Resource.h"

namespace {

using namespace DUI;

constexpr const char* kFontDir = "/usr/share/fonts/truetype/open-sans/";

int Channel(ARGB c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// Colours compared channel by channel with a tolerance for rounding.
::testing::AssertionResult Near(ARGB got, ARGB want, int tolerance = 1) {
  for (int shift : {24, 16, 8, 0}) {
    if (std::abs(Channel(got, shift) - Channel(want, shift)) > tolerance)
      return ::testing::AssertionFailure() << std::hex << "got 0x" << got << ", want 0x" << want;
  }
  return ::testing::AssertionSuccess();
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The bounding box of the pixels that differ from the background.
CRect Ink(const Surface& s, ARGB background = 0) {
  CRect r(s.Width(), s.Height(), 0, 0);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.GetPixel(x, y) != background) {
        r.left = std::min(r.left, x);
        r.top = std::min(r.top, y);
        r.right = std::max(r.right, x + 1);
        r.bottom = std::max(r.bottom, y + 1);
      }
  return r;
}

TEST(GuiDrawing, FillsBlendWithAlphaAndKeepAlpha254) {
  Surface s(4, 1);
  s.Fill(CRect(2, 0, 4, 1), 0xFF0000FF);  // opaque blue on the right half
  Canvas c(s);
  c.FillRect(CRect(0, 0, 4, 1), 0x80FF0000);
  EXPECT_TRUE(Near(s.GetPixel(0, 0), 0x80FF0000));            // over transparent
  EXPECT_TRUE(Near(s.GetPixel(3, 0), 0xFF80007F));            // over blue: half each
  Surface t(2, 2);
  Canvas ct(t);
  ct.FillRect(CRect(0, 0, 2, 2), 0xFE060B11);  // the background fill of the windows
  EXPECT_EQ(t.GetPixel(1, 1) >> 24, 0xFEu);
  EXPECT_TRUE(Near(t.GetPixel(1, 1), 0xFE060B11));
  ct.FillRect(CRect(0, 0, 2, 2), 0x00FFFFFF);  // alpha 0 draws nothing
  EXPECT_TRUE(Near(t.GetPixel(0, 0), 0xFE060B11));
  ct.ClearRect(CRect(0, 0, 1, 1));  // replaces, alpha included
  EXPECT_EQ(t.GetPixel(0, 0), 0u);
}

TEST(GuiDrawing, CanvasOutlivesItsSurfaceBeingMovedAway) {
  Surface s(4, 4);
  Image moved;
  {
    Canvas c(s);
    c.FillRect(CRect(0, 0, 4, 4), 0xFF112233);
    moved = Image(std::move(s));  // the pixels go on living in the image
  }
  EXPECT_EQ(moved.Pixels().GetPixel(2, 2), 0xFF112233u);
}

TEST(GuiDrawing, ClipLimitsEveryOperation) {
  Surface s(10, 10);
  Canvas c(s);
  c.Save();
  c.ClipRect(CRect(2, 2, 5, 5));
  c.FillRect(CRect(0, 0, 10, 10), 0xFFFFFFFF);
  c.Restore();
  EXPECT_EQ(Ink(s), CRect(2, 2, 5, 5));
  c.FillRect(CRect(8, 8, 9, 9), 0xFFFFFFFF);  // the clip is gone after Restore
  EXPECT_EQ(s.GetPixel(8, 8), 0xFFFFFFFFu);
}

TEST(GuiDrawing, RoundedRectangleHasAntialiasedCorners) {
  Surface s(40, 20);
  Canvas c(s);
  c.FillRoundRect(0, 0, 40, 20, 6, 0xFF49FFE6);
  EXPECT_EQ(s.GetPixel(0, 0), 0u);                 // outside the corner arc
  EXPECT_EQ(s.GetPixel(20, 10), 0xFF49FFE6u);      // inside
  EXPECT_EQ(s.GetPixel(6, 0), 0xFF49FFE6u);        // the straight edge after the arc
  EXPECT_EQ(s.GetPixel(0, 10), 0xFF49FFE6u);
  int partial = 0;
  for (int i = 0; i < 6; ++i) {
    int a = static_cast<int>(s.GetPixel(i, 6 - 1 - i) >> 24);
    if (a > 0 && a < 255) ++partial;
  }
  EXPECT_GT(partial, 0);  // the arc is smoothed, not stepped
  EXPECT_EQ(s.GetPixel(39, 19), 0u);
}

TEST(GuiDrawing, GradientRunsBetweenItsColours) {
  Surface s(1, 101);
  Canvas c(s);
  c.FillGradient(CRect(0, 0, 1, 101), 0xFF000000, 0xFFFFFFFF, true);
  EXPECT_LE(Channel(s.GetPixel(0, 0), 16), 3);
  EXPECT_GE(Channel(s.GetPixel(0, 100), 16), 252);
  EXPECT_NEAR(Channel(s.GetPixel(0, 50), 16), 128, 4);
  Surface h(101, 1);
  Canvas ch(h);
  ch.FillGradient(CRect(0, 0, 101, 1), 0xFFFF0000, 0x00FF0000, false);
  EXPECT_GE(Channel(h.GetPixel(0, 0), 24), 252);
  EXPECT_LE(Channel(h.GetPixel(100, 0), 24), 3);
}

TEST(GuiDrawing, ScaledImagePartsDoNotBleedIntoNeighbours) {
  // A strip of two 4×4 frames: red, then green.
  Surface strip(8, 4);
  strip.Fill(CRect(0, 0, 4, 4), 0xFFFF0000);
  strip.Fill(CRect(4, 0, 8, 4), 0xFF00FF00);
  Image img(strip);
  Surface s(30, 30);
  Canvas c(s);
  c.DrawImage(img, CRect(5, 5, 25, 25), CRect(4, 0, 8, 4));
  EXPECT_EQ(Ink(s), CRect(5, 5, 25, 25));
  for (int y = 5; y < 25; ++y)
    for (int x = 5; x < 25; ++x) ASSERT_EQ(s.GetPixel(x, y), 0xFF00FF00u) << x << "," << y;
  // Unscaled parts copy exactly; a constant alpha applies to the whole part.
  Surface u(4, 4);
  Canvas cu(u);
  cu.DrawImage(img, CRect(0, 0, 4, 4), CRect(0, 0, 4, 4), 128);
  EXPECT_TRUE(Near(u.GetPixel(3, 3), 0x80FF0000));
  // The whole image, squeezed to half width: each frame becomes 2 px.
  Surface w(4, 4);
  Canvas cw(w);
  cw.DrawImage(img, CRect(0, 0, 4, 4));
  EXPECT_EQ(w.GetPixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(w.GetPixel(3, 0), 0xFF00FF00u);
}

TEST(GuiDrawing, SurfacesRoundTripThroughPng) {
  Surface s(3, 2);
  s.SetPixel(0, 0, 0xFF102030);
  s.SetPixel(2, 1, 0x80FFFFFF);
  std::string path = ::testing::TempDir() + "/lumet_surface.png";
  ASSERT_TRUE(s.WritePng(path));
  Image back = Image::FromFile(path);
  ASSERT_TRUE(back.IsValid());
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Pixels().GetPixel(0, 0), 0xFF102030u);
  EXPECT_TRUE(Near(back.Pixels().GetPixel(2, 1), 0x80FFFFFF));
  EXPECT_FALSE(Image::FromFile(::testing::TempDir() + "/missing.png").IsValid());
  const char junk[] = "\x89PNG\r\n\x1a\nnot really";
  EXPECT_FALSE(Image::FromPngData(junk, sizeof junk).IsValid());
}

// Icon files: a directory of entries, each a PNG or a BMP with a doubled height and a mask.
std::vector<uint8_t> IconFile(const std::vector<std::pair<int, std::vector<uint8_t>>>& entries) {
  std::vector<uint8_t> out = {0, 0, 1, 0, static_cast<uint8_t>(entries.size()), 0};
  size_t offset = 6 + 16 * entries.size();
  for (const auto& [size, data] : entries) {
    uint8_t e[16] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size), 0, 0, 1, 0, 32, 0};
    uint32_t len = static_cast<uint32_t>(data.size()), off = static_cast<uint32_t>(offset);
    std::memcpy(e + 8, &len, 4);
    std::memcpy(e + 12, &off, 4);
    out.insert(out.end(), e, e + 16);
    offset += data.size();
  }
  for (const auto& [size, data] : entries) out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<uint8_t> Bmp2x2(uint8_t bpp) {
  std::vector<uint8_t> b(40, 0);
  b[0] = 40;
  b[4] = 2;
  b[8] = 4;  // height doubled
  b[12] = 1;
  b[14] = bpp;
  // Bottom row first: bottom-left blue, bottom-right half-transparent white;
  // top-left red, top-right green.
  if (bpp == 32) {
    const uint8_t px[] = {255, 0, 0, 255, 255, 255, 255, 128, 0, 0, 255, 255, 0, 255, 0, 255};
    b.insert(b.end(), px, px + 16);
  } else {  // 24 bits: rows padded to 4 bytes
    const uint8_t px[] = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    b.insert(b.end(), px, px + 16);
  }
  // AND mask rows (4 bytes each): bottom row: right pixel transparent.
  const uint8_t mask[] = {0x40, 0, 0, 0, 0x00, 0, 0, 0};
  b.insert(b.end(), mask, mask + 8);
  return b;
}

TEST(GuiDrawing, IconReaderTakesBmpAndPngEntries) {
  Surface big(16, 16);
  big.Fill(CRect(0, 0, 16, 16), 0xFF123456);
  std::string pngPath = ::testing::TempDir() + "/lumet_icon16.png";
  ASSERT_TRUE(big.WritePng(pngPath));
  std::vector<uint8_t> ico = IconFile({{2, Bmp2x2(32)}, {16, ReadAll(pngPath)}});

  Image largest = Image::FromIconData(ico.data(), ico.size());
  ASSERT_TRUE(largest.IsValid());
  EXPECT_EQ(largest.Width(), 16);
  EXPECT_EQ(largest.Pixels().GetPixel(8, 8), 0xFF123456u);

  Image small = Image::FromIconData(ico.data(), ico.size(), 2);
  ASSERT_EQ(small.Width(), 2);
  EXPECT_EQ(small.Pixels().GetPixel(0, 0), 0xFFFF0000u);  // rows are stored bottom-up
  EXPECT_EQ(small.Pixels().GetPixel(1, 0), 0xFF00FF00u);
  EXPECT_EQ(small.Pixels().GetPixel(0, 1), 0xFF0000FFu);
  EXPECT_TRUE(Near(small.Pixels().GetPixel(1, 1), 0x80FFFFFF));

  std::vector<uint8_t> ico24 = IconFile({{2, Bmp2x2(24)}});
  Image masked = Image::FromIconData(ico24.data(), ico24.size());
  ASSERT_TRUE(masked.IsValid());
  EXPECT_EQ(masked.Pixels().GetPixel(0, 1), 0xFF0000FFu);
  EXPECT_EQ(masked.Pixels().GetPixel(1, 1), 0u);  // the mask makes it transparent

  // Broken files: every cut of a valid file is refused or decodes without reading past it.
  for (size_t cut = 0; cut < ico24.size(); ++cut) {
    std::vector<uint8_t> part(ico24.begin(), ico24.begin() + cut);
    Image i = Image::FromIconData(part.data(), part.size());
    if (i.IsValid()) {
      EXPECT_EQ(i.Width(), 2);
    }
  }
  std::vector<uint8_t> lying = ico24;
  lying[6 + 12] = 0xF0;  // entry offset far past the end
  EXPECT_FALSE(Image::FromIconData(lying.data(), lying.size()).IsValid());
}

TEST(GuiText, BoundsFollowTheLineHeightRule) {
  ASSERT_FALSE(Fonts::AddFile(std::string(kFontDir) + "OpenSans-Regular.ttf").empty());
  // Open Sans: hhea ascender 2189, descender 600, no line gap, 2048 units per em. At 14 px the
  // line is 2789 / 2048 × 14 = 19.07 px: it has a fraction, so 19 + 4. At 2048/2789 × 20 px
  // steps the height is whole: not reachable with integer sizes, so only the fraction case.
  Font f{"Open Sans", 14, FontStyleRegular};
  EXPECT_NEAR(Text::LineHeight(f), 2789.0 / 2048 * 14, 0.05);
  CSize b = Text::Bounds("Ag", f);
  EXPECT_EQ(b.cy, 23);
  EXPECT_EQ(Text::Bounds("Ag", Font{"Open Sans", 16, 0}).cy, 25);  // 21.79 → 21 + 4
  // Width: the laid-out width rounded up, trailing spaces measured.
  CSize spaced = Text::Bounds("Ag  ", f);
  EXPECT_GT(spaced.cx, b.cx + 4);
  EXPECT_GT(b.cx, 10);
  EXPECT_LT(b.cx, 30);
  EXPECT_EQ(Text::Bounds("", f).cx, 0);
}

TEST(GuiText, AlignmentWrappingAndEllipsis) {
  Fonts::AddFile(std::string(kFontDir) + "OpenSans-Regular.ttf");
  Font f{"Open Sans", 14, FontStyleRegular};
  struct Case {
    UINT format;
    const char* name;
  };
  CRect box(0, 0, 200, 40);
  auto inkOf = [&](UINT format, const std::string& text) {
    Surface s(200, 40);
    Canvas c(s);
    c.DrawText(text, box, f, 0xFFFFFFFF, format);
    return Ink(s);
  };
  CRect left = inkOf(DT_SINGLELINE | DT_VCENTER, "Tavrick");
  CRect centre = inkOf(DT_SINGLELINE | DT_VCENTER | DT_CENTER, "Tavrick");
  CRect right = inkOf(DT_SINGLELINE | DT_VCENTER | DT_RIGHT, "Tavrick");
  EXPECT_LE(left.left, 2);
  EXPECT_NEAR((centre.left + centre.right) / 2.0, 100, 3);
  EXPECT_GE(right.right, 196);
  EXPECT_NEAR((left.top + left.bottom) / 2.0, 20, 4);  // vertically centred
  EXPECT_EQ(left.Width(), centre.Width());
  // A long single line with an ellipsis stays inside; word wrap makes more lines.
  std::string longText = "the quick brown fox jumps over the lazy dog, twice over";
  CRect ell = inkOf(DT_SINGLELINE | DT_END_ELLIPSIS, longText);
  EXPECT_LE(ell.right, 200);
  EXPECT_GT(Text::Measure(longText, f).cx, 200);
  CSize wrapped = Text::Measure(longText, f, DT_WORDBREAK, 200);
  EXPECT_LE(wrapped.cx, 200);
  EXPECT_GE(wrapped.cy, 2 * 19);
  CRect calc(0, 0, 200, 0);
  Surface s(1, 1);
  Canvas c(s);
  int h = c.DrawText(longText, &calc, f, 0xFFFFFFFF, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(h, wrapped.cy);
  EXPECT_EQ(calc.Height(), wrapped.cy);
  // Caret positions: offsets and x positions agree at character boundaries.
  int x3 = Text::XAtOffset("Tavrick", f, 3);
  EXPECT_GT(x3, 0);
  EXPECT_EQ(Text::OffsetAtX("Tavrick", f, x3), 3u);
  EXPECT_EQ(Text::OffsetAtX("Tavrick", f, -5), 0u);
  EXPECT_EQ(Text::OffsetAtX("Tavrick", f, 1000), 7u);
}

// A copy of Open Sans Regular whose name table calls it "Lumet Test Sans": a family that
// exists only in this file.
std::string RenamedFont() {
  std::vector<uint8_t> d = ReadAll(std::string(kFontDir) + "OpenSans-Regular.ttf");
  auto be16 = [&](size_t at) { return static_cast<uint16_t>((d[at] << 8) | d[at + 1]); };
  auto put16 = [](std::vector<uint8_t>& v, uint16_t x) { v.push_back(x >> 8); v.push_back(x & 0xFF); };
  std::vector<std::pair<uint16_t, std::string>> names = {
      {1, "Lumet Test Sans"}, {2, "Regular"}, {4, "Lumet Test Sans"}, {6, "LumetTestSans"}};
  std::vector<uint8_t> table, strings;
  put16(table, 0);
  put16(table, static_cast<uint16_t>(names.size()));
  put16(table, static_cast<uint16_t>(6 + 12 * names.size()));
  for (auto& [id, text] : names) {
    put16(table, 3); put16(table, 1); put16(table, 0x409); put16(table, id);
    put16(table, static_cast<uint16_t>(text.size() * 2));
    put16(table, static_cast<uint16_t>(strings.size()));
    for (char ch : text) put16(strings, static_cast<uint8_t>(ch));
  }
  table.insert(table.end(), strings.begin(), strings.end());
  while (d.size() % 4) d.push_back(0);
  uint32_t offset = static_cast<uint32_t>(d.size());
  d.insert(d.end(), table.begin(), table.end());
  int n = be16(4);
  for (int i = 0; i < n; ++i) {
    size_t e = 12 + 16 * i;
    if (std::memcmp(&d[e], "name", 4) != 0) continue;
    uint32_t len = static_cast<uint32_t>(table.size());
    for (int k = 0; k < 4; ++k) {
      d[e + 8 + k] = static_cast<uint8_t>(offset >> (24 - 8 * k));
      d[e + 12 + k] = static_cast<uint8_t>(len >> (24 - 8 * k));
    }
  }
  std::string path = ::testing::TempDir() + "/LumetTestSans.ttf";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(d.data()), d.size());
  return path;
}

TEST(GuiText, PrivateFontDrawsAFaceThatExistsOnlyInOurFile) {
  Fonts::AddFile(std::string(kFontDir) + "OpenSans-Regular.ttf");
  auto render = [](const std::string& face) {
    Surface s(120, 30);
    Canvas c(s);
    c.DrawText("Hamburgefonts", CRect(0, 0, 120, 30), Font{face, 16, 0}, 0xFFFFFFFF, DT_SINGLELINE);
    return s;
  };
  auto same = [](const Surface& a, const Surface& b) {
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    return true;
  };
  EXPECT_FALSE(Fonts::HasFamily("Lumet Test Sans"));
  Surface reference = render("Open Sans");
  Surface before = render("Lumet Test Sans");  // a fallback face
  EXPECT_FALSE(same(before, reference));
  std::vector<std::string> families = Fonts::AddFile(RenamedFont());
  EXPECT_NE(std::find(families.begin(), families.end(), "Lumet Test Sans"), families.end());
  EXPECT_TRUE(Fonts::HasFamily("Lumet Test Sans"));
  EXPECT_TRUE(same(render("Lumet Test Sans"), reference));
  // Not a font at all.
  std::string bogus = ::testing::TempDir() + "/bogus.ttf";
  std::ofstream(bogus) << "no font here";
  EXPECT_TRUE(Fonts::AddFile(bogus).empty());
  EXPECT_TRUE(Fonts::AddData("junk", 4).empty());
}

TEST(GuiResources, LibraryFontIsCompiledInAndRegisters) {
  ResourceData font = FindResource(106, "ttf");
  ASSERT_TRUE(font);
  std::vector<uint8_t> file = ReadAll(std::string(kFontDir) + "OpenSans-Semibold.ttf");
  ASSERT_EQ(font.size, file.size());
  EXPECT_EQ(std::memcmp(font.data, file.data(), file.size()), 0);
  EXPECT_TRUE(FindResource(106, "TTF"));
  EXPECT_FALSE(FindResource(106, "PNG"));
  EXPECT_FALSE(FindResource(9999, "TTF"));
  std::vector<std::string> families = Fonts::AddData(font.data, font.size);
  EXPECT_NE(std::find(families.begin(), families.end(), "Open Sans Semibold"), families.end());
}

}  // namespace
