#pragma once
// Internal: the state of the window layer shared by the core and the two backends.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/gui/Native.h"
#include "platform/gui/Surface.h"

namespace DUI::detail {

struct WindowRec {
  HWND hwnd = nullptr;
  std::string className;
  UINT classStyle = 0;
  std::string title;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND owner = nullptr;
  CRect rect;         // screen
  CRect restoreRect;  // before maximising
  bool visible = false;
  bool minimized = false;
  bool maximized = false;
  bool everShown = false;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  std::map<std::string, void*> props;
  // Painting.
  CRect update;
  bool erase = false;
  bool paintTaken = false;
  // Lifetime: depth of handlers running for it; dying = gone for IsWindow, destroy pending.
  int depth = 0;
  bool dying = false;
  bool destroyPending = false;
  bool destroyed = false;
  // Layered presentation.
  COLORREF colorKey = 0;
  BYTE constAlpha = 255;
  DWORD layeredFlags = 0;
  int roundRadius = 0;
  // The backend's data.
  void* native = nullptr;
  uint32_t nativeId = 0;
  // Headless: what the window shows, and the kept frames.
  Surface frame;
  int frameCount = 0;

  bool IsPopup() const { return (exStyle & WS_EX_LUMET_POPUP) != 0; }
  bool Enabled() const { return (style & WS_DISABLED) == 0; }
  bool Layered() const { return (exStyle & WS_EX_LAYERED) != 0; }
  bool Topmost() const { return (exStyle & WS_EX_TOPMOST) != 0; }
};

// What a backend does for the core. All calls on the UI thread, except Wake.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool Start() = 0;
  virtual void Stop() = 0;
  virtual uint64_t Now() = 0;
  virtual bool CreateNative(WindowRec& w) = 0;
  virtual void DestroyNative(WindowRec& w) = 0;
  virtual void ShowNative(WindowRec& w, bool show) = 0;
  virtual void MinimizeNative(WindowRec& w) = 0;
  virtual void GeometryNative(WindowRec& w) = 0;
  virtual void TitleNative(WindowRec& w) = 0;
  virtual void RaiseNative(WindowRec& w, bool focus) = 0;
  virtual void TopmostNative(WindowRec&) {}
  virtual void IconNative(WindowRec&, const Surface&) {}
  // The layer's composed visible pixels of the window (opaque, or with alpha when layered).
  virtual void Present(WindowRec& w, const Surface& composed, const CRect& rect) = 0;
  virtual void Pump() = 0;
  virtual void Wait(uint64_t timeoutMs) = 0;
  virtual void Wake() = 0;
  virtual CRect ScreenRect() = 0;
  virtual CRect WorkArea(CPoint near) = 0;
  virtual int Dpi() = 0;
  virtual void SetCursorShape(int idc) = 0;
  virtual CPoint CursorPos() = 0;
  virtual void WarpCursor(CPoint) {}
  virtual void CaptureNative(bool) {}
  virtual void TextInputNative(bool on, const CRect*) { (void)on; }
  virtual bool SetClipboard(const std::string& text) = 0;
  virtual std::string GetClipboard() = 0;
  // Whether the backend moves windows by its own caption drag (the window manager).
  virtual bool SystemCaptionDrag() const { return false; }
  virtual bool VirtualClock() const { return false; }
};

Backend* CreateHeadlessBackend();
Backend* CreateSdlBackend();

// The core, for the backends.
WindowRec* Find(HWND hwnd);                   // also dying windows; null when gone
WindowRec* FindByNativeId(uint32_t id);
HWND TopWindowAt(CPoint screen);
void OnPointerMove(CPoint screen, HWND over);  // over: the window under the pointer, if known
void OnButton(int button, bool down, CPoint screen, HWND over);  // 0 left, 1 right, 2 middle
void OnWheel(int delta, CPoint screen, HWND over);
void OnPointerLeft(HWND from);                 // null: left all our windows
void OnKey(int scancode, bool down, bool repeat);
void OnText(const std::string& utf8);
void OnCloseRequest(HWND hwnd);
void OnSystemFocus(HWND hwnd, bool gained);
void OnSystemMoved(HWND hwnd, CPoint topLeft);
void OnSystemResized(HWND hwnd, CSize size);
void OnExposed(HWND hwnd);
void SetNumLockState(bool on);
LRESULT HitTest(HWND hwnd, CPoint screen);
void CheckHoverAndTimers();  // headless clock moves
Backend* CurrentBackendImpl();

}  // namespace DUI::detail
