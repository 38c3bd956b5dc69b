// Scancode translation for the key messages, through the one keyboard table of base/.
#include "platform/gui/detail/KeyMap.h"

#include "base/Keyboard.h"
#include "platform/gui/Keys.h"

namespace DUI::detail {
namespace {

// Keypad 1..9, 0, '.' (usages 89..99) send the navigation codes with Num Lock off, without
// the E0 prefix (that is how they differ from the navigation block's own keys).
constexpr int kPadNavigation[] = {VK_END,  VK_DOWN, VK_NEXT,  VK_LEFT,   VK_CLEAR, VK_RIGHT,
                                  VK_HOME, VK_UP,   VK_PRIOR, VK_INSERT, VK_DELETE};

}  // namespace

bool TranslateScancode(int scancode, bool numLock, KeyCode* out) {
  const base::KeyInfo* key = base::KeyByHidUsage(scancode);
  if (!key) return false;
  out->vk = key->virtual_key;
  out->make = key->make_code;
  out->extended = key->extended();
  out->prefix = key->flags;
  if (!numLock && scancode >= 89 && scancode <= 99) out->vk = kPadNavigation[scancode - 89];
  return true;
}

}  // namespace DUI::detail
