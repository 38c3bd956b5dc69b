#include "device/MouseSession.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/Trace.h"
#include "device/ButtonReports.h"
#include "device/DeviceManager.h"
#include "device/DeviceWorker.h"
#include "device/UiHooks.h"
#include "store/KeyFunction.h"
#include "store/SettingsDatabase.h"

namespace tavrick {

namespace {

constexpr int kLinkNotification = 0xC0;
constexpr int kDpiNotification = 0xC2;
constexpr int kNotificationLength = 65;
constexpr int kIdlePollMs = 100;  // the longest an idle poll waits for the current device
constexpr int kDeviceInfoRetryPauseMs = 1000;

std::string Key(const char* format, int n) {
  char key[32];
  std::snprintf(key, sizeof key, format, n);
  return key;
}

void TraceLine(const char* format, int value) {
  base::Trace(base::TraceLevel::Warning, format, value);
}

}  // namespace

MouseSession::MouseSession(DeviceManager& devices, SettingsDatabase& db, DeviceUiHooks& hooks)
    : devices_(devices), db_(db), hooks_(hooks) {}

MouseSession::~MouseSession() = default;

// ---- state set by the main window ----------------------------------------------------

void MouseSession::SetModel(int deviceType, bool hasLighting, const MouseInfo& defaults) {
  std::lock_guard lock(mutex_);
  deviceType_ = deviceType;
  hasLighting_ = hasLighting;
  defaults_ = defaults;
  state_.dpiRange = DpiRangeForSensor(state_.sensorCode, deviceType);
}

int MouseSession::DeviceType() const {
  std::lock_guard lock(mutex_);
  return deviceType_;
}

void MouseSession::SetCurrentProfile(int profile) {
  std::lock_guard lock(mutex_);
  profile_ = profile;
}

int MouseSession::CurrentProfile() const {
  std::lock_guard lock(mutex_);
  return profile_;
}

void MouseSession::SetCurrentLightMode(int mode) {
  std::lock_guard lock(mutex_);
  lightMode_ = mode;
}

int MouseSession::CurrentLightMode() const {
  std::lock_guard lock(mutex_);
  return lightMode_;
}

void MouseSession::MarkMacroPending(int slot) {
  std::lock_guard lock(mutex_);
  pendingMacros_.insert(slot);
}

std::set<int> MouseSession::PendingMacros() const {
  std::lock_guard lock(mutex_);
  return pendingMacros_;
}

MouseState MouseSession::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void MouseSession::SetPollSlice(int milliseconds) {
  std::lock_guard lock(mutex_);
  pollSliceMs_ = std::clamp(milliseconds, 1, kIdlePollMs);
}

void MouseSession::SetFirmwareCheck(std::function<void()> check) {
  std::lock_guard lock(mutex_);
  firmwareCheck_ = std::move(check);
}

void MouseSession::RegisterCommands(DeviceWorker& worker) {
  worker_ = &worker;
  worker.SetHandler(command::kSelectRememberedMouse, [this] { RunSelectMouse(0); });
  worker.SetHandler(command::kDeviceArrived, [this] { RunSelectMouse(1); });
  worker.SetHandler(command::kReceiverRemoved, [this] { RunReceiverRemoved(); });
  worker.SetHandler(command::kEnterOnlineMouse, [this] { RunEnterOnlineMouse(); });
  worker.SetHandler(command::kProfileChanged, [this] { RunProfileChanged(); });
  worker.SetHandler(command::kSendButtons, [this] { SendButtonAssignments(); });
  worker.SetHandler(command::kSendLighting, [this] { SendLighting(); });
  worker.SetHandler(command::kSendDpiLevels, [this] { SendDpiLevels(); });
  worker.SetHandler(command::kSendDpiColors, [this] { SendDpiColors(); });
  worker.SetHandler(command::kSendReportRate, [this] { SendReportRate(); });
  worker.SetHandler(command::kSendLiftOff, [this] { SendLiftOffAndSensor(); });
  worker.SetHandler(command::kSendPower, [this] { SendPowerSettings(); });
  worker.SetHandler(command::kResetDpi, [this] { ResetDpi(); });
  worker.SetHandler(command::kResetMouse, [this] { ResetMouse(); });
  worker.SetIdlePoll([this](const std::function<bool()>& interrupted) { StatePoll(interrupted); });
}

// ---- exchanges -----------------------------------------------------------------------

bool MouseSession::KeepGoing() const { return worker_ == nullptr || worker_->KeepGoing(); }

void MouseSession::Pause(int milliseconds) {
  // In short steps, so that a stop does not wait out a long pause.
  while (milliseconds > 0 && KeepGoing()) {
    const int step = std::min(milliseconds, 50);
    devices_.Pause(step);
    milliseconds -= step;
  }
}

bool MouseSession::Exchange(Frame& frame, size_t* replyLength) {
  size_t length = 0;
  const bool ok = devices_.SendCommand(frame.data(), frame.length, &length);
  if (replyLength) *replyLength = ok ? std::min(length, frame.length) : 0;
  return ok;
}

void MouseSession::Failed(const char* what, int code) {
  base::Trace(base::TraceLevel::Warning, "%s: command 0x%02X not acknowledged", what, code);
  hooks_.OnSendFailure(devices_.GetConnectionMode());
}

bool MouseSession::Send(Frame frame, const char* what) {
  const int code = frame[kFrameCommand];
  if (Exchange(frame, nullptr)) return true;
  Failed(what, code);
  return false;
}

bool MouseSession::Query(uint8_t code, Frame& reply, size_t* replyLength) {
  reply = MakeQuery(code);
  return Exchange(reply, replyLength);
}

int MouseSession::Config(const char* key) { return db_.GetConfigInt(Profile(), key); }

// ---- settings writes -----------------------------------------------------------------

bool MouseSession::SendReportRate() {
  return Send(BuildReportRateFrame(Config("report_rate")), "SendReportRate");
}

bool MouseSession::SendDpiLevels() {
  DpiLevels levels;
  levels.count = Config("dpi_count");
  levels.index = Config("dpi_index");
  for (int n = 0; n < kMaxDpiLevels; ++n)
    levels.values[n] = db_.GetConfigInt(Profile(), Key("dpi_group%d_value", n));
  const MouseState state = State();
  return Send(BuildDpiLevelsFrame(levels, state.sensorCode, state.dpiRange), "SendDpiLevels");
}

bool MouseSession::SendDpiColors() {
  std::array<int, kMaxDpiLevels> colors{};
  for (int n = 0; n < kMaxDpiLevels; ++n)
    colors[n] = db_.GetConfigInt(Profile(), Key("dpi_group%d_rgb", n));
  return Send(BuildDpiColorsFrame(colors), "SendDpiColors");
}

bool MouseSession::SendLiftOffAndSensor() {
  return Send(BuildLiftOffFrame(Config("liftoff_height"), Config("sensor_flag")),
              "SendLiftOffAndSensor");
}

bool MouseSession::SendPowerSettings() {
  PowerSettings power;
  power.sleepLight = Config("sleep_light");
  power.moveWakeup = Config("move_wakeup");
  power.moveCloseLight = Config("move_closelight");
  power.buttonRespondTime = Config("button_respondtime");
  return Send(BuildPowerFrame(power), "SendPowerSettings");
}

// ---- buttons, macros, lighting -------------------------------------------------------

bool MouseSession::SendMacroData(int slot, int macroId) {
  return SendMacro(slot, macroId) == MacroSend::Sent;
}

MouseSession::MacroSend MouseSession::SendMacro(int slot, int macroId) {
  std::vector<MacroRecord> records;
  db_.ListMacroRecords(macroId, records);
  std::vector<MacroStep> steps;
  steps.reserve(records.size());
  for (const auto& r : records) steps.push_back({r.type, r.value});
  const auto frames = BuildMacroFrames(slot, EncodeMacroEvents(steps, KeyUsageFromVirtualKey));
  if (!frames) {
    base::Trace(base::TraceLevel::Warning,
                "SendMacroData: macro %d has more events than 15 reports hold, not sent", macroId);
    hooks_.OnSendFailure(devices_.GetConnectionMode());
    return MacroSend::Refused;
  }
  // Every part goes out even after a failed one: the mouse drops an incomplete transfer,
  // and the slot is sent again with the next button map.
  bool ok = true;
  for (Frame f : *frames) {
    const int part = f[kFramePart];
    if (!Exchange(f, nullptr)) {
      base::Trace(base::TraceLevel::Warning, "SendMacroData: part 0x%02X of slot %d failed", part,
                  slot);
      ok = false;
    }
  }
  if (!ok) hooks_.OnSendFailure(devices_.GetConnectionMode());
  return ok ? MacroSend::Sent : MacroSend::Failed;
}

bool MouseSession::SendButtonAssignments(bool allBoundMacros) {
  const int profile = Profile();
  std::set<int> slots;
  {
    std::lock_guard lock(mutex_);
    slots.swap(pendingMacros_);
  }
  std::vector<KeyAssignment> rows;
  db_.ListKeyAssignments(profile, rows);
  std::vector<MacroInfo> macros;
  db_.ListMacros(macros);
  auto findMacro = [&](int id) -> const MacroInfo* {
    for (const auto& m : macros)
      if (m.macro_id == id) return &m;
    return nullptr;
  };
  if (allBoundMacros) {
    for (const auto& row : rows)
      if (row.macro_type == 4) slots.insert(row.key_code);
  }
  for (int slot : slots) {
    if (slot < 0 || slot >= kButtonSlots) continue;  // beyond the map: nothing to play it
    for (const auto& row : rows) {
      if (row.macro_type != 4 || row.key_code != slot) continue;
      if (const MacroInfo* macro = findMacro(row.macro_value)) {
        if (SendMacro(slot, macro->macro_id) == MacroSend::Failed) {
          std::lock_guard lock(mutex_);
          pendingMacros_.insert(slot);  // try again with the next button map
        }
      }
      break;
    }
  }

  const ButtonSlots defaults = DefaultButtonMap(DeviceType());
  ButtonSlots map = defaults;
  rows.clear();
  db_.ListKeyAssignments(profile, rows);
  for (const auto& row : rows) {
    std::optional<MacroPlayMode> play;
    if (row.macro_type == 4) {
      if (const MacroInfo* macro = findMacro(row.macro_value))
        play = MacroPlayMode{macro->play_type, macro->play_times};
    }
    ApplyButtonFunction(map, row.key_code, {row.macro_type, row.macro_value, row.macro_value2},
                        play, defaults);
  }
  return Send(BuildButtonMapFrame(map), "SendButtonAssignments");
}

bool MouseSession::SendLighting() {
  const int profile = Profile();
  int mode = CurrentLightMode();
  if (mode < 0) mode = db_.GetActiveLightMode(profile);
  db_.ActivateLightMode(profile, mode);
  LightModeRecord record;
  if (!db_.GetLightMode(profile, mode, record)) return true;  // nothing stored: nothing to send
  LightingValues light;
  light.mode = record.mode;
  light.brightness = record.brightness;
  light.speed = record.speed;
  for (int n = 0; n < 7; ++n) light.colors[n] = record.color_value[n];
  return Send(BuildLightingFrame(light), "SendLighting");
}

bool MouseSession::ReadLightState() {
  Frame reply;
  size_t length = 0;
  if (!Query(cmd::kQueryLighting, reply, &length)) return false;
  const auto state = ParseLightState(reply.data(), length);
  if (!state) return false;
  const int profile = Profile();
  SetCurrentLightMode(state->mode);
  db_.ActivateLightMode(profile, state->mode);
  LightModeRecord record;
  if (db_.GetLightMode(profile, state->mode, record)) {
    record.brightness = state->brightness;
    record.speed = state->speed;
    db_.UpdateLightMode(state->mode, record);
  }
  return true;
}

// ---- composite work ------------------------------------------------------------------

void MouseSession::SendAllSettings() {
  bool lighting;
  {
    std::lock_guard lock(mutex_);
    lighting = hasLighting_;
  }
  // A failed exchange ends the sequence: the rest would wait out the same silent mouse
  // (up to 1.5 s each), and the database keeps every value for the next send.
  if (!SendButtonAssignments(true) || !KeepGoing()) return;
  if (lighting && (!SendLighting() || !KeepGoing())) return;
  if (!SendDpiLevels() || !KeepGoing()) return;
  if (!SendDpiColors() || !KeepGoing()) return;
  if (!SendReportRate() || !KeepGoing()) return;
  if (!SendLiftOffAndSensor() || !KeepGoing()) return;
  SendPowerSettings();
}

void MouseSession::ResetDpi() {
  MouseInfo defaults;
  {
    std::lock_guard lock(mutex_);
    defaults = defaults_;
  }
  db_.ApplyDeviceDefaults(Profile(), defaults, true);
  hooks_.RefreshPage(UiPage::DpiPerformance);
  if (!SendDpiLevels() || !KeepGoing()) return;
  SendDpiColors();
}

bool MouseSession::LoadActiveProfile() {
  int profile = db_.GetActiveProfile();
  if (profile < 1) {
    db_.ActivateProfile(1);
    profile = db_.GetActiveProfile();
  }
  if (profile < 1) return false;
  SetCurrentProfile(profile);
  hooks_.ShowProfile(profile);
  return true;
}

void MouseSession::ResetMouse() {
  MouseInfo defaults;
  bool lighting;
  {
    std::lock_guard lock(mutex_);
    defaults = defaults_;
    lighting = hasLighting_;
  }
  Frame reset = BuildFactoryResetFrame();
  Exchange(reset, nullptr);  // its outcome is not examined

  LoadActiveProfile();
  for (int profile = 1; profile <= 4; ++profile) db_.ApplyDeviceDefaults(profile, defaults, false);
  // Profile 1 becomes current, and active too, so that the next start shows the profile
  // whose settings were just restored.
  SetCurrentProfile(1);
  db_.ActivateProfile(1);
  hooks_.ShowProfile(1);
  for (int profile = 1; profile <= 5; ++profile) db_.DeleteProfileKeys(profile);
  if (lighting) {
    for (int profile = 1; profile <= 5; ++profile) db_.DeleteProfileLights(profile);
    db_.SeedLightModes(1, defaults);
    SetCurrentLightMode(-1);
  }
  hooks_.RefreshPage(UiPage::Keys);
  hooks_.RefreshPage(UiPage::Macros);
  db_.ApplyDeviceDefaults(1, defaults, false);
  hooks_.RefreshPage(UiPage::DpiPerformance);
  if (!lighting) return;

  Pause(100);
  Frame control = BuildLightControlFrame();
  Exchange(control, nullptr);
  Pause(100);
  Frame reply;
  size_t length = 0;
  if (Query(cmd::kQueryLighting, reply, &length)) {
    if (const auto state = ParseLightState(reply.data(), length)) {
      SetCurrentLightMode(state->mode);
      db_.ActivateLightMode(1, state->mode);
      if (state->mode != 4) {
        Pause(50);
        control = BuildLightControlFrame();
        Exchange(control, nullptr);
        SetCurrentLightMode(4);
        db_.ActivateLightMode(1, 4);
      }
    }
  }
  hooks_.RefreshPage(UiPage::Lighting);
}

// ---- read-back -----------------------------------------------------------------------

bool MouseSession::ReadMouseSettings(ReadMode mode) {
  const bool full = mode == ReadMode::Full;
  if (full) {
    MouseState last = State();
    hooks_.ShowBattery(last.battery, last.charging);
    std::lock_guard lock(mutex_);
    state_.link = 0;
  }

  Frame reply;
  size_t length = 0;
  std::optional<DeviceInfoReply> info;
  auto ask = [&] {
    if (Query(cmd::kDeviceInfo, reply, &length)) info = ParseDeviceInfo(reply.data(), length);
    return info.has_value();
  };
  if (!ask() && full) {
    const bool second = ask();
    Pause(kDeviceInfoRetryPauseMs);
    if (!second && KeepGoing()) ask();
  }
  if (!info) {
    // Quick mode fails here too: a mouse that does not answer has been read from nothing.
    base::Trace(base::TraceLevel::Warning, "ReadMouseSettings: no device information");
    hooks_.OnSendFailure(devices_.GetConnectionMode());
    return false;
  }
  int deviceType;
  {
    std::lock_guard lock(mutex_);
    deviceType = deviceType_;
    state_.identifier = info->identifier;
    state_.sensorCode = info->sensorCode;
    state_.dpiRange = DpiRangeForSensor(info->sensorCode, deviceType_);
    state_.reportRateMarker = info->reportRateMarker;
    state_.charging = info->charging;
    state_.battery = info->battery;
    state_.link = info->link;
  }
  hooks_.ShowBattery(info->battery, info->charging);
  if (info->link == 0) {
    base::Trace(base::TraceLevel::Warning, "ReadMouseSettings: wireless device not connected");
    hooks_.OnSendFailure(devices_.GetConnectionMode());
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    if (!typesRead_.insert(deviceType).second) return true;  // read once per run
  }

  const int profile = Profile();
  const int sensor = info->sensorCode;
  auto step = [&](uint8_t code) { return KeepGoing() && Query(code, reply, &length); };

  step(cmd::kQuery11);  // asked as the mice expect; the reply has no use here
  if (step(cmd::kQueryReportRate)) {
    if (const auto rate = ParseReportRate(reply.data(), length)) {
      db_.SetConfigValue(profile, "report_rate", *rate);
      db_.SetConfigValue(profile, "report_rate_wireless", *rate);
    }
  }
  if (step(cmd::kQueryDpiLevels)) {
    if (const auto dpi = ParseDpiLevels(reply.data(), length, sensor)) {
      db_.SetConfigValue(profile, "dpi_flag", dpi->count);
      db_.SetConfigValue(profile, "dpi_count", dpi->count);
      db_.SetConfigValue(profile, "dpi_index", dpi->index);
      for (int n = 0; n < kMaxDpiLevels; ++n)
        if (dpi->values[n]) db_.SetConfigValue(profile, Key("dpi_group%d_value", n), *dpi->values[n]);
    }
  }
  if (step(cmd::kQueryDpiColors)) {
    if (const auto colors = ParseDpiColors(reply.data(), length))
      for (int n = 0; n < kMaxDpiLevels; ++n)
        db_.SetConfigValue(profile, Key("dpi_group%d_rgb", n), (*colors)[n]);
  }
  if (KeepGoing()) ReadLightState();
  if (step(cmd::kQueryLiftOff)) {
    if (const auto lift = ParseLiftOff(reply.data(), length)) {
      db_.SetConfigValue(profile, "liftoff_height", lift->liftoffHeight);
      db_.SetConfigValue(profile, "sensor_flag", lift->sensorFlag);
    }
  }
  if (step(cmd::kQueryPower)) {
    if (const auto power = ParsePower(reply.data(), length)) {
      db_.SetConfigValue(profile, "sleep_light", power->sleepLight);
      db_.SetConfigValue(profile, "move_wakeup", power->moveWakeup);
      db_.SetConfigValue(profile, "move_closelight", power->moveCloseLight);
      db_.SetConfigValue(profile, "button_respondtime", power->buttonRespondTime);
    }
  }
  if (full && devices_.GetConnectionMode() == kModeWireless && step(cmd::kQueryReceiverVersion)) {
    if (const auto version = ParseReceiverVersion(reply.data(), length))
      hooks_.ShowReceiverVersion(*version);
  }
  return KeepGoing();
}

bool MouseSession::ReadDeviceInformation() {
  Frame reply;
  size_t length = 0;
  if (!Query(cmd::kDeviceInfo, reply, &length)) return false;
  const auto info = ParseDeviceInfo(reply.data(), length);
  if (!info) return false;
  std::lock_guard lock(mutex_);
  state_.identifier = info->identifier;
  state_.sensorCode = info->sensorCode;
  state_.dpiRange = DpiRangeForSensor(info->sensorCode, deviceType_);
  state_.reportRateMarker = info->reportRateMarker;
  state_.charging = info->charging;
  state_.battery = info->battery;
  state_.link = info->link;
  return true;
}

// ---- notifications -------------------------------------------------------------------

void MouseSession::StatePoll(const std::function<bool()>& interrupted) {
  int slice;
  {
    std::lock_guard lock(mutex_);
    slice = pollSliceMs_;
  }
  uint8_t report[kNotificationLength] = {};
  int type = 0;
  // The current device is read in slices so that a queued command ends the wait; without
  // one, ReadInput listens to each receiver briefly and one call is the whole poll.
  const bool current = devices_.CurrentDevice() != nullptr;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kIdlePollMs);
  for (;;) {
    const auto start = Clock::now();
    devices_.ReadInput(report, &type, slice);
    if (report[0] != 0) {
      HandleNotification(report, sizeof report);
      return;
    }
    if (!current || interrupted() || Clock::now() >= deadline) return;
    // A read that gives up at once (an unplugged mouse whose record is not rebuilt yet)
    // would make this loop spin: wait out the slice instead.
    if (Clock::now() - start < std::chrono::milliseconds(slice) / 2)
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
  }
}

