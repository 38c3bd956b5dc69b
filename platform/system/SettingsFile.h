#pragma once
// The program's per-user values ("LCID", "DeviceType", "exit_mode", "autorun_minimize"):
// one small file, GetSettingsFolder() + "settings.ini", of "name=value" lines holding
// decimal texts. It is always replaced whole (a temporary file in the same folder, then a
// rename), so a crash or a full disk never leaves half a file behind.
//
// The file plays the part of a registry key: a missing file is a missing key, a file that
// exists but cannot be read (no permission, not a regular file, larger than any settings
// file) is a key that cannot be opened.
#include <string>
#include <string_view>

namespace tavrick {

enum class SettingsState {
  Ok,          // the file exists and was read
  Missing,     // no file (and so no value)
  Unreadable,  // the file exists but cannot be read
};

struct SettingsValue {
  SettingsState state = SettingsState::Missing;
  bool found = false;  // the value exists in a readable file
  std::string text;    // empty when not found
};

std::string SettingsFilePath();

// The state of the file without reading a value.
SettingsState GetSettingsState();

SettingsValue ReadSetting(std::string_view name);

// Creates the folder and an empty file when none exists. True when the file exists and can
// be read afterwards.
bool CreateSettingsFile();

// Writes name=value when the file exists and can be read ("the key can be opened"), keeping
// every other value. With create_if_missing a missing file is created first. False when
// nothing was written. Names may not hold "=", line breaks or NUL, values no line breaks
// or NUL.
bool WriteSetting(std::string_view name, std::string_view value, bool create_if_missing = false);

}  // namespace tavrick
