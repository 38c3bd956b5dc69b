#include "widgets/core/ControlFactory.h"

#include <cstring>
#include <mutex>

namespace DUI {

namespace {

// Some classes take no enabled flag: an MText is always disabled, CArea and CDeviceState
// always enabled.
enum Forced : int { kAsGiven = -1, kDisabled = 0, kEnabled = 1 };

struct ClassEntry {
  const char* name;
  bool window;
  bool panel;
  int forcedEnabled;
  ControlCreator create;
};

ClassEntry g_classes[] = {
    {"CArea", true, true, kEnabled, nullptr},        {"MText", true, true, kDisabled, nullptr},
    {"MPicture", true, true, kAsGiven, nullptr},     {"CPhotoFrame", true, true, kAsGiven, nullptr},
    {"CSliderPicture", true, true, kAsGiven, nullptr}, {"CGifPicture", true, true, kAsGiven, nullptr},
    {"MProgress", true, true, kAsGiven, nullptr},    {"MSlider", true, true, kAsGiven, nullptr},
    {"LightSlider", true, true, kAsGiven, nullptr},  {"DPISlider", true, true, kAsGiven, nullptr},
    {"MLevelCtrl", true, true, kAsGiven, nullptr},   {"MButton", true, true, kAsGiven, nullptr},
    {"CImageButton", true, true, kAsGiven, nullptr}, {"CTextButton", true, true, kAsGiven, nullptr},
    {"CCheckButton", true, true, kAsGiven, nullptr}, {"CRadioButton", true, true, kAsGiven, nullptr},
    {"CSelectButton", true, true, kAsGiven, nullptr}, {"CColorButton", true, true, kAsGiven, nullptr},
    {"MSpinButton", true, true, kAsGiven, nullptr},  {"CSpinButton", true, true, kAsGiven, nullptr},
    {"CSwitchButton", true, true, kAsGiven, nullptr}, {"CIconButton", true, true, kAsGiven, nullptr},
    {"CTimerButton", true, true, kAsGiven, nullptr}, {"CHelpButton", true, true, kAsGiven, nullptr},
    {"MEdit", true, true, kAsGiven, nullptr},        {"MRichEdit", true, true, kAsGiven, nullptr},
    {"MEditEx", true, true, kAsGiven, nullptr},      {"MComboBox", true, true, kAsGiven, nullptr},
    {"MTabCtrl", true, true, kAsGiven, nullptr},     {"MTabLayout", true, true, kAsGiven, nullptr},
    {"MListBox", true, true, kAsGiven, nullptr},     {"MPalette", true, true, kAsGiven, nullptr},
    {"CColorPalette", true, true, kAsGiven, nullptr}, {"CColorSelect", true, true, kAsGiven, nullptr},
    {"CirclePalette", true, true, kAsGiven, nullptr}, {"MenuItem", true, true, kAsGiven, nullptr},
    {"DListBox", true, true, kAsGiven, nullptr},     {"CDeviceList", true, true, kAsGiven, nullptr},
    {"UpgradeButton", false, true, kAsGiven, nullptr}, {"DownloadButton", false, true, kAsGiven, nullptr},
    {"MacroList", false, true, kAsGiven, nullptr},   {"CRecordList", false, true, kAsGiven, nullptr},
    {"DPIControl", false, true, kAsGiven, nullptr},  {"LongPressButton", false, true, kAsGiven, nullptr},
    {"MouseKeyCtrl", false, true, kAsGiven, nullptr}, {"MouseCtrl", false, true, kAsGiven, nullptr},
    {"ColorButtonEx", false, true, kAsGiven, nullptr}, {"MComboBox2", false, true, kAsGiven, nullptr},
    {"MButton2", false, true, kAsGiven, nullptr},    {"MButton3", false, true, kAsGiven, nullptr},
    {"PaletteBar", false, true, kAsGiven, nullptr},  {"NumberEdit", false, true, kAsGiven, nullptr},
    {"NumberEdit2", false, true, kAsGiven, nullptr}, {"ReporteCtrl", false, true, kAsGiven, nullptr},
    {"CRoundArea", false, true, kAsGiven, nullptr},  {"CComboBoxList", true, false, kAsGiven, nullptr},
    {"TextCheckButton", true, false, kAsGiven, nullptr}, {"CDeviceState", true, false, kEnabled, nullptr},
    {"BatteryCtrl", true, false, kAsGiven, nullptr}, {"MProgress2", true, false, kAsGiven, nullptr},
};

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

ClassEntry* Find(const char* name) {
  if (!name || !*name) return nullptr;
  for (ClassEntry& e : g_classes)
    if (std::strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

}  // namespace

bool ControlFactory::Register(const char* className, ControlCreator create) {
  std::lock_guard<std::mutex> lock(TableLock());
  ClassEntry* e = Find(className);
  if (!e || !create) return false;
  e->create = create;
  return true;
}

bool ControlFactory::Knows(FactoryKind kind, const char* className) {
  const ClassEntry* e = Find(className);
  return e && (kind == FactoryKind::Window ? e->window : e->panel);
}

MControl* ControlFactory::Create(FactoryKind kind, const char* className, MObject* parent, unsigned id, CRect rect,
                                 const char* title, int visible, int enabled) {
  ControlCreator create = nullptr;
  int forced = kAsGiven;
  {
    std::lock_guard<std::mutex> lock(TableLock());
    const ClassEntry* e = Find(className);
    if (!e || !(kind == FactoryKind::Window ? e->window : e->panel)) return nullptr;
    create = e->create;
    forced = e->forcedEnabled;
  }
  if (!create) return nullptr;
  return create(parent, id, rect, title ? title : "", visible, forced == kAsGiven ? enabled : forced);
}

}  // namespace DUI
