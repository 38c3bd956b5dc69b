// The window layer's core: windows, z-order, activation, the message queue, timers and input
// routing. The backends only create native windows, show pixels and feed input in.
#include "platform/gui/Native.h"

#include "base/Keyboard.h"
#include "base/Text.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "base/Trace.h"
#include "platform/gui/Keys.h"
#include "platform/gui/detail/Core.h"
#include "platform/gui/detail/KeyMap.h"

namespace DUI {
namespace detail {
namespace {

struct Timer {
  HWND hwnd = nullptr;
  uintptr_t id = 0;
  uint64_t elapse = 0;
  uint64_t due = 0;
  TIMERPROC proc = nullptr;
  bool queued = false;
};

struct ClassRec {
  UINT style = 0;
  WNDPROC proc = nullptr;
};

struct ModalCount {
  int count = 0;
  bool wasEnabled = true;
};

// Everything touched from other threads sits behind `mutex`: the queue, the live-handle set,
// the tasks and the running flag.
struct State {
  std::mutex mutex;
  std::condition_variable cv;  // for the headless backend's waits
  std::deque<MSG> queue;
  std::unordered_set<uintptr_t> live;
  std::unordered_map<uintptr_t, std::function<void()>> tasks;
  uint64_t nextTask = 1;
  bool running = false;

  // UI thread only.
  std::unique_ptr<Backend> backend;
  Native::Backend kind = Native::Backend::Auto;
  std::thread::id uiThread;
  std::map<std::string, ClassRec> classes;
  std::map<uintptr_t, std::unique_ptr<WindowRec>> windows;
  std::vector<HWND> zorder;  // front first
  uintptr_t nextHandle = 0x1000;
  std::vector<Timer> timers;
  uintptr_t nextTimerId = 0x7F00;
  std::map<uintptr_t, ModalCount> modal;
  HWND active = nullptr;
  HWND capture = nullptr;
  // Pointer.
  CPoint cursor;
  HWND pointerWindow = nullptr;
  HWND trackLeave = nullptr;
  HWND trackHover = nullptr;
  uint64_t hoverStart = 0;
  uint64_t hoverTime = 400;
  CPoint hoverPoint;
  int wheelRest = 0;
  // Double clicks.
  int lastButton = -1;
  uint64_t lastPressTime = 0;
  CPoint lastPressPoint;
  HWND lastPressWindow = nullptr;
  // Our own caption drag (headless, or where the window system does not do it).
  HWND dragWindow = nullptr;
  CPoint dragOffset;
  // Keys.
  bool keys[256] = {};
  bool numLock = true;
  bool textInput = false;
  HWND textInputWindow = nullptr;
  HWND rawKeyboardWindow = nullptr;
  int cursorShape = IDC_ARROW;
};

State& S() {
  static State* state = new State;  // never destroyed: posts may arrive during exit
  return *state;
}

uintptr_t Id(HWND h) { return reinterpret_cast<uintptr_t>(h); }

bool OnUi() { return S().uiThread == std::this_thread::get_id(); }

WindowRec* Alive(HWND h) {
  WindowRec* w = Find(h);
  return (w && !w->dying) ? w : nullptr;
}

uint64_t Clock() { return S().backend ? S().backend->Now() : 0; }

void Enqueue(HWND h, UINT message, WPARAM wp, LPARAM lp) {
  State& s = S();
  MSG m;
  m.hwnd = h;
  m.message = message;
  m.wParam = wp;
  m.lParam = lp;
  m.time = static_cast<uint32_t>(Clock());
  m.pt = s.cursor;
  std::lock_guard<std::mutex> lock(s.mutex);
  // Pointer moves to the same window are merged, as only the newest position matters.
  if (message == WM_MOUSEMOVE && !s.queue.empty() && s.queue.back().message == WM_MOUSEMOVE &&
      s.queue.back().hwnd == h) {
    s.queue.back() = m;
    return;
  }
  s.queue.push_back(m);
}

// Calls the procedure of a window that may be dying (destroy messages), tracking handler
// depth so that a destroy from inside a handler waits until the handler returns.
void FinishDestroy(WindowRec* w);

LRESULT CallProc(WindowRec* w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!w->proc) return Native::DefWindowProc(w->hwnd, msg, wp, lp);
  HWND h = w->hwnd;
  ++w->depth;
  LRESULT r = w->proc(h, msg, wp, lp);
  WindowRec* again = Find(h);
  if (again) {
    --again->depth;
    if (again->depth == 0 && again->destroyPending && !again->destroyed) FinishDestroy(again);
  }
  return r;
}

LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  WindowRec* w = Alive(h);
  return w ? CallProc(w, msg, wp, lp) : 0;
}

bool IsOwnedBy(HWND h, HWND owner) {
  // True when owner is h's owner, its owner's owner, ...
  WindowRec* w = Find(h);
  int guard = 0;
  while (w && w->owner && guard++ < 64) {
    if (w->owner == owner) return true;
    w = Find(w->owner);
  }
  return false;
}

void ZRemove(HWND h) {
  auto& z = S().zorder;
  z.erase(std::remove(z.begin(), z.end(), h), z.end());
}

// Front of its band: topmost windows stay above the others.
void ZFront(HWND h) {
  State& s = S();
  WindowRec* w = Find(h);
  if (!w) return;
  ZRemove(h);
  auto pos = s.zorder.begin();
  if (!w->Topmost()) {
    while (pos != s.zorder.end()) {
      WindowRec* o = Find(*pos);
      if (!o || !o->Topmost()) break;
      ++pos;
    }
  }
  s.zorder.insert(pos, h);
}

void TextInputFollowFocus() {
  State& s = S();
  if (!s.backend) return;
  bool want = s.textInputWindow && s.textInputWindow == s.active;
  s.backend->TextInputNative(want, nullptr);
}

// Moves the activation (and so the keyboard focus). fromSystem: the window system already
// focused the window, so it is not asked again.
HWND Activate(HWND target, WPARAM how, bool fromSystem) {
  State& s = S();
  HWND old = s.active;
  if (target && !Alive(target)) target = nullptr;
  if (old == target) return old;
  s.active = target;
  if (old && Alive(old)) {
    Send(old, WM_NCACTIVATE, 0, reinterpret_cast<LPARAM>(target));
    Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(target));
    Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(target), 0);
  }
  // A handler above may have moved the activation again; the newest wins.
  if (s.active != target) return old;
  if (target) {
    WindowRec* w = Alive(target);
    if (w && !fromSystem && !w->IsPopup() && s.backend) s.backend->RaiseNative(*w, true);
    Send(target, WM_NCACTIVATE, 1, reinterpret_cast<LPARAM>(old));
    Send(target, WM_ACTIVATE, how, reinterpret_cast<LPARAM>(old));
    Send(target, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  TextInputFollowFocus();
  return old;
}

// The front-most visible, enabled window owned (at any depth) by h: its modal dialog.
HWND FrontOwnedEnabled(HWND h) {
  for (HWND z : S().zorder) {
    WindowRec* w = Alive(z);
    if (w && w->visible && w->Enabled() && IsOwnedBy(z, h)) return z;
  }
  return nullptr;
}

// An active pop-up loses activation when its owner chain stops being where the user works.
void DeactivatePopupsOver(HWND h, HWND activateInstead) {
  State& s = S();
  WindowRec* a = Alive(s.active);
  if (a && a->IsPopup() && s.active != h && IsOwnedBy(s.active, h)) {
    Activate(activateInstead, WA_ACTIVE, false);
  }
}

void ReleaseCaptureOf(HWND h) {
  State& s = S();
  if (s.capture && s.capture == h) {
    s.capture = nullptr;
    if (s.backend) s.backend->CaptureNative(false);
    Send(h, WM_CAPTURECHANGED, 0, 0);
  }
}

// Hides without destroying: visibility, activation and capture follow.
void HideWindowState(WindowRec* w) {
  State& s = S();
  HWND h = w->hwnd;
  if (!w->visible) return;
  w->visible = false;
  if (s.backend) s.backend->ShowNative(*w, false);
  ReleaseCaptureOf(h);
  if (s.dragWindow == h) s.dragWindow = nullptr;
  if (s.trackLeave == h) s.trackLeave = nullptr;
  if (s.trackHover == h) s.trackHover = nullptr;
  if (s.pointerWindow == h) s.pointerWindow = nullptr;
  if (s.active == h || (s.active && IsOwnedBy(s.active, h) && Alive(s.active) && Alive(s.active)->IsPopup())) {
    WindowRec* o = Alive(w->owner);
    Activate(o && o->visible && !o->minimized && o->Enabled() ? w->owner : nullptr, WA_ACTIVE, false);
  }
}

void DropQueued(HWND h) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.live.erase(Id(h));
  for (auto it = s.queue.begin(); it != s.queue.end();) {
    if (it->hwnd == h) {
      if (it->message == WM_LUMET_TASK) s.tasks.erase(it->wParam);
      it = s.queue.erase(it);
    } else {
      ++it;
    }
  }
}

