#pragma once
// The per-profile settings keys of t_configdata and the values a new profile starts with.
#include <span>
#include <string>

namespace tavrick {

struct ConfigDefault {
  const char* key;
  const char* value;
};

// The 40 keys in the order a new profile receives them.
std::span<const ConfigDefault> DefaultConfig();
// The default of a key, or null for a key that is not in the table.
const char* DefaultConfigValue(const std::string& key);

namespace keys {
inline constexpr char kVersion[] = "version";
inline constexpr char kLightMode[] = "lightmode";
inline constexpr char kSleepLight[] = "sleep_light";
inline constexpr char kMoveWakeup[] = "move_wakeup";
inline constexpr char kMoveCloseLight[] = "move_closelight";
inline constexpr char kReportRate[] = "report_rate";
inline constexpr char kReportRateWireless[] = "report_rate_wireless";
inline constexpr char kReportCount[] = "report_count";
inline constexpr char kReportFlag[] = "report_flag";
inline constexpr char kButtonRespondTime[] = "button_respondtime";
inline constexpr char kSensorFlag[] = "sensor_flag";
inline constexpr char kLiftoffHeight[] = "liftoff_height";
inline constexpr char kScrollFlag[] = "scroll_flag";
inline constexpr char kESportsFlag[] = "e-sports_flag";
inline constexpr char kLeftButtonLock[] = "leftbtn_lock";
inline constexpr char kDpiFlag[] = "dpi_flag";
inline constexpr char kDpiIndex[] = "dpi_index";
inline constexpr char kDpiCount[] = "dpi_count";
inline constexpr char kMouseSpeed[] = "mouse_speed";
inline constexpr char kMouseSensitivity[] = "mouse_sensitivity";
inline constexpr char kWheelScrollFlag[] = "wheel_scrollflag";
inline constexpr char kWheelScrollLines[] = "wheel_scrolllines";
inline constexpr char kDoubleClickTime[] = "doubleclick_time";
}  // namespace keys

// "dpi_group<level>_value" (levels 0-7) and "dpi_group<level>_rgb" (levels 0-8).
std::string DpiValueKey(int level);
std::string DpiColorKey(int level);

}  // namespace tavrick
