#pragma once
// The device-side operations of the main window: the settings, button, macro and lighting
// downloads, the read-back, the factory and DPI resets, the idle state poll, and the work of
// each worker command code. The main window owns one session and one DeviceWorker, calls
// RegisterCommands once, and tells the session which model and profile are current.
//
// Threads: the operations run on the worker. The setters (model, profile, lighting mode,
// pending macros) may be called from the UI thread; the state they set is guarded. What
// the operations show goes through DeviceUiHooks, in the order the work runs.
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "device/DeviceDescription.h"
#include "device/DpiCodes.h"
#include "device/Reports.h"

namespace tavrick {

class DeviceManager;
class DeviceWorker;
class DeviceUiHooks;
class SettingsDatabase;

// What the last device-information reply and notifications said about the mouse.
struct MouseState {
  int identifier = 0;
  int sensorCode = 0;
  DpiRange dpiRange = kDefaultDpiRange;
  int reportRateMarker = 4;
  int link = 0;
  int battery = 0;
  int charging = 0;
};

enum class ReadMode { Full, Quick };

class MouseSession {
 public:
  MouseSession(DeviceManager& devices, SettingsDatabase& db, DeviceUiHooks& hooks);
  ~MouseSession();
  MouseSession(const MouseSession&) = delete;
  MouseSession& operator=(const MouseSession&) = delete;

  // ---- set by the main window (any thread) ----------------------------------------------
  // The current model: its device type, whether it has lighting (the light tab), and its
  // description's defaults (used by the resets).
  void SetModel(int deviceType, bool hasLighting, const MouseInfo& defaults);
  int DeviceType() const;
  void SetCurrentProfile(int profile);
  int CurrentProfile() const;
  // The lighting page's current mode; -1 (the start) means the profile's active mode.
  void SetCurrentLightMode(int mode);
  int CurrentLightMode() const;
  // The key page bound a macro to a button: its macro goes out with the next button map.
  void MarkMacroPending(int slot);
  std::set<int> PendingMacros() const;
  MouseState State() const;
  // Idle poll read slice in milliseconds: the poll reads the current device in slices of
  // this length (up to 100 ms in all) so that a queued command ends it early. 100 reads in
  // one piece, as a literal build would.
  void SetPollSlice(int milliseconds);
  // Runs after a successful full refresh (commands 1 and 2): the firmware version check.
  void SetFirmwareCheck(std::function<void()> check);

  // ---- worker ---------------------------------------------------------------------------
  // Registers the work of codes 1-6, 8-13, 18 and 20 and the idle poll. Codes 23, 24, 26
  // and 27 are the update service's to register. The handlers hold this session: stop the
  // worker before the session goes.
  void RegisterCommands(DeviceWorker& worker);

  // The operations. Each write returns whether the mouse accepted it; a failed exchange
  // writes a trace line and calls OnSendFailure, and leaves the database as it was.
  bool SendReportRate();
  bool SendDpiLevels();
  bool SendDpiColors();
  bool SendLiftOffAndSensor();
  bool SendPowerSettings();
  // Sends the button map, after the pending macros; with allBoundMacros every macro bound
  // in the profile goes out first (profile switch).
  bool SendButtonAssignments(bool allBoundMacros = false);
  bool SendMacroData(int slot, int macroId);
  bool SendLighting();
  bool ReadLightState();
  // Command 5: buttons and macros, lighting (models with lighting), DPI levels and colours,
  // report rate, lift-off and sensor, power.
  void SendAllSettings();
  // Command 18: the model's DPI defaults into the profile, then levels and colours.
  void ResetDpi();
  // Command 20.
  void ResetMouse();
  bool ReadMouseSettings(ReadMode mode);
  // Only the device-information query, once: the sensor, its DPI range, the report-rate
  // capability, link and battery, kept in State(). Stores nothing and shows nothing.
  bool ReadDeviceInformation();
  // One idle poll: read one notification and react to it. `interrupted` turns true when a
  // command was queued or the worker stops.
  void StatePoll(const std::function<bool()>& interrupted);
  // The reaction to one notification report (byte 0 its kind).
  void HandleNotification(const uint8_t* report, size_t length);

  // Command work as the worker runs it.
  void RunSelectMouse(int pauseMs);   // 1 (pause 0) and 2 (pause 1)
  void RunReceiverRemoved();          // 3
  void RunEnterOnlineMouse();         // 4
  void RunProfileChanged();           // 5

 private:
  enum class MacroSend { Sent, Failed, Refused };
  MacroSend SendMacro(int slot, int macroId);
  bool Exchange(Frame& frame, size_t* replyLength);
  bool Send(Frame frame, const char* what);
  bool Query(uint8_t code, Frame& reply, size_t* replyLength);
  void Failed(const char* what, int code);
  bool KeepGoing() const;
  void Pause(int milliseconds);
  int Profile() const { return CurrentProfile(); }
  int Config(const char* key);
  void RefreshDevicePages(bool withFirmwareLine);
  bool LoadActiveProfile();

  DeviceManager& devices_;
  SettingsDatabase& db_;
  DeviceUiHooks& hooks_;
  DeviceWorker* worker_ = nullptr;

  mutable std::mutex mutex_;
  int deviceType_ = 0;
  bool hasLighting_ = true;
  MouseInfo defaults_;
  int profile_ = 1;
  int lightMode_ = -1;
  std::set<int> pendingMacros_;
  MouseState state_;
  std::set<int> typesRead_;
  int pollSliceMs_ = 2;
  std::function<void()> firmwareCheck_;
};

}  // namespace tavrick
