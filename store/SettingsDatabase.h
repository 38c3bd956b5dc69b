#pragma once
// The settings database of the current mouse model: one SQLite file per model,
// "db/<model>_data1.db" in the user data folder, shared by the UI thread (pages write
// settings as controls change) and the worker thread (sends read settings, read-backs from
// the mouse write them).
//
// Thread safety: every public operation holds one recursive lock for its whole run, so an
// operation of several statements is never interleaved with another thread's. A caller that
// needs several operations to be seen as one (a read-modify-write) holds Hold() around them.
// Multi-statement operations run as one transaction and roll back on any failure.
//
// Error contract: nothing throws. Writes give true/false or a new row id (0 = failed),
// reads give false, 0, a count or an empty text when nothing was found. A closed database
// fails every operation quietly in the same way.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "store/Records.h"
#include "store/SQLiteDB.h"

namespace tavrick {

struct MouseInfo;

class SettingsDatabase : public SQLiteDB {
 public:
  // The program's one database object, created on first use.
  static SettingsDatabase& Instance();

  // Further objects exist only in tests and benchmarks, each with its own file.
  SettingsDatabase() = default;
  ~SettingsDatabase() override;

  // ---- connection ---------------------------------------------------------------------
  // Opens (creating when missing) "<data_folder>/db/<model>_data1.db" and makes sure the
  // schema is there. Already open on that file: true. Open on another file: that one is
  // closed first; when it cannot be closed the result is false and nothing is opened. The
  // "db" folder is created when missing. A model name that is empty or holds "/" or ".."
  // is refused. The result is also the open flag (IsOpenForDevice).
  bool OpenForDevice(const std::string& data_folder, const std::string& model);
  // Closes the connection and clears the open flag. False when the connection is busy
  // (it stays open, the open flag is cleared all the same so nothing writes to it).
  bool CloseDevice();
  bool IsOpenForDevice() const;
  // The file of the last OpenForDevice.
  std::string Path() const;
  // Opens the stored path with create flags and runs the fifteen schema statements.
  // True only when the open and every statement succeeded; a failing statement does not
  // stop the others.
  bool CreateSchema();
  // The fifteen statements, word for word.
  static const std::vector<std::string>& SchemaStatements();

  // Holds the lock for a sequence of operations.
  std::unique_lock<std::recursive_mutex> Hold() { return std::unique_lock<std::recursive_mutex>(lock_); }

  // ---- settings (t_configdata) --------------------------------------------------------
  // Updates an existing key only: a key without a row is not created and the result is
  // still true (every key is inserted when its profile is created).
  bool SetConfigValue(int profile, std::string_view key, std::string_view value);
  bool SetConfigValue(int profile, std::string_view key, int value);
  // True when a row was found; value is cleared first.
  bool GetConfigValue(int profile, std::string_view key, std::string& value);
  // The value as a decimal number, 0 when missing.
  int GetConfigInt(int profile, std::string_view key);
  // Inserts the 40 default keys for a profile (in one transaction). Normally called by
  // AddProfile only.
  bool InsertDefaultConfig(int profile);
  // Overwrites the profile's keys with a model's defaults. dpi_only writes only "dpi_index",
  // "dpi_flag", "dpi_count" and the level values and colours. Missing parts of the
  // description leave their keys unchanged. One transaction.
  bool ApplyDeviceDefaults(int profile, const MouseInfo& info, bool dpi_only);

  // ---- profiles (t_profile_data) ------------------------------------------------------
  // Inserts the profile (name and app of the record, status 0, type 0) with its default
  // settings, and with the model's defaults when given, as one transaction. The new id,
  // 0 on failure (then nothing was stored).
  int AddProfile(const ProfileRecord& record, const MouseInfo* defaults = nullptr);
  bool RenameProfile(int profile, std::string_view name);
  // Replaces the list's contents; the number of profiles.
  int ListProfiles(std::vector<ProfileRecord>& out);
  // Marks exactly this profile active (one transaction: when the second update fails the
  // old mark stays). A profile id that has no row leaves no profile active.
  bool ActivateProfile(int profile);
  // The first profile with status 1, 0 when none.
  int GetActiveProfile();
  // The stored name, "" when there is no such profile.
  std::string GetProfileName(int profile);

