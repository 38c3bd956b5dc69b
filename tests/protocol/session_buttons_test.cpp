// Button map, macro download, lighting and the resets through the session, against the
// emulated mouse and a real database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/MouseSession.h"
#include "store/Records.h"
#include "tests/support/device/SessionRig.h"

namespace tavrick {
namespace {

using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;
using test::SessionRig;

Bytes Codes(const std::vector<Bytes>& written) {
  Bytes codes;
  for (const auto& w : written) codes.push_back(w[1]);
  return codes;
}

class SessionButtons : public ::testing::Test {
 protected:
  void SetUp() override {
    unit_ = rig_.Plug(emu::VelaWired());
    ASSERT_TRUE(rig_.session->ReadMouseSettings(ReadMode::Full));
    Forget();
  }
  void Forget() {
    rig_.ForgetWritten(unit_);
    rig_.hooks.Clear();
  }
  int Profile() { return rig_.session->CurrentProfile(); }
  void Assign(int slot, int type, int v, int w = 0) {
    KeyAssignment row;
    row.profile = Profile();
    row.key_code = slot;
    row.macro_type = type;
    row.macro_value = v;
    row.macro_value2 = w;
    ASSERT_NE(rig_.db.SaveKeyAssignment(row), 0);
  }
  // A macro of the given records (type, value), played `times` times.
  int Macro(std::vector<std::pair<int, int>> records, int playType = 0, int times = 1) {
    const int id = rig_.db.CreateMacro("m");
    std::vector<MacroEventRow> rows;
    for (auto [type, value] : records) rows.push_back({"", type, value, 0});
    rig_.db.ReplaceMacroRecords(id, rows);
    MacroInfo info;
    rig_.db.GetMacro(id, info);
    info.play_type = playType;
    info.play_times = times;
    rig_.db.UpdateMacro(info);
    return id;
  }
  emu::MouseSettings Mouse() { return rig_.emu->Settings(unit_); }
  Bytes Buttons() {
    const auto b = Mouse().buttons;
    return {b.begin(), b.end()};
  }

