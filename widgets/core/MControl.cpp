#include "widgets/core/MControl.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

#include "widgets/core/PaintManager.h"

namespace DUI {

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;

void FreeSurface(cairo_surface_t*& surface, cairo_t*& cr) {
  if (cr) cairo_destroy(cr);
  if (surface) cairo_surface_destroy(surface);
  cr = nullptr;
  surface = nullptr;
}
}  // namespace

MControl::MControl(MObject* parent, unsigned id, CRect rect, int visible, int enabled, int response)
    : m_parent(parent), m_id(id), m_rect(rect), m_visible(visible), m_enabled(enabled), m_response(response) {}

MControl::~MControl() {
  RemoveAllControl();
  // The manager must not keep a pointer to a control that is gone: hover, focus, capture,
  // tooltip owner, tick list, timers and caret all forget it here.
  if (m_manager) m_manager->ForgetControl(this);
  FreeSurface(m_cacheSurface, m_cacheDC);
  FreeSurface(m_animateSurface, m_animateDC);
}

void MControl::InitControl(PaintManager*) {}

int MControl::PtInRect(CPoint pt) { return m_visible && m_rect.PtInRect(pt) ? 1 : 0; }

int MControl::DrawSubControls(HDC& dc, CRect clip) {
  Lock lock(m_controlsLock);
  for (MControl* child : m_controls)
    if (child->IsVisible()) child->Draw(dc, clip);
  return 1;
}

int MControl::IsDraw(CPoint) { return 0; }

void MControl::SetUpdate(int update, Color back) {
  m_update = update;
  Lock lock(m_controlsLock);
  for (MControl* child : m_controls)
    if (RectsMeet(child->GetRect(), m_rect)) child->SetUpdate(update, back);
}

int MControl::SetControlFocus(int focus) {
  if (focus) return 0;
  Lock lock(m_controlsLock);
  for (MControl* child : m_controls) ApplyFocus(child, 0);
  return 0;
}

void MControl::ApplyFocus(MControl* control, int focus) {
  if (!control) return;
  control->m_focused = focus ? 1 : 0;
  control->SetControlFocus(focus);
}

void MControl::MoveFocus(PaintManager* manager, MControl* to) {
  if (manager) manager->SetFocusControl(to);
}

void MControl::InitUI(CRect) {}
int MControl::OnMousePointChange(CPoint&) { return 0; }
int MControl::OnCheckMouseResponse(unsigned, CPoint) { return 1; }
long MControl::OnWindowMessage(unsigned, unsigned long, long) { return 0; }
long MControl::OnMessage(unsigned, unsigned, unsigned long, long) { return 0; }

void MControl::SetControlRect(CRect rect) { m_rect = rect; }
void MControl::SetControlVisible(int visible) { m_visible = visible; }
void MControl::SetControlWndVisible(int) {}
void MControl::SetControlEnabled(int enabled) { m_enabled = enabled; }
int MControl::OnControlTimer() { return 0; }
cairo_surface_t* MControl::GetControlDropBitmap() { return nullptr; }
int MControl::OnControlMouseMove(unsigned, CPoint) { return 0; }

int MControl::OnControlSetCursor(unsigned, CPoint pt) {
  if (m_cursor == 0 || !m_rect.PtInRect(pt)) return 0;
  if (m_manager) m_manager->SetCursorShape(m_cursor);
  return 1;
}

int MControl::OnControlLButtonDown(unsigned, CPoint) { return 0; }
int MControl::OnControlLButtonUp(unsigned, CPoint) { return 0; }
int MControl::OnControlLButtonDblClk(unsigned, CPoint) { return 0; }
int MControl::OnControlScroll(int, unsigned, CPoint) { return 0; }
int MControl::OnControlRButtonDown(unsigned, CPoint) { return 0; }
int MControl::OnControlRButtonUp(unsigned, CPoint) { return 0; }
int MControl::OnControlRButtonDblClk(unsigned, CPoint) { return 0; }

int MControl::OnControlKeyDown(unsigned key, unsigned, unsigned modifiers) {
  return m_hotKey != 0 && key == m_hotKey && modifiers == m_hotKeyModifiers ? 1 : 0;
}

