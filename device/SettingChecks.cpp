#include "device/SettingChecks.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "device/DpiCodes.h"

namespace tavrick {

namespace {

// A whole decimal number, nothing else (the pages' fields give no other text).
std::optional<long> Number(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  return std::strtol(text.c_str(), nullptr, 10);
}

CheckedSetting Ok(long v) { return {true, std::to_string(v), {}}; }
CheckedSetting Refuse(const std::string& why) { return {false, {}, why}; }

bool OneOf(long v, std::initializer_list<long> allowed) {
  return std::find(allowed.begin(), allowed.end(), v) != allowed.end();
}

// "dpi_group<n>_<suffix>" → n, or -1.
int Level(const std::string& key, const char* suffix) {
  const std::string prefix = "dpi_group";
  const std::string end = suffix;
  if (key.size() != prefix.size() + 1 + end.size() || key.compare(0, prefix.size(), prefix) != 0 ||
      key.compare(prefix.size() + 1, std::string::npos, end) != 0)
    return -1;
  const char c = key[prefix.size()];
  return c >= '0' && c <= '6' ? c - '0' : -1;
}

}  // namespace

CheckedSetting CheckSetting(const std::string& key, const std::string& value,
                            const SettingContext& c) {
  const auto n = Number(value);
  if (!n) return Refuse(key + ": \"" + value + "\" is not a whole number");
  const long v = *n;
  const bool fourLevels = c.deviceType == 125 || c.deviceType == 126;
  if (key == "dpi_count") {
    const long high = fourLevels ? 4 : 6;
    if (v < 1 || v > high) return Refuse("dpi_count: 1 to " + std::to_string(high));
    return Ok(v);
  }
  if (key == "dpi_index") {
    if (v < 0 || v >= std::max(c.dpiCount, 1))
      return Refuse("dpi_index: 0 to " + std::to_string(std::max(c.dpiCount, 1) - 1));
    return Ok(v);
  }
  if (Level(key, "_value") >= 0)
    return Ok(RoundTypedDpi(c.sensorCode, c.deviceType, static_cast<int>(std::clamp(v, 0L, 1000000L))));
  if (Level(key, "_rgb") >= 0) {
    if (v < 0 || v > 0xFFFFFF) return Refuse(key + ": 0 to 16777215 (red + green*256 + blue*65536)");
    return Ok(v);
  }
  if (key == "report_rate" || key == "report_rate_wireless") {
    const bool fast = c.reportRateMarker == 7;
    if (!OneOf(v, {1, 2, 4, 8}) && !(fast && OneOf(v, {16, 32, 64})))
      return Refuse(std::string("report_rate: one of 1, 2, 4, 8") + (fast ? ", 16, 32, 64" : ""));
    return Ok(v);
  }
  if (key == "liftoff_height") {
    if (v != 1 && v != 2) return Refuse("liftoff_height: 1 or 2");
    return Ok(v);
  }
  if (key == "sensor_flag") {
    if (v < 0 || (v & ~28L) != 0) return Refuse("sensor_flag: a sum of 4, 8 and 16");
    return Ok(v);
  }
  if (key == "button_respondtime") return Ok(std::clamp(v, 4L, 20L));
  if (key == "sleep_light") {
    if (!OneOf(v, {6, 12, 30, 36, 60, 90, 120, 180}))
      return Refuse("sleep_light: one of 6, 12, 30, 36, 60, 90, 120, 180");
    return Ok(v);
  }
  if (key == "move_wakeup" || key == "move_closelight") {
    if (v != 0 && v != 1) return Refuse(key + ": 0 or 1");
    return Ok(v);
  }
  return Refuse(key + ": not a setting of the DPI and performance page");
}

}  // namespace tavrick
