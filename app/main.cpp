// Tavrick's entry point. The main window does not exist yet, so a start reads the
// configuration and the language as the program's start-up does and tells what it found.
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Config.h"
#include "app/Language.h"
#include "device/DeviceManager.h"
#include "device/EmulatorBackend.h"
#include "platform/system/Folders.h"
#include "platform/system/SettingsFile.h"
#include "widgets/core/Manager.h"

namespace {

std::string LanguageLabel(int id) {
  const std::string name = tavrick::GetLanguageName(id);
  return std::to_string(id) + (name.empty() ? std::string(" (unknown id)") : " " + name);
}

std::string HexId(uint32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", id);
  return text;
}

const char* ModeName(int mode) {
  switch (mode) {
    case 0: return "wired";
    case 1: return "receiver";
    default: return "unknown mode";
  }
}

std::string WhyChosen(const tavrick::LanguageChoice& c) {
  using tavrick::LanguageSource;
  switch (c.source) {
    case LanguageSource::Stored:
      return "remembered in the settings file";
    case LanguageSource::SystemLanguage:
      return "your system language (from LANGUAGE, LC_ALL, LC_MESSAGES or LANG); now remembered";
    case LanguageSource::SettingsUnavailable:
      return "fallback: the settings file can be neither read nor created";
    case LanguageSource::English:
      break;
  }
  if (c.stored != 0) return "fallback: the remembered language " + std::to_string(c.stored) + " is not offered";
  if (c.system == 0) return "fallback: the system language is not one we know";
  return "fallback: the system language " + LanguageLabel(c.system) + " is not offered";
}

const char* SettingsStateText(tavrick::SettingsState state) {
  switch (state) {
    case tavrick::SettingsState::Ok: return "found";
    case tavrick::SettingsState::Missing: return "not found, created";
    case tavrick::SettingsState::Unreadable: return "present but unreadable";
  }
  return "?";
}

class Printer : public tavrick::DeviceConfigReceiver {
 public:
  int mice = 0;
  void OnMouse(const tavrick::MouseRecord& m) override {
    ++mice;
    std::printf("  %s (device type %d%s%s)\n", m.name.c_str(), m.device_type,
                m.image_path.empty() ? "" : ", picture ", m.image_path.c_str());
  }
  void OnMode(const tavrick::MouseRecord&, const tavrick::ModeRecord& mode) override {
    std::printf("    %-8s %-5s  USB %s:%s  device id \"%s\"  HID interface %s\n", ModeName(mode.value),
                mode.desc.c_str(), HexId(mode.vid).c_str(), HexId(mode.pid).c_str(), mode.dev_id.c_str(),
                mode.hid_interface.c_str());
  }
  void OnSupportedDevice(const tavrick::SupportedVariant& v) override { variants.push_back(v); }
  std::vector<tavrick::SupportedVariant> variants;
  void OnSoftware(const tavrick::SoftwareInfo& s) override { software_ = s; has_software_ = true; }

  void PrintSoftware() const {
    if (!has_software_) {
      std::printf("Software details: none in config.xml\n");
      return;
    }
    std::printf("Software: version %s; update server %s\n", software_.version.empty() ? "(none)" : software_.version.c_str(),
                software_.upgrade.empty() ? "(none)" : software_.upgrade.c_str());
  }

 private:
  tavrick::SoftwareInfo software_;
  bool has_software_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const tavrick::CommandLine cl = tavrick::ParseCommandLine(argc, argv);
  if (cl.help) {
    std::fputs(tavrick::CommandLineHelp().c_str(), stdout);
    return 0;
  }
  if (cl.version) {
    std::printf("Tavrick %s\n", TAVRICK_VERSION);
    return 0;
  }
  for (const auto& a : cl.unknown) std::fprintf(stderr, "Tavrick: ignoring unknown option %s\n", a.c_str());

  std::printf("Tavrick %s: start-up check. The main window is not built yet; this run reads the\n"
              "configuration and the language as start-up does, prints what it found, and ends.\n\n",
              TAVRICK_VERSION);
  std::printf("Program folder: %s\n", tavrick::GetProgramFolder().c_str());

  const bool config_read = tavrick::ReadStartupConfig();
  if (config_read) std::printf("config.xml: read\n");
  else std::printf("config.xml: cannot be read (%s); using the defaults\n", tavrick::ConfigFilePath().c_str());

  std::printf("Device name: %s\n", DUI::Manager::GetDeviceName().c_str());
  const std::vector<int> languages = tavrick::GetLanguageList();
  std::printf("Languages offered:");
  if (languages.empty()) std::printf(" none");
  for (size_t i = 0; i < languages.size(); ++i) std::printf("%s %s", i ? "," : "", LanguageLabel(languages[i]).c_str());
  std::printf("\n");

  const tavrick::LanguageChoice choice = tavrick::LoadLanguageId();
  std::printf("Settings file: %s (%s)\n", tavrick::SettingsFilePath().c_str(), SettingsStateText(choice.settings));
  std::printf("Interface language: %s; %s\n", LanguageLabel(choice.id).c_str(), WhyChosen(choice).c_str());
  std::string tabs;
  for (int number = 71; number <= 76; ++number) {
    const std::string text = tavrick::GetLanguageText(number);
    if (text.empty()) continue;
    tabs += (tabs.empty() ? "" : " | ") + text;
  }
  if (tabs.empty()) std::printf("Language file %s: missing or without texts\n", tavrick::LanguageFilePath(choice.id).c_str());
  else std::printf("Page names in this language: %s\n", tabs.c_str());

  const std::string data = tavrick::GetUserDataFolder();
  std::printf("User data folder: %s (%s)\n", data.c_str(),
              tavrick::CreateFolderTree(data + "db") ? "ready" : "cannot be created");

  std::printf("Supported mice:\n");
  Printer printer;
  tavrick::ReadDeviceConfig(printer);
  if (printer.mice == 0) std::printf("  none\n");
  printer.PrintSoftware();
  // The device scan the main window runs when it starts: register every supported variant,
  // then open and identify what is plugged in.
  tavrick::InstallProcessBackend(cl.emulate);
  tavrick::DeviceManager& devices = tavrick::DeviceManager::Instance();
  for (const auto& v : printer.variants) {
    devices.AddSupportedDevice(static_cast<int>(v.vid), static_cast<int>(v.pid), "", v.device_type, v.mode, v.dev_id);
  }
  devices.Rebuild();
  const auto records = devices.Records();
  std::printf("Devices found%s:", cl.emulate ? " (with the emulated mouse and receiver)" : "");
  if (records.empty()) std::printf(" none%s", cl.emulate ? "" : " (try --emulate)");
  std::printf("\n");
  for (const auto& r : records) {
    std::printf("  [%d] %s:%s %s, device id \"%s\", device type %d, firmware %X, %s  %s\n", r.index,
                HexId(r.vendor_id).c_str(), HexId(r.product_id).c_str(), ModeName(r.connection_mode),
                r.device_id.c_str(), r.device_type, static_cast<unsigned>(r.firmware_version),
                r.state > 0 ? "online" : "link down", r.path.c_str());
  }
  std::printf("The window with the device cards and pages is not built yet.\n");
  return 0;
}
