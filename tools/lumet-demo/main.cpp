// lumet-demo: a borderless skinned window with shapes, an image and text; hover and clicks,
// a window timer, a tick animation, a modal child window and a pop-up that closes on a press
// outside it.
//
//   lumet-demo [--exit-after MS] [--x X --y Y]
//
// The window is titled "Lumet Demo"; its "Click me" button turns the accent colour when
// pressed (the end-to-end test checks that by pixels).
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Trace.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Keys.h"
#include "platform/gui/Native.h"
#include "widgets/core/CMTimer.h"

using namespace DUI;

namespace {

constexpr ARGB kAccent = 0xFF49FFE6;
constexpr ARGB kBack = 0xFE060B11;
constexpr ARGB kCard = 0xFF121C26;
constexpr UINT kTick = WM_USER + 1;
constexpr UINT kUserClose = WM_USER + 66;

const CRect kCaption(0, 0, 640, 40);
const CRect kClose(606, 8, 630, 32);
const CRect kClickButton(40, 300, 200, 344);
const CRect kModalButton(220, 300, 380, 344);
const CRect kOkButton(110, 80, 190, 114);

std::string ProgramFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  std::string p(buf);
  return p.substr(0, p.rfind('/'));
}

// The animation tick: on the timer thread it only posts; the UI thread moves the bar.
class Ticker : public CMTimer {
 public:
  explicit Ticker(HWND target) : target_(target) {}
  ~Ticker() override { KillTimer(); }

 protected:
  void OnMTimer(uint32_t) override {
    if (!pending_.exchange(true)) Native::PostMessage(target_, kTick);
  }

 public:
  std::atomic<bool> pending_{false};

 private:
  HWND target_;
};

struct Demo {
  HWND main = nullptr;
  Surface buffer;
  bool hoverClick = false, hoverModal = false, hoverClose = false;
  bool toggled = false;
  int clicks = 0;
  int seconds = 0;
  double barPos = 0;
  uint64_t lastTick = 0;
  std::string status = "Right-click for a pop-up.";
  Image picture;
  Ticker* ticker = nullptr;
} g;

Image MakePicture() {
  // A small 8×8 picture: four colour quadrants with a white diagonal.
  Surface s(8, 8);
  const ARGB q[4] = {0xFFE6493F, 0xFF49FFE6, 0xFF3F7BE6, 0xFFE6C83F};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) s.SetPixel(x, y, x == y ? 0xFFFFFFFF : q[(y / 4) * 2 + x / 4]);
  return Image(std::move(s));
}

