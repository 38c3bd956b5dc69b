// lumet-widgets: a skinned dialog made of the widget core's controls. A panel holds 40 rows
// created by the panel factory and scrolls with the wheel or its bar; a click checks a row and
// shows a balloon tip next to it; a right click opens the context menu; the menu's "Open
// dialog" runs a modal child dialog; rows show tooltips while the pointer rests on them.
//
//   lumet-widgets [--exit-after MS] [--x X --y Y]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/gui/Native.h"
#include "widgets/core/MDialog.h"
#include "widgets/core/MPanel.h"
#include "widgets/core/Manager.h"
#include "widgets/core/MenuWnd.h"

using namespace DUI;

namespace {

constexpr UINT kMenuCommand = WM_USER + 710;
constexpr unsigned kFirstRow = 1000;
constexpr unsigned kMenuOpenDialog = 1, kMenuCheckAll = 2, kMenuQuit = 3;

class ChildDialog : public MDialog {
 public:
  void InitUI(CRect client) override {
    m_pm.SetCaptionRect(CRect(0, 0, client.Width(), 30));
    auto* ok = dynamic_cast<MenuItem*>(CreateControl("MenuItem", 1, CRect(20, 70, client.Width() - 20, 100), "OK"));
    if (ok) ok->SetTextColor(Color(0xFFE6F0EE));
    auto* text = dynamic_cast<MenuItem*>(CreateControl("MenuItem", 2, CRect(20, 30, client.Width() - 20, 60),
                                                       "A modal dialog over the rows"));
    if (text) {
      text->SetTextColor(Color(0xFF9FB3B0));
      text->SetEnabled(0);
    }
  }
  long OnMessage(unsigned id, unsigned code, unsigned long, long) override {
    if (id == 1 && code == NOTIFY_CLICK) DoOK();
    return 0;
  }
};

class DemoDialog : public MDialog {
 public:
  void InitUI(CRect client) override {
    m_pm.SetCaptionRect(CRect(0, 0, client.Width(), 36));
    auto* title = dynamic_cast<MenuItem*>(CreateControl("MenuItem", 1, CRect(12, 6, 300, 34), "Lumet widgets"));
    if (title) {
      title->SetFont("Open Sans Semibold", 16, 0);
      title->SetTextColor(Color(0xFF49FFE6));
      title->SetEnabled(0);
    }
    m_panel = new MPanel(this, 10, CRect(20, 50, 300, 350), 1);
    m_pm.AddControl(m_panel);
    m_panel->InitControl(&m_pm);
    for (int i = 0; i < 40; ++i) {
      const int y = 50 + i * 30;
      const std::string text = "Row " + std::to_string(i + 1) + (i % 3 == 0 ? "  - profile" : "  - macro");
      auto* row = dynamic_cast<MenuItem*>(
          m_panel->CreateControl("MenuItem", kFirstRow + i, CRect(20, y, 292, y + 28), text.c_str()));
      if (!row) continue;
      row->SetTextColor(Color(0xFFD0DEDB));
      row->SetImage("img_menu_item.png", 4);
      row->SetIndent(10);
      row->SetTooltip("Row " + std::to_string(i + 1) + ": click to check it");
    }
    m_panel->SetRect(m_panel->GetRect());
  }
  long OnMessage(unsigned id, unsigned code, unsigned long, long) override {
    if (id >= kFirstRow && id < kFirstRow + 40 && code == NOTIFY_CLICK) {
      auto* row = dynamic_cast<MenuItem*>(m_panel->GetControl(id));
      if (!row) return 0;
      row->SetCheck(!row->GetCheck());
      row->UpdateControl(1, 0);
      CRect r = row->GetRect();
      r.OffsetRect(0, -m_panel->GetOffsetY());
      CPoint at(r.right + 30, r.top);
      ClientToScreen(&at);
      m_pm.SetAirBladderMsg(row->GetCheck() ? "Checked " + row->GetTitle() : "Unchecked " + row->GetTitle(), at, 5, 1,
                            id);
      m_pm.ShowAirBladder(1);
    }
    return 0;
  }
  int OnRButtonUp(UINT, CPoint pt) override {
    CPoint screen = pt;
    ClientToScreen(&screen);
    m_menu = std::make_unique<MenuWnd>(this);
    m_menu->SetItemColor(Color(0xFFD0DEDB));
    if (m_menu->Create(GetSafeHwnd(), screen, kMenuCommand, 170)) {
      m_menu->AddMenu("Open dialog", kMenuOpenDialog, "img_menu_item.png");
      m_menu->AddMenu("Check all rows", kMenuCheckAll, "img_menu_item.png");
      m_menu->AddSeparator(9);
      m_menu->AddMenu("Quit", kMenuQuit, "img_menu_item.png");
    }
    return 0;
  }
  LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kMenuCommand) {
      switch (lParam) {
        case kMenuOpenDialog: {
          ChildDialog child;
          const CRect me = GetWindowRect();
          child.Create(GetSafeHwnd(), "Lumet Widgets Dialog", WS_POPUP, WS_EX_TOOLWINDOW,
                       CRect(me.left + 60, me.top + 120, me.left + 300, me.top + 240));
          child.GetPaintManager().SetBackColor(RGB(16, 24, 32), RGB(73, 255, 230));
          child.ShowModal();
          return 0;
        }
        case kMenuCheckAll:
          for (unsigned i = 0; i < 40; ++i)
            if (auto* row = dynamic_cast<MenuItem*>(m_panel->GetControl(kFirstRow + i))) {
              row->SetCheck(true);
              row->UpdateControl(1, 0);
            }
          return 0;
        case kMenuQuit:
          Native::PostQuitMessage(0);
          return 0;
        default:
          return 0;
      }
    }
    return MDialog::OnWindowMessage(msg, wParam, lParam);
  }
  void OnDestroy() override { Native::PostQuitMessage(0); }

 private:
  MPanel* m_panel = nullptr;
  std::unique_ptr<MenuWnd> m_menu;
};

}  // namespace

int main(int argc, char** argv) {
  int exitAfter = 0, x = 100, y = 100;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--exit-after") && i + 1 < argc) exitAfter = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--x") && i + 1 < argc) x = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--y") && i + 1 < argc) y = std::atoi(argv[++i]);
  }
  if (!Native::Initialize()) {
    std::fprintf(stderr, "lumet-widgets: no display\n");
    return 2;
  }
  DemoDialog dialog;
  if (!dialog.Create(nullptr, "Lumet Widgets", 0x96000000, 0, CRect(x, y, x + 320, y + 370))) return 1;
  if (exitAfter > 0)
    Native::SetTimer(nullptr, 0, static_cast<UINT>(exitAfter), [](HWND, UINT, uintptr_t, DWORD) {
      Native::PostQuitMessage(3);
    });
  const int code = Manager::MessageLoop();
  Native::Shutdown();
  return code;
}
