// The cost of one frame of the main window and of the message path:
// - a full repaint of 1300×788 with a background image, 200 small images and 100 text runs;
// - presenting that frame to a window (headless, and through SDL when a display is there);
// - a message posted by a worker thread until its handler runs on the UI thread.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/gui/Canvas.h"
#include "platform/gui/Native.h"

using namespace DUI;

namespace {

constexpr int kW = 1300, kH = 788;

Image Background() {
  Surface s(kW, kH);
  Canvas c(s);
  c.FillGradient(CRect(0, 0, kW, kH), 0xFF060B11, 0xFF1E2A36, true);
  for (int i = 0; i < 40; ++i) c.FillRoundRect(20 + i * 31, 40, 24, 700, 8, 0x3049FFE6);
  return Image(std::move(s));
}

Image Strip() {
  // Four 32×32 frames, like a button's image strip.
  Surface s(128, 32);
  Canvas c(s);
  const ARGB colours[4] = {0xFF2C3E50, 0xFF49FFE6, 0xFFE6493F, 0x80FFFFFF};
  for (int i = 0; i < 4; ++i) c.FillRoundRect(i * 32 + 2, 2, 28, 28, 6, colours[i]);
  return Image(std::move(s));
}

void RenderFrame(Canvas& c, const Image& bg, const Image& strip, const Font& font) {
  c.DrawImage(bg, CRect(0, 0, kW, kH));
  for (int i = 0; i < 200; ++i) {
    int x = 10 + (i % 20) * 64, y = 10 + (i / 20) * 40;
    int frame = i % 4;
    c.DrawImage(strip, CRect(x, y, x + 32, y + 32), CRect(frame * 32, 0, frame * 32 + 32, 32));
  }
  for (int i = 0; i < 100; ++i) {
    int x = 10 + (i % 5) * 256, y = 420 + (i / 5) * 18;
    c.DrawText("DPI level 3: 1600", CRect(x, y, x + 240, y + 18), font, 0xFFFFFFFF, DT_SINGLELINE | DT_VCENTER);
  }
}

void BM_FullRepaint(benchmark::State& state) {
  Fonts::AddFile("/usr/share/fonts/truetype/open-sans/OpenSans-Semibold.ttf");
  Image bg = Background(), strip = Strip();
  Font font{"Open Sans Semibold", 14, 0};
  Surface frame(kW, kH);
  for (auto _ : state) {
    Canvas c(frame);
    RenderFrame(c, bg, strip, font);
    benchmark::DoNotOptimize(frame.Bits());
  }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return Native::DefWindowProc(h, m, w, l); }

void Present(benchmark::State& state, Native::Backend backend) {
  if (!Native::Initialize(backend)) {
    state.SkipWithError("no display for this backend");
    return;
  }
  Native::RegisterClass("BenchWindow", 0, &PlainProc);
  HWND h = Native::CreateWindowEx(0, "BenchWindow", "bench", WS_POPUP | WS_VISIBLE, 0, 0, kW, kH, nullptr, nullptr);
  Surface frame(kW, kH);
  {
    Canvas c(frame);
    RenderFrame(c, Background(), Strip(), Font{"Open Sans", 14, 0});
  }
  MSG msg;
  while (Native::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) Native::DispatchMessage(&msg);
  for (auto _ : state) Native::PresentSurface(h, frame, CRect(0, 0, kW, kH));
  Native::Shutdown();
}
void BM_PresentHeadless(benchmark::State& state) { Present(state, Native::Backend::Headless); }
void BM_PresentSdl(benchmark::State& state) { Present(state, Native::Backend::Sdl); }
BENCHMARK(BM_PresentHeadless)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentSdl)->Unit(benchmark::kMillisecond);

// Worker → UI: the worker posts when told to; the UI loop runs the handler.
std::atomic<bool> g_handled{false};
LRESULT RoundTripProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 92) {
    g_handled.store(true);
    return 0;
  }
  return Native::DefWindowProc(h, m, w, l);
}

void PostRoundTrip(benchmark::State& state, Native::Backend backend) {
  if (!Native::Initialize(backend)) {
    state.SkipWithError("no display for this backend");
    return;
  }
  Native::RegisterClass("BenchRoundTrip", 0, &RoundTripProc);
  HWND h = Native::CreateWindowEx(0, "BenchRoundTrip", "bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
  std::mutex m;
  std::condition_variable cv;
  int requests = 0;
  bool stop = false;
  std::thread worker([&] {
    int served = 0;
    for (;;) {
      std::unique_lock<std::mutex> lock(m);
      cv.wait(lock, [&] { return stop || requests > served; });
      if (stop) return;
      ++served;
      lock.unlock();
      Native::PostMessage(h, WM_USER + 92);
    }
  });
  MSG msg;
  for (auto _ : state) {
    g_handled.store(false);
    {
      std::lock_guard<std::mutex> lock(m);
      ++requests;
    }
    cv.notify_one();
    while (!g_handled.load() && Native::GetMessage(&msg)) Native::DispatchMessage(&msg);
  }
  {
    std::lock_guard<std::mutex> lock(m);
    stop = true;
  }
  cv.notify_one();
  worker.join();
  Native::Shutdown();
}
void BM_PostRoundTripHeadless(benchmark::State& state) { PostRoundTrip(state, Native::Backend::Headless); }
void BM_PostRoundTripSdl(benchmark::State& state) { PostRoundTrip(state, Native::Backend::Sdl); }
BENCHMARK(BM_PostRoundTripHeadless)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PostRoundTripSdl)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
