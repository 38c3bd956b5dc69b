// tavrick-hid: shows what Tavrick sees of the HID interfaces, and sends one query.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/Number.h"
#include "device/EmulatorBackend.h"
#include "device/HidTransport.h"
#include "device/TracingBackend.h"
#include "store/XmlDocument.h"
#include "tools/tavrick-hid/Flash.h"
#include "Settings.h"

namespace {

using namespace tavrick;

const char kHelp[] =
    "Usage: tavrick-hid [options] [command]\n"
    "\n"
    "Shows the HID interfaces Tavrick sees and talks to one of them.\n"
    "\n"
    "Options:\n"
    "  --emulate        use the emulated wired mouse and receiver instead of the real devices\n"
    "  --verbose        print every report written and read, one line each:\n"
    "                     -> <path>  <bytes in hex>     a report written\n"
    "                     <- <path>  <bytes in hex>     a report read\n"
    "                   with (time-out), (failed) or (error) when nothing came or went\n"
    "  --config FILE    the config.xml that lists the supported ids\n"
    "                   (default: config.xml next to this program)\n"
    "  --help           this text\n"
    "  --flash IMAGE    replaces the command: sends the firmware image file into the mouse\n"
    "                   named by the one word that follows (a number of the list or a path\n"
    "                   of any of its collections) through its bootloader interface, with\n"
    "                   the progress on the terminal; with --emulate the emulated\n"
    "                   bootloader's copy is compared with the file afterwards\n"
    "\n"
    "Settings of the chosen mouse, on its settings database as Tavrick keeps it (the\n"
    "current profile); they run in this order, and any of them replaces the command:\n"
    "  --model TYPE     the mouse model (device_type of config.xml); default: the first\n"
    "                   supported mouse present\n"
    "  --reset          restores the mouse and the stored settings to the factory state\n"
    "  --set KEY=VALUE  stores one setting, with the checks of the DPI and performance page\n"
    "                   (repeatable; one refused value stores none of them, exit status 2)\n"
    "  --apply          sends every setting of the current profile to the mouse\n"
    "  --dump-settings  reads everything back from the mouse, stores it and prints it:\n"
    "                     key=value, one line each\n"
    "\n"
    "Commands:\n"
    "  list                       (the default) one line per HID collection:\n"
    "                               #  VID  PID  REL  PAGE USAGE IF CLASS SUPPORTED PATH\n"
    "                             all numbers in hexadecimal but # and IF; CLASS is settings,\n"
    "                             bootloader or -; SUPPORTED is yes when config.xml lists the ids\n"
    "  query <#|path> [code]      sends one query (hexadecimal code, default 10: device\n"
    "                             information) to a settings interface and prints the reply:\n"
    "                               reply <n> bytes: <bytes in hex>\n"
    "                             or \"no reply\" (exit status 1)\n"
    "\n"
    "Exit status: 0 on success, 1 when the device did not answer, 2 on a usage error.\n";

std::string ProgramFolder() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/'));
}

// The vendor and product ids of every "mode" element of config.xml, read with the program's
// own XML reader and the same element order as the program's device pass.
std::set<std::pair<uint16_t, uint16_t>> SupportedIds(const std::string& config) {
  std::set<std::pair<uint16_t, uint16_t>> ids;
  XmlDocument xml;
  if (!xml.LoadFile(config) || !xml.FindElement("config") || !xml.EnterElement() || !xml.FindElement("device") ||
      !xml.EnterElement()) {
    return ids;
  }
  while (xml.FindElement("mouse")) {
    if (!xml.EnterElement()) continue;
    while (xml.FindElement("mode")) {
      ids.insert({static_cast<uint16_t>(base::ParseHex(xml.GetAttribute("vid"))),
                  static_cast<uint16_t>(base::ParseHex(xml.GetAttribute("pid")))});
    }
    xml.LeaveElement();
  }
  return ids;
}

const char* ClassName(const HidInterfaceInfo& info) {
  switch (ClassifyUsage(info.usage_page, info.usage)) {
    case InterfaceClass::Settings: return "settings";
    case InterfaceClass::Bootloader: return "bootloader";
    default: return "-";
  }
}

