#pragma once
// Row records of the settings database: plain structures with their table's columns in
// order. A default-constructed record is all zeros and empty strings.
#include <cstdint>
#include <string>

namespace tavrick {

// t_profile_data
struct ProfileRecord {
  int32_t profile = 0;
  std::string name;
  std::string app;
  int32_t type = 0;
  int32_t status = 0;  // 1 for the active profile
};

// t_key_macro_data: one button's function in one profile (and one entry of a device's
// default key list).
struct KeyAssignment {
  int32_t key_id = 0;
  int32_t profile = 0;
  int32_t fn_layer = 0;
  int32_t key_code = 0;      // the button index ("key_value" of the description file)
  int32_t layout_value = 0;
  std::string layout_desc;
  int32_t macro_type = 0;    // function type, see KeyFunction.h
  int32_t macro_value = 0;
  int32_t macro_value2 = 0;
  int32_t macro_value3 = 0;
  std::string macro_desc;
};

// t_light_data: one lighting mode of one profile.
struct LightModeRecord {
  int32_t light_id = 0;
  int32_t profile = 0;
  std::string name;
  int32_t mode = 0;
  int32_t brightness = 0;
  int32_t speed = 0;
  int32_t direction = 0;
  int32_t colorful = 0;
  int32_t colorindex = 0;
  int32_t color_value[7] = {};  // color_value1 ... color_value7, red in the low byte
  int32_t config_func = 0;      // kLightHas... bits
  int32_t reserved = 0;         // number of the text that names the mode
  int32_t status = 0;           // 1 for the active mode of the profile
};

// t_macro_data
struct MacroInfo {
  int32_t macro_id = 0;
  std::string name;
  int32_t play_type = 0;
  int32_t play_times = 0;
  int32_t delay_type = 0;
  int32_t delay_time = 0;
};

// t_macrorecord. Note the field order differs from the column order (desc is column 4).
struct MacroRecord {
  int32_t record_id = 0;
  int32_t macro_id = 0;
  int32_t type = 0;          // kMacroEvent...
  int32_t record_index = 0;
  int32_t value = 0;
  int32_t delay_time = 0;    // the event's time stamp, not a pause
  std::string desc;
};

// One row of the macro page's event list, as ReplaceMacroRecords stores it.
struct MacroEventRow {
  std::string text;
  int32_t type = 0;
  int32_t value = 0;
  int32_t stamp = 0;
};

// Macro event types.
constexpr int kMacroEventPause = 1;
constexpr int kMacroEventKeyDown = 2;
constexpr int kMacroEventKeyUp = 3;
constexpr int kMacroEventButtonDown = 4;
constexpr int kMacroEventButtonUp = 5;

// config_func bits of a lighting mode.
constexpr int kLightHasBrightness = 0x001;
constexpr int kLightHasSpeed = 0x002;
constexpr int kLightHasPaletteColour = 0x010;
constexpr int kLightHasSevenColours = 0x800;

}  // namespace tavrick
