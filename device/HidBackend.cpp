#include "device/HidBackend.h"

#include <chrono>
#include <thread>

namespace tavrick {

void HidBackend::Pause(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {

class CombinedBackend final : public HidBackend {
 public:
  CombinedBackend(std::unique_ptr<HidBackend> first, std::unique_ptr<HidBackend> second)
      : first_(std::move(first)), second_(std::move(second)) {}

  std::vector<HidInterfaceInfo> Enumerate() override {
    std::vector<HidInterfaceInfo> all = first_->Enumerate();
    std::vector<HidInterfaceInfo> more = second_->Enumerate();
    all.insert(all.end(), more.begin(), more.end());
    return all;
  }
  std::unique_ptr<HidDevice> Open(const std::string& path) override { return For(path).Open(path); }
  bool ReadReportDescriptor(const std::string& path, std::vector<uint8_t>* descriptor) override {
    return For(path).ReadReportDescriptor(path, descriptor);
  }
  void SetChangeHandler(DeviceChangeHandler handler) override {
    first_->SetChangeHandler(handler);
    second_->SetChangeHandler(handler);
  }
  // The second backend is the emulator in --emulate; its pauses must follow its clock.
  void Pause(int milliseconds) override { second_->Pause(milliseconds); }
  bool Owns(const std::string& path) const override { return first_->Owns(path) || second_->Owns(path); }

 private:
  HidBackend& For(const std::string& path) { return second_->Owns(path) ? *second_ : *first_; }

  std::unique_ptr<HidBackend> first_;
  std::unique_ptr<HidBackend> second_;
};

}  // namespace

std::unique_ptr<HidBackend> CreateCombinedBackend(std::unique_ptr<HidBackend> first,
                                                  std::unique_ptr<HidBackend> second) {
  return std::make_unique<CombinedBackend>(std::move(first), std::move(second));
}

}  // namespace tavrick
