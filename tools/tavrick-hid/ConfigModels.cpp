#include "ConfigModels.h"

#include "app/Config.h"

namespace tavrick {

namespace {

class Receiver : public DeviceConfigReceiver {
 public:
  Receiver(std::vector<ToolModel>& m, std::vector<ToolVariant>& v) : models(m), variants(v) {}
  void OnMouse(const MouseRecord& mouse) override {
    models.push_back({mouse.name, mouse.device_type, mouse.device_attr});
  }
  void OnMode(const MouseRecord&, const ModeRecord&) override {}
  void OnSupportedDevice(const SupportedVariant& d) override {
    variants.push_back({static_cast<int>(d.vid), static_cast<int>(d.pid), d.device_type, d.mode, d.dev_id});
  }
  void OnSoftware(const SoftwareInfo&) override {}
  std::vector<ToolModel>& models;
  std::vector<ToolVariant>& variants;
};

}  // namespace

bool ReadToolModels(std::vector<ToolModel>& models, std::vector<ToolVariant>& variants) {
  ReadStartupConfig();  // the device name, which names the user data folder
  Receiver receiver(models, variants);
  return ReadDeviceConfig(receiver);
}

std::string ToolConfigPath() { return ConfigFilePath(); }

}  // namespace tavrick