void Button(Canvas& c, const CRect& r, const char* text, bool hover, bool on) {
  ARGB fill = on ? kAccent : hover ? 0xFF2C3E50 : 0xFF1E2A36;
  c.FillRoundRect(r.left, r.top, r.Width(), r.Height(), 6, fill);
  c.DrawRoundRect(r.left, r.top, r.Width(), r.Height(), 6, on ? kAccent : 0xFF3A4B5C);
  c.DrawText(text, r, Font{"Open Sans Semibold", 15, 0}, on ? 0xFF060B11 : 0xFFFFFFFF,
             DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void PaintMain(HWND h) {
  CRect client;
  Native::GetClientRect(h, &client);
  if (g.buffer.Size() != client.Size()) g.buffer.Create(client.Width(), client.Height());
  Canvas c(g.buffer);
  c.ClearRect(client, 0);
  c.FillRect(client, 0xFE49FFE6);
  CRect inner = client;
  inner.DeflateRect(1, 1);
  c.FillRect(inner, kBack);
  c.DrawText("Lumet Demo", CRect(16, 0, 400, 40), Font{"Open Sans Semibold", 16, 0}, 0xFFFFFFFF,
             DT_SINGLELINE | DT_VCENTER);
  c.FillRect(CRect(1, 39, 639, 40), 0xFF1E2A36);
  c.FillRoundRect(kClose.left, kClose.top, kClose.Width(), kClose.Height(), 4, g.hoverClose ? 0xFFE6493F : 0xFF1E2A36);
  c.DrawLine(kClose.left + 7, kClose.top + 7, kClose.right - 7, kClose.bottom - 7, 0xFFFFFFFF, 2);
  c.DrawLine(kClose.right - 7, kClose.top + 7, kClose.left + 7, kClose.bottom - 7, 0xFFFFFFFF, 2);
  // A card with text and a gradient.
  c.FillRoundRect(20, 60, 280, 160, 10, kCard);
  c.DrawText("Shapes, an image and text drawn with cairo and pango. Drag the window by its caption.",
             CRect(36, 72, 284, 170), Font{"Open Sans", 14, 0}, 0xFFC8D2DC, DT_WORDBREAK);
  c.FillGradient(CRect(36, 182, 284, 198), kAccent, 0x0049FFE6, false);
  c.FillEllipse(250, 140, 30, 30, 0xC0E6493F);
  // The picture whole, and its top-left quadrant scaled up.
  c.DrawImage(g.picture, CRect(320, 60, 460, 200));
  c.DrawImage(g.picture, CRect(470, 60, 610, 200), CRect(0, 0, 4, 4), 200);
  // The tick animation.
  c.FillRect(CRect(20, 240, 620, 250), 0xFF121C26);
  int x = 20 + static_cast<int>(g.barPos);
  c.FillRoundRect(x, 240, 60, 10, 5, kAccent);
  char line[128];
  std::snprintf(line, sizeof line, "Timer: %d s   Clicks: %d", g.seconds, g.clicks);
  c.DrawText(line, CRect(20, 256, 620, 290), Font{"Open Sans", 14, 0}, 0xFFFFFFFF, DT_SINGLELINE | DT_VCENTER);
  Button(c, kClickButton, "Click me", g.hoverClick, g.toggled);
  Button(c, kModalButton, "Modal", g.hoverModal, false);
  c.DrawText(g.status, CRect(20, 356, 620, 390), Font{"Open Sans", 14, FontStyleItalic}, 0xFF8CA0B4,
             DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

void Present(HWND h, Surface& s) {
  PAINTSTRUCT ps;
  Native::BeginPaint(h, &ps);
  Native::PresentSurface(h, s, ps.rcPaint);
  Native::EndPaint(h, &ps);
}

LRESULT DialogProc(HWND h, UINT m, WPARAM w, LPARAM l);

void OpenModal(HWND owner) {
  CRect r;
  Native::GetWindowRect(owner, &r);
  HWND dlg = Native::CreateWindowEx(WS_EX_TOOLWINDOW, "LumetDemoDialog", "Lumet Demo Dialog", WS_POPUP,
                                    r.left + 170, r.top + 135, 300, 130, owner, nullptr);
  if (!dlg) return;
  UINT result = Native::RunModalLoop(dlg, SW_SHOWNORMAL);
  g.status = "The modal window returned " + std::to_string(result) + ".";
  Native::InvalidateRect(owner, nullptr, false);
}

void OpenPopup(HWND owner, CPoint screen) {
  HWND p = Native::CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_LUMET_POPUP, "LumetDemoPopup",
                                  "Lumet Demo Popup", WS_POPUP, screen.x, screen.y, 180, 70, owner, nullptr);
  if (p) Native::ShowWindow(p, SW_SHOW);
}

LRESULT MainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_PAINT:
      PaintMain(h);
      Present(h, g.buffer);
      return 0;
    case WM_NCHITTEST: {
      CPoint pt = PointFromLParam(l);
      Native::ScreenToClient(h, &pt);
      return kCaption.PtInRect(pt) && !kClose.PtInRect(pt) ? HTCAPTION : HTCLIENT;
    }
    case WM_MOUSEMOVE: {
      CPoint pt = PointFromLParam(l);
      bool a = kClickButton.PtInRect(pt), b = kModalButton.PtInRect(pt), c = kClose.PtInRect(pt);
      if (a != g.hoverClick || b != g.hoverModal || c != g.hoverClose) {
        g.hoverClick = a;
        g.hoverModal = b;
        g.hoverClose = c;
        Native::InvalidateRect(h, nullptr, false);
      }
      Native::SetCursor(a || b || c ? IDC_HAND : IDC_ARROW);
      Native::TrackMouseEvent(h, TME_LEAVE);
      return 0;
    }
    case WM_MOUSELEAVE:
      g.hoverClick = g.hoverModal = g.hoverClose = false;
      Native::InvalidateRect(h, nullptr, false);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      CPoint pt = PointFromLParam(l);
      if (kClickButton.PtInRect(pt)) {
        g.toggled = !g.toggled;
        ++g.clicks;
        g.status = m == WM_LBUTTONDBLCLK ? "A double click." : "A click.";
        Native::InvalidateRect(h, nullptr, false);
      } else if (kModalButton.PtInRect(pt)) {
        Native::PostTask([h] { OpenModal(h); });
      } else if (kClose.PtInRect(pt)) {
        Native::PostMessage(h, WM_CLOSE);
      }
      return 0;
    }
    case WM_RBUTTONUP: {
      CPoint pt = PointFromLParam(l);
      Native::ClientToScreen(h, &pt);
      OpenPopup(h, pt);
      return 0;
    }
    case WM_TIMER:
      if (w == 1) {
        ++g.seconds;
        Native::InvalidateRect(h, nullptr, false);
      }
      return 0;
    case kTick: {
      g.ticker->pending_.store(false);
      uint64_t now = Native::Now();
      double dt = g.lastTick ? static_cast<double>(now - g.lastTick) : 0;
      g.lastTick = now;
      g.barPos = std::fmod(g.barPos + dt * 0.2, 540.0);
      CRect bar(20, 240, 620, 250);
      Native::InvalidateRect(h, &bar, false);
      return 0;
    }
    case WM_DESTROY:
      Native::PostQuitMessage(0);
      return 0;
    default:
      return Native::DefWindowProc(h, m, w, l);
  }
}

