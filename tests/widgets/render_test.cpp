// Drawing results by pixels: nine-grid, alignment, colours, transitions and the paint rules of
// the manager (background fallback, layered alpha fix-up, update merging).
#include "tests/widgets/WidgetFixture.h"
#include "platform/gui/Resource.h"
#include "widgets/core/Picture.h"

namespace wtest {
namespace {

// Plain ARGB of a pixel of a cairo surface.
ARGB At(cairo_surface_t* s, int x, int y) {
  cairo_surface_flush(s);
  const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s));
  const uint32_t p = row[x];
  const unsigned a = p >> 24;
  if (a == 0) return 0;
  auto un = [a](unsigned c) { return (c * 255 + a / 2) / a; };
  return (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
}

struct Canvas {
  explicit Canvas(int w, int h) : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr(cairo_create(surface)) {}
  ~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  void Fill(ARGB c) {
    HDC dc = cr;
    MRender::DrawColor(dc, CRect(0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)), Color(c));
  }
  cairo_surface_t* surface;
  cairo_t* cr;
};

// A 9 x 9 image: 3 x 3 blocks of distinct colours, so each part of a nine-grid with corner 3
// shows where it landed.
std::unique_ptr<Picture> GridImage() {
  static const ARGB colours[3][3] = {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF},
                                     {0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF},
                                     {0xFF800000, 0xFF008000, 0xFF000080}};
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 9, 9);
  cairo_t* cr = cairo_create(s);
  HDC dc = cr;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) MRender::DrawColor(dc, CRect(c * 3, r * 3, c * 3 + 3, r * 3 + 3), Color(colours[r][c]));
  cairo_destroy(cr);
  return std::make_unique<Picture>(s);
}

TEST(Render, NineGridKeepsCornersAndStretchesEdges) {
  auto image = GridImage();
  Canvas canvas(40, 30);
  HDC dc = canvas.cr;
  MRender::DrawImageFrame(dc, image.get(), CRect(0, 0, 40, 30), 0, 0, 9, 9, 3);
  const struct {
    int x, y;
    ARGB expected;
  } probes[] = {
      {0, 0, 0xFFFF0000},   {2, 2, 0xFFFF0000},   // top-left corner, 3 x 3, unscaled
      {3, 0, 0xFF00FF00},   {36, 2, 0xFF00FF00},  // top edge stretched along x
      {37, 0, 0xFF0000FF},  {39, 2, 0xFF0000FF},  // top-right corner
      {0, 3, 0xFFFFFF00},   {2, 26, 0xFFFFFF00},  // left edge stretched along y
      {20, 15, 0xFFFF00FF},                        // centre stretched both ways
      {39, 27, 0xFF000080}, {37, 29, 0xFF000080}, // bottom-right corner
      {20, 28, 0xFF008000},                        // bottom edge
  };
  for (const auto& p : probes) EXPECT_EQ(At(canvas.surface, p.x, p.y), p.expected) << p.x << "," << p.y;
}

