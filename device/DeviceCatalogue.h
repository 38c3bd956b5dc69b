#pragma once
// The device catalogue: where a model's description file lies, what the main window reads
// from it, and the remembered model ("DeviceType" in the settings file). The default
// settings under mouse_info (DPI levels, report rate, power) are read by
// device/DeviceDescription.h.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrick {

// The description file of a model: program folder + "device/" + name + ".xml". Empty when
// the name could reach outside that folder.
std::string DescriptionPath(std::string_view description_name);

// "DeviceType" of the settings file; 0 when the file cannot be read or the value is
// missing or empty.
int LoadDeviceType();
// Writes "DeviceType"; false when nothing was written.
bool SaveDeviceType(int device_type);

// A leader line from (x1, y) to (x2, y), from "x1#x2#y"; missing parts read as 0.
struct LeaderLine {
  int x1 = 0;
  int x2 = 0;
  int y = 0;
};
LeaderLine ParseRectText(std::string_view text);

// One "key" element of "mouse_key".
struct ButtonEntry {
  int name_text = 0;   // language text of the button's name
  int key_value = 0;   // the button's index in assignments and reports
  int direction = 0;   // 1, or any other value: the two label placements
  LeaderLine line;
  int func_desc = 0;   // language text of the default function
  bool dashed = false;
  int func_type = 0;   // default assignment (function type and value)
  int func_value = 0;
};

struct CustomFlags {
  bool show_dpitips = false;
  bool show_savetips = false;
  bool show_lod = false;
  bool show_sensor = false;
  bool show_respondtime = false;
};

struct LightInfo {
  int default_light = 0;
  // Whether lighting modes 1-6 are offered; unset for a "light_n" element that is missing.
  std::array<std::optional<bool>, 6> enabled{};
};

// What the main window applies from a description. Every element is optional: an unset
// member means the element was missing and the window keeps what it had. When buttons is
// set, the button lists are emptied and refilled from it (in file order).
struct MainWindowDescription {
  std::optional<std::string> mouse_image;      // image_file / mouse_img
  std::optional<bool> has_lighting;            // menu / light
  std::optional<CustomFlags> custom;           // custom
  std::optional<std::string> firmware_url;     // firmware / url
  std::optional<std::vector<ButtonEntry>> buttons;  // mouse_key / key
  std::optional<LightInfo> light_info;         // mouse_info / light_info
};

class XmlDocument;

// Reads image_file, menu, custom, firmware and mouse_key with the cursor among the children
// of "mouse"; the cursor is left on the last of them that was found.
void ReadMainWindowBranches(XmlDocument& doc, MainWindowDescription* out);

// Reads the parts of the description the main window applies. False (and out untouched)
// when the file is missing, not well formed, or has no "mouse" root.
bool ReadMainWindowDescription(const std::string& path, MainWindowDescription* out);

}  // namespace tavrick
