// The keyboard table and the raw keyboard decoder.
#include <gtest/gtest.h>

#include <set>

#include "base/Keyboard.h"
#include "store/KeyRecorder.h"

namespace tavrick {
namespace {

using base::kKeyBreak;
using base::kKeyE0;
using base::kKeyE1;

TEST(KeyboardTable, EveryKeyIsFoundByEachOfItsCodes) {
  std::set<int> usages;
  std::set<int> makes;
  for (const base::KeyInfo& k : base::KeyTable()) {
    SCOPED_TRACE(k.name);
    EXPECT_TRUE(usages.insert(k.hid_usage).second);
    EXPECT_TRUE(makes.insert(k.make_code | k.flags << 8).second);
    EXPECT_EQ(base::KeyByHidUsage(k.hid_usage), &k);
    EXPECT_EQ(base::KeyByMakeCode(k.make_code, k.extended(), (k.flags & kKeyE1) != 0), &k);
    if (k.hid_usage != 0x58) {  // keypad Enter shares 13 with Enter
      EXPECT_EQ(base::KeyByVirtualKey(k.virtual_key), &k);
    }
  }
  EXPECT_EQ(base::KeyByHidUsage(0x32), nullptr);
  EXPECT_EQ(base::KeyByMakeCode(0x1E, true), nullptr);
  EXPECT_EQ(base::KeyByVirtualKey(7), nullptr);
  EXPECT_EQ(base::KeyByVirtualKey(17)->hid_usage, 0xE0);  // the generic Ctrl is the left one
}

TEST(KeyboardTable, NamesOfScanCodes) {
  const struct {
    int scan;
    const char* name;
  } cases[] = {
      {0x1E, "A"},           {0x02, "1"},         {0x01, "Esc"},       {0x0E, "Backspace"},
      {0x1C, "Enter"},       {0x11C, "Num Enter"}, {0x1D, "Ctrl"},      {0x11D, "Right Ctrl"},
      {0x2A, "Shift"},       {0x36, "Right Shift"}, {0x38, "Alt"},      {0x138, "Right Alt"},
      {0x35, "/"},           {0x135, "Num /"},    {0x37, "Num *"},     {0x137, "Prnt Scrn"},
      {0x45, "Pause"},       {0x145, "Num Lock"}, {0x47, "Num 7"},     {0x147, "Home"},
      {0x53, "Num Del"},     {0x153, "Delete"},   {0x3A, "Caps Lock"}, {0x46, "Scroll Lock"},
      {0x57, "F11"},         {0x76, "F24"},       {0x15B, "Left Windows"}, {0x15D, "Application"},
      {0x29, "`"},           {0x2B, "\\"},        {0x39, "Space"},     {0x00, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(base::KeyNameFromScanCode(c.scan), c.name) << std::hex << c.scan;
}

class HeldKeys : public base::KeyStateSource {
 public:
  bool IsKeyDown(int vk) const override { return down.count(vk) != 0; }
  std::set<int> down;
};

struct Step {
  std::set<int> down;  // keys down while the record is decoded
  uint16_t make, flags, vk;
  uint32_t message;
  int code;
  const char* name;
  uint32_t mask_after;
};

constexpr uint32_t kDown = 256, kUp = 257, kSysDown = 260, kSysUp = 261;

TEST(KeyRecorderDecode, KeyRecordsTable) {
  ResetHeldModifierMask();
  const Step steps[] = {
      // Left and right modifiers arrive as the generic codes.
      {{161}, 0x36, 0, 16, kDown, 161, "RShift", 0x20},
      {{}, 0x36, kKeyBreak, 16, kUp, 161, "RShift", 0x00},
      {{160}, 0x2A, 0, 16, kDown, 160, "Shift", 0x02},
      {{}, 0x2A, kKeyBreak, 16, kUp, 160, "Shift", 0x00},
      {{163}, 0x1D, kKeyE0, 17, kDown, 163, "RCtrl", 0x10},
      {{162, 163}, 0x1D, 0, 17, kDown, 162, "Ctrl", 0x11},
      {{162}, 0x1D, kKeyE0 | kKeyBreak, 17, kUp, 163, "RCtrl", 0x01},
      {{}, 0x1D, kKeyBreak, 17, kUp, 162, "Ctrl", 0x00},
      {{164}, 0x38, 0, 18, kSysDown, 164, "Alt", 0x04},
      {{}, 0x38, kKeyBreak, 18, kSysUp, 164, "Alt", 0x00},
      {{165}, 0x38, kKeyE0, 18, kSysDown, 165, "RAlt", 0x40},
      {{}, 0x38, kKeyE0 | kKeyBreak, 18, kSysUp, 165, "RAlt", 0x00},
      // A Shift the key state did not see keeps the generic code.
      {{}, 0x2A, 0, 16, kDown, 16, "Shift", 0x00},
      {{91}, 0x5B, kKeyE0, 91, kDown, 91, "Windows", 0x08},
      {{}, 0x5B, kKeyE0 | kKeyBreak, 91, kUp, 91, "Windows", 0x00},
      {{92}, 0x5B, kKeyE0, 91, kDown, 92, "RWindows", 0x08},
      {{92}, 0x5C, kKeyE0, 92, kDown, 92, "RWindows", 0x08},
      {{}, 0x5C, kKeyE0 | kKeyBreak, 92, kUp, 92, "RWindows", 0x00},
      {{161}, 0x36, 0, 161, kDown, 161, "RShift", 0x20},
      {{}, 0x36, kKeyBreak, 161, kUp, 161, "RShift", 0x00},
      // The keypad with Num Lock on, and off (navigation codes without E0).
      {{}, 0x48, 0, 104, kDown, 104, "Num 8", 0},
      {{}, 0x48, 0, 38, kDown, 104, "Up", 0},
      {{}, 0x48, kKeyE0, 38, kDown, 38, "Up", 0},
      {{}, 0x4C, 0, 12, kDown, 101, "Num 5", 0},
      {{}, 0x51, 0, 34, kDown, 99, "Page Down", 0},
      {{}, 0x47, 0, 36, kDown, 103, "Home", 0},
      {{}, 0x4F, 0, 35, kDown, 97, "End", 0},
      {{}, 0x4B, 0, 37, kDown, 100, "Left", 0},
      {{}, 0x52, 0, 45, kDown, 96, "Insert", 0},
      {{}, 0x53, 0, 46, kDown, 110, "Delete", 0},
      {{}, 0x53, kKeyE0, 46, kDown, 46, "Delete", 0},
      {{}, 0x1C, 0, 13, kDown, 13, "Enter", 0},
      {{}, 0x1C, kKeyE0, 13, kDown, 108, "Num Enter", 0},
      {{}, 0x35, kKeyE0, 111, kDown, 111, "/", 0},
      {{}, 0x37, 0, 106, kDown, 106, "Num *", 0},
      // Fixed names.
      {{}, 0x45, 0, 144, kDown, 144, "Num Lock", 0},
      {{}, 0x1D, kKeyE1, 19, kDown, 19, "Pause", 0},
      {{}, 0x37, kKeyE0, 44, kDown, 44, "Print Screen", 0},
      {{}, 0x5D, kKeyE0, 93, kDown, 93, "Application", 0},
      {{}, 0x7D, 0, 255, kDown, 137, "\xEF\xBF\xA5", 0},
      {{}, 0x70, 0, 255, kDown, 255, "", 0},
      // Plain keys, with auto-repeat arriving as more presses.
      {{}, 0x1E, 0, 65, kDown, 65, "A", 0},
      {{}, 0x1E, 0, 65, kDown, 65, "A", 0},
      {{}, 0x1E, kKeyBreak, 65, kUp, 65, "A", 0},
      {{}, 0x3B, 0, 112, kDown, 112, "F1", 0},
      {{}, 0x27, 0, 186, kDown, 186, ";", 0},
      {{}, 0x3A, 0, 20, kDown, 20, "Caps Lock", 0},
  };
  HeldKeys keys;
  KeyRecorder recorder(keys);
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "vk " << s.vk << " make " << s.make << " message " << s.message);
    keys.down = s.down;
    RawInput input;
    input.type = RawInputType::kKeyboard;
    input.keyboard = RawKeyboardRecord{s.make, s.flags, s.vk, s.message};
    KeyEvent event;
    recorder.Decode(input, event);
    EXPECT_EQ(event.kind, kKeyEventKeyboard);
    EXPECT_EQ(event.direction, (s.message == kUp || s.message == kSysUp) ? 1 : 0);
    EXPECT_EQ(event.code, s.code);
    EXPECT_EQ(event.name, s.name);
    EXPECT_EQ(HeldModifierMask(), s.mask_after);
  }
}

TEST(KeyRecorderDecode, OtherInputAndTheMaskOutlivingARecorder) {
  ResetHeldModifierMask();
  HeldKeys keys;
  KeyEvent event;
  {
    KeyRecorder recorder(keys);
    RawInput hid;
    hid.type = RawInputType::kHid;
    recorder.Decode(hid, event);
    EXPECT_EQ(event.kind, kKeyEventOtherHid);
    EXPECT_EQ(event.name, "");
    KeyEvent none;
    recorder.Decode(RawInput{}, none);
    EXPECT_EQ(none.kind, kKeyEventNone);
    RawInput mouse;
    mouse.type = RawInputType::kMouse;
    recorder.Decode(mouse, none);
    EXPECT_EQ(none.kind, kKeyEventNone);

    keys.down = {162};
    RawInput press;
    press.type = RawInputType::kKeyboard;
    press.keyboard = RawKeyboardRecord{0x1D, 0, 17, kDown};
    recorder.Decode(press, event);
    EXPECT_EQ(HeldModifierMask(), kHeldLeftCtrl);
  }
  keys.down = {};
  KeyRecorder next(keys);
  RawInput release;
  release.type = RawInputType::kKeyboard;
  release.keyboard = RawKeyboardRecord{0x1D, kKeyBreak, 17, kUp};
  next.Decode(release, event);
  EXPECT_EQ(event.code, 162);
  EXPECT_EQ(event.direction, 1);
  EXPECT_EQ(HeldModifierMask(), 0u);
}

}  // namespace
}  // namespace tavrick
