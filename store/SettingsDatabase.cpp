#include "store/SettingsDatabase.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "base/Number.h"
#include "base/Trace.h"
#include "device/DeviceDescription.h"
#include "store/SettingsKeys.h"

namespace tavrick {
namespace {

int BindOne(SQLiteStatement& s, int index, int value) { return s.BindInt(index, value); }
int BindOne(SQLiteStatement& s, int index, std::string_view value) { return s.BindText(index, value); }

// Prepares sql into s and binds the arguments in order. False when any of it failed; the
// step that follows then fails too, so callers may simply step.
template <typename... Args>
bool PrepareBound(SQLiteDB& db, SQLiteStatement& s, const char* sql, const Args&... args) {
  bool ok = db.Prepare(s, sql) == kSqliteOk;
  int index = 1;
  ((ok = (BindOne(s, index++, args) == kSqliteOk) && ok), ...);
  return ok;
}

// One write statement: true when it finished.
template <typename... Args>
bool Write(SQLiteDB& db, const char* sql, const Args&... args) {
  SQLiteStatement s;
  PrepareBound(db, s, sql, args...);
  return StepSucceeded(s.Step());
}

// The row id of the insert just stepped, 0 when it failed or the id does not fit.
int InsertedId(SQLiteDB& db, bool stepped) {
  if (!stepped) return 0;
  const int64_t id = db.LastInsertRowId();
  return (id > 0 && id <= INT32_MAX) ? static_cast<int>(id) : 0;
}

bool ValidModelName(const std::string& model) {
  if (model.empty() || model.find('/') != std::string::npos || model.find('\0') != std::string::npos) return false;
  return model.find("..") == std::string::npos;
}

const char kInsertProfile[] = "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);";
const char kInsertConfig[] = "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);";
const char kUpdateConfig[] = "UPDATE t_configdata SET value = ? WHERE profile = ? and key = ?";
const char kSelectConfig[] = "SELECT value FROM t_configdata WHERE profile = ? and key = ?";
const char kDeleteKey[] = "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?";
const char kInsertKey[] =
    "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, layout_value, layout_desc,                     "
    "macro_type, macro_value, macro_value2, macro_value3, macro_desc) \t\t\t\t\t VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
const char kInsertLight[] =
    "INSERT INTO t_light_data(profile, name, mode, brightness, speed, direction, colorful, colorindex,\t\t\t\t\t"
    "color_value1, color_value2, color_value3, color_value4, color_value5, color_value6, color_value7, config_func, "
    "reserved, status)\t\t\t\t\t VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
const char kUpdateLight[] =
    "UPDATE t_light_data SET brightness = ?, speed = ?, direction = ?, colorful = ?, colorindex = ?,\t\t\t "
    "color_value1 = ?, color_value2 = ?, color_value3 = ?, color_value4 = ?, color_value5 = ?, color_value6 = ?, "
    "color_value7 = ?,\t\t\t\tconfig_func = ?, reserved = ? WHERE profile = ? AND mode = ?";
const char kInsertMacro[] =
    "INSERT INTO t_macro_data(name, play_type, play_times, delay_type, delay_time) VALUES (?, ?, ?, ?, ?);";
const char kInsertMacroRecord[] =
    "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) \t\t\t\t\t VALUES (?, ?, ?, ?, ?, ?);";

void ReadKeyAssignment(const SQLiteStatement& s, KeyAssignment& r) {
  r.key_id = s.ColumnInt(0);
  r.profile = s.ColumnInt(1);
  r.fn_layer = s.ColumnInt(2);
  r.key_code = s.ColumnInt(3);
  r.layout_value = s.ColumnInt(4);
  r.layout_desc = s.ColumnString(5);
  r.macro_type = s.ColumnInt(6);
  r.macro_value = s.ColumnInt(7);
  r.macro_value2 = s.ColumnInt(8);
  r.macro_value3 = s.ColumnInt(9);
  r.macro_desc = s.ColumnString(10);
}

void ReadLightMode(const SQLiteStatement& s, LightModeRecord& r) {
  r.light_id = s.ColumnInt(0);
  r.profile = s.ColumnInt(1);
  r.name = s.ColumnString(2);
  r.mode = s.ColumnInt(3);
  r.brightness = s.ColumnInt(4);
  r.speed = s.ColumnInt(5);
  r.direction = s.ColumnInt(6);
  r.colorful = s.ColumnInt(7);
  r.colorindex = s.ColumnInt(8);
  for (int i = 0; i < 7; ++i) r.color_value[i] = s.ColumnInt(9 + i);
  r.config_func = s.ColumnInt(16);
  r.reserved = s.ColumnInt(17);
  r.status = s.ColumnInt(18);
}

void ReadMacroInfo(const SQLiteStatement& s, MacroInfo& r) {
  r.macro_id = s.ColumnInt(0);
  r.name = s.ColumnString(1);
  r.play_type = s.ColumnInt(2);
  r.play_times = s.ColumnInt(3);
  r.delay_type = s.ColumnInt(4);
  r.delay_time = s.ColumnInt(5);
}

constexpr LightModeSeed kLightSeeds[kLightModeSeedCount] = {
    {1, "\xE6\xB5\x81\xE5\x85\x89", 3, 280},                          // 流光
    {2, "\xE5\x91\xBC\xE5\x90\xB8", 2067, 281},                       // 呼吸
    {3, "\xE5\xB8\xB8\xE4\xBA\xAE", 17, 282},                         // 常亮
    {4, "\xE9\x9C\x93\xE8\x99\xB9", 3, 283},                          // 霓虹
    {5, "\xE4\xB8\x83\xE5\xBD\xA9\xE6\xB3\xA2\xE6\xB5\xAA", 3, 284},  // 七彩波浪
    {0, "\xE5\x85\xB3\xE9\x97\xAD", 0, 285},                          // 关闭
};
constexpr int32_t kSeedColours[7] = {255, 65280, 16711680, 16776960, 65535, 16711935, 16777215};

}  // namespace

const LightModeSeed* LightModeSeeds() { return kLightSeeds; }

SettingsDatabase& SettingsDatabase::Instance() {
  static SettingsDatabase instance;
  return instance;
}

SettingsDatabase::~SettingsDatabase() {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (IsOpen()) Close();
  open_ = false;
}

const std::vector<std::string>& SettingsDatabase::SchemaStatements() {
  static const std::vector<std::string> statements = {
      "CREATE TABLE IF NOT EXISTS t_configdata(config_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  profile INTEGER, key TEXT, value TEXT)",
      "CREATE TABLE IF NOT EXISTS t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  name TEXT, status INTEGER, app TEXT, type INTEGER)",
      "CREATE INDEX IF NOT EXISTS profileindex ON t_profile_data(profile)",
      "CREATE TABLE IF NOT EXISTS t_key_macro_data(key_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\tprofile INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, layout_desc TEXT, \t\t\t\t\t\t\t\tmacro_type INTEGER, macro_value INTEGER, macro_value2 INTEGER, macro_value3 INTEGER, macro_desc TEXT)",
      "CREATE INDEX IF NOT EXISTS keyindex ON t_key_macro_data(key_id)",
      "CREATE TABLE IF NOT EXISTS t_key_otherdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_desc TEXT, param TEXT, type INTEGER)",
      "CREATE INDEX IF NOT EXISTS otheridindex ON t_key_otherdata(macro_value)",
      "CREATE TABLE IF NOT EXISTS t_macro_data(macro_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   name TEXT, play_type INTEGER, play_times INTEGER, delay_type INTEGER, delay_time INTEGER)",
      "CREATE INDEX IF NOT EXISTS macroidindex ON t_macro_data(macro_id)",
      "CREATE TABLE IF NOT EXISTS t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t  macro_id INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, delay_time INTEGER)",
      "CREATE INDEX IF NOT EXISTS macrorecordindex ON t_macrorecord(record_id)",
      "CREATE TABLE IF NOT EXISTS t_light_data(light_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t\t\t  profile INTEGER, name TEXT, mode INTEGER, brightness INTEGER, speed INTEGER, \t\t\t\t\t\t\t\t\t\tdirection INTEGER, colorful INTEGER, colorindex INTEGER, \t\t\t\t\t\t\t\t\t\tcolor_value1 INTEGER, color_value2 INTEGER, color_value3 INTEGER, color_value4 INTEGER,\t\t\t\t\t\t\t\t\t\tcolor_value5 INTEGER, color_value6 INTEGER, color_value7 INTEGER,\t\t\t\t\t\t\t\t\t\tconfig_func INTEGER, reserved INTEGER, status INTEGER)",
      "CREATE INDEX IF NOT EXISTS lightindex ON t_light_data(light_id)",
      "CREATE TABLE IF NOT EXISTS t_key_light_data(keylight_id INTEGER PRIMARY KEY AUTOINCREMENT, \t\t\t\t\t\t\t\t   profile INTEGER, light_id INTEGER, key_code INTEGER, key_rgb INTEGER)",
      "CREATE INDEX IF NOT EXISTS keylightindex ON t_key_light_data(keylight_id)",
  };
  return statements;
}

bool SettingsDatabase::OpenForDevice(const std::string& data_folder, const std::string& model) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (!ValidModelName(model) || data_folder.empty()) {
    open_ = false;
    return false;
  }
  std::string folder = data_folder;
  if (folder.back() != '/') folder += '/';
  folder += "db/";
  const std::string path = folder + model + "_data1.db";
  if (IsOpen() && open_ && path == path_) return true;
  open_ = false;
  if (IsOpen() && !Close()) {
    // The previous model's connection is busy: never let the next model's writes go there.
    base::Trace(base::TraceLevel::Warning, "database of the previous model cannot be closed");
    return false;
  }
  path_ = path;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  struct stat st;
  const bool exists = ::stat(path_.c_str(), &st) == 0;
  open_ = exists ? OpenLocked(false) : CreateSchema();
  return open_;
}