void MControl::OnPositionChange() {}

void MControl::InvalidateRect(const CRect*, int erase) {
  if (!m_manager) return;
  if (m_manager->IsLayered())
    m_manager->Invalidate();
  else
    m_manager->InvalidateRect(m_rect, erase);
}

int MControl::PositionItem2Value(const POSITION_ITEM& item, int start, int end) {
  switch (item.kind) {
    case 0:
      return item.fromEnd ? static_cast<int>(end - item.value) : static_cast<int>(start + item.value);
    case 1: {
      const float mid = start + (end - start) / 2;
      return static_cast<int>(item.fromEnd ? mid - item.value : mid + item.value);
    }
    case 2: {
      const int v = static_cast<int>(start + (end - start) * item.value / 100);
      return std::min(v, end);
    }
    default:
      return 0;
  }
}

// --- geometry and state -------------------------------------------------------------------

void MControl::SetRect(CRect rect) {
  const CRect both = RectUnion(m_rect, rect);
  SetControlRect(rect);
  OnPositionChange();
  if (m_visible && m_parent) m_parent->OnControlUpdate(both, 1, this);
}

void MControl::SetRect(int x, int y, int width, int height) { SetRect(CRect(x, y, x + width, y + height)); }

void MControl::SetVisible(int visible) { SetVisible(visible, 1); }

void MControl::SetVisible(int visible, int repaint) {
  visible = visible ? 1 : 0;
  if (visible == (m_visible ? 1 : 0)) return;
  SetControlVisible(visible);
  if (!visible && m_manager) m_manager->ForgetHidden(this);
  if (repaint && m_parent) m_parent->OnControlUpdate(m_rect, 1, this);
}

void MControl::SetEnabled(int enabled) {
  enabled = enabled ? 1 : 0;
  if (enabled == (m_enabled ? 1 : 0)) return;
  SetControlEnabled(enabled);
  if (m_visible && m_parent) m_parent->OnControlUpdate(m_rect, 1, this);
}

// --- children -----------------------------------------------------------------------------

std::vector<MControl*> MControl::GetControls() const {
  Lock lock(m_controlsLock);
  return m_controls;
}

std::vector<MControl*> MControl::GetAreas() const {
  Lock lock(m_areasLock);
  return m_areas;
}

void MControl::AddControl(MControl* child) {
  if (!child) return;
  Lock lock(m_controlsLock);
  m_controls.push_back(child);
}

void MControl::AddArea(MControl* child) {
  if (!child) return;
  Lock lock(m_areasLock);
  m_areas.push_back(child);
}

MControl* MControl::GetControl(unsigned id) {
  {
    Lock lock(m_controlsLock);
    for (MControl* child : m_controls) {
      if (child->GetControlID() == id) return child;
      if (MControl* found = child->GetControl(id)) return found;
    }
  }
  Lock lock(m_areasLock);
  for (MControl* area : m_areas) {
    if (area->GetControlID() == id) return area;
    if (MControl* found = area->GetControl(id)) return found;
  }
  return nullptr;
}

void MControl::ForgetChild(MControl* child) {
  if (m_hoverChild == child) m_hoverChild = nullptr;
}

int MControl::RemoveControl(MControl* child) {
  if (!child) return 0;
  {
    Lock lock(m_controlsLock);
    auto it = std::find(m_controls.begin(), m_controls.end(), child);
    if (it == m_controls.end()) return 0;
    m_controls.erase(it);
  }
  if (m_manager && m_manager->GetFocusControl() == child) m_manager->SetFocusControl(nullptr);
  ForgetChild(child);
  delete child;  // the destructor unregisters it from the manager
  return 0;
}

void MControl::RemoveAllControl() {
  std::vector<MControl*> areas, controls;
  {
    Lock lock(m_areasLock);
    areas.swap(m_areas);
  }
  {
    Lock lock(m_controlsLock);
    controls.swap(m_controls);
  }
  m_hoverChild = nullptr;
  for (MControl* c : areas) delete c;
  for (MControl* c : controls) delete c;
}

