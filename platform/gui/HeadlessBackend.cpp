// The headless backend: windows in memory, a virtual clock, injected input, kept frames.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/gui/Headless.h"
#include "platform/gui/Native.h"
#include "platform/gui/detail/Core.h"

namespace DUI {
namespace detail {
namespace {

class HeadlessBackend;
HeadlessBackend* g_headless = nullptr;

class HeadlessBackend : public Backend {
 public:
  bool Start() override {
    g_headless = this;
    return true;
  }
  void Stop() override {
    if (g_headless == this) g_headless = nullptr;
  }
  uint64_t Now() override { return now_; }
  bool CreateNative(WindowRec& w) override {
    history_[w.hwnd].clear();
    return true;
  }
  void DestroyNative(WindowRec& w) override { history_.erase(w.hwnd); }
  void ShowNative(WindowRec&, bool) override {}
  void MinimizeNative(WindowRec&) override {}
  void GeometryNative(WindowRec&) override {}
  void TitleNative(WindowRec&) override {}
  void RaiseNative(WindowRec&, bool) override {}
  void IconNative(WindowRec& w, const Surface& icon) override { icons_[w.hwnd] = icon; }
  void Present(WindowRec& w, const Surface& composed, const CRect&) override {
    auto& h = history_[w.hwnd];
    h.push_back(composed);
    while (static_cast<int>(h.size()) > historyLimit_) h.pop_front();
  }
  void Pump() override {}
  void Wait(uint64_t timeoutMs) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (woken_) {
      woken_ = false;
      return;
    }
    if (timeoutMs != UINT64_MAX && autoAdvance_) {
      // Nothing to do but wait for a timer: jump the virtual clock to it.
      lock.unlock();
      now_ += timeoutMs;
      return;
    }
    // Only another thread can wake us now; wait for it in real time.
    if (timeoutMs == UINT64_MAX) {
      cv_.wait(lock, [this] { return woken_; });
    } else {
      cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return woken_; });
    }
    woken_ = false;
  }
  void Wake() override {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
    cv_.notify_all();
  }
  CRect ScreenRect() override { return screen_; }
  CRect WorkArea(CPoint) override { return work_; }
  int Dpi() override { return dpi_; }
  void SetCursorShape(int idc) override { cursor_ = idc; }
  CPoint CursorPos() override { return pointer_; }
  void WarpCursor(CPoint pt) override { pointer_ = pt; }
  bool SetClipboard(const std::string& text) override {
    clipboard_ = text;
    return true;
  }
  std::string GetClipboard() override { return clipboard_; }
  bool VirtualClock() const override { return true; }

  uint64_t now_ = 1000;
  bool autoAdvance_ = true;
  CRect screen_{0, 0, 1920, 1080};
  CRect work_{0, 0, 1920, 1040};
  int dpi_ = 96;
  int cursor_ = IDC_ARROW;
  CPoint pointer_{-1, -1};
  std::string clipboard_;
  int historyLimit_ = 8;
  std::map<HWND, std::deque<Surface>> history_;
  std::map<HWND, Surface> icons_;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool woken_ = false;
};

}  // namespace

Backend* CreateHeadlessBackend() { return new HeadlessBackend; }

}  // namespace detail

namespace Headless {

using detail::g_headless;

bool IsActive() { return g_headless != nullptr; }

void SetScreen(const CRect& screen, const CRect& workArea, int dpi) {
  if (!g_headless) return;
  g_headless->screen_ = screen;
  g_headless->work_ = workArea;
  g_headless->dpi_ = dpi;
}

uint64_t Now() { return g_headless ? g_headless->now_ : 0; }

void AdvanceClock(uint64_t ms) {
  if (!g_headless) return;
  g_headless->now_ += ms;
  detail::CheckHoverAndTimers();
}

void SetAutoAdvance(bool on) {
  if (g_headless) g_headless->autoAdvance_ = on;
}

static int ButtonIndex(Button b) { return b == Button::Left ? 0 : b == Button::Right ? 1 : 2; }

void MouseMove(CPoint screen) {
  if (!g_headless) return;
  g_headless->pointer_ = screen;
  detail::OnPointerMove(screen, nullptr);
}

void MouseDown(Button button, CPoint screen) {
  if (!g_headless) return;
  if (g_headless->pointer_ != screen) MouseMove(screen);
  detail::OnButton(ButtonIndex(button), true, screen, nullptr);
}

void MouseUp(Button button, CPoint screen) {
  if (!g_headless) return;
  if (g_headless->pointer_ != screen) MouseMove(screen);
  detail::OnButton(ButtonIndex(button), false, screen, nullptr);
}

void Click(Button button, CPoint screen) {
  MouseDown(button, screen);
  MouseUp(button, screen);
}

void Wheel(int notches, CPoint screen) {
  if (!g_headless) return;
  if (g_headless->pointer_ != screen) MouseMove(screen);
  detail::OnWheel(notches * WHEEL_DELTA, screen, nullptr);
}

void MouseLeaveAll() {
  if (!g_headless) return;
  g_headless->pointer_ = CPoint(-1, -1);
  detail::OnPointerLeft(nullptr);
}

void KeyDown(int scancode) {
  if (g_headless) detail::OnKey(scancode, true, false);
}
void KeyUp(int scancode) {
  if (g_headless) detail::OnKey(scancode, false, false);
}
void KeyPress(int scancode) {
  KeyDown(scancode);
  KeyUp(scancode);
}
void SetNumLock(bool on) {
  if (g_headless) detail::SetNumLockState(on);
}
void Text(const std::string& utf8) {
  if (g_headless) detail::OnText(utf8);
}

void RequestClose(HWND hwnd) {
  if (g_headless) detail::OnCloseRequest(hwnd);
}
void SystemFocus(HWND hwnd) {
  if (g_headless) detail::OnSystemFocus(hwnd, true);
}
void SystemFocusLost() {
  if (g_headless) detail::OnSystemFocus(Native::GetActiveWindow(), false);
}
void SystemMove(HWND hwnd, CPoint topLeft) {
  if (g_headless) detail::OnSystemMoved(hwnd, topLeft);
}

int Pump() {
  if (!g_headless) return 0;
  int n = 0;
  MSG msg;
  // Bounded, so a window that repaints itself forever cannot hang a test.
  while (n < 100000 && Native::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      Native::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    Native::TranslateMessage(&msg);
    Native::DispatchMessage(&msg);
    ++n;
  }
  return n;
}

Surface Frame(HWND hwnd) {
  detail::WindowRec* w = detail::Find(hwnd);
  return (w && w->frameCount > 0) ? w->frame : Surface();
}

int FrameCount(HWND hwnd) {
  detail::WindowRec* w = detail::Find(hwnd);
  return w ? w->frameCount : 0;
}

void SetFrameHistory(int count) {
  if (g_headless) g_headless->historyLimit_ = std::max(count, 1);
}

std::vector<Surface> FrameHistory(HWND hwnd) {
  std::vector<Surface> out;
  if (!g_headless) return out;
  auto it = g_headless->history_.find(hwnd);
  if (it != g_headless->history_.end()) out.assign(it->second.begin(), it->second.end());
  return out;
}

bool WriteFramePng(HWND hwnd, const std::string& path) {
  Surface f = Frame(hwnd);
  return f.IsValid() && f.WritePng(path);
}

int CurrentCursor() { return g_headless ? g_headless->cursor_ : 0; }

}  // namespace Headless
}  // namespace DUI
