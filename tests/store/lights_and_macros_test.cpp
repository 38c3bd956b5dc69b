// Lighting records and their seeding; macros with their events and names.
#include <gtest/gtest.h>

#include "device/DeviceDescription.h"
#include "store/MacroNames.h"
#include "store/SettingsDatabase.h"
#include "tests/store/StoreTestSupport.h"

namespace tavrick {
namespace {

using test::ModelDb;
using test::One;
using test::Query;
using test::RunSql;

MouseInfo Lights(std::initializer_list<int> enabled, int default_light) {
  MouseInfo info;
  info.found = info.has_light_info = true;
  info.default_light = default_light;
  for (int n : enabled) info.light_enable[n - 1] = true;
  return info;
}

TEST(SettingsLights, SeedingCreatesTheEnabledModesOnce) {
  ModelDb m;
  ASSERT_TRUE(m.db.SeedLightModes(1, Lights({2, 6}, 2)));
  const std::string all = "SELECT profile, name, mode, brightness, speed, direction, colorful, colorindex, "
                          "color_value1, color_value2, color_value3, color_value4, color_value5, color_value6, "
                          "color_value7, config_func, reserved, status FROM t_light_data ORDER BY light_id";
  const test::Rows expected = {
      {"1", "\xE5\x91\xBC\xE5\x90\xB8", "2", "4", "2", "0", "1", "0", "255", "65280", "16711680", "16776960",
       "65535", "16711935", "16777215", "2067", "281", "1"},
      {"1", "\xE5\x85\xB3\xE9\x97\xAD", "0", "4", "2", "0", "1", "0", "255", "65280", "16711680", "16776960",
       "65535", "16711935", "16777215", "0", "285", "0"},
  };
  EXPECT_EQ(Query(m.path, all), expected);
  EXPECT_EQ(m.db.GetActiveLightMode(1), 2);

  // Seeding again, even with other modes enabled, adds nothing and keeps the active mode.
  ASSERT_TRUE(m.db.ActivateLightMode(1, 0));
  ASSERT_TRUE(m.db.SeedLightModes(1, Lights({1, 2, 3, 4, 5, 6}, 3)));
  EXPECT_EQ(m.db.CountLightModes(1), 2);
  EXPECT_EQ(Query(m.path, "SELECT mode FROM t_light_data WHERE status = 1"), (test::Rows{{"0"}}));

  // All six, in seeding order; a device with no mode gets no rows.
  ASSERT_TRUE(m.db.SeedLightModes(2, Lights({1, 2, 3, 4, 5, 6}, 4)));
  EXPECT_EQ(Query(m.path, "SELECT mode, config_func, reserved FROM t_light_data WHERE profile = 2 ORDER BY light_id"),
            (test::Rows{{"1", "3", "280"}, {"2", "2067", "281"}, {"3", "17", "282"}, {"4", "3", "283"},
                        {"5", "3", "284"}, {"0", "0", "285"}}));
  EXPECT_EQ(m.db.GetActiveLightMode(2), 4);
  ASSERT_TRUE(m.db.SeedLightModes(3, Lights({}, 1)));
  EXPECT_EQ(m.db.CountLightModes(3), 0);
  EXPECT_EQ(m.db.GetActiveLightMode(3), 0);
}

TEST(SettingsLights, FailedSeedLeavesNothing) {
  ModelDb m;
  ASSERT_TRUE(RunSql(m.path, "CREATE TRIGGER no_off BEFORE INSERT ON t_light_data WHEN NEW.mode = 0 BEGIN "
                             "SELECT RAISE(ABORT, 'full'); END;"));
  EXPECT_FALSE(m.db.SeedLightModes(1, Lights({1, 3, 6}, 1)));
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_light_data"), "0");
}

TEST(SettingsLights, UpdateActivateAndDelete) {
  ModelDb m;
  ASSERT_TRUE(m.db.SeedLightModes(1, Lights({2, 3}, 3)));
  ASSERT_TRUE(m.db.SeedLightModes(2, Lights({2, 3}, 3)));
  LightModeRecord r;
  ASSERT_TRUE(m.db.GetLightMode(1, 2, r));
  EXPECT_EQ(r.profile, 1);
  EXPECT_EQ(r.mode, 2);
  EXPECT_EQ(r.config_func, 0x813);
  r.brightness = 1;
  r.speed = 3;
  r.color_value[2] = 0x123456;
  ASSERT_TRUE(m.db.UpdateLightMode(2, r));
  LightModeRecord back;
  ASSERT_TRUE(m.db.GetLightMode(1, 2, back));
  EXPECT_EQ(back.brightness, 1);
  EXPECT_EQ(back.speed, 3);
  EXPECT_EQ(back.color_value[2], 0x123456);
  EXPECT_EQ(back.color_value[0], 255);
  ASSERT_TRUE(m.db.GetLightMode(2, 2, back));
  EXPECT_EQ(back.brightness, 4);  // the other profile is untouched

  EXPECT_TRUE(m.db.ActivateLightMode(1, 2));
  EXPECT_EQ(Query(m.path, "SELECT profile, mode FROM t_light_data WHERE status = 1 ORDER BY profile"),
            (test::Rows{{"1", "2"}, {"2", "3"}}));
  EXPECT_TRUE(m.db.ActivateLightMode(1, 5));  // no such row: none active in profile 1
  EXPECT_EQ(m.db.GetActiveLightMode(1), 0);
  EXPECT_FALSE(m.db.GetLightMode(1, 5, back));

  std::vector<LightModeRecord> list(4);
  EXPECT_EQ(m.db.ListLightModes(1, list), 2);
  EXPECT_EQ(list[0].mode, 2);
  EXPECT_EQ(list[1].mode, 3);
  EXPECT_TRUE(m.db.DeleteProfileLights(1));
  EXPECT_EQ(m.db.ListLightModes(1, list), 0);
  EXPECT_EQ(m.db.CountLightModes(2), 2);
}

MacroEventRow Event(const char* text, int type, int value, int stamp) { return MacroEventRow{text, type, value, stamp}; }

TEST(SettingsMacros, CreateUpdateListAndEventsInOrder) {
  ModelDb m;
  const int a = m.db.CreateMacro("Custom 1");
  ASSERT_GT(a, 0);
  MacroInfo info;
  ASSERT_TRUE(m.db.GetMacro(a, info));
  EXPECT_EQ(info.macro_id, a);
  EXPECT_EQ(info.name, "Custom 1");
  EXPECT_EQ(info.play_type, 0);
  EXPECT_EQ(info.play_times, 1);
  EXPECT_EQ(info.delay_type, 1);
  EXPECT_EQ(info.delay_time, 0);
  std::vector<MacroRecord> events;
  EXPECT_EQ(m.db.ListMacroRecords(a, events), 0);

  MacroInfo imported{0, "Imported", 2, 1, 2, 50};
  const int b = m.db.InsertMacro(imported);
  ASSERT_GT(b, a);
  info.name = "Renamed";
  info.play_type = 1;
  info.play_times = 5;
  ASSERT_TRUE(m.db.UpdateMacro(info));
  ASSERT_TRUE(m.db.RenameMacro(b, "Other"));
  std::vector<MacroInfo> macros(1);  // appended to, not cleared
  EXPECT_EQ(m.db.ListMacros(macros), 3);
  EXPECT_EQ(macros[1].name, "Renamed");
  EXPECT_EQ(macros[1].play_times, 5);
  EXPECT_EQ(macros[2].name, "Other");
  EXPECT_EQ(macros[2].delay_time, 50);
  MacroInfo untouched;
  untouched.name = "keep";
  EXPECT_FALSE(m.db.GetMacro(999, untouched));
  EXPECT_EQ(untouched.name, "keep");

  // Records come back by record_index, whatever order they were stored in.
  for (int index : {2, 0, 1}) {
    MacroRecord r;
    r.macro_id = b;
    r.type = kMacroEventKeyDown;
    r.record_index = index;
    r.value = 65 + index;
    r.delay_time = 1000 + index;
    r.desc = "\xE2\x86\x93  " + std::string(1, static_cast<char>('A' + index));
    ASSERT_GT(m.db.InsertMacroRecord(r), 0);
  }
  ASSERT_EQ(m.db.ListMacroRecords(b, events), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events[i].record_index, i);
    EXPECT_EQ(events[i].value, 65 + i);
    EXPECT_EQ(events[i].delay_time, 1000 + i);
    EXPECT_EQ(events[i].macro_id, b);
  }
  EXPECT_EQ(events[0].desc, "\xE2\x86\x93  A");
}

TEST(SettingsMacros, ReplaceAndDeleteAreAllOrNothing) {
  ModelDb m;
  const int id = m.db.CreateMacro("M");
  const int other = m.db.CreateMacro("N");
  const std::vector<MacroEventRow> rows = {
      Event("\xE2\x86\x93  A", 2, 65, 7), Event("10 ms", 1, 10, 8), Event("\xE2\x86\x91  A", 3, 65, 7),
      Event("10 ms", 1, 10, 9)};
  ASSERT_TRUE(m.db.ReplaceMacroRecords(id, rows));
  ASSERT_TRUE(m.db.ReplaceMacroRecords(other, {Event("\xE2\x86\x93  LB", 4, 1, 3)}));
  EXPECT_EQ(Query(m.path, "SELECT type, record_index, desc, value, delay_time FROM t_macrorecord WHERE macro_id = " +
                              std::to_string(id) + " ORDER BY record_index"),
            (test::Rows{{"2", "0", "\xE2\x86\x93  A", "65", "7"}, {"1", "1", "10 ms", "10", "8"},
                        {"3", "2", "\xE2\x86\x91  A", "65", "7"}, {"1", "3", "10 ms", "10", "9"}}));

  // A failing insert in the middle: the old events stay, not half of the new ones.
  ASSERT_TRUE(RunSql(m.path, "CREATE TRIGGER bad BEFORE INSERT ON t_macrorecord WHEN NEW.value = 666 BEGIN "
                             "SELECT RAISE(ABORT, 'full'); END;"));
  EXPECT_FALSE(m.db.ReplaceMacroRecords(id, {Event("x", 2, 66, 1), Event("y", 2, 666, 2)}));
  EXPECT_FALSE(m.db.InsertMacroRecords({MacroRecord{0, id, 2, 9, 66, 0, "z"}, MacroRecord{0, id, 2, 10, 666, 0, "w"}}));
  std::vector<MacroRecord> events;
  EXPECT_EQ(m.db.ListMacroRecords(id, events), 4);

  EXPECT_TRUE(m.db.ReplaceMacroRecords(id, {}));
  events.clear();
  EXPECT_EQ(m.db.ListMacroRecords(id, events), 0);
  ASSERT_TRUE(m.db.ReplaceMacroRecords(id, rows));

  // A delete whose second statement fails keeps the macro with its events.
  ASSERT_TRUE(RunSql(m.path, "CREATE TRIGGER keep BEFORE DELETE ON t_macrorecord WHEN OLD.value = 65 BEGIN "
                             "SELECT RAISE(ABORT, 'busy'); END;"));
  EXPECT_FALSE(m.db.DeleteMacro(id));
  MacroInfo info;
  EXPECT_TRUE(m.db.GetMacro(id, info));
  ASSERT_TRUE(RunSql(m.path, "DROP TRIGGER keep"));
  EXPECT_TRUE(m.db.DeleteMacro(id));
  EXPECT_FALSE(m.db.GetMacro(id, info));
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_macrorecord WHERE macro_id = " + std::to_string(id)), "0");
  events.clear();
  EXPECT_EQ(m.db.ListMacroRecords(other, events), 1);  // the other macro keeps its event
}

TEST(SettingsMacros, DeletingAMacroKeepsTheButtonThatNamesIt) {
  ModelDb m;
  const int id = m.db.CreateMacro("Jump");
  KeyAssignment k;
  k.profile = 1;
  k.key_code = 3;
  k.macro_type = 4;
  k.macro_value = id;
  k.macro_desc = "Jump";
  ASSERT_GT(m.db.SaveKeyAssignment(k), 0);
  ASSERT_TRUE(m.db.DeleteMacro(id));
  KeyAssignment got;
  ASSERT_TRUE(m.db.GetKeyAssignment(1, 3, got));
  EXPECT_EQ(got.macro_desc, "Jump");
}

TEST(SettingsMacros, ListNames) {
  const char* zh_custom = "\xE8\x87\xAA\xE5\xAE\x9A\xE4\xB9\x89";  // 自定义
  const char* zh_copy = "\xE5\xA4\x8D\xE5\x88\xB6";              // 复制
  const struct {
    std::string name, shown;
  } cases[] = {
      {"Custom 3", "C351 3"},
      {std::string(zh_custom) + " 3", "C351 3"},
      {"Macro Copy", "Macro  C31"},
      {std::string("Macro ") + zh_copy, "Macro  C31"},
      {"Custom 1 Copy", "C351 1  C31"},
      {"Copy of Copy", " C31"},  // the part before the first "Copy"
      {"custom 2", "custom 2"},
      {"Customer", "C351er"},
      {"Jump", "Jump"},
  };
  for (const auto& c : cases) EXPECT_EQ(MacroListName(c.name, "C351", "C31"), c.shown) << c.name;
}

TEST(SettingsMacros, AssignmentNamesByLanguage) {
  const std::string zh_custom = "\xE8\x87\xAA\xE5\xAE\x9A\xE4\xB9\x89";  // 自定义
  const std::string tw_custom = "\xE8\x87\xAA\xE5\xAE\x9A\xE7\xBE\xA9";  // 自定義
  const std::string zh_copy = "\xE5\xA4\x8D\xE5\x88\xB6";                // 复制
  const std::string tw_copy = "\xE8\xA4\x87\xE8\xA3\xBD";                // 複製
  const std::string ru_copy = "\xD0\x9A\xD0\xBE\xD0\xBF\xD0\xB8\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x82\xD1\x8C";
  const struct {
    int language;
    std::string desc, shown;
  } cases[] = {
      {1033, zh_custom + " 2", "X 2"},
      {1033, "Custom 2", "Custom 2"},
      {1033, tw_custom + " 4 " + zh_copy, "X 4  Copy"},
      {2052, "Custom 1 Copy", "X 1  " + zh_copy},
      {2052, zh_custom + " 1", zh_custom + " 1"},
      {1028, "Custom 5 Copy", "X 5  " + tw_copy},
      {1041, zh_custom + " 5", "X 5"},
      {1049, "Custom 6 Copy", "X 6  " + ru_copy},
      {1049, "Macro " + ru_copy, "Macro " + ru_copy},
      {1031, "Custom 1 Copy", "Custom 1 Copy"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MacroAssignmentName(c.desc, c.language, "X"), c.shown) << c.language << " " << c.desc;
}

}  // namespace
}  // namespace tavrick