void FinishDestroy(WindowRec* w) {
  State& s = S();
  HWND h = w->hwnd;
  if (w->destroyed) return;
  w->destroyed = true;
  w->destroyPending = false;
  w->dying = true;
  // Owned windows go first, front to back.
  std::vector<HWND> owned;
  for (auto& [id, o] : s.windows)
    if (o->owner == h && !o->destroyed) owned.push_back(o->hwnd);
  for (HWND o : owned) {
    WindowRec* ow = Find(o);
    if (ow && !ow->destroyed) {
      ow->dying = true;
      if (ow->depth > 0) {
        HideWindowState(ow);
        ow->destroyPending = true;
      } else {
        FinishDestroy(ow);
      }
    }
  }
  HideWindowState(w);
  if (s.active == h) s.active = nullptr;
  if (s.textInputWindow == h) s.textInputWindow = nullptr;
  if (s.lastPressWindow == h) s.lastPressWindow = nullptr;
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                [h](const Timer& t) { return t.hwnd == h; }),
                 s.timers.end());
  s.modal.erase(Id(h));
  DropQueued(h);
  // The destroy messages go to the procedure directly: the window is already gone for
  // IsWindow, but its object still gets its last calls.
  if (w->proc) {
    ++w->depth;
    w->proc(h, WM_DESTROY, 0, 0);
    w->proc(h, WM_NCDESTROY, 0, 0);
    --w->depth;
  }
  if (s.backend) s.backend->DestroyNative(*w);
  ZRemove(h);
  s.windows.erase(Id(h));
}

void SendSize(WindowRec* w, WPARAM type) {
  HWND h = w->hwnd;
  int cx = type == SIZE_MINIMIZED ? 0 : w->rect.Width();
  int cy = type == SIZE_MINIMIZED ? 0 : w->rect.Height();
  Send(h, WM_SIZE, type, MAKELPARAM(cx, cy));
}

WindowRec* ModalTargetFor(WindowRec* w) {
  // Input for a disabled window goes nowhere; its modal dialog comes to the front instead.
  HWND m = FrontOwnedEnabled(w->hwnd);
  if (m) {
    ZFront(m);
    if (WindowRec* mw = Alive(m); mw && S().backend) S().backend->RaiseNative(*mw, !mw->IsPopup());
    Activate(m, WA_CLICKACTIVE, false);
  }
  return nullptr;
}

WPARAM KeyFlags() {
  State& s = S();
  WPARAM f = 0;
  if (s.keys[VK_LBUTTON]) f |= MK_LBUTTON;
  if (s.keys[VK_RBUTTON]) f |= MK_RBUTTON;
  if (s.keys[VK_MBUTTON]) f |= MK_MBUTTON;
  if (s.keys[VK_SHIFT]) f |= MK_SHIFT;
  if (s.keys[VK_CONTROL]) f |= MK_CONTROL;
  return f;
}

CPoint ToClient(WindowRec* w, CPoint screen) { return {screen.x - w->rect.left, screen.y - w->rect.top}; }

void PostLeave(HWND h) {
  State& s = S();
  if (s.trackLeave == h) {
    s.trackLeave = nullptr;
    if (s.trackHover == h) s.trackHover = nullptr;
    Enqueue(h, WM_MOUSELEAVE, 0, 0);
  }
}

void MoveWindowTo(WindowRec* w, CPoint topLeft, bool toBackend);

}  // namespace

// ---- Core entry points for the backends ----

WindowRec* Find(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto& ws = S().windows;
  auto it = ws.find(Id(hwnd));
  return it == ws.end() ? nullptr : it->second.get();
}

WindowRec* FindByNativeId(uint32_t id) {
  for (auto& [k, w] : S().windows)
    if (w->nativeId == id && !w->dying) return w.get();
  return nullptr;
}

HWND TopWindowAt(CPoint screen) {
  for (HWND h : S().zorder) {
    WindowRec* w = Alive(h);
    if (w && w->visible && !w->minimized && w->rect.PtInRect(screen)) return h;
  }
  return nullptr;
}

Backend* CurrentBackendImpl() { return S().backend.get(); }

LRESULT HitTest(HWND hwnd, CPoint screen) {
  WindowRec* w = Alive(hwnd);
  if (!w || !w->Enabled()) return HTCLIENT;
  return Send(hwnd, WM_NCHITTEST, 0, LParamFromPoint(screen));
}

void OnPointerMove(CPoint screen, HWND over) {
  State& s = S();
  s.cursor = screen;
  if (s.dragWindow) {
    if (WindowRec* d = Alive(s.dragWindow)) {
      MoveWindowTo(d, CPoint(screen.x - s.dragOffset.x, screen.y - s.dragOffset.y), true);
      return;
    }
    s.dragWindow = nullptr;
  }
  if (!over) over = TopWindowAt(screen);
  if (over != s.pointerWindow) {
    if (s.pointerWindow && s.pointerWindow != s.capture) PostLeave(s.pointerWindow);
    s.pointerWindow = over;
  }
  HWND target = s.capture ? s.capture : over;
  WindowRec* w = Alive(target);
  if (!w || !w->Enabled()) return;
  CPoint pt = ToClient(w, screen);
  if (s.trackHover == target) {
    if (std::abs(screen.x - s.hoverPoint.x) > 2 || std::abs(screen.y - s.hoverPoint.y) > 2) {
      s.hoverPoint = screen;
      s.hoverStart = Clock();
    }
  }
  Enqueue(target, WM_MOUSEMOVE, KeyFlags(), LParamFromPoint(pt));
}

void OnPointerLeft(HWND from) {
  State& s = S();
  if (from && from != s.pointerWindow) return;
  if (s.pointerWindow && s.pointerWindow != s.capture) PostLeave(s.pointerWindow);
  s.pointerWindow = nullptr;
}

