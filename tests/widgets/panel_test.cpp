// Scroll-bar geometry, panels with their bars and wheel, and the control factory.
#include "tests/widgets/WidgetFixture.h"
#include "widgets/core/ControlFactory.h"

namespace wtest {
namespace {

using PanelTest = WidgetTest;

TEST(ScrollGeometry, ThumbLengthPageAndGuardedDivisions) {
  const struct {
    int barLength, max, pos;
    int page, thumbLength, thumbTop;
    bool canScroll;
  } cases[] = {
      {300, 1000, 0, 300, 100, 0, true},       // 90 computed, raised to 100
      {120, 1000, 0, 120, 70, 0, true},        // minimum 120 - 50
      {300, 1000, 1000, 300, 100, 200, true},  // at the end the thumb touches the bottom
      {300, 1000, 500, 300, 100, 100, true},
      {50, 1000, 0, 100, 8, 0, true},          // 50 x 10 < 1000: the page is max / 10
      {300, 0, 0, 300, 300, 0, false},         // empty content: no division by zero
      {20, 100, 50, 20, 8, 6, true},           // shorter than the minimum thumb: clamped
      {0, 100, 0, 10, 0, 0, true},             // a bar without length
  };
  for (const auto& c : cases) {
    CScrollVertical bar(nullptr, 1, CRect(0, 0, 5, c.barLength), 1);
    bar.SetScrollMaxRange(c.max);
    bar.SetScrollCurrentPos(c.pos);
    const CRect t = bar.GetThumbRect();
    const std::string at = std::to_string(c.barLength) + "/" + std::to_string(c.max) + "/" + std::to_string(c.pos);
    EXPECT_EQ(bar.GetScrollPage(), c.page) << at;
    EXPECT_EQ(t.Height(), c.thumbLength) << at;
    EXPECT_EQ(t.top, c.thumbTop) << at;
    EXPECT_GE(t.Height(), 0) << at;
    EXPECT_LE(t.bottom, std::max(c.barLength, 0)) << at;
    EXPECT_EQ(bar.CanScroll() != 0, c.canScroll) << at;
  }
  CScrollHorizontal h(nullptr, 2, CRect(0, 0, 300, 5), 1);
  h.SetScrollMaxRange(1000);
  h.SetScrollCurrentPos(500);
  EXPECT_EQ(h.GetThumbRect(), CRect(100, 0, 200, 5));
}

TEST_F(PanelTest, BarsAppearWhenContentOutgrowsThePanel) {
  TestDialog& d = MakeDialog();
  MPanel* panel = Add<MPanel>(d, 50u, CRect(10, 10, 110, 110), 1);
  panel->CreateControl("MTabLayout", 51, CRect(10, 10, 60, 60));
  panel->SetRect(panel->GetRect());
  EXPECT_FALSE(panel->GetScrollVertical()->IsVisible());
  EXPECT_FALSE(panel->GetScrollHorizontal()->IsVisible());

  panel->CreateControl("MTabLayout", 52, CRect(10, 100, 60, 410));
  panel->SetRect(panel->GetRect());
  EXPECT_TRUE(panel->GetScrollVertical()->IsVisible());
  EXPECT_FALSE(panel->GetScrollHorizontal()->IsVisible());
  EXPECT_EQ(panel->GetVirtualHeight(), 400);
  EXPECT_EQ(panel->GetScrollVertical()->GetRect(), CRect(105, 10, 110, 110));

  MPanel* empty = Add<MPanel>(d, 60u, CRect(150, 10, 250, 110), 1);
  empty->SetRect(empty->GetRect());
  EXPECT_EQ(empty->GetVirtualHeight(), 0);
  EXPECT_EQ(empty->GetOffsetY(), 0);
  CPoint pt(160, 20);
  EXPECT_EQ(empty->OnMousePointChange(pt), 0);
}

TEST_F(PanelTest, WheelStepsScrollThePanelAndTrackPressPagesDown) {
  TestDialog& d = MakeDialog(300, 300);
  MPanel* panel = Add<MPanel>(d, 50u, CRect(0, 0, 100, 100), 1);
  auto* deep = new Probe(panel, 53u, CRect(0, 900, 50, 1000));
  deep->SetManager(&d.GetPaintManager());
  panel->AddControl(deep);
  panel->SetRect(panel->GetRect());
  CScrollVertical* bar = panel->GetScrollVertical();
  ASSERT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollMaxRange(), 1000);

