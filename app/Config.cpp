#include "app/Config.h"

#include <atomic>

#include "app/Language.h"
#include "base/Number.h"
#include "base/Trace.h"
#include "platform/system/Folders.h"
#include "store/XmlDocument.h"
#include "widgets/core/Manager.h"

namespace tavrick {
namespace {

std::atomic<int> g_provisional_language{0};

// A value that will name a file or folder; an unsafe one counts as absent.
std::string SafeName(const XmlDocument& xml, const char* attribute, const char* what) {
  std::string value = xml.GetAttribute(attribute);
  if (!value.empty() && !IsSafeFileName(value)) {
    base::Trace(base::TraceLevel::Warning, "config.xml: %s \"%s\" is not a plain file name; ignored", what,
                value.c_str());
    value.clear();
  }
  return value;
}

bool LoadConfig(XmlDocument& xml) {
  const std::string path = ConfigFilePath();
  if (!xml.LoadFile(path)) {
    base::Trace(base::TraceLevel::Warning, "config.xml: cannot read %s", path.c_str());
    return false;
  }
  return true;
}

std::string ChildUrl(XmlDocument& xml, const char* element, const char* attribute) {
  return xml.FindElement(element) ? xml.GetAttribute(attribute) : std::string();
}

}  // namespace

std::string ConfigFilePath() { return GetProgramFolder() + "config.xml"; }

int GetProvisionalLanguageId() { return g_provisional_language.load(); }

bool ReadStartupConfig() {
  ClearLanguageList();
  XmlDocument xml;
  if (!LoadConfig(xml)) return false;
  if (!xml.FindElement("config")) return true;
  xml.EnterElement();
  if (xml.FindElement("language.info")) {
    g_provisional_language = base::ParseDecimal(xml.GetAttribute("default_lan"));
    xml.EnterElement();
    while (xml.FindElement("lan")) AddLanguage(base::ParseDecimal(xml.GetAttribute("value")));
    xml.LeaveElement();
  }
  // Found only after language.info: siblings are searched forward from the cursor.
  if (xml.FindElement("software")) {
    const std::string caption = xml.GetAttribute("caption");
    // The device name names the settings and data folders, so it must be one plain name.
    if (caption.empty() || IsSafeFileName(caption)) {
      DUI::Manager::SetDeviceName(caption);
    } else {
      base::Trace(base::TraceLevel::Warning, "config.xml: caption \"%s\" is not a plain name; the device name stays \"%s\"",
                  caption.c_str(), DUI::Manager::GetDeviceName().c_str());
    }
  }
  return true;
}

bool ReadDeviceConfig(DeviceConfigReceiver& receiver) {
  XmlDocument xml;
  if (!LoadConfig(xml)) return false;
  if (!xml.FindElement("config")) return true;
  xml.EnterElement();
  if (xml.FindElement("device")) {
    xml.EnterElement();
    while (xml.FindElement("mouse")) {
      MouseRecord mouse;
      mouse.name = xml.GetAttribute("name");
      mouse.device_type = base::ParseDecimal(xml.GetAttribute("device_type"));
      mouse.device_attr = SafeName(xml, "device_attr", "device_attr");
      mouse.image = SafeName(xml, "image", "image");
      if (!mouse.image.empty()) mouse.image_path = GetSkinFolder() + "device/" + mouse.image;
      receiver.OnMouse(mouse);
      xml.EnterElement();
      while (xml.FindElement("mode")) {
        ModeRecord mode;
        mode.value = base::ParseDecimal(xml.GetAttribute("value"));
        mode.desc = xml.GetAttribute("desc");
        mode.vid = base::ParseHex(xml.GetAttribute("vid"));
        mode.pid = base::ParseHex(xml.GetAttribute("pid"));
        mode.dev_id = xml.GetAttribute("dev_id");
        mode.hid_interface = xml.GetAttribute("hid_interface");
        receiver.OnMode(mouse, mode);
        receiver.OnSupportedDevice({mode.vid, mode.pid, mouse.device_type, mode.value, mode.dev_id});
      }
      xml.LeaveElement();
    }
    xml.LeaveElement();
  }
  if (xml.FindElement("software")) {
    SoftwareInfo software;
    software.caption = SafeName(xml, "caption", "caption");
    software.version = xml.GetAttribute("version");
    xml.EnterElement();
    // In this order, each optional: a child placed before an earlier one is not found.
    software.website = ChildUrl(xml, "website", "url");
    software.feedback = ChildUrl(xml, "feedback", "url");
    software.qa = ChildUrl(xml, "qa", "url");
    software.store = ChildUrl(xml, "store", "url");
    software.upgrade = ChildUrl(xml, "upgrade", "url");
    software.copyright = ChildUrl(xml, "copyright", "info");
    xml.LeaveElement();
    receiver.OnSoftware(software);
  }
  return true;
}

}  // namespace tavrick
