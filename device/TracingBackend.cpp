#include "device/TracingBackend.h"

namespace tavrick {

std::string HexBytes(const uint8_t* data, size_t length) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(length * 3);
  for (size_t i = 0; i < length; ++i) {
    if (i) out += ' ';
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

namespace {

using Sink = std::function<void(const std::string&)>;

class TracingDevice final : public HidDevice {
 public:
  TracingDevice(std::unique_ptr<HidDevice> inner, std::shared_ptr<Sink> sink)
      : inner_(std::move(inner)), sink_(std::move(sink)) {}
  int Write(const uint8_t* data, size_t length) override {
    const int n = inner_->Write(data, length);
    (*sink_)("-> " + inner_->Path() + "  " + (n > 0 ? HexBytes(data, length) : "(failed)"));
    return n;
  }
  int Read(uint8_t* buffer, size_t length, int timeout_ms) override {
    const int n = inner_->Read(buffer, length, timeout_ms);
    std::string what = n > 0 ? HexBytes(buffer, static_cast<size_t>(n)) : n == 0 ? "(time-out)" : "(error)";
    (*sink_)("<- " + inner_->Path() + "  " + what);
    return n;
  }
  const std::string& Path() const override { return inner_->Path(); }

 private:
  std::unique_ptr<HidDevice> inner_;
  std::shared_ptr<Sink> sink_;
};

class TracingBackend final : public HidBackend {
 public:
  TracingBackend(std::unique_ptr<HidBackend> inner, Sink sink)
      : inner_(std::move(inner)), sink_(std::make_shared<Sink>(std::move(sink))) {}
  std::vector<HidInterfaceInfo> Enumerate() override { return inner_->Enumerate(); }
  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    auto device = inner_->Open(path);
    if (!device) return nullptr;
    return std::make_unique<TracingDevice>(std::move(device), sink_);
  }
  bool ReadReportDescriptor(const std::string& path, std::vector<uint8_t>* descriptor) override {
    return inner_->ReadReportDescriptor(path, descriptor);
  }
  void SetChangeHandler(DeviceChangeHandler handler) override { inner_->SetChangeHandler(std::move(handler)); }
  void Pause(int milliseconds) override { inner_->Pause(milliseconds); }
  bool Owns(const std::string& path) const override { return inner_->Owns(path); }

 private:
  std::unique_ptr<HidBackend> inner_;
  std::shared_ptr<Sink> sink_;
};

}  // namespace

std::unique_ptr<HidBackend> CreateTracingBackend(std::unique_ptr<HidBackend> inner, Sink sink) {
  return std::make_unique<TracingBackend>(std::move(inner), std::move(sink));
}

}  // namespace tavrick
