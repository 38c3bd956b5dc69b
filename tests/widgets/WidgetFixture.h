#pragma once
// Widget tests run a real dialog on the headless window layer: input is injected at screen
// points and reaches the controls through the window procedure, the paint manager and the
// controls' own routing, exactly as on screen.
#include <cairo.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/gui/Headless.h"
#include "platform/gui/Keys.h"
#include "platform/gui/Native.h"
#include "widgets/core/MControlFont.h"
#include "widgets/core/MDialog.h"
#include "widgets/core/MPanel.h"
#include "widgets/core/MRender.h"

namespace wtest {

using namespace DUI;

struct Note {
  unsigned id, code;
  unsigned long wParam;
  long lParam;
  bool operator==(const Note&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Note& n) {
  return os << "{id " << n.id << ", code " << n.code << ", " << n.wParam << ", " << n.lParam << "}";
}

// A dialog that records every notification its controls raise.
class TestDialog : public MDialog {
 public:
  long OnMessage(unsigned id, unsigned code, unsigned long wParam, long lParam) override {
    notes.push_back({id, code, wParam, lParam});
    return 0;
  }
  int OnControlUpdate(CRect rect, int redraw, MControl* control) override {
    ++updates;
    return MDialog::OnControlUpdate(rect, redraw, control);
  }
  std::vector<Note> notes;
  int updates = 0;
};

// A button-like control: code 1 on a press, 2 on a release inside; it paints a solid colour
// and counts every event and paint.
class Probe : public MControlFont {
 public:
  Probe(MObject* parent, unsigned id, CRect rect, Color color = Color(0xFF204060))
      : MControlFont(parent, id, rect, "", 1, 1, 1), color(color) {}
  using MControl::PositionItem2Value;
  int moves = 0, downs = 0, ups = 0, dblclks = 0, keys = 0, draws = 0, ticks = 0, focusIn = 0, focusOut = 0;
  unsigned lastKey = 0, lastMods = 0;
  CPoint lastMove{-100, -100};
  std::thread::id tickThread;
  Color color;
  // When set, DrawControl writes this raw pixel (premultiplied word) at its top-left corner.
  uint32_t rawPixel = 0;

 protected:
  void DrawControl(HDC& dc, CRect) override {
    ++draws;
    MRender::DrawColor(dc, m_rect, color);
    if (rawPixel) {
      cairo_surface_t* s = cairo_get_target(dc);
      cairo_surface_flush(s);
      auto* row = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s) +
                                              m_rect.top * cairo_image_surface_get_stride(s));
      row[m_rect.left] = rawPixel;
      cairo_surface_mark_dirty(s);
    }
  }
  int OnControlMouseMove(unsigned, CPoint pt) override {
    ++moves;
    lastMove = pt;
    return m_rect.PtInRect(pt) ? 1 : 0;
  }
  int OnControlLButtonDown(unsigned, CPoint) override {
    ++downs;
    SendMessageW(NOTIFY_PRESS, 0, 0);
    return 1;
  }
  int OnControlLButtonUp(unsigned, CPoint pt) override {
    ++ups;
    if (m_rect.PtInRect(pt)) SendMessageW(NOTIFY_CLICK, 0, 0);
    return 1;
  }
  int OnControlLButtonDblClk(unsigned, CPoint) override {
    ++dblclks;
    return 1;
  }
  int OnControlKeyDown(unsigned key, unsigned repeat, unsigned mods) override {
    ++keys;
    lastKey = key;
    lastMods = mods;
    return MControl::OnControlKeyDown(key, repeat, mods);
  }
  int OnControlTimer() override {
    ++ticks;
    tickThread = std::this_thread::get_id();
    return 1;
  }
  int SetControlFocus(int focus) override {
    (focus ? focusIn : focusOut)++;
    return MControl::SetControlFocus(focus);
  }
};

// SDL scancodes of the keys the tests press.
inline constexpr int kScanTab = 43;
inline constexpr int kScanEsc = 41;
inline constexpr int kScanLCtrl = 224;
inline constexpr int kScanLShift = 225;

class WidgetTest : public ::testing::Test {
 protected:
  static constexpr CPoint kOrigin{100, 100};

  void SetUp() override {
    ASSERT_TRUE(Native::Initialize(Native::Backend::Headless));
  }
  void TearDown() override {
    dialogs_.clear();
    Native::Shutdown();
  }

  // A visible dialog of the given client size at kOrigin, its paint pause switched off.
  TestDialog& MakeDialog(int w = 300, int h = 200, HWND owner = nullptr) {
    dialogs_.push_back(std::make_unique<TestDialog>());
    TestDialog& d = *dialogs_.back();
    d.Create(owner, "Test Dialog", WS_POPUP | WS_VISIBLE, 0, CRect(kOrigin.x, kOrigin.y, kOrigin.x + w, kOrigin.y + h));
    d.GetPaintManager().SetPaintPause(0);
    Native::SetFocus(d.GetSafeHwnd());
    return d;
  }

  template <class T, class... A>
  T* Add(TestDialog& d, A&&... args) {
    T* c = new T(&d, std::forward<A>(args)...);
    d.GetPaintManager().AddControl(c);
    c->InitControl(&d.GetPaintManager());
    return c;
  }

  static CPoint Screen(CPoint client) { return CPoint(client.x + kOrigin.x, client.y + kOrigin.y); }

  // Runs the queued messages through the dialog's pre-translation, as its modal loop does.
  static void Pump(MWindow& w) {
    MSG msg;
    for (int n = 0; n < 10000 && Native::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
      if (msg.message == WM_QUIT) {
        Native::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (!w.PreTranslateMessage(&msg)) {
        Native::TranslateMessage(&msg);
        Native::DispatchMessage(&msg);
      }
    }
  }

  void Move(MWindow& w, CPoint client) {
    Headless::MouseMove(Screen(client));
    Pump(w);
  }
  void Down(MWindow& w, CPoint client) {
    Headless::MouseDown(Headless::Button::Left, Screen(client));
    Pump(w);
  }
  void Up(MWindow& w, CPoint client) {
    Headless::MouseUp(Headless::Button::Left, Screen(client));
    Pump(w);
  }
  void Click(MWindow& w, CPoint client) {
    Move(w, client);
    Down(w, client);
    Up(w, client);
  }

  // One pixel of the dialog's last painted surface, as plain ARGB.
  static ARGB Pixel(TestDialog& d, int x, int y) { return d.GetPaintManager().GetSurface().GetPixel(x, y); }

  std::vector<std::unique_ptr<TestDialog>> dialogs_;
};

}  // namespace wtest
