#pragma once
// The checks the DPI and performance page applies before it stores a setting, for callers
// that store settings without the page (the command-line front end): a value is limited or
// rounded where the page limits it, and refused where the page offers only fixed choices.
#include <optional>
#include <string>

namespace tavrick {

struct SettingContext {
  int sensorCode = 0;        // from the mouse's device information, 0 when unknown
  int deviceType = 0;
  int reportRateMarker = 4;  // 7: the four fastest rates are offered too
  int dpiCount = 6;          // the stored level count, for "dpi_index"
};

struct CheckedSetting {
  bool ok = false;
  std::string value;  // the text to store when ok
  std::string error;  // why not, when !ok
};

// key=value as text; the key must be one the pages write.
CheckedSetting CheckSetting(const std::string& key, const std::string& value,
                            const SettingContext& context);

}  // namespace tavrick