bool SettingsDatabase::OpenLocked(bool create) {
  if (!Open(path_.c_str(), create ? kOpenCreate : kOpenExisting)) return false;
  // The statements are all "IF NOT EXISTS": on a good file they change nothing, and a file
  // left half-created by an interrupted first start is completed.
  if (!ApplySchemaLocked()) {
    Close();
    return false;
  }
  return true;
}

bool SettingsDatabase::CreateSchema() {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (path_.empty()) return false;
  if (!Open(path_.c_str(), kOpenCreate)) return false;
  return ApplySchemaLocked();
}

bool SettingsDatabase::ApplySchemaLocked() {
  bool ok = true;
  for (const std::string& sql : SchemaStatements())
    if (Exec(sql.c_str()) != kSqliteOk) ok = false;
  return ok;
}

bool SettingsDatabase::CloseDevice() {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  open_ = false;
  return Close();
}

bool SettingsDatabase::IsOpenForDevice() const {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return open_;
}

std::string SettingsDatabase::Path() const {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return path_;
}

// ---- settings -------------------------------------------------------------------------

bool SettingsDatabase::SetConfigValue(int profile, std::string_view key, std::string_view value) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, kUpdateConfig, value, profile, key);
}

bool SettingsDatabase::SetConfigValue(int profile, std::string_view key, int value) {
  return SetConfigValue(profile, key, std::to_string(value));
}

