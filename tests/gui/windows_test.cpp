// Windows, messages, modal loops and destruction on the headless backend.
#include <atomic>
#include <thread>

#include "GuiFixture.h"

namespace guitest {
namespace {

TEST_F(GuiTest, CreationAndDestructionSendMessagesInOrder) {
  HWND main = Make("Main", CRect(100, 50, 1400, 838));
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(Messages(main, {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_NCACTIVATE, WM_ACTIVATE,
                            WM_SETFOCUS}),
            (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_NCACTIVATE, WM_ACTIVATE,
                               WM_SETFOCUS}));
  auto size = Of(main, WM_SIZE);
  ASSERT_EQ(size.size(), 1u);
  EXPECT_EQ(size[0].lParam, MAKELPARAM(1300, 788));
  EXPECT_EQ(Native::GetActiveWindow(), main);
  CRect r;
  ASSERT_TRUE(Native::GetClientRect(main, &r));
  EXPECT_EQ(r, CRect(0, 0, 1300, 788));
  CPoint pt(10, 20);
  Native::ClientToScreen(main, &pt);
  EXPECT_EQ(pt, CPoint(110, 70));

  HWND dlg = Make("Dialog", CRect(0, 0, 430, 230), main, WS_EX_TOOLWINDOW);
  Log().clear();
  ASSERT_TRUE(Native::DestroyWindow(main));
  // Owned windows go first; WM_NCDESTROY is each window's last message.
  std::vector<std::pair<HWND, UINT>> order;
  for (const Logged& l : Log())
    if (l.message == WM_DESTROY || l.message == WM_NCDESTROY) order.push_back({l.hwnd, l.message});
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{
                       {dlg, WM_DESTROY}, {dlg, WM_NCDESTROY}, {main, WM_DESTROY}, {main, WM_NCDESTROY}}));
  EXPECT_FALSE(Native::IsWindow(main));
  EXPECT_FALSE(Native::IsWindow(dlg));
  EXPECT_FALSE(Native::PostMessage(main, WM_USER));
}

TEST_F(GuiTest, CreationFailsForUnknownClassOrRefusingProcedure) {
  EXPECT_EQ(Make("x", CRect(0, 0, 10, 10), nullptr, 0, nullptr, "NoSuchClass"), nullptr);
  HWND refused = Make("y", CRect(0, 0, 10, 10), nullptr, 0, [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_CREATE) return false;
    *r = -1;
    return true;
  });
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(Native::FindWindow("", "y"), nullptr);
}

TEST_F(GuiTest, FindWindowByClassAndTitle) {
  HWND a = Make("Menu Window", CRect(0, 0, 10, 10));
  HWND b = Make("AirBladder Window", CRect(0, 0, 10, 10), nullptr, 0, nullptr, "NoDbl");
  EXPECT_EQ(Native::FindWindow("MWindow", "Menu Window"), a);
  EXPECT_EQ(Native::FindWindow("", "AirBladder Window"), b);
  EXPECT_EQ(Native::FindWindow("MWindow", "AirBladder Window"), nullptr);
  EXPECT_EQ(Native::FindWindow("NoDbl", ""), b);
  Native::SetWindowText(a, "Renamed");
  EXPECT_EQ(Native::FindWindow("", "Menu Window"), nullptr);
  EXPECT_EQ(Native::GetWindowText(a), "Renamed");
  int count = 0;
  Native::EnumWindows([&](HWND) { return ++count < 100; });
  EXPECT_EQ(count, 2);
}

TEST_F(GuiTest, ShowCommandsTrackStateAndSizeTypes) {
  HWND w = Make("W", CRect(10, 10, 310, 210));
  Log().clear();
  Native::ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(Native::IsIconic(w));
  EXPECT_NE(Native::GetActiveWindow(), w);
  Native::ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(Native::IsIconic(w));
  Native::ShowWindow(w, SW_MAXIMIZE);
  EXPECT_TRUE(Native::IsZoomed(w));
  CRect r;
  Native::GetWindowRect(w, &r);
  EXPECT_EQ(r, Native::GetWorkArea());
  Native::ShowWindow(w, SW_SHOWNORMAL);
  Native::GetWindowRect(w, &r);
  EXPECT_EQ(r, CRect(10, 10, 310, 210));
  std::vector<WPARAM> types;
  for (const Logged& l : Of(w, WM_SIZE)) types.push_back(l.wParam);
  EXPECT_EQ(types, (std::vector<WPARAM>{SIZE_MINIMIZED, SIZE_RESTORED, SIZE_MAXIMIZED, SIZE_RESTORED}));
  EXPECT_TRUE(Native::ShowWindow(w, SW_HIDE));
  EXPECT_FALSE(Native::IsWindowVisible(w));
  EXPECT_FALSE(Native::ShowWindow(w, SW_SHOWNA));
  EXPECT_TRUE(Native::IsWindowVisible(w));
}

