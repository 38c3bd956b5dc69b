#include "device/EmulatorBackend.h"

#include <mutex>

namespace tavrick {
namespace {

class EmulatedDevice final : public HidDevice {
 public:
  EmulatedDevice(std::shared_ptr<emu::Emulator> emulator, int handle, std::string path)
      : emulator_(std::move(emulator)), handle_(handle), path_(std::move(path)) {}
  ~EmulatedDevice() override { emulator_->Close(handle_); }
  int Write(const uint8_t* data, size_t length) override { return emulator_->Write(handle_, data, length); }
  int Read(uint8_t* buffer, size_t length, int timeout_ms) override {
    return emulator_->Read(handle_, buffer, length, timeout_ms);
  }
  const std::string& Path() const override { return path_; }

 private:
  std::shared_ptr<emu::Emulator> emulator_;
  int handle_;
  std::string path_;
};

class EmulatorBackend final : public HidBackend {
 public:
  explicit EmulatorBackend(std::shared_ptr<emu::Emulator> emulator) : emulator_(std::move(emulator)) {}
  ~EmulatorBackend() override { emulator_->SetPlugHandler({}); }

  std::vector<HidInterfaceInfo> Enumerate() override {
    std::vector<HidInterfaceInfo> out;
    for (const auto& e : emulator_->Enumerate()) {
      out.push_back({e.path, e.vendor_id, e.product_id, e.release_number, e.usage_page, e.usage,
                     e.interface_number});
    }
    return out;
  }
  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    const int handle = emulator_->Open(path);
    if (handle <= 0) return nullptr;
    return std::make_unique<EmulatedDevice>(emulator_, handle, path);
  }
  bool ReadReportDescriptor(const std::string& path, std::vector<uint8_t>* descriptor) override {
    *descriptor = emulator_->ReportDescriptor(path);
    return !descriptor->empty();
  }
  void SetChangeHandler(DeviceChangeHandler handler) override {
    if (!handler) {
      emulator_->SetPlugHandler({});
      return;
    }
    emulator_->SetPlugHandler([handler](const emu::PlugEvent& e) {
      DeviceChange change;
      change.kind = e.arrival ? DeviceChange::Kind::Arrival : DeviceChange::Kind::Removal;
      change.path = e.path;
      change.vendor_id = e.vendor_id;
      change.product_id = e.product_id;
      change.interface_number = e.interface_number;
      handler(change);
    });
  }
  void Pause(int milliseconds) override { emulator_->Pause(milliseconds); }
  bool Owns(const std::string& path) const override { return path.rfind("emu:", 0) == 0; }

 private:
  std::shared_ptr<emu::Emulator> emulator_;
};

}  // namespace

std::unique_ptr<HidBackend> CreateEmulatorBackend(std::shared_ptr<emu::Emulator> emulator) {
  return std::make_unique<EmulatorBackend>(std::move(emulator));
}

std::shared_ptr<emu::Emulator> ProcessEmulator() {
  static std::mutex mu;
  static std::shared_ptr<emu::Emulator> emulator;
  std::lock_guard<std::mutex> lock(mu);
  if (!emulator) emulator = std::make_shared<emu::Emulator>();
  return emulator;
}

std::pair<int, int> PlugEmulatedDevices() {
  auto emulator = ProcessEmulator();
  const int wired = emulator->Plug(emu::VelaWired());
  const int receiver = emulator->Plug(emu::VelaReceiver());
  return {wired, receiver};
}

std::unique_ptr<HidBackend> CreateProgramBackend(bool emulate) {
  if (!emulate) return CreateHidapiBackend();
  return CreateCombinedBackend(CreateHidapiBackend(), CreateEmulatorBackend(ProcessEmulator()));
}

}  // namespace tavrick

#include "device/DeviceManager.h"

namespace tavrick {

bool InstallProcessBackend(bool emulate) {
  if (emulate) PlugEmulatedDevices();
  return DeviceManager::SetProcessBackend(CreateProgramBackend(emulate));
}

}  // namespace tavrick