  Move(d, CPoint(40, 40));
  Headless::Wheel(-2, Screen(CPoint(40, 40)));  // two notches towards the user
  Pump(d);
  EXPECT_EQ(bar->GetScrollCurrentPos(), 20);
  Headless::Wheel(1, Screen(CPoint(40, 40)));
  Pump(d);
  EXPECT_EQ(bar->GetScrollCurrentPos(), 10);
  // Less than a notch is no step.
  d.SendMessageW(WM_MOUSEWHEEL, MAKEWPARAM(0, 60), LParamFromPoint(Screen(CPoint(40, 40))));
  EXPECT_EQ(bar->GetScrollCurrentPos(), 10);
  for (int i = 0; i < 3; ++i) Headless::Wheel(1, Screen(CPoint(40, 40)));
  Pump(d);
  EXPECT_EQ(bar->GetScrollCurrentPos(), 0) << "stops at 0";

  // The pointer is translated by the content offset: position 500 of 1000 shifts 450 pixels.
  bar->SetScrollCurrentPos(500);
  EXPECT_EQ(panel->GetOffsetY(), 450);
  Move(d, CPoint(10, 50));  // content y 500: nothing there
  EXPECT_EQ(panel->GetHoverChild(), nullptr);
  bar->SetScrollCurrentPos(1000);
  Move(d, CPoint(10, 51));  // content y 951
  EXPECT_EQ(panel->GetHoverChild(), deep);
  EXPECT_EQ(deep->lastMove, CPoint(10, 951));

