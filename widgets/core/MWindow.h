#pragma once
// The wrapper of one native window: creation through a registered class whose procedure
// finds this object again, thin operations on the window, centring, raising and the modal loop.
#include <string>

#include "platform/gui/Messages.h"
#include "platform/gui/Native.h"
#include "platform/gui/Types.h"

namespace DUI {

class MWindow {
 public:
  MWindow() = default;
  virtual ~MWindow();
  MWindow(const MWindow&) = delete;
  MWindow& operator=(const MWindow&) = delete;

  virtual const char* GetWindowClassName() const { return "MWindow"; }
  virtual const char* GetSuperClassName() const { return nullptr; }
  virtual int ShowWindow(int show);
  virtual LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual int PreTranslateMessage(MSG* msg);
  virtual int OnInitDialog();
  virtual void OnDestroyMessage(HWND hwnd);

  // Returns the window (the existing one when it exists already), null on failure.
  HWND Create(HWND owner, const char* title, DWORD style, DWORD exStyle, CRect rect, void* menu);
  HWND Create(HWND owner, const char* title, DWORD style, DWORD exStyle, CRect rect);
  HWND Create(HWND owner);
  HWND Create(HWND owner, CRect rect);
  // Runs the window modally; the result is the close code ((UINT)-1 without a window).
  UINT ShowModal(int show = SW_SHOWNORMAL);

  HWND GetSafeHwnd() const { return m_hwnd; }
  HWND GetParentHwnd() const { return m_owner; }
  operator HWND() const { return m_hwnd; }
  // The same icon as large and small icon; null is ignored.
  bool SetIcon(const Image* icon);
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  bool ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  bool ModifyExStyle(DWORD remove, DWORD add, UINT flags = 0);
  CRect GetClientRect() const;
  CRect GetWindowRect() const;
  bool SetWindowTextW(const std::string& text);
  std::string GetWindowTextW() const;
  int GetWindowTextLengthW() const;
  bool EnableWindow(bool enable);
  bool IsWindowEnabled() const;
  bool IsWindowVisible() const;
  bool IsIconic() const;
  bool IsZoomed() const;
  bool InvalidateRect(const CRect& rect, bool erase);
  HWND SetCapture();
  bool ReleaseCapture();
  HWND SetFocus();
  uintptr_t SetTimer(uintptr_t id, UINT elapse, TIMERPROC callback = nullptr);
  bool KillTimer(uintptr_t id);
  bool ClientToScreen(CPoint* pt) const;
  bool ClientToScreen(CRect* rect) const;
  bool ScreenToClient(CPoint* pt) const;
  bool ScreenToClient(CRect* rect) const;
  bool SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  bool MoveWindow(int x, int y, int cx, int cy, bool repaint = true);
  bool MoveWindow(const CRect& rect, bool repaint = true);
  bool DestroyWindow();
  LRESULT SendMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  void BringToTop();
  // Centres over the reference window (else the owner, else the work area), kept inside the
  // work area; moves without resizing or activating.
  void CenterWindow(MWindow* reference = nullptr);

  static LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  bool RegisterWindowClass();
  bool RegisterSuperClass();

  HWND m_owner = nullptr;
  HWND m_hwnd = nullptr;
  WNDPROC m_defProc = &Native::DefWindowProc;
};

}  // namespace DUI
