// Frame cost of the widget core on the headless window layer: a full repaint of a dialog with
// 300 controls (every cache dirty, and with valid caches), the repaint after one control's
// update, and hit testing by pointer moves. The 15 ms pause after each paint is switched off:
// it throttles animation on purpose and is no cost of ours.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/gui/Headless.h"
#include "platform/gui/Native.h"
#include "widgets/core/MControlFont.h"
#include "widgets/core/MDialog.h"
#include "widgets/core/MRender.h"

namespace {

using namespace DUI;

// A typical skinned control: a rounded plate, a title, and the pixel cache.
class Tile : public MControlFont {
 public:
  Tile(MObject* parent, unsigned id, CRect rect, const char* title) : MControlFont(parent, id, rect, title, 1, 1, 1) {}
  int draws = 0;

 protected:
  void DrawControl(HDC& dc, CRect) override {
    DrawCached(dc, [this](cairo_t* cr) {
      ++draws;
      HDC c = cr;
      MRender::DrawRoundRectange(c, 0.5, 0.5, m_rect.Width() - 1, m_rect.Height() - 1, 4, Color(0xFF1B2328),
                                 Color(0xFF2F6E66), 1, true);
      MRender::DrawTextW(c, CRect(4, 0, m_rect.Width() - 4, m_rect.Height()), m_title.c_str(), Color(0xFFE6F0EE),
                         GetGDIFont(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    });
  }
  int OnControlMouseMove(unsigned, CPoint pt) override { return m_rect.PtInRect(pt) ? 1 : 0; }
};

struct Scene {
  Scene() {
    Native::Initialize(Native::Backend::Headless);
    dialog.Create(nullptr, "Bench", WS_POPUP | WS_VISIBLE, 0, CRect(0, 0, 1300, 788));
    dialog.GetPaintManager().SetPaintPause(0);
    // 20 columns x 15 rows of 60 x 48 tiles.
    for (int i = 0; i < 300; ++i) {
      const int x = 10 + (i % 20) * 64, y = 10 + (i / 20) * 52;
      auto* t = new Tile(&dialog, 100 + i, CRect(x, y, x + 60, y + 48), ("Item " + std::to_string(i)).c_str());
      dialog.GetPaintManager().AddControl(t);
      tiles.push_back(t);
    }
    dialog.GetPaintManager().Render(CRect(0, 0, 1300, 788));
  }
  ~Scene() {
    dialog.DestroyWindow();
    Native::Shutdown();
  }
  MDialog dialog;
  std::vector<Tile*> tiles;
};

void BM_FullRepaintAllDirty(benchmark::State& state) {
  Scene s;
  PaintManager& pm = s.dialog.GetPaintManager();
  for (auto _ : state) {
    for (Tile* t : s.tiles) t->SetUpdate(0, Color(0));
    pm.Render(CRect(0, 0, 1300, 788));
  }
  state.counters["controls"] = 300;
}
BENCHMARK(BM_FullRepaintAllDirty)->Unit(benchmark::kMillisecond);

void BM_FullRepaintCached(benchmark::State& state) {
  Scene s;
  PaintManager& pm = s.dialog.GetPaintManager();
  for (auto _ : state) pm.Render(CRect(0, 0, 1300, 788));
}
BENCHMARK(BM_FullRepaintCached)->Unit(benchmark::kMillisecond);

// One control asks for a repaint; the next paint (through the window's paint message, with
// presenting) redraws only what the merged rectangle covers.
void BM_SingleControlUpdate(benchmark::State& state) {
  Scene s;
  Tile* t = s.tiles[150];
  int redrawnOthers = 0;
  for (auto _ : state) {
    const int before = s.tiles[151]->draws;
    t->UpdateControl(1, 0);
    Native::UpdateWindow(s.dialog.GetSafeHwnd());
    redrawnOthers += s.tiles[151]->draws - before;
  }
  state.counters["neighbour_redraws"] = redrawnOthers;
}
BENCHMARK(BM_SingleControlUpdate)->Unit(benchmark::kMicrosecond);

// The same update drawn into the off-screen surface only, without presenting it.
void BM_SingleControlRenderOnly(benchmark::State& state) {
  Scene s;
  Tile* t = s.tiles[150];
  PaintManager& pm = s.dialog.GetPaintManager();
  for (auto _ : state) {
    t->SetUpdate(0, Color(0));
    pm.Render(t->GetRect());
  }
}
BENCHMARK(BM_SingleControlRenderOnly)->Unit(benchmark::kMicrosecond);

// Hit testing: pointer moves across the dialog through the window procedure.
void BM_HitTest300(benchmark::State& state) {
  Scene s;
  int i = 0;
  for (auto _ : state) {
    const int x = 10 + (i * 37) % 1280, y = 10 + (i * 53) % 770;
    s.dialog.SendMessageW(WM_MOUSEMOVE, 0, LParamFromPoint(CPoint(x, y)));
    ++i;
  }
}
BENCHMARK(BM_HitTest300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
