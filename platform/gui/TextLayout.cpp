// Text with pango and private fonts with fontconfig.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <tuple>

#include "base/Trace.h"
#include "platform/gui/Canvas.h"

namespace DUI {
namespace {

// One font map for the process, so private fonts reach every layout. Text is drawn on the UI
// thread; the lock keeps a measurement from another thread (tests, benchmarks) safe.
std::recursive_mutex& TextLock() {
  static std::recursive_mutex m;
  return m;
}

PangoFontMap* FontMap() {
  static PangoFontMap* map = [] {
    PangoFontMap* m = pango_cairo_font_map_new();
    return m;
  }();
  return map;
}

PangoContext* MeasureContext() {
  static PangoContext* ctx = [] {
    PangoContext* c = pango_font_map_create_context(FontMap());
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(c, o);
    cairo_font_options_destroy(o);
    return c;
  }();
  return ctx;
}

// Font descriptions are made once per font.
PangoFontDescription* Describe(const Font& font) {
  static std::map<std::tuple<std::string, int, int>, PangoFontDescription*> cache;
  auto key = std::make_tuple(font.face, font.pixelSize, font.style);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, font.face.c_str());
  pango_font_description_set_absolute_size(d, std::max(1, font.pixelSize) * PANGO_SCALE);
  pango_font_description_set_weight(d, (font.style & FontStyleBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(d, (font.style & FontStyleItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  cache.emplace(key, d);
  return d;
}

void Configure(PangoLayout* layout, const std::string& text, const Font& font, UINT format, int width) {
  pango_layout_set_font_description(layout, Describe(font));
  if (font.style & (FontStyleUnderline | FontStyleStrikeout)) {
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.style & FontStyleUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.style & FontStyleStrikeout) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  bool single = (format & DT_SINGLELINE) || !(format & DT_WORDBREAK);
  std::string shown = text;
  if (format & DT_SINGLELINE) {
    // One line: line breaks show as spaces, as the native single-line drawing does.
    for (char& c : shown)
      if (c == '\n' || c == '\r') c = ' ';
  }
  pango_layout_set_text(layout, shown.c_str(), static_cast<int>(shown.size()));
  PangoAlignment align = (format & DT_CENTER) ? PANGO_ALIGN_CENTER : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT;
  pango_layout_set_alignment(layout, align);
  if (width > 0) {
    pango_layout_set_width(layout, width * PANGO_SCALE);
    if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) {
      pango_layout_set_ellipsize(layout, (format & DT_PATH_ELLIPSIS) ? PANGO_ELLIPSIZE_MIDDLE : PANGO_ELLIPSIZE_END);
      if (!single) pango_layout_set_height(layout, -1);
    }
    if (single && !(format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))) {
      // No wrapping: a long line runs past the width (and is clipped by the rectangle).
      pango_layout_set_width(layout, -1);
    } else if (!single) {
      pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
  }
}

PangoLayout* NewMeasureLayout() { return pango_layout_new(MeasureContext()); }

}  // namespace

namespace Text {

CSize Measure(const std::string& text, const Font& font, UINT format, int maxWidth) {
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  PangoLayout* layout = NewMeasureLayout();
  Configure(layout, text, font, format, maxWidth);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  return {static_cast<int>(std::ceil(logical.width / static_cast<double>(PANGO_SCALE))),
          static_cast<int>(std::ceil(logical.height / static_cast<double>(PANGO_SCALE)))};
}

double LineHeight(const Font& font) {
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  PangoFontMetrics* m = pango_context_get_metrics(MeasureContext(), Describe(font), nullptr);
  double h = (pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / static_cast<double>(PANGO_SCALE);
  int spacing = pango_font_metrics_get_height(m);
  if (spacing > 0) h = spacing / static_cast<double>(PANGO_SCALE);
  pango_font_metrics_unref(m);
  return h;
}

CSize Bounds(const std::string& text, const Font& font) {
  CSize logical = Measure(text, font, DT_SINGLELINE, -1);
  double h = LineHeight(font);
  double whole = std::floor(h);
  int height = (h - whole > 1e-9) ? static_cast<int>(whole) + 4 : static_cast<int>(whole) + 1;
  return {logical.cx, height};
}

size_t OffsetAtX(const std::string& text, const Font& font, int x) {
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  PangoLayout* layout = NewMeasureLayout();
  Configure(layout, text, font, DT_SINGLELINE, -1);
  int index = 0, trailing = 0;
  pango_layout_xy_to_index(layout, x * PANGO_SCALE, 0, &index, &trailing);
  // Step over the trailing characters pango reports (grapheme clusters).
  const char* p = text.c_str() + index;
  while (trailing-- > 0 && *p) p = g_utf8_next_char(p);
  g_object_unref(layout);
  return std::min(text.size(), static_cast<size_t>(p - text.c_str()));
}

int XAtOffset(const std::string& text, const Font& font, size_t offset) {
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  PangoLayout* layout = NewMeasureLayout();
  Configure(layout, text, font, DT_SINGLELINE, -1);
  PangoRectangle pos;
  pango_layout_index_to_pos(layout, static_cast<int>(std::min(offset, text.size())), &pos);
  g_object_unref(layout);
  return static_cast<int>(std::lround(pos.x / static_cast<double>(PANGO_SCALE)));
}

}  // namespace Text

namespace Fonts {
namespace {

std::vector<std::string> FamiliesOf(const std::string& path) {
  std::vector<std::string> out;
  int count = 0;
  FcBlanks* blanks = nullptr;
  FcPattern* p = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(path.c_str()), 0, blanks, &count);
  if (!p) return out;
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(p, FC_FAMILY, i, &family) == FcResultMatch; ++i)
    out.emplace_back(reinterpret_cast<const char*>(family));
  FcPatternDestroy(p);
  return out;
}

// Font data written to files of our own for fontconfig, removed at exit.
struct TempFiles {
  std::string dir;
  std::vector<std::string> files;
  ~TempFiles() {
    for (const std::string& f : files) unlink(f.c_str());
    if (!dir.empty()) rmdir(dir.c_str());
  }
};
TempFiles& Temps() {
  static TempFiles t;
  return t;
}

}  // namespace

std::vector<std::string> AddFile(const std::string& path) {
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  std::vector<std::string> families = FamiliesOf(path);
  if (families.empty()) return families;
  FcConfig* config = FcConfigGetCurrent();
  if (!FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(path.c_str()))) return {};
  pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(FontMap()));
  return families;
}

std::vector<std::string> AddData(const void* data, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  if (!data || size == 0) return {};
  TempFiles& t = Temps();
  if (t.dir.empty()) {
    const char* base = getenv("XDG_RUNTIME_DIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/lumet-fonts-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      tmpl = "/tmp/lumet-fonts-XXXXXX";
      if (!mkdtemp(tmpl.data())) return {};
    }
    t.dir = tmpl;
  }
  std::string path = t.dir + "/font" + std::to_string(t.files.size()) + ".ttf";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return {};
  bool ok = fwrite(data, 1, size, f) == size;
  ok = (fclose(f) == 0) && ok;
  if (!ok) {
    unlink(path.c_str());
    return {};
  }
  t.files.push_back(path);
  std::vector<std::string> families = AddFile(path);
  if (families.empty()) {
    unlink(path.c_str());
    t.files.pop_back();
  }
  return families;
}

bool HasFamily(const std::string& family) {
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  PangoFontFamily** families = nullptr;
  int n = 0;
  pango_font_map_list_families(FontMap(), &families, &n);
  bool found = false;
  for (int i = 0; i < n && !found; ++i)
    found = g_ascii_strcasecmp(pango_font_family_get_name(families[i]), family.c_str()) == 0;
  g_free(families);
  return found;
}

}  // namespace Fonts