void MouseSession::HandleNotification(const uint8_t* r, size_t length) {
  if (length < 4 || r[0] == 0) return;
  base::Trace(base::TraceLevel::Debug, "mouse notify data: %02X %02X %02X %02X %02X %02X", r[0],
              r[1], r[2], r[3], length > 4 ? r[4] : 0, length > 5 ? r[5] : 0);
  const int profile = Profile();
  if (r[0] == kDpiNotification) {
    const int count = r[1] & 0x0F;
    const int index = r[1] >> 4;
    // An impossible count or level would index past the six levels: ignore the report.
    if (count < 1 || count > kMaxDpiLevels || index >= count) return;
    if (count != db_.GetConfigInt(profile, "dpi_count")) {
      db_.SetConfigValue(profile, "dpi_count", count);
      hooks_.ShowDpiLevelCount(count);
    }
    if (index != db_.GetConfigInt(profile, "dpi_index")) {
      db_.SetConfigValue(profile, "dpi_index", index);
      const int dpi = db_.GetConfigInt(profile, Key("dpi_group%d_value", index));
      hooks_.ShowDpiLevel(index, dpi);
      hooks_.ShowDpiTip(dpi);
    }
    return;
  }
  if (r[0] != kLinkNotification) return;
  hooks_.DismissPopups();
  if (r[1] == 1) {
    hooks_.ShowLink(true);
    if (ReadMouseSettings(ReadMode::Quick)) RefreshDevicePages(true);
  } else {
    {
      std::lock_guard lock(mutex_);
      state_.link = 0;
    }
    hooks_.ShowLink(false);
    devices_.SetConnectionState(DeviceType(), kModeWireless, kStateLinkDown);
    devices_.PollConnection();
  }
  if (r[2] != 0) {
    {
      std::lock_guard lock(mutex_);
      state_.battery = r[2];
      state_.charging = r[3];
    }
    hooks_.ShowBattery(r[2], r[3]);
  }
}

