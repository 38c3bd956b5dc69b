#include <gtest/gtest.h>

#include <vector>

#include "device/ButtonReports.h"

namespace tavrick {
namespace {

using Slot = std::array<int, 3>;

Slot SlotAt(const ButtonSlots& s, int i) { return {s[3 * i], s[3 * i + 1], s[3 * i + 2]}; }

TEST(ButtonMap, DefaultsPerDeviceType) {
  struct Case { int type; Slot five; Slot six; };
  const Case cases[] = {
      {100, {0x40, 0x01, 0}, {0, 0, 0}},
      {111, {0x60, 0x03, 0}, {0x40, 0x01, 0}},
      {117, {0x40, 0x01, 0}, {0x60, 0x04, 0}},
      {120, {0x40, 0x01, 0}, {0x60, 0x04, 0}},
  };
  for (const auto& c : cases) {
    const ButtonSlots s = DefaultButtonMap(c.type);
    EXPECT_EQ(SlotAt(s, 0), (Slot{0x10, 0x01, 0})) << c.type;
    EXPECT_EQ(SlotAt(s, 1), (Slot{0x10, 0x02, 0})) << c.type;
    EXPECT_EQ(SlotAt(s, 2), (Slot{0x10, 0x04, 0})) << c.type;
    EXPECT_EQ(SlotAt(s, 3), (Slot{0x10, 0x08, 0})) << c.type;
    EXPECT_EQ(SlotAt(s, 4), (Slot{0x10, 0x10, 0})) << c.type;
    EXPECT_EQ(SlotAt(s, 5), c.five) << c.type;
    EXPECT_EQ(SlotAt(s, 6), c.six) << c.type;
    EXPECT_EQ(SlotAt(s, 7), (Slot{0, 0, 0})) << c.type;
    EXPECT_EQ(SlotAt(s, 8), (Slot{0, 0, 0})) << c.type;
  }
}

TEST(ButtonMap, EveryFunctionKind) {
  struct Case { ButtonFunction f; Slot slot; };
  const Case cases[] = {
      {{1, 1, 0}, {0x10, 0x01, 0}},   {{1, 2, 0}, {0x10, 0x04, 0}},
      {{1, 3, 0}, {0x10, 0x02, 0}},   {{1, 5, 0}, {0x10, 0x10, 0}},
      {{1, 6, 0}, {0x10, 0x08, 0}},   {{1, 9, 0}, {0x10, 0x00, 0xF5}},
      {{1, 10, 0}, {0x10, 0x00, 0xF6}}, {{1, 4, 0}, {0x30, 0x32, 0x03}},
      {{1, 7, 0}, {0x20, 0x01, 0}},   {{1, 8, 0}, {0x20, 0xFF, 0}},
      {{1, 42, 0}, {0x10, 0, 0}},
      {{2, 4, 0x03}, {0x70, 0x03, 0x04}},   // Ctrl + Shift + A
      {{2, 225, 0}, {0x70, 0x02, 0x00}},    // left Shift alone
      {{2, 231, 0}, {0x70, 0x80, 0x00}},    // right Win alone
      {{2, 91, 0}, {0x70, 0x00, 91}},       // keypad 3 is usage 91, no modifier
      {{2, 224, 0x02}, {0x70, 0x02, 0x01}}, // modifier usage with a mask: its bit third
      {{3, 1, 0}, {0x80, 0x83, 0x01}},  {{3, 2, 0}, {0x80, 0xCD, 0}},
      {{3, 8, 0}, {0x80, 0xE2, 0}},     {{3, 9, 0}, {0x80, 0, 0}},
      {{5, 1, 0}, {0x40, 2, 0}},  {{5, 2, 0}, {0x40, 3, 0}},  {{5, 3, 0}, {0x40, 1, 0}},
      {{7, 20, 5}, {0x30, 20, 5}},
      {{8, 1, 0}, {0x80, 0x6F, 0}},   {{8, 3, 0}, {0x80, 0x92, 0x01}},
      {{8, 5, 0}, {0x80, 0x23, 0x02}}, {{8, 6, 0}, {0x80, 0x8A, 0x01}},
      {{8, 7, 0}, {0x70, 0x08, 0x07}}, {{8, 8, 0}, {0x70, 0x08, 0x2B}},
      {{8, 9, 0}, {0x70, 0x01, 0x06}}, {{8, 10, 0}, {0x70, 0x01, 0x19}},
      {{8, 11, 0}, {0x70, 0x01, 0x1B}}, {{8, 12, 0}, {0x80, 0, 0}},
      {{9, 0, 0}, {0x60, 0, 0}},
      {{42, 1, 1}, {0x10, 0x02, 0}},  // unknown type: slot 1 keeps its default
  };
  for (const auto& c : cases) {
    const ButtonSlots defaults = DefaultButtonMap(100);
    ButtonSlots s = defaults;
    ApplyButtonFunction(s, 1, c.f, std::nullopt, defaults);
    EXPECT_EQ(SlotAt(s, 1), c.slot) << "type " << c.f.type << " value " << c.f.value;
    EXPECT_EQ(SlotAt(s, 0), (Slot{0x10, 0x01, 0}));  // neighbours untouched
    EXPECT_EQ(SlotAt(s, 2), (Slot{0x10, 0x04, 0}));
  }
}

TEST(ButtonMap, SpecialFunctionKeepsDefaultBytes) {
  const ButtonSlots defaults = DefaultButtonMap(111);  // slot 5 default 0x60 0x03 0x00
  struct Case { int v; Slot slot; };
  for (const auto& c : {Case{1, {0x60, 4, 0}}, Case{2, {0x60, 1, 0}}, Case{7, {0x60, 3, 0}}}) {
    ButtonSlots s = defaults;
    ApplyButtonFunction(s, 5, {6, c.v, 0}, std::nullopt, defaults);
    EXPECT_EQ(SlotAt(s, 5), c.slot) << c.v;
  }
  // On slot 7, whose default is all zero, an unknown value leaves 0x60 0x00 0x00.
  ButtonSlots s = defaults;
  ApplyButtonFunction(s, 7, {6, 7, 0}, std::nullopt, defaults);
  EXPECT_EQ(SlotAt(s, 7), (Slot{0x60, 0, 0}));
}

TEST(ButtonMap, MacroPlayModes) {
  struct Case { std::optional<MacroPlayMode> macro; Slot slot; };
  const Case cases[] = {
      {MacroPlayMode{1, 1}, {0x90, 0x13, 0}},
      {MacroPlayMode{3, 1}, {0x90, 0x13, 0}},
      {MacroPlayMode{2, 1}, {0x90, 0x43, 0}},
      {MacroPlayMode{0, 5}, {0x90, 0x23, 5}},
      {MacroPlayMode{0, 0}, {0x90, 0x03, 0}},
      {std::nullopt, {0x10, 0x08, 0}},  // the macro does not exist: default stays
  };
  for (const auto& c : cases) {
    const ButtonSlots defaults = DefaultButtonMap(100);
    ButtonSlots s = defaults;
    ApplyButtonFunction(s, 3, {4, 17, 0}, c.macro, defaults);
    EXPECT_EQ(SlotAt(s, 3), c.slot);
  }
}

TEST(ButtonMap, SlotsOutsideTheFrameAreIgnored) {
  const ButtonSlots defaults = DefaultButtonMap(100);
  for (int slot : {-1, -100, 9, 200}) {
    ButtonSlots s = defaults;
    ApplyButtonFunction(s, slot, {9, 0, 0}, std::nullopt, defaults);
    EXPECT_EQ(s, defaults) << slot;
  }
  const Frame f = BuildButtonMapFrame(defaults);
  EXPECT_EQ(f.length, 33u);
  EXPECT_EQ(f[1], 0x09);
  EXPECT_EQ(f[3], 0x01);
  EXPECT_EQ(f[4], 0x0F);
  EXPECT_EQ(f[5], 0x10);
  EXPECT_EQ(f[20], 0x40);  // slot 5 at bytes 20-22
  EXPECT_EQ(f[21], 0x01);
}

TEST(ModifierBits, VirtualKeysAndUsages) {
  const std::pair<int, int> cases[] = {
      {162, 0x01}, {224, 0x01}, {160, 0x02}, {225, 0x02}, {164, 0x04}, {226, 0x04},
      {91, 0x08},  {227, 0x08}, {163, 0x10}, {228, 0x10}, {161, 0x20}, {229, 0x20},
      {165, 0x40}, {230, 0x40}, {92, 0x80},  {231, 0x80}, {0, 0}, {4, 4}, {65, 65}, {232, 232},
  };
  for (auto [code, bit] : cases) EXPECT_EQ(ModifierBitFromKey(code), bit) << code;
}

// Usages of the few keys these tests record.
int TestUsage(int vk) { return vk == 65 ? 4 : vk == 66 ? 5 : 0; }

std::vector<uint8_t> Events(std::initializer_list<std::array<int, 4>> events) {
  std::vector<uint8_t> v;
  for (const auto& e : events)
    for (int b : e) v.push_back(static_cast<uint8_t>(b));
  return v;
}

TEST(MacroEvents, Encoding) {
  struct Case { const char* name; std::vector<MacroStep> steps; std::vector<uint8_t> events; };
  const Case cases[] = {
      {"press, 100 ms, release", {{2, 65}, {1, 100}, {3, 65}},
       Events({{0x30, 100, 0, 4}, {0xB0, 1, 0, 4}})},
      {"no delay between two events gives 1", {{2, 65}, {3, 65}},
       Events({{0x30, 1, 0, 4}, {0xB0, 1, 0, 4}})},
      {"delays before the first event count after it", {{1, 30}, {1, 20}, {2, 65}, {3, 65}},
       Events({{0x30, 50, 0, 4}, {0xB0, 1, 0, 4}})},
      {"a trailing delay goes to the last event", {{2, 65}, {3, 65}, {1, 300}},
       Events({{0x30, 1, 0, 4}, {0xB0, 0x2C, 0x01, 4}})},
      {"modifiers send their bit", {{2, 160}, {2, 65}, {3, 65}, {3, 160}, {2, 92}},
       Events({{0x20, 1, 0, 0x02}, {0x30, 1, 0, 4}, {0xB0, 1, 0, 4}, {0xA0, 1, 0, 0x02},
               {0x20, 1, 0, 0x80}})},
      {"mouse buttons and unknown records", {{4, 0x101}, {7, 3}, {5, 1}},
       Events({{0x10, 1, 0, 0x01}, {0x90, 1, 0, 0x01}})},
      {"delays are held to 16 bits", {{2, 66}, {1, 40000}, {1, 40000}, {3, 66}},
       Events({{0x30, 0xFF, 0xFF, 5}, {0xB0, 1, 0, 5}})},
      {"only delays", {{1, 10}, {1, 20}}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeMacroEvents(c.steps, TestUsage), c.events) << c.name;
}

std::vector<uint8_t> NEvents(int n) {
  std::vector<uint8_t> v;
  for (int i = 0; i < n; ++i) v.insert(v.end(), {0x30, 1, 0, static_cast<uint8_t>(i + 1)});
  return v;
}

TEST(MacroFrames, SplitIntoParts) {
  struct Case { int events; std::vector<std::pair<int, int>> partAndLength; };
  const Case cases[] = {
      {0, {{0x01, 1}}},
      {6, {{0x01, 25}}},
      {7, {{0x02, 27}, {0x12, 2}}},                // L = 29
      {13, {{0x02, 27}, {0x12, 26}}},              // L = 53
      {20, {{0x03, 27}, {0x13, 27}, {0x23, 27}}},  // L = 81: the last part is full
      {101, {}},                                   // L = 405: fifteen full parts
  };
  for (const auto& c : cases) {
    const auto events = NEvents(c.events);
    const auto frames = BuildMacroFrames(3, events);
    ASSERT_TRUE(frames) << c.events;
    if (c.events == 101) {
      ASSERT_EQ(frames->size(), 15u);
      EXPECT_EQ((*frames)[14][3], 0xEF);
      EXPECT_EQ((*frames)[14][4], 27);
    } else {
      ASSERT_EQ(frames->size(), c.partAndLength.size()) << c.events;
      for (size_t k = 0; k < frames->size(); ++k) {
        EXPECT_EQ((*frames)[k][3], c.partAndLength[k].first) << c.events << " part " << k;
        EXPECT_EQ((*frames)[k][4], c.partAndLength[k].second) << c.events << " part " << k;
      }
    }
    // The parts carry the slot byte and then every event byte, in order, nothing lost.
    std::vector<uint8_t> joined;
    for (const auto& f : *frames) {
      EXPECT_EQ(f[1], 0x08);
      EXPECT_EQ(f.length, 33u);
      joined.insert(joined.end(), f.bytes.begin() + 5, f.bytes.begin() + 5 + f[4]);
    }
    ASSERT_FALSE(joined.empty());
    EXPECT_EQ(joined[0], 3);
    EXPECT_EQ(std::vector<uint8_t>(joined.begin() + 1, joined.end()), events);
  }
}

TEST(MacroFrames, RefusesMoreThanFifteenParts) {
  EXPECT_FALSE(BuildMacroFrames(0, NEvents(102)));
  EXPECT_FALSE(BuildMacroFrames(0, NEvents(500)));
}

TEST(LightingFrames, PerMode) {
  LightingValues light;
  light.brightness = 3;
  light.speed = 2;
  for (int n = 0; n < 7; ++n) light.colors[n] = 0x010203 * (n + 1);  // red = 3(n+1)
  struct Case { int mode; int length; };
  for (const auto& c : {Case{0, 2}, Case{4, 2}, Case{5, 2}, Case{1, 3}, Case{2, 24}, Case{3, 5}}) {
    light.mode = c.mode;
    const Frame f = BuildLightingFrame(light);
    EXPECT_EQ(f.length, 65u);
    EXPECT_EQ(f[1], 0x05);
    EXPECT_EQ(f[3], 0x01);
    EXPECT_EQ(f[4], c.length) << c.mode;
    EXPECT_EQ(f[5], c.mode);
    EXPECT_EQ(f[6], 0x32);
  }
  light.mode = 2;
  Frame f = BuildLightingFrame(light);
  EXPECT_EQ(f[7], 7);
  EXPECT_EQ((std::array<int, 3>{f[8], f[9], f[10]}), (std::array<int, 3>{3, 2, 1}));
  EXPECT_EQ((std::array<int, 3>{f[26], f[27], f[28]}), (std::array<int, 3>{21, 14, 7}));
  EXPECT_EQ(f[29], 0);
  light.mode = 3;
  f = BuildLightingFrame(light);
  EXPECT_EQ((std::array<int, 4>{f[7], f[8], f[9], f[10]}), (std::array<int, 4>{3, 2, 1, 0}));
  light.mode = 9;  // unknown: nothing but the header
  f = BuildLightingFrame(light);
  EXPECT_EQ(f[4], 0);
  EXPECT_EQ(f[5], 0);
  EXPECT_EQ(f[6], 0);
}

TEST(LightingFrames, BrightnessAndSpeedStayInTheirNibbles) {
  struct Case { int brightness; int speed; int byte6; };
  for (const auto& c : {Case{4, 4, 0x44}, Case{16, 0, 0xF0}, Case{1, 16, 0x1F},
                        Case{-1, -5, 0x00}, Case{15, 15, 0xFF}}) {
    LightingValues light;
    light.mode = 0;
    light.brightness = c.brightness;
    light.speed = c.speed;
    EXPECT_EQ(BuildLightingFrame(light)[6], c.byte6) << c.brightness << "/" << c.speed;
  }
}

}  // namespace
}  // namespace tavrick
