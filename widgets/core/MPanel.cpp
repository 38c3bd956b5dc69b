#include "widgets/core/MPanel.h"

#include <cairo.h>

#include "widgets/core/ControlFactory.h"
#include "widgets/core/PaintManager.h"

namespace DUI {

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
bool IsBar(const MControl* c) { return c->GetControlID() == 1 || c->GetControlID() == 2; }
}  // namespace

MPanel::MPanel(MObject* parent, unsigned id, CRect rect, int visible)
    : MControlFont(parent, id, rect, "", visible, 1, 1) {
  m_dblClk = 1;
  m_vbar = new CScrollVertical(this, 1, CRect(-5, 0, 0, 0), 1);
  m_hbar = new CScrollHorizontal(this, 2, CRect(0, -5, 0, 0), 1);
  AddControl(m_vbar);
  AddControl(m_hbar);
  MPanel::SetControlRect(rect);
}

void MPanel::InitControl(PaintManager* manager) {
  m_initialised = 1;
  for (MScroll* bar : {static_cast<MScroll*>(m_vbar), static_cast<MScroll*>(m_hbar)}) {
    bar->SetManager(manager);
    bar->InitControl(manager);
  }
}

MControl* MPanel::CreateArea(const char* className, unsigned id, CRect rect, const char* title, int visible,
                             int enabled) {
  return CreateControl(0, this, className, id, rect, title, visible, enabled);
}

MControl* MPanel::CreateControl(const char* className, unsigned id, CRect rect, const char* title, int visible,
                                int enabled) {
  return CreateControl(1, this, className, id, rect, title, visible, enabled);
}

MControl* MPanel::CreateControl(int kind, MObject* parent, const char* className, unsigned id, CRect rect,
                                const char* title, int visible, int enabled) {
  MControl* control = ControlFactory::Create(FactoryKind::Panel, className, parent, id, rect, title, visible, enabled);
  if (!control) return nullptr;
  if (m_manager) {
    control->SetManager(m_manager);
    control->InitControl(m_manager);
  }
  if (kind == 0)
    AddArea(control);
  else
    AddControl(control);
  return control;
}

int MPanel::OnControlKeyUp(unsigned, unsigned, unsigned) { return 0; }

void MPanel::SetControlRect(CRect rect) {
  Lock lock(m_controlsLock);
  m_rect = rect;
  m_virtualHeight = 0;
  m_virtualWidth = 0;
  for (MControl* child : m_controls) {
    if (child == m_vbar)
      child->SetRect(CRect(rect.right - m_barThickness, rect.top, rect.right, rect.bottom));
    else if (child == m_hbar)
      child->SetRect(CRect(rect.left, rect.bottom - m_barThickness, rect.right, rect.bottom));
    else {
      m_virtualHeight = child->GetRect().bottom - rect.top;
      m_virtualWidth = child->GetRect().right - rect.left;
    }
  }
  if (m_vbar) {
    m_vbar->SetVisible(rect.Height() < m_virtualHeight ? 1 : 0);
    m_vbar->SetScrollMaxRange(m_virtualHeight);
    m_vbar->SetRange();
  }
  if (m_hbar) {
    m_hbar->SetVisible(rect.Width() < m_virtualWidth ? 1 : 0);
    m_hbar->SetScrollMaxRange(m_virtualWidth);
    m_hbar->SetRange();
  }
}

int MPanel::GetOffsetY() const {
  const int extra = m_virtualHeight - m_rect.Height();
  const int max = m_vbar ? m_vbar->GetScrollMaxRange() : 0;
  if (!m_enableScroll || extra <= 0 || max <= 0) return 0;
  return static_cast<int>(static_cast<long long>(extra) * m_vbar->GetScrollCurrentPos() / max);
}

int MPanel::GetOffsetX() const {
  const int extra = m_virtualWidth - m_rect.Width();
  const int max = m_hbar ? m_hbar->GetScrollMaxRange() : 0;
  if (!m_enableScroll || extra <= 0 || max <= 0) return 0;
  return static_cast<int>(static_cast<long long>(extra) * m_hbar->GetScrollCurrentPos() / max);
}

int MPanel::OnMousePointChange(CPoint& pt) {
  if (!m_enableScroll) return 0;
  if (m_virtualHeight <= m_rect.Height() && m_virtualWidth <= m_rect.Width()) return 0;
  pt.y += GetOffsetY();
  pt.x += GetOffsetX();
  return 1;
}

