#include "store/KeyRecorder.h"

#include <atomic>

namespace tavrick {
namespace {

// Touched by the UI thread only; atomic so that a stray call from elsewhere stays defined.
std::atomic<uint32_t> g_held_modifiers{0};

void SetBit(uint32_t bit) { g_held_modifiers.fetch_or(bit); }
void ClearBit(uint32_t bit) { g_held_modifiers.fetch_and(~bit); }
bool HasBit(uint32_t bit) { return (g_held_modifiers.load() & bit) != 0; }

const char* FixedName(int v) {
  switch (v) {
    case 19: return "Pause";
    case 44: return "Print Screen";
    case 91: return "Windows";
    case 92: return "RWindows";
    case 93: return "Application";
    case 144: return "Num Lock";
    case 160: return "Shift";
    case 161: return "RShift";
    case 162: return "Ctrl";
    case 163: return "RCtrl";
    case 164: return "Alt";
    case 165: return "RAlt";
    default: return nullptr;
  }
}

// Bit of a left/right specific modifier code.
uint32_t ModifierBit(int v) {
  switch (v) {
    case 160: return kHeldLeftShift;
    case 161: return kHeldRightShift;
    case 162: return kHeldLeftCtrl;
    case 163: return kHeldRightCtrl;
    case 164: return kHeldLeftAlt;
    case 165: return kHeldRightAlt;
    default: return 0;
  }
}

}  // namespace

uint32_t HeldModifierMask() { return g_held_modifiers.load(); }
void ResetHeldModifierMask() { g_held_modifiers.store(0); }

void KeyRecorder::Decode(const RawInput& input, KeyEvent& event) {
  if (input.type == RawInputType::kHid) {
    event.kind = kKeyEventOtherHid;
    return;
  }
  if (input.type != RawInputType::kKeyboard) return;
  const RawKeyboardRecord& k = input.keyboard;

  int direction;
  if (k.message == 256 || k.message == 260) direction = 0;
  else if (k.message == 257 || k.message == 261) direction = 1;
  else direction = (k.flags & base::kKeyBreak) ? 1 : 0;
  const bool pressed = direction == 0;

  int v = k.virtual_key;
  // The generic modifier codes become left/right specific ones from the key state; a
  // release goes to the side that was seen pressed and is no longer down.
  struct Generic {
    int code, left, right;
    uint32_t left_bit, right_bit;
  };
  static constexpr Generic kGeneric[] = {
      {16, 160, 161, kHeldLeftShift, kHeldRightShift},
      {17, 162, 163, kHeldLeftCtrl, kHeldRightCtrl},
      {18, 164, 165, kHeldLeftAlt, kHeldRightAlt},
  };
  for (const Generic& g : kGeneric) {
    if (v != g.code) continue;
    if (pressed) {
      if (keys_.IsKeyDown(g.left)) {
        v = g.left;
        SetBit(g.left_bit);
      } else if (keys_.IsKeyDown(g.right)) {
        v = g.right;
        SetBit(g.right_bit);
      }
    } else if (HasBit(g.left_bit) && !keys_.IsKeyDown(g.left)) {
      v = g.left;
      ClearBit(g.left_bit);
    } else {
      v = g.right;
      ClearBit(g.right_bit);
    }
  }
  if (v == 91) {
    if (pressed) {
      SetBit(kHeldWin);
      if (!keys_.IsKeyDown(91) && keys_.IsKeyDown(92)) v = 92;
    } else {
      if (!(HasBit(kHeldWin) && !keys_.IsKeyDown(91))) v = 92;
      ClearBit(kHeldWin);
    }
  } else if (v == 92) {
    if (pressed) SetBit(kHeldWin);
    else ClearBit(kHeldWin);
  } else if (k.virtual_key >= 160 && k.virtual_key <= 165) {
    if (pressed) SetBit(ModifierBit(v));
    else ClearBit(ModifierBit(v));
  }

  // The name the platform gives the key's scan code on a US layout. The navigation keys
  // are looked up as extended keys, so keypad keys with Num Lock off carry the names of the
  // arrow and page keys they act as.
  int scan = v == 255 ? 0 : base::ScanCodeFromVirtualKey(v);
  if ((v >= 33 && v <= 40) || v == 45 || v == 46) scan |= 0x100;
  const char* fixed = FixedName(v);
  std::string name = fixed ? std::string(fixed) : (scan != 0 ? base::KeyNameFromScanCode(scan) : std::string());

  int code = v;
  const bool prefixed = (k.flags & (base::kKeyE0 | base::kKeyE1)) != 0;
  if (!prefixed) {
    // Keypad keys with Num Lock off: they report the navigation codes without a prefix.
    switch (v) {
      case 12: code = 101; break;
      case 33: code = 105; break;
      case 34: code = 99; break;
      case 35: code = 97; break;
      case 36: code = 103; break;
      case 37: code = 100; break;
      case 38: code = 104; break;
      case 39: code = 102; break;
      case 40: code = 98; break;
      case 45: code = 96; break;
      case 46: code = 110; break;
      default: break;
    }
  } else if (v == 13) {
    code = 108;
    name = "Num Enter";
  }
  if (v == 255 && k.make_code == 0x7D) {
    code = 137;
    name = "\xEF\xBF\xA5";  // U+FFE5 FULLWIDTH YEN SIGN
  }

  event.kind = kKeyEventKeyboard;
  event.direction = direction;
  event.code = code;
  event.name = std::move(name);
}

}  // namespace tavrick
