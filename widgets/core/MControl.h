#pragma once
// The base of every windowless control: position, visibility, child lists, input routing,
// the drawing skeleton with the per-control pixel cache, and notifications.
//
// Input arrives through the non-virtual entry points (OnMouseMove, OnLButtonDown, ...). They
// do the framework's part once (visibility and response filtering, scroll translation, the
// hover child, focus) and then call the virtual OnControl... hooks that controls override.
#include <mutex>
#include <string>
#include <vector>

#include "platform/gui/Messages.h"
#include "widgets/core/MObject.h"
#include "widgets/core/Types.h"

namespace DUI {

class PaintManager;

// A layout description turned into a coordinate by PositionItem2Value.
struct POSITION_ITEM {
  int kind = 0;     // 0 offset from an edge, 1 offset from the middle, 2 percentage
  int fromEnd = 0;  // count from the end (kind 0) or subtract (kind 1)
  float value = 0;
};

class MControl : public MObject {
 public:
  MControl(MObject* parent, unsigned id, CRect rect, int visible, int enabled, int response);
  ~MControl() override;
  MControl(const MControl&) = delete;
  MControl& operator=(const MControl&) = delete;

  const char* GetClassNameW() const override { return "MControl"; }

  virtual void InitControl(PaintManager* manager);
  virtual int PtInRect(CPoint pt);
  virtual int DrawSubControls(HDC& dc, CRect clip);
  virtual int IsDraw(CPoint pt);
  virtual void SetUpdate(int update, Color back);
  virtual int SetControlFocus(int focus);
  virtual void InitUI(CRect rect);
  virtual int OnMousePointChange(CPoint& pt);
  virtual int OnCheckMouseResponse(unsigned flags, CPoint pt);
  virtual long OnWindowMessage(unsigned msg, unsigned long wParam, long lParam);
  virtual long OnMessage(unsigned id, unsigned code, unsigned long wParam, long lParam);

  // Ownership and identity.
  MObject* GetParantObject() const { return m_parent; }
  void SetParent(MObject* parent) { m_parent = parent; }
  PaintManager* GetManager() const { return m_manager; }
  void SetManager(PaintManager* manager) { m_manager = manager; }
  unsigned GetControlID() const { return m_id; }

  // Geometry and state. SetRect/SetVisible/SetEnabled ask for the repaint themselves.
  CRect GetRect() const { return m_rect; }
  void SetRect(CRect rect);
  void SetRect(int x, int y, int width, int height);
  int IsVisible() const { return m_visible; }
  void SetVisible(int visible);
  void SetVisible(int visible, int repaint);
  int IsEnabled() const { return m_enabled; }
  void SetEnabled(int enabled);
  int IsDragDrop() const { return m_dragDrop; }
  void SetDragDrop(int on) { m_dragDrop = on; }
  int GetRresponse() const { return m_response; }
  void SetRresponse(int on) { m_response = on; }
  int IsTabStop() const { return m_tabStop; }
  void SetTabStop(int on) { m_tabStop = on; }
  int GetDblClk() const { return m_dblClk; }
  void SetDblClk(int on) { m_dblClk = on; }
  int IsPressed() const { return m_pressed; }
  int IsKeyDown() const { return m_keyDown; }
  int IsFocused() const { return m_focused; }
  void SetHotKey(unsigned key, unsigned modifiers) { m_hotKey = key; m_hotKeyModifiers = modifiers; }
  int GetUpdate() const { return m_update; }
  int IsRunTimer() const { return m_runTimer; }
  void SetRunTimer(int on) { m_runTimer = on; }
  int UseImageECM() const { return m_imageECM; }
  void SetTrackLeave(int on) { m_trackLeave = on; }
  int IsOutside() const { return m_outside; }
  void SetNotifyDblClk(int on) { m_notifyDblClk = on; }
  void SetNotifyKeys(int on) { m_notifyKeys = on; }
  int GetCursor() const { return m_cursor; }

  // Children. A control owns them; RemoveControl and the destructor delete them.
  std::vector<MControl*> GetControls() const;
  std::vector<MControl*> GetAreas() const;
  void AddControl(MControl* child);
  void AddArea(MControl* child);
  MControl* GetControl(unsigned id);
  int RemoveControl(MControl* child);
  void RemoveAllControl();
  MControl* GetHoverChild() const { return m_hoverChild; }

  // Repaint requests to the parent.
  void UpdateControl(int redraw = 1, int force = 0);
  void UpdateControl(CRect rect, int force, int redraw);
  void UpdateAControl(int animate, int force);
  int IsParentVisible() const;

  // Tooltips, cursor, ticks, focus.
  void SetTooltip(const std::string& text) { m_tooltip = text; }
  const std::string& GetTooltip() const { return m_tooltip; }
  void SetTooltip(const std::string& text, CRect rect);
  void ClearTooltip();
  int SetCursorEx(const char* name);
  void AddMTimer();
  void OnFocus(int focus);
  int IsFocusControl() const;

  // Reports to the parent: OnBaseMessage(id, code, wParam, lParam).
  long SendMessageW(unsigned code, unsigned long wParam, long lParam);