int List(HidBackend& backend, const std::set<std::pair<uint16_t, uint16_t>>& supported) {
  const auto interfaces = backend.Enumerate();
  std::printf("#  VID  PID  REL  PAGE USAGE IF  CLASS       SUPPORTED  PATH\n");
  for (size_t i = 0; i < interfaces.size(); ++i) {
    const auto& d = interfaces[i];
    const bool known = supported.count({d.vendor_id, d.product_id}) > 0;
    std::printf("%-2zu %04X %04X %04X %04X %04X  %2d  %-10s  %-3s  %s\n", i, d.vendor_id, d.product_id,
                d.release_number, d.usage_page, d.usage, d.interface_number, ClassName(d), known ? "yes" : "no",
                d.path.c_str());
  }
  if (interfaces.empty()) std::printf("(no HID interfaces)\n");
  return 0;
}

int Query(HidBackend& backend, const std::string& target, uint8_t code) {
  std::string path = target;
  const auto interfaces = backend.Enumerate();
  if (!target.empty() && target.find_first_not_of("0123456789") == std::string::npos) {
    const size_t index = static_cast<size_t>(base::ParseDecimal(target));
    if (index >= interfaces.size()) {
      std::fprintf(stderr, "tavrick-hid: no interface %s\n", target.c_str());
      return 2;
    }
    path = interfaces[index].path;
  }
  auto device = backend.Open(path);
  if (!device) {
    std::fprintf(stderr, "tavrick-hid: cannot open %s\n", path.c_str());
    return 1;
  }
  uint8_t frame[kShortFrame] = {};
  frame[1] = code;
  size_t n = 0;
  if (!ExchangeCommand(*device, frame, sizeof frame, &n)) {
    std::printf("no reply\n");
    return 1;
  }
  std::printf("reply %zu bytes: %s\n", n, HexBytes(frame, n).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool emulate = false, verbose = false;
  std::string flash_image;
  SettingsCommands settings;
  std::string config;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--emulate") {
      emulate = true;
    } else if (a == "--verbose") {
      verbose = true;
    } else if (a == "--dump-settings") {
      settings.dump = true;
    } else if (a == "--apply") {
      settings.apply = true;
    } else if (a == "--reset") {
      settings.reset = true;
    } else if (a == "--set" && i + 1 < argc) {
      settings.sets.push_back(argv[++i]);
    } else if (a == "--model" && i + 1 < argc) {
      settings.deviceType = base::ParseDecimal(argv[++i]);
    } else if (a == "--flash" && i + 1 < argc) {
      flash_image = argv[++i];
    } else if (a == "--config" && i + 1 < argc) {
      config = argv[++i];
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "tavrick-hid: unknown option %s (see --help)\n", a.c_str());
      return 2;
    } else {
      words.push_back(a);
    }
  }
  if (config.empty()) {
    const std::string folder = ProgramFolder();
    config = folder + "/config.xml";
  }
  std::unique_ptr<HidBackend> backend;
  int emulated_wired = 0;
  if (emulate) {
    emulated_wired = PlugEmulatedDevices().first;
    backend = CreateEmulatorBackend(ProcessEmulator());
  } else {
    backend = CreateHidapiBackend();
  }
  if (verbose) {
    backend = CreateTracingBackend(std::move(backend), [](const std::string& line) {
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
    });
  }
  if (!flash_image.empty()) {
    if (words.size() != 1 || settings.Any()) {
      std::fprintf(stderr, "tavrick-hid: --flash IMAGE takes one mouse and nothing else (see --help)\n");
      return 2;
    }
    const int rc = FlashImage(*backend, flash_image, words[0]);
    if (rc == 0 && emulate) return CheckEmulatedFlash(emulated_wired, flash_image);
    return rc;
  }
  if (settings.Any()) {
    if (!words.empty()) {
      std::fprintf(stderr, "tavrick-hid: the settings options take no command (see --help)\n");
      return 2;
    }
    settings.verbose = verbose;
    return RunSettingsCommands(std::move(backend), settings);
  }
  const std::string command = words.empty() ? "list" : words[0];
  if (command == "list" && words.size() <= 1) return List(*backend, SupportedIds(config));
  if (command == "query" && (words.size() == 2 || words.size() == 3)) {
    uint8_t code = kDeviceInfoCommand;
    if (words.size() == 3) code = static_cast<uint8_t>(base::ParseHex(words[2]));
    return Query(*backend, words[1], code);
  }
  std::fprintf(stderr, "tavrick-hid: usage error (see --help)\n");
  return 2;
}
