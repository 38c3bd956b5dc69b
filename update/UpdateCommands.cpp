#include "update/UpdateCommands.h"

#include <chrono>
#include <thread>

#include "device/DeviceWorker.h"

namespace tavrick {

UpdateCommands::UpdateCommands(UpdateHooks& hooks, HttpOptions options)
    : hooks_(hooks), http_(std::move(options)) {}

void UpdateCommands::Register(DeviceWorker& worker) {
  worker.SetHandler(command::kCheckSoftware, [this] { CheckSoftware(); });
  worker.SetHandler(command::kCheckFirmware, [this] { CheckFirmware(); });
  worker.SetHandler(command::kInstallSoftware, [this] { InstallSoftware(); });
  // The flash itself never looks at the worker's stop: a mouse left half-flashed has no
  // firmware. Only the pauses after it may end early.
  worker.SetHandler(command::kFlashFirmware, [this, &worker] {
    Flash([&worker](int ms) { worker.Pause(std::chrono::milliseconds(ms)); });
  });
}

void UpdateCommands::SetSoftware(const std::string& update_address,
                                 const std::string& local_version) {
  std::lock_guard<std::mutex> lock(mutex_);
  software_address_ = update_address;
  state_.local_software_version = local_version;
}

void UpdateCommands::SetUserDataFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  user_data_folder_ = folder;
}

void UpdateCommands::SetMouseFirmware(const std::string& firmware_address,
                                      const std::string& version) {
  std::lock_guard<std::mutex> lock(mutex_);
  firmware_address_ = firmware_address;
  state_.mouse_firmware_version = version;
}

void UpdateCommands::SetFirmwareTarget(FirmwareTarget* target) {
  std::lock_guard<std::mutex> lock(mutex_);
  target_ = target;
}

UpdateState UpdateCommands::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

// Each command works on a copy and stores the outcome, so the lock is never held across
// network or device traffic.
void UpdateCommands::CheckSoftware() {
  UpdateState state;
  std::string address;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state = state_;
    address = software_address_;
  }
  CheckSoftwareVersion(http_, address, state, hooks_);
  std::lock_guard<std::mutex> lock(mutex_);
  state_.offered_software_version = state.offered_software_version;
  state_.software_state = state.software_state;
}

void UpdateCommands::CheckFirmware() {
  UpdateState state;
  std::string address;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state = state_;
    address = firmware_address_;
  }
  CheckFirmwareVersion(http_, address, state, hooks_);
  std::lock_guard<std::mutex> lock(mutex_);
  state_.offered_firmware_version = state.offered_firmware_version;
  state_.firmware_state = state.firmware_state;
}

void UpdateCommands::InstallSoftware() {
  UpdateState state;
  std::string address, folder;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state = state_;
    address = software_address_;
    folder = user_data_folder_;
  }
  InstallSoftwareUpdate(http_, address, folder, state, hooks_);
}

FlashOutcome UpdateCommands::Flash(const std::function<void(int)>& pause) {
  FlashRequest request;
  FirmwareTarget* target;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    request.firmware_address = firmware_address_;
    request.version = state_.offered_firmware_version;
    request.user_data_folder = user_data_folder_;
    target = target_;
  }
  request.http = &http_;
  request.dialog = &hooks_;
  request.owner = &hooks_;
  FlashOutcome outcome = FlashOutcome::NoMouse;
  if (target) outcome = FlashFirmware(request, *target);
  pause(100);
  hooks_.CloseFlashDialog();
  pause(100);
  return outcome;
}

}  // namespace tavrick