  // ---- button assignments (t_key_macro_data) ------------------------------------------
  // Replaces the button's row (profile, fn_layer, key_code). A record whose macro_value and
  // macro_value2 are both 0 only deletes (the button goes back to its default function).
  // The new key_id, 0 when nothing was inserted or the insert failed; in either case the
  // old row is gone only if the whole replacement succeeded.
  int SaveKeyAssignment(const KeyAssignment& record);
  // Layer 0 only. False (record untouched) when the button has no row.
  bool GetKeyAssignment(int profile, int key_code, KeyAssignment& out);
  int ListKeyAssignments(int profile, std::vector<KeyAssignment>& out);
  bool SetKeyDescription(int profile, int key_code, std::string_view description);
  bool DeleteProfileKeys(int profile);
  // SetKeyDescription for every macro (type 4) row of the profile that names macro_id.
  bool RenameMacroAssignments(int profile, int macro_id, std::string_view name);

  // ---- lighting (t_light_data) --------------------------------------------------------
  bool InsertLightMode(const LightModeRecord& record);
  // Updates brightness ... reserved of the row (record.profile, mode).
  bool UpdateLightMode(int mode, const LightModeRecord& record);
  // Marks the mode active in the profile (one transaction). A mode without a row leaves
  // none active.
  bool ActivateLightMode(int profile, int mode);
  // The mode of the first active row, 0 when none.
  int GetActiveLightMode(int profile);
  bool GetLightMode(int profile, int mode, LightModeRecord& out);
  int ListLightModes(int profile, std::vector<LightModeRecord>& out);
  bool DeleteProfileLights(int profile);
  // The profile's number of lighting rows, -1 on failure.
  int CountLightModes(int profile);
  // Seeds the profile's lighting rows from the model's light_info when it has none, and
  // activates the default mode; one transaction, so seeding twice never duplicates rows.
  // True when rows are there afterwards (or the model enables no mode).
  bool SeedLightModes(int profile, const MouseInfo& info);

  // ---- macros (t_macro_data, t_macrorecord) -------------------------------------------
  // A new macro with play_type 0, play_times 1, delay_type 1, delay_time 0. Its id, or 0.
  int CreateMacro(std::string_view name);
  int InsertMacro(const MacroInfo& info);
  bool RenameMacro(int macro_id, std::string_view name);
  bool GetMacro(int macro_id, MacroInfo& out);
  bool UpdateMacro(const MacroInfo& info);
  // Appends every macro in creation order; the list's size afterwards.
  int ListMacros(std::vector<MacroInfo>& out);
  // Deletes the macro and its events together, or nothing.
  bool DeleteMacro(int macro_id);
  int InsertMacroRecord(const MacroRecord& record);
  // Inserts all records or none (one transaction); false when any insert failed.
  bool InsertMacroRecords(const std::vector<MacroRecord>& records);
  // Appends the macro's events ordered by record_index; the list's size afterwards.
  int ListMacroRecords(int macro_id, std::vector<MacroRecord>& out);
  // Replaces all events of the macro by the rows (record_index = position, desc = text,
  // delay_time = stamp), as one transaction: on failure the old events stay.
  bool ReplaceMacroRecords(int macro_id, const std::vector<MacroEventRow>& rows);

 private:
  bool OpenLocked(bool create);
  bool ApplySchemaLocked();
  bool InsertDefaultConfigLocked(int profile);
  bool ApplyDeviceDefaultsLocked(int profile, const MouseInfo& info, bool dpi_only);
  int InsertMacroLocked(std::string_view name, int play_type, int play_times, int delay_type, int delay_time);
  bool InsertMacroRecordLocked(SQLiteStatement& statement, const MacroRecord& record, int* new_id);

  mutable std::recursive_mutex lock_;
  std::string path_;
  bool open_ = false;
};

// The lighting modes a model can offer, in seeding order ("light_1" first).
struct LightModeSeed {
  int mode;
  const char* name;
  int config_func;
  int text;
};
const LightModeSeed* LightModeSeeds();  // six entries
constexpr int kLightModeSeedCount = 6;

}  // namespace tavrick
