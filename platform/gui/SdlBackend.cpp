// The SDL2 backend: every window is a borderless SDL window; SDL events become core input.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "base/Trace.h"
#include "platform/gui/Native.h"
#include "platform/gui/detail/Core.h"

namespace DUI::detail {
namespace {

SDL_Window* Win(WindowRec& w) { return static_cast<SDL_Window*>(w.native); }

SDL_HitTestResult HitTestCallback(SDL_Window* win, const SDL_Point* area, void* data) {
  HWND h = static_cast<HWND>(data);
  int x = 0, y = 0;
  SDL_GetWindowPosition(win, &x, &y);
  // The window manager moves the window when the press lands on the caption.
  return HitTest(h, CPoint(x + area->x, y + area->y)) == HTCAPTION ? SDL_HITTEST_DRAGGABLE : SDL_HITTEST_NORMAL;
}

class SdlBackend : public Backend {
 public:
  bool Start() override {
    // X11 first (XWayland on Wayland desktops): native Wayland cannot place pop-ups or move
    // windows from the program. The user's own choice wins.
    if (!std::getenv("SDL_VIDEODRIVER")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // SDL video starts once per process and stays up: starting it again after a shutdown
    // fails on X11 after a few rounds.
    static bool videoUp = false;
    static Uint32 wakeEvent = 0;
    if (!videoUp) {
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        base::Trace(base::TraceLevel::Error, "gui: SDL video could not start: %s", SDL_GetError());
        return false;
      }
      videoUp = true;
      wakeEvent = SDL_RegisterEvents(1);
    }
    wakeEvent_ = wakeEvent;
    // Nothing of an earlier run may reach this one.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_StopTextInput();
    base::Trace(base::TraceLevel::Info, "gui: SDL video driver %s", SDL_GetCurrentVideoDriver());
    return true;
  }

  void Stop() override {
    for (auto& [idc, c] : cursors_) SDL_FreeCursor(c);
    cursors_.clear();
    SDL_StopTextInput();
    SDL_CaptureMouse(SDL_FALSE);
  }

  uint64_t Now() override { return SDL_GetTicks64(); }

  bool CreateNative(WindowRec& w) override {
    Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    if (w.IsPopup()) {
      flags |= (w.exStyle & (WS_EX_NOACTIVATE | WS_EX_TRANSPARENT)) ? SDL_WINDOW_TOOLTIP : SDL_WINDOW_POPUP_MENU;
    } else if (w.exStyle & WS_EX_TOOLWINDOW) {
      flags |= SDL_WINDOW_UTILITY | SDL_WINDOW_SKIP_TASKBAR;
    }
    if (w.Topmost()) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    SDL_Window* win = SDL_CreateWindow(w.title.c_str(), w.rect.left, w.rect.top, std::max(1, w.rect.Width()),
                                       std::max(1, w.rect.Height()), flags);
    if (!win) {
      base::Trace(base::TraceLevel::Error, "gui: SDL_CreateWindow failed: %s", SDL_GetError());
      return false;
    }
    w.native = win;
    w.nativeId = SDL_GetWindowID(win);
    SDL_SetWindowHitTest(win, &HitTestCallback, w.hwnd);
    return true;
  }

  void DestroyNative(WindowRec& w) override {
    if (pendingLost_ == w.hwnd) pendingLost_ = nullptr;
    if (w.native) SDL_DestroyWindow(Win(w));
    w.native = nullptr;
    w.nativeId = 0;
  }

