#pragma once
// The skinned, owner-drawn window: a paint manager owns, draws and feeds its controls, and the
// dialog receives every control notification in OnMessage.
#include <string>
#include <vector>

#include "widgets/core/MObject.h"
#include "widgets/core/MWindow.h"
#include "widgets/core/PaintManager.h"

namespace DUI {

// Message that asks a dialog to close with a result code (wParam).
inline constexpr UINT WM_USER_CLOSE_WINDOW = WM_USER + 66;  // 1090

class MDialog : public MWindow, public MObject {
 public:
  MDialog();
  ~MDialog() override;

  // MObject face.
  const char* GetClassNameW() const override { return "MDialog"; }
  long OnBaseMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) override;
  int OnControlUpdate(CRect rect, int redraw, MControl* control) override;

  // Window face.
  LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int PreTranslateMessage(MSG* msg) override;
  int OnInitDialog() override;
  void OnDestroyMessage(HWND hwnd) override;

  virtual CPoint GetAirBladderPoint(MControl* control, int type);
  virtual void OnMinimize();
  virtual void OnMaximize();
  virtual void InitUI(CRect client);
  virtual void UISize(CRect client);
  virtual long OnMessage(unsigned id, unsigned code, unsigned long wParam, long lParam);
  virtual int OnUserCloseWindow(WPARAM wParam, LPARAM lParam);
  virtual int OnCreate(CREATESTRUCT* cs);
  virtual int OnSize(UINT type, int cx, int cy);
  virtual int OnMouseMove(UINT flags, CPoint pt);
  virtual int OnMouseLeave();
  virtual int OnMouseHover(UINT flags, CPoint pt);
  virtual int OnMouseWheel(UINT flags, int delta, CPoint pt);
  virtual int OnLButtonDown(UINT flags, CPoint pt);
  virtual int OnLButtonUp(UINT flags, CPoint pt);
  virtual int OnLButtonDblClk(UINT flags, CPoint pt);
  virtual int OnRButtonDown(UINT flags, CPoint pt);
  virtual int OnRButtonUp(UINT flags, CPoint pt);
  virtual int OnRButtonDblClk(UINT flags, CPoint pt);
  virtual int OnKeyDown(UINT key, UINT repeat, UINT flags);
  virtual int OnNcHitTest(CPoint screen);
  virtual int OnGetMinMaxInfo(MINMAXINFO* info);
  virtual int OnNcCalcSize(WPARAM wParam, LPARAM lParam);
  virtual int OnNcActivate(int active);
  virtual int OnWindowPosChanging(WINDOWPOS* pos);
  virtual int OnWindowPosChanged(WINDOWPOS* pos);
  virtual void OnPaint();
  virtual void OnTimer(UINT id);
  virtual void OnNcPaint();
  virtual int OnClose();
  virtual void OnDestroy();
  virtual void PostNcDestroy();

  // Controls through the window factory, with the dialog as parent.
  MControl* CreateControl(const char* className, unsigned id, CRect rect, const char* title = "", int visible = 1,
                          int enabled = 1);
  MControl* CreateArea(const char* className, unsigned id, CRect rect, const char* title = "", int visible = 1,
                       int enabled = 1);
  MControl* GetControl(unsigned id) { return m_pm.GetControl(id); }
  std::vector<MControl*> GetControls() const { return m_pm.GetControls(); }
  void SetFocusControl(MControl* control) { m_pm.SetFocusControl(control); }

  int LoadBKImage(const std::string& file) { return m_pm.LoadBKImage(file); }
  int LoadBKImage(unsigned id, const std::string& type) { return m_pm.LoadBKImage(id, type); }
  void SetBackMode(int mode, int corner) { m_pm.SetBackMode(mode, corner); }
  void SetLayeredWindow(int layered) { m_pm.SetLayeredWindow(layered); }
  void EnableWndDrag(int on) { m_pm.EnableWndDrag(on); }
  void SetCaptionRect(CRect rect) { m_pm.SetCaptionRect(rect); }
  void SetScrollResID(unsigned v, unsigned h) { m_pm.SetScrollResID(v, h); }
  unsigned SetMTimer(unsigned elapse) { return m_pm.SetMTimer(elapse); }
  void KillMTimer(unsigned id) { m_pm.KillMTimer(id); }
  void SetTooltip(const std::string& text, CRect rect) { m_pm.SetTooltip(text, rect); }
  void ClearTooltip() { m_pm.ClearTooltip(); }
  void SetTooltipCtrlID(unsigned id) { m_pm.SetTooltipCtrlID(id); }
  unsigned GetTooltipCtrlID() const { return m_pm.GetTooltipCtrlID(); }
  // A balloon tip at a screen point (placement 3); 0 when either coordinate is 0.
  int SetAirBladderMsg(const std::string& text, CPoint screen, AIRBLADDER_TYPE type);
  void SetMessage(const std::string& text) { m_pm.SetMessage(text); }
  void SetProgress(int percent) { m_pm.SetProgress(percent); }

  // The drop shadow: a soft dark rim drawn around a layered dialog by its own paint.
  void CreateShadow() { m_shadow = true; }
  void SetSize(int size) { m_shadowSize = size; }
  void SetSharpness(int sharpness) { m_shadowSharpness = sharpness; }
  void SetDarkness(int darkness) { m_shadowDarkness = darkness; }
  void SetPosition(int x, int y) { m_shadowOffset = CPoint(x, y); }
  void SetShadowColor(COLORREF color) { m_shadowColor = color; }
  void SetShadowShow(bool show) { m_shadowShown = show; }

  // Close requests: post 1090 with IDOK, IDCANCEL, IDCANCEL, IDYES, IDNO.
  void DoOK();
  void DoCancel();
  void DoClose();
  void DoYes();
  void DoNo();
  void SetupBackTranslucent();
  void SetColorKey(COLORREF key) { m_colorKey = key; }
  void SetAlpha(int alpha) { m_alpha = alpha; }

  PaintManager& GetPaintManager() { return m_pm; }
  CRect GetClientRectCached() const { return m_rcClient; }

 protected:
  PaintManager m_pm;
  CRect m_rcClient;
  COLORREF m_colorKey = 0xFFFFFF;
  int m_alpha = 255;
  bool m_shadow = false, m_shadowShown = false;
  int m_shadowSize = 0, m_shadowSharpness = 0, m_shadowDarkness = 0;
  CPoint m_shadowOffset;
  COLORREF m_shadowColor = 0;
};

}  // namespace DUI
