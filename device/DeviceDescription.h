#pragma once
// The device description file of a mouse model: "device/<name>.xml" in the program folder.
// It is read-only input written by whoever packages a model; every element is optional and
// a missing one leaves the corresponding setting alone. Elements are looked up in document
// order among their siblings, so a reader that has passed an element's place does not find
// it later.
//
// The reader is split by branch of the file's tree: ReadMouseInfo handles "mouse_info".
// The other branches (image_file, menu, custom, firmware, mouse_key) are read into further
// members of DeviceDescription by LoadDeviceDescription.
#include <cstdint>
#include <optional>
#include <string>

#include "device/DeviceCatalogue.h"

namespace tavrick {

class XmlDocument;

// "mouse/mouse_info": the model's default settings. An attribute that is missing stays
// empty (std::nullopt), so that copying the defaults leaves that setting as it was.
struct MouseInfo {
  bool found = false;  // the file had a "mouse_info" element

  // light_info
  bool has_light_info = false;
  int32_t default_light = 0;   // "default_light", decimal
  bool light_enable[6] = {};   // "light_1" ... "light_6" "enable" = 1

  // dpi_info
  bool has_dpi_info = false;
  std::optional<std::string> default_dpi;  // "dpi_index"
  std::optional<std::string> dpi_count;    // "dpi_count" and "dpi_flag"
  std::optional<std::string> dpi_value[6]; // "dpi_1" ... "dpi_6" "value"
  std::optional<std::string> dpi_color[6]; // "dpi_1" ... "dpi_6" "color", "#RRGGBB"

  std::optional<int32_t> report_rate;      // "report_rate" "default_value", decimal
  std::optional<std::string> sleep_light;
  std::optional<std::string> move_wakeup;
  std::optional<std::string> move_closelight;
  std::optional<std::string> lod;          // "lod" "value" → "liftoff_height"
  std::optional<int32_t> lod_extra;        // "lod" "lod", decimal; kept for the DPI page
  std::optional<std::string> button_respondtime;
};

struct DeviceDescription {
  bool loaded = false;  // the file was read and had the root "mouse"
  MainWindowDescription main_window;  // image_file, menu, custom, firmware, mouse_key
  MouseInfo mouse_info;
};

// "<program folder>/device/<name>.xml"; the folder may or may not end with "/".
std::string DescriptionPath(const std::string& program_folder, const std::string& name);

// Reads the whole description file. False (and out unchanged) when the file is missing,
// not well formed, or has no root "mouse".
bool LoadDeviceDescription(const std::string& path, DeviceDescription& out);

// Reads only "mouse/mouse_info" of the file. False when the file cannot be read or has no
// "mouse" root; out.found tells whether "mouse_info" was there.
bool ReadMouseInfo(const std::string& path, MouseInfo& out);

// Reads the "mouse_info" element that is the document's current element (the caller found
// it with FindElement). The cursor is back on that element afterwards.
void ReadMouseInfo(XmlDocument& doc, MouseInfo& out);

// The colour text "#RRGGBB" as red + green * 256 + blue * 65536. The first character is
// dropped whatever it is; the rest is read by its length (2 to 6 digits, see the .cpp);
// any other length, or a non-hexadecimal digit, gives 0 for that part.
uint32_t ParseColorText(const std::string& text);

}  // namespace tavrick