void OnButton(int button, bool down, CPoint screen, HWND over) {
  State& s = S();
  s.cursor = screen;
  static const int kVk[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  if (button < 0 || button > 2) return;
  s.keys[kVk[button]] = down;
  if (!down && s.dragWindow && button == 0) {
    s.dragWindow = nullptr;
    return;
  }
  if (!over) over = TopWindowAt(screen);
  HWND target = s.capture ? s.capture : over;
  WindowRec* w = Alive(target);
  if (down && !s.capture) {
    // A press activates the window under it: this is also how a pop-up loses activation
    // when the user presses anywhere else in our windows.
    if (!w) return;
    if (!w->Enabled()) {
      ModalTargetFor(w);
      return;
    }
    if (!(w->exStyle & WS_EX_NOACTIVATE) && s.active != target) Activate(target, WA_CLICKACTIVE, false);
    w = Alive(target);
    if (!w) return;
    if (button == 0 && !s.backend->SystemCaptionDrag()) {
      if (HitTest(target, screen) == HTCAPTION) {
        s.dragWindow = target;
        s.dragOffset = CPoint(screen.x - w->rect.left, screen.y - w->rect.top);
        return;
      }
      w = Alive(target);
      if (!w) return;
    }
  }
  if (!w || !w->Enabled()) return;
  CPoint pt = ToClient(w, screen);
  UINT msg;
  static const UINT kDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const UINT kUp[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  static const UINT kDbl[3] = {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};
  if (down) {
    uint64_t now = Clock();
    bool dbl = (w->classStyle & CS_DBLCLKS) && s.lastButton == button && s.lastPressWindow == target &&
               now - s.lastPressTime <= Native::GetDoubleClickTime() &&
               std::abs(screen.x - s.lastPressPoint.x) <= 2 && std::abs(screen.y - s.lastPressPoint.y) <= 2;
    if (dbl) {
      msg = kDbl[button];
      s.lastButton = -1;  // a third press is a plain press again
    } else {
      msg = kDown[button];
      s.lastButton = button;
      s.lastPressTime = now;
      s.lastPressPoint = screen;
      s.lastPressWindow = target;
    }
  } else {
    msg = kUp[button];
  }
  Enqueue(target, msg, KeyFlags(), LParamFromPoint(pt));
}

void OnWheel(int delta, CPoint screen, HWND over) {
  State& s = S();
  s.cursor = screen;
  s.wheelRest += delta;
  int whole = (s.wheelRest / WHEEL_DELTA) * WHEEL_DELTA;
  if (whole == 0) return;
  s.wheelRest -= whole;
  if (!over) over = TopWindowAt(screen);
  HWND target = s.capture ? s.capture : over;
  WindowRec* w = Alive(target);
  if (!w || !w->Enabled()) return;
  Enqueue(target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(KeyFlags()), whole), LParamFromPoint(screen));
}

void SetNumLockState(bool on) { S().numLock = on; }

void OnKey(int scancode, bool down, bool repeat) {
  State& s = S();
  KeyCode k;
  if (!TranslateScancode(scancode, s.numLock, &k)) return;
  bool wasDown = s.keys[k.vk & 0xFF];
  s.keys[k.vk & 0xFF] = down;
  // The generic modifier codes follow their left and right keys.
  auto both = [&](int generic, int l, int r) { s.keys[generic] = s.keys[l] || s.keys[r]; };
  both(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  both(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  both(VK_MENU, VK_LMENU, VK_RMENU);
  if (down && scancode == 83 /* Num Lock */ && !repeat) s.numLock = !s.numLock;
  // Keys go to the active window (an active pop-up too: the window system never focuses it).
  WindowRec* w = Alive(s.active);
  if (!w || !w->Enabled()) return;
  int vk = k.vk;
  // The messages carry the generic modifier codes, like the native ones.
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) vk = VK_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) vk = VK_CONTROL;
  if (vk == VK_LMENU || vk == VK_RMENU) vk = VK_MENU;
  // Num Lock has no E0 prefix in raw records but the extended bit in key messages.
  bool extended = k.extended || k.vk == VK_NUMLOCK;
  LPARAM lp = 1 | (static_cast<LPARAM>(k.make & 0xFF) << 16) | (extended ? (1L << 24) : 0);
  if (s.keys[VK_MENU] && vk != VK_MENU) lp |= 1L << 29;
  if (down) {
    if (wasDown || repeat) lp |= 1L << 30;
  } else {
    lp |= (1L << 30) | (1L << 31);
  }
  bool sys = s.keys[VK_MENU] || vk == VK_F10 || (vk == VK_MENU);
  UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  if (s.rawKeyboardWindow != nullptr && s.rawKeyboardWindow == s.active) {
    Native::RawKeyboard raw;
    raw.make_code = k.make;
    raw.flags = static_cast<uint16_t>(k.prefix | (down ? 0 : base::kKeyBreak));
    raw.virtual_key = static_cast<uint16_t>(vk);
    raw.message = static_cast<uint16_t>(msg);
    Enqueue(s.active, WM_INPUT, 0, Native::PackRawKeyboard(raw));
  }
  Enqueue(s.active, msg, static_cast<WPARAM>(vk), lp);
}

void OnText(const std::string& utf8) {
  State& s = S();
  if (!s.textInput) return;
  WindowRec* w = Alive(s.active);
  if (!w || !w->Enabled()) return;
  for (size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = base::DecodeUtf8(utf8, pos);  // invalid bytes become U+FFFD
    Enqueue(s.active, WM_CHAR, cp, 1);
  }
}

void OnCloseRequest(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  // A disabled window (one under a modal dialog) ignores the window manager's close, as it
  // ignores every other input; closing it would tear the dialog down from under its loop.
  if (!w || !w->Enabled()) return;
  Send(hwnd, WM_CLOSE, 0, 0);
}

void OnSystemFocus(HWND hwnd, bool gained) {
  State& s = S();
  WindowRec* w = Alive(hwnd);
  if (gained) {
    if (!w || (w->exStyle & WS_EX_NOACTIVATE)) return;
    WindowRec* a = Alive(s.active);
    if (a && a->IsPopup() && IsOwnedBy(s.active, hwnd)) return;  // its pop-up keeps the keys
    if (!w->Enabled()) {
      ModalTargetFor(w);
      return;
    }
    Activate(hwnd, WA_ACTIVE, true);
  } else {
    WindowRec* a = Alive(s.active);
    if (!a) return;
    if (!hwnd || s.active == hwnd || (a->IsPopup() && IsOwnedBy(s.active, hwnd))) Activate(nullptr, WA_INACTIVE, true);
  }
}

void OnSystemMoved(HWND hwnd, CPoint topLeft) {
  WindowRec* w = Alive(hwnd);
  if (w) MoveWindowTo(w, topLeft, false);
}

void OnSystemResized(HWND hwnd, CSize size) {
  WindowRec* w = Alive(hwnd);
  if (!w || w->rect.Size() == size) return;
  w->rect.right = w->rect.left + size.cx;
  w->rect.bottom = w->rect.top + size.cy;
  SendSize(w, w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
  Native::InvalidateRect(hwnd, nullptr, false);
}

void OnExposed(HWND hwnd) { Native::InvalidateRect(hwnd, nullptr, false); }

namespace {

void MoveWindowTo(WindowRec* w, CPoint topLeft, bool toBackend) {
  if (w->rect.TopLeft() == topLeft) return;
  HWND h = w->hwnd;
  WINDOWPOS pos;
  pos.hwnd = h;
  pos.x = topLeft.x;
  pos.y = topLeft.y;
  pos.cx = w->rect.Width();
  pos.cy = w->rect.Height();
  pos.flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  Send(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  w = Alive(h);
  if (!w) return;
  w->rect.MoveToXY(topLeft.x, topLeft.y);
  if (toBackend && S().backend) S().backend->GeometryNative(*w);
  DeactivatePopupsOver(h, h);
  Send(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

// Due timers and hover checks become queued messages.
void QueueDue() {
  State& s = S();
  uint64_t now = Clock();
  for (Timer& t : s.timers) {
    if (!t.queued && now >= t.due) {
      t.queued = true;
      t.due = now + t.elapse;
      Enqueue(t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
    }
  }
  if (s.trackHover && now - s.hoverStart >= s.hoverTime) {
    HWND h = s.trackHover;
    s.trackHover = nullptr;
    if (WindowRec* w = Alive(h)) {
      Enqueue(h, WM_MOUSEHOVER, KeyFlags(), LParamFromPoint(ToClient(w, s.cursor)));
    }
  }
}

uint64_t NextDeadline() {
  State& s = S();
  uint64_t next = UINT64_MAX;
  for (const Timer& t : s.timers)
    if (!t.queued) next = std::min(next, t.due);
  if (s.trackHover) next = std::min(next, s.hoverStart + s.hoverTime);
  return next;
}

bool Matches(const MSG& m, HWND h, UINT mn, UINT mx) {
  if (h && m.hwnd != h) return false;
  if (mn == 0 && mx == 0) return true;
  return m.message >= mn && m.message <= mx;
}

void OnRemoved(const MSG& m) {
  if (m.message == WM_TIMER) {
    for (Timer& t : S().timers)
      if (t.hwnd == m.hwnd && t.id == m.wParam) t.queued = false;
  }
}

bool TakeQueued(MSG* out, HWND h, UINT mn, UINT mx, bool remove) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
    if (Matches(*it, h, mn, mx)) {
      *out = *it;
      if (remove) s.queue.erase(it);
      return true;
    }
  }
  return false;
}

bool TakePaint(MSG* out, HWND h, UINT mn, UINT mx) {
  State& s = S();
  if (!(mn == 0 && mx == 0) && !(WM_PAINT >= mn && WM_PAINT <= mx)) return false;
  for (auto it = s.zorder.rbegin(); it != s.zorder.rend(); ++it) {
    WindowRec* w = Alive(*it);
    if (!w || (h && w->hwnd != h)) continue;
    if (w->visible && !w->minimized && !w->update.IsRectEmpty()) {
      *out = MSG{};
      out->hwnd = w->hwnd;
      out->message = WM_PAINT;
      out->time = static_cast<uint32_t>(Clock());
      out->pt = s.cursor;
      return true;
    }
  }
  return false;
}

// One attempt to find a message: queue, then paint, then due timers.
bool Fetch(MSG* msg, HWND h, UINT mn, UINT mx, bool remove) {
  State& s = S();
  if (!s.backend) return false;
  s.backend->Pump();
  if (TakeQueued(msg, h, mn, mx, remove)) {
    if (remove) OnRemoved(*msg);
    return true;
  }
  if (TakePaint(msg, h, mn, mx)) return true;
  QueueDue();
  if (TakeQueued(msg, h, mn, mx, remove)) {
    if (remove) OnRemoved(*msg);
    return true;
  }
  return false;
}

HWND NewHandle() {
  State& s = S();
  s.nextHandle += 0x10;
  return reinterpret_cast<HWND>(s.nextHandle);
}

}  // namespace
}  // namespace detail

// ---------------------------------------------------------------------------------------------

namespace Native {

using namespace detail;

bool Initialize(Backend backend) {
  State& s = S();
  if (backend == Backend::Auto) {
    const char* env = std::getenv("LUMET_BACKEND");
    backend = (env && std::strcmp(env, "headless") == 0) ? Backend::Headless : Backend::Sdl;
  }
  if (s.backend) {
    if (s.kind == backend) return true;
    base::Trace(base::TraceLevel::Error, "gui: another backend is running");
    return false;
  }
  std::unique_ptr<detail::Backend> impl(backend == Backend::Headless ? CreateHeadlessBackend() : CreateSdlBackend());
  if (!impl) return false;
  s.uiThread = std::this_thread::get_id();
  s.backend = std::move(impl);
  s.kind = backend;
  if (!s.backend->Start()) {
    s.backend.reset();
    s.kind = Backend::Auto;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.running = true;
  }
  s.cursor = s.backend->CursorPos();
  return true;
}

void Shutdown() {
  State& s = S();
  if (!s.backend) return;
  // Front to back, owners after what they own (DestroyWindow handles owned windows).
  while (!s.windows.empty()) {
    WindowRec* w = s.windows.begin()->second.get();
    while (w->owner && Find(w->owner) && !Find(w->owner)->destroyed) w = Find(w->owner);
    w->depth = 0;
    FinishDestroy(w);
  }
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.running = false;
    s.queue.clear();
    s.tasks.clear();
    s.live.clear();
  }
  s.backend->Stop();
  s.backend.reset();
  s.kind = Backend::Auto;
  s.classes.clear();
  s.zorder.clear();
  s.timers.clear();
  s.modal.clear();
  s.active = s.capture = s.pointerWindow = s.trackLeave = s.trackHover = nullptr;
  s.lastPressWindow = s.dragWindow = s.textInputWindow = nullptr;
  s.lastButton = -1;
  s.wheelRest = 0;
  std::fill(std::begin(s.keys), std::end(s.keys), false);
  s.numLock = true;
  s.textInput = false;
  s.cursorShape = IDC_ARROW;
}

bool IsInitialized() { return S().backend != nullptr; }
Backend CurrentBackend() { return S().backend ? S().kind : Backend::Auto; }
bool IsUiThread() { return OnUi(); }
uint64_t Now() { return Clock(); }

bool RegisterClass(const std::string& name, UINT classStyle, WNDPROC proc) {
  if (name.empty()) return false;
  S().classes.emplace(name, ClassRec{classStyle, proc});
  return true;
}

bool IsClassRegistered(const std::string& name) { return S().classes.count(name) != 0; }

WNDPROC GetClassProc(const std::string& name) {
  auto it = S().classes.find(name);
  return it == S().classes.end() ? nullptr : it->second.proc;
}

HWND CreateWindowEx(DWORD exStyle, const std::string& className, const std::string& title, DWORD style,
                    int x, int y, int cx, int cy, HWND owner, void* createParam) {
  State& s = S();
  if (!s.backend && !Initialize()) return nullptr;
  if (!OnUi()) return nullptr;
  auto cls = s.classes.find(className);
  if (cls == s.classes.end()) {
    base::Trace(base::TraceLevel::Error, "gui: unknown window class '%s'", className.c_str());
    return nullptr;
  }
  auto rec = std::make_unique<WindowRec>();
  WindowRec* w = rec.get();
  w->hwnd = NewHandle();
  w->className = className;
  w->classStyle = cls->second.style;
  w->proc = cls->second.proc;
  w->title = title;
  w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w->exStyle = exStyle;
  w->owner = Alive(owner) ? owner : nullptr;
  w->rect = CRect(x, y, x + std::max(cx, 0), y + std::max(cy, 0));
  w->restoreRect = w->rect;
  HWND h = w->hwnd;
  s.windows.emplace(Id(h), std::move(rec));
  s.zorder.push_back(h);
  ZFront(h);
  if (!s.backend->CreateNative(*w)) {
    ZRemove(h);
    s.windows.erase(Id(h));
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.live.insert(Id(h));
  }
  CREATESTRUCT cs;
  cs.lpCreateParams = createParam;
  cs.hwndParent = w->owner;
  cs.x = x;
  cs.y = y;
  cs.cx = cx;
  cs.cy = cy;
  cs.style = style;
  cs.lpszName = title.c_str();
  cs.lpszClass = className.c_str();
  cs.dwExStyle = exStyle;
  if (CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
    if ((w = Find(h)) != nullptr) FinishDestroy(w);
    return nullptr;
  }
  if (!Alive(h)) return nullptr;
  if (Send(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  w = Alive(h);
  if (!w) return nullptr;
  SendSize(w, SIZE_RESTORED);
  if ((w = Alive(h)) != nullptr) Send(h, WM_MOVE, 0, MAKELPARAM(w->rect.left, w->rect.top));
  if ((w = Alive(h)) == nullptr) return nullptr;
  if (style & WS_MAXIMIZE) ShowWindow(h, SW_SHOWMAXIMIZED);
  else if (style & WS_MINIMIZE) ShowWindow(h, SW_SHOWMINNOACTIVE);
  else if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return Alive(h) ? h : nullptr;
}

bool DestroyWindow(HWND hwnd) {
  if (!OnUi()) return false;
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  w->dying = true;
  {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().live.erase(Id(hwnd));
  }
  if (w->depth > 0) {
    // Called from inside one of its own handlers: finish when that handler returns.
    HideWindowState(w);
    w->destroyPending = true;
    return true;
  }
  FinishDestroy(w);
  return true;
}

bool IsWindow(HWND hwnd) { return OnUi() ? Alive(hwnd) != nullptr : false; }

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  switch (message) {
    case WM_NCCREATE:
      return 1;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCACTIVATE:
      return 1;
    case WM_PAINT:
      ValidateRect(hwnd, nullptr);
      return 0;
    case WM_WINDOWPOSCHANGED: {
      WindowRec* w = Alive(hwnd);
      const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!w || !pos) return 0;
      if (!(pos->flags & SWP_NOMOVE)) Send(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left, w->rect.top));
      if ((w = Alive(hwnd)) && !(pos->flags & SWP_NOSIZE))
        SendSize(w, w->minimized ? SIZE_MINIMIZED : w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
      return 0;
    }
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION) {
        // Start our own move of the window while the left button stays down.
        State& s = S();
        WindowRec* w = Alive(hwnd);
        if (w && s.keys[VK_LBUTTON]) {
          s.dragWindow = hwnd;
          s.dragOffset = CPoint(s.cursor.x - w->rect.left, s.cursor.y - w->rect.top);
          if (s.backend) s.backend->CaptureNative(true);
        }
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!proc) return DefWindowProc(hwnd, message, wParam, lParam);
  WindowRec* w = Find(hwnd);
  if (!w) return proc(hwnd, message, wParam, lParam);
  ++w->depth;
  LRESULT r = proc(hwnd, message, wParam, lParam);
  if ((w = Find(hwnd)) != nullptr) {
    --w->depth;
    if (w->depth == 0 && w->destroyPending && !w->destroyed) FinishDestroy(w);
  }
  return r;
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
  WindowRec* w = Find(hwnd);
  if (!w) return nullptr;
  WNDPROC old = w->proc;
  w->proc = proc;
  return old;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  WindowRec* w = Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_USERDATA: return w->userData;
    case GWL_STYLE: return static_cast<LONG_PTR>(GetStyle(hwnd));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    default: return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  WindowRec* w = Find(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWLP_USERDATA: w->userData = value; break;
    case GWL_STYLE: ModifyStyle(hwnd, 0xFFFFFFFF, static_cast<DWORD>(value)); break;
    case GWL_EXSTYLE: ModifyStyleEx(hwnd, 0xFFFFFFFF, static_cast<DWORD>(value)); break;
    default: break;
  }
  return old;
}

bool SetProp(HWND hwnd, const std::string& name, void* value) {
  WindowRec* w = Find(hwnd);
  if (!w) return false;
  w->props[name] = value;
  return true;
}

void* GetProp(HWND hwnd, const std::string& name) {
  WindowRec* w = Find(hwnd);
  if (!w) return nullptr;
  auto it = w->props.find(name);
  return it == w->props.end() ? nullptr : it->second;
}

void* RemoveProp(HWND hwnd, const std::string& name) {
  WindowRec* w = Find(hwnd);
  if (!w) return nullptr;
  auto it = w->props.find(name);
  if (it == w->props.end()) return nullptr;
  void* v = it->second;
  w->props.erase(it);
  return v;
}

std::string GetClassName(HWND hwnd) {
  WindowRec* w = Find(hwnd);
  return w ? w->className : std::string();
}

bool SetWindowText(HWND hwnd, const std::string& title) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  w->title = title;
  if (S().backend) S().backend->TitleNative(*w);
  return true;
}

std::string GetWindowText(HWND hwnd) {
  WindowRec* w = Find(hwnd);
  return w ? w->title : std::string();
}

HWND GetOwner(HWND hwnd) {
  WindowRec* w = Find(hwnd);
  return w ? w->owner : nullptr;
}

DWORD GetStyle(HWND hwnd) {
  WindowRec* w = Find(hwnd);
  if (!w) return 0;
  DWORD st = w->style;
  if (w->visible) st |= WS_VISIBLE;
  if (w->minimized) st |= WS_MINIMIZE;
  if (w->maximized) st |= WS_MAXIMIZE;
  return st;
}

DWORD GetExStyle(HWND hwnd) {
  WindowRec* w = Find(hwnd);
  return w ? w->exStyle : 0;
}

bool ModifyStyle(HWND hwnd, DWORD remove, DWORD add, UINT swpFlags) {
  (void)swpFlags;
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  DWORD before = GetStyle(hwnd);
  DWORD after = (before & ~remove) | add;
  w->style = after & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED);
  w->style |= before & WS_DISABLED;
  if ((before ^ after) & WS_DISABLED) EnableWindow(hwnd, !(after & WS_DISABLED));
  if ((before ^ after) & WS_VISIBLE) ShowWindow(hwnd, (after & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
  return true;
}

bool ModifyStyleEx(HWND hwnd, DWORD remove, DWORD add, UINT swpFlags) {
  (void)swpFlags;
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  DWORD before = w->exStyle;
  w->exStyle = (before & ~remove) | add;
  if ((before ^ w->exStyle) & WS_EX_TOPMOST) {
    ZFront(hwnd);
    if (S().backend) S().backend->TopmostNative(*w);
  }
  if ((before ^ w->exStyle) & WS_EX_LAYERED) InvalidateRect(hwnd, nullptr, false);
  return true;
}

void EnumWindows(const std::function<bool(HWND)>& callback) {
  std::vector<HWND> list = S().zorder;
  for (HWND h : list)
    if (Alive(h) && !callback(h)) return;
}

HWND FindWindow(const std::string& className, const std::string& title) {
  for (HWND h : S().zorder) {
    WindowRec* w = Alive(h);
    if (!w) continue;
    if (!className.empty() && w->className != className) continue;
    if (!title.empty() && w->title != title) continue;
    return h;
  }
  return nullptr;
}

bool ShowWindow(HWND hwnd, int cmd) {
  State& s = S();
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  bool wasVisible = w->visible;
  if (cmd == SW_HIDE) {
    if (wasVisible) {
      Send(hwnd, WM_SHOWWINDOW, 0, 0);
      if ((w = Alive(hwnd))) HideWindowState(w);
    }
    return wasVisible;
  }
  bool activate = !(cmd == SW_SHOWNA || cmd == SW_SHOWNOACTIVATE || cmd == SW_SHOWMINNOACTIVE ||
                    cmd == SW_MINIMIZE);
  bool minimize = cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE;
  bool maximize = cmd == SW_MAXIMIZE;
  bool restore = cmd == SW_SHOWNORMAL || cmd == SW_RESTORE || cmd == SW_SHOWNOACTIVATE;
  if (!wasVisible) {
    Send(hwnd, WM_SHOWWINDOW, 1, 0);
    if (!(w = Alive(hwnd))) return wasVisible;
    w->visible = true;
    ZFront(hwnd);
    s.backend->ShowNative(*w, true);
    if (!w->everShown) {
      w->everShown = true;
    }
    InvalidateRect(hwnd, nullptr, true);
  } else if (activate) {
    ZFront(hwnd);
  }
  if (minimize && !w->minimized) {
    w->minimized = true;
    s.backend->MinimizeNative(*w);
    DeactivatePopupsOver(hwnd, nullptr);
    if (s.active == hwnd) Activate(nullptr, WA_INACTIVE, false);
    ReleaseCaptureOf(hwnd);
    if ((w = Alive(hwnd))) SendSize(w, SIZE_MINIMIZED);
    return wasVisible;
  }
  if (maximize && !w->maximized) {
    if (!w->minimized) w->restoreRect = w->rect;
    w->minimized = false;
    CRect work = s.backend->WorkArea(w->rect.CenterPoint());
    MINMAXINFO mmi;
    mmi.ptMaxPosition = work.TopLeft();
    mmi.ptMaxSize = CPoint(work.Width(), work.Height());
    Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    if (!(w = Alive(hwnd))) return wasVisible;
    w->maximized = true;
    w->rect = CRect(mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxPosition.x + mmi.ptMaxSize.x,
                    mmi.ptMaxPosition.y + mmi.ptMaxSize.y);
    s.backend->GeometryNative(*w);
    SendSize(w, SIZE_MAXIMIZED);
    InvalidateRect(hwnd, nullptr, true);
  } else if (restore && (w->minimized || w->maximized)) {
    bool wasMax = w->maximized;
    w->minimized = false;
    w->maximized = false;
    if (wasMax) w->rect = w->restoreRect;
    s.backend->GeometryNative(*w);
    s.backend->ShowNative(*w, true);
    SendSize(w, SIZE_RESTORED);
    InvalidateRect(hwnd, nullptr, true);
  } else if (w->minimized && activate) {
    w->minimized = false;
    s.backend->ShowNative(*w, true);
    SendSize(w, w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
    InvalidateRect(hwnd, nullptr, true);
  }
  if (!(w = Alive(hwnd))) return wasVisible;
  if (activate && w->Enabled() && !(w->exStyle & WS_EX_NOACTIVATE)) {
    s.backend->RaiseNative(*w, !w->IsPopup());
    Activate(hwnd, WA_ACTIVE, false);
  }
  return wasVisible;
}

bool IsWindowVisible(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  return w && w->visible;
}

bool IsIconic(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  return w && w->minimized;
}

bool IsZoomed(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  return w && w->maximized;
}

bool GetWindowRect(HWND hwnd, CRect* rect) {
  WindowRec* w = Find(hwnd);
  if (!w || !rect) return false;
  *rect = w->rect;
  return true;
}

bool GetClientRect(HWND hwnd, CRect* rect) {
  WindowRec* w = Find(hwnd);
  if (!w || !rect) return false;
  *rect = w->minimized ? CRect() : CRect(0, 0, w->rect.Width(), w->rect.Height());
  return true;
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  State& s = S();
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  WINDOWPOS pos;
  pos.hwnd = hwnd;
  pos.hwndInsertAfter = insertAfter;
  pos.x = (flags & SWP_NOMOVE) ? w->rect.left : x;
  pos.y = (flags & SWP_NOMOVE) ? w->rect.top : y;
  pos.cx = (flags & SWP_NOSIZE) ? w->rect.Width() : std::max(cx, 0);
  pos.cy = (flags & SWP_NOSIZE) ? w->rect.Height() : std::max(cy, 0);
  pos.flags = flags;
  Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  if (!(w = Alive(hwnd))) return false;
  CRect next(pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy);
  bool moved = next.TopLeft() != w->rect.TopLeft();
  bool sized = next.Size() != w->rect.Size();
  if (!moved) pos.flags |= SWP_NOMOVE;
  if (!sized) pos.flags |= SWP_NOSIZE;
  if (moved || sized) {
    w->rect = next;
    if (w->maximized && sized) w->maximized = false;
    s.backend->GeometryNative(*w);
    if (moved) DeactivatePopupsOver(hwnd, hwnd);
    if (sized && !(flags & SWP_NOREDRAW)) InvalidateRect(hwnd, nullptr, true);
  }
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
    if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) s.backend->TopmostNative(*w);
    if (insertAfter != HWND_BOTTOM) {
      ZFront(hwnd);
      if (w->visible) s.backend->RaiseNative(*w, false);
    }
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  if (!Alive(hwnd)) return true;
  if (moved || sized || !(flags & SWP_NOZORDER)) Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  return true;
}

bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

bool BringWindowToTop(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  ZFront(hwnd);
  if (w->visible) S().backend->RaiseNative(*w, false);
  return true;
}

bool SetForegroundWindow(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  ZFront(hwnd);
  if (w->visible) S().backend->RaiseNative(*w, !w->IsPopup());
  Activate(hwnd, WA_ACTIVE, false);
  return true;
}

HWND GetForegroundWindow() { return S().active; }

bool ClientToScreen(HWND hwnd, CPoint* pt) {
  WindowRec* w = Find(hwnd);
  if (!w || !pt) return false;
  pt->Offset(w->rect.left, w->rect.top);
  return true;
}

bool ScreenToClient(HWND hwnd, CPoint* pt) {
  WindowRec* w = Find(hwnd);
  if (!w || !pt) return false;
  pt->Offset(-w->rect.left, -w->rect.top);
  return true;
}

HWND WindowFromPoint(CPoint screen) { return TopWindowAt(screen); }

bool EnableWindow(HWND hwnd, bool enable) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  bool wasDisabled = !w->Enabled();
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    ReleaseCaptureOf(hwnd);
    if (S().dragWindow == hwnd) S().dragWindow = nullptr;
  }
  Send(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

bool IsWindowEnabled(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  return w && w->Enabled();
}

CRect GetScreenRect() { return S().backend ? S().backend->ScreenRect() : CRect(); }
CRect GetWorkArea() {
  if (!S().backend) return CRect();
  CRect screen = S().backend->ScreenRect();
  return S().backend->WorkArea(screen.CenterPoint());
}
CRect GetWorkAreaFromPoint(CPoint screen) { return S().backend ? S().backend->WorkArea(screen) : CRect(); }
CRect GetWorkAreaFromWindow(HWND hwnd) {
  WindowRec* w = Find(hwnd);
  return w ? GetWorkAreaFromPoint(w->rect.CenterPoint()) : GetWorkArea();
}
int GetDpiForWindow(HWND hwnd) {
  (void)hwnd;
  return S().backend ? S().backend->Dpi() : 96;
}

bool SetLayeredWindowAttributes(HWND hwnd, COLORREF colorKey, BYTE alpha, DWORD flags) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  w->colorKey = colorKey & 0xFFFFFF;
  w->constAlpha = alpha;
  w->layeredFlags = flags;
  return true;
}

bool SetWindowRoundRegion(HWND hwnd, int radius) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  w->roundRadius = std::max(radius, 0);
  return true;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!OnUi()) {
    base::Trace(base::TraceLevel::Error, "gui: SendMessage(%u) from another thread refused", message);
    return 0;
  }
  return Send(hwnd, message, wParam, lParam);
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.running) return false;
  if (hwnd && !s.live.count(Id(hwnd))) return false;
  MSG m;
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  s.queue.push_back(m);
  s.cv.notify_all();
  s.backend->Wake();
  return true;
}