bool SettingsDatabase::GetConfigValue(int profile, std::string_view key, std::string& value) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  value.clear();
  SQLiteStatement s;
  PrepareBound(*this, s, kSelectConfig, profile, key);
  if (s.Step() != kSqliteRow) return false;
  value = s.ColumnString(0);
  return true;
}

int SettingsDatabase::GetConfigInt(int profile, std::string_view key) {
  std::string value;
  GetConfigValue(profile, key, value);
  return base::ParseDecimal(value);
}

bool SettingsDatabase::InsertDefaultConfig(int profile) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  if (!InsertDefaultConfigLocked(profile)) return false;
  return transaction.End();
}

bool SettingsDatabase::InsertDefaultConfigLocked(int profile) {
  SQLiteStatement s;
  if (Prepare(s, kInsertConfig) != kSqliteOk) return false;
  for (const ConfigDefault& d : DefaultConfig()) {
    s.Reset();
    if (s.BindInt(1, profile) != kSqliteOk || s.BindText(2, d.key) != kSqliteOk || s.BindText(3, d.value) != kSqliteOk)
      return false;
    if (!StepSucceeded(s.Step())) return false;
  }
  return true;
}

bool SettingsDatabase::ApplyDeviceDefaults(int profile, const MouseInfo& info, bool dpi_only) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  if (!ApplyDeviceDefaultsLocked(profile, info, dpi_only)) return false;
  return transaction.End();
}

