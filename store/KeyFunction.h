#pragma once
// The key-function encoding: what a mouse button can be assigned, as the pair (function
// type, value) with a second value. The same encoding is used by the stored assignments
// (t_key_macro_data.macro_type/macro_value/macro_value2), by the default functions of the
// description files ("func_type"/"func_value") and by the button map sent to the mouse.
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "store/Records.h"

namespace tavrick {

enum KeyFunctionType : int {
  kFuncMouse = 1,       // value: 1 left, 2 middle, 3 right, 4 fire preset, 5 forward, 6 back,
                        //        7 scroll up, 8 scroll down, 9 and 10 the further wheel functions
  kFuncKeyboard = 2,    // value: HID keyboard usage (0 = modifiers only); value2: kMod... mask
  kFuncMultimedia = 3,  // value: 1 player, 2 play/pause, 3 stop, 4 previous, 5 next, 6 volume up,
                        //        7 volume down, 8 mute
  kFuncMacro = 4,       // value: macro id
  kFuncDpi = 5,         // value: 1 "DPI +", 2 "DPI -", 3 the third DPI function
  kFuncSpecial = 6,     // value: 1, 2 (and 3-6 named only)
  kFuncFire = 7,        // value: first number, value2: second number of the fire panel
  kFuncShortcut = 8,    // value: 1 brightness up ... 11 cut
  kFuncDisabled = 9,    // value: 1
};

// Modifier mask of a keyboard assignment (macro_value2).
constexpr int kModCtrl = 0x01;
constexpr int kModShift = 0x02;
constexpr int kModAlt = 0x04;
constexpr int kModWin = 0x08;

// How the three bytes of a button-map slot follow from an assignment.
enum class SlotRule : uint8_t {
  kFixed,          // the slot is exactly `slot`
  kKeepParameters, // slot[0] is written, the two parameters keep the default map's bytes
  kFromValues,     // computed from the row (keyboard: 0x70, mask, usage; fire: 0x30, v, w;
                   // macro: 0x90 with the macro's play settings)
};

struct KeyFunctionInfo {
  int type;
  int value;      // kAnyValue: every value of the type
  int text;       // language text that names it; 0: shown by its stored description
  SlotRule rule;
  uint8_t slot[3];
};
constexpr int kAnyValue = -1;

// One row per function; a type's kAnyValue row (if any) comes after its numbered rows.
std::span<const KeyFunctionInfo> KeyFunctionTable();
// The row of (type, value): the numbered row, else the type's kAnyValue row, else null.
const KeyFunctionInfo* FindKeyFunction(int type, int value);
// The slot a value of a known type gets when the table has no row for it (type 1:
// 0x10 0 0; types 3 and 8: 0x80 0 0), or null when the type keeps the default slot.
const uint8_t* FallbackSlot(int type);

// The HID keyboard usage stored for a captured virtual-key code (left/right specific for
// the modifiers), 0 for a key that has none. A few codes beyond the platform's range (666,
// 301, 302) are pseudo keys of the stored format and map to fixed usages.
int KeyUsageFromVirtualKey(int virtual_key);

using TextLookup = std::function<std::string(int text_number)>;

// The text the button page shows for a stored row, in the current language: the text of
// the function, or the stored description where the encoding says so (macro rows through
// MacroAssignmentName with the given language id and text 351).
std::string AssignmentDisplayName(const KeyAssignment& row, const TextLookup& text, int language_id);
// The text shown for a button without a row: the text whose number is the default
// entry's macro_desc.
std::string DefaultAssignmentDisplayName(const KeyAssignment& default_entry, const TextLookup& text);

// The description stored for a keyboard assignment: the checked modifiers in the order
// Shift, Ctrl, Win, Alt joined by " + ", then " + " and the key name when there is a key.
std::string KeyboardAssignmentDescription(int modifier_mask, const std::string& key_name);

}  // namespace tavrick