void PostQuitMessage(int exitCode) { PostMessage(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

bool PostTask(std::function<void()> fn, HWND hwnd) {
  if (!fn) return false;
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.running) return false;
  if (hwnd && !s.live.count(Id(hwnd))) return false;
  uint64_t id = s.nextTask++;
  s.tasks.emplace(id, std::move(fn));
  MSG m;
  m.hwnd = hwnd;
  m.message = WM_LUMET_TASK;
  m.wParam = id;
  s.queue.push_back(m);
  s.cv.notify_all();
  s.backend->Wake();
  return true;
}

bool GetMessage(MSG* msg, HWND hwnd, UINT min, UINT max) {
  State& s = S();
  MSG local;
  if (!msg) msg = &local;
  for (;;) {
    if (!s.backend) {
      *msg = MSG{};
      msg->message = WM_QUIT;
      return false;
    }
    if (Fetch(msg, hwnd, min, max, true)) return msg->message != WM_QUIT;
    uint64_t deadline = NextDeadline();
    uint64_t now = Clock();
    uint64_t wait = deadline == UINT64_MAX ? UINT64_MAX : (deadline > now ? deadline - now : 0);
    s.backend->Wait(wait);
  }
}

bool PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags) {
  MSG local;
  if (!msg) msg = &local;
  return Fetch(msg, hwnd, min, max, (removeFlags & PM_REMOVE) != 0);
}

