// Modal results, nested modal owners, the menu and the balloon tip.
#include "tests/widgets/WidgetFixture.h"
#include "widgets/core/MAirBladder.h"
#include "widgets/core/Manager.h"
#include "widgets/core/MenuWnd.h"

namespace wtest {
namespace {

using DialogTest = WidgetTest;

TEST_F(DialogTest, ModalResultIsTheCloseCode) {
  const struct {
    const char* name;
    void (*close)(MDialog&);
    UINT result;
  } cases[] = {
      {"DoOK", [](MDialog& d) { d.DoOK(); }, 1},
      {"DoCancel", [](MDialog& d) { d.DoCancel(); }, 2},
      {"DoClose", [](MDialog& d) { d.DoClose(); }, 2},
      {"DoYes", [](MDialog& d) { d.DoYes(); }, 6},
      {"DoNo", [](MDialog& d) { d.DoNo(); }, 7},
      {"system close", [](MDialog& d) { Headless::RequestClose(d.GetSafeHwnd()); }, 0},
  };
  TestDialog& owner = MakeDialog();
  for (const auto& c : cases) {
    TestDialog child;
    ASSERT_TRUE(child.Create(owner.GetSafeHwnd(), "Child", WS_POPUP, 0, CRect(150, 150, 350, 250)));
    // The request comes from inside the loop, as a control handler would make it.
    Native::PostTask([&] { c.close(child); });
    EXPECT_EQ(child.ShowModal(), c.result) << c.name;
    EXPECT_FALSE(Native::IsWindow(child.GetSafeHwnd())) << c.name;
    EXPECT_TRUE(Native::IsWindowEnabled(owner.GetSafeHwnd())) << c.name;
  }
  TestDialog never;
  EXPECT_EQ(never.ShowModal(), static_cast<UINT>(-1)) << "no window";
}

TEST_F(DialogTest, QuitEndsTheModalLoopAndIsPostedAgain) {
  TestDialog& owner = MakeDialog();
  TestDialog child;
  child.Create(owner.GetSafeHwnd(), "Child", WS_POPUP, 0, CRect(150, 150, 350, 250));
  Native::PostTask([] { Native::PostQuitMessage(5); });
  EXPECT_EQ(child.ShowModal(), 0u);
  MSG msg;
  EXPECT_FALSE(Native::GetMessage(&msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(DialogTest, OwnerStaysDisabledUntilTheLastModalOverItCloses) {
  TestDialog& owner = MakeDialog();
  HWND o = owner.GetSafeHwnd();
  TestDialog first, second;
  first.Create(o, "First", WS_POPUP, 0, CRect(150, 150, 350, 250));
  second.Create(o, "Second", WS_POPUP, 0, CRect(160, 160, 360, 260));
  bool disabledAfterInnerClose = false;
  Native::PostTask([&] {
    EXPECT_FALSE(Native::IsWindowEnabled(o));
    Native::PostTask([&] {
      second.DoOK();
      Native::PostTask([&] {
        disabledAfterInnerClose = !Native::IsWindowEnabled(o);
        first.DoCancel();
      });
    });
    EXPECT_EQ(second.ShowModal(), 1u);
  });
  EXPECT_EQ(first.ShowModal(), 2u);
  EXPECT_TRUE(disabledAfterInnerClose) << "closing the inner dialog must not free the owner";
  EXPECT_TRUE(Native::IsWindowEnabled(o));
}

TEST_F(DialogTest, InitUiBuildsControlsThroughTheFactoryAndUiSizeFollowsResizes) {
  struct Built : TestDialog {
    void InitUI(CRect client) override {
      initClient = client;
      page = CreateControl("MTabLayout", 7, CRect(0, 0, 50, 50));
      missing = CreateControl("NoSuchControl", 8, CRect(0, 0, 50, 50));
    }
    void UISize(CRect client) override { sized = client; }
    CRect initClient, sized;
    MControl* page = nullptr;
    MControl* missing = nullptr;
  } d;
  d.Create(nullptr, "Built", WS_POPUP | WS_VISIBLE, 0, CRect(10, 10, 210, 110));
  EXPECT_EQ(d.initClient, CRect(0, 0, 200, 100));
  ASSERT_NE(d.page, nullptr);
  EXPECT_EQ(d.missing, nullptr);
  EXPECT_EQ(d.GetControls().size(), 1u);
  EXPECT_EQ(d.GetControl(7), d.page);
  EXPECT_EQ(d.page->GetManager(), &d.GetPaintManager());
  d.MoveWindow(10, 10, 300, 150);
  EXPECT_EQ(d.sized, CRect(0, 0, 300, 150));
}

TEST_F(DialogTest, MenuClickPostsTheCommandAndClosesAnOutsidePressOnlyCloses) {
  TestDialog& owner = MakeDialog(400, 300);
  constexpr UINT kNotify = WM_USER + 709;
  std::vector<MSG> posted;
  auto pumpOwner = [&] {
    MSG msg;
    while (Native::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == kNotify) posted.push_back(msg);
      Native::DispatchMessage(&msg);
    }
  };

  auto menu = std::make_unique<MenuWnd>(&owner);
  ASSERT_EQ(menu->Create(owner.GetSafeHwnd(), CPoint(200, 200), kNotify, 150), 1);
  menu->AddMenu("Copy", 41);
  menu->AddSeparator(42);
  menu->AddMenu("Paste", 43);
  HWND m = menu->GetSafeHwnd();
  EXPECT_EQ(Native::GetWindowText(m), "Menu Window");
  // Layout: margin 6, items 25 high, a separator takes 4, margin 6 below.
  CRect wr;
  Native::GetWindowRect(m, &wr);
  EXPECT_EQ(wr, CRect(200, 200, 350, 200 + 6 + 25 + 4 + 25 + 6));
  EXPECT_EQ(menu->GetControl(43)->GetRect(), CRect(2, 35, 148, 60));

  Headless::MouseMove(CPoint(250, 240));  // over "Paste"
  Headless::Click(Headless::Button::Left, CPoint(250, 240));
  pumpOwner();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].hwnd, owner.GetSafeHwnd());
  EXPECT_EQ(posted[0].wParam, 0u);
  EXPECT_EQ(posted[0].lParam, 43);
  EXPECT_FALSE(Native::IsWindow(m)) << "a click closes the menu";

  posted.clear();
  auto second = std::make_unique<MenuWnd>(&owner);
  second->Create(owner.GetSafeHwnd(), CPoint(200, 200), kNotify, 150);
  second->AddMenu("Copy", 41);
  HWND m2 = second->GetSafeHwnd();
  pumpOwner();
  Headless::Click(Headless::Button::Left, CPoint(110, 110));  // on the owner, outside the menu
  pumpOwner();
  EXPECT_TRUE(posted.empty());
  EXPECT_FALSE(Native::IsWindow(m2)) << "an outside press closes the menu";
}

TEST_F(DialogTest, BalloonPlacementsAndOwnership) {
  // (point, text width, line height, lines, mode) -> window rectangle.
  const struct {
    int mode;
    CRect expected;
  } cases[] = {
      {1, CRect(500, 400, 500 + 60 + 40, 400 + 2 * 18 + 20)},
      {2, CRect(500 - 60 - 40, 400 - 27, 500, 400 - 27 + 2 * 18 + 20)},
      {3, CRect(500 - 25, 400, 500 + 60 + 15, 400 + 2 * 18 + 30)},
      {4, CRect(500 - 45, 400 - 2 * 18 - 20, 500 + 45, 400)},
      {9, CRect(0, 0, 100, 2 * 18 + 20)},
  };
  for (const auto& c : cases) EXPECT_EQ(MAirBladder::FitRect(CPoint(500, 400), 60, 18, 2, c.mode), c.expected) << c.mode;
  // Placement 5 with a single line would end above its own top; it keeps a positive height.
  const CRect five = MAirBladder::FitRect(CPoint(500, 400), 60, 18, 1, 5);
  EXPECT_GT(five.Height(), 0);

  TestDialog& d = MakeDialog();
  EXPECT_EQ(d.SetAirBladderMsg("tip", CPoint(0, 300), 5), 0) << "a zero coordinate is refused";
  PaintManager& pm = d.GetPaintManager();
  pm.SetAirBladderMsg("Hello", CPoint(300, 300), 5, 1, 77);
  pm.ShowAirBladder(1);
  MAirBladder* b = pm.GetAirBladder();
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->IsShown());
  EXPECT_EQ(Native::GetWindowText(b->GetSafeHwnd()), "AirBladder Window");
  pm.ShowAirBladder(0, 12);
  EXPECT_TRUE(b->IsShown()) << "only the control that asked last may hide it";
  pm.ShowAirBladder(0, 77);
  EXPECT_FALSE(b->IsShown());

