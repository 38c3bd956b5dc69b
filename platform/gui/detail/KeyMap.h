#pragma once
// Internal: scancode → virtual key, make code and extended flag for the key messages.
#include <cstdint>

namespace DUI::detail {

struct KeyCode {
  int vk = 0;
  uint16_t make = 0;
  bool extended = false;
  uint16_t prefix = 0;  // base::kKeyE0, base::kKeyE1 or 0, as raw keyboard records carry it
};

// False for scancodes without a key of ours.
bool TranslateScancode(int scancode, bool numLock, KeyCode* out);

}  // namespace DUI::detail