TEST(Render, OriginPointAlignment) {
  const struct {
    unsigned h, v;
    CPoint expected;
  } cases[] = {
      {0, 0, {0, 0}},   {1, 0, {40, 0}}, {2, 0, {80, 0}},  {0, 4, {0, 15}},
      {0, 8, {0, 30}},  {1, 4, {40, 15}}, {2, 8, {80, 30}}, {3, 12, {0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(MRender::GetOriginPoint(100, 50, 20, 20, c.h, c.v), c.expected) << c.h << "/" << c.v;
  EXPECT_EQ(MRender::GetOriginPoint(CRect(10, 20, 110, 70), 20, 20, 1, 4), CPoint(50, 37)) << "rectangle origin + 2 in y";
}

TEST(Render, CheckAlphaColorAndDrawColor) {
  const struct {
    uint32_t in, out;
  } cases[] = {{0xFF000000, 0xFF000001}, {0x80000000, 0x80000001}, {0xFF000100, 0xFF000100}, {0xFF102030, 0xFF102030}};
  for (const auto& c : cases) {
    Color color(c.in);
    MRender::CheckAlphaColor(color);
    EXPECT_EQ(color.GetValue(), c.out);
  }
  Canvas canvas(4, 4);
  canvas.Fill(0xFF336699);
  HDC dc = canvas.cr;
  MRender::DrawColor(dc, CRect(0, 0, 4, 4), Color(0x00FFFFFF));
  EXPECT_EQ(At(canvas.surface, 1, 1), 0xFF336699u) << "alpha 0 draws nothing";
}

TEST(Render, TransitionsRampTheAlphaRowByRowAndColumnByColumn) {
  Canvas src(10, 11), dst(10, 11);
  src.Fill(0xFFFFFFFF);
  dst.Fill(0xFF000000);
  HDC dc = dst.cr;
  EXPECT_EQ(MRender::DrawVerticalTransition(dc, src.surface, CRect(0, 0, 10, 11), CRect(0, 0, 10, 11), 0, 0), 255);
  EXPECT_EQ(At(dst.surface, 5, 10), 0xFFFFFFFFu) << "0 and 0: an opaque copy";

  dst.Fill(0xFF000000);
  const int last = MRender::DrawVerticalTransition(dc, src.surface, CRect(0, 0, 10, 11), CRect(0, 0, 10, 11), 0, 100);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(At(dst.surface, 3, 0), 0xFFFFFFFFu) << "first row opaque";
  EXPECT_EQ(At(dst.surface, 3, 10), 0xFF000000u) << "last row fully transparent";
  const unsigned mid = (At(dst.surface, 3, 5) >> 8) & 0xFF;
  EXPECT_NEAR(static_cast<int>(mid), 127, 3);
  EXPECT_EQ(At(dst.surface, 0, 5), At(dst.surface, 9, 5)) << "one alpha per row";

  dst.Fill(0xFF000000);
  MRender::DrawHorizontalTransition(dc, src.surface, CRect(0, 0, 10, 11), CRect(0, 0, 10, 11), 100, 0);
  EXPECT_EQ(At(dst.surface, 0, 4), 0xFF000000u) << "a > b: rising from the first column";
  EXPECT_EQ(At(dst.surface, 9, 4), 0xFFFFFFFFu);
  EXPECT_EQ(At(dst.surface, 4, 0), At(dst.surface, 4, 10)) << "one alpha per column";
}

TEST(Render, TextBoundsGrowWithTheTextAndDrawInsideTheRectangle) {
  const FontSpec font{"Open Sans", 14, 0};
  const CSize one = MRender::GetTextBounds(font, "W");
  const CSize three = MRender::GetTextBounds(font, "WWW");
  const CSize spaced = MRender::GetTextBounds(font, "WWW  ");
  EXPECT_GT(one.cx, 0);
  EXPECT_GT(three.cx, 2 * one.cx);
  EXPECT_GT(spaced.cx, three.cx) << "trailing spaces are measured";
  EXPECT_GE(one.cy, 15);

  Canvas canvas(60, 30);
  canvas.Fill(0xFF000000);
  HDC dc = canvas.cr;
  EXPECT_EQ(MRender::DrawTextW(dc, CRect(0, 0, 60, 30), nullptr, Color(0xFFFFFFFF), font, 0), 0);
  EXPECT_GT(MRender::DrawTextW(dc, CRect(0, 0, 30, 30), "WWWWWW", Color(0xFFFFFFFF), font, DT_SINGLELINE), 0);
  int lit = 0, outside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x)
      if ((At(canvas.surface, x, y) & 0xFF) > 128) (x < 30 ? lit : outside)++;
  EXPECT_GT(lit, 10);
  EXPECT_EQ(outside, 0) << "text is clipped to its rectangle";
}

using PaintTest = WidgetTest;

TEST_F(PaintTest, MissingBackgroundFallsBackToBorderAndBackgroundColours) {
  TestDialog& d = MakeDialog(50, 40);
  PaintManager& pm = d.GetPaintManager();
  EXPECT_EQ(pm.LoadBKImage("no_such_background.png"), 0);
  pm.SetBackColor(RGB(6, 11, 17), RGB(73, 255, 230));
  pm.Invalidate();
  Pump(d);
  ASSERT_TRUE(Headless::Frame(d.GetSafeHwnd()).IsValid());
  const Surface& back = pm.GetSurface();
  // Premultiplied storage at alpha 254 may round a channel by one.
  auto near = [](ARGB a, ARGB b) {
    for (int shift = 0; shift < 32; shift += 8)
      if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 1) return false;
    return true;
  };
  const struct {
    int x, y;
    ARGB expected;
  } probes[] = {{0, 0, MakeARGB(254, 73, 255, 230)}, {49, 39, MakeARGB(254, 73, 255, 230)},
                {1, 1, MakeARGB(254, 6, 11, 17)},    {48, 38, MakeARGB(254, 6, 11, 17)}};
  for (const auto& p : probes)
    EXPECT_TRUE(near(back.GetPixel(p.x, p.y), p.expected)) << p.x << "," << p.y << ": " << std::hex << back.GetPixel(p.x, p.y);
}

TEST_F(PaintTest, LayeredWindowMakesColouredPixelsWithoutAlphaOpaque) {
  TestDialog& d = MakeDialog(50, 40);
  d.SetLayeredWindow(1);
  Probe* p = Add<Probe>(d, 1u, CRect(10, 10, 20, 20), Color(0x00000000));
  p->rawPixel = 0x00123456;  // colour without alpha, as text drawing on clear pixels leaves it
  d.GetPaintManager().Invalidate();
  Pump(d);
  EXPECT_EQ(d.GetPaintManager().GetSurface().Bits()[10 * 50 + 10], 0xFF123456u);
  EXPECT_EQ(Headless::Frame(d.GetSafeHwnd()).GetPixel(10, 10) >> 24, 255u);
}

TEST_F(PaintTest, AnUpdateRepaintsOnlyTheControlAndLaterOverlappingOnes) {
  TestDialog& d = MakeDialog(200, 100);
  Probe* under = Add<Probe>(d, 1u, CRect(10, 10, 60, 60), Color(0xFF102030));
  Probe* target = Add<Probe>(d, 2u, CRect(40, 40, 90, 90), Color(0xFF405060));
  Probe* over = Add<Probe>(d, 3u, CRect(80, 10, 120, 60), Color(0xFF708090));
  Probe* apart = Add<Probe>(d, 4u, CRect(150, 10, 190, 60), Color(0xFFA0B0C0));
  d.GetPaintManager().Invalidate();
  Pump(d);
  for (Probe* p : {under, target, over, apart}) ASSERT_EQ(p->draws, 1);

  target->color = Color(0xFF00FF00);
  target->UpdateControl(1, 0);
  Pump(d);
  EXPECT_EQ(target->draws, 2);
  EXPECT_EQ(over->draws, 2) << "a later control over the update is drawn with it";
  EXPECT_EQ(under->draws, 2) << "an earlier control under the update rectangle is drawn beneath it";
  EXPECT_EQ(apart->draws, 1) << "controls outside the merged rectangle are left alone";
  const Surface frame = Headless::Frame(d.GetSafeHwnd());
  EXPECT_EQ(frame.GetPixel(50, 50), 0xFF00FF00u);
  EXPECT_EQ(frame.GetPixel(85, 45), 0xFF708090u) << "the later control stays on top";

  // Showing the same state again asks for nothing.
  const int before = d.updates;
  target->SetVisible(1);
  EXPECT_EQ(d.updates, before);
}

}  // namespace
}  // namespace wtest

