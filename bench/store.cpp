// The settings store beside the same work done with plain sqlite3 calls on the same kind
// of file (WAL, synchronous = NORMAL). The ratio of each pair is the wrapper's overhead.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "device/DeviceDescription.h"
#include "store/Profiles.h"
#include "store/SettingsDatabase.h"
#include "store/SettingsKeys.h"
#include "tests/support/TempFolder.h"

namespace tavrick {
namespace {

sqlite3* OpenRaw(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;", nullptr, nullptr, nullptr);
  return db;
}

void Step(sqlite3* db, const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// A raw database with the same schema and one profile's settings.
sqlite3* RawModel(const std::string& path) {
  sqlite3* db = OpenRaw(path);
  for (const std::string& sql : SettingsDatabase::SchemaStatements()) Step(db, sql.c_str());
  return db;
}

void RawInsertProfile(sqlite3* db, int n) {
  Step(db, "BEGIN");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);", -1, &st, nullptr);
  const std::string name = "Profile " + std::to_string(n);
  sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(st, 2, 0);
  sqlite3_bind_text(st, 3, "", 0, SQLITE_TRANSIENT);
  sqlite3_bind_int(st, 4, 0);
  sqlite3_step(st);
  sqlite3_finalize(st);
  const int id = static_cast<int>(sqlite3_last_insert_rowid(db));
  sqlite3_prepare_v2(db, "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);", -1, &st, nullptr);
  for (const ConfigDefault& d : DefaultConfig()) {
    sqlite3_reset(st);
    sqlite3_bind_int(st, 1, id);
    sqlite3_bind_text(st, 2, d.key, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, d.value, -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
  }
  sqlite3_finalize(st);
  Step(db, "END");
}

void BM_ConfigRoundTrip_Store(benchmark::State& state) {
  test::TempFolder folder;
  SettingsDatabase db;
  db.OpenForDevice(folder.Path(), "bench");
  InitProfiles(db, "Profile", nullptr);
  int i = 0;
  std::string value;
  for (auto _ : state) {
    db.SetConfigValue(1, "dpi_group3_value", ++i);
    db.GetConfigValue(1, "dpi_group3_value", value);
    benchmark::DoNotOptimize(value.data());
  }
}
BENCHMARK(BM_ConfigRoundTrip_Store);

void BM_ConfigRoundTrip_RawSqlite(benchmark::State& state) {
  test::TempFolder folder;
  sqlite3* db = RawModel(folder.File("raw.db"));
  RawInsertProfile(db, 1);
  int i = 0;
  std::string value;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    const std::string text = std::to_string(++i);
    sqlite3_prepare_v2(db, "UPDATE t_configdata SET value = ? WHERE profile = ? and key = ?", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 2, 1);
    sqlite3_bind_text(st, 3, "dpi_group3_value", -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db, "SELECT value FROM t_configdata WHERE profile = ? and key = ?", -1, &st, nullptr);
    sqlite3_bind_int(st, 1, 1);
    sqlite3_bind_text(st, 2, "dpi_group3_value", -1, SQLITE_TRANSIENT);
    if (sqlite3_step(st) == SQLITE_ROW) value = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(value.data());
  }
  sqlite3_close(db);
}
BENCHMARK(BM_ConfigRoundTrip_RawSqlite);

// A new model: the file with its schema, four profiles with their settings, one active.
void BM_SeedNewModel_Store(benchmark::State& state) {
  test::TempFolder folder;
  int n = 0;
  for (auto _ : state) {
    SettingsDatabase db;
    db.OpenForDevice(folder.Path(), "model" + std::to_string(++n));
    benchmark::DoNotOptimize(InitProfiles(db, "Profile", nullptr));
  }
}
BENCHMARK(BM_SeedNewModel_Store)->Unit(benchmark::kMillisecond);

void BM_SeedNewModel_RawSqlite(benchmark::State& state) {
  test::TempFolder folder;
  int n = 0;
  for (auto _ : state) {
    sqlite3* db = RawModel(folder.File("model" + std::to_string(++n) + ".db"));
    for (int p = 1; p <= 4; ++p) RawInsertProfile(db, p);
    Step(db, "BEGIN; UPDATE t_profile_data SET status = 0; UPDATE t_profile_data SET status = 1 WHERE profile = 1; END;");
    sqlite3_close(db);
  }
}
BENCHMARK(BM_SeedNewModel_RawSqlite)->Unit(benchmark::kMillisecond);

std::vector<MacroEventRow> HundredEvents() {
  std::vector<MacroEventRow> rows;
  for (int i = 0; i < 100; ++i) rows.push_back(MacroEventRow{"\xE2\x86\x93  A", 2 + i % 2, 65, 1000 + i});
  return rows;
}

void BM_Macro100Events_Store(benchmark::State& state) {
  test::TempFolder folder;
  SettingsDatabase db;
  db.OpenForDevice(folder.Path(), "bench");
  const int id = db.CreateMacro("Custom 1");
  const std::vector<MacroEventRow> rows = HundredEvents();
  for (auto _ : state) benchmark::DoNotOptimize(db.ReplaceMacroRecords(id, rows));
}
BENCHMARK(BM_Macro100Events_Store);

void BM_Macro100Events_RawSqlite(benchmark::State& state) {
  test::TempFolder folder;
  sqlite3* db = RawModel(folder.File("raw.db"));
  Step(db, "INSERT INTO t_macro_data(name, play_type, play_times, delay_type, delay_time) VALUES ('Custom 1', 0, 1, 1, 0)");
  const std::vector<MacroEventRow> rows = HundredEvents();
  for (auto _ : state) {
    Step(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "DELETE FROM t_macrorecord WHERE macro_id = ?", -1, &st, nullptr);
    sqlite3_bind_int(st, 1, 1);
    sqlite3_step(st);
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db,
                       "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) VALUES (?, ?, "
                       "?, ?, ?, ?);",
                       -1, &st, nullptr);
    for (size_t i = 0; i < rows.size(); ++i) {
      sqlite3_reset(st);
      sqlite3_bind_int(st, 1, 1);
      sqlite3_bind_int(st, 2, rows[i].type);
      sqlite3_bind_int(st, 3, static_cast<int>(i));
      sqlite3_bind_text(st, 4, rows[i].text.c_str(), static_cast<int>(rows[i].text.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int(st, 5, rows[i].value);
      sqlite3_bind_int(st, 6, rows[i].stamp);
      sqlite3_step(st);
    }
    sqlite3_finalize(st);
    Step(db, "END");
  }
  sqlite3_close(db);
}
BENCHMARK(BM_Macro100Events_RawSqlite);

}  // namespace
}  // namespace tavrick

BENCHMARK_MAIN();
