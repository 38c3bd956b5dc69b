// Profiles with their names, the model's defaults from its description file, and button
// assignments with the key-function encoding.
#include <gtest/gtest.h>

#include <optional>

#include "device/ButtonReports.h"
#include "device/DeviceDescription.h"
#include "store/KeyFunction.h"
#include "store/MacroNames.h"
#include "store/Profiles.h"
#include "store/SettingsDatabase.h"
#include "tests/store/StoreTestSupport.h"

namespace tavrick {
namespace {

using test::ModelDb;
using test::One;
using test::Query;
using test::RunSql;
using test::TempFolder;

const char kDescription[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<mouse>
  <image_file mouse_img="m.png"/>
  <mouse_info>
    <light_info default_light="2">
      <light_1 enable="0"/><light_2 enable="1"/><light_3 enable="0"/>
      <light_4 enable="0"/><light_5 enable="0"/><light_6 enable="1"/>
    </light_info>
    <dpi_info default_dpi="2" dpi_count="4">
      <dpi_1 value="400" color="#FF8000"/>
      <dpi_2 value="800" color="#00FF00"/>
      <dpi_3 value="1600"/>
      <dpi_6 value="12000" color="#0000ff"/>
    </dpi_info>
    <report_rate default_value="3"/>
    <move_wakeup value="0"/>
    <lod value="2" lod="7"/>
    <button_respondtime value="12"/>
  </mouse_info>
</mouse>
)";

MouseInfo ReadInfo(const TempFolder& folder, const char* text) {
  EXPECT_TRUE(folder.Write("device/m1.xml", text));
  MouseInfo info;
  EXPECT_TRUE(ReadMouseInfo(DescriptionPath(folder.Path(), "m1"), info));
  return info;
}

TEST(DeviceDescriptionReader, ReadsMouseInfoAndLeavesMissingPartsEmpty) {
  TempFolder folder;
  const MouseInfo info = ReadInfo(folder, kDescription);
  ASSERT_TRUE(info.found);
  EXPECT_EQ(info.default_light, 2);
  const bool enabled[6] = {false, true, false, false, false, true};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(info.light_enable[i], enabled[i]) << i;
  EXPECT_EQ(info.default_dpi, "2");
  EXPECT_EQ(info.dpi_count, "4");
  EXPECT_EQ(info.dpi_value[0], "400");
  EXPECT_EQ(info.dpi_color[0], "#FF8000");
  EXPECT_EQ(info.dpi_color[2], std::nullopt);
  EXPECT_EQ(info.dpi_value[3], std::nullopt);
  EXPECT_EQ(info.dpi_value[5], "12000");
  EXPECT_EQ(info.report_rate, 3);
  EXPECT_EQ(info.sleep_light, std::nullopt);
  EXPECT_EQ(info.move_wakeup, "0");
  EXPECT_EQ(info.lod, "2");
  EXPECT_EQ(info.lod_extra, 7);
  EXPECT_EQ(info.button_respondtime, "12");

  // Out of order: "lod" before "report_rate" is passed over once "report_rate" was found.
  const MouseInfo late = ReadInfo(folder, "<mouse><mouse_info><lod value=\"2\"/><report_rate default_value=\"5\"/>"
                                          "</mouse_info></mouse>");
  EXPECT_EQ(late.report_rate, 5);
  EXPECT_EQ(late.lod, std::nullopt);

  MouseInfo untouched;
  untouched.default_light = 9;
  EXPECT_FALSE(ReadMouseInfo(folder.File("device/none.xml"), untouched));
  ASSERT_TRUE(folder.Write("device/bad.xml", "<mouse><mouse_info>"));
  EXPECT_FALSE(ReadMouseInfo(folder.File("device/bad.xml"), untouched));
  EXPECT_EQ(untouched.default_light, 9);
  DeviceDescription description;
  ASSERT_TRUE(folder.Write("device/other.xml", "<keyboard><mouse_info/></keyboard>"));
  EXPECT_FALSE(LoadDeviceDescription(folder.File("device/other.xml"), description));
  EXPECT_FALSE(description.loaded);
}

TEST(DeviceDescriptionReader, ParseColorText) {
  const struct {
    const char* text;
    uint32_t value;
  } cases[] = {
      {"#FF0000", 255},     {"#0000FF", 16711680}, {"#00FF00", 65280}, {"#FF8000", 33023},
      {"#ff8000", 33023},   {"00FF00", 61455},     {"#12", 0x12},      {"#123", 0x12 + 0x3 * 256},
      {"#1234", 0x3412},    {"#12345", 0x12 + 0x34 * 256 + 0x5 * 65536},
      {"#1234567", 0},      {"", 0},               {"#", 0},           {"#GG0000", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseColorText(c.text), c.value) << c.text;
}

TEST(SettingsDefaults, DescriptionOverlaysTheDefaultsFullyOrDpiOnly) {
  ModelDb m;
  TempFolder folder;
  const MouseInfo info = ReadInfo(folder, kDescription);
  ProfileRecord p;
  const int full = m.db.AddProfile(p, &info);
  const int dpi = m.db.AddProfile(p);
  ASSERT_GT(full, 0);
  ASSERT_GT(dpi, 0);
  ASSERT_TRUE(m.db.SetConfigValue(dpi, "report_rate", "9"));
  ASSERT_TRUE(m.db.ApplyDeviceDefaults(dpi, info, true));
  const struct {
    const char* key;
    const char* full;
    const char* dpi_only;
  } expected[] = {
      {"dpi_index", "2", "2"},
      {"dpi_flag", "4", "4"},
      {"dpi_count", "4", "4"},
      {"dpi_group0_value", "400", "400"},
      {"dpi_group0_rgb", "33023", "33023"},
      {"dpi_group1_rgb", "65280", "65280"},
      {"dpi_group2_value", "1600", "1600"},
      {"dpi_group2_rgb", "65280", "65280"},     // no colour given: default kept
      {"dpi_group3_value", "3200", "3200"},     // no dpi_4: default kept
      {"dpi_group5_value", "12000", "12000"},
      {"dpi_group5_rgb", "16711680", "16711680"},
      {"dpi_group6_value", "26000", "26000"},
      {"report_rate", "3", "9"},
      {"sleep_light", "1", "1"},
      {"move_wakeup", "0", "1"},
      {"liftoff_height", "2", "1"},
      {"button_respondtime", "12", "8"},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(m.db.GetConfigInt(full, e.key), std::stoi(e.full)) << e.key;
    std::string value;
    m.db.GetConfigValue(dpi, e.key, value);
    EXPECT_EQ(value, e.dpi_only) << e.key;
  }
}

TEST(SettingsProfiles, InitCreatesFourNamedProfilesOnceAndUsesTheTableIds) {
  ModelDb m;
  // Leftover ids: the table hands out 11 and up, not 1 to 4.
  ASSERT_TRUE(RunSql(m.path, "INSERT INTO t_profile_data(profile, name) VALUES (10, 'x'); "
                             "DELETE FROM t_profile_data;"));
  TempFolder folder;
  const MouseInfo info = ReadInfo(folder, kDescription);
  EXPECT_EQ(InitProfiles(m.db, "Profile", &info), 11);
  EXPECT_EQ(Query(m.path, "SELECT profile, name, status, app, type FROM t_profile_data"),
            (test::Rows{{"11", "Profile 1", "1", "", "0"},
                        {"12", "Profile 2", "0", "", "0"},
                        {"13", "Profile 3", "0", "", "0"},
                        {"14", "Profile 4", "0", "", "0"}}));
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_configdata WHERE profile BETWEEN 11 AND 14"), "160");
  EXPECT_EQ(One(m.path, "SELECT count(DISTINCT profile) FROM t_configdata WHERE key = 'dpi_group0_value' "
                        "AND value = '400'"),
            "4");
  // Again: nothing is added; a database without an active mark gets the first one.
  ASSERT_TRUE(RunSql(m.path, "UPDATE t_profile_data SET status = 0"));
  EXPECT_EQ(InitProfiles(m.db, "Profil", &info), 11);
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_profile_data"), "4");

  EXPECT_TRUE(m.db.ActivateProfile(13));
  EXPECT_EQ(Query(m.path, "SELECT profile FROM t_profile_data WHERE status = 1"), (test::Rows{{"13"}}));
  EXPECT_EQ(m.db.GetActiveProfile(), 13);
  EXPECT_TRUE(m.db.RenameProfile(12, "Gaming"));
  EXPECT_EQ(m.db.GetProfileName(12), "Gaming");
  EXPECT_EQ(m.db.GetProfileName(99), "");
  std::vector<ProfileRecord> list(7);
  ASSERT_EQ(m.db.ListProfiles(list), 4);
  EXPECT_EQ(list[1].name, "Gaming");
  EXPECT_EQ(list[2].status, 1);
}

TEST(SettingsProfiles, FailedProfileStopsCreationAndLeavesNoHalfProfile) {
  ModelDb m;
  // The third profile's settings cannot be stored.
  ASSERT_TRUE(RunSql(m.path, "CREATE TRIGGER no3 BEFORE INSERT ON t_configdata WHEN NEW.profile = 3 AND "
                             "NEW.key = 'dpi_count' BEGIN SELECT RAISE(ABORT, 'full'); END;"));
  EXPECT_EQ(InitProfiles(m.db, "\xE9\x85\x8D\xE7\xBD\xAE", nullptr), 1);  // 配置
  EXPECT_EQ(Query(m.path, "SELECT profile, name FROM t_profile_data"),
            (test::Rows{{"1", "\xE9\x85\x8D\xE7\xBD\xAE 1"}, {"2", "\xE9\x85\x8D\xE7\xBD\xAE 2"}}));
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_configdata WHERE profile = 3"), "0");
}

TEST(SettingsProfiles, ShownNamesFollowTheLanguage) {
  const struct {
    const char* stored;
    const char* text61;
    const char* label;
    const char* dialog;
  } cases[] = {
      {"Profile 2", "Profil", "Profil 2", "Profil 2"},
      {"Profile 2", "\xE9\x85\x8D\xE7\xBD\xAE", "\xE9\x85\x8D\xE7\xBD\xAE 2", "\xE9\x85\x8D\xE7\xBD\xAE 2"},
      {"\xE9\x85\x8D\xE7\xBD\xAE 1", "Profile", "Profile 1", "Profile 1"},
      {"Konfiguration 4", "Profile", "Profile 4", "Konfiguration 4"},
      {"Profil 3", "Profile", "Profile 3", "Profil 3"},
      {"Gaming", "Profil", "Gaming", "Gaming"},
      {"Profiles A", "Profil", "Profils A", "Profils A"},
      {" Ustawienia 1", "Profile", "Profile 1", " Ustawienia 1"},
      {"profile 1", "Profil", "profile 1", "profile 1"},  // case counts
      {"", "Profil", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProfileDisplayName(c.stored, c.text61), c.label) << c.stored;
    EXPECT_EQ(ProfileDialogName(c.stored, c.text61), c.dialog) << c.stored;
  }
}

KeyAssignment Row(int profile, int key_code, int type, int value, int value2, const char* desc) {
  KeyAssignment r;
  r.profile = profile;
  r.key_code = key_code;
  r.macro_type = type;
  r.macro_value = value;
  r.macro_value2 = value2;
  r.macro_desc = desc;
  return r;
}

TEST(SettingsKeys, SaveReplaceRestoreAndLayers) {
  ModelDb m;
  const int id = m.db.SaveKeyAssignment(Row(1, 2, 2, 4, 3, "Shift + Ctrl + A"));
  ASSERT_GT(id, 0);
  KeyAssignment got;
  ASSERT_TRUE(m.db.GetKeyAssignment(1, 2, got));
  EXPECT_EQ(got.key_id, id);
  EXPECT_EQ(got.macro_type, 2);
  EXPECT_EQ(got.macro_value, 4);
  EXPECT_EQ(got.macro_value2, 3);
  EXPECT_EQ(got.macro_desc, "Shift + Ctrl + A");
  EXPECT_EQ(KeyboardAssignmentDescription(kModCtrl | kModShift, "A"), "Shift + Ctrl + A");

  // A new function replaces the row; value 0 and value2 0 only deletes.
  ASSERT_GT(m.db.SaveKeyAssignment(Row(1, 2, 1, 7, 0, "Scroll up")), 0);
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_key_macro_data WHERE key_code = 2"), "1");
  EXPECT_GT(m.db.SaveKeyAssignment(Row(1, 3, 2, 0, 8, "Win")), 0);  // modifiers only
  EXPECT_EQ(m.db.SaveKeyAssignment(Row(1, 2, 1, 0, 0, "")), 0);
  KeyAssignment untouched;
  untouched.macro_desc = "before";
  EXPECT_FALSE(m.db.GetKeyAssignment(1, 2, untouched));
  EXPECT_EQ(untouched.macro_desc, "before");

  // Rows of another layer are never read; deleting a profile's keys leaves the others.
  ASSERT_TRUE(RunSql(m.path, "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, macro_type, macro_value) "
                             "VALUES (1, 1, 5, 1, 1)"));
  ASSERT_GT(m.db.SaveKeyAssignment(Row(2, 5, 9, 1, 0, "Disable")), 0);
  std::vector<KeyAssignment> list(3);
  ASSERT_EQ(m.db.ListKeyAssignments(1, list), 1);
  EXPECT_EQ(list[0].key_code, 3);
  EXPECT_FALSE(m.db.GetKeyAssignment(1, 5, got));
  EXPECT_TRUE(m.db.SetKeyDescription(1, 3, "Win key"));
  ASSERT_TRUE(m.db.GetKeyAssignment(1, 3, got));
  EXPECT_EQ(got.macro_desc, "Win key");
  EXPECT_TRUE(m.db.DeleteProfileKeys(1));
  EXPECT_EQ(m.db.ListKeyAssignments(1, list), 0);
  EXPECT_EQ(m.db.ListKeyAssignments(2, list), 1);
}

TEST(SettingsKeys, FailedInsertKeepsTheOldAssignment) {
  ModelDb m;
  ASSERT_GT(m.db.SaveKeyAssignment(Row(1, 4, 3, 2, 0, "Play")), 0);
  ASSERT_TRUE(RunSql(m.path, "CREATE TRIGGER full BEFORE INSERT ON t_key_macro_data BEGIN "
                             "SELECT RAISE(ABORT, 'full'); END;"));
  EXPECT_EQ(m.db.SaveKeyAssignment(Row(1, 4, 3, 6, 0, "Volume up")), 0);
  KeyAssignment got;
  ASSERT_TRUE(m.db.GetKeyAssignment(1, 4, got));
  EXPECT_EQ(got.macro_value, 2);
}

TEST(SettingsKeys, MacroRenameReachesOnlyThisProfilesRows) {
  ModelDb m;
  ASSERT_GT(m.db.SaveKeyAssignment(Row(1, 1, 4, 7, 0, "Custom 1")), 0);
  ASSERT_GT(m.db.SaveKeyAssignment(Row(1, 2, 4, 8, 0, "Custom 2")), 0);
  ASSERT_GT(m.db.SaveKeyAssignment(Row(2, 1, 4, 7, 0, "Custom 1")), 0);
  ASSERT_TRUE(m.db.RenameMacroAssignments(1, 7, "Jump"));
  EXPECT_EQ(Query(m.path, "SELECT profile, key_code, macro_desc FROM t_key_macro_data ORDER BY key_id"),
            (test::Rows{{"1", "1", "Jump"}, {"1", "2", "Custom 2"}, {"2", "1", "Custom 1"}}));
}

// One row per kind of function: what is stored reads back the same, is shown with its
// text, and goes to the mouse as the bytes of the button map.
TEST(SettingsKeys, EncodingTableThroughStoreDisplayAndButtonMap) {
  const struct {
    int type, value, value2;
    const char* desc;
    int text;  // 0: the stored description is shown
    uint8_t slot[3];
  } cases[] = {
      {1, 1, 0, "", 106, {0x10, 0x01, 0x00}},   {1, 2, 0, "", 108, {0x10, 0x04, 0x00}},
      {1, 3, 0, "", 107, {0x10, 0x02, 0x00}},   {1, 4, 0, "", 180, {0x30, 0x32, 0x03}},
      {1, 5, 0, "", 109, {0x10, 0x10, 0x00}},   {1, 6, 0, "", 110, {0x10, 0x08, 0x00}},
      {1, 7, 0, "", 112, {0x20, 0x01, 0x00}},   {1, 8, 0, "", 113, {0x20, 0xFF, 0x00}},
      {1, 9, 0, "", 114, {0x10, 0x00, 0xF5}},   {1, 10, 0, "", 115, {0x10, 0x00, 0xF6}},
      {2, 4, 3, "Shift + Ctrl + A", 0, {0x70, 0x03, 0x04}},
      {3, 1, 0, "", 120, {0x80, 0x83, 0x01}},   {3, 2, 0, "", 121, {0x80, 0xCD, 0x00}},
      {3, 3, 0, "", 124, {0x80, 0xB7, 0x00}},   {3, 4, 0, "", 122, {0x80, 0xB6, 0x00}},
      {3, 5, 0, "", 123, {0x80, 0xB5, 0x00}},   {3, 6, 0, "", 117, {0x80, 0xE9, 0x00}},
      {3, 7, 0, "", 118, {0x80, 0xEA, 0x00}},   {3, 8, 0, "", 119, {0x80, 0xE2, 0x00}},
      {5, 1, 0, "DPI +", 0, {0x40, 0x02, 0x00}}, {5, 2, 0, "DPI -", 0, {0x40, 0x03, 0x00}},
      {5, 3, 0, "DPI loop", 0, {0x40, 0x01, 0x00}},
      {6, 1, 0, "", 151, {0x60, 0x04, 0x00}},   {6, 2, 0, "Special 2", 0, {0x60, 0x01, 0x00}},
      {7, 20, 5, "Fire", 161, {0x30, 20, 5}},
      {8, 1, 0, "", 127, {0x80, 0x6F, 0x00}},   {8, 2, 0, "", 128, {0x80, 0x70, 0x00}},
      {8, 3, 0, "", 129, {0x80, 0x92, 0x01}},   {8, 4, 0, "", 130, {0x80, 0x94, 0x01}},
      {8, 5, 0, "", 131, {0x80, 0x23, 0x02}},   {8, 6, 0, "", 132, {0x80, 0x8A, 0x01}},
      {8, 7, 0, "", 133, {0x70, 0x08, 0x07}},   {8, 8, 0, "", 134, {0x70, 0x08, 0x2B}},
      {8, 9, 0, "", 31, {0x70, 0x01, 0x06}},    {8, 10, 0, "", 32, {0x70, 0x01, 0x19}},
      {8, 11, 0, "", 36, {0x70, 0x01, 0x1B}},
      {9, 1, 0, "", 139, {0x60, 0x00, 0x00}},
  };
  ModelDb m;
  const TextLookup text = [](int n) { return "T" + std::to_string(n); };
  const ButtonSlots defaults = DefaultButtonMap(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " value " << c.value);
    ASSERT_GT(m.db.SaveKeyAssignment(Row(1, 1, c.type, c.value, c.value2, c.desc)), 0);
    KeyAssignment got;
    ASSERT_TRUE(m.db.GetKeyAssignment(1, 1, got));
    EXPECT_EQ(got.macro_type, c.type);
    EXPECT_EQ(got.macro_value, c.value);
    EXPECT_EQ(got.macro_value2, c.value2);
    EXPECT_EQ(AssignmentDisplayName(got, text, 1033), c.text ? "T" + std::to_string(c.text) : std::string(c.desc));

    const KeyFunctionInfo* f = FindKeyFunction(c.type, c.value);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->text, c.text);
    if (f->rule != SlotRule::kFromValues) {
      EXPECT_EQ(f->slot[0], c.slot[0]);
      EXPECT_EQ(f->slot[1], c.slot[1]);
    }
    if (f->rule == SlotRule::kFixed) {
      EXPECT_EQ(f->slot[2], c.slot[2]);
    }

    // The report builder of the device layer must agree with the table.
    ButtonSlots slots = defaults;
    ApplyButtonFunction(slots, 1, ButtonFunction{got.macro_type, got.macro_value, got.macro_value2}, std::nullopt,
                        defaults);
    EXPECT_EQ(slots[3], c.slot[0]);
    EXPECT_EQ(slots[4], c.slot[1]);
    EXPECT_EQ(slots[5], c.slot[2]);
  }
  // Values the table does not name: the stored description, and no table row.
  EXPECT_EQ(AssignmentDisplayName(Row(1, 1, 6, 9, 0, "odd"), text, 1033), "odd");
  EXPECT_EQ(FindKeyFunction(6, 9), nullptr);
  EXPECT_EQ(FindKeyFunction(12, 1), nullptr);
  // A macro row is shown through the macro naming rule.
  EXPECT_EQ(AssignmentDisplayName(Row(1, 1, 4, 3, 0, "\xE8\x87\xAA\xE5\xAE\x9A\xE4\xB9\x89 2"), text, 1033), "T351 2");
  KeyAssignment def;
  def.macro_desc = "106";
  EXPECT_EQ(DefaultAssignmentDisplayName(def, text), "T106");
}

TEST(SettingsKeys, KeyUsageFromVirtualKey) {
  const struct {
    int vk, usage;
  } cases[] = {
      {65, 4},   {90, 29},  {49, 30},  {57, 38},  {48, 39},  {13, 40},  {27, 41},  {8, 42},   {9, 43},
      {32, 44},  {189, 45}, {187, 46}, {219, 47}, {221, 48}, {220, 49}, {666, 50}, {186, 51}, {222, 52},
      {192, 53}, {188, 54}, {190, 55}, {191, 56}, {20, 57},  {112, 58}, {123, 69}, {124, 104}, {135, 115},
      {44, 70},  {145, 71}, {19, 72},  {45, 73},  {36, 74},  {33, 75},  {46, 76},  {35, 77},  {34, 78},
      {39, 79},  {37, 80},  {40, 81},  {38, 82},  {144, 83}, {111, 84}, {106, 85}, {109, 86}, {107, 87},
      {108, 88}, {97, 89},  {105, 97}, {96, 98},  {110, 99}, {162, 224}, {160, 225}, {164, 226}, {91, 227},
      {163, 228}, {161, 229}, {165, 230}, {92, 231}, {93, 101}, {226, 100}, {254, 175}, {136, 136}, {139, 139},
      {301, 236}, {302, 235}, {16, 0},   {17, 0},   {12, 0},   {0, 0},    {140, 0},  {-5, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyUsageFromVirtualKey(c.vk), c.usage) << c.vk;
}

}  // namespace
}  // namespace tavrick