  // The pixel cache: UpdateMemDC marks it valid and (re)creates it at the given size.
  void UpdateMemDC(HDC& dc, int w, int h);
  void UpdateAnimateDC(HDC& dc, int w, int h);

  // Event entry points used by parents and the manager.
  int OnMouseMove(unsigned flags, CPoint pt);
  int OnLButtonDown(unsigned flags, CPoint pt);
  int OnLButtonUp(unsigned flags, CPoint pt);
  int OnLButtonDblClk(unsigned flags, CPoint pt);
  int OnRButtonDown(unsigned flags, CPoint pt);
  int OnRButtonUp(unsigned flags, CPoint pt);
  int OnRButtonDblClk(unsigned flags, CPoint pt);
  int OnScroll(int bar, unsigned dir, CPoint pt);
  int OnKeyDown(unsigned key, unsigned repeat, unsigned modifiers);
  int OnKeyUp(unsigned key, unsigned repeat, unsigned modifiers);
  int OnTimer();
  void Draw(HDC& dc, CRect clip);

  // Moves the manager's focus to the control (or clears it with null), telling both sides.
  static void MoveFocus(PaintManager* manager, MControl* to);
  // Sets the focused flag and calls the hook.
  static void ApplyFocus(MControl* control, int focus);

 protected:
  virtual void DrawControl(HDC& dc, CRect clip) = 0;
  virtual void SetControlRect(CRect rect);
  virtual void SetControlVisible(int visible);
  virtual void SetControlWndVisible(int visible);
  virtual void SetControlEnabled(int enabled);
  virtual int OnControlTimer();
  virtual cairo_surface_t* GetControlDropBitmap();
  virtual int OnControlMouseMove(unsigned flags, CPoint pt);
  virtual int OnControlSetCursor(unsigned flags, CPoint pt);
  virtual int OnControlLButtonDown(unsigned flags, CPoint pt);
  virtual int OnControlLButtonUp(unsigned flags, CPoint pt);
  virtual int OnControlLButtonDblClk(unsigned flags, CPoint pt);
  virtual int OnControlScroll(int bar, unsigned dir, CPoint pt);
  virtual int OnControlRButtonDown(unsigned flags, CPoint pt);
  virtual int OnControlRButtonUp(unsigned flags, CPoint pt);
  virtual int OnControlRButtonDblClk(unsigned flags, CPoint pt);
  virtual int OnControlKeyDown(unsigned key, unsigned repeat, unsigned modifiers);
  virtual void OnPositionChange();
  virtual void InvalidateRect(const CRect* rect, int erase);

  static int PositionItem2Value(const POSITION_ITEM& item, int start, int end);

  // Cache helpers of the drawing pattern: copy what lies under the control from the target
  // into the cache, and put the cache back onto the target.
  void CacheBackground(HDC& dc);
  void PaintCache(HDC& dc);
  // Draws through the cache: when it is dirty, refreshes it with draw(cache); then copies it.
  template <class F>
  void DrawCached(HDC& dc, F&& draw) {
    if (!m_update || !m_cacheDC) {
      UpdateMemDC(dc, m_rect.Width(), m_rect.Height());
      if (!m_cacheDC) return;
      CacheBackground(dc);
      draw(m_cacheDC);
    }
    PaintCache(dc);
  }
  // The point as a child sees it: scroll bars (ids 1 and 2) get the untranslated one.
  static CPoint ChildPoint(const MControl* child, CPoint raw, CPoint adjusted) {
    return (child->m_id == 1 || child->m_id == 2) ? raw : adjusted;
  }
  // Drops every pointer that the control, its hover bookkeeping or the manager keeps to child.
  void ForgetChild(MControl* child);

  MObject* m_parent;
  PaintManager* m_manager = nullptr;
  unsigned m_id;
  CRect m_rect;
  int m_visible;
  int m_enabled;
  int m_dragDrop = 0;
  int m_response;
  int m_tabStop = 0;
  int m_dblClk = 0;
  int m_pressed = 0;
  int m_keyDown = 0;
  int m_focused = 0;
  unsigned m_hotKey = 0;
  unsigned m_hotKeyModifiers = 0;
  int m_update = 0;
  int m_animate = 0;
  int m_runTimer = 0;
  int m_imageECM = 0;
  std::vector<MControl*> m_areas;
  std::vector<MControl*> m_controls;
  mutable std::recursive_mutex m_areasLock;
  mutable std::recursive_mutex m_controlsLock;
  MControl* m_hoverChild = nullptr;
  CSize m_cacheSize;
  cairo_surface_t* m_cacheSurface = nullptr;
  cairo_t* m_cacheDC = nullptr;
  CSize m_animateSize;
  cairo_surface_t* m_animateSurface = nullptr;
  cairo_t* m_animateDC = nullptr;
  std::string m_tooltip;
  int m_cursor = 0;  // an IDC_* shape, 0 = none
  int m_trackLeave = 0;
  int m_notifyDblClk = 0;
  int m_notifyKeys = 0;
  int m_outside = 1;

 private:
  int ButtonDown(bool left, unsigned flags, CPoint pt);
  int ButtonUp(bool left, unsigned flags, CPoint pt);
  int ButtonDblClk(bool left, unsigned flags, CPoint pt);
  MControl* FocusedChild() const;
};

}  // namespace DUI
