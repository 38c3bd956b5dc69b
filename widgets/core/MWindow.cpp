#include "widgets/core/MWindow.h"

#include <algorithm>

namespace DUI {

MWindow::~MWindow() {
  if (m_hwnd && Native::IsWindow(m_hwnd)) {
    // The object goes first: the window must not call back into it any more.
    Native::SetWindowLongPtr(m_hwnd, GWLP_USERDATA, 0);
    Native::RemoveProp(m_hwnd, "Control");
    Native::DestroyWindow(m_hwnd);
  }
}

int MWindow::ShowWindow(int show) { return m_hwnd ? Native::ShowWindow(m_hwnd, show) : 0; }

LRESULT MWindow::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return Native::CallWindowProc(m_defProc, m_hwnd, msg, wParam, lParam);
}

int MWindow::PreTranslateMessage(MSG*) { return 0; }
int MWindow::OnInitDialog() { return 1; }
void MWindow::OnDestroyMessage(HWND) {}

bool MWindow::RegisterWindowClass() {
  return Native::RegisterClass(GetWindowClassName(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, &MWindow::WindowProc);
}

bool MWindow::RegisterSuperClass() {
  const char* super = GetSuperClassName();
  WNDPROC proc = super ? Native::GetClassProc(super) : nullptr;
  if (!proc) return false;
  m_defProc = proc;
  return Native::RegisterClass(GetWindowClassName(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, &MWindow::ControlProc);
}

HWND MWindow::Create(HWND owner, const char* title, DWORD style, DWORD exStyle, CRect rect, void*) {
  if (m_hwnd && Native::IsWindow(m_hwnd)) return m_hwnd;
  m_owner = owner;
  const bool registered = GetSuperClassName() ? RegisterSuperClass() : RegisterWindowClass();
  if (!registered) return nullptr;
  HWND hwnd = Native::CreateWindowEx(exStyle, GetWindowClassName(), title ? title : "", style, rect.left, rect.top,
                                     rect.Width(), rect.Height(), owner, this);
  if (!hwnd) return nullptr;
  m_hwnd = hwnd;
  OnInitDialog();
  return m_hwnd;
}

HWND MWindow::Create(HWND owner, const char* title, DWORD style, DWORD exStyle, CRect rect) {
  return Create(owner, title, style, exStyle, rect, nullptr);
}

HWND MWindow::Create(HWND owner) { return Create(owner, "MWindow", 0x80B, 0, CRect(0, 0, 800, 600), nullptr); }

HWND MWindow::Create(HWND owner, CRect rect) { return Create(owner, "MWindow", 0x80B, 0, rect, nullptr); }

UINT MWindow::ShowModal(int show) {
  if (!m_hwnd || !Native::IsWindow(m_hwnd)) return static_cast<UINT>(-1);
  return Native::RunModalLoop(m_hwnd, show, [this](MSG& msg) { return PreTranslateMessage(&msg) != 0; });
}

LRESULT MWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MWindow* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
    self = cs ? static_cast<MWindow*>(cs->lpCreateParams) : nullptr;
    if (self) {
      Native::SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->m_hwnd = hwnd;
    }
  } else {
    self = reinterpret_cast<MWindow*>(Native::GetWindowLongPtr(hwnd, GWLP_USERDATA));
  }
  if (!self) return Native::DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    const LRESULT r = Native::CallWindowProc(self->m_defProc, hwnd, msg, wParam, lParam);
    Native::SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    self->m_hwnd = nullptr;
    self->OnDestroyMessage(hwnd);
    return r;
  }
  return self->OnWindowMessage(msg, wParam, lParam);
}

LRESULT MWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MWindow* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
    self = cs ? static_cast<MWindow*>(cs->lpCreateParams) : nullptr;
    if (self) {
      Native::SetProp(hwnd, "Control", self);
      self->m_hwnd = hwnd;
    }
  } else {
    self = static_cast<MWindow*>(Native::GetProp(hwnd, "Control"));
  }
  if (!self) return Native::DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    const LRESULT r = Native::CallWindowProc(self->m_defProc, hwnd, msg, wParam, lParam);
    Native::RemoveProp(hwnd, "Control");
    self->m_hwnd = nullptr;
    self->OnDestroyMessage(hwnd);
    return r;
  }
  return self->OnWindowMessage(msg, wParam, lParam);
}

