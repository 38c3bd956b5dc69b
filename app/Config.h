#pragma once
// What the program reads from config.xml in its folder. Two passes, neither writes the file:
// start-up reads the language list and the device name; the main window reads the
// supported mice and the software details, handed to a receiver of its choice.
#include <cstdint>
#include <string>

namespace tavrick {

std::string ConfigFilePath();  // program folder + "config.xml"

// The start-up pass: clears the language list and refills it from
// config/language.info/lan@value; takes config/software@caption (when it comes after
// language.info) as the device name. False when config.xml could not be read, in which
// case the device name stays as it was and the list stays empty.
bool ReadStartupConfig();

// language.info@default_lan of the last start-up pass (0 when absent). It has no lasting
// effect: LoadLanguageId always chooses.
int GetProvisionalLanguageId();

// config/device/mouse
struct MouseRecord {
  std::string name;
  int device_type = 0;
  std::string device_attr;  // empty when absent or not a safe file name
  std::string image;        // file name in the skin's "device/" folder; empty as device_attr
  std::string image_path;   // GetSkinFolder() + "device/" + image; empty without an image
};

// config/device/mouse/mode: one USB variant of a mouse.
struct ModeRecord {
  int value = 0;  // connection mode: 0 wired, 1 receiver
  std::string desc;
  uint32_t vid = 0;  // hexadecimal without prefix in the file; "0x…" reads as 0
  uint32_t pid = 0;
  std::string dev_id;  // fewer than 4 characters match any reported id
  std::string hid_interface;
};

// What the device manager learns about each variant, in its order.
struct SupportedVariant {
  uint32_t vid = 0;
  uint32_t pid = 0;
  int device_type = 0;
  int mode = 0;
  std::string dev_id;
};

// config/software and its children; empty texts for what is absent.
struct SoftwareInfo {
  std::string caption;
  std::string version;
  std::string website;
  std::string feedback;
  std::string qa;
  std::string store;
  std::string upgrade;
  std::string copyright;
};

class DeviceConfigReceiver {
 public:
  virtual ~DeviceConfigReceiver() = default;
  virtual void OnMouse(const MouseRecord& mouse) = 0;
  // Each mode is followed by its supported-device entry.
  virtual void OnMode(const MouseRecord& mouse, const ModeRecord& mode) = 0;
  virtual void OnSupportedDevice(const SupportedVariant& device) = 0;
  // Only when a "software" element follows "device" (or there is no "device").
  virtual void OnSoftware(const SoftwareInfo& software) = 0;
};

// The main window's pass. False when config.xml could not be read (nothing is handed on).
bool ReadDeviceConfig(DeviceConfigReceiver& receiver);

}  // namespace tavrick