bool TranslateMessage(const MSG* msg) { return msg != nullptr; }

LRESULT DispatchMessage(const MSG* msg) {
  State& s = S();
  if (!msg) return 0;
  if (msg->message == WM_LUMET_TASK) {
    std::function<void()> fn;
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      auto it = s.tasks.find(msg->wParam);
      if (it == s.tasks.end()) return 0;
      fn = std::move(it->second);
      s.tasks.erase(it);
    }
    if (!msg->hwnd || Alive(msg->hwnd)) fn();
    return 0;
  }
  if (msg->message == WM_TIMER) {
    // A timer killed after its message was queued must not arrive.
    bool exists = false;
    for (const Timer& t : s.timers)
      if (t.hwnd == msg->hwnd && t.id == msg->wParam) exists = true;
    if (!exists || (msg->hwnd && !Alive(msg->hwnd))) return 0;
    if (msg->lParam) {
      reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
      return 0;
    }
  }
  if (!msg->hwnd) return 0;
  WindowRec* w = Alive(msg->hwnd);
  if (!w) return 0;
  if (msg->message == WM_PAINT) {
    CRect before = w->update;
    w->paintTaken = false;
    LRESULT r = CallProc(w, WM_PAINT, 0, 0);
    // A handler that never took the update area would get WM_PAINT forever.
    if ((w = Alive(msg->hwnd)) && !w->paintTaken && w->update == before) w->update = CRect();
    return r;
  }
  HWND h = msg->hwnd;
  LRESULT r = CallProc(w, msg->message, msg->wParam, msg->lParam);
  // Esc leaves an active pop-up once its own handler has seen it.
  if ((msg->message == WM_KEYDOWN) && msg->wParam == VK_ESCAPE && s.active == h) {
    WindowRec* p = Alive(h);
    if (p && p->IsPopup()) {
      WindowRec* o = Alive(p->owner);
      Activate(o && o->visible && o->Enabled() ? p->owner : nullptr, WA_ACTIVE, false);
    }
  }
  return r;
}

