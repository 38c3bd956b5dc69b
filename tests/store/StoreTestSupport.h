#pragma once
// Helpers of the store tests: a model database in a temporary folder, and a second, plain
// SQLite connection that looks at the file the way any other program would.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/SettingsDatabase.h"
#include "tests/support/TempFolder.h"

namespace tavrick::test {

using Rows = std::vector<std::vector<std::string>>;

// Runs sql on its own connection to the file; every column as text ("<null>" for null).
inline Rows Query(const std::string& path, const std::string& sql) {
  Rows rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return {{"<open failed>"}};
  }
  sqlite3_busy_timeout(db, 5000);
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    rows.push_back({"<prepare failed>", sqlite3_errmsg(db)});
  } else {
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const unsigned char* t = sqlite3_column_text(st, i);
        row.push_back(t ? reinterpret_cast<const char*>(t) : "<null>");
      }
      rows.push_back(std::move(row));
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

// Runs statements that return nothing; true when all succeeded.
inline bool RunSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
  if (ok) sqlite3_busy_timeout(db, 5000);
  ok = ok && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

inline std::string One(const std::string& path, const std::string& sql) {
  const Rows rows = Query(path, sql);
  return rows.empty() || rows[0].empty() ? std::string("<no row>") : rows[0][0];
}

// A database of the model "m1" in its own temporary folder.
struct ModelDb {
  TempFolder folder;
  SettingsDatabase db;
  bool opened = db.OpenForDevice(folder.Path(), "m1");
  std::string path = folder.Path() + "/db/m1_data1.db";
};

}  // namespace tavrick::test
