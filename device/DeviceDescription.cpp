#include "device/DeviceDescription.h"

#include "base/Number.h"
#include "store/XmlDocument.h"

namespace tavrick {

std::string DescriptionPath(const std::string& program_folder, const std::string& name) {
  std::string path = program_folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "device/" + name + ".xml";
}

namespace {

// One part of a colour: the hexadecimal value of text[pos, pos + len), 0 when a character
// is not a hexadecimal digit (the part is then unreadable as a whole).
uint32_t HexPart(const std::string& r, size_t pos, size_t len) {
  uint32_t value = 0;
  for (size_t i = pos; i < pos + len; ++i) {
    const char c = r[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return 0;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

uint32_t ParseColorText(const std::string& text) {
  if (text.empty()) return 0;
  const std::string r = text.substr(1);  // the "#", or whatever stands in its place
  uint32_t red = 0, green = 0, blue = 0;
  switch (r.size()) {
    case 2: red = HexPart(r, 0, 2); break;
    case 3: red = HexPart(r, 0, 2); green = HexPart(r, 2, 1); break;
    case 4: red = HexPart(r, 0, 2); green = HexPart(r, 2, 2); break;
    case 5: red = HexPart(r, 0, 2); green = HexPart(r, 2, 2); blue = HexPart(r, 4, 1); break;
    case 6: red = HexPart(r, 0, 2); green = HexPart(r, 2, 2); blue = HexPart(r, 4, 2); break;
    default: break;
  }
  return red + green * 256 + blue * 65536;
}

namespace {

// A text attribute: empty or missing reads as "not given", so the setting it feeds stays.
std::optional<std::string> TextAttribute(const XmlDocument& doc, std::string_view name) {
  std::string value = doc.GetAttribute(name);
  if (value.empty()) return std::nullopt;
  return value;
}

std::optional<int32_t> DecimalAttribute(const XmlDocument& doc, std::string_view name) {
  const std::string value = doc.GetAttribute(name);
  if (value.empty()) return std::nullopt;
  return base::ParseDecimal(value);
}

bool FlagAttribute(const XmlDocument& doc, std::string_view name) {
  return base::ParseDecimal(doc.GetAttribute(name)) == 1;
}

// Opens the file and enters its root "mouse".
bool EnterRoot(XmlDocument& doc, const std::string& path) {
  if (!doc.LoadFile(path)) return false;
  if (!doc.FindElement("mouse")) return false;
  return doc.EnterElement();
}

}  // namespace

void ReadMouseInfo(XmlDocument& doc, MouseInfo& out) {
  out.found = true;
  if (!doc.EnterElement()) return;
  // Siblings are searched forward from the last one found, so the order of these lookups
  // is the order the file must have.
  if (doc.FindElement("light_info")) {
    out.has_light_info = true;
    out.default_light = base::ParseDecimal(doc.GetAttribute("default_light"));
    if (doc.EnterElement()) {
      for (int i = 0; i < 6; ++i) {
        if (doc.FindElement("light_" + std::to_string(i + 1))) out.light_enable[i] = FlagAttribute(doc, "enable");
      }
      doc.LeaveElement();
    }
  }
  if (doc.FindElement("dpi_info")) {
    out.has_dpi_info = true;
    out.default_dpi = TextAttribute(doc, "default_dpi");
    out.dpi_count = TextAttribute(doc, "dpi_count");
    if (doc.EnterElement()) {
      for (int i = 0; i < 6; ++i) {
        if (!doc.FindElement("dpi_" + std::to_string(i + 1))) continue;
        out.dpi_value[i] = TextAttribute(doc, "value");
        out.dpi_color[i] = TextAttribute(doc, "color");
      }
      doc.LeaveElement();
    }
  }
  if (doc.FindElement("report_rate")) out.report_rate = DecimalAttribute(doc, "default_value");
  if (doc.FindElement("sleep_light")) out.sleep_light = TextAttribute(doc, "value");
  if (doc.FindElement("move_wakeup")) out.move_wakeup = TextAttribute(doc, "value");
  if (doc.FindElement("move_closelight")) out.move_closelight = TextAttribute(doc, "value");
  if (doc.FindElement("lod")) {
    out.lod = TextAttribute(doc, "value");
    out.lod_extra = DecimalAttribute(doc, "lod");
  }
  if (doc.FindElement("button_respondtime")) out.button_respondtime = TextAttribute(doc, "value");
  doc.LeaveElement();
}

bool ReadMouseInfo(const std::string& path, MouseInfo& out) {
  XmlDocument doc;
  if (!EnterRoot(doc, path)) return false;
  MouseInfo info;
  if (doc.FindElement("mouse_info")) ReadMouseInfo(doc, info);
  out = std::move(info);
  return true;
}

bool LoadDeviceDescription(const std::string& path, DeviceDescription& out) {
  XmlDocument doc;
  if (!EnterRoot(doc, path)) return false;
  DeviceDescription description;
  description.loaded = true;
  ReadMainWindowBranches(doc, &description.main_window);
  if (doc.FindElement("mouse_info")) ReadMouseInfo(doc, description.mouse_info);
  out = std::move(description);
  return true;
}

}  // namespace tavrick
