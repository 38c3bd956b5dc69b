// Pointer, keyboard, activation, capture and timers through injected input.
#include "base/Keyboard.h"
#include "GuiFixture.h"
#include "platform/gui/detail/KeyMap.h"

namespace guitest {
namespace {

using Headless::Button;

TEST_F(GuiTest, DoubleClicksNeedTimeDistanceWindowAndClassStyle) {
  HWND w = Make("W", CRect(0, 0, 200, 200));
  HWND plain = Make("P", CRect(300, 0, 500, 200), nullptr, 0, nullptr, "NoDbl");
  struct Case {
    const char* name;
    HWND window;
    CPoint second;
    uint64_t gap;
    UINT expected;
  };
  const Case cases[] = {
      {"quick, same place", w, {12, 10}, 100, WM_LBUTTONDBLCLK},
      {"at the time limit", w, {10, 10}, 500, WM_LBUTTONDBLCLK},
      {"too slow", w, {10, 10}, 501, WM_LBUTTONDOWN},
      {"moved away", w, {13, 10}, 100, WM_LBUTTONDOWN},
      {"class without double clicks", plain, {310, 10}, 100, WM_LBUTTONDOWN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CRect r;
    Native::GetWindowRect(c.window, &r);
    CPoint first(r.left + 10, 10);
    Headless::AdvanceClock(5000);
    Headless::Click(Button::Left, first);
    Headless::Pump();
    Headless::AdvanceClock(c.gap);
    Log().clear();
    Headless::Click(Button::Left, c.second);
    Headless::Pump();
    auto downs = Messages(c.window, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], c.expected);
  }
  // The right button, and a third press after a double click is a plain press.
  Headless::AdvanceClock(5000);
  Log().clear();
  for (int i = 0; i < 3; ++i) Headless::Click(Button::Right, CPoint(50, 50));
  Headless::Pump();
  EXPECT_EQ(Messages(w, {WM_RBUTTONDOWN, WM_RBUTTONDBLCLK}),
            (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_RBUTTONDOWN}));
}

TEST_F(GuiTest, WheelDeltaIsNotchesTimes120WithTheScreenPoint) {
  HWND w = Make("W", CRect(100, 100, 300, 300));
  Log().clear();
  Headless::Wheel(-2, CPoint(150, 160));
  Headless::Wheel(1, CPoint(150, 160));
  Headless::Pump();
  auto wheel = Of(w, WM_MOUSEWHEEL);
  ASSERT_EQ(wheel.size(), 2u);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), -240);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[1].wParam), 120);
  EXPECT_EQ(PointFromLParam(wheel[0].lParam), CPoint(150, 160));  // screen, not client
}

