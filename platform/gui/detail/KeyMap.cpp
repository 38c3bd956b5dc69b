// Scancode translation for the key messages.
#include "platform/gui/detail/KeyMap.h"

#include "platform/gui/Keys.h"

namespace DUI::detail {
namespace {

struct Entry {
  int scancode;
  int vk;
  uint16_t make;
  bool extended;
};

// USB usage id (= SDL scancode) → virtual key, set-1 make code, extended flag.
constexpr Entry kKeys[] = {
    {4, 'A', 0x1E, false}, {5, 'B', 0x30, false}, {6, 'C', 0x2E, false}, {7, 'D', 0x20, false},
    {8, 'E', 0x12, false}, {9, 'F', 0x21, false}, {10, 'G', 0x22, false}, {11, 'H', 0x23, false},
    {12, 'I', 0x17, false}, {13, 'J', 0x24, false}, {14, 'K', 0x25, false}, {15, 'L', 0x26, false},
    {16, 'M', 0x32, false}, {17, 'N', 0x31, false}, {18, 'O', 0x18, false}, {19, 'P', 0x19, false},
    {20, 'Q', 0x10, false}, {21, 'R', 0x13, false}, {22, 'S', 0x1F, false}, {23, 'T', 0x14, false},
    {24, 'U', 0x16, false}, {25, 'V', 0x2F, false}, {26, 'W', 0x11, false}, {27, 'X', 0x2D, false},
    {28, 'Y', 0x15, false}, {29, 'Z', 0x2C, false},
    {30, '1', 0x02, false}, {31, '2', 0x03, false}, {32, '3', 0x04, false}, {33, '4', 0x05, false},
    {34, '5', 0x06, false}, {35, '6', 0x07, false}, {36, '7', 0x08, false}, {37, '8', 0x09, false},
    {38, '9', 0x0A, false}, {39, '0', 0x0B, false},
    {40, VK_RETURN, 0x1C, false}, {41, VK_ESCAPE, 0x01, false}, {42, VK_BACK, 0x0E, false},
    {43, VK_TAB, 0x0F, false}, {44, VK_SPACE, 0x39, false},
    {58, VK_F1, 0x3B, false}, {59, VK_F1 + 1, 0x3C, false}, {60, VK_F1 + 2, 0x3D, false},
    {61, VK_F1 + 3, 0x3E, false}, {62, VK_F1 + 4, 0x3F, false}, {63, VK_F1 + 5, 0x40, false},
    {64, VK_F1 + 6, 0x41, false}, {65, VK_F1 + 7, 0x42, false}, {66, VK_F1 + 8, 0x43, false},
    {67, VK_F1 + 9, 0x44, false}, {68, VK_F1 + 10, 0x57, false}, {69, VK_F1 + 11, 0x58, false},
    {73, VK_INSERT, 0x52, true}, {74, VK_HOME, 0x47, true}, {75, VK_PRIOR, 0x49, true},
    {76, VK_DELETE, 0x53, true}, {77, VK_END, 0x4F, true}, {78, VK_NEXT, 0x51, true},
    {79, VK_RIGHT, 0x4D, true}, {80, VK_LEFT, 0x4B, true}, {81, VK_DOWN, 0x50, true},
    {82, VK_UP, 0x48, true}, {83, VK_NUMLOCK, 0x45, true},
    {84, VK_DIVIDE, 0x35, true}, {85, VK_MULTIPLY, 0x37, false}, {86, VK_SUBTRACT, 0x4A, false},
    {87, VK_ADD, 0x4E, false}, {88, VK_RETURN, 0x1C, true},
    {224, VK_LCONTROL, 0x1D, false}, {225, VK_LSHIFT, 0x2A, false}, {226, VK_LMENU, 0x38, false},
    {227, VK_LWIN, 0x5B, true}, {228, VK_RCONTROL, 0x1D, true}, {229, VK_RSHIFT, 0x36, false},
    {230, VK_RMENU, 0x38, true}, {231, VK_RWIN, 0x5C, true},
};

// Keypad 1..9, 0, '.' (usage 89..99): digits with Num Lock, the navigation keys without.
struct Pad {
  int digitVk;
  int navVk;
  uint16_t make;
};
constexpr Pad kPad[] = {
    {VK_NUMPAD0 + 1, VK_END, 0x4F},  {VK_NUMPAD0 + 2, VK_DOWN, 0x50}, {VK_NUMPAD0 + 3, VK_NEXT, 0x51},
    {VK_NUMPAD0 + 4, VK_LEFT, 0x4B}, {VK_NUMPAD0 + 5, VK_CLEAR, 0x4C}, {VK_NUMPAD0 + 6, VK_RIGHT, 0x4D},
    {VK_NUMPAD0 + 7, VK_HOME, 0x47}, {VK_NUMPAD0 + 8, VK_UP, 0x48},   {VK_NUMPAD0 + 9, VK_PRIOR, 0x49},
    {VK_NUMPAD0, VK_INSERT, 0x52},   {VK_DECIMAL, VK_DELETE, 0x53},
};

}  // namespace

bool TranslateScancode(int scancode, bool numLock, KeyCode* out) {
  if (scancode >= 89 && scancode <= 99) {
    const Pad& p = kPad[scancode - 89];
    *out = {numLock ? p.digitVk : p.navVk, p.make, false};
    return true;
  }
  for (const Entry& e : kKeys) {
    if (e.scancode == scancode) {
      *out = {e.vk, e.make, e.extended};
      return true;
    }
  }
  return false;
}

}  // namespace DUI::detail
