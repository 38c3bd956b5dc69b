#pragma once
// The keyboard table: one row per physical key of a full-size US keyboard, with the
// Windows virtual-key code, the USB HID keyboard usage (SDL2 scancodes use the same
// numbers), the set-1 make code with its prefix flag, and the key name Windows gives on a
// US layout. These names are stored in the settings database and in exchange files, so
// they are part of the stored format and must not be "improved".
//
// Numeric keypad rows carry the virtual-key code the key sends with Num Lock on; with Num
// Lock off the same physical key sends the navigation code (keypad 8 sends 38, Up) without
// the E0 flag, and the key recorder tells the two apart by that flag. The window layer
// that builds raw keyboard records from SDL events must do that substitution itself.
#include <cstdint>
#include <span>
#include <string>

namespace base {

// Prefix flags of a make code, with the bit values of the platform's raw keyboard record.
constexpr uint16_t kKeyBreak = 0x01;  // the record is a release
constexpr uint16_t kKeyE0 = 0x02;     // E0 prefix: the "extended" keys
constexpr uint16_t kKeyE1 = 0x04;     // E1 prefix: only Pause

struct KeyInfo {
  uint16_t virtual_key;  // Windows virtual-key code (left/right specific for modifiers)
  uint16_t hid_usage;    // USB HID usage, keyboard page (0x07)
  uint16_t make_code;    // set-1 make code without its prefix
  uint16_t flags;        // 0, kKeyE0 or kKeyE1
  const char* name;      // the US-layout key name, UTF-8

  bool extended() const { return (flags & kKeyE0) != 0; }
};

// Every row, in HID usage order.
std::span<const KeyInfo> KeyTable();

// The row of a virtual-key code, or null. Where two physical keys share a code (Enter and
// keypad Enter share 13) the main-block key is returned. The generic modifier codes 16, 17
// and 18 return the left-hand key, and 12 (keypad 5 with Num Lock off) the keypad 5 row.
const KeyInfo* KeyByVirtualKey(int virtual_key);

// The row of a make code with its E0 state, or null. E1 (Pause) counts as not extended
// for the make code 0x1D it is sent with, and matches its own row for 0x45 with e1 set.
const KeyInfo* KeyByMakeCode(int make_code, bool extended, bool e1 = false);

// The row of a HID keyboard usage, or null.
const KeyInfo* KeyByHidUsage(int usage);

// The scan code the platform maps a virtual key to on a US layout: the make code without
// any prefix (so right Ctrl and keypad / come back non-extended), 0 when unknown.
int ScanCodeFromVirtualKey(int virtual_key);

// The key name of a scan code with bit 0x100 set for the E0 keys, as the platform's key
// name lookup gives it; empty when no key has that code. Note that 0x45 is "Pause" and
// 0x145 "Num Lock": that is how the platform's own table has it, which is why the key
// recorder gives both keys fixed names.
std::string KeyNameFromScanCode(int scan_code);

// Which keys are down right now, by virtual-key code (left/right specific codes 160-165,
// 91, 92 included). The window layer implements it from its own key state; tests set it.
class KeyStateSource {
 public:
  virtual ~KeyStateSource() = default;
  virtual bool IsKeyDown(int virtual_key) const = 0;
};

}  // namespace base
