#pragma once
// The balloon tip: one per paint manager, a layered pop-up with a nine-grid background and
// white text, placed by one of five placements around a screen point; it hides itself after
// five seconds unless its type is 4.
#include <string>

#include "widgets/core/MTooltipWnd.h"

namespace DUI {

class MAirBladder : public MTipWindow {
 public:
  explicit MAirBladder(PaintManager* manager);
  const char* GetWindowClassName() const override { return "MAirBladder"; }
  LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Stores the request and fits the window; the same request as the shown one changes nothing.
  int SetMessage(const std::string& text, CPoint screen, int type, int mode);
  void ShowBalloon(bool show);
  bool IsShown() const;
  // The window rectangle a request gives (screen coordinates).
  static CRect FitRect(CPoint pt, int w, int h, int lines, int mode);
  CRect GetFitRect() const { return m_fit; }
  const std::string& GetText() const { return m_text; }

 protected:
  void Paint(HDC& dc, int width, int height) override;
  bool IsLayeredTip() const override { return true; }

 private:
  std::string m_text;
  CPoint m_point;
  int m_type = -1;
  int m_mode = -1;
  int m_lines = 1;
  int m_lineHeight = 0;
  CRect m_fit;
};

}  // namespace DUI