  // A press on the track below the thumb moves down one page (100 x 100 / 1000 = 10 pixels of
  // the 50 free ones) and reports code 8 with the bar's id.
  bar->SetScrollCurrentPos(0);
  ASSERT_EQ(bar->GetThumbRect(), CRect(95, 0, 100, 50));
  d.notes.clear();
  Click(d, CPoint(97, 70));
  EXPECT_EQ(d.notes, (std::vector<Note>{{1, NOTIFY_SCROLL, 200, 0}}));
  EXPECT_EQ(bar->GetThumbRect().top, 10);
}

TEST_F(PanelTest, DraggingTheThumbMovesThePosition) {
  TestDialog& d = MakeDialog(300, 400);
  MPanel* panel = Add<MPanel>(d, 50u, CRect(0, 0, 100, 300), 1);
  auto* deep = new Probe(panel, 53u, CRect(0, 900, 50, 1000));
  panel->AddControl(deep);
  panel->SetRect(panel->GetRect());
  CScrollVertical* bar = panel->GetScrollVertical();
  ASSERT_EQ(bar->GetThumbRect(), CRect(95, 0, 100, 100));
  Move(d, CPoint(97, 50));
  Down(d, CPoint(97, 50));
  Move(d, CPoint(97, 150));  // 100 of the 200 free pixels
  EXPECT_EQ(bar->GetThumbRect().top, 100);
  EXPECT_EQ(bar->GetScrollCurrentPos(), 500);
  Move(d, CPoint(140, 900));  // far past the end, off the bar
  EXPECT_EQ(bar->GetThumbRect().bottom, 300);
  EXPECT_EQ(bar->GetScrollCurrentPos(), 1000);
  Up(d, CPoint(140, 900));
  ASSERT_FALSE(d.notes.empty());
  EXPECT_EQ(d.notes.back(), (Note{1, NOTIFY_SCROLL, 1000, 0}));
}

TEST_F(PanelTest, FactoriesCreateByExactClassNameOnly) {
  TestDialog& d = MakeDialog();
  PaintManager& pm = d.GetPaintManager();
  MPanel* panel = Add<MPanel>(d, 50u, CRect(0, 0, 100, 100), 1);
  const struct {
    const char* name;
    bool window, panel;
  } cases[] = {
      {"MTabLayout", true, true}, {"MenuItem", true, true}, {"mtablayout", false, false}, {"MText ", false, false},
      {"", false, false},         {"NoSuchThing", false, false},
  };
  for (const auto& c : cases) {
    const size_t before = pm.GetControls().size();
    MControl* w = d.CreateControl(c.name, 70, CRect(0, 0, 10, 10));
    EXPECT_EQ(w != nullptr, c.window) << c.name;
    EXPECT_EQ(pm.GetControls().size(), before + (c.window ? 1 : 0)) << c.name;
    if (w) {
      EXPECT_STREQ(w->GetClassNameW(), c.name);
    }
    const size_t childrenBefore = panel->GetControls().size();
    MControl* p = panel->CreateControl(c.name, 71, CRect(0, 0, 10, 10));
    EXPECT_EQ(p != nullptr, c.panel) << c.name;
    EXPECT_EQ(panel->GetControls().size(), childrenBefore + (c.panel ? 1 : 0)) << c.name;
  }
  MControl* area = d.CreateArea("MTabLayout", 72, CRect(0, 0, 10, 10));
  ASSERT_EQ(pm.GetAreas().size(), 1u);
  EXPECT_EQ(pm.GetAreas().front(), area);
  // Every name of the widget set is known to its factories; a panel-only name is not made
  // by the window factory, and names are case-sensitive.
  for (const char* name : {"MText", "MButton", "CDeviceList", "MTabCtrl", "MenuItem"})
    EXPECT_TRUE(ControlFactory::Knows(FactoryKind::Window, name)) << name;
  for (const char* name : {"MacroList", "DPIControl", "MouseCtrl", "CRoundArea"}) {
    EXPECT_TRUE(ControlFactory::Knows(FactoryKind::Panel, name)) << name;
    EXPECT_FALSE(ControlFactory::Knows(FactoryKind::Window, name)) << name;
  }
  for (const char* name : {"CDeviceState", "BatteryCtrl", "MProgress2"})
    EXPECT_FALSE(ControlFactory::Knows(FactoryKind::Panel, name)) << name;
  EXPECT_FALSE(ControlFactory::Register("NoSuchThing", [](MObject*, unsigned, CRect, const char*, int, int) -> MControl* {
    return nullptr;
  }));
}

TEST_F(PanelTest, LookupOrderAndPositionItems) {
  TestDialog& d = MakeDialog();
  MPanel* first = Add<MPanel>(d, 1u, CRect(0, 0, 50, 50), 1);
  Probe* later = Add<Probe>(d, 7u, CRect(60, 0, 70, 10));
  auto* grandchild = new Probe(first, 7u, CRect(0, 0, 10, 10));
  first->AddControl(grandchild);
  EXPECT_EQ(d.GetControl(7), grandchild) << "depth first: the earlier branch wins";
  (void)later;
  auto* area = new Probe(first, 8u, CRect(0, 0, 10, 10));
  first->AddArea(area);
  auto* control8 = new Probe(first, 9u, CRect(0, 0, 10, 10));
  first->AddControl(control8);
  EXPECT_EQ(first->GetControl(8), area);
  EXPECT_EQ(first->GetControl(1234), nullptr);

  const struct {
    POSITION_ITEM item;
    int start, end, expected;
  } items[] = {
      {{0, 0, 5.7f}, 10, 110, 15},   {{0, 1, 5.7f}, 10, 110, 104}, {{1, 0, 3}, 10, 110, 63},
      {{1, 1, 3}, 10, 110, 57},      {{2, 0, 25}, 10, 110, 35},    {{2, 0, 150}, 10, 110, 110},
      {{7, 0, 5}, 10, 110, 0},
  };
  for (const auto& c : items)
    EXPECT_EQ(Probe::PositionItem2Value(c.item, c.start, c.end), c.expected) << c.item.kind << "/" << c.item.value;
}

}  // namespace
}  // namespace wtest
