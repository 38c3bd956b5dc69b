// Hover, capture, focus and notifications through injected input on a headless dialog.
#include "tests/widgets/WidgetFixture.h"

namespace wtest {
namespace {

using InputTest = WidgetTest;

TEST_F(InputTest, HoverFollowsThePointerAndPressFocusesAndNotifies) {
  TestDialog& d = MakeDialog();
  Probe* a = Add<Probe>(d, 10u, CRect(10, 10, 60, 40));
  Probe* b = Add<Probe>(d, 11u, CRect(70, 10, 120, 40));
  PaintManager& pm = d.GetPaintManager();

  Move(d, CPoint(20, 20));
  EXPECT_EQ(pm.GetHoverControl(), a);
  Move(d, CPoint(80, 20));
  EXPECT_EQ(pm.GetHoverControl(), b);
  EXPECT_EQ(a->lastMove, CPoint(80, 20)) << "the old hover control sees the pointer leave";
  Move(d, CPoint(200, 150));
  EXPECT_EQ(pm.GetHoverControl(), nullptr);

  Click(d, CPoint(30, 20));
  EXPECT_EQ(pm.GetFocusControl(), a);
  EXPECT_TRUE(a->IsFocused());
  EXPECT_EQ(d.notes, (std::vector<Note>{{10, NOTIFY_PRESS, 0, 0}, {10, NOTIFY_CLICK, 0, 0}}));

  // Pressing another control moves the focus; the old one is told.
  Click(d, CPoint(90, 20));
  EXPECT_EQ(pm.GetFocusControl(), b);
  EXPECT_FALSE(a->IsFocused());
  EXPECT_EQ(a->focusOut, 1);
}

TEST_F(InputTest, PressedControlKeepsTheMouseUntilRelease) {
  TestDialog& d = MakeDialog();
  Probe* a = Add<Probe>(d, 10u, CRect(10, 10, 60, 40));
  Probe* b = Add<Probe>(d, 11u, CRect(70, 10, 120, 40));
  PaintManager& pm = d.GetPaintManager();

  Move(d, CPoint(20, 20));
  Down(d, CPoint(20, 20));
  EXPECT_TRUE(pm.IsCaptured());
  EXPECT_EQ(Native::GetCapture(), d.GetSafeHwnd());

  const int bMoves = b->moves;
  Move(d, CPoint(90, 20));  // over b, and then outside the window
  Move(d, CPoint(400, 300));
  EXPECT_EQ(a->lastMove, CPoint(400, 300)) << "moves outside still reach the pressed control";
  EXPECT_EQ(b->moves, bMoves) << "nothing else sees the drag";
  EXPECT_EQ(pm.GetHoverControl(), a);

  Up(d, CPoint(400, 300));
  EXPECT_FALSE(pm.IsCaptured());
  EXPECT_EQ(a->ups, 1);
  EXPECT_EQ(d.notes, (std::vector<Note>{{10, NOTIFY_PRESS, 0, 0}})) << "a release outside is no click";
  EXPECT_EQ(pm.GetHoverControl(), nullptr);
}

TEST_F(InputTest, ControlWithoutResponseIsDrawnButGetsNoInput) {
  TestDialog& d = MakeDialog();
  Probe* mute = Add<Probe>(d, 12u, CRect(10, 10, 60, 40), Color(0xFFFF0000));
  mute->SetRresponse(0);
  Click(d, CPoint(20, 20));
  Headless::KeyPress(kScanEsc);
  Pump(d);
  EXPECT_EQ(mute->moves + mute->downs + mute->ups + mute->keys, 0);
  EXPECT_TRUE(d.notes.empty());
  d.GetPaintManager().Invalidate();
  Pump(d);
  EXPECT_EQ(Pixel(d, 20, 20), 0xFFFF0000u);
}

TEST_F(InputTest, DoubleClickIsASecondPressUnlessTheControlTellsThemApart) {
  TestDialog& d = MakeDialog();
  Probe* plain = Add<Probe>(d, 20u, CRect(10, 10, 60, 40));
  Probe* dbl = Add<Probe>(d, 21u, CRect(70, 10, 120, 40));
  dbl->SetDblClk(1);
  dbl->SetNotifyDblClk(1);

  Click(d, CPoint(20, 20));
  Click(d, CPoint(20, 20));
  EXPECT_EQ(plain->downs, 2);
  EXPECT_EQ(plain->dblclks, 0);

  Headless::AdvanceClock(1000);  // a new click sequence
  Click(d, CPoint(80, 20));
  Click(d, CPoint(80, 20));
  EXPECT_EQ(dbl->downs, 1);
  EXPECT_EQ(dbl->dblclks, 1);
  ASSERT_FALSE(d.notes.empty());
  int threes = 0;
  for (const Note& n : d.notes)
    if (n.code == NOTIFY_DBLCLK) {
      ++threes;
      EXPECT_EQ(n.id, 21u);
      EXPECT_NE(n.lParam, 0) << "lParam points at the click point";
    }
  EXPECT_EQ(threes, 1);
}

TEST_F(InputTest, TabMovesFocusForwardShiftTabBackCtrlTabNot) {
  TestDialog& d = MakeDialog();
  Probe* a = Add<Probe>(d, 1u, CRect(10, 10, 30, 30));
  Probe* skip = Add<Probe>(d, 2u, CRect(40, 10, 60, 30));
  Probe* b = Add<Probe>(d, 3u, CRect(70, 10, 90, 30));
  Probe* hidden = Add<Probe>(d, 4u, CRect(100, 10, 120, 30));
  Probe* c = Add<Probe>(d, 5u, CRect(130, 10, 150, 30));
  for (Probe* p : {a, b, hidden, c}) p->SetTabStop(1);
  hidden->SetVisible(0);
  (void)skip;
  PaintManager& pm = d.GetPaintManager();

  auto press = [&](std::initializer_list<int> mods) {
    // Key state is read when a message is handled, so each key is handled before the next.
    for (int m : mods) {
      Headless::KeyDown(m);
      Pump(d);
    }
    Headless::KeyPress(kScanTab);
    Pump(d);
    for (int m : mods) {
      Headless::KeyUp(m);
      Pump(d);
    }
  };
  press({});
  EXPECT_EQ(pm.GetFocusControl(), a) << "from no focus, the first tab stop";
  press({});
  EXPECT_EQ(pm.GetFocusControl(), b) << "non-tab-stops are skipped";
  press({});
  EXPECT_EQ(pm.GetFocusControl(), c) << "invisible controls are skipped";
  press({});
  EXPECT_EQ(pm.GetFocusControl(), a) << "wraps to the start";
  press({kScanLShift});
  EXPECT_EQ(pm.GetFocusControl(), c) << "Shift+Tab goes back, wrapping";
  press({kScanLShift});
  EXPECT_EQ(pm.GetFocusControl(), b);
  press({kScanLCtrl});
  EXPECT_EQ(pm.GetFocusControl(), b) << "Ctrl+Tab does not move the focus";
  EXPECT_EQ(b->lastKey, static_cast<unsigned>(VK_TAB)) << "it is an ordinary key for the controls";
  EXPECT_EQ(b->lastMods, static_cast<unsigned>(MOD_CTRL_KEY));
}

TEST_F(InputTest, KeysReachTheFocusedChildAndHotKeysNotify) {
  TestDialog& d = MakeDialog();
  // A panel passes its children's notifications on to the dialog unchanged.
  MPanel* parent = Add<MPanel>(d, 30u, CRect(10, 10, 200, 100), 1);
  auto* child = new Probe(parent, 31u, CRect(20, 20, 60, 60));
  parent->AddControl(child);
  child->SetManager(&d.GetPaintManager());
  child->SetHotKey('K', MOD_CTRL_KEY);
  child->SetNotifyKeys(1);

  Click(d, CPoint(30, 30));  // focuses the child inside the parent
  EXPECT_EQ(d.GetPaintManager().GetFocusControl(), child);
  d.notes.clear();
  Move(d, CPoint(250, 150));  // the pointer away: keys follow the focus, not the hover
  Headless::KeyDown(kScanLCtrl);
  Pump(d);
  d.notes.clear();
  Headless::KeyPress(14);  // K
  Pump(d);
  Headless::KeyUp(kScanLCtrl);
  Pump(d);
  EXPECT_EQ(child->lastKey, static_cast<unsigned>('K'));
  EXPECT_EQ(d.notes, (std::vector<Note>{{31, NOTIFY_KEY, 'K', static_cast<long>(MOD_CTRL_KEY)}}));
}

}  // namespace
}  // namespace wtest
