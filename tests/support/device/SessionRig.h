#pragma once
// A mouse session over the emulated mouse and a real settings database in a temporary
// folder, with the worker and a hook recorder: what device tests and benches start from.
#include <map>
#include <memory>
#include <string>

#include "device/DeviceManager.h"
#include "device/DeviceWorker.h"
#include "device/MouseSession.h"
#include "emulator/Emulator.h"
#include "store/SettingsDatabase.h"
#include "tests/support/TempFolder.h"
#include "tests/support/device/RecordingUiHooks.h"

namespace tavrick::test {

// Device types of the emulated models as the rig registers them.
constexpr int kVelaType = 1;
constexpr int kKestrelType = 2;

// The description defaults the rig's database is seeded with (six levels, lighting modes
// 0-5 enabled, default mode 1).
MouseInfo RigMouseInfo();

class SessionRig {
 public:
  // virtualClock: time-outs cost nothing (tests); false: a real clock (benches).
  explicit SessionRig(bool virtualClock = true, int deviceType = kVelaType);
  ~SessionRig();

  // Plugs a unit and rebuilds the device list with the rig's type current. Returns the unit.
  int Plug(const emu::UnitSpec& spec);
  void Rebuild();

  std::shared_ptr<emu::Emulator> emu;
  TempFolder folder;
  std::unique_ptr<DeviceManager> devices;
  SettingsDatabase db;
  RecordingUiHooks hooks;
  std::unique_ptr<DeviceWorker> worker;
  std::unique_ptr<MouseSession> session;
  int deviceType = kVelaType;
  int profile = 0;  // the active profile after InitProfiles
  std::map<int, size_t> writtenMark;

  // Reports written to a unit since the last ForgetWritten (report id included).
  std::vector<std::vector<uint8_t>> Written(int unit) const;
  void ForgetWritten(int unit);
  // Settings of the current profile.
  std::string Get(const char* key);
  void Set(const char* key, const std::string& value);
};

}  // namespace tavrick::test