void WaitMessage(uint32_t timeoutMs) {
  State& s = S();
  if (!s.backend) return;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.queue.empty()) return;
  }
  uint64_t deadline = NextDeadline();
  uint64_t now = Clock();
  uint64_t wait = timeoutMs == UINT32_MAX ? UINT64_MAX : timeoutMs;
  if (deadline != UINT64_MAX) wait = std::min<uint64_t>(wait, deadline > now ? deadline - now : 0);
  s.backend->Wait(wait);
}

int RunMessageLoop(const std::function<bool(MSG&)>& preTranslate) {
  MSG msg;
  while (GetMessage(&msg)) {
    if (msg.message != WM_LUMET_TASK && preTranslate && preTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void BeginModalOver(HWND owner) {
  if (!Alive(owner)) return;
  ModalCount& c = S().modal[Id(owner)];
  if (c.count++ == 0) {
    c.wasEnabled = IsWindowEnabled(owner);
    EnableWindow(owner, false);
  }
}

void EndModalOver(HWND owner) {
  auto& m = S().modal;
  auto it = m.find(Id(owner));
  if (it == m.end()) return;
  if (--it->second.count <= 0) {
    bool enable = it->second.wasEnabled;
    m.erase(it);
    if (enable) EnableWindow(owner, true);
  }
}

int ModalDepthOver(HWND owner) {
  auto it = S().modal.find(Id(owner));
  return it == S().modal.end() ? 0 : it->second.count;
}

UINT RunModalLoop(HWND hwnd, int showCmd, const std::function<bool(MSG&)>& preTranslate) {
  if (!OnUi() || !Alive(hwnd)) return static_cast<UINT>(-1);
  UINT result = 0;
  HWND owner = GetOwner(hwnd);
  if (!Alive(owner)) owner = nullptr;
  ShowWindow(hwnd, showCmd);
  bool released = false;
  if (owner) BeginModalOver(owner);
  auto release = [&]() {
    if (released || !owner) return;
    released = true;
    EndModalOver(owner);
    if (IsWindowEnabled(owner) && IsWindowVisible(owner)) SetFocus(owner);
  };
  MSG msg;
  bool quit = false;
  while (Alive(hwnd)) {
    if (!GetMessage(&msg)) {
      quit = true;
      break;
    }
    if (msg.hwnd == hwnd && msg.message == WM_CLOSE) {
      result = static_cast<UINT>(msg.wParam);
      release();
    }
    if (msg.message != WM_LUMET_TASK && preTranslate && preTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  release();
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
  return result;
}

bool InvalidateRect(HWND hwnd, const CRect* rect, bool erase) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  CRect client(0, 0, w->rect.Width(), w->rect.Height());
  CRect r = client;
  if (rect && !r.IntersectRect(client, *rect)) return true;
  w->update.UnionRect(w->update, r);
  w->erase = w->erase || erase;
  if (S().backend) S().backend->Wake();
  return true;
}

bool ValidateRect(HWND hwnd, const CRect* rect) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  // One rectangle per window: validating a part that covers it clears it, anything else keeps it.
  if (!rect) {
    w->update = CRect();
  } else {
    CRect both;
    both.UnionRect(w->update, *rect);
    if (both == *rect) w->update = CRect();
  }
  w->paintTaken = true;
  return true;
}

bool GetUpdateRect(HWND hwnd, CRect* rect) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  if (rect) *rect = w->update;
  return !w->update.IsRectEmpty();
}

bool BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  if (ps) {
    ps->rcPaint = w->update;
    ps->fErase = w->erase;
  }
  w->update = CRect();
  w->erase = false;
  w->paintTaken = true;
  return true;
}

void EndPaint(HWND, const PAINTSTRUCT*) {}

bool UpdateWindow(HWND hwnd) {
  WindowRec* w = Alive(hwnd);
  if (!w) return false;
  if (w->visible && !w->minimized && !w->update.IsRectEmpty()) {
    MSG m;
    m.hwnd = hwnd;
    m.message = WM_PAINT;
    DispatchMessage(&m);
  }
  return true;
}

uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapseMs, TIMERPROC proc) {
  State& s = S();
  if (!OnUi() || !s.backend) return 0;
  if (hwnd && !Alive(hwnd)) return 0;
  if (!hwnd) {
    // Thread timers get their own ids.
    id = ++s.nextTimerId;
  }
  uint64_t elapse = std::max<UINT>(elapseMs, 10);
  uint64_t now = Clock();
  for (Timer& t : s.timers) {
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapse;
      t.due = now + elapse;
      t.proc = proc;
      return id ? id : 1;
    }
  }
  Timer t;
  t.hwnd = hwnd;
  t.id = id;
  t.elapse = elapse;
  t.due = now + elapse;
  t.proc = proc;
  s.timers.push_back(t);
  s.backend->Wake();
  return id ? id : 1;
}