  void ShowNative(WindowRec& w, bool show) override {
    if (!w.native) return;
    if (show) {
      if (SDL_GetWindowFlags(Win(w)) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(Win(w));
      SDL_ShowWindow(Win(w));
    } else {
      SDL_HideWindow(Win(w));
    }
  }

  void MinimizeNative(WindowRec& w) override {
    if (w.native) SDL_MinimizeWindow(Win(w));
  }

  void GeometryNative(WindowRec& w) override {
    if (!w.native) return;
    SDL_SetWindowPosition(Win(w), w.rect.left, w.rect.top);
    SDL_SetWindowSize(Win(w), std::max(1, w.rect.Width()), std::max(1, w.rect.Height()));
  }

  void TitleNative(WindowRec& w) override {
    if (w.native) SDL_SetWindowTitle(Win(w), w.title.c_str());
  }

  void RaiseNative(WindowRec& w, bool focus) override {
    // SDL raises and focuses in one call; pop-ups are never focused by the window manager.
    if (w.native && (focus || w.IsPopup())) SDL_RaiseWindow(Win(w));
  }

  void TopmostNative(WindowRec& w) override {
    if (w.native) SDL_SetWindowAlwaysOnTop(Win(w), w.Topmost() ? SDL_TRUE : SDL_FALSE);
  }

  void IconNative(WindowRec& w, const Surface& icon) override {
    if (!w.native || !icon.IsValid()) return;
    std::vector<uint32_t> pixels(static_cast<size_t>(icon.Width()) * icon.Height());
    for (int y = 0; y < icon.Height(); ++y)
      for (int x = 0; x < icon.Width(); ++x) pixels[static_cast<size_t>(y) * icon.Width() + x] = icon.GetPixel(x, y);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), icon.Width(), icon.Height(), 32,
                                                        icon.Width() * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(Win(w), s);
    SDL_FreeSurface(s);
  }

  void Present(WindowRec& w, const Surface& composed, const CRect& rect) override {
    if (!w.native) return;
    SDL_Surface* target = SDL_GetWindowSurface(Win(w));
    if (!target) return;
    CRect r;
    if (!r.IntersectRect(rect, CRect(0, 0, std::min(target->w, composed.Width()), std::min(target->h, composed.Height()))))
      return;
    // Premultiplied pixels shown as they are: on an opaque window that is the image over black.
    const uint8_t* src = reinterpret_cast<const uint8_t*>(composed.Bits()) + static_cast<size_t>(r.top) * composed.Stride() +
                         r.left * 4;
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    uint8_t* dst = static_cast<uint8_t*>(target->pixels) + static_cast<size_t>(r.top) * target->pitch + r.left * 4;
    Uint32 fmt = target->format->format;
    if (fmt == SDL_PIXELFORMAT_RGB888 || fmt == SDL_PIXELFORMAT_ARGB8888) {
      for (int y = 0; y < r.Height(); ++y)
        std::memcpy(dst + static_cast<size_t>(y) * target->pitch, src + static_cast<size_t>(y) * composed.Stride(),
                    static_cast<size_t>(r.Width()) * 4);
    } else {
      SDL_ConvertPixels(r.Width(), r.Height(), SDL_PIXELFORMAT_ARGB8888, src, composed.Stride(), fmt,
                        static_cast<uint8_t*>(target->pixels) + static_cast<size_t>(r.top) * target->pitch +
                            r.left * target->format->BytesPerPixel,
                        target->pitch);
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    SDL_Rect sr{r.left, r.top, r.Width(), r.Height()};
    SDL_UpdateWindowSurfaceRects(Win(w), &sr, 1);
  }

  void Pump() override {
    wakePending_.store(false);
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) Translate(ev);
    if (pendingLost_ && SDL_GetTicks64() - pendingLostAt_ >= kFocusGrace) {
      HWND h = pendingLost_;
      pendingLost_ = nullptr;
      OnSystemFocus(h, false);
    }
  }

  void Wait(uint64_t timeoutMs) override {
    if (pendingLost_) {
      uint64_t left = kFocusGrace - std::min<uint64_t>(kFocusGrace, SDL_GetTicks64() - pendingLostAt_);
      timeoutMs = std::min(timeoutMs, left + 1);
    }
    if (timeoutMs == UINT64_MAX) {
      SDL_WaitEvent(nullptr);
    } else {
      SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<uint64_t>(timeoutMs, INT_MAX)));
    }
  }

