#pragma once
// A thin object layer over the SQLite C API. Result codes pass through unchanged; the
// wrapper adds only SQLITE_MISUSE (21) for a missing connection, statement or SQL text.
// None of these classes is thread-safe by itself: SettingsDatabase serialises their use.
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tavrick {

constexpr int kSqliteOk = 0;
constexpr int kSqliteMisuse = 21;
constexpr int kSqliteRow = 100;
constexpr int kSqliteDone = 101;

// Open flags: read-write on an existing file, and the same plus create.
constexpr int kOpenExisting = 0x10002;  // SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX
constexpr int kOpenCreate = 0x10006;    // ... | SQLITE_OPEN_CREATE

// True for the step results that count as a finished write: 0, 100 or 101.
inline bool StepSucceeded(int rc) { return rc == kSqliteOk || rc == kSqliteRow || rc == kSqliteDone; }

class SQLiteStatement;

class SQLiteDB {
 public:
  SQLiteDB() = default;
  SQLiteDB(const SQLiteDB&) = delete;
  SQLiteDB& operator=(const SQLiteDB&) = delete;
  virtual ~SQLiteDB();

  // Closes any held connection first (interrupting it), then opens path. On success the
  // journal is switched to WAL with synchronous = NORMAL: a crash or power loss can lose
  // the last commits but never corrupts the file. Gives false for a null path or a failed
  // open (the half-opened handle is closed).
  bool Open(const char* path, int flags);
  bool IsOpen() const { return db_ != nullptr; }
  // True when nothing is open or the close succeeded; a busy connection stays open and the
  // result is false.
  bool Close();
  // sqlite3_exec; 21 when not open or sql is null.
  int Exec(const char* sql, int (*callback)(void*, int, char**, char**) = nullptr, void* context = nullptr);
  // Finalizes what the statement object held, then compiles sql into it. A negative length
  // means "up to the terminator". 21 when not open or sql is null (the statement stays empty).
  int Prepare(SQLiteStatement& statement, const char* sql, int length = -1);
  // The row id of the last insert on this connection, -1 when not open.
  int64_t LastInsertRowId() const;

  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

class SQLiteStatement {
 public:
  SQLiteStatement() = default;
  SQLiteStatement(const SQLiteStatement&) = delete;
  SQLiteStatement& operator=(const SQLiteStatement&) = delete;
  virtual ~SQLiteStatement();

  // Parameter indexes count from 1. Text is copied by SQLite (SQLITE_TRANSIENT), so the
  // caller's buffer may go away before the step.
  int BindInt(int index, int32_t value);
  int BindText(int index, const char* utf8, int length = -1);
  int BindText(int index, std::string_view utf8) { return BindText(index, utf8.data(), static_cast<int>(utf8.size())); }
  int Step();
  // Column indexes count from 0. Without a statement: 0 and null.
  int32_t ColumnInt(int index) const;
  const char* ColumnText(int index) const;
  // The column as a string; a null column or no statement reads as "".
  std::string ColumnString(int index) const;
  // Makes the statement ready to be bound and stepped again (bindings cleared), so that a
  // batch of rows runs on one compiled statement. 21 without a statement.
  int Reset();
  // Finalizes the statement and clears the handle (SQLite frees it whatever the result).
  // Gives the result.
  int Finalize();
  bool HasStatement() const { return stmt_ != nullptr; }

 private:
  friend class SQLiteDB;
  sqlite3_stmt* stmt_ = nullptr;
};

// A transaction that commits only when told to. Constructed with an open database it runs
// "BEGIN"; End commits, Rollback undoes. A transaction still active at destruction is
// rolled back, so an operation that gives up half-way leaves nothing behind. Constructed
// inside another transaction it becomes a savepoint of it: End then keeps its work for the
// outer commit and Rollback undoes only its own part.
class SQLiteAutoTransaction {
 public:
  explicit SQLiteAutoTransaction(SQLiteDB* db);
  SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
  SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;
  virtual ~SQLiteAutoTransaction();

  // False when there is no database or a transaction is already active; on a closed
  // database it marks the transaction active and gives false.
  bool Begin();
  // Commits ("END"). False without a database, on a closed one, or when the commit failed
  // (then the transaction is rolled back).
  bool End();
  // Undoes everything since Begin. False without a database or when nothing is active.
  bool Rollback();
  bool active() const { return active_; }
  // True when the transaction was really begun on an open database. Operations check it
  // before their first write, so that nothing runs outside the transaction.
  bool began() const { return began_; }

 private:
  bool BeginOnDatabase();

  SQLiteDB* db_;
  bool active_ = false;
  bool began_ = false;
  bool nested_ = false;
};

}  // namespace tavrick