  SessionRig rig_;
  int unit_ = 0;
};

// Seven events: 29 bytes with the slot, two parts.
const std::vector<std::pair<int, int>> kSevenEvents = {
    {2, 65}, {1, 100}, {3, 65}, {2, 66}, {3, 66}, {4, 1}, {5, 1}, {2, 160}};
const Bytes kSevenEventBytes = {0x30, 100, 0, 4,  0xB0, 1, 0, 4,  0x30, 1, 0, 5,  0xB0, 1, 0, 5,
                                0x10, 1,   0, 1,  0x90, 1, 0, 1,  0x20, 1, 0, 0x02};

TEST_F(SessionButtons, DefaultMapThenStoredRows) {
  ASSERT_TRUE(rig_.session->SendButtonAssignments());
  EXPECT_EQ(Buttons(), (Bytes{0x10, 1, 0, 0x10, 2, 0, 0x10, 4, 0, 0x10, 8, 0, 0x10, 0x10, 0,
                              0x40, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  const int macro = Macro({{2, 65}, {3, 65}}, 0, 3);
  Assign(0, 2, 4, 0x03);    // Ctrl + Shift + A
  Assign(1, 1, 2);          // middle
  Assign(5, 9, 1);          // disabled
  Assign(8, 4, macro);      // macro played 3 times
  Assign(9, 9, 1);          // beyond the frame: ignored
  Assign(7, 4, 9999);       // a macro that does not exist: default
  ASSERT_TRUE(rig_.session->SendButtonAssignments());
  EXPECT_EQ(Buttons(), (Bytes{0x70, 3, 4, 0x10, 4, 0, 0x10, 4, 0, 0x10, 8, 0, 0x10, 0x10, 0,
                              0x60, 0, 0, 0, 0, 0, 0, 0, 0, 0x90, 0x28, 3}));
  // No macro was pending: only the map went out.
  EXPECT_EQ(Codes(rig_.Written(unit_)), (Bytes{0x09, 0x09}));
}

TEST_F(SessionButtons, TwoQuickMacroBindingsBothGoOut) {
  const int a = Macro(kSevenEvents);
  const int b = Macro({{4, 2}, {1, 5}, {5, 2}});
  Assign(2, 4, a);
  rig_.session->MarkMacroPending(2);
  Assign(4, 4, b);
  rig_.session->MarkMacroPending(4);
  ASSERT_TRUE(rig_.session->SendButtonAssignments());
  const auto w = rig_.Written(unit_);
  ASSERT_EQ(Codes(w), (Bytes{0x08, 0x08, 0x08, 0x09}));
  EXPECT_EQ(w[0][3], 0x02);
  EXPECT_EQ(w[0][4], 27);
  EXPECT_EQ(w[0][5], 2);  // the slot byte leads the transfer
  EXPECT_EQ(w[1][3], 0x12);
  EXPECT_EQ(w[1][4], 2);
  EXPECT_EQ(w[2][3], 0x01);
  EXPECT_EQ(w[2][4], 9);
  const auto mouse = Mouse();
  EXPECT_EQ(mouse.macros.at(2), kSevenEventBytes);
  EXPECT_EQ(mouse.macros.at(4), (Bytes{0x10, 5, 0, 2, 0x90, 1, 0, 2}));
  EXPECT_FALSE(mouse.macro_incomplete.at(2));
  EXPECT_TRUE(rig_.session->PendingMacros().empty());
}

TEST_F(SessionButtons, FailedMacroPartIsSentAgainLater) {
  const int a = Macro(kSevenEvents);
  Assign(2, 4, a);
  rig_.session->MarkMacroPending(2);
  emu::Faults f;
  f.fail_writes = 1;  // the first part is lost
  rig_.emu->SetFaults(unit_, f);
  EXPECT_TRUE(rig_.session->SendButtonAssignments());
  EXPECT_EQ(rig_.hooks.Calls(), Calls{"failure 0"});
  EXPECT_EQ(rig_.session->PendingMacros(), std::set<int>{2});
  EXPECT_EQ(Mouse().macros.count(2), 0u);  // the second part alone is dropped by the mouse
  ASSERT_TRUE(rig_.session->SendButtonAssignments());
  EXPECT_EQ(Mouse().macros.at(2), kSevenEventBytes);
  EXPECT_TRUE(rig_.session->PendingMacros().empty());
}

TEST_F(SessionButtons, MacroTooLongIsRefusedNotCut) {
  std::vector<std::pair<int, int>> records;
  for (int n = 0; n < 51; ++n) {  // 102 events: 409 bytes, 16 parts
    records.push_back({2, 65});
    records.push_back({3, 65});
  }
  Assign(3, 4, Macro(records));
  rig_.session->MarkMacroPending(3);
  ASSERT_TRUE(rig_.session->SendButtonAssignments());
  EXPECT_EQ(Codes(rig_.Written(unit_)), Bytes{0x09});
  EXPECT_EQ(rig_.hooks.Calls(), Calls{"failure 0"});
  EXPECT_TRUE(rig_.session->PendingMacros().empty());  // retrying cannot help
  // 101 events still fit: fifteen parts.
  records.pop_back();
  Assign(3, 4, Macro(records));
  rig_.session->MarkMacroPending(3);
  Forget();
  ASSERT_TRUE(rig_.session->SendButtonAssignments());
  EXPECT_EQ(Codes(rig_.Written(unit_)).size(), 16u);
  EXPECT_EQ(Mouse().macros.at(3).size(), 404u);
}

TEST_F(SessionButtons, ProfileSwitchSendsEverythingWithTheBoundMacros) {
  const int a = Macro({{2, 65}, {3, 65}});
  Assign(6, 4, a);
  rig_.session->RunProfileChanged();
  EXPECT_EQ(Codes(rig_.Written(unit_)), (Bytes{0x08, 0x09, 0x05, 0x03, 0x04, 0x02, 0x06, 0x07}));
  EXPECT_EQ(Mouse().macros.at(6), (Bytes{0x30, 1, 0, 4, 0xB0, 1, 0, 4}));
  EXPECT_EQ(rig_.hooks.Calls(), (Calls{"page keys", "page dpi", "page light"}));
}

TEST_F(SessionButtons, ProfileSwitchStopsAtTheFirstFailure) {
  emu::Faults f;
  f.silent = true;
  rig_.emu->SetFaults(unit_, f);
  rig_.session->SendAllSettings();
  EXPECT_EQ(Codes(rig_.Written(unit_)), Bytes{0x09});
  EXPECT_EQ(rig_.hooks.Count("failure 0"), 1);
}

TEST_F(SessionButtons, LightingFrameAndReadBack) {
  LightModeRecord light;
  ASSERT_TRUE(rig_.db.GetLightMode(Profile(), 2, light));
  light.brightness = 3;
  light.speed = 1;
  for (int n = 0; n < 7; ++n) light.color_value[n] = 0x010203 * (n + 1);
  ASSERT_TRUE(rig_.db.UpdateLightMode(2, light));
  rig_.session->SetCurrentLightMode(2);
  ASSERT_TRUE(rig_.session->SendLighting());
  EXPECT_EQ(rig_.db.GetActiveLightMode(Profile()), 2);
  Bytes expected = {2, 0x31, 7};
  for (int n = 1; n <= 7; ++n) expected.insert(expected.end(), {uint8_t(3 * n), uint8_t(2 * n), uint8_t(n)});
  EXPECT_EQ(Mouse().lighting, expected);

  auto s = Mouse();
  s.lighting = {3, 0x42};
  rig_.emu->SetSettings(unit_, s);
  ASSERT_TRUE(rig_.session->ReadLightState());
  EXPECT_EQ(rig_.session->CurrentLightMode(), 3);
  EXPECT_EQ(rig_.db.GetActiveLightMode(Profile()), 3);
  ASSERT_TRUE(rig_.db.GetLightMode(Profile(), 3, light));
  EXPECT_EQ(light.brightness, 4);
  EXPECT_EQ(light.speed, 2);
}

TEST(SessionReset, ResetMouse) {
  struct Case { const char* name; bool lighting; bool mouseKeepsItsMode; Bytes codes; int mode; };
  const Case cases[] = {
      {"lighting, mouse goes to mode 4", true, false, {0x0F, 0x0E, 0x15}, 4},
      {"lighting, mouse stays in mode 2", true, true, {0x0F, 0x0E, 0x15, 0x0E}, 4},
      {"no lighting", false, false, {0x0F}, 1},  // the seeded default stays
  };
  for (const auto& c : cases) {
    SessionRig rig;
    const int unit = rig.Plug(emu::VelaWired());
    rig.session->SetModel(test::kVelaType, c.lighting, test::RigMouseInfo());
    emu::Faults f;
    f.ignore_light_control = c.mouseKeepsItsMode;
    if (c.mouseKeepsItsMode) f.reset_light_mode = 2;
    rig.emu->SetFaults(unit, f);
    // Working on profile 2, with a button assigned in profiles 1 and 2.
    rig.session->SetCurrentProfile(2);
    rig.db.ActivateProfile(2);
    rig.Set("dpi_group0_value", "5000");
    for (int p = 1; p <= 2; ++p) {
      KeyAssignment row;
      row.profile = p;
      row.key_code = 1;
      row.macro_type = 9;
      row.macro_value = 1;
      rig.db.SaveKeyAssignment(row);
    }
    rig.ForgetWritten(unit);
    rig.session->ResetMouse();

    EXPECT_EQ(Codes(rig.Written(unit)), c.codes) << c.name;
    EXPECT_EQ(rig.emu->Settings(unit).factory_resets, 1) << c.name;
    EXPECT_EQ(rig.session->CurrentProfile(), 1) << c.name;
    EXPECT_EQ(rig.db.GetActiveProfile(), 1) << c.name;
    std::vector<KeyAssignment> rows;
    for (int p = 1; p <= 2; ++p) EXPECT_EQ(rig.db.ListKeyAssignments(p, rows), 0) << c.name;
    std::string v;
    rig.db.GetConfigValue(2, "dpi_group0_value", v);
    EXPECT_EQ(v, "400") << c.name;
    EXPECT_EQ(rig.db.GetActiveLightMode(1), c.mode) << c.name;
    Calls expected = {"profile 2", "profile 1", "page keys", "page macros", "page dpi"};
    if (c.lighting) expected.push_back("page light");
    EXPECT_EQ(rig.hooks.Calls(), expected) << c.name;
  }
}

TEST_F(SessionButtons, ResetDpi) {
  rig_.Set("dpi_group0_value", "5000");
  rig_.Set("dpi_count", "2");
  rig_.session->ResetDpi();
  EXPECT_EQ(rig_.Get("dpi_group0_value"), "400");
  EXPECT_EQ(rig_.Get("dpi_count"), "6");
  EXPECT_EQ(Codes(rig_.Written(unit_)), (Bytes{0x03, 0x04}));
  EXPECT_EQ(Mouse().dpi_codes[0], 4);
  EXPECT_EQ(rig_.hooks.Calls(), Calls{"page dpi"});
}

TEST_F(SessionButtons, DpiChangedOnTheMouse) {
  rig_.Set("dpi_count", "6");
  rig_.Set("dpi_index", "1");
  rig_.Set("dpi_group2_value", "2400");
  const uint8_t first[4] = {0xC2, 0x24, 0, 0};
  rig_.session->HandleNotification(first, 4);
  EXPECT_EQ(rig_.hooks.Calls(), (Calls{"count 4", "level 2 2400", "tip 2400"}));
  EXPECT_EQ(rig_.Get("dpi_count"), "4");
  EXPECT_EQ(rig_.Get("dpi_index"), "2");
  for (uint8_t levels : {uint8_t(0x24), uint8_t(0x07), uint8_t(0x44), uint8_t(0x00), uint8_t(0xF6)}) {
    rig_.hooks.Clear();
    const uint8_t report[4] = {0xC2, levels, 0, 0};
    rig_.session->HandleNotification(report, 4);
    EXPECT_TRUE(rig_.hooks.Calls().empty()) << int(levels);
    EXPECT_EQ(rig_.Get("dpi_count"), "4") << int(levels);
    EXPECT_EQ(rig_.Get("dpi_index"), "2") << int(levels);
  }
}

}  // namespace
}  // namespace tavrick
