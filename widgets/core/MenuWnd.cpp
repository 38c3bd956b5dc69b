#include "widgets/core/MenuWnd.h"

#include "widgets/core/ControlFactory.h"
#include "widgets/core/MRender.h"
#include "widgets/core/Manager.h"

namespace DUI {

MenuItem::MenuItem(MObject* parent, unsigned id, CRect rect, const char* title, int visible, int enabled)
    : MControlFont(parent, id, rect, title, visible, enabled, 1) {
  m_trackLeave = 1;
}

void MenuItem::DrawControl(HDC& dc, CRect) {
  if (m_separator) {
    MRender::DrawColor(dc, m_rect, Color(0xFF2A3A3A));
    return;
  }
  if (m_hot && m_enabled) {
    // Frame 1 of the skin's item strip is the hover look; without it, a tint of the accent.
    if (m_image)
      MRender::DrawImageFrame(dc, m_image, m_rect, m_imageFrameWidth, 0, m_imageFrameWidth, m_imageHeight, 4);
    else
      MRender::DrawColor(dc, m_rect, Color((Manager::GetSelectColor() & 0x00FFFFFF) | 0x30000000));
  }
  CRect text = m_rect;
  text.left += m_indent + (m_check ? 14 : 0);
  if (m_check) MRender::DrawColor(dc, CRect(m_rect.left + m_indent, m_rect.top + m_rect.Height() / 2 - 3,
                                            m_rect.left + m_indent + 6, m_rect.top + m_rect.Height() / 2 + 3),
                                  Color(Manager::GetSelectColor()));
  const Color color = !m_enabled ? Color(0xFF6D6D6D) : m_hot ? Color(Manager::GetSelectColor()) : m_textColor;
  MRender::DrawTextW(dc, text, m_title.c_str(), color, GetGDIFont(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

int MenuItem::OnControlMouseMove(unsigned, CPoint pt) {
  const int hot = m_rect.PtInRect(pt) ? 1 : 0;
  if (hot != m_hot) {
    m_hot = hot;
    UpdateControl(1, 0);
  }
  return hot;
}

int MenuItem::OnControlLButtonDown(unsigned, CPoint) { return 1; }

int MenuItem::OnControlLButtonUp(unsigned, CPoint pt) {
  if (m_separator || !m_enabled || !m_rect.PtInRect(pt)) return 0;
  SendMessageW(NOTIFY_CLICK, 0, 0);
  return 1;
}

LUMET_REGISTER_CONTROL(MenuItem, new ::DUI::MenuItem(parent, id, rect, title, visible, enabled))

MenuWnd::MenuWnd(MObject* parent) {
  m_parentObject = parent;
  m_colorKey = 0xFFFFFF;
  m_alpha = 255;
}

int MenuWnd::Create(HWND owner, CPoint screen, UINT notifyMessage, int width) {
  m_width = width;
  return Create(owner, screen, notifyMessage);
}

int MenuWnd::Create(HWND owner, CPoint screen, UINT notifyMessage) {
  m_notify = notifyMessage;
  m_notifyOwner = owner;
  m_pm.SetBackColor(1382155, 1183498);
  return CreatePopup(owner, "Menu Window", CRect(screen.x, screen.y, screen.x + m_width, screen.y + m_width),
                     WS_EX_TOPMOST)
             ? 1
             : 0;
}

int MenuWnd::OnCreate(CREATESTRUCT* cs) {
  MPopupWnd::OnCreate(cs);
  ModifyExStyle(0, WS_EX_TOOLWINDOW);
  return 0;
}

int MenuWnd::AddMenu(const char* title, unsigned id, const char* image, int, int) {
  auto* item = dynamic_cast<MenuItem*>(CreateControl("MenuItem", id, CRect(), title, 1, 1));
  if (!item) return -1;
  item->SetFont(m_fontFace.c_str(), m_fontSize, m_fontStyle);
  if (image && *image) item->SetImage(image, 4);
  SetMenuPoint();
  return -1;
}

int MenuWnd::AddSeparator(unsigned id, const char* title) {
  auto* item = dynamic_cast<MenuItem*>(CreateControl("MenuItem", id, CRect(), title, 1, 1));
  if (!item) return -1;
  item->SetSeparator(true);
  SetMenuPoint();
  return -1;
}

void MenuWnd::SetMenuPoint() {
  int y = m_topMargin == 0 ? 2 : m_topMargin;
  for (MControl* c : m_pm.GetControls()) {
    auto* item = dynamic_cast<MenuItem*>(c);
    if (!item) continue;
    if (!item->IsVisible()) {
      item->SetRect(CRect());
      continue;
    }
    item->SetIndent(m_indent);
    item->SetTextColor(m_itemColor);
    if (item->IsSeparator()) {
      item->SetRect(CRect(m_indent + 1, y + 1, m_width - 1, y + 2));
      y += 4;
    } else {
      item->SetRect(CRect(2, y, m_width - 2, y + m_itemHeight));
      y += m_itemHeight;
    }
  }
  const int bottom = m_bottomMargin == 0 ? 2 : m_bottomMargin;
  const CRect w = GetWindowRect();
  if (m_hwnd) Native::SetWindowPos(m_hwnd, nullptr, w.left, w.top, m_width, y + bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  m_pm.Invalidate();
}

long MenuWnd::OnMessage(unsigned id, unsigned code, unsigned long wParam, long) {
  if (m_notifyOwner) Native::PostMessage(m_notifyOwner, m_notify, wParam, static_cast<LPARAM>(id));
  if (code == NOTIFY_CLICK) CloseWindow();
  return 1;
}

}  // namespace DUI