LRESULT DialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  static Surface buffer;
  switch (m) {
    case WM_PAINT: {
      CRect client;
      Native::GetClientRect(h, &client);
      buffer.Create(client.Width(), client.Height());
      Canvas c(buffer);
      c.FillRect(client, kAccent);
      CRect inner = client;
      inner.DeflateRect(1, 1);
      c.FillRect(inner, 0xFF101820);
      c.DrawText("A modal window: the main window is disabled.", CRect(16, 16, 284, 70), Font{"Open Sans", 14, 0},
                 0xFFFFFFFF, DT_WORDBREAK | DT_CENTER);
      Button(c, kOkButton, "OK", false, false);
      Present(h, buffer);
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (kOkButton.PtInRect(PointFromLParam(l))) Native::PostMessage(h, kUserClose, IDOK, 0);
      return 0;
    case WM_KEYDOWN:
      if (w == VK_ESCAPE) Native::PostMessage(h, kUserClose, IDCANCEL, 0);
      if (w == VK_RETURN) Native::PostMessage(h, kUserClose, IDOK, 0);
      return 0;
    case kUserClose:
      Native::PostMessage(h, WM_CLOSE, w, l);
      return 1;
    default:
      return Native::DefWindowProc(h, m, w, l);
  }
}

LRESULT PopupProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  static Surface buffer;
  switch (m) {
    case WM_PAINT: {
      CRect client;
      Native::GetClientRect(h, &client);
      buffer.Create(client.Width(), client.Height());
      Canvas c(buffer);
      c.FillRect(client, 0xFF1E2A36);
      c.DrawRect(client, kAccent);
      c.DrawText("A pop-up: press outside it to close it.", CRect(10, 6, 170, 64), Font{"Open Sans", 13, 0},
                 0xFFFFFFFF, DT_WORDBREAK | DT_VCENTER);
      Present(h, buffer);
      return 0;
    }
    case WM_NCACTIVATE:
      // Losing the activation closes it; the destruction waits until this handler returns.
      if (w == 0) Native::DestroyWindow(h);
      return 1;
    default:
      return Native::DefWindowProc(h, m, w, l);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int exitAfter = 0, x = 100, y = 100;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--exit-after") && i + 1 < argc) exitAfter = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--x") && i + 1 < argc) x = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--y") && i + 1 < argc) y = std::atoi(argv[++i]);
  }
  if (!Native::Initialize()) {
    std::fprintf(stderr, "lumet-demo: no display\n");
    return 2;
  }
  std::string fonts = ProgramFolder() + "/font/";
  Fonts::AddFile(fonts + "OpenSans-Regular.ttf");
  Fonts::AddFile(fonts + "OpenSans-Semibold.ttf");
  Fonts::AddFile(fonts + "OpenSans-Italic.ttf");
  g.picture = MakePicture();
  Native::RegisterClass("LumetDemo", CS_DBLCLKS, &MainProc);
  Native::RegisterClass("LumetDemoDialog", 0, &DialogProc);
  Native::RegisterClass("LumetDemoPopup", 0, &PopupProc);
  HWND h = Native::CreateWindowEx(0, "LumetDemo", "Lumet Demo", 0x96000000, x, y, 640, 400, nullptr, nullptr);
  if (!h) return 1;
  g.main = h;
  Native::SetWindowIcon(h, g.picture);
  Native::SetTimer(h, 1, 1000);
  Ticker ticker(h);
  g.ticker = &ticker;
  ticker.SetTimer(16);
  if (exitAfter > 0) Native::SetTimer(nullptr, 0, static_cast<UINT>(exitAfter), [](HWND, UINT, uintptr_t, DWORD) {
      Native::PostQuitMessage(3);
    });
  int code = Native::RunMessageLoop();
  ticker.KillTimer();
  Native::Shutdown();
  return code;
}