  void Wake() override {
    // One wake event at a time is enough: the loop drains the whole queue when it wakes.
    if (wakePending_.exchange(true)) return;
    SDL_Event ev;
    SDL_zero(ev);
    ev.type = wakeEvent_;
    if (SDL_PushEvent(&ev) <= 0) wakePending_.store(false);
  }

  CRect ScreenRect() override {
    SDL_Rect r{0, 0, 0, 0};
    SDL_GetDisplayBounds(0, &r);
    return CRect(r.x, r.y, r.x + r.w, r.y + r.h);
  }

  CRect WorkArea(CPoint near) override {
    int n = SDL_GetNumVideoDisplays();
    int best = 0;
    long bestDist = LONG_MAX;
    for (int i = 0; i < n; ++i) {
      SDL_Rect b;
      if (SDL_GetDisplayBounds(i, &b) != 0) continue;
      long dx = near.x < b.x ? b.x - near.x : near.x >= b.x + b.w ? near.x - (b.x + b.w - 1) : 0;
      long dy = near.y < b.y ? b.y - near.y : near.y >= b.y + b.h ? near.y - (b.y + b.h - 1) : 0;
      if (dx + dy < bestDist) {
        bestDist = dx + dy;
        best = i;
      }
    }
    SDL_Rect r{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(best, &r) != 0) SDL_GetDisplayBounds(best, &r);
    return CRect(r.x, r.y, r.x + r.w, r.y + r.h);
  }

  int Dpi() override { return 96; }

  void SetCursorShape(int idc) override {
    SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
    switch (idc) {
      case IDC_IBEAM: id = SDL_SYSTEM_CURSOR_IBEAM; break;
      case IDC_WAIT: id = SDL_SYSTEM_CURSOR_WAIT; break;
      case IDC_CROSS: id = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
      case IDC_SIZEWE: id = SDL_SYSTEM_CURSOR_SIZEWE; break;
      case IDC_SIZENS: id = SDL_SYSTEM_CURSOR_SIZENS; break;
      case IDC_SIZENWSE: id = SDL_SYSTEM_CURSOR_SIZENWSE; break;
      case IDC_SIZENESW: id = SDL_SYSTEM_CURSOR_SIZENESW; break;
      case IDC_SIZEALL: id = SDL_SYSTEM_CURSOR_SIZEALL; break;
      case IDC_NO: id = SDL_SYSTEM_CURSOR_NO; break;
      case IDC_HAND: id = SDL_SYSTEM_CURSOR_HAND; break;
      default: id = SDL_SYSTEM_CURSOR_ARROW; break;  // SDL has no help cursor
    }
    SDL_Cursor*& c = cursors_[id];
    if (!c) c = SDL_CreateSystemCursor(id);
    if (c) SDL_SetCursor(c);
  }

  CPoint CursorPos() override {
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    return CPoint(x, y);
  }

  void WarpCursor(CPoint pt) override { SDL_WarpMouseGlobal(pt.x, pt.y); }
  void CaptureNative(bool on) override { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }

  void TextInputNative(bool on, const CRect* caret) override {
    if (caret) {
      SDL_Rect r{caret->left, caret->top, caret->Width(), caret->Height()};
      SDL_SetTextInputRect(&r);
    }
    if (on) {
      SDL_StartTextInput();
    } else {
      SDL_StopTextInput();
    }
  }

  bool SetClipboard(const std::string& text) override { return SDL_SetClipboardText(text.c_str()) == 0; }

  std::string GetClipboard() override {
    char* t = SDL_GetClipboardText();
    std::string out = t ? t : "";
    SDL_free(t);
    return out;
  }

  bool SystemCaptionDrag() const override { return true; }

 private:
  static HWND Handle(Uint32 windowId, CPoint* origin) {
    WindowRec* w = FindByNativeId(windowId);
    if (!w) return nullptr;
    if (origin) *origin = w->rect.TopLeft();
    return w->hwnd;
  }

