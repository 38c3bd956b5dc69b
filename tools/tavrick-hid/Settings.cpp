#include "Settings.h"

#include <cstdio>

#include "ConfigModels.h"
#include "app/Language.h"
#include "device/DeviceCatalogue.h"
#include "device/DeviceDescription.h"
#include "device/DeviceManager.h"
#include "device/MouseSession.h"
#include "device/SettingChecks.h"
#include "device/UiHooks.h"
#include "platform/system/Folders.h"
#include "store/Profiles.h"
#include "store/SettingsDatabase.h"

namespace tavrick {

namespace {

// The settings the DPI and performance page shows, in its order.
const char* const kShownKeys[] = {
    "dpi_count",        "dpi_index",        "dpi_group0_value", "dpi_group1_value",
    "dpi_group2_value", "dpi_group3_value", "dpi_group4_value", "dpi_group5_value",
    "dpi_group0_rgb",   "dpi_group1_rgb",   "dpi_group2_rgb",   "dpi_group3_rgb",
    "dpi_group4_rgb",   "dpi_group5_rgb",   "report_rate",      "liftoff_height",
    "sensor_flag",      "sleep_light",      "move_wakeup",      "move_closelight",
    "button_respondtime",
};

// What the window would show, as text; failures always, the rest with --verbose.
class ConsoleHooks : public DeviceUiHooks {
 public:
  explicit ConsoleHooks(bool verbose) : verbose_(verbose) {}
  int failures = 0;
  void RefreshPage(UiPage page) override { Say("refresh page %d", static_cast<int>(page)); }
  void ShowBattery(int level, int charging) override {
    Say("battery %d%%%s", level, charging ? ", charging" : "");
  }
  void ShowReceiverVersion(const std::string& v) override { Say("receiver firmware %s", v.c_str()); }
  void OnSendFailure(int mode) override {
    ++failures;
    std::printf("failure: the mouse did not accept a report (connection mode %d)\n", mode);
  }
  void ShowDpiTip(int dpi) override { Say("DPI %d", dpi); }
  void DismissPopups() override {}
  void ShowDpiLevelCount(int count) override { Say("DPI levels %d", count); }
  void ShowDpiLevel(int index, int dpi) override { Say("DPI level %d: %d", index, dpi); }
  void ShowLink(bool online) override { Say("link %s", online ? "up" : "down"); }
  void ShowProfile(int profile) override { Say("profile %d", profile); }
  void SelectRememberedMouse() override {}
  int RefreshDeviceStates() override { return 0; }

