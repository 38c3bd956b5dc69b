#pragma once
// Small self-painting pop-ups: the hover tooltip and the balloon tip. Neither takes the focus;
// both draw into a surface of their own on every paint.
#include <string>

#include "platform/gui/Surface.h"
#include "widgets/core/MWindow.h"
#include "widgets/core/MControlFont.h"

namespace DUI {

class PaintManager;

class MTipWindow : public MWindow {
 public:
  explicit MTipWindow(PaintManager* manager) : m_manager(manager) {}
  LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // The last painted pixels (for checks).
  const Surface& GetSurface() const { return m_surface; }

 protected:
  virtual void Paint(HDC& dc, int width, int height) = 0;
  virtual bool IsLayeredTip() const { return false; }
  HWND EnsureWindow(const char* title, DWORD exStyle);

  PaintManager* m_manager;
  Surface m_surface;
};

// The hover tooltip: a topmost tip, at most 256 pixels wide, that follows the pointer.
class MTooltipWnd : public MTipWindow {
 public:
  explicit MTooltipWnd(PaintManager* manager) : MTipWindow(manager) {}
  const char* GetWindowClassName() const override { return "MTooltip"; }
  void ShowTip(const std::string& text, CRect controlRect);
  void Hide();
  bool IsShown() const;
  const std::string& GetText() const { return m_text; }
  // Mouse messages of the owner window: the tip follows the pointer.
  void RelayEvent(const MSG& msg);

 protected:
  void Paint(HDC& dc, int width, int height) override;

 private:
  void PlaceAt(CPoint screen);
  std::string m_text;
  CSize m_size;
};

}  // namespace DUI