bool MWindow::SetIcon(const Image* icon) { return m_hwnd && icon && Native::SetWindowIcon(m_hwnd, *icon); }
DWORD MWindow::GetStyle() const { return m_hwnd ? Native::GetStyle(m_hwnd) : 0; }
DWORD MWindow::GetExStyle() const { return m_hwnd ? Native::GetExStyle(m_hwnd) : 0; }
bool MWindow::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  return m_hwnd && Native::ModifyStyle(m_hwnd, remove, add, flags);
}
bool MWindow::ModifyExStyle(DWORD remove, DWORD add, UINT flags) {
  return m_hwnd && Native::ModifyStyleEx(m_hwnd, remove, add, flags);
}
CRect MWindow::GetClientRect() const {
  CRect r;
  if (m_hwnd) Native::GetClientRect(m_hwnd, &r);
  return r;
}
CRect MWindow::GetWindowRect() const {
  CRect r;
  if (m_hwnd) Native::GetWindowRect(m_hwnd, &r);
  return r;
}
bool MWindow::SetWindowTextW(const std::string& text) { return m_hwnd && Native::SetWindowText(m_hwnd, text); }
std::string MWindow::GetWindowTextW() const { return m_hwnd ? Native::GetWindowText(m_hwnd) : std::string(); }
int MWindow::GetWindowTextLengthW() const { return static_cast<int>(GetWindowTextW().size()); }
bool MWindow::EnableWindow(bool enable) { return m_hwnd && Native::EnableWindow(m_hwnd, enable); }
bool MWindow::IsWindowEnabled() const { return m_hwnd && Native::IsWindowEnabled(m_hwnd); }
bool MWindow::IsWindowVisible() const { return m_hwnd && Native::IsWindowVisible(m_hwnd); }
bool MWindow::IsIconic() const { return m_hwnd && Native::IsIconic(m_hwnd); }
bool MWindow::IsZoomed() const { return m_hwnd && Native::IsZoomed(m_hwnd); }
bool MWindow::InvalidateRect(const CRect& rect, bool erase) {
  return m_hwnd && Native::InvalidateRect(m_hwnd, &rect, erase);
}
HWND MWindow::SetCapture() { return m_hwnd ? Native::SetCapture(m_hwnd) : nullptr; }
bool MWindow::ReleaseCapture() { return m_hwnd && Native::ReleaseCapture(); }
HWND MWindow::SetFocus() { return m_hwnd ? Native::SetFocus(m_hwnd) : nullptr; }
uintptr_t MWindow::SetTimer(uintptr_t id, UINT elapse, TIMERPROC callback) {
  return m_hwnd ? Native::SetTimer(m_hwnd, id, elapse, callback) : 0;
}
bool MWindow::KillTimer(uintptr_t id) { return m_hwnd && Native::KillTimer(m_hwnd, id); }
bool MWindow::ClientToScreen(CPoint* pt) const { return m_hwnd && pt && Native::ClientToScreen(m_hwnd, pt); }
bool MWindow::ClientToScreen(CRect* rect) const {
  if (!m_hwnd || !rect) return false;
  CPoint pt(0, 0);
  Native::ClientToScreen(m_hwnd, &pt);
  rect->OffsetRect(pt.x, pt.y);
  return true;
}
bool MWindow::ScreenToClient(CPoint* pt) const { return m_hwnd && pt && Native::ScreenToClient(m_hwnd, pt); }
bool MWindow::ScreenToClient(CRect* rect) const {
  if (!m_hwnd || !rect) return false;
  CPoint pt(0, 0);
  Native::ClientToScreen(m_hwnd, &pt);
  rect->OffsetRect(-pt.x, -pt.y);
  return true;
}
bool MWindow::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return m_hwnd && Native::SetWindowPos(m_hwnd, insertAfter, x, y, cx, cy, flags);
}
bool MWindow::MoveWindow(int x, int y, int cx, int cy, bool repaint) {
  return m_hwnd && Native::MoveWindow(m_hwnd, x, y, cx, cy, repaint);
}
bool MWindow::MoveWindow(const CRect& r, bool repaint) { return MoveWindow(r.left, r.top, r.Width(), r.Height(), repaint); }
bool MWindow::DestroyWindow() { return m_hwnd && Native::DestroyWindow(m_hwnd); }
LRESULT MWindow::SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
  return m_hwnd ? Native::SendMessage(m_hwnd, msg, wParam, lParam) : 0;
}
bool MWindow::PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
  return m_hwnd && Native::PostMessage(m_hwnd, msg, wParam, lParam);
}

void MWindow::BringToTop() {
  if (!m_hwnd) return;
  // One UI thread owns every window of ours, so raising needs no input attachment.
  Native::SetForegroundWindow(m_hwnd);
  Native::ShowWindow(m_hwnd, Native::IsIconic(m_hwnd) ? SW_RESTORE : SW_SHOW);
}

void MWindow::CenterWindow(MWindow* reference) {
  if (!m_hwnd) return;
  const CRect self = GetWindowRect();
  CRect ref, limit;
  if (GetStyle() & WS_CHILD) {
    // Top-level windows only in this layer; a child is centred in its owner's client area.
    HWND parent = m_owner;
    if (parent) {
      Native::GetClientRect(parent, &limit);
      ref = limit;
      if (reference && reference->GetSafeHwnd()) {
        CRect r = reference->GetClientRect();
        reference->ClientToScreen(&r);
        CPoint origin(0, 0);
        Native::ClientToScreen(parent, &origin);
        r.OffsetRect(-origin.x, -origin.y);
        ref = r;
      }
    }
  } else {
    HWND refWnd = reference && reference->GetSafeHwnd() ? reference->GetSafeHwnd() : m_owner;
    if (!refWnd) {
      ref = limit = Native::GetWorkAreaFromWindow(m_hwnd);
    } else if (Native::IsWindowVisible(refWnd) && !Native::IsIconic(refWnd)) {
      Native::GetWindowRect(refWnd, &ref);
      limit = Native::GetWorkAreaFromWindow(refWnd);
    } else {
      ref = limit = Native::GetWorkAreaFromWindow(m_hwnd);
    }
  }
  const int w = self.Width(), h = self.Height();
  int x = (ref.left + ref.right) / 2 - w / 2;
  int y = (ref.top + ref.bottom) / 2 - h / 2;
  if (x + w > limit.right) x = limit.right - w;
  if (x < limit.left) x = limit.left;
  if (y + h > limit.bottom) y = limit.bottom - h;
  if (y < limit.top) y = limit.top;
  Native::SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace DUI