// --- repaint requests ---------------------------------------------------------------------

void MControl::UpdateControl(int redraw, int force) {
  if ((m_visible || force) && m_parent) m_parent->OnControlUpdate(m_rect, redraw, this);
}

void MControl::UpdateControl(CRect rect, int force, int redraw) {
  if ((m_visible || force) && m_parent) m_parent->OnControlUpdate(rect, redraw, this);
}

void MControl::UpdateAControl(int animate, int force) {
  m_animate = animate ? 0 : 1;
  UpdateControl(0, force);
}

int MControl::IsParentVisible() const {
  if (!m_parent) return 0;
  if (m_parent->IsClass("MDialog")) return 1;
  const MControl* parent = dynamic_cast<const MControl*>(m_parent);
  if (!parent) return 1;  // another window kind (pop-up, menu) owns it directly
  return parent->IsParentVisible() && parent->IsVisible() ? 1 : 0;
}

// --- tooltip, cursor, ticks, focus ---------------------------------------------------------

void MControl::SetTooltip(const std::string& text, CRect rect) {
  if (!m_manager) return;
  m_manager->SetTooltip(text, rect);
  m_manager->SetTooltipOwner(this);
}

void MControl::ClearTooltip() {
  if (m_manager) m_manager->ClearTooltip();
}

int MControl::SetCursorEx(const char* name) {
  static const struct { const char* word; int shape; } kCursors[] = {
      {"arrow", IDC_ARROW}, {"wait", IDC_WAIT},   {"cross", IDC_CROSS}, {"sizewe", IDC_SIZEWE},
      {"sizens", IDC_SIZENS}, {"hand", IDC_HAND}, {"help", IDC_HELP},
  };
  if (!name) return 0;
  for (const auto& c : kCursors)
    if (std::strcmp(c.word, name) == 0) m_cursor = c.shape;
  return 0;
}

void MControl::AddMTimer() {
  if (m_manager) m_manager->AddMTimer(this);
}

void MControl::OnFocus(int focus) { SetControlFocus(focus); }

int MControl::IsFocusControl() const { return m_manager && m_manager->GetFocusControl() == this ? 1 : 0; }

long MControl::SendMessageW(unsigned code, unsigned long wParam, long lParam) {
  return m_parent ? m_parent->OnBaseMessage(m_id, code, wParam, lParam) : 0;
}

// --- pixel cache --------------------------------------------------------------------------

void MControl::UpdateMemDC(HDC&, int w, int h) {
  m_update = 1;
  w = std::max(w, 1);
  h = std::max(h, 1);
  if (m_cacheDC && m_cacheSize == CSize(w, h)) return;
  FreeSurface(m_cacheSurface, m_cacheDC);
  m_cacheSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  m_cacheDC = cairo_create(m_cacheSurface);
  m_cacheSize = CSize(w, h);
}

void MControl::UpdateAnimateDC(HDC&, int w, int h) {
  m_animate = 1;
  FreeSurface(m_animateSurface, m_animateDC);
  m_animateSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(w, 1), std::max(h, 1));
  m_animateDC = cairo_create(m_animateSurface);
  m_animateSize = CSize(w, h);
}