namespace wtest {
namespace {

TEST_F(PaintTest, LibraryResourcesAndSkinImagesLoadIntoTheCache) {
  TestDialog& d = MakeDialog();
  PaintManager& pm = d.GetPaintManager();
  EXPECT_EQ(pm.GetScrollVID(), 102u);
  EXPECT_EQ(pm.GetScrollHID(), 101u);
  ImgResInfo* v = pm.AddImgResInfo(102, "PNG", 4, 0);
  ImgResInfo* h = pm.AddImgResInfo(101, "png", 4, 0);
  ASSERT_NE(v, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CSize(v->image->GetWidth(), v->image->GetHeight()), CSize(12, 72));
  EXPECT_EQ(v->frameWidth, 3);
  EXPECT_EQ(CSize(h->image->GetWidth(), h->image->GetHeight()), CSize(22, 20));
  const ResourceData font = FindResource(106, "ttf");
  ASSERT_TRUE(font);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(font.data), 4), std::string("\0\1\0\0", 4)) << "a TrueType file";
  EXPECT_FALSE(FindResource(107, "TTF"));

  ImgResInfo* tip = pm.AddImgResInfo("img_tip_bk.png", 1);
  ASSERT_NE(tip, nullptr) << "the skin is rendered next to the program";
  EXPECT_EQ(pm.AddImgResInfo("img_tip_bk.png", 3), tip) << "the first record of a name is kept";
  EXPECT_EQ(tip->count, 1);
  EXPECT_EQ(pm.AddImgResInfo("icon\\no_such_image.png", 1), nullptr);
  const size_t cached = pm.GetImageCacheSize();
  EXPECT_EQ(pm.AddImgResInfo("icon\\no_such_image.png", 1), nullptr);
  EXPECT_EQ(pm.GetImageCacheSize(), cached) << "failures are not cached";
  const std::string path = PaintManager::SkinPath("icon\\a.png");
  EXPECT_EQ(path.substr(path.size() - 24), "/skins/theme1/icon/a.png");

  // A control keeps its old image when a new one cannot be loaded.
  Probe* p = Add<Probe>(d, 1u, CRect(0, 0, 10, 10));
  EXPECT_EQ(p->SetImage("img_tip_bk.png", 1), 1);
  EXPECT_EQ(p->SetImage("missing.png", 4), 0);
  EXPECT_EQ(p->GetImage(), tip->image);
  EXPECT_EQ(p->GetImageCount(), 1);
  Probe orphan(nullptr, 2, CRect());
  EXPECT_EQ(orphan.SetImage("img_tip_bk.png", 1), 0) << "no manager, no image";

  // The library's font is known to text drawing under its family name.
  EXPECT_EQ(pm.FindTempFont("Open Sans Semibold").empty(), false);
  EXPECT_EQ(pm.FindTempFont("No Such Face At All"), "");
}

}  // namespace
}  // namespace wtest

namespace wtest {
namespace {

TEST(OutOfMemoryDeathTest, AllocationFailureEndsTheProgramWithAMessage) {
  std::new_handler handler = std::get_new_handler();
  ASSERT_NE(handler, nullptr) << "the library installs its handler when it loads";
  EXPECT_EXIT(handler(), ::testing::ExitedWithCode(EXIT_FAILURE), "out of memory");
}

}  // namespace
}  // namespace wtest
