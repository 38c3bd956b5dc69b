#include "widgets/core/MDialog.h"

namespace DUI {

MDialog::MDialog() = default;

MDialog::~MDialog() {
  if (m_hwnd && Native::IsWindow(m_hwnd)) {
    HWND hwnd = m_hwnd;
    Native::SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    m_hwnd = nullptr;
    Native::DestroyWindow(hwnd);
  }
  m_pm.DestroyData();
}

long MDialog::OnBaseMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) {
  return OnMessage(id, code, wParam, lParam);
}

int MDialog::OnControlUpdate(CRect rect, int redraw, MControl* control) {
  return m_pm.OnControlUpdate(rect, redraw, control);
}

LRESULT MDialog::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const CPoint pt = PointFromLParam(lParam);
  switch (msg) {
    case WM_CREATE: OnCreate(reinterpret_cast<CREATESTRUCT*>(lParam)); break;
    case WM_DESTROY: OnDestroy(); break;
    case WM_SIZE: OnSize(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); break;
    case WM_PAINT: OnPaint(); break;
    case WM_CLOSE: OnClose(); break;
    case WM_ERASEBKGND: return 1;
    case WM_WINDOWPOSCHANGING: OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam)); break;
    case WM_WINDOWPOSCHANGED: OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam)); break;
    case WM_NCACTIVATE: OnNcActivate(static_cast<int>(wParam)); break;
    case WM_TIMER: OnTimer(static_cast<UINT>(wParam)); break;
    case WM_MOUSEMOVE: OnMouseMove(static_cast<UINT>(wParam), pt); break;
    case WM_LBUTTONDOWN: OnLButtonDown(static_cast<UINT>(wParam), pt); break;
    case WM_LBUTTONUP: OnLButtonUp(static_cast<UINT>(wParam), pt); break;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(static_cast<UINT>(wParam), pt); break;
    case WM_RBUTTONDOWN: OnRButtonDown(static_cast<UINT>(wParam), pt); break;
    case WM_RBUTTONUP: OnRButtonUp(static_cast<UINT>(wParam), pt); break;
    case WM_RBUTTONDBLCLK: OnRButtonDblClk(static_cast<UINT>(wParam), pt); break;
    case WM_MOUSEHOVER: OnMouseHover(static_cast<UINT>(wParam), pt); break;
    case WM_MOUSELEAVE: OnMouseLeave(); break;
    case WM_MOUSEWHEEL: OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), pt); break;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam), 1, static_cast<UINT>(lParam)); break;
    case WM_NCHITTEST: OnNcHitTest(pt); break;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); break;
    case WM_NCCALCSIZE: OnNcCalcSize(wParam, lParam); break;
    case WM_NCPAINT: OnNcPaint(); break;
    case WM_USER_CLOSE_WINDOW: return OnUserCloseWindow(wParam, lParam);
    default: break;
  }
  // The hooks only observe; the manager and the default procedure decide.
  if (const LRESULT r = m_pm.OnWindowMessage(msg, wParam, lParam)) return r;
  return Native::CallWindowProc(m_defProc, m_hwnd, msg, wParam, lParam);
}

int MDialog::PreTranslateMessage(MSG* msg) { return m_pm.PreTranslateMessage(msg); }

int MDialog::OnInitDialog() {
  m_pm.Init(m_hwnd, this);
  m_rcClient = GetClientRect();
  InitUI(m_rcClient);
  return 1;
}

void MDialog::OnDestroyMessage(HWND hwnd) {
  if (m_pm.GetPaintWnd() == hwnd) m_pm.DestroyData();
  PostNcDestroy();
}

CPoint MDialog::GetAirBladderPoint(MControl* control, int type) {
  if (!control) return CPoint();
  const CRect r = control->GetRect();
  CPoint pt(type == 1 ? (r.left + r.right) / 2 : type == 2 ? r.right : r.left, r.bottom);
  ClientToScreen(&pt);
  return pt;
}

void MDialog::OnMinimize() { ShowWindow(SW_SHOWMINIMIZED); }
void MDialog::OnMaximize() { ShowWindow(IsZoomed() ? SW_RESTORE : SW_MAXIMIZE); }
void MDialog::InitUI(CRect) {}
void MDialog::UISize(CRect) {}
long MDialog::OnMessage(unsigned, unsigned, unsigned long, long) { return 0; }