  static HWND Over(HWND h, CPoint screen) {
    WindowRec* w = Find(h);
    return (w && w->rect.PtInRect(screen)) ? h : nullptr;
  }

  void Translate(const SDL_Event& ev) {
    CPoint origin;
    switch (ev.type) {
      case SDL_MOUSEMOTION: {
        HWND h = Handle(ev.motion.windowID, &origin);
        CPoint screen(origin.x + ev.motion.x, origin.y + ev.motion.y);
        if (!h) screen = CursorPos();
        OnPointerMove(screen, Over(h, screen));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        int button = ev.button.button == SDL_BUTTON_LEFT ? 0 : ev.button.button == SDL_BUTTON_RIGHT ? 1
                                                            : ev.button.button == SDL_BUTTON_MIDDLE ? 2 : -1;
        if (button < 0) break;
        HWND h = Handle(ev.button.windowID, &origin);
        CPoint screen(origin.x + ev.button.x, origin.y + ev.button.y);
        if (!h) screen = CursorPos();
        OnButton(button, ev.type == SDL_MOUSEBUTTONDOWN, screen, Over(h, screen));
        break;
      }
      case SDL_MOUSEWHEEL: {
        HWND h = Handle(ev.wheel.windowID, &origin);
        CPoint screen(origin.x + ev.wheel.mouseX, origin.y + ev.wheel.mouseY);
        if (!h) screen = CursorPos();
        float y = ev.wheel.preciseY;
        if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        OnWheel(static_cast<int>(y * WHEEL_DELTA), screen, Over(h, screen));
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        SetNumLockState((SDL_GetModState() & KMOD_NUM) != 0);
        OnKey(ev.key.keysym.scancode, ev.type == SDL_KEYDOWN, ev.key.repeat != 0);
        SetNumLockState((SDL_GetModState() & KMOD_NUM) != 0);
        break;
      case SDL_TEXTINPUT:
        OnText(ev.text.text);
        break;
      case SDL_WINDOWEVENT: {
        HWND h = Handle(ev.window.windowID, nullptr);
        if (!h) break;
        switch (ev.window.event) {
          case SDL_WINDOWEVENT_LEAVE: OnPointerLeft(h); break;
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            pendingLost_ = nullptr;
            OnSystemFocus(h, true);
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            // Wait a moment: when the focus only moves to another window of ours (X11 moves it
            // to a window under the pointer when no window manager runs), that is no loss.
            pendingLost_ = h;
            pendingLostAt_ = SDL_GetTicks64();
            break;
          case SDL_WINDOWEVENT_MOVED: OnSystemMoved(h, CPoint(ev.window.data1, ev.window.data2)); break;
          case SDL_WINDOWEVENT_SIZE_CHANGED: OnSystemResized(h, CSize(ev.window.data1, ev.window.data2)); break;
          case SDL_WINDOWEVENT_EXPOSED: OnExposed(h); break;
          case SDL_WINDOWEVENT_CLOSE: OnCloseRequest(h); break;
          case SDL_WINDOWEVENT_MINIMIZED:
            if (!Native::IsIconic(h)) Native::ShowWindow(h, SW_SHOWMINNOACTIVE);
            break;
          case SDL_WINDOWEVENT_RESTORED:
            if (Native::IsIconic(h)) Native::ShowWindow(h, SW_RESTORE);
            break;
          default: break;
        }
        break;
      }
      default:
        break;  // the wake event and SDL_QUIT carry nothing for us
    }
  }

  static constexpr uint64_t kFocusGrace = 250;
  HWND pendingLost_ = nullptr;
  uint64_t pendingLostAt_ = 0;
  Uint32 wakeEvent_ = 0;
  std::atomic<bool> wakePending_{false};
  std::map<int, SDL_Cursor*> cursors_;
};

}  // namespace

Backend* CreateSdlBackend() { return new SdlBackend; }

}  // namespace DUI::detail