bool KillTimer(HWND hwnd, uintptr_t id) {
  State& s = S();
  auto it = std::find_if(s.timers.begin(), s.timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == s.timers.end()) return false;
  s.timers.erase(it);
  std::lock_guard<std::mutex> lock(s.mutex);
  s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(),
                               [&](const MSG& m) {
                                 return m.message == WM_TIMER && m.hwnd == hwnd && m.wParam == id;
                               }),
                s.queue.end());
  return true;
}

HWND SetCapture(HWND hwnd) {
  State& s = S();
  HWND old = s.capture;
  WindowRec* w = Alive(hwnd);
  if (!w) return old;
  if (old == hwnd) return old;
  if (old) Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  s.capture = hwnd;
  s.backend->CaptureNative(true);
  return old;
}

bool ReleaseCapture() {
  State& s = S();
  HWND old = s.capture;
  if (!old) return true;
  s.capture = nullptr;
  s.backend->CaptureNative(false);
  Send(old, WM_CAPTURECHANGED, 0, 0);
  // The pointer may have left while the window held it.
  if (s.trackLeave == old && TopWindowAt(s.cursor) != old) PostLeave(old);
  s.pointerWindow = TopWindowAt(s.cursor);
  return true;
}

HWND GetCapture() { return S().capture; }

