#include "device/DeviceCatalogue.h"

#include "base/Number.h"
#include "device/DeviceDescription.h"
#include "platform/system/Folders.h"
#include "platform/system/SettingsFile.h"
#include "store/XmlDocument.h"

namespace tavrick {

std::string DescriptionPath(std::string_view description_name) {
  const std::string file = std::string(description_name) + ".xml";
  if (description_name.empty() || !IsSafeFileName(file)) return {};
  return DescriptionPath(GetProgramFolder(), std::string(description_name));
}

int LoadDeviceType() {
  const SettingsValue value = ReadSetting("DeviceType");
  if (value.state != SettingsState::Ok || !value.found) return 0;
  return base::ParseDecimal(value.text);
}

bool SaveDeviceType(int device_type) {
  // A first start has no settings file yet; the selection must still be remembered.
  return WriteSetting("DeviceType", std::to_string(device_type), /*create_if_missing=*/true);
}

LeaderLine ParseRectText(std::string_view text) {
  LeaderLine line;
  int* parts[3] = {&line.x1, &line.x2, &line.y};
  for (int i = 0; i < 3; ++i) {
    const size_t hash = i < 2 ? text.find('#') : std::string_view::npos;
    *parts[i] = base::ParseDecimal(text.substr(0, hash));
    if (hash == std::string_view::npos) break;
    text.remove_prefix(hash + 1);
  }
  return line;
}

namespace {

int Decimal(const XmlDocument& doc, std::string_view name) { return base::ParseDecimal(doc.GetAttribute(name)); }
bool Flag(const XmlDocument& doc, std::string_view name) { return Decimal(doc, name) == 1; }

}  // namespace

void ReadMainWindowBranches(XmlDocument& doc, MainWindowDescription* out) {
  MainWindowDescription& d = *out;
  // Siblings are looked up in document order: one that stands before an element already
  // read is not found.
  if (doc.FindElement("image_file")) d.mouse_image = doc.GetAttribute("mouse_img");
  if (doc.FindElement("menu")) d.has_lighting = Flag(doc, "light");
  if (doc.FindElement("custom")) {
    CustomFlags c;
    c.show_dpitips = Flag(doc, "show_dpitips");
    c.show_savetips = Flag(doc, "show_savetips");
    c.show_lod = Flag(doc, "show_lod");
    c.show_sensor = Flag(doc, "show_sensor");
    c.show_respondtime = Flag(doc, "show_respondtime");
    d.custom = c;
  }
  if (doc.FindElement("firmware")) d.firmware_url = doc.GetAttribute("url");
  if (doc.FindElement("mouse_key")) {
    std::vector<ButtonEntry> buttons;
    doc.EnterElement();
    while (doc.FindElement("key")) {
      ButtonEntry b;
      b.name_text = Decimal(doc, "name");
      b.key_value = Decimal(doc, "key_value");
      b.direction = Decimal(doc, "direction");
      b.line = ParseRectText(doc.GetAttribute("rect"));
      b.func_desc = Decimal(doc, "func_desc");
      b.dashed = Flag(doc, "dashed");
      b.func_type = Decimal(doc, "func_type");
      b.func_value = Decimal(doc, "func_value");
      buttons.push_back(b);
    }
    doc.LeaveElement();
    d.buttons = std::move(buttons);
  }
}

bool ReadMainWindowDescription(const std::string& path, MainWindowDescription* out) {
  XmlDocument doc;
  if (path.empty() || !doc.LoadFile(path)) return false;
  if (!doc.FindElement("mouse")) return false;
  MainWindowDescription d;
  doc.EnterElement();
  ReadMainWindowBranches(doc, &d);
  if (doc.FindElement("mouse_info")) {
    doc.EnterElement();
    if (doc.FindElement("light_info")) {
      LightInfo light;
      light.default_light = Decimal(doc, "default_light");
      doc.EnterElement();
      for (int i = 0; i < 6; ++i) {
        if (doc.FindElement("light_" + std::to_string(i + 1))) light.enabled[i] = Flag(doc, "enable");
      }
      doc.LeaveElement();
      d.light_info = light;
    }
    doc.LeaveElement();
  }
  *out = std::move(d);
  return true;
}

}  // namespace tavrick