int MDialog::OnUserCloseWindow(WPARAM wParam, LPARAM lParam) {
  PostMessageW(WM_CLOSE, wParam, lParam);
  return 1;
}

int MDialog::OnCreate(CREATESTRUCT*) {
  ModifyStyle(WS_CAPTION | WS_THICKFRAME, WS_CLIPCHILDREN | WS_CLIPSIBLINGS | 0x8);
  return 0;
}

int MDialog::OnSize(UINT type, int, int) {
  if (type != SIZE_MINIMIZED) SetupBackTranslucent();
  const CRect rc = GetClientRect();
  if (rc.Width() > 1 && rc.Height() > 1) {
    UISize(rc);
    m_rcClient = rc;
  }
  InvalidateRect(rc, false);
  return 0;
}

int MDialog::OnMouseMove(UINT, CPoint) { return 0; }
int MDialog::OnMouseLeave() { return 0; }
int MDialog::OnMouseHover(UINT, CPoint) { return 0; }
int MDialog::OnMouseWheel(UINT, int, CPoint) { return 0; }
int MDialog::OnLButtonDown(UINT, CPoint) { return 0; }
int MDialog::OnLButtonUp(UINT, CPoint) { return 0; }
int MDialog::OnLButtonDblClk(UINT, CPoint) { return 0; }
int MDialog::OnRButtonDown(UINT, CPoint) { return 0; }
int MDialog::OnRButtonUp(UINT, CPoint) { return 0; }
int MDialog::OnRButtonDblClk(UINT, CPoint) { return 0; }
int MDialog::OnKeyDown(UINT, UINT, UINT) { return 0; }
int MDialog::OnNcHitTest(CPoint) { return 0; }
int MDialog::OnGetMinMaxInfo(MINMAXINFO*) { return 0; }
int MDialog::OnNcCalcSize(WPARAM, LPARAM) { return 0; }
int MDialog::OnNcActivate(int) { return 0; }
int MDialog::OnWindowPosChanging(WINDOWPOS*) { return 0; }
int MDialog::OnWindowPosChanged(WINDOWPOS*) { return 0; }
void MDialog::OnPaint() {}
void MDialog::OnTimer(UINT) {}
void MDialog::OnNcPaint() {}
int MDialog::OnClose() { return 1; }
void MDialog::OnDestroy() {}
void MDialog::PostNcDestroy() {}

MControl* MDialog::CreateControl(const char* className, unsigned id, CRect rect, const char* title, int visible,
                                 int enabled) {
  return m_pm.CreateControl(this, className, id, rect, title, visible, enabled);
}

MControl* MDialog::CreateArea(const char* className, unsigned id, CRect rect, const char* title, int visible,
                              int enabled) {
  return m_pm.CreateArea(this, className, id, rect, title, visible, enabled);
}

int MDialog::SetAirBladderMsg(const std::string& text, CPoint screen, AIRBLADDER_TYPE type) {
  if (screen.x == 0 || screen.y == 0) return 0;
  const int r = m_pm.SetAirBladderMsg(text, screen, type, 3);
  m_pm.ShowAirBladder(1);
  return r;
}

void MDialog::DoOK() { PostMessageW(WM_USER_CLOSE_WINDOW, IDOK, 0); }
void MDialog::DoCancel() { PostMessageW(WM_USER_CLOSE_WINDOW, IDCANCEL, 0); }
void MDialog::DoClose() { PostMessageW(WM_USER_CLOSE_WINDOW, IDCANCEL, 0); }
void MDialog::DoYes() { PostMessageW(WM_USER_CLOSE_WINDOW, IDYES, 0); }
void MDialog::DoNo() { PostMessageW(WM_USER_CLOSE_WINDOW, IDNO, 0); }

void MDialog::SetupBackTranslucent() {
  if (!m_hwnd) return;
  if (m_alpha != 255) {
    ModifyExStyle(0, WS_EX_LAYERED);
    Native::SetLayeredWindowAttributes(m_hwnd, 0, static_cast<BYTE>(m_alpha), LWA_ALPHA);
  } else if (m_colorKey != 0xFFFFFF) {
    ModifyExStyle(0, WS_EX_LAYERED);
    Native::SetLayeredWindowAttributes(m_hwnd, m_colorKey, 255, LWA_COLORKEY);
  }
}

}  // namespace DUI