TEST_F(GuiTest, PostedMessagesKeepOrderAndTasksRunInLine) {
  HWND w = Make("W", CRect(0, 0, 50, 50));
  Log().clear();
  std::vector<int> seen;
  Hooks()[w] = [&](HWND, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m >= WM_USER) seen.push_back(static_cast<int>(wp));
    return false;
  };
  Native::PostMessage(w, WM_USER + 1, 1);
  Native::PostTask([&] { seen.push_back(2); });
  Native::PostMessage(w, WM_USER + 1, 3);
  Native::PostTask([&] { seen.push_back(99); }, Make("Gone", CRect(0, 0, 5, 5)));
  Native::DestroyWindow(Native::FindWindow("", "Gone"));  // its task is dropped
  Native::PostQuitMessage(7);
  MSG msg;
  int code = Native::RunMessageLoop();
  (void)msg;
  EXPECT_EQ(code, 7);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST_F(GuiTest, SendMessageFromAnotherThreadIsRefused) {
  HWND w = Make("W", CRect(0, 0, 50, 50));
  Log().clear();
  LRESULT r = 1;
  std::thread t([&] { r = Native::SendMessage(w, WM_USER, 0, 0); });
  t.join();
  EXPECT_EQ(r, 0);
  EXPECT_TRUE(Of(w, WM_USER).empty());
}

