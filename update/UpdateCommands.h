#pragma once
// The update service's worker commands: 23 software check, 24 firmware check, 26 software
// installation, 27 firmware flash. The main window fills in what they need from its own
// thread; the commands run on the worker and report through UpdateHooks.
#include <mutex>
#include <string>

#include "device/FirmwareUpdate.h"
#include "update/HttpTransfer.h"
#include "update/UpdateService.h"

namespace tavrick {

class DeviceWorker;

class UpdateCommands {
 public:
  explicit UpdateCommands(UpdateHooks& hooks, HttpOptions options = {});

  // Registers 23, 24, 26 and 27 with the worker.
  void Register(DeviceWorker& worker);

  // What the commands read. Any thread.
  void SetSoftware(const std::string& update_address, const std::string& local_version);
  void SetUserDataFolder(const std::string& folder);
  // The current mouse: its description's firmware address and the version it reported.
  void SetMouseFirmware(const std::string& firmware_address, const std::string& version);
  // The device side of flashing; null: no mouse to flash. Owned by the caller.
  void SetFirmwareTarget(FirmwareTarget* target);

  UpdateState State() const;

  // The commands themselves (the worker runs them; tests may too).
  void CheckSoftware();
  void CheckFirmware();
  void InstallSoftware();
  // `pause` is used for the pauses after the flash; it may end them early.
  FlashOutcome Flash(const std::function<void(int)>& pause);

 private:
  UpdateHooks& hooks_;
  HttpTransfer http_;
  mutable std::mutex mutex_;
  UpdateState state_;
  std::string software_address_;
  std::string firmware_address_;
  std::string user_data_folder_;
  FirmwareTarget* target_ = nullptr;
};

}  // namespace tavrick
