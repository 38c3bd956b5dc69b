#pragma once
// A self-closing pop-up dialog (a drop-down list, a menu): a tool window that posts itself a
// close when it loses activation.
#include "widgets/core/MDialog.h"

namespace DUI {

class MPopupWnd : public MDialog {
 public:
  MPopupWnd();
  const char* GetClassNameW() const override { return "MPopupWnd"; }

  // Creates the pop-up window (tool window, no task-bar entry, placed by the program).
  HWND CreatePopup(HWND owner, const char* title, CRect rect, DWORD extraExStyle = 0);

  int OnCreate(CREATESTRUCT* cs) override;
  int OnInitDialog() override;
  int OnNcActivate(int active) override;
  long OnMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) override;
  virtual void CloseWindow();

  void SetParent(MObject* parent) { m_parentObject = parent; }
  MObject* GetParent() const { return m_parentObject; }
  // The parent's OnBaseMessage with id 0.
  long SendMessageToParent(unsigned code, unsigned long wParam, long lParam);

 protected:
  MObject* m_parentObject = nullptr;
};

}  // namespace DUI
