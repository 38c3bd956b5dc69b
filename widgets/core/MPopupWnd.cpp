#include "widgets/core/MPopupWnd.h"

namespace DUI {

MPopupWnd::MPopupWnd() { m_colorKey = 15856113; }

HWND MPopupWnd::CreatePopup(HWND owner, const char* title, CRect rect, DWORD extraExStyle) {
  return Create(owner, title, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                WS_EX_TOOLWINDOW | WS_EX_LUMET_POPUP | extraExStyle, rect, nullptr);
}

int MPopupWnd::OnCreate(CREATESTRUCT* cs) {
  MDialog::OnCreate(cs);
  ModifyExStyle(0, WS_EX_TOOLWINDOW);
  return 0;
}

int MPopupWnd::OnInitDialog() {
  MDialog::OnInitDialog();
  m_pm.EnableWndDrag(0);
  return 1;
}

int MPopupWnd::OnNcActivate(int active) {
  if (!active) PostMessageW(WM_CLOSE, 0, 0);
  return 0;
}

long MPopupWnd::OnMessage(unsigned, unsigned, unsigned long, long) { return 0; }

void MPopupWnd::CloseWindow() { PostMessageW(WM_CLOSE, 0, 0); }

long MPopupWnd::SendMessageToParent(unsigned code, unsigned long wParam, long lParam) {
  return m_parentObject ? m_parentObject->OnBaseMessage(0, code, wParam, lParam) : 0;
}

}  // namespace DUI
