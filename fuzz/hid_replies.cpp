// Arbitrary replies and notifications through the transport and the device manager. The
// input is a script of reads: a length byte, then that many bytes of report; length 0 is a
// time-out and 0xFF a read error. Writes always succeed unless the script is used up.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "device/DeviceManager.h"
#include "device/HidTransport.h"

namespace {

using namespace tavrick;

struct Script {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
};

class ScriptDevice final : public HidDevice {
 public:
  ScriptDevice(std::shared_ptr<Script> script, std::string path) : script_(std::move(script)), path_(std::move(path)) {}
  int Write(const uint8_t*, size_t length) override {
    return script_->pos < script_->size ? static_cast<int>(length) : -1;
  }
  int Read(uint8_t* buffer, size_t length, int) override {
    Script& s = *script_;
    if (s.pos >= s.size) return -1;
    const uint8_t n = s.data[s.pos++];
    if (n == 0) return 0;
    if (n == 0xFF) return -1;
    const size_t take = std::min<size_t>(n, s.size - s.pos);
    const size_t copied = std::min(take, length);
    std::memcpy(buffer, s.data + s.pos, copied);
    s.pos += take;
    return static_cast<int>(copied);
  }
  const std::string& Path() const override { return path_; }

 private:
  std::shared_ptr<Script> script_;
  std::string path_;
};

class ScriptBackend final : public HidBackend {
 public:
  explicit ScriptBackend(std::shared_ptr<Script> script) : script_(std::move(script)) {}
  std::vector<HidInterfaceInfo> Enumerate() override {
    return {{"fuzz:wired", 0x1209, 0x0001, 0x0100, 0xFF01, 0x0010, 1},
            {"fuzz:receiver", 0x1209, 0x0002, 0x0100, 0x0001, 0x0000, 2}};
  }
  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    return std::make_unique<ScriptDevice>(script_, path);
  }
  bool ReadReportDescriptor(const std::string&, std::vector<uint8_t>* d) override {
    Script& s = *script_;
    const size_t n = std::min<size_t>(s.size - std::min(s.pos, s.size), 64);
    d->assign(s.data + s.pos, s.data + s.pos + n);
    return true;
  }
  void Pause(int) override {}

 private:
  std::shared_ptr<Script> script_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  auto script = std::make_shared<Script>(Script{data + 1, size - 1});
  const uint8_t mode = data[0];
  ScriptBackend* raw = nullptr;
  {
    auto backend = std::make_unique<ScriptBackend>(script);
    raw = backend.get();
    (void)IsSettingsInterface(*raw, "fuzz:wired");
    DeviceManager dm(std::move(backend));
    dm.AddSupportedDevice(0x1209, 0x0001, "", 1, mode & 1 ? kModeWired : kModeWireless, "V15@");
    dm.AddSupportedDevice(0x1209, 0x0002, "", 1, kModeWireless, mode & 2 ? "" : "V15@");
    dm.Rebuild();
    dm.SetCurrentType(mode & 4 ? 1 : 0);
    uint8_t buffer[kInfoBufferSize];
    int type = 0;
    for (int i = 0; i < 8 && script->pos < script->size; ++i) {
      uint8_t frame[kLongFrame] = {0x00, static_cast<uint8_t>(0x10 + i)};
      size_t n = 0;
      (void)dm.SendCommand(frame, i & 1 ? kLongFrame : kShortFrame, &n);
      if (n > (i & 1 ? kLongFrame : kShortFrame)) __builtin_trap();
      (void)dm.ReadInput(buffer, &type);
      dm.PollConnection();
    }
    (void)dm.Records();
  }
  return 0;
}
