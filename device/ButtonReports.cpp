#include "device/ButtonReports.h"

#include <algorithm>

#include "store/KeyFunction.h"

namespace tavrick {

namespace {

uint8_t Low(int v) { return static_cast<uint8_t>(v & 0xFF); }

void SetSlot(ButtonSlots& s, int slot, int a, int b, int c) {
  s[3 * slot] = Low(a);
  s[3 * slot + 1] = Low(b);
  s[3 * slot + 2] = Low(c);
}

bool IsModifierUsage(int usage) { return usage >= 224 && usage <= 231; }

// Events of a macro, in the order the codes appear on the wire.
constexpr uint8_t kEventKeyDown = 0x30;
constexpr uint8_t kEventKeyUp = 0xB0;
constexpr uint8_t kEventModifierDown = 0x20;
constexpr uint8_t kEventModifierUp = 0xA0;
constexpr uint8_t kEventMouseDown = 0x10;
constexpr uint8_t kEventMouseUp = 0x90;
constexpr size_t kEventBytes = 4;

void SetDelay(std::vector<uint8_t>& events, size_t at, long delay) {
  const int d = static_cast<int>(std::clamp<long>(delay, 0, 0xFFFF));
  events[at + 1] = Low(d);
  events[at + 2] = Low(d >> 8);
}

}  // namespace

ButtonSlots DefaultButtonMap(int deviceType) {
  ButtonSlots s{};
  SetSlot(s, 0, action::kMouse, 0x01, 0);  // left
  SetSlot(s, 1, action::kMouse, 0x02, 0);  // right
  SetSlot(s, 2, action::kMouse, 0x04, 0);  // middle
  SetSlot(s, 3, action::kMouse, 0x08, 0);  // back
  SetSlot(s, 4, action::kMouse, 0x10, 0);  // forward
  if (deviceType == 111) {
    SetSlot(s, 5, action::kSpecial, 0x03, 0);
    SetSlot(s, 6, action::kDpi, 0x01, 0);
  } else {
    SetSlot(s, 5, action::kDpi, 0x01, 0);
    if (deviceType == 117 || deviceType == 120) SetSlot(s, 6, action::kSpecial, 0x04, 0);
  }
  return s;
}

void ApplyButtonFunction(ButtonSlots& s, int i, const ButtonFunction& f,
                         const std::optional<MacroPlayMode>& macro, const ButtonSlots& defaults) {
  if (i < 0 || i >= kButtonSlots) return;
  const int v = f.value;
  const int w = f.value2;
  // The slot bytes of every fixed function come from the key-function table, the one
  // encoding the store, the description files and this report share.
  const KeyFunctionInfo* info = FindKeyFunction(f.type, v);
  if (info == nullptr) {
    if (f.type == kFuncSpecial) {
      // An unlisted special function still marks the slot special; its parameters stay.
      SetSlot(s, i, action::kSpecial, defaults[3 * i + 1], defaults[3 * i + 2]);
    } else if (const uint8_t* fallback = FallbackSlot(f.type)) {
      SetSlot(s, i, fallback[0], fallback[1], fallback[2]);
    }
    return;  // any other type keeps the default slot
  }
  switch (info->rule) {
    case SlotRule::kFixed:
      SetSlot(s, i, info->slot[0], info->slot[1], info->slot[2]);
      return;
    case SlotRule::kKeepParameters:
      // The table's non-zero first parameter replaces the default's; the second never does.
      SetSlot(s, i, info->slot[0], info->slot[1] != 0 ? info->slot[1] : defaults[3 * i + 1],
              defaults[3 * i + 2]);
      return;
    case SlotRule::kFromValues:
      break;
  }
  switch (f.type) {
    case kFuncKeyboard: {  // modifier mask, then the usage; a modifier usage gives its bit
      const int key = Low(v);
      if (w == 0 && IsModifierUsage(key))
        SetSlot(s, i, action::kKey, ModifierBitFromKey(key), 0x00);
      else
        SetSlot(s, i, action::kKey, w, IsModifierUsage(key) ? ModifierBitFromKey(key) : key);
      break;
    }
    case kFuncMacro:  // played from the mouse's macro store under the slot index
      if (!macro) break;
      if (macro->playType == 1 || macro->playType == 3)
        SetSlot(s, i, action::kMacro, i | 0x10, 0);
      else if (macro->playType == 2)
        SetSlot(s, i, action::kMacro, i | 0x40, 0);
      else if (macro->playTimes >= 1)
        SetSlot(s, i, action::kMacro, i | 0x20, macro->playTimes);
      else
        SetSlot(s, i, action::kMacro, i, 0);
      break;
    case kFuncFire:  // two numbers
      SetSlot(s, i, action::kFire, v, w);
      break;
    default:
      break;
  }
}

Frame BuildButtonMapFrame(const ButtonSlots& slots) {
  Frame f = MakeFrame(cmd::kButtons, kShortFrameLength, kSinglePart, 0x0F);
  std::copy(slots.begin(), slots.end(), f.bytes.begin() + kFrameData);
  return f;
}

int ModifierBitFromKey(int code) {
  switch (code) {
    case 162: case 224: return 0x01;  // left Ctrl
    case 160: case 225: return 0x02;  // left Shift
    case 164: case 226: return 0x04;  // left Alt
    case 91: case 227: return 0x08;   // left Win
    case 163: case 228: return 0x10;  // right Ctrl
    case 161: case 229: return 0x20;  // right Shift
    case 165: case 230: return 0x40;  // right Alt
    case 92: case 231: return 0x80;   // right Win
    default: return code;
  }
}

bool IsModifierVirtualKey(int vk) { return (vk >= 160 && vk <= 165) || vk == 91 || vk == 92; }

std::vector<uint8_t> EncodeMacroEvents(const std::vector<MacroStep>& steps,
                                       int (*keyUsage)(int virtualKey)) {
  std::vector<uint8_t> events;
  events.reserve(steps.size() * kEventBytes);
  long pending = 0;  // delay summed since the last event
  bool haveEvent = false;
  for (size_t n = 0; n < steps.size(); ++n) {
    const MacroStep& step = steps[n];
    if (step.type == 1) {
      pending += std::max(step.value, 0);
      if (n + 1 == steps.size()) {
        if (haveEvent) SetDelay(events, events.size() - kEventBytes, pending);
        pending = 0;
      }
      continue;
    }
    if (haveEvent) {
      // Delays before the first event count towards the delay after it.
      SetDelay(events, events.size() - kEventBytes, std::max(pending, 1L));
      pending = 0;
    }
    uint8_t code = 0;
    int value = 0;
    const bool modifier = IsModifierVirtualKey(step.value);
    switch (step.type) {
      case 2:
        code = modifier ? kEventModifierDown : kEventKeyDown;
        value = modifier ? ModifierBitFromKey(step.value) : keyUsage(step.value);
        break;
      case 3:
        code = modifier ? kEventModifierUp : kEventKeyUp;
        value = modifier ? ModifierBitFromKey(step.value) : keyUsage(step.value);
        break;
      case 4: code = kEventMouseDown; value = step.value; break;
      case 5: code = kEventMouseUp; value = step.value; break;
      default: continue;  // other records write nothing
    }
    events.insert(events.end(), {code, 0x01, 0x00, Low(value)});  // a new event waits 1 ms
    haveEvent = true;
  }
  return events;
}

std::optional<std::vector<Frame>> BuildMacroFrames(int slot, const std::vector<uint8_t>& events) {
  std::vector<uint8_t> buffer;
  buffer.reserve(events.size() + 1);
  buffer.push_back(Low(slot));
  buffer.insert(buffer.end(), events.begin(), events.end());
  const size_t total = buffer.size();
  std::vector<Frame> frames;
  if (total <= 25) {  // up to six events fit one frame
    Frame f = MakeFrame(cmd::kMacro, kShortFrameLength, kSinglePart, Low(static_cast<int>(total)));
    std::copy(buffer.begin(), buffer.end(), f.bytes.begin() + kFrameData);
    frames.push_back(f);
    return frames;
  }
  const size_t parts = (total + kMacroPartBytes - 1) / kMacroPartBytes;
  if (parts > static_cast<size_t>(kMaxMacroParts)) return std::nullopt;
  for (size_t k = 0; k < parts; ++k) {
    const size_t from = k * kMacroPartBytes;
    const size_t size = std::min(kMacroPartBytes, total - from);
    Frame f = MakeFrame(cmd::kMacro, kShortFrameLength, static_cast<uint8_t>(k * 16 + parts),
                        static_cast<uint8_t>(size));
    std::copy_n(buffer.begin() + static_cast<long>(from), size, f.bytes.begin() + kFrameData);
    frames.push_back(f);
  }
  return frames;
}

Frame BuildLightingFrame(const LightingValues& light) {
  Frame f = MakeFrame(cmd::kLighting, kLongFrameLength, kSinglePart, 0);
  const int brightness = std::clamp(light.brightness, 0, 15);
  const int speed = std::clamp(light.speed, 0, 15);
  auto head = [&](uint8_t length) {
    f[kFrameLength] = length;
    f[5] = Low(light.mode);                              // mode number
    f[6] = static_cast<uint8_t>(brightness * 16 + speed);  // brightness high, speed low
  };
  auto color = [&](size_t at, int rgb) {
    f[at] = Low(rgb);
    f[at + 1] = Low(rgb >> 8);
    f[at + 2] = Low(rgb >> 16);
  };
  switch (light.mode) {
    case 0: case 4: case 5:
      head(2);
      break;
    case 1:
      head(3);  // one byte 0 follows
      break;
    case 2:
      head(24);
      f[7] = 7;  // colour count, then seven colours
      for (size_t n = 0; n < 7; ++n) color(8 + 3 * n, light.colors[n]);
      break;
    case 3:
      head(5);
      color(7, light.colors[0]);
      break;
    default:
      break;  // unknown mode: length and data stay 0
  }
  return f;
}

}  // namespace tavrick