void MControl::CacheBackground(HDC& dc) {
  if (!m_cacheDC || !dc) return;
  double x = m_rect.left, y = m_rect.top;
  cairo_user_to_device(dc, &x, &y);
  cairo_surface_t* target = cairo_get_target(dc);
  cairo_surface_flush(target);
  cairo_save(m_cacheDC);
  cairo_set_operator(m_cacheDC, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(m_cacheDC, target, -x, -y);
  cairo_paint(m_cacheDC);
  cairo_restore(m_cacheDC);
}

void MControl::PaintCache(HDC& dc) {
  if (!m_cacheSurface || !dc) return;
  cairo_surface_flush(m_cacheSurface);
  cairo_save(dc);
  cairo_rectangle(dc, m_rect.left, m_rect.top, m_cacheSize.cx, m_cacheSize.cy);
  cairo_clip(dc);
  cairo_set_operator(dc, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(dc, m_cacheSurface, m_rect.left, m_rect.top);
  cairo_paint(dc);
  cairo_restore(dc);
}

// --- drawing ------------------------------------------------------------------------------

void MControl::Draw(HDC& dc, CRect clip) {
  if (!m_visible || !RectsMeet(m_rect, clip)) return;
  {
    Lock lock(m_areasLock);
    for (MControl* area : m_areas)
      if (RectsMeet(area->GetRect(), m_rect)) area->Draw(dc, clip);
  }
  DrawControl(dc, clip);
  DrawSubControls(dc, clip);
}

// --- input routing ------------------------------------------------------------------------

int MControl::OnMouseMove(unsigned flags, CPoint pt) {
  if (!m_visible || !m_response) return 0;
  const CPoint raw = pt;
  CPoint adjusted = pt;
  OnMousePointChange(adjusted);

  if (MControl* hover = m_hoverChild) {
    const CPoint cp = ChildPoint(hover, raw, adjusted);
    if ((hover->PtInRect(cp) && hover->OnCheckMouseResponse(flags, cp)) || m_pressed)
      return hover->OnMouseMove(flags, cp);
  }
  const bool hadHover = m_hoverChild != nullptr;
  m_hoverChild = nullptr;

  const bool inside = m_rect.PtInRect(raw) && OnCheckMouseResponse(flags, raw);
  if (!m_tooltip.empty() && inside && m_manager && m_manager->GetTooltipOwner() != this) {
    m_manager->SetTooltip(m_tooltip, m_rect);
    m_manager->SetTooltipOwner(this);
  }
  OnControlSetCursor(flags, raw);
  const int result = OnControlMouseMove(flags, raw);
  if (m_trackLeave) m_outside = m_rect.PtInRect(raw) ? 0 : 1;
  if (m_pressed) return result;

  {
    Lock lock(m_controlsLock);
    for (MControl* child : m_controls) {
      const CPoint cp = ChildPoint(child, raw, adjusted);
      if (child->OnMouseMove(flags, cp) && child->PtInRect(cp)) m_hoverChild = child;
    }
  }
  return (m_hoverChild || hadHover) ? 1 : result;
}

int MControl::ButtonDown(bool left, unsigned flags, CPoint pt) {
  if (!m_visible || !m_response) return 0;
  const CPoint raw = pt;
  CPoint adjusted = pt;
  OnMousePointChange(adjusted);
  m_pressed = m_rect.PtInRect(raw) ? 1 : 0;

  MControl* target = nullptr;
  {
    Lock lock(m_controlsLock);
    for (MControl* child : m_controls) {
      const CPoint cp = ChildPoint(child, raw, adjusted);
      if (child->PtInRect(cp) && child->IsVisible() && child->IsEnabled() && child->GetRresponse()) target = child;
    }
  }
  if (target) {
    m_hoverChild = target;
    const CPoint cp = ChildPoint(target, raw, adjusted);
    return left ? target->OnLButtonDown(flags, cp) : target->OnRButtonDown(flags, cp);
  }
  if (m_manager && m_manager->GetFocusControl() != this) m_manager->SetFocusControl(this);
  return left ? OnControlLButtonDown(flags, raw) : OnControlRButtonDown(flags, raw);
}

int MControl::ButtonUp(bool left, unsigned flags, CPoint pt) {
  m_pressed = 0;
  if (!m_response) return 0;
  const CPoint raw = pt;
  CPoint adjusted = pt;
  OnMousePointChange(adjusted);
  if (MControl* hover = m_hoverChild) {
    const CPoint cp = ChildPoint(hover, raw, adjusted);
    return left ? hover->OnLButtonUp(flags, cp) : hover->OnRButtonUp(flags, cp);
  }
  return left ? OnControlLButtonUp(flags, raw) : OnControlRButtonUp(flags, raw);
}

int MControl::ButtonDblClk(bool left, unsigned flags, CPoint pt) {
  if (!m_visible || !m_response) return 0;
  const CPoint raw = pt;
  CPoint adjusted = pt;
  OnMousePointChange(adjusted);
  if (MControl* hover = m_hoverChild) {
    // The child turns the double click into a second press itself when it does not tell
    // double clicks apart, so it is offered exactly once here.
    const CPoint cp = ChildPoint(hover, raw, adjusted);
    return left ? hover->OnLButtonDblClk(flags, cp) : hover->OnRButtonDblClk(flags, cp);
  }
  if (!m_dblClk) return ButtonDown(left, flags, pt);
  if (left) {
    CPoint at = raw;
    if (m_notifyDblClk && m_rect.PtInRect(raw)) SendMessageW(NOTIFY_DBLCLK, flags, reinterpret_cast<long>(&at));
    return OnControlLButtonDblClk(flags, raw);
  }
  return OnControlRButtonDblClk(flags, raw);
}

int MControl::OnLButtonDown(unsigned flags, CPoint pt) { return ButtonDown(true, flags, pt); }
int MControl::OnLButtonUp(unsigned flags, CPoint pt) { return ButtonUp(true, flags, pt); }
int MControl::OnLButtonDblClk(unsigned flags, CPoint pt) { return ButtonDblClk(true, flags, pt); }
int MControl::OnRButtonDown(unsigned flags, CPoint pt) { return ButtonDown(false, flags, pt); }
int MControl::OnRButtonUp(unsigned flags, CPoint pt) { return ButtonUp(false, flags, pt); }
int MControl::OnRButtonDblClk(unsigned flags, CPoint pt) { return ButtonDblClk(false, flags, pt); }

int MControl::OnScroll(int bar, unsigned dir, CPoint pt) {
  if (!m_visible || !m_response || !m_enabled) return 0;
  const CPoint raw = pt;
  CPoint adjusted = pt;
  OnMousePointChange(adjusted);
  if (MControl* hover = m_hoverChild) {
    const CPoint cp = ChildPoint(hover, raw, adjusted);
    if (hover->PtInRect(cp) && hover->OnCheckMouseResponse(0, cp) && hover->OnScroll(bar, dir, cp)) return 1;
  }
  if (m_rect.PtInRect(raw) && OnControlScroll(bar, dir, raw)) return 1;
  Lock lock(m_controlsLock);
  for (MControl* child : m_controls) {
    const CPoint cp = ChildPoint(child, raw, adjusted);
    if (child != m_hoverChild && child->PtInRect(cp) && child->OnScroll(bar, dir, cp)) return 1;
  }
  return 0;
}

MControl* MControl::FocusedChild() const {
  Lock lock(m_controlsLock);
  for (MControl* child : m_controls)
    if (child->IsFocused()) return child;
  return nullptr;
}

int MControl::OnKeyDown(unsigned key, unsigned repeat, unsigned modifiers) {
  if (!m_visible || !m_response) return 0;
  if (MControl* focused = FocusedChild()) return focused->OnKeyDown(key, repeat, modifiers);
  if (m_hoverChild && m_hoverChild->OnKeyDown(key, repeat, modifiers)) return 1;
  if (OnControlKeyDown(key, repeat, modifiers)) {
    if (m_notifyKeys) SendMessageW(NOTIFY_KEY, key, modifiers);
    return 1;
  }
  {
    Lock lock(m_controlsLock);
    for (MControl* child : m_controls) {
      if (child != m_hoverChild && child->OnKeyDown(key, repeat, modifiers)) {
        if (m_notifyKeys) SendMessageW(NOTIFY_KEY, key, modifiers);
        return 1;
      }
    }
  }
  if (m_notifyKeys) SendMessageW(NOTIFY_KEY, key, modifiers);
  return 0;
}

int MControl::OnKeyUp(unsigned, unsigned, unsigned) { return 0; }

int MControl::OnTimer() {
  int result = OnControlTimer();
  Lock lock(m_controlsLock);
  for (MControl* child : m_controls)
    if (child->IsRunTimer() && child->IsVisible() && child->OnTimer() == 1) result = 1;
  return result;
}

}  // namespace DUI
