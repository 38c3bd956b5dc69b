#include "store/KeyFunction.h"

#include "base/Number.h"
#include "store/MacroNames.h"

namespace tavrick {
namespace {

constexpr SlotRule F = SlotRule::kFixed;
constexpr SlotRule K = SlotRule::kKeepParameters;
constexpr SlotRule V = SlotRule::kFromValues;

// clang-format off
constexpr KeyFunctionInfo kFunctions[] = {
    // type value text  rule slot
    {1, 1,  106, F, {0x10, 0x01, 0x00}},  // left button
    {1, 2,  108, F, {0x10, 0x04, 0x00}},  // middle button
    {1, 3,  107, F, {0x10, 0x02, 0x00}},  // right button
    {1, 4,  180, F, {0x30, 0x32, 0x03}},  // fire preset: 50 and 3
    {1, 5,  109, F, {0x10, 0x10, 0x00}},  // forward
    {1, 6,  110, F, {0x10, 0x08, 0x00}},  // back
    {1, 7,  112, F, {0x20, 0x01, 0x00}},  // scroll up
    {1, 8,  113, F, {0x20, 0xFF, 0x00}},  // scroll down
    {1, 9,  114, F, {0x10, 0x00, 0xF5}},
    {1, 10, 115, F, {0x10, 0x00, 0xF6}},
    {2, kAnyValue, 0, V, {0x70, 0x00, 0x00}},
    {3, 1,  120, F, {0x80, 0x83, 0x01}},  // consumer usages, low byte first
    {3, 2,  121, F, {0x80, 0xCD, 0x00}},
    {3, 3,  124, F, {0x80, 0xB7, 0x00}},
    {3, 4,  122, F, {0x80, 0xB6, 0x00}},
    {3, 5,  123, F, {0x80, 0xB5, 0x00}},
    {3, 6,  117, F, {0x80, 0xE9, 0x00}},
    {3, 7,  118, F, {0x80, 0xEA, 0x00}},
    {3, 8,  119, F, {0x80, 0xE2, 0x00}},
    {4, kAnyValue, 0, V, {0x90, 0x00, 0x00}},
    {5, 1,  0,   F, {0x40, 0x02, 0x00}},  // "DPI +"
    {5, 2,  0,   F, {0x40, 0x03, 0x00}},  // "DPI -"
    {5, 3,  0,   F, {0x40, 0x01, 0x00}},
    {6, 1,  151, K, {0x60, 0x04, 0x00}},
    {6, 2,  0,   K, {0x60, 0x01, 0x00}},
    {6, 3,  152, K, {0x60, 0x00, 0x00}},  // named only: the slot keeps the default parameters
    {6, 4,  153, K, {0x60, 0x00, 0x00}},
    {6, 5,  154, K, {0x60, 0x00, 0x00}},
    {6, 6,  155, K, {0x60, 0x00, 0x00}},
    {7, kAnyValue, 161, V, {0x30, 0x00, 0x00}},
    {8, 1,  127, F, {0x80, 0x6F, 0x00}},
    {8, 2,  128, F, {0x80, 0x70, 0x00}},
    {8, 3,  129, F, {0x80, 0x92, 0x01}},
    {8, 4,  130, F, {0x80, 0x94, 0x01}},
    {8, 5,  131, F, {0x80, 0x23, 0x02}},
    {8, 6,  132, F, {0x80, 0x8A, 0x01}},
    {8, 7,  133, F, {0x70, 0x08, 0x07}},  // Win + D
    {8, 8,  134, F, {0x70, 0x08, 0x2B}},  // Win + Tab
    {8, 9,  31,  F, {0x70, 0x01, 0x06}},  // Ctrl + C
    {8, 10, 32,  F, {0x70, 0x01, 0x19}},  // Ctrl + V
    {8, 11, 36,  F, {0x70, 0x01, 0x1B}},  // Ctrl + X
    {9, kAnyValue, 139, F, {0x60, 0x00, 0x00}},
};
// clang-format on

constexpr uint8_t kFallbackMouse[3] = {0x10, 0x00, 0x00};
constexpr uint8_t kFallbackConsumer[3] = {0x80, 0x00, 0x00};

}  // namespace

std::span<const KeyFunctionInfo> KeyFunctionTable() { return kFunctions; }

const KeyFunctionInfo* FindKeyFunction(int type, int value) {
  const KeyFunctionInfo* any = nullptr;
  for (const KeyFunctionInfo& f : kFunctions) {
    if (f.type != type) continue;
    if (f.value == value) return &f;
    if (f.value == kAnyValue) any = &f;
  }
  return any;
}

const uint8_t* FallbackSlot(int type) {
  if (type == kFuncMouse) return kFallbackMouse;
  if (type == kFuncMultimedia || type == kFuncShortcut) return kFallbackConsumer;
  return nullptr;
}

int KeyUsageFromVirtualKey(int v) {
  if (v >= 65 && v <= 90) return v - 61;
  if (v >= 49 && v <= 57) return v - 19;
  if (v >= 112 && v <= 123) return v - 54;   // F1-F12: 58-69
  if (v >= 124 && v <= 135) return v - 20;   // F13-F24: 104-115
  if (v >= 97 && v <= 105) return v - 8;     // keypad 1-9: 89-97
  if (v >= 136 && v <= 139) return v;
  switch (v) {
    case 48: return 39;
    case 13: return 40;
    case 27: return 41;
    case 8: return 42;
    case 9: return 43;
    case 32: return 44;
    case 189: return 45;
    case 187: return 46;
    case 219: return 47;
    case 221: return 48;
    case 220: return 49;
    case 666: return 50;
    case 186: return 51;
    case 222: return 52;
    case 192: return 53;
    case 188: return 54;
    case 190: return 55;
    case 191: return 56;
    case 20: return 57;
    case 44: return 70;
    case 145: return 71;
    case 19: return 72;
    case 45: return 73;
    case 36: return 74;
    case 33: return 75;
    case 46: return 76;
    case 35: return 77;
    case 34: return 78;
    case 39: return 79;
    case 37: return 80;
    case 40: return 81;
    case 38: return 82;
    case 144: return 83;
    case 111: return 84;
    case 106: return 85;
    case 109: return 86;
    case 107: return 87;
    case 108: return 88;
    case 96: return 98;
    case 110: return 99;
    case 162: return 224;
    case 160: return 225;
    case 164: return 226;
    case 91: return 227;
    case 163: return 228;
    case 161: return 229;
    case 165: return 230;
    case 92: return 231;
    case 93: return 101;
    case 226: return 100;
    case 254: return 175;
    case 301: return 236;
    case 302: return 235;
    default: return 0;
  }
}

std::string AssignmentDisplayName(const KeyAssignment& row, const TextLookup& text, int language_id) {
  if (row.macro_type == kFuncMacro) return MacroAssignmentName(row.macro_desc, language_id, text ? text(351) : "");
  const KeyFunctionInfo* f = FindKeyFunction(row.macro_type, row.macro_value);
  if (f && f->text != 0 && text) return text(f->text);
  return row.macro_desc;
}

std::string DefaultAssignmentDisplayName(const KeyAssignment& default_entry, const TextLookup& text) {
  if (!text) return std::string();
  return text(base::ParseDecimal(default_entry.macro_desc));
}

std::string KeyboardAssignmentDescription(int mask, const std::string& key_name) {
  std::string mods;
  auto add = [&](int bit, const char* name) {
    if (!(mask & bit)) return;
    if (!mods.empty()) mods += " + ";
    mods += name;
  };
  add(kModShift, "Shift");
  add(kModCtrl, "Ctrl");
  add(kModWin, "Win");
  add(kModAlt, "Alt");
  if (key_name.empty()) return mods;
  if (mods.empty()) return key_name;
  return mods + " + " + key_name;
}

}  // namespace tavrick