bool SettingsDatabase::ApplyDeviceDefaultsLocked(int profile, const MouseInfo& info, bool dpi_only) {
  if (!info.found) return true;
  bool ok = true;
  auto set = [&](std::string_view key, const std::optional<std::string>& value) {
    if (value && !SetConfigValue(profile, key, *value)) ok = false;
  };
  if (info.has_dpi_info) {
    set(keys::kDpiIndex, info.default_dpi);
    set(keys::kDpiFlag, info.dpi_count);
    set(keys::kDpiCount, info.dpi_count);
    for (int i = 0; i < 6; ++i) {
      set(DpiValueKey(i), info.dpi_value[i]);
      if (info.dpi_color[i] &&
          !SetConfigValue(profile, DpiColorKey(i), static_cast<int>(ParseColorText(*info.dpi_color[i]))))
        ok = false;
    }
  }
  if (!dpi_only) {
    if (info.report_rate && !SetConfigValue(profile, keys::kReportRate, *info.report_rate)) ok = false;
    set(keys::kSleepLight, info.sleep_light);
    set(keys::kMoveWakeup, info.move_wakeup);
    set(keys::kMoveCloseLight, info.move_closelight);
    set(keys::kLiftoffHeight, info.lod);
    set(keys::kButtonRespondTime, info.button_respondtime);
  }
  return ok;
}

// ---- profiles -------------------------------------------------------------------------

int SettingsDatabase::AddProfile(const ProfileRecord& record, const MouseInfo* defaults) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return 0;
  SQLiteStatement s;
  PrepareBound(*this, s, kInsertProfile, std::string_view(record.name), 0, std::string_view(record.app), 0);
  const int id = InsertedId(*this, StepSucceeded(s.Step()));
  s.Finalize();
  if (id == 0) return 0;
  if (!InsertDefaultConfigLocked(id)) return 0;
  if (defaults && !ApplyDeviceDefaultsLocked(id, *defaults, false)) return 0;
  return transaction.End() ? id : 0;
}

bool SettingsDatabase::RenameProfile(int profile, std::string_view name) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, "UPDATE t_profile_data SET name = ? WHERE profile = ?", name, profile);
}

int SettingsDatabase::ListProfiles(std::vector<ProfileRecord>& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  out.clear();
  SQLiteStatement s;
  Prepare(s, "SELECT * FROM t_profile_data");
  while (s.Step() == kSqliteRow) {
    ProfileRecord r;
    r.profile = s.ColumnInt(0);
    r.name = s.ColumnString(1);
    r.status = s.ColumnInt(2);
    r.app = s.ColumnString(3);
    r.type = s.ColumnInt(4);
    out.push_back(std::move(r));
  }
  return static_cast<int>(out.size());
}

bool SettingsDatabase::ActivateProfile(int profile) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  if (!Write(*this, "UPDATE t_profile_data SET status = ?", 0)) return false;
  if (!Write(*this, "UPDATE t_profile_data SET status = ? WHERE profile = ?", 1, profile)) return false;
  return transaction.End();
}

int SettingsDatabase::GetActiveProfile() {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT profile FROM t_profile_data WHERE status = ?", 1);
  return s.Step() == kSqliteRow ? s.ColumnInt(0) : 0;
}

std::string SettingsDatabase::GetProfileName(int profile) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT name FROM t_profile_data WHERE profile = ?", profile);
  return s.Step() == kSqliteRow ? s.ColumnString(0) : std::string();
}

// ---- button assignments ---------------------------------------------------------------

int SettingsDatabase::SaveKeyAssignment(const KeyAssignment& r) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return 0;
  if (!Write(*this, kDeleteKey, r.profile, r.fn_layer, r.key_code)) return 0;
  if (r.macro_value == 0 && r.macro_value2 == 0) {
    transaction.End();  // restoring the default function stores no row
    return 0;
  }
  SQLiteStatement s;
  PrepareBound(*this, s, kInsertKey, r.profile, r.fn_layer, r.key_code, r.layout_value,
               std::string_view(r.layout_desc), r.macro_type, r.macro_value, r.macro_value2, r.macro_value3,
               std::string_view(r.macro_desc));
  const int id = InsertedId(*this, StepSucceeded(s.Step()));
  s.Finalize();
  if (id == 0) return 0;  // the transaction rolls back: the old assignment stays
  return transaction.End() ? id : 0;
}

bool SettingsDatabase::GetKeyAssignment(int profile, int key_code, KeyAssignment& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?",
               profile, 0, key_code);
  if (s.Step() != kSqliteRow) return false;
  ReadKeyAssignment(s, out);
  return true;
}

int SettingsDatabase::ListKeyAssignments(int profile, std::vector<KeyAssignment>& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  out.clear();
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?", profile, 0);
  while (s.Step() == kSqliteRow) {
    KeyAssignment r;
    ReadKeyAssignment(s, r);
    out.push_back(std::move(r));
  }
  return static_cast<int>(out.size());
}

bool SettingsDatabase::SetKeyDescription(int profile, int key_code, std::string_view description) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, "UPDATE t_key_macro_data SET macro_desc = ? WHERE profile = ? and fn_layer = ? and key_code = ?",
               description, profile, 0, key_code);
}

