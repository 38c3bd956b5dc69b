#include "store/SQLiteDB.h"

#include <sqlite3.h>

#include <cstring>

#include "base/Trace.h"

namespace tavrick {

SQLiteDB::~SQLiteDB() {
  if (db_) {
    sqlite3_interrupt(db_);
    Close();
  }
}

bool SQLiteDB::Open(const char* path, int flags) {
  if (db_) {
    sqlite3_interrupt(db_);
    if (!Close()) return false;  // a busy connection cannot be replaced
  }
  if (!path) return false;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path, &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    if (db) sqlite3_close(db);
    base::Trace(base::TraceLevel::Warning, "database open failed (%d): %s", rc, path);
    return false;
  }
  db_ = db;
  // Both threads may wait for each other's commits briefly; never fail on a busy file.
  sqlite3_busy_timeout(db_, 5000);
  // WAL with synchronous = NORMAL: commits stay durable across a process crash, and a power
  // loss can at worst drop the latest commits, never corrupt the file.
  if (Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; ") != SQLITE_OK)
    base::Trace(base::TraceLevel::Warning, "database journal setup failed: %s", path);
  return true;
}

bool SQLiteDB::Close() {
  if (!db_) return true;
  if (sqlite3_close(db_) != SQLITE_OK) return false;
  db_ = nullptr;
  return true;
}

int SQLiteDB::Exec(const char* sql, int (*callback)(void*, int, char**, char**), void* context) {
  if (!db_ || !sql) return SQLITE_MISUSE;
  return sqlite3_exec(db_, sql, callback, context, nullptr);
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql, int length) {
  statement.Finalize();
  if (!db_ || !sql) return SQLITE_MISUSE;
  if (length < 0) length = static_cast<int>(std::strlen(sql)) + 1;
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v2(db_, sql, length, &stmt, nullptr);
  statement.stmt_ = stmt;  // null on failure
  return rc;
}

int64_t SQLiteDB::LastInsertRowId() const {
  if (!db_) return -1;
  return sqlite3_last_insert_rowid(db_);
}

SQLiteStatement::~SQLiteStatement() { Finalize(); }

int SQLiteStatement::BindInt(int index, int32_t value) {
  if (!stmt_) return SQLITE_MISUSE;
  return sqlite3_bind_int(stmt_, index, value);
}

int SQLiteStatement::BindText(int index, const char* utf8, int length) {
  if (!stmt_) return SQLITE_MISUSE;
  if (!utf8) return sqlite3_bind_text(stmt_, index, "", 0, SQLITE_STATIC);
  return sqlite3_bind_text(stmt_, index, utf8, length, SQLITE_TRANSIENT);
}

int SQLiteStatement::Step() {
  if (!stmt_) return SQLITE_MISUSE;
  return sqlite3_step(stmt_);
}

int SQLiteStatement::Reset() {
  if (!stmt_) return SQLITE_MISUSE;
  const int rc = sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  return rc;
}

int32_t SQLiteStatement::ColumnInt(int index) const {
  if (!stmt_) return 0;
  return sqlite3_column_int(stmt_, index);
}

const char* SQLiteStatement::ColumnText(int index) const {
  if (!stmt_) return nullptr;
  return reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
}

std::string SQLiteStatement::ColumnString(int index) const {
  const char* text = ColumnText(index);
  if (!text) return std::string();
  return std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, index)));
}

int SQLiteStatement::Finalize() {
  if (!stmt_) return SQLITE_OK;
  const int rc = sqlite3_finalize(stmt_);
  // sqlite3_finalize always frees the statement; its result only repeats the last step's
  // error, so the handle must go in every case or it would be finalized twice.
  stmt_ = nullptr;
  return rc;
}

SQLiteAutoTransaction::SQLiteAutoTransaction(SQLiteDB* db) : db_(db) {
  if (!db_) return;
  if (db_->IsOpen()) BeginOnDatabase();
  active_ = true;
}

SQLiteAutoTransaction::~SQLiteAutoTransaction() {
  if (active_ && db_) Rollback();
}

bool SQLiteAutoTransaction::BeginOnDatabase() {
  nested_ = sqlite3_get_autocommit(db_->handle()) == 0;
  began_ = db_->Exec(nested_ ? "SAVEPOINT tavrick_nested" : "BEGIN") == SQLITE_OK;
  return began_;
}

bool SQLiteAutoTransaction::Begin() {
  if (!db_ || active_) return false;
  active_ = true;
  if (!db_->IsOpen()) return false;
  return BeginOnDatabase();
}

bool SQLiteAutoTransaction::End() {
  if (!db_) return false;
  const bool was_active = active_;
  active_ = false;
  if (!db_->IsOpen() || !was_active || !began_) return false;
  began_ = false;
  if (db_->Exec(nested_ ? "RELEASE tavrick_nested" : "END") == SQLITE_OK) return true;
  db_->Exec(nested_ ? "ROLLBACK TO tavrick_nested; RELEASE tavrick_nested" : "ROLLBACK");
  return false;
}

bool SQLiteAutoTransaction::Rollback() {
  if (!db_ || !active_) return false;
  active_ = false;
  if (!db_->IsOpen() || !began_) return false;
  began_ = false;
  return db_->Exec(nested_ ? "ROLLBACK TO tavrick_nested; RELEASE tavrick_nested" : "ROLLBACK") == SQLITE_OK;
}

}  // namespace tavrick