int Canvas::DrawText(const std::string& text, CRect* rect, const Font& font, ARGB color, UINT format) {
  if (!rect) return 0;
  std::lock_guard<std::recursive_mutex> lock(TextLock());
  bool calc = (format & DT_CALCRECT) != 0;
  PangoLayout* layout = nullptr;
  if (cr_ && !calc) {
    // One drawing context over the process font map, brought to this cairo context's transform.
    static PangoContext* drawContext = [] {
      PangoContext* c = pango_font_map_create_context(FontMap());
      cairo_font_options_t* o = cairo_font_options_create();
      cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
      pango_cairo_context_set_font_options(c, o);
      cairo_font_options_destroy(o);
      return c;
    }();
    pango_cairo_update_context(cr_, drawContext);
    layout = pango_layout_new(drawContext);
  } else {
    layout = NewMeasureLayout();
  }
  Configure(layout, text, font, format, rect->Width());
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  int height = static_cast<int>(std::ceil(logical.height / static_cast<double>(PANGO_SCALE)));
  int width = static_cast<int>(std::ceil(logical.width / static_cast<double>(PANGO_SCALE)));
  if (calc) {
    rect->right = rect->left + width;
    rect->bottom = rect->top + height;
    g_object_unref(layout);
    return height;
  }
  if (!cr_ || text.empty() || (color >> 24) == 0) {
    g_object_unref(layout);
    return text.empty() ? 0 : height;
  }
  double y = rect->top;
  if (format & DT_VCENTER) y = rect->top + (rect->Height() - height) / 2.0;
  else if (format & DT_BOTTOM) y = rect->bottom - height;
  double x = rect->left;
  if (pango_layout_get_width(layout) < 0) {
    // No layout width: align the line ourselves.
    if (format & DT_CENTER) x = rect->left + (rect->Width() - width) / 2.0;
    else if (format & DT_RIGHT) x = rect->right - width;
  }
  cairo_save(cr_);
  if (!(format & DT_NOCLIP)) {
    cairo_rectangle(cr_, rect->left, rect->top, rect->Width(), rect->Height());
    cairo_clip(cr_);
  }
  cairo_set_source_rgba(cr_, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0,
                        ((color >> 24) & 0xFF) / 255.0);
  cairo_move_to(cr_, std::round(x), std::round(y));
  pango_cairo_show_layout(cr_, layout);
  cairo_restore(cr_);
  g_object_unref(layout);
  return height;
}

}  // namespace DUI