// ---- command work --------------------------------------------------------------------

void MouseSession::RefreshDevicePages(bool withFirmwareLine) {
  bool lighting;
  {
    std::lock_guard lock(mutex_);
    lighting = hasLighting_;
  }
  hooks_.RefreshPage(UiPage::Keys);
  hooks_.RefreshPage(UiPage::Macros);
  hooks_.RefreshPage(UiPage::DpiPerformance);
  if (lighting) hooks_.RefreshPage(UiPage::Lighting);
  if (withFirmwareLine) hooks_.RefreshPage(UiPage::FirmwareLine);
}

void MouseSession::RunSelectMouse(int pauseMs) {
  hooks_.SelectRememberedMouse();
  Pause(pauseMs);
  hooks_.RefreshDeviceStates();
  if (devices_.GetConnectionMode() == -1 || !KeepGoing()) return;
  LoadActiveProfile();
  RefreshDevicePages(false);
  if (!ReadMouseSettings(ReadMode::Full)) {
    TraceLine("select mouse: reading the settings of type %d failed", DeviceType());
    return;
  }
  RefreshDevicePages(true);
  std::function<void()> check;
  {
    std::lock_guard lock(mutex_);
    check = firmwareCheck_;
  }
  if (check && KeepGoing()) check();
}

void MouseSession::RunReceiverRemoved() {
  Pause(500);
  if (!KeepGoing()) return;
  hooks_.RefreshDeviceStates();
  if (devices_.GetConnectionMode() == -1) return;
  if (ReadMouseSettings(ReadMode::Full))
    RefreshDevicePages(true);
  else
    TraceLine("receiver removed: reading the settings of type %d failed", DeviceType());
}

void MouseSession::RunEnterOnlineMouse() {
  LoadActiveProfile();
  RefreshDevicePages(false);
  if (ReadMouseSettings(ReadMode::Full))
    RefreshDevicePages(true);
  else
    TraceLine("enter mouse: reading the settings of type %d failed", DeviceType());
}

void MouseSession::RunProfileChanged() {
  bool lighting;
  {
    std::lock_guard lock(mutex_);
    lighting = hasLighting_;
  }
  hooks_.RefreshPage(UiPage::Keys);
  hooks_.RefreshPage(UiPage::DpiPerformance);
  if (lighting) hooks_.RefreshPage(UiPage::Lighting);
  SendAllSettings();
}

}  // namespace tavrick
