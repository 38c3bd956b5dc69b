// Control timers with their event ids, the animation tick, and controls that go away while
// the manager still knows them.
#include <chrono>

#include "tests/widgets/WidgetFixture.h"

namespace wtest {
namespace {

using TimerTest = WidgetTest;

TEST_F(TimerTest, EventIdsCountModulo240AndSkipTheFixedIds) {
  TestDialog& d = MakeDialog();
  PaintManager& pm = d.GetPaintManager();
  Probe* a = Add<Probe>(d, 1u, CRect(0, 0, 10, 10));
  Probe* b = Add<Probe>(d, 2u, CRect(20, 0, 30, 10));

  ASSERT_EQ(pm.SetTimer(a, 1, 50), 1);
  EXPECT_EQ(pm.GetTimerEventId(a, 1), 17u) << "the counter starts at 4096: (4096 + 1) mod 240";
  ASSERT_EQ(pm.SetTimer(b, 1, 50), 1);
  EXPECT_EQ(pm.GetTimerEventId(b, 1), 18u) << "same control id, other control: its own event";
  EXPECT_EQ(pm.SetTimer(a, 1, 80), 0) << "a running timer is not restarted";

  std::vector<UINT> ids;
  for (unsigned id = 2; id < 100; ++id) {
    ASSERT_EQ(pm.SetTimer(a, id, 1000), 1);
    ids.push_back(pm.GetTimerEventId(a, id));
  }
  for (UINT fixed : {66u, 88u, 99u}) EXPECT_EQ(std::count(ids.begin(), ids.end(), fixed), 0) << fixed;
  EXPECT_EQ(ids[65 - 19], 65u);
  EXPECT_EQ(ids[65 - 19 + 1], 67u);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "event ids are never shared";
}

TEST_F(TimerTest, TimersReachTheirControlUntilKilledAndRestartWithTheirOldId) {
  TestDialog& d = MakeDialog();
  PaintManager& pm = d.GetPaintManager();
  Probe* a = Add<Probe>(d, 1u, CRect(0, 0, 10, 10));
  Probe* b = Add<Probe>(d, 2u, CRect(20, 0, 30, 10));
  pm.SetTimer(a, 5, 100);
  pm.SetTimer(b, 5, 1000);
  auto run = [&](int ms) {  // timer messages do not pile up, so the clock runs in steps
    for (int t = 0; t < ms; t += 50) {
      Headless::AdvanceClock(50);
      Pump(d);
    }
  };
  run(350);
  EXPECT_EQ(a->ticks, 3);
  EXPECT_EQ(b->ticks, 0);

  const UINT event = pm.GetTimerEventId(a, 5);
  EXPECT_EQ(pm.KillTimer(a, 5), 1);
  EXPECT_EQ(pm.KillTimer(a, 5), 0) << "already killed";
  run(500);
  EXPECT_EQ(a->ticks, 3);
  EXPECT_EQ(pm.SetTimer(a, 5, 100), 1);
  EXPECT_EQ(pm.GetTimerEventId(a, 5), event) << "a killed record is reused";
  run(100);
  EXPECT_EQ(a->ticks, 4);
}

TEST_F(TimerTest, RemovedControlIsForgottenEverywhere) {
  TestDialog& d = MakeDialog();
  PaintManager& pm = d.GetPaintManager();
  Probe* a = Add<Probe>(d, 1u, CRect(10, 10, 60, 40));
  a->SetTooltip(std::string("about a"));
  a->AddMTimer();
  pm.SetTimer(a, 3, 100);
  pm.SetCaretPos(a, 12, 12);
  Click(d, CPoint(20, 20));
  Move(d, CPoint(25, 25));
  ASSERT_EQ(pm.GetHoverControl(), a);
  ASSERT_EQ(pm.GetFocusControl(), a);
  ASSERT_EQ(pm.GetTooltipOwner(), a);
  ASSERT_EQ(pm.GetCurrentCaretObject(), a);

  pm.RemoveControl(a);
  EXPECT_EQ(pm.GetHoverControl(), nullptr);
  EXPECT_EQ(pm.GetFocusControl(), nullptr);
  EXPECT_EQ(pm.GetTooltipOwner(), nullptr);
  EXPECT_EQ(pm.GetTooltipCtrlID(), 0u);
  EXPECT_EQ(pm.GetCurrentCaretObject(), nullptr);
  EXPECT_EQ(pm.GetTimerEventId(a, 3), 0u);
  // Input, timers and ticks after the removal must not reach the freed control (ASan).
  Move(d, CPoint(30, 30));
  Headless::AdvanceClock(300);
  Pump(d);
  Headless::KeyPress(kScanEsc);
  Pump(d);

  // The same for a child inside a panel that hovers inside its parent.
  MPanel* panel = Add<MPanel>(d, 9u, CRect(100, 100, 200, 180), 1);
  auto* child = new Probe(panel, 10u, CRect(110, 110, 150, 150));
  child->SetManager(&pm);
  panel->AddControl(child);
  Move(d, CPoint(120, 120));
  ASSERT_EQ(panel->GetHoverChild(), child);
  panel->RemoveControl(child);
  EXPECT_EQ(panel->GetHoverChild(), nullptr);
  Move(d, CPoint(121, 121));
}

// The tick runs on the timer thread; the control's own tick work must run on the UI thread.
TEST_F(TimerTest, TickThreadsOnlyPostAndControlsTickOnTheUiThread) {
  TestDialog& d = MakeDialog();
  PaintManager& pm = d.GetPaintManager();
  Probe* ticking = Add<Probe>(d, 1u, CRect(0, 0, 10, 10));
  Probe* stopped = Add<Probe>(d, 2u, CRect(20, 0, 30, 10));
  Probe* hidden = Add<Probe>(d, 3u, CRect(40, 0, 50, 10));
  for (Probe* p : {ticking, stopped, hidden}) {
    p->AddMTimer();
    p->SetRunTimer(1);
  }
  stopped->SetRunTimer(0);
  hidden->SetVisible(0);
  ASSERT_NE(pm.SetMTimer(2), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(ticking->ticks, 0) << "nothing happens on the timer thread";
  // About 30 ticks fell due, but at most one tick message waits per window.
  int tickMessages = 0;
  MSG msg;
  while (Native::PeekMessage(&msg, d.GetSafeHwnd(), WM_LUMET_TICK, WM_LUMET_TICK, PM_REMOVE)) {
    ++tickMessages;
    Native::DispatchMessage(&msg);
  }
  EXPECT_EQ(tickMessages, 1);
  EXPECT_EQ(ticking->ticks, 1);
  EXPECT_EQ(ticking->tickThread, std::this_thread::get_id());
  EXPECT_EQ(stopped->ticks + hidden->ticks, 0);
  pm.KillMTimer();
}

}  // namespace
}  // namespace wtest
