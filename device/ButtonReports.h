#pragma once
// The button map, macro and lighting reports. Pure functions: the session reads the store
// and hands the values in; nothing here touches a device or a database.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "device/Reports.h"

namespace tavrick {

// Nine button slots of three bytes (action, parameter 1, parameter 2) fill frame bytes 5-31.
inline constexpr int kButtonSlots = 9;
using ButtonSlots = std::array<uint8_t, 3 * kButtonSlots>;
static_assert(kFrameData + sizeof(ButtonSlots) == kFrameChecksum);

// Action codes of a slot.
namespace action {
inline constexpr uint8_t kMouse = 0x10;
inline constexpr uint8_t kWheel = 0x20;
inline constexpr uint8_t kFire = 0x30;
inline constexpr uint8_t kDpi = 0x40;
inline constexpr uint8_t kSpecial = 0x60;  // parameter 0 disables the button
inline constexpr uint8_t kKey = 0x70;
inline constexpr uint8_t kConsumer = 0x80;
inline constexpr uint8_t kMacro = 0x90;
}  // namespace action

// What every download starts from, by model.
ButtonSlots DefaultButtonMap(int deviceType);

// A stored assignment: function type (1 mouse, 2 key, 3 multimedia, 4 macro, 5 DPI,
// 6 special, 7 fire, 8 shortcut, 9 disabled) and its two values.
struct ButtonFunction {
  int type = 0;
  int value = 0;
  int value2 = 0;
};

// Play settings of the macro a type-4 assignment names.
struct MacroPlayMode {
  int playType = 0;
  int playTimes = 1;
};

// Overwrites slot `slot` from an assignment. Slots outside 0-8 are ignored (they lie beyond
// the frame). `macro` is the bound macro's play mode, or nothing when that macro does not
// exist; `defaults` is the model's default map (the special function keeps bytes of it).
void ApplyButtonFunction(ButtonSlots& slots, int slot, const ButtonFunction& function,
                         const std::optional<MacroPlayMode>& macro, const ButtonSlots& defaults);

Frame BuildButtonMapFrame(const ButtonSlots& slots);

// A modifier key, as virtual-key code or HID usage, → its bit; any other code unchanged.
int ModifierBitFromKey(int code);

// True for the virtual keys of Shift, Ctrl, Alt (160-165) and Win (91, 92).
bool IsModifierVirtualKey(int virtualKey);

// A macro record as stored: type 1 delay, 2 key down, 3 key up, 4 mouse down, 5 mouse up.
struct MacroStep {
  int type = 0;
  int value = 0;
};

// Encodes the records into 4-byte events (code, delay low, delay high, value). Delays are
// summed into the event before them and held to 16 bits. `keyUsage` maps a virtual key to
// its HID usage.
std::vector<uint8_t> EncodeMacroEvents(const std::vector<MacroStep>& steps,
                                       int (*keyUsage)(int virtualKey));

// The part byte has one nibble for the count, so a download has at most 15 parts of 27
// bytes: 101 events.
inline constexpr int kMaxMacroParts = 15;
inline constexpr size_t kMacroPartBytes = 27;

// The frames of one macro download: the slot byte, then the events. Nothing when the macro
// needs more than 15 parts; it is never cut, since a cut-off release would leave a key held.
std::optional<std::vector<Frame>> BuildMacroFrames(int slot, const std::vector<uint8_t>& events);

// One lighting mode: brightness and speed 0-15, colours red + green × 256 + blue × 65536.
struct LightingValues {
  int mode = 0;
  int brightness = 0;
  int speed = 0;
  std::array<int, 7> colors{};
};

Frame BuildLightingFrame(const LightingValues& light);

}  // namespace tavrick
