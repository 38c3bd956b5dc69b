#pragma once
// A control with its own children, a virtual content size and two scroll bars (children 1 and
// 2), with a factory of its own. Children live in content coordinates; the panel translates
// pointer input and drawing by the scroll offsets.
#include "widgets/core/MControlFont.h"
#include "widgets/core/MScroll.h"

namespace DUI {

class MPanel : public MControlFont {
 public:
  MPanel(MObject* parent, unsigned id, CRect rect, int visible);
  const char* GetClassNameW() const override { return "MPanel"; }

  virtual MControl* CreateArea(const char* className, unsigned id, CRect rect, const char* title = "",
                               int visible = 1, int enabled = 1);
  virtual MControl* CreateControl(int kind, MObject* parent, const char* className, unsigned id, CRect rect,
                                  const char* title, int visible, int enabled);
  virtual MControl* CreateControl(const char* className, unsigned id, CRect rect, const char* title = "",
                                  int visible = 1, int enabled = 1);
  virtual int OnControlKeyUp(unsigned key, unsigned repeat, unsigned modifiers);

  void InitControl(PaintManager* manager) override;
  int OnMousePointChange(CPoint& pt) override;
  long OnBaseMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) override;
  long OnMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) override;
  int OnControlUpdate(CRect rect, int redraw, MControl* child) override;
  long OnWindowMessage(unsigned msg, unsigned long wParam, long lParam) override;
  int DrawSubControls(HDC& dc, CRect clip) override;

  CScrollVertical* GetScrollVertical() const { return m_vbar; }
  CScrollHorizontal* GetScrollHorizontal() const { return m_hbar; }
  void SetVirtualHeight(int h) { m_virtualHeight = h; }
  void SetVirtualWidth(int w) { m_virtualWidth = w; }
  int GetVirtualHeight() const { return m_virtualHeight; }
  int GetVirtualWidth() const { return m_virtualWidth; }
  void SetEnableScroll(int on) { m_enableScroll = on; }
  int GetEnableScroll() const { return m_enableScroll; }
  // The content offsets the scroll positions give (0 when everything fits).
  int GetOffsetY() const;
  int GetOffsetX() const;

 protected:
  void DrawControl(HDC& dc, CRect clip) override;
  void SetControlRect(CRect rect) override;
  void SetControlEnabled(int enabled) override;
  void SetControlVisible(int visible) override;
  int OnControlScroll(int bar, unsigned dir, CPoint pt) override;

  int m_enableScroll = 1;
  int m_initialised = 0;
  CScrollVertical* m_vbar = nullptr;
  CScrollHorizontal* m_hbar = nullptr;
  int m_barThickness = 5;
  int m_virtualHeight = 0;
  int m_virtualWidth = 0;
};

// A page of a tab control: transparent, and it takes a point only where one of its children is.
class MTabLayout : public MPanel {
 public:
  MTabLayout(MObject* parent, unsigned id, CRect rect, int visible);
  const char* GetClassNameW() const override { return "MTabLayout"; }
  int OnCheckMouseResponse(unsigned flags, CPoint pt) override;

 protected:
  void SetControlRect(CRect rect) override { m_rect = rect; }
  void DrawControl(HDC&, CRect) override {}
};

}  // namespace DUI