bool SettingsDatabase::DeleteProfileKeys(int profile) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, "DELETE FROM t_key_macro_data WHERE profile = ?", profile);
}

bool SettingsDatabase::RenameMacroAssignments(int profile, int macro_id, std::string_view name) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this,
               "UPDATE t_key_macro_data SET macro_desc = ? WHERE profile = ? and fn_layer = ? and macro_type = ? "
               "and macro_value = ?",
               name, profile, 0, 4, macro_id);
}

// ---- lighting -------------------------------------------------------------------------

bool SettingsDatabase::InsertLightMode(const LightModeRecord& r) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, kInsertLight, r.profile, std::string_view(r.name), r.mode, r.brightness, r.speed, r.direction,
               r.colorful, r.colorindex, r.color_value[0], r.color_value[1], r.color_value[2], r.color_value[3],
               r.color_value[4], r.color_value[5], r.color_value[6], r.config_func, r.reserved, r.status);
}

bool SettingsDatabase::UpdateLightMode(int mode, const LightModeRecord& r) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, kUpdateLight, r.brightness, r.speed, r.direction, r.colorful, r.colorindex, r.color_value[0],
               r.color_value[1], r.color_value[2], r.color_value[3], r.color_value[4], r.color_value[5],
               r.color_value[6], r.config_func, r.reserved, r.profile, mode);
}

bool SettingsDatabase::ActivateLightMode(int profile, int mode) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  if (!Write(*this, "UPDATE t_light_data SET status = ? WHERE profile = ?", 0, profile)) return false;
  if (!Write(*this, "UPDATE t_light_data SET status = ? WHERE profile = ? and mode = ?", 1, profile, mode))
    return false;
  return transaction.End();
}

int SettingsDatabase::GetActiveLightMode(int profile) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT mode FROM t_light_data WHERE profile = ? and status = ?", profile, 1);
  return s.Step() == kSqliteRow ? s.ColumnInt(0) : 0;
}

bool SettingsDatabase::GetLightMode(int profile, int mode, LightModeRecord& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT * FROM t_light_data WHERE profile = ? AND mode = ?", profile, mode);
  if (s.Step() != kSqliteRow) return false;
  ReadLightMode(s, out);
  return true;
}

int SettingsDatabase::ListLightModes(int profile, std::vector<LightModeRecord>& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  out.clear();
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT * FROM t_light_data WHERE profile = ?", profile);
  while (s.Step() == kSqliteRow) {
    LightModeRecord r;
    ReadLightMode(s, r);
    out.push_back(std::move(r));
  }
  return static_cast<int>(out.size());
}

bool SettingsDatabase::DeleteProfileLights(int profile) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, "DELETE FROM t_light_data WHERE profile = ?", profile);
}

int SettingsDatabase::CountLightModes(int profile) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "select count(*) FROM t_light_data WHERE profile = ?", profile);
  return s.Step() == kSqliteRow ? s.ColumnInt(0) : -1;
}

bool SettingsDatabase::SeedLightModes(int profile, const MouseInfo& info) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  const int existing = CountLightModes(profile);
  if (existing < 0) return false;
  if (existing > 0) return transaction.End();
  for (int i = 0; i < kLightModeSeedCount; ++i) {
    if (!info.light_enable[i]) continue;
    LightModeRecord r;
    r.profile = profile;
    r.name = kLightSeeds[i].name;
    r.mode = kLightSeeds[i].mode;
    r.brightness = 4;
    r.speed = 2;
    r.direction = 0;
    r.colorful = 1;
    r.colorindex = 0;
    for (int c = 0; c < 7; ++c) r.color_value[c] = kSeedColours[c];
    r.config_func = kLightSeeds[i].config_func;
    r.reserved = kLightSeeds[i].text;
    r.status = 0;
    if (!InsertLightMode(r)) return false;
  }
  if (!ActivateLightMode(profile, info.default_light)) return false;
  return transaction.End();
}

// ---- macros ---------------------------------------------------------------------------

int SettingsDatabase::InsertMacroLocked(std::string_view name, int play_type, int play_times, int delay_type,
                                        int delay_time) {
  SQLiteStatement s;
  PrepareBound(*this, s, kInsertMacro, name, play_type, play_times, delay_type, delay_time);
  return InsertedId(*this, StepSucceeded(s.Step()));
}

int SettingsDatabase::CreateMacro(std::string_view name) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return InsertMacroLocked(name, 0, 1, 1, 0);
}