HWND SetFocus(HWND hwnd) {
  HWND old = S().active;
  if (!hwnd) {
    Activate(nullptr, WA_INACTIVE, false);
    return old;
  }
  WindowRec* w = Alive(hwnd);
  if (!w || !w->Enabled()) return old;
  Activate(hwnd, WA_ACTIVE, false);
  return old;
}

HWND GetFocus() { return S().active; }
HWND SetActiveWindow(HWND hwnd) { return SetFocus(hwnd); }
HWND GetActiveWindow() { return S().active; }

bool TrackMouseEvent(HWND hwnd, DWORD flags, DWORD hoverMs) {
  State& s = S();
  if (flags & TME_CANCEL) {
    if ((flags & TME_LEAVE) && s.trackLeave == hwnd) s.trackLeave = nullptr;
    if ((flags & TME_HOVER) && s.trackHover == hwnd) s.trackHover = nullptr;
    return true;
  }
  if (!Alive(hwnd)) return false;
  if (flags & TME_LEAVE) {
    s.trackLeave = hwnd;
    // Tracking a window the pointer is not over reports the leave at once.
    if (TopWindowAt(s.cursor) != hwnd && s.capture != hwnd) PostLeave(hwnd);
  }
  if (flags & TME_HOVER) {
    s.trackHover = hwnd;
    s.hoverTime = hoverMs == HOVER_DEFAULT ? 400 : hoverMs;
    s.hoverStart = Clock();
    s.hoverPoint = s.cursor;
    s.backend->Wake();
  }
  return true;
}

bool GetCursorPos(CPoint* pt) {
  if (!pt) return false;
  State& s = S();
  if (s.backend) s.cursor = s.backend->CursorPos();
  *pt = s.cursor;
  return true;
}

bool SetCursorPos(int x, int y) {
  State& s = S();
  if (!s.backend) return false;
  s.backend->WarpCursor(CPoint(x, y));
  s.cursor = CPoint(x, y);
  return true;
}

HCURSOR LoadCursor(int idc) { return idc; }

HCURSOR SetCursor(HCURSOR cursor) {
  State& s = S();
  HCURSOR old = s.cursorShape;
  if (cursor != old) {
    s.cursorShape = cursor;
    if (s.backend) s.backend->SetCursorShape(cursor);
  }
  return old;
}

HCURSOR GetCursor() { return S().cursorShape; }
UINT GetDoubleClickTime() { return 500; }
UINT GetCaretBlinkTime() { return 530; }

int16_t GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  int16_t v = S().keys[vk] ? static_cast<int16_t>(0x8000) : 0;
  if (vk == VK_NUMLOCK && S().numLock) v |= 1;
  return v;
}

int16_t GetAsyncKeyState(int vk) { return GetKeyState(vk) & static_cast<int16_t>(0x8000); }

bool StartTextInput(HWND hwnd, const CRect* caretRect) {
  State& s = S();
  if (!Alive(hwnd)) return false;
  s.textInput = true;
  s.textInputWindow = hwnd;
  if (s.backend) s.backend->TextInputNative(hwnd == s.active, caretRect);
  return true;
}

bool StopTextInput(HWND hwnd) {
  State& s = S();
  if (hwnd && s.textInputWindow != hwnd) return false;
  s.textInput = false;
  s.textInputWindow = nullptr;
  if (s.backend) s.backend->TextInputNative(false, nullptr);
  return true;
}

bool IsTextInputActive() { return S().textInput; }

LPARAM PackRawKeyboard(const RawKeyboard& r) {
  return static_cast<LPARAM>(static_cast<uint64_t>(r.make_code) | static_cast<uint64_t>(r.flags) << 16 |
                             static_cast<uint64_t>(r.virtual_key) << 32 | static_cast<uint64_t>(r.message) << 48);
}

RawKeyboard UnpackRawKeyboard(LPARAM packed) {
  const auto v = static_cast<uint64_t>(packed);
  RawKeyboard r;
  r.make_code = static_cast<uint16_t>(v);
  r.flags = static_cast<uint16_t>(v >> 16);
  r.virtual_key = static_cast<uint16_t>(v >> 32);
  r.message = static_cast<uint16_t>(v >> 48);
  return r;
}

void RegisterRawKeyboard(HWND hwnd, bool on) {
  State& s = S();
  if (on) s.rawKeyboardWindow = hwnd;
  else if (s.rawKeyboardWindow == hwnd) s.rawKeyboardWindow = nullptr;
}

bool SetClipboardText(const std::string& utf8) { return S().backend && S().backend->SetClipboard(utf8); }
std::string GetClipboardText() { return S().backend ? S().backend->GetClipboard() : std::string(); }

}  // namespace Native

namespace detail {
void CheckHoverAndTimers() { QueueDue(); }
}  // namespace detail

}  // namespace DUI