TEST(GuiThreads, PostsFromWorkersArriveInOrderAndWakeTheLoop) {
  ASSERT_TRUE(Native::Initialize(Native::Backend::Headless));
  Native::RegisterClass("MWindow", 0, &LoggingProc);
  Hooks().clear();
  Log().clear();
  HWND w = Native::CreateWindowEx(0, "MWindow", "W", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
  constexpr int kEach = 2000;
  std::vector<int> fromA, fromB;
  Hooks()[w] = [&](HWND, UINT m, WPARAM wp, LPARAM lp, LRESULT*) {
    if (m == WM_USER + 10) (lp == 0 ? fromA : fromB).push_back(static_cast<int>(wp));
    return false;
  };
  std::atomic<int> done{0};
  auto worker = [&](LPARAM which) {
    for (int i = 0; i < kEach; ++i) Native::PostMessage(w, WM_USER + 10, i, which);
    if (++done == 2) Native::PostTask([] { Native::PostQuitMessage(3); });
  };
  std::thread a(worker, 0), b(worker, 1);
  // The loop blocks with nothing queued; only the workers' posts can wake it.
  int code = Native::RunMessageLoop();
  a.join();
  b.join();
  EXPECT_EQ(code, 3);
  ASSERT_EQ(fromA.size(), static_cast<size_t>(kEach));
  ASSERT_EQ(fromB.size(), static_cast<size_t>(kEach));
  for (int i = 0; i < kEach; ++i) {
    ASSERT_EQ(fromA[i], i);
    ASSERT_EQ(fromB[i], i);
  }
  Native::Shutdown();
  EXPECT_FALSE(Native::PostMessage(nullptr, WM_USER));
  Hooks().clear();
}

// The dialog's close-code protocol: 1090 asks the window to post WM_CLOSE with the code.
constexpr UINT kUserClose = WM_USER + 66;
bool DialogHook(HWND h, UINT m, WPARAM w, LPARAM l, LRESULT* r) {
  if (m == kUserClose) {
    Native::PostMessage(h, WM_CLOSE, w, l);
    *r = 1;
    return true;
  }
  return false;
}

TEST_F(GuiTest, ModalLoopResultsForEveryClosePath) {
  HWND main = Make("Main", CRect(0, 0, 1300, 788));
  struct Case {
    const char* name;
    std::function<void(HWND)> close;
    UINT expected;
  };
  const Case cases[] = {
      {"DoOK", [](HWND d) { Native::PostMessage(d, kUserClose, 1, 0); }, 1},
      {"DoCancel", [](HWND d) { Native::PostMessage(d, kUserClose, 2, 0); }, 2},
      {"DoYes", [](HWND d) { Native::PostMessage(d, kUserClose, 6, 0); }, 6},
      {"DoNo", [](HWND d) { Native::PostMessage(d, kUserClose, 7, 0); }, 7},
      {"posted close", [](HWND d) { Native::PostMessage(d, WM_CLOSE, 2, 0); }, 2},
      {"window manager close", [](HWND d) { Headless::RequestClose(d); }, 0},
      {"destroyed", [](HWND d) { Native::DestroyWindow(d); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND dlg = Make("Dlg", CRect(0, 0, 430, 230), main, 0, &DialogHook, "MWindow", WS_POPUP);
    bool ownerDisabledInside = false;
    Native::PostTask([&] {
      ownerDisabledInside = !Native::IsWindowEnabled(main);
      c.close(dlg);
    });
    UINT result = Native::RunModalLoop(dlg, SW_SHOWNORMAL);
    EXPECT_EQ(result, c.expected);
    EXPECT_TRUE(ownerDisabledInside);
    EXPECT_TRUE(Native::IsWindowEnabled(main));
    EXPECT_EQ(Native::GetFocus(), main);
    EXPECT_FALSE(Native::IsWindow(dlg));
  }
  EXPECT_EQ(Native::RunModalLoop(nullptr, SW_SHOW), static_cast<UINT>(-1));
}

TEST_F(GuiTest, QuitEndsNestedModalLoopsAndIsPostedAgain) {
  HWND main = Make("Main", CRect(0, 0, 800, 600));
  HWND outer = Make("Outer", CRect(0, 0, 400, 300), main, 0, &DialogHook, "MWindow", WS_POPUP);
  HWND inner = Make("Inner", CRect(0, 0, 200, 100), main, 0, &DialogHook, "MWindow", WS_POPUP);
  UINT innerResult = 99, outerResult = 99;
  bool mainDisabledAfterInner = false;
  Native::PostTask([&] {
    // Two modal windows over the same owner: the first one ending must not enable it.
    Native::PostMessage(inner, kUserClose, 6, 0);
    innerResult = Native::RunModalLoop(inner, SW_SHOW);
    mainDisabledAfterInner = !Native::IsWindowEnabled(main);
    Native::PostQuitMessage(42);
  });
  outerResult = Native::RunModalLoop(outer, SW_SHOW);
  EXPECT_EQ(innerResult, 6u);
  EXPECT_TRUE(mainDisabledAfterInner);
  EXPECT_EQ(outerResult, 0u);  // ended by the quit message
  EXPECT_TRUE(Native::IsWindow(outer));
  EXPECT_TRUE(Native::IsWindowEnabled(main));
  MSG msg;
  EXPECT_FALSE(Native::GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 42u);
}

TEST_F(GuiTest, DisabledOwnerIgnoresInputAndCloseAndRaisesItsModal) {
  HWND main = Make("Main", CRect(0, 0, 800, 600));
  HWND dlg = Make("Dlg", CRect(500, 400, 700, 500), main);
  Native::BeginModalOver(main);
  Native::SetFocus(main);  // refused: disabled
  EXPECT_EQ(Native::GetFocus(), dlg);
  Native::SetFocus(nullptr);
  Log().clear();
  Headless::Click(Headless::Button::Left, CPoint(50, 50));
  Headless::RequestClose(main);
  Headless::KeyPress(4);
  Headless::Pump();
  EXPECT_TRUE(Of(main, WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(Of(main, WM_CLOSE).empty());
  EXPECT_TRUE(Native::IsWindow(main));
  EXPECT_EQ(Native::GetActiveWindow(), dlg);  // the press brought the modal dialog forward
  EXPECT_EQ(Native::WindowFromPoint(CPoint(600, 450)), dlg);
  Native::EndModalOver(main);
  EXPECT_TRUE(Native::IsWindowEnabled(main));
}

TEST_F(GuiTest, DestroyInsideOwnHandlerWaitsForTheHandler) {
  std::vector<std::string> trace;
  HWND popup = Make("ComboWnd", CRect(0, 0, 100, 100), nullptr, 0, [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_LBUTTONDOWN) {
      Native::DestroyWindow(h);
      trace.push_back(Native::IsWindow(h) ? "alive" : "gone");
      trace.push_back("handler end");
    }
    if (m == WM_NCDESTROY) trace.push_back("ncdestroy");
    return false;
  });
  Headless::Click(Headless::Button::Left, CPoint(10, 10));
  Headless::Pump();
  EXPECT_EQ(trace, (std::vector<std::string>{"gone", "handler end", "ncdestroy"}));
  EXPECT_FALSE(Native::IsWindow(popup));
  EXPECT_TRUE(Of(popup, WM_LBUTTONUP).empty());
}

TEST_F(GuiTest, PaintRequestsMergeIntoOneRectangle) {
  HWND w = Make("W", CRect(0, 0, 200, 100));
  Headless::Pump();  // the first paint
  Log().clear();
  CRect a(10, 10, 20, 20), b(50, 40, 60, 90);
  Native::InvalidateRect(w, &a, false);
  Native::InvalidateRect(w, &b, false);
  CRect seen;
  Hooks()[w] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    Native::BeginPaint(h, &ps);
    seen = ps.rcPaint;
    Native::EndPaint(h, &ps);
    return true;
  };
  Headless::Pump();
  EXPECT_EQ(Of(w, WM_PAINT).size(), 1u);
  EXPECT_EQ(seen, CRect(10, 10, 60, 90));
  // A handler that never takes the update area gets no endless repaint.
  Hooks()[w] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT*) { return m == WM_PAINT; };
  Native::InvalidateRect(w, nullptr, false);
  Log().clear();
  EXPECT_EQ(Headless::Pump(), 1);
}

TEST_F(GuiTest, PresentedFramesKeepPixelsAndLayeredRules) {
  HWND w = Make("W", CRect(0, 0, 40, 20));
  Surface s(40, 20);
  s.Fill(CRect(0, 0, 40, 20), 0x80FF0000);  // half-transparent red
  s.Fill(CRect(0, 0, 10, 10), 0xFFF1F1F1);  // 15856113 as a colour key
  ASSERT_TRUE(Native::PresentSurface(w, s, CRect(0, 0, 40, 20)));
  Surface f = Headless::Frame(w);
  // An opaque window shows the colour bytes as they are (red at half strength).
  EXPECT_EQ(f.GetPixel(20, 10), 0xFF800000u);
  EXPECT_EQ(Headless::FrameCount(w), 1);

  Native::ModifyStyleEx(w, 0, WS_EX_LAYERED);
  ASSERT_TRUE(Native::UpdateLayeredWindow(w, s));
  f = Headless::Frame(w);
  EXPECT_EQ(f.GetPixel(20, 10) >> 24, 0x80u);  // per-pixel alpha kept
  Native::SetLayeredWindowAttributes(w, RGB(0xF1, 0xF1, 0xF1), 255, LWA_COLORKEY);
  Native::PresentSurface(w, s, CRect(0, 0, 40, 20));
  f = Headless::Frame(w);
  EXPECT_EQ(f.GetPixel(5, 5), 0u);  // the colour key is transparent
  Native::SetLayeredWindowAttributes(w, 0, 128, LWA_ALPHA);
  Native::SetWindowRoundRegion(w, 3);
  s.Fill(CRect(0, 0, 40, 20), 0xFF00FF00);
  Native::PresentSurface(w, s, CRect(0, 0, 40, 20));
  f = Headless::Frame(w);
  EXPECT_EQ(f.GetPixel(20, 10) >> 24, 128u);
  EXPECT_EQ(f.GetPixel(0, 0), 0u);   // outside the rounded corner
  EXPECT_NE(f.GetPixel(3, 0), 0u);   // the edge beyond the corner
  EXPECT_EQ(Headless::FrameHistory(w).size(), 4u);
}

}  // namespace
}  // namespace guitest
