// The SQLite wrapper, the database file of a model and its schema, and the settings keys.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

#include "store/SQLiteDB.h"
#include "store/SettingsDatabase.h"
#include "store/SettingsKeys.h"
#include "tests/store/StoreTestSupport.h"

namespace tavrick {
namespace {

using test::ModelDb;
using test::One;
using test::Query;
using test::RunSql;
using test::TempFolder;

TEST(SQLiteWrapper, ClosedDatabaseAndEmptyStatementAnswerMisuse) {
  SQLiteDB db;
  SQLiteStatement st;
  EXPECT_TRUE(db.Close());
  EXPECT_EQ(db.LastInsertRowId(), -1);
  EXPECT_EQ(db.Exec("SELECT 1"), kSqliteMisuse);
  EXPECT_EQ(db.Prepare(st, "SELECT 1"), kSqliteMisuse);
  EXPECT_FALSE(st.HasStatement());
  EXPECT_EQ(st.BindInt(1, 5), kSqliteMisuse);
  EXPECT_EQ(st.BindText(1, "x"), kSqliteMisuse);
  EXPECT_EQ(st.Step(), kSqliteMisuse);
  EXPECT_EQ(st.ColumnInt(0), 0);
  EXPECT_EQ(st.ColumnText(0), nullptr);
  EXPECT_FALSE(db.Open(nullptr, kOpenCreate));

  SQLiteAutoTransaction tr(&db);
  EXPECT_TRUE(tr.active());
  EXPECT_FALSE(tr.began());
  EXPECT_FALSE(tr.End());
  SQLiteAutoTransaction none(nullptr);
  EXPECT_FALSE(none.Begin());
  EXPECT_FALSE(none.End());
}

TEST(SQLiteWrapper, OpenPrepareReuseAndTransientText) {
  TempFolder folder;
  SQLiteDB db;
  const std::string path = folder.File("w.db");
  EXPECT_FALSE(db.Open(path.c_str(), kOpenExisting));  // no such file
  ASSERT_TRUE(db.Open(path.c_str(), kOpenCreate));
  EXPECT_EQ(One(path, "PRAGMA journal_mode"), "wal");
  ASSERT_EQ(db.Exec("CREATE TABLE t(a INTEGER, b TEXT)"), kSqliteOk);
  {
    SQLiteStatement empty;
    EXPECT_EQ(db.Prepare(empty, nullptr), kSqliteMisuse);
  }

  SQLiteStatement st;
  ASSERT_EQ(db.Prepare(st, "INSERT INTO t(a, b) VALUES (?, ?)"), kSqliteOk);
  // A second prepare on the same object finalizes the first statement: only one remains.
  ASSERT_EQ(db.Prepare(st, "INSERT INTO t(a, b) VALUES (?, ?)"), kSqliteOk);
  int live = 0;
  for (sqlite3_stmt* s = sqlite3_next_stmt(db.handle(), nullptr); s; s = sqlite3_next_stmt(db.handle(), s)) ++live;
  EXPECT_EQ(live, 1);

  // The bound text must survive its buffer: it is overwritten before the step.
  std::string buffer = "kept text";
  ASSERT_EQ(st.BindInt(1, 7), kSqliteOk);
  ASSERT_EQ(st.BindText(2, buffer), kSqliteOk);
  buffer.assign(buffer.size(), 'X');
  EXPECT_EQ(st.Step(), kSqliteDone);
  EXPECT_EQ(db.LastInsertRowId(), 1);

  ASSERT_EQ(db.Prepare(st, "SELECT a, b, NULL FROM t"), kSqliteOk);
  ASSERT_EQ(st.Step(), kSqliteRow);
  EXPECT_EQ(st.ColumnInt(0), 7);
  EXPECT_EQ(st.ColumnString(1), "kept text");
  EXPECT_EQ(st.ColumnString(2), "");
  EXPECT_EQ(st.Step(), kSqliteDone);

  // A statement on a missing table leaves the object empty; its step is then misuse.
  EXPECT_NE(db.Prepare(st, "SELECT * FROM missing"), kSqliteOk);
  EXPECT_FALSE(st.HasStatement());
  EXPECT_EQ(st.Step(), kSqliteMisuse);
  EXPECT_TRUE(db.Close());
  EXPECT_FALSE(db.IsOpen());
}

TEST(SQLiteWrapper, TransactionCommitsOnlyWhenEndedAndNests) {
  TempFolder folder;
  SQLiteDB db;
  const std::string path = folder.File("t.db");
  ASSERT_TRUE(db.Open(path.c_str(), kOpenCreate));
  ASSERT_EQ(db.Exec("CREATE TABLE t(a INTEGER)"), kSqliteOk);
  {
    SQLiteAutoTransaction tr(&db);
    EXPECT_FALSE(tr.Begin());  // already begun by the constructor
    db.Exec("INSERT INTO t VALUES (1)");
  }  // dropped without End: rolled back
  EXPECT_EQ(One(path, "SELECT count(*) FROM t"), "0");
  {
    SQLiteAutoTransaction outer(&db);
    db.Exec("INSERT INTO t VALUES (2)");
    {
      SQLiteAutoTransaction inner(&db);
      db.Exec("INSERT INTO t VALUES (3)");
      EXPECT_TRUE(inner.Rollback());  // undoes 3 only
    }
    {
      SQLiteAutoTransaction inner(&db);
      db.Exec("INSERT INTO t VALUES (4)");
      EXPECT_TRUE(inner.End());  // kept for the outer commit
    }
    EXPECT_EQ(One(path, "SELECT count(*) FROM t"), "0");  // nothing visible before the commit
    EXPECT_TRUE(outer.End());
  }
  EXPECT_EQ(Query(path, "SELECT a FROM t ORDER BY a"), (test::Rows{{"2"}, {"4"}}));
}

const char* const kStoredSchema[] = {
      "CREATE TABLE t_configdata(config_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  profile INTEGER, key TEXT, value TEXT)",
      "CREATE TABLE t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  name TEXT, status INTEGER, app TEXT, type INTEGER)",
      "CREATE INDEX profileindex ON t_profile_data(profile)",
      "CREATE TABLE t_key_macro_data(key_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\tprofile INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, layout_desc TEXT, \t\t\t\t\t\t\t\tmacro_type INTEGER, macro_value INTEGER, macro_value2 INTEGER, macro_value3 INTEGER, macro_desc TEXT)",
      "CREATE INDEX keyindex ON t_key_macro_data(key_id)",
      "CREATE TABLE t_key_otherdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_desc TEXT, param TEXT, type INTEGER)",
      "CREATE INDEX otheridindex ON t_key_otherdata(macro_value)",
      "CREATE TABLE t_macro_data(macro_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   name TEXT, play_type INTEGER, play_times INTEGER, delay_type INTEGER, delay_time INTEGER)",
      "CREATE INDEX macroidindex ON t_macro_data(macro_id)",
      "CREATE TABLE t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_id INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, delay_time INTEGER)",
      "CREATE INDEX macrorecordindex ON t_macrorecord(record_id)",
      "CREATE TABLE t_light_data(light_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t\t\t  profile INTEGER, name TEXT, mode INTEGER, brightness INTEGER, speed INTEGER, \t\t\t\t\t\t\t\t\t\tdirection INTEGER, colorful INTEGER, colorindex INTEGER, \t\t\t\t\t\t\t\t\t\tcolor_value1 INTEGER, color_value2 INTEGER, color_value3 INTEGER, color_value4 INTEGER,\t\t\t\t\t\t\t\t\t\tcolor_value5 INTEGER, color_value6 INTEGER, color_value7 INTEGER,\t\t\t\t\t\t\t\t\t\tconfig_func INTEGER, reserved INTEGER, status INTEGER)",
      "CREATE INDEX lightindex ON t_light_data(light_id)",
      "CREATE TABLE t_key_light_data(keylight_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   profile INTEGER, light_id INTEGER, key_code INTEGER, key_rgb INTEGER)",
      "CREATE INDEX keylightindex ON t_key_light_data(keylight_id)",
};

TEST(SettingsDatabaseFile, NewFileHoldsExactlyTheSchemaAndNoRows) {
  ModelDb m;
  ASSERT_TRUE(m.opened);
  EXPECT_TRUE(m.db.IsOpenForDevice());
  EXPECT_EQ(m.db.Path(), m.path);
  test::Rows expected;
  for (const char* sql : kStoredSchema) expected.push_back({sql});
  EXPECT_EQ(Query(m.path, "SELECT sql FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' ORDER BY rowid"), expected);
  for (const char* table : {"t_configdata", "t_profile_data", "t_key_macro_data", "t_key_otherdata", "t_macro_data",
                            "t_macrorecord", "t_light_data", "t_key_light_data"})
    EXPECT_EQ(One(m.path, std::string("SELECT count(*) FROM ") + table), "0") << table;
}

TEST(SettingsDatabaseFile, ReopenKeepsDataAndCompletesAHalfCreatedFile) {
  TempFolder folder;
  ASSERT_TRUE(folder.Write("db/.keep", ""));
  ASSERT_TRUE(RunSql(folder.File("db/half_data1.db"), "CREATE TABLE t_configdata(config_id INTEGER PRIMARY KEY "
                                                   "AUTOINCREMENT, profile INTEGER, key TEXT, value TEXT)"));
  SettingsDatabase db;
  ASSERT_TRUE(db.OpenForDevice(folder.Path(), "half"));
  EXPECT_EQ(One(folder.File("db/half_data1.db"), "SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_%'"), "15");
  ASSERT_NE(db.CreateMacro("kept"), 0);
  EXPECT_TRUE(db.CloseDevice());
  EXPECT_FALSE(db.IsOpenForDevice());
  EXPECT_EQ(db.CreateMacro("closed"), 0);
  ASSERT_TRUE(db.OpenForDevice(folder.Path() + "/", "half"));
  std::vector<MacroInfo> macros;
  ASSERT_EQ(db.ListMacros(macros), 1);
  EXPECT_EQ(macros[0].name, "kept");
}

TEST(SettingsDatabaseFile, SwitchingModelsWritesIntoTheNewModelsFile) {
  TempFolder folder;
  SettingsDatabase db;
  ASSERT_TRUE(db.OpenForDevice(folder.Path(), "first"));
  ASSERT_NE(db.CreateMacro("in first"), 0);
  EXPECT_TRUE(db.OpenForDevice(folder.Path(), "first"));  // same file: stays open
  ASSERT_TRUE(db.OpenForDevice(folder.Path(), "second"));
  ASSERT_NE(db.CreateMacro("in second"), 0);
  EXPECT_EQ(Query(folder.File("db/first_data1.db"), "SELECT name FROM t_macro_data"), (test::Rows{{"in first"}}));
  EXPECT_EQ(Query(folder.File("db/second_data1.db"), "SELECT name FROM t_macro_data"), (test::Rows{{"in second"}}));
}

TEST(SettingsDatabaseFile, BrokenFileOrBadModelNameIsRefused) {
  TempFolder folder;
  ASSERT_TRUE(folder.Write("db/junk_data1.db", std::string(4096, 'J')));
  SettingsDatabase db;
  EXPECT_FALSE(db.OpenForDevice(folder.Path(), "junk"));
  EXPECT_FALSE(db.IsOpenForDevice());
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(folder.Read("db/junk_data1.db"), std::string(4096, 'J'));  // left as found
  for (const char* bad : {"", "../escape", "a/b"}) EXPECT_FALSE(db.OpenForDevice(folder.Path(), bad)) << bad;
  EXPECT_FALSE(folder.Exists("escape_data1.db"));
}

TEST(SettingsDatabaseFile, InstanceIsOneObject) {
  EXPECT_EQ(&SettingsDatabase::Instance(), &SettingsDatabase::Instance());
}

// The keys a new profile starts with, in order.
const std::pair<const char*, const char*> kExpectedDefaults[] = {
    {"version", "1.0.1"}, {"lightmode", "3"}, {"sleep_light", "1"}, {"move_wakeup", "1"},
    {"move_closelight", "1"}, {"report_rate", "2"}, {"report_rate_wireless", "1"}, {"report_count", "4"},
    {"report_flag", "127"}, {"button_respondtime", "8"}, {"sensor_flag", "53"}, {"liftoff_height", "1"},
    {"scroll_flag", "1"}, {"e-sports_flag", "0"}, {"leftbtn_lock", "1"}, {"dpi_flag", "6"}, {"dpi_index", "1"},
    {"dpi_count", "6"}, {"dpi_group0_value", "800"}, {"dpi_group1_value", "1600"}, {"dpi_group2_value", "2400"},
    {"dpi_group3_value", "3200"}, {"dpi_group4_value", "6400"}, {"dpi_group5_value", "26000"},
    {"dpi_group6_value", "26000"}, {"dpi_group7_value", "0"}, {"dpi_group0_rgb", "255"},
    {"dpi_group1_rgb", "16711680"}, {"dpi_group2_rgb", "65280"}, {"dpi_group3_rgb", "65535"},
    {"dpi_group4_rgb", "16711935"}, {"dpi_group5_rgb", "16776960"}, {"dpi_group6_rgb", "16712191"},
    {"dpi_group7_rgb", "16777215"}, {"dpi_group8_rgb", "2139135"}, {"mouse_speed", "10"},
    {"mouse_sensitivity", "1"}, {"wheel_scrollflag", "0"}, {"wheel_scrolllines", "3"},
    {"doubleclick_time", "550"},
};

TEST(SettingsConfig, NewProfileHasEveryDefaultOnceAndOnlyExistingKeysUpdate) {
  ModelDb m;
  ProfileRecord p;
  p.name = "P";
  const int id = m.db.AddProfile(p);
  ASSERT_GT(id, 0);
  test::Rows expected;
  for (const auto& [key, value] : kExpectedDefaults) expected.push_back({std::to_string(id), key, value});
  EXPECT_EQ(Query(m.path, "SELECT profile, key, value FROM t_configdata ORDER BY config_id"), expected);

  std::string value = "stale";
  EXPECT_TRUE(m.db.GetConfigValue(id, "dpi_group5_value", value));
  EXPECT_EQ(value, "26000");
  EXPECT_TRUE(m.db.SetConfigValue(id, "dpi_index", 3));
  EXPECT_EQ(m.db.GetConfigInt(id, "dpi_index"), 3);
  EXPECT_TRUE(m.db.SetConfigValue(id, "dpi_group0_value", "\xE4\xB8\xAD 1200"));  // text passes as UTF-8
  EXPECT_TRUE(m.db.GetConfigValue(id, "dpi_group0_value", value));
  EXPECT_EQ(value, "\xE4\xB8\xAD 1200");

  // Unknown keys and other profiles are not created by an update.
  EXPECT_TRUE(m.db.SetConfigValue(id, "no_such_key", "1"));
  EXPECT_FALSE(m.db.GetConfigValue(id, "no_such_key", value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(m.db.SetConfigValue(id + 1, "dpi_index", "2"));
  EXPECT_FALSE(m.db.GetConfigValue(id + 1, "dpi_index", value));
  EXPECT_EQ(m.db.GetConfigInt(id + 1, "dpi_index"), 0);
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_configdata"), "40");
}

TEST(SettingsConfig, ClosedDatabaseFailsEveryOperationQuietly) {
  SettingsDatabase db;
  std::string text = "x";
  std::vector<ProfileRecord> profiles(2);
  std::vector<KeyAssignment> keys(1);
  std::vector<LightModeRecord> lights(1);
  std::vector<MacroInfo> macros;
  std::vector<MacroRecord> records;
  KeyAssignment key;
  key.macro_value = 1;
  LightModeRecord light;
  MacroInfo macro;
  macro.name = "untouched";
  EXPECT_FALSE(db.SetConfigValue(1, "dpi_index", "1"));
  EXPECT_FALSE(db.GetConfigValue(1, "dpi_index", text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(db.InsertDefaultConfig(1));
  EXPECT_EQ(db.AddProfile(ProfileRecord{}), 0);
  EXPECT_FALSE(db.RenameProfile(1, "x"));
  EXPECT_EQ(db.ListProfiles(profiles), 0);
  EXPECT_TRUE(profiles.empty());
  EXPECT_FALSE(db.ActivateProfile(1));
  EXPECT_EQ(db.GetActiveProfile(), 0);
  EXPECT_EQ(db.GetProfileName(1), "");
  EXPECT_EQ(db.SaveKeyAssignment(key), 0);
  EXPECT_FALSE(db.GetKeyAssignment(1, 0, key));
  EXPECT_EQ(db.ListKeyAssignments(1, keys), 0);
  EXPECT_FALSE(db.SetKeyDescription(1, 0, "x"));
  EXPECT_FALSE(db.DeleteProfileKeys(1));
  EXPECT_FALSE(db.InsertLightMode(light));
  EXPECT_FALSE(db.UpdateLightMode(1, light));
  EXPECT_FALSE(db.ActivateLightMode(1, 1));
  EXPECT_EQ(db.GetActiveLightMode(1), 0);
  EXPECT_FALSE(db.GetLightMode(1, 1, light));
  EXPECT_EQ(db.ListLightModes(1, lights), 0);
  EXPECT_EQ(db.CountLightModes(1), -1);
  EXPECT_EQ(db.CreateMacro("m"), 0);
  EXPECT_EQ(db.InsertMacro(macro), 0);
  EXPECT_FALSE(db.RenameMacro(1, "m"));
  EXPECT_FALSE(db.GetMacro(1, macro));
  EXPECT_EQ(macro.name, "untouched");
  EXPECT_FALSE(db.UpdateMacro(macro));
  EXPECT_EQ(db.ListMacros(macros), 0);
  EXPECT_FALSE(db.DeleteMacro(1));
  EXPECT_EQ(db.InsertMacroRecord(MacroRecord{}), 0);
  EXPECT_FALSE(db.InsertMacroRecords({MacroRecord{}}));
  EXPECT_EQ(db.ListMacroRecords(1, records), 0);
  EXPECT_FALSE(db.ReplaceMacroRecords(1, {}));
}

TEST(SettingsConfig, MissingTableFailsItsOperations) {
  ModelDb m;
  ASSERT_TRUE(m.opened);
  ASSERT_TRUE(RunSql(m.path, "DROP TABLE t_macro_data; DROP TABLE t_configdata;"));
  std::vector<MacroInfo> macros;
  std::string value;
  EXPECT_EQ(m.db.CreateMacro("m"), 0);
  EXPECT_EQ(m.db.ListMacros(macros), 0);
  EXPECT_FALSE(m.db.SetConfigValue(1, "dpi_index", "1"));
  EXPECT_FALSE(m.db.GetConfigValue(1, "dpi_index", value));
  // The profile row and its settings are one transaction: no profile without settings.
  ProfileRecord p;
  p.name = "lost";
  EXPECT_EQ(m.db.AddProfile(p), 0);
  EXPECT_EQ(One(m.path, "SELECT count(*) FROM t_profile_data"), "0");
}

}  // namespace
}  // namespace tavrick
