#include "base/Keyboard.h"

namespace base {
namespace {

constexpr uint16_t E0 = kKeyE0;
constexpr uint16_t E1 = kKeyE1;

// clang-format off
constexpr KeyInfo kKeys[] = {
    // vk  usage make flags name
    {65,  0x04, 0x1E, 0, "A"}, {66,  0x05, 0x30, 0, "B"}, {67,  0x06, 0x2E, 0, "C"},
    {68,  0x07, 0x20, 0, "D"}, {69,  0x08, 0x12, 0, "E"}, {70,  0x09, 0x21, 0, "F"},
    {71,  0x0A, 0x22, 0, "G"}, {72,  0x0B, 0x23, 0, "H"}, {73,  0x0C, 0x17, 0, "I"},
    {74,  0x0D, 0x24, 0, "J"}, {75,  0x0E, 0x25, 0, "K"}, {76,  0x0F, 0x26, 0, "L"},
    {77,  0x10, 0x32, 0, "M"}, {78,  0x11, 0x31, 0, "N"}, {79,  0x12, 0x18, 0, "O"},
    {80,  0x13, 0x19, 0, "P"}, {81,  0x14, 0x10, 0, "Q"}, {82,  0x15, 0x13, 0, "R"},
    {83,  0x16, 0x1F, 0, "S"}, {84,  0x17, 0x14, 0, "T"}, {85,  0x18, 0x16, 0, "U"},
    {86,  0x19, 0x2F, 0, "V"}, {87,  0x1A, 0x11, 0, "W"}, {88,  0x1B, 0x2D, 0, "X"},
    {89,  0x1C, 0x15, 0, "Y"}, {90,  0x1D, 0x2C, 0, "Z"},
    {49,  0x1E, 0x02, 0, "1"}, {50,  0x1F, 0x03, 0, "2"}, {51,  0x20, 0x04, 0, "3"},
    {52,  0x21, 0x05, 0, "4"}, {53,  0x22, 0x06, 0, "5"}, {54,  0x23, 0x07, 0, "6"},
    {55,  0x24, 0x08, 0, "7"}, {56,  0x25, 0x09, 0, "8"}, {57,  0x26, 0x0A, 0, "9"},
    {48,  0x27, 0x0B, 0, "0"},
    {13,  0x28, 0x1C, 0, "Enter"},
    {27,  0x29, 0x01, 0, "Esc"},
    {8,   0x2A, 0x0E, 0, "Backspace"},
    {9,   0x2B, 0x0F, 0, "Tab"},
    {32,  0x2C, 0x39, 0, "Space"},
    {189, 0x2D, 0x0C, 0, "-"},
    {187, 0x2E, 0x0D, 0, "="},
    {219, 0x2F, 0x1A, 0, "["},
    {221, 0x30, 0x1B, 0, "]"},
    {220, 0x31, 0x2B, 0, "\\"},
    {186, 0x33, 0x27, 0, ";"},
    {222, 0x34, 0x28, 0, "'"},
    {192, 0x35, 0x29, 0, "`"},
    {188, 0x36, 0x33, 0, ","},
    {190, 0x37, 0x34, 0, "."},
    {191, 0x38, 0x35, 0, "/"},
    {20,  0x39, 0x3A, 0, "Caps Lock"},
    {112, 0x3A, 0x3B, 0, "F1"},  {113, 0x3B, 0x3C, 0, "F2"},  {114, 0x3C, 0x3D, 0, "F3"},
    {115, 0x3D, 0x3E, 0, "F4"},  {116, 0x3E, 0x3F, 0, "F5"},  {117, 0x3F, 0x40, 0, "F6"},
    {118, 0x40, 0x41, 0, "F7"},  {119, 0x41, 0x42, 0, "F8"},  {120, 0x42, 0x43, 0, "F9"},
    {121, 0x43, 0x44, 0, "F10"}, {122, 0x44, 0x57, 0, "F11"}, {123, 0x45, 0x58, 0, "F12"},
    {44,  0x46, 0x37, E0, "Prnt Scrn"},
    {145, 0x47, 0x46, 0, "Scroll Lock"},
    {19,  0x48, 0x45, E1, "Pause"},
    {45,  0x49, 0x52, E0, "Insert"},
    {36,  0x4A, 0x47, E0, "Home"},
    {33,  0x4B, 0x49, E0, "Page Up"},
    {46,  0x4C, 0x53, E0, "Delete"},
    {35,  0x4D, 0x4F, E0, "End"},
    {34,  0x4E, 0x51, E0, "Page Down"},
    {39,  0x4F, 0x4D, E0, "Right"},
    {37,  0x50, 0x4B, E0, "Left"},
    {40,  0x51, 0x50, E0, "Down"},
    {38,  0x52, 0x48, E0, "Up"},
    {144, 0x53, 0x45, 0, "Num Lock"},
    {111, 0x54, 0x35, E0, "Num /"},
    {106, 0x55, 0x37, 0, "Num *"},
    {109, 0x56, 0x4A, 0, "Num -"},
    {107, 0x57, 0x4E, 0, "Num +"},
    {13,  0x58, 0x1C, E0, "Num Enter"},
    {97,  0x59, 0x4F, 0, "Num 1"}, {98,  0x5A, 0x50, 0, "Num 2"}, {99,  0x5B, 0x51, 0, "Num 3"},
    {100, 0x5C, 0x4B, 0, "Num 4"}, {101, 0x5D, 0x4C, 0, "Num 5"}, {102, 0x5E, 0x4D, 0, "Num 6"},
    {103, 0x5F, 0x47, 0, "Num 7"}, {104, 0x60, 0x48, 0, "Num 8"}, {105, 0x61, 0x49, 0, "Num 9"},
    {96,  0x62, 0x52, 0, "Num 0"},
    {110, 0x63, 0x53, 0, "Num Del"},
    {226, 0x64, 0x56, 0, "\\"},
    {93,  0x65, 0x5D, E0, "Application"},
    {124, 0x68, 0x64, 0, "F13"}, {125, 0x69, 0x65, 0, "F14"}, {126, 0x6A, 0x66, 0, "F15"},
    {127, 0x6B, 0x67, 0, "F16"}, {128, 0x6C, 0x68, 0, "F17"}, {129, 0x6D, 0x69, 0, "F18"},
    {130, 0x6E, 0x6A, 0, "F19"}, {131, 0x6F, 0x6B, 0, "F20"}, {132, 0x70, 0x6C, 0, "F21"},
    {133, 0x71, 0x6D, 0, "F22"}, {134, 0x72, 0x6E, 0, "F23"}, {135, 0x73, 0x76, 0, "F24"},
    // The Yen key of Japanese keyboards; the platform reports it as virtual key 255 and the
    // key recorder names it itself.
    {255, 0x89, 0x7D, 0, "\xEF\xBF\xA5"},
    {162, 0xE0, 0x1D, 0, "Ctrl"},
    {160, 0xE1, 0x2A, 0, "Shift"},
    {164, 0xE2, 0x38, 0, "Alt"},
    {91,  0xE3, 0x5B, E0, "Left Windows"},
    {163, 0xE4, 0x1D, E0, "Right Ctrl"},
    {161, 0xE5, 0x36, 0, "Right Shift"},
    {165, 0xE6, 0x38, E0, "Right Alt"},
    {92,  0xE7, 0x5C, E0, "Right Windows"},
};
// clang-format on

}  // namespace

std::span<const KeyInfo> KeyTable() { return kKeys; }

const KeyInfo* KeyByVirtualKey(int virtual_key) {
  switch (virtual_key) {
    case 16: virtual_key = 160; break;
    case 17: virtual_key = 162; break;
    case 18: virtual_key = 164; break;
    case 12: virtual_key = 101; break;
    default: break;
  }
  for (const KeyInfo& k : kKeys)
    if (k.virtual_key == virtual_key) return &k;
  return nullptr;
}

const KeyInfo* KeyByMakeCode(int make_code, bool extended, bool e1) {
  if (e1) {
    // Pause arrives as E1 1D 45: either byte identifies it.
    if (make_code == 0x1D || make_code == 0x45) return KeyByHidUsage(0x48);
    return nullptr;
  }
  for (const KeyInfo& k : kKeys)
    if (k.make_code == make_code && k.extended() == extended && (k.flags & kKeyE1) == 0) return &k;
  return nullptr;
}

const KeyInfo* KeyByHidUsage(int usage) {
  for (const KeyInfo& k : kKeys)
    if (k.hid_usage == usage) return &k;
  return nullptr;
}

int ScanCodeFromVirtualKey(int virtual_key) {
  const KeyInfo* k = KeyByVirtualKey(virtual_key);
  return k ? k->make_code : 0;
}

std::string KeyNameFromScanCode(int scan_code) {
  const int make = scan_code & 0xFF;
  const bool extended = (scan_code & 0x100) != 0;
  // The platform's name table swaps the two keys that share make code 0x45.
  if (make == 0x45) return extended ? "Num Lock" : "Pause";
  const KeyInfo* k = KeyByMakeCode(make, extended);
  return k ? k->name : std::string();
}

}  // namespace base