long MPanel::OnBaseMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) {
  return OnMessage(id, code, wParam, lParam);
}

long MPanel::OnMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) {
  return m_parent ? m_parent->OnBaseMessage(id, code, wParam, lParam) : 0;
}

int MPanel::OnControlUpdate(CRect rect, int redraw, MControl* child) {
  if (!child) return 0;
  const Color back(0);
  if (redraw) child->SetUpdate(0, back);
  if (!m_initialised) return 0;
  CRect dirty = rect;
  const bool barMoved = IsBar(child) && child != nullptr && static_cast<MScroll*>(child)->IsChangeing();
  {
    Lock lock(m_controlsLock);
    bool met = false;
    for (MControl* c : m_controls) {
      if (c == child) {
        met = true;
        continue;
      }
      // A moved scroll bar shifts the whole content: every child draws afresh.
      if (barMoved && !IsBar(c)) {
        c->SetUpdate(0, back);
        continue;
      }
      if (met && c->IsVisible() && RectsMeet(c->GetRect(), rect)) {
        c->SetUpdate(0, back);
        dirty = RectUnion(dirty, c->GetRect());
      }
    }
  }
  if (barMoved) {
    dirty = m_rect;
  } else if (!IsBar(child)) {
    dirty.OffsetRect(-GetOffsetX(), -GetOffsetY());
    dirty = RectIntersection(dirty, m_rect);
  }
  if (dirty.IsRectEmpty() || !m_visible || !m_parent) return 1;
  m_parent->OnControlUpdate(dirty, 0, this);
  return 1;
}

long MPanel::OnWindowMessage(unsigned msg, unsigned long wParam, long lParam) {
  Lock lock(m_controlsLock);
  for (MControl* child : m_controls)
    if (child->OnWindowMessage(msg, wParam, lParam)) return 1;
  return 0;
}

void MPanel::DrawControl(HDC&, CRect) {}

int MPanel::DrawSubControls(HDC& dc, CRect clip) {
  const CRect visible = RectIntersection(clip, m_rect);
  if (visible.IsRectEmpty()) return 1;
  const int ox = GetOffsetX(), oy = GetOffsetY();
  CRect contentClip = visible;
  contentClip.OffsetRect(ox, oy);
  std::vector<MControl*> children = GetControls();
  cairo_save(dc);
  cairo_rectangle(dc, visible.left, visible.top, visible.Width(), visible.Height());
  cairo_clip(dc);
  cairo_translate(dc, -ox, -oy);
  for (MControl* child : children)
    if (!IsBar(child) && child->IsVisible()) child->Draw(dc, contentClip);
  cairo_restore(dc);
  for (MControl* child : children)
    if (IsBar(child) && child->IsVisible()) child->Draw(dc, clip);
  return 1;
}

void MPanel::SetControlEnabled(int enabled) {
  m_enabled = enabled;
  for (MControl* child : GetControls())
    if ((child->IsEnabled() ? 1 : 0) != (enabled ? 1 : 0)) child->SetEnabled(enabled);
}

void MPanel::SetControlVisible(int visible) {
  m_visible = visible;
  SetControlWndVisible(visible);
}

int MPanel::OnControlScroll(int, unsigned dir, CPoint) {
  if (!m_enableScroll || !m_vbar || m_virtualHeight < m_rect.Height()) return 0;
  const int old = m_vbar->GetScrollCurrentPos();
  const int step = m_vbar->GetScrollStep();
  m_vbar->SetScrollCurrentPos(dir == 1 ? old + step : old - step);
  if (m_vbar->GetScrollCurrentPos() == old) return 1;
  for (MControl* c : GetControls()) c->SetUpdate(0, Color(0));
  if (m_parent) m_parent->OnControlUpdate(m_rect, 1, this);
  return 1;
}

MTabLayout::MTabLayout(MObject* parent, unsigned id, CRect rect, int visible) : MPanel(parent, id, rect, visible) {
  m_runTimer = 1;
  m_imageCount = 1;
  m_rect = rect;
}

int MTabLayout::OnCheckMouseResponse(unsigned, CPoint pt) {
  for (MControl* child : GetControls())
    if (child->PtInRect(pt)) return 1;
  return 0;
}

LUMET_REGISTER_CONTROL(MTabLayout, new ::DUI::MTabLayout(parent, id, rect, visible))

}  // namespace DUI