int SettingsDatabase::InsertMacro(const MacroInfo& info) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return InsertMacroLocked(info.name, info.play_type, info.play_times, info.delay_type, info.delay_time);
}

bool SettingsDatabase::RenameMacro(int macro_id, std::string_view name) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this, "UPDATE t_macro_data SET name = ? WHERE macro_id = ?", name, macro_id);
}

bool SettingsDatabase::GetMacro(int macro_id, MacroInfo& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT * FROM t_macro_data WHERE macro_id = ?", macro_id);
  if (s.Step() != kSqliteRow) return false;
  ReadMacroInfo(s, out);
  return true;
}

bool SettingsDatabase::UpdateMacro(const MacroInfo& m) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return Write(*this,
               "UPDATE t_macro_data SET name = ?, play_type = ?, play_times = ?, delay_type = ?,delay_time = ? "
               "WHERE macro_id = ?",
               std::string_view(m.name), m.play_type, m.play_times, m.delay_type, m.delay_time, m.macro_id);
}

int SettingsDatabase::ListMacros(std::vector<MacroInfo>& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  Prepare(s, "SELECT * FROM t_macro_data");
  while (s.Step() == kSqliteRow) {
    MacroInfo m;
    ReadMacroInfo(s, m);
    out.push_back(std::move(m));
  }
  return static_cast<int>(out.size());
}

bool SettingsDatabase::DeleteMacro(int macro_id) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  if (!Write(*this, "DELETE FROM t_macro_data WHERE macro_id = ?", macro_id)) return false;
  if (!Write(*this, "DELETE FROM t_macrorecord WHERE macro_id = ?", macro_id)) return false;
  return transaction.End();
}

bool SettingsDatabase::InsertMacroRecordLocked(SQLiteStatement& s, const MacroRecord& r, int* new_id) {
  // The statement is compiled once per batch and reset for each row.
  if (!s.HasStatement() && Prepare(s, kInsertMacroRecord) != kSqliteOk) return false;
  s.Reset();
  const bool bound = s.BindInt(1, r.macro_id) == kSqliteOk && s.BindInt(2, r.type) == kSqliteOk &&
                     s.BindInt(3, r.record_index) == kSqliteOk && s.BindText(4, r.desc) == kSqliteOk &&
                     s.BindInt(5, r.value) == kSqliteOk && s.BindInt(6, r.delay_time) == kSqliteOk;
  if (!bound) return false;
  const int id = InsertedId(*this, StepSucceeded(s.Step()));
  if (new_id) *new_id = id;
  return id != 0;
}

int SettingsDatabase::InsertMacroRecord(const MacroRecord& record) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  int id = 0;
  InsertMacroRecordLocked(s, record, &id);
  return id;
}

bool SettingsDatabase::InsertMacroRecords(const std::vector<MacroRecord>& records) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  SQLiteStatement s;
  for (const MacroRecord& r : records)
    if (!InsertMacroRecordLocked(s, r, nullptr)) return false;
  return transaction.End();
}

int SettingsDatabase::ListMacroRecords(int macro_id, std::vector<MacroRecord>& out) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteStatement s;
  PrepareBound(*this, s, "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC", macro_id);
  while (s.Step() == kSqliteRow) {
    MacroRecord r;
    r.record_id = s.ColumnInt(0);
    r.macro_id = s.ColumnInt(1);
    r.type = s.ColumnInt(2);
    r.record_index = s.ColumnInt(3);
    r.desc = s.ColumnString(4);
    r.value = s.ColumnInt(5);
    r.delay_time = s.ColumnInt(6);
    out.push_back(std::move(r));
  }
  return static_cast<int>(out.size());
}

bool SettingsDatabase::ReplaceMacroRecords(int macro_id, const std::vector<MacroEventRow>& rows) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  SQLiteAutoTransaction transaction(this);
  if (!transaction.began()) return false;
  if (!Write(*this, "DELETE FROM t_macrorecord WHERE macro_id = ?", macro_id)) return false;
  SQLiteStatement s;
  MacroRecord r;
  r.macro_id = macro_id;
  for (size_t i = 0; i < rows.size(); ++i) {
    r.record_index = static_cast<int32_t>(i);
    r.desc = rows[i].text;
    r.type = rows[i].type;
    r.value = rows[i].value;
    r.delay_time = rows[i].stamp;
    if (!InsertMacroRecordLocked(s, r, nullptr)) return false;
  }
  return transaction.End();
}

}  // namespace tavrick