 private:
  template <typename... Args>
  void Say(const char* format, Args... args) {
    if (!verbose_) return;
    std::printf("ui: ");
    std::printf(format, args...);
    std::printf("\n");
  }
  bool verbose_;
};

}  // namespace

int RunSettingsCommands(std::unique_ptr<HidBackend> backend, const SettingsCommands& c) {
  std::vector<ToolModel> models;
  std::vector<ToolVariant> variants;
  if (!ReadToolModels(models, variants)) {
    std::fprintf(stderr, "tavrick-hid: cannot read %s\n", ToolConfigPath().c_str());
    return 2;
  }
  DeviceManager devices(std::move(backend));
  for (const auto& v : variants) devices.AddSupportedDevice(v.vid, v.pid, "", v.deviceType, v.mode, v.devId);
  devices.Rebuild();
  int type = c.deviceType;
  if (type == 0) {
    for (const auto& r : devices.Records())
      if (r.device_type > 0) {
        type = r.device_type;
        break;
      }
  }
  const ToolModel* mouse = nullptr;
  for (const auto& m : models)
    if (m.deviceType == type && mouse == nullptr) mouse = &m;
  if (mouse == nullptr || mouse->attr.empty()) {
    std::fprintf(stderr, "tavrick-hid: no supported mouse%s\n",
                 c.deviceType ? " of that model in config.xml" : " present (use --model)");
    return 2;
  }
  devices.SetCurrentType(type);
  const bool present = devices.CurrentDevice() != nullptr;

  const std::string description = DescriptionPath(GetProgramFolder(), mouse->attr);
  MouseInfo info;
  ReadMouseInfo(description, info);
  MainWindowDescription window;
  ReadMainWindowDescription(description, &window);
  const bool lighting = window.has_lighting.value_or(true);

  SettingsDatabase& db = SettingsDatabase::Instance();
  if (!db.OpenForDevice(GetUserDataFolder(), mouse->attr)) {
    std::fprintf(stderr, "tavrick-hid: cannot open the settings database of %s\n",
                 mouse->attr.c_str());
    return 2;
  }
  std::string word = GetLanguageText(61);
  const int profile = InitProfiles(db, word.empty() ? "Profile" : word, &info);
  if (profile < 1) {
    std::fprintf(stderr, "tavrick-hid: the settings database has no profile\n");
    return 2;
  }
  if (lighting) db.SeedLightModes(profile, info);

  ConsoleHooks hooks(c.verbose);
  MouseSession session(devices, db, hooks);
  session.SetModel(type, lighting, info);
  session.SetCurrentProfile(profile);
  std::printf("model %d (%s), profile %d, %s\n", type, mouse->name.c_str(), profile,
              present ? "mouse present" : "no mouse present");
  const bool needsMouse = c.reset || c.apply || c.dump;
  if (needsMouse && !present) {
    std::fprintf(stderr, "tavrick-hid: the mouse is not present\n");
    return 1;
  }

  // What the mouse is decides how values are limited and converted; the program learns it
  // when the mouse connects, and so does this tool before it stores or sends anything.
  if (present && !session.ReadDeviceInformation() && needsMouse) {
    std::fprintf(stderr, "tavrick-hid: the mouse does not answer\n");
    return 1;
  }
  if (c.reset) session.ResetMouse();

  if (!c.sets.empty()) {
    SettingContext context;
    context.deviceType = type;
    context.dpiCount = db.GetConfigInt(profile, "dpi_count");
    if (present && session.ReadDeviceInformation()) {
      context.sensorCode = session.State().sensorCode;
      context.reportRateMarker = session.State().reportRateMarker;
    }
    std::vector<std::pair<std::string, std::string>> checked;
    for (const auto& set : c.sets) {
      const size_t eq = set.find('=');
      if (eq == std::string::npos || eq == 0) {
        std::fprintf(stderr, "tavrick-hid: --set wants key=value, not \"%s\"\n", set.c_str());
        return 2;
      }
      const std::string key = set.substr(0, eq);
      const CheckedSetting r = CheckSetting(key, set.substr(eq + 1), context);
      if (!r.ok) {
        std::fprintf(stderr, "tavrick-hid: %s; nothing stored\n", r.error.c_str());
        return 2;
      }
      if (key == "dpi_count") context.dpiCount = std::stoi(r.value);
      checked.emplace_back(key, r.value);
    }
    for (const auto& [key, value] : checked) {
      db.SetConfigValue(profile, key, value);
      if (key == "report_rate") db.SetConfigValue(profile, "report_rate_wireless", value);
      std::printf("set %s=%s\n", key.c_str(), value.c_str());
    }
    // A lowered level count takes the current level with it, as the page does.
    const int count = db.GetConfigInt(profile, "dpi_count");
    if (db.GetConfigInt(profile, "dpi_index") > count - 1) db.SetConfigValue(profile, "dpi_index", count - 1);
  }

  if (c.apply) session.SendAllSettings();

  if (c.dump) {
    if (!session.ReadMouseSettings(ReadMode::Full)) {
      std::fprintf(stderr, "tavrick-hid: the settings could not be read\n");
      return 1;
    }
    const MouseState s = session.State();
    std::printf("sensor=0x%02X dpi_range=%d-%d report_rate_marker=%d link=%d battery=%d charging=%d\n",
                s.sensorCode, s.dpiRange.minimum, s.dpiRange.maximum, s.reportRateMarker, s.link,
                s.battery, s.charging);
    for (const char* key : kShownKeys) {
      std::string value;
      db.GetConfigValue(profile, key, value);
      std::printf("%s=%s\n", key, value.c_str());
    }
    std::printf("light_mode=%d\n", db.GetActiveLightMode(profile));
  }
  db.CloseDevice();
  return hooks.failures > 0 ? 1 : 0;
}

}  // namespace tavrick
