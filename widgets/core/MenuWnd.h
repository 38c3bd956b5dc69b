#pragma once
// The owner-drawn context menu and its items. A click on an item posts the menu's notify
// message to the owner window (wParam: the item's notification wParam, lParam: the item id)
// and closes the menu; losing activation closes it without a message.
#include <string>

#include "widgets/core/MControlFont.h"
#include "widgets/core/MPopupWnd.h"

namespace DUI {

class MenuWnd;

class MenuItem : public MControlFont {
 public:
  MenuItem(MObject* parent, unsigned id, CRect rect, const char* title, int visible, int enabled);
  const char* GetClassNameW() const override { return "MenuItem"; }

  void SetSeparator(bool on) { m_separator = on; }
  bool IsSeparator() const { return m_separator; }
  void SetIndent(int indent) { m_indent = indent; }
  void SetGroupName(const std::string& group) { m_group = group; }
  void SetCheck(bool check) { m_check = check; }
  bool GetCheck() const { return m_check; }
  void SetPopupMenu(MenuWnd* menu) { m_popup = menu; }
  int IsHot() const { return m_hot; }

 protected:
  void DrawControl(HDC& dc, CRect clip) override;
  int OnControlMouseMove(unsigned flags, CPoint pt) override;
  int OnControlLButtonDown(unsigned flags, CPoint pt) override;
  int OnControlLButtonUp(unsigned flags, CPoint pt) override;

 private:
  bool m_separator = false;
  bool m_check = false;
  int m_hot = 0;
  int m_indent = 5;
  std::string m_group;
  MenuWnd* m_popup = nullptr;
};

class MenuWnd : public MPopupWnd {
 public:
  explicit MenuWnd(MObject* parent = nullptr);
  const char* GetClassNameW() const override { return "MenuWnd"; }

  // Creates the menu window at a screen point; 1 on success.
  int Create(HWND owner, CPoint screen, UINT notifyMessage, int width);
  int Create(HWND owner, CPoint screen, UINT notifyMessage);
  int AddMenu(const char* title, unsigned id, const char* image = nullptr, int = 0, int = 0);
  int AddSeparator(unsigned id, const char* title = "");
  void SetMenuPoint();

  void SetItemHeight(int h) { m_itemHeight = h; }
  void SetMargins(int top, int bottom) { m_topMargin = top; m_bottomMargin = bottom; }
  void SetItemColor(Color c) { m_itemColor = c; }
  void SetMenuFont(const char* face, int size, int style) { m_fontFace = face ? face : ""; m_fontSize = size; m_fontStyle = style; }
  UINT GetNotifyMessage() const { return m_notify; }

  int OnCreate(CREATESTRUCT* cs) override;
  long OnMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) override;

 private:
  std::string m_fontFace = "Arial";
  int m_fontSize = 14;
  int m_fontStyle = 0;
  int m_itemHeight = 25;
  int m_width = 300;
  int m_indent = 5;
  int m_topMargin = 6;
  int m_bottomMargin = 6;
  Color m_itemColor = Color(0xFF3D5350);
  UINT m_notify = 0;
  HWND m_notifyOwner = nullptr;
};

}  // namespace DUI
