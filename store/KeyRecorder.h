#pragma once
// The keyboard decoder used for macro recording and key capture. The capturing window
// builds one raw input record per key event of the focused window and passes it to
// Decode; an event with an empty name is not delivered to the consumer.
#include <cstdint>
#include <string>

#include "base/Keyboard.h"

namespace tavrick {

// What the platform reports for one key transition.
struct RawKeyboardRecord {
  uint16_t make_code = 0;    // set-1 make code without prefix
  uint16_t flags = 0;        // base::kKeyBreak, base::kKeyE0, base::kKeyE1
  uint16_t virtual_key = 0;  // as the platform reports it: 16/17/18 for either Shift/Ctrl/Alt
  uint32_t message = 0;      // 256 key down, 257 key up, 260 system key down, 261 system key up
};

enum class RawInputType { kNone, kMouse, kKeyboard, kHid };

struct RawInput {
  RawInputType type = RawInputType::kNone;  // kNone: nothing could be read
  RawKeyboardRecord keyboard;               // for kKeyboard
};

struct KeyEvent {
  int32_t kind = 0;       // 0 nothing decoded, 2 keyboard, 3 input of another HID device
  int32_t direction = 0;  // 0 pressed, 1 released
  int32_t code = 0;       // virtual-key code, left/right specific for the modifiers
  std::string name;
};

constexpr int kKeyEventNone = 0;
constexpr int kKeyEventKeyboard = 2;
constexpr int kKeyEventOtherHid = 3;

// The held-modifier mask: which modifiers were seen pressed and not yet released. One word
// for the process, shared by every recorder and outliving them (a modifier released while
// no recorder listened keeps its bit until its next release).
constexpr uint32_t kHeldLeftCtrl = 0x01;
constexpr uint32_t kHeldLeftShift = 0x02;
constexpr uint32_t kHeldLeftAlt = 0x04;
constexpr uint32_t kHeldWin = 0x08;
constexpr uint32_t kHeldRightCtrl = 0x10;
constexpr uint32_t kHeldRightShift = 0x20;
constexpr uint32_t kHeldRightAlt = 0x40;
uint32_t HeldModifierMask();
void ResetHeldModifierMask();

class KeyRecorder {
 public:
  // keys answers which keys are down at the moment of decoding (it tells the left and
  // right modifier keys apart). It must outlive the recorder.
  explicit KeyRecorder(const base::KeyStateSource& keys) : keys_(keys) {}

  // Fills event from the record. A keyboard record gives kind 2, its direction, the code
  // and the key name; a record of another HID device only kind 3; anything else leaves
  // the event as it was (kind 0).
  void Decode(const RawInput& input, KeyEvent& event);

 private:
  const base::KeyStateSource& keys_;
};

}  // namespace tavrick