  pm.SetAirBladderMsg("Timed", CPoint(300, 300), 5, 1, 77);
  pm.ShowAirBladder(1);
  Headless::AdvanceClock(5100);
  Headless::Pump();
  EXPECT_FALSE(b->IsShown()) << "it hides itself after five seconds";
}

}  // namespace
}  // namespace wtest

namespace wtest {
namespace {

TEST_F(DialogTest, MessageLoopDropsMessagesWhileAltF4IsHeld) {
  TestDialog& d = MakeDialog();
  Probe* p = Add<Probe>(d, 1u, CRect(10, 10, 60, 40));
  constexpr int kScanLAlt = 226, kScanF4 = 61;
  int moves = -1;  // read before the close destroys the dialog and its controls
  Native::PostTask([&] {
    Headless::KeyDown(kScanLAlt);
    Headless::KeyDown(kScanF4);
    Native::PostTask([&] {
      Headless::MouseMove(Screen(CPoint(20, 20)));  // dropped: Alt and F4 are down
      Native::PostTask([&] {
        Headless::KeyUp(kScanF4);
        Headless::KeyUp(kScanLAlt);
        Native::PostTask([&] {
          moves = p->moves;
          Headless::RequestClose(d.GetSafeHwnd());  // a close that is not dropped
          Native::PostQuitMessage(3);
        });
      });
    });
  });
  EXPECT_EQ(Manager::MessageLoop(), 3);
  EXPECT_EQ(moves, 0);
  EXPECT_FALSE(Native::IsWindow(d.GetSafeHwnd()));
}

}  // namespace
}  // namespace wtest