TEST_F(GuiTest, CaptureKeepsThePointerUntilRelease) {
  HWND a = Make("A", CRect(0, 0, 100, 100));
  HWND b = Make("B", CRect(200, 0, 300, 100));
  Headless::MouseMove(CPoint(50, 50));
  Headless::Pump();
  Native::TrackMouseEvent(a, TME_LEAVE);
  Native::SetCapture(a);
  Log().clear();
  Headless::MouseMove(CPoint(250, 20));  // over b, but a holds the pointer
  Headless::MouseUp(Button::Left, CPoint(250, 20));
  Headless::Pump();
  auto moves = Of(a, WM_MOUSEMOVE);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(PointFromLParam(moves.back().lParam), CPoint(250, 20));
  EXPECT_EQ(Of(a, WM_LBUTTONUP).size(), 1u);
  EXPECT_TRUE(Of(b, WM_MOUSEMOVE).empty());
  EXPECT_TRUE(Of(a, WM_MOUSELEAVE).empty());
  Native::ReleaseCapture();
  Headless::Pump();
  EXPECT_EQ(Of(a, WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(Of(a, WM_MOUSELEAVE).size(), 1u);  // the pointer had left meanwhile
  Headless::MouseMove(CPoint(260, 20));
  Headless::Pump();
  EXPECT_FALSE(Of(b, WM_MOUSEMOVE).empty());
}

TEST_F(GuiTest, LeaveAndHoverTracking) {
  HWND a = Make("A", CRect(0, 0, 100, 100));
  HWND b = Make("B", CRect(100, 0, 200, 100));
  Headless::MouseMove(CPoint(50, 50));
  Native::TrackMouseEvent(a, TME_LEAVE | TME_HOVER);
  Log().clear();
  Headless::AdvanceClock(399);
  Headless::Pump();
  EXPECT_TRUE(Of(a, WM_MOUSEHOVER).empty());
  Headless::MouseMove(CPoint(52, 51));  // small moves keep the hover running
  Headless::AdvanceClock(1);
  Headless::Pump();
  auto hover = Of(a, WM_MOUSEHOVER);
  ASSERT_EQ(hover.size(), 1u);
  EXPECT_EQ(PointFromLParam(hover[0].lParam), CPoint(52, 51));
  Headless::AdvanceClock(1000);
  Headless::Pump();
  EXPECT_EQ(Of(a, WM_MOUSEHOVER).size(), 1u);  // one-shot
  Headless::MouseMove(CPoint(150, 50));
  Headless::Pump();
  EXPECT_EQ(Of(a, WM_MOUSELEAVE).size(), 1u);
  // Leaving our windows altogether.
  Native::TrackMouseEvent(b, TME_LEAVE);
  Headless::MouseLeaveAll();
  Headless::Pump();
  EXPECT_EQ(Of(b, WM_MOUSELEAVE).size(), 1u);
}

TEST_F(GuiTest, PopupLosesActivationOnEveryOutsideEvent) {
  HWND main = Make("Main", CRect(0, 0, 800, 600));
  struct Case {
    const char* name;
    std::function<void(HWND popup)> act;
  };
  const Case cases[] = {
      {"press on the owner", [](HWND) { Headless::Click(Button::Left, CPoint(10, 10)); }},
      {"owner loses the focus", [](HWND) { Headless::SystemFocusLost(); }},
      {"owner moved", [&](HWND) { Headless::SystemMove(main, CPoint(40, 40)); }},
      {"owner minimised", [&](HWND) { Native::ShowWindow(main, SW_MINIMIZE); }},
      {"Esc", [](HWND) { Headless::KeyPress(41); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Native::ShowWindow(main, SW_RESTORE);
    Native::SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Native::SetFocus(main);
    HWND popup = Make("ComboWnd", CRect(100, 100, 300, 300), main, WS_EX_TOOLWINDOW | WS_EX_LUMET_POPUP);
    ASSERT_EQ(Native::GetActiveWindow(), popup);
    // The pop-up gets the keys although the window system never focused it.
    Log().clear();
    Headless::KeyPress(4);
    Headless::Pump();
    EXPECT_EQ(Of(popup, WM_KEYDOWN).size(), 1u);
    // A press inside keeps it active.
    Headless::Click(Button::Left, CPoint(150, 150));
    Headless::Pump();
    EXPECT_EQ(Native::GetActiveWindow(), popup);
    Log().clear();
    c.act(popup);
    Headless::Pump();
    auto nc = Of(popup, WM_NCACTIVATE);
    ASSERT_EQ(nc.size(), 1u);
    EXPECT_EQ(nc[0].wParam, 0u);
    EXPECT_NE(Native::GetActiveWindow(), popup);
    Native::DestroyWindow(popup);
  }
}

TEST_F(GuiTest, SystemFocusOnOwnerKeepsItsActivePopup) {
  HWND main = Make("Main", CRect(0, 0, 800, 600));
  HWND popup = Make("Menu Window", CRect(10, 10, 110, 110), main, WS_EX_TOOLWINDOW | WS_EX_LUMET_POPUP);
  Headless::SystemFocus(main);  // X11 keeps the focus on the owner while a pop-up is open
  EXPECT_EQ(Native::GetActiveWindow(), popup);
  HWND tip = Make("Tip", CRect(500, 500, 520, 520), main, WS_EX_LUMET_POPUP | WS_EX_NOACTIVATE);
  Native::ShowWindow(tip, SW_SHOWNA);
  Headless::Click(Button::Left, CPoint(510, 510));  // a press on a tooltip changes nothing
  EXPECT_EQ(Native::GetActiveWindow(), popup);
}

TEST_F(GuiTest, KeyMessagesCarryVirtualKeyScanCodeAndFlags) {
  HWND w = Make("W", CRect(0, 0, 100, 100));
  Log().clear();
  Headless::KeyDown(229);  // right shift
  Headless::KeyPress(88);  // keypad Enter
  Headless::KeyUp(229);
  Headless::KeyDown(226);  // left Alt
  Headless::KeyPress(61);  // F4
  Headless::KeyUp(226);
  Headless::Pump();
  std::vector<std::tuple<UINT, WPARAM, int, bool>> got;
  for (const Logged& l : Log()) {
    if (l.hwnd != w || l.message < WM_KEYDOWN || l.message > WM_SYSKEYUP) continue;
    got.emplace_back(l.message, l.wParam, static_cast<int>((l.lParam >> 16) & 0xFF), ((l.lParam >> 24) & 1) != 0);
  }
  using T = std::tuple<UINT, WPARAM, int, bool>;
  EXPECT_EQ(got, (std::vector<T>{T{WM_KEYDOWN, VK_SHIFT, 0x36, false}, T{WM_KEYDOWN, VK_RETURN, 0x1C, true},
                                 T{WM_KEYUP, VK_RETURN, 0x1C, true}, T{WM_KEYUP, VK_SHIFT, 0x36, false},
                                 T{WM_SYSKEYDOWN, VK_MENU, 0x38, false}, T{WM_SYSKEYDOWN, VK_F4, 0x3E, false},
                                 T{WM_SYSKEYUP, VK_F4, 0x3E, false}, T{WM_SYSKEYUP, VK_MENU, 0x38, false}}));
  Headless::KeyDown(228);  // right Ctrl
  EXPECT_TRUE(Native::GetKeyState(VK_CONTROL) & 0x8000);
  EXPECT_TRUE(Native::GetKeyState(VK_RCONTROL) & 0x8000);
  EXPECT_FALSE(Native::GetKeyState(VK_LCONTROL) & 0x8000);
  Headless::KeyUp(228);
  EXPECT_FALSE(Native::GetKeyState(VK_CONTROL) & 0x8000);
}

TEST_F(GuiTest, RawKeyboardRecordsReachOnlyTheRegisteredActiveWindow) {
  HWND w = Make("W", CRect(0, 0, 100, 100));
  Headless::KeyPress(4);  // not registered yet: no record
  Headless::Pump();
  EXPECT_TRUE(Of(w, WM_INPUT).empty());
  Native::RegisterRawKeyboard(w, true);
  Log().clear();
  Headless::KeyDown(228);  // right Ctrl
  Headless::KeyUp(228);
  Headless::KeyPress(83);  // Num Lock off
  Headless::KeyPress(95);  // keypad 7 without Num Lock: Home without the E0 prefix
  Headless::KeyPress(74);  // Home of the navigation block
  Headless::KeyPress(83);  // Num Lock on again
  Headless::Pump();
  using R = std::tuple<int, int, int, int>;  // make code, flags, virtual key, message
  std::vector<R> got;
  UINT previous = 0;
  for (const Logged& l : Log()) {
    if (l.hwnd != w) continue;
    if (l.message == WM_INPUT) {
      const Native::RawKeyboard r = Native::UnpackRawKeyboard(l.lParam);
      got.emplace_back(r.make_code, r.flags, r.virtual_key, r.message);
    } else if (l.message >= WM_KEYDOWN && l.message <= WM_SYSKEYUP) {
      EXPECT_EQ(previous, static_cast<UINT>(WM_INPUT)) << "each key message follows its record";
    }
    previous = l.message;
  }
  const int E0 = base::kKeyE0, up = base::kKeyBreak;
  EXPECT_EQ(got, (std::vector<R>{R{0x1D, E0, VK_CONTROL, WM_KEYDOWN}, R{0x1D, E0 | up, VK_CONTROL, WM_KEYUP},
                                 R{0x45, 0, VK_NUMLOCK, WM_KEYDOWN}, R{0x45, up, VK_NUMLOCK, WM_KEYUP},
                                 R{0x47, 0, VK_HOME, WM_KEYDOWN}, R{0x47, up, VK_HOME, WM_KEYUP},
                                 R{0x47, E0, VK_HOME, WM_KEYDOWN}, R{0x47, E0 | up, VK_HOME, WM_KEYUP},
                                 R{0x45, 0, VK_NUMLOCK, WM_KEYDOWN}, R{0x45, up, VK_NUMLOCK, WM_KEYUP}}));
  Native::RegisterRawKeyboard(w, false);
  Log().clear();
  Headless::KeyPress(4);
  Headless::Pump();
  EXPECT_TRUE(Of(w, WM_INPUT).empty());
}

TEST_F(GuiTest, TextInputBecomesCharactersOnlyWhileOn) {
  HWND w = Make("W", CRect(0, 0, 100, 100));
  Log().clear();
  Headless::Text("x");
  Native::StartTextInput(w);
  Headless::Text("a\xC3\xA9\xF0\x9F\x98\x80");  // a, é, an emoji
  Native::StopTextInput(w);
  Headless::Text("y");
  Headless::Pump();
  std::vector<WPARAM> chars;
  for (const Logged& l : Of(w, WM_CHAR)) chars.push_back(l.wParam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', 0xE9, 0x1F600}));
}

TEST_F(GuiTest, WindowTimersByVirtualClock) {
  HWND w = Make("W", CRect(0, 0, 100, 100));
  Headless::Pump();
  Log().clear();
  EXPECT_EQ(Native::SetTimer(w, 100, 2000), 100u);
  EXPECT_EQ(Native::SetTimer(w, 6553, 530), 6553u);
  Headless::AdvanceClock(529);
  Headless::Pump();
  EXPECT_TRUE(Of(w, WM_TIMER).empty());
  Headless::AdvanceClock(1);
  Headless::Pump();
  auto t = Of(w, WM_TIMER);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].wParam, 6553u);
  // A long stall gives one message, not a pile.
  Headless::AdvanceClock(10000);
  Headless::Pump();
  EXPECT_EQ(Of(w, WM_TIMER).size(), 3u);  // 6553 once more, 100 once
  // Killed after its message was queued: it never arrives.
  Log().clear();
  Headless::AdvanceClock(2000);
  EXPECT_TRUE(Native::KillTimer(w, 100));
  EXPECT_FALSE(Native::KillTimer(w, 100));
  Headless::Pump();
  for (const Logged& l : Of(w, WM_TIMER)) EXPECT_NE(l.wParam, 100u);
  // Timers of a destroyed window go with it.
  Native::DestroyWindow(w);
  EXPECT_FALSE(Native::KillTimer(w, 6553));
}

TEST_F(GuiTest, ModalLoopWakesForTimersOnTheVirtualClock) {
  HWND dlg = Make("Wait", CRect(0, 0, 300, 130), nullptr, 0, [](HWND h, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m == WM_TIMER && wp == 200) Native::PostMessage(h, WM_CLOSE, 1, 0);
    return false;
  });
  uint64_t start = Native::Now();
  Native::SetTimer(dlg, 200, 2000);
  EXPECT_EQ(Native::RunModalLoop(dlg, SW_SHOW), 1u);
  EXPECT_GE(Native::Now() - start, 2000u);
}

TEST(GuiKeyTable, ScancodesToVirtualKeysMakeCodesAndExtendedFlag) {
  struct Case {
    int scancode;
    bool numLock;
    int vk;
    uint16_t make;
    bool extended;
  };
  const Case cases[] = {
      {4, true, 'A', 0x1E, false},          {39, true, '0', 0x0B, false},
      {40, true, VK_RETURN, 0x1C, false},   {88, true, VK_RETURN, 0x1C, true},
      {225, true, VK_LSHIFT, 0x2A, false},  {229, true, VK_RSHIFT, 0x36, false},
      {224, true, VK_LCONTROL, 0x1D, false}, {228, true, VK_RCONTROL, 0x1D, true},
      {226, true, VK_LMENU, 0x38, false},   {230, true, VK_RMENU, 0x38, true},
      {89, true, VK_NUMPAD0 + 1, 0x4F, false}, {89, false, VK_END, 0x4F, false},
      {98, true, VK_NUMPAD0, 0x52, false},  {98, false, VK_INSERT, 0x52, false},
      {99, false, VK_DELETE, 0x53, false},  {93, false, VK_CLEAR, 0x4C, false},
      {73, true, VK_INSERT, 0x52, true},    {74, false, VK_HOME, 0x47, true},
      {82, true, VK_UP, 0x48, true},        {84, true, VK_DIVIDE, 0x35, true},
      {85, true, VK_MULTIPLY, 0x37, false}, {83, true, VK_NUMLOCK, 0x45, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scancode);
    DUI::detail::KeyCode k;
    ASSERT_TRUE(DUI::detail::TranslateScancode(c.scancode, c.numLock, &k));
    EXPECT_EQ(k.vk, c.vk);
    EXPECT_EQ(k.make, c.make);
    EXPECT_EQ(k.extended, c.extended);
  }
  DUI::detail::KeyCode k;
  EXPECT_FALSE(DUI::detail::TranslateScancode(0, true, &k));
}

TEST_F(GuiTest, CaptionPressMovesTheWindowInsteadOfAPress) {
  HWND w = Make("Main", CRect(100, 100, 500, 400), nullptr, 0, [](HWND, UINT m, WPARAM, LPARAM l, LRESULT* r) {
    if (m != WM_NCHITTEST) return false;
    *r = GET_Y_LPARAM(l) < 130 ? HTCAPTION : HTCLIENT;
    return true;
  });
  Log().clear();
  Headless::MouseDown(Button::Left, CPoint(200, 110));
  Headless::MouseMove(CPoint(260, 150));
  Headless::MouseUp(Button::Left, CPoint(260, 150));
  Headless::Pump();
  CRect r;
  Native::GetWindowRect(w, &r);
  EXPECT_EQ(r, CRect(160, 140, 560, 440));
  EXPECT_TRUE(Of(w, WM_LBUTTONDOWN).empty());
  EXPECT_FALSE(Of(w, WM_MOVE).empty());
  Headless::Click(Button::Left, CPoint(300, 300));
  Headless::Pump();
  EXPECT_EQ(Of(w, WM_LBUTTONDOWN).size(), 1u);
}

}  // namespace
}  // namespace guitest
