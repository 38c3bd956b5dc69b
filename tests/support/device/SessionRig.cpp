#include "tests/support/device/SessionRig.h"

#include "device/EmulatorBackend.h"
#include "store/Profiles.h"

#include <algorithm>

namespace tavrick::test {

MouseInfo RigMouseInfo() {
  MouseInfo info;
  info.found = true;
  info.has_light_info = true;
  info.default_light = 1;
  for (bool& e : info.light_enable) e = true;
  info.has_dpi_info = true;
  info.default_dpi = "1";
  info.dpi_count = "6";
  const char* values[6] = {"400", "800", "1600", "3200", "6400", "12000"};
  const char* colors[6] = {"#FF0000", "#00FF00", "#0000FF", "#FFFF00", "#00FFFF", "#FF00FF"};
  for (int n = 0; n < 6; ++n) {
    info.dpi_value[n] = values[n];
    info.dpi_color[n] = colors[n];
  }
  info.report_rate = 1;
  return info;
}

SessionRig::SessionRig(bool virtualClock, int type) : deviceType(type) {
  emu = std::make_shared<emu::Emulator>();
  if (virtualClock) emu->UseVirtualClock();
  devices = std::make_unique<DeviceManager>(CreateEmulatorBackend(emu));
  devices->AddSupportedDevice(0x1209, 0x0001, "", kVelaType, kModeWired, "V15@");
  devices->AddSupportedDevice(0x1209, 0x0002, "", kVelaType, kModeWireless, "V15@");
  devices->AddSupportedDevice(0x1209, 0x0003, "", kKestrelType, kModeWired, "K2%@");
  db.OpenForDevice(folder.Path(), "rig");
  const MouseInfo info = RigMouseInfo();
  profile = InitProfiles(db, "Profile", &info);
  db.SeedLightModes(profile, info);
  worker = std::make_unique<DeviceWorker>();
  session = std::make_unique<MouseSession>(*devices, db, hooks);
  session->SetModel(deviceType, true, info);
  session->SetCurrentProfile(profile);
  session->RegisterCommands(*worker);
}

SessionRig::~SessionRig() {
  worker->Stop();
  session.reset();
  worker.reset();
  devices.reset();
}

int SessionRig::Plug(const emu::UnitSpec& spec) {
  const int unit = emu->Plug(spec);
  Rebuild();
  return unit;
}

void SessionRig::Rebuild() {
  devices->Rebuild();
  devices->SetCurrentType(deviceType);
}

std::vector<std::vector<uint8_t>> SessionRig::Written(int unit) const {
  auto all = emu->WrittenReports(unit);
  auto it = writtenMark.find(unit);
  const size_t from = it == writtenMark.end() ? 0 : std::min(it->second, all.size());
  return {all.begin() + static_cast<long>(from), all.end()};
}

void SessionRig::ForgetWritten(int unit) { writtenMark[unit] = emu->WrittenReports(unit).size(); }

std::string SessionRig::Get(const char* key) {
  std::string value;
  db.GetConfigValue(session->CurrentProfile(), key, value);
  return value;
}

void SessionRig::Set(const char* key, const std::string& value) {
  db.SetConfigValue(session->CurrentProfile(), key, value);
}

}  // namespace tavrick::test
