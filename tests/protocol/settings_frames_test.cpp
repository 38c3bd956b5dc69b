#include <gtest/gtest.h>

#include <vector>

#include "device/DpiCodes.h"
#include "device/Reports.h"

namespace tavrick {
namespace {

std::vector<uint8_t> Bytes(const Frame& f) { return {f.bytes.begin(), f.bytes.begin() + f.length}; }

// A frame of `length` zero bytes with the given bytes set.
std::vector<uint8_t> Expected(size_t length, std::initializer_list<std::pair<size_t, int>> set) {
  std::vector<uint8_t> v(length, 0);
  for (auto [at, value] : set) v[at] = static_cast<uint8_t>(value);
  return v;
}

TEST(SettingsFrames, WritesByteExact) {
  EXPECT_EQ(Bytes(BuildReportRateFrame(8)), Expected(65, {{1, 0x02}, {3, 1}, {4, 1}, {5, 8}}));
  EXPECT_EQ(Bytes(BuildLiftOffFrame(2, 12)),
            Expected(65, {{1, 0x06}, {3, 1}, {4, 5}, {5, 2}, {6, 1}, {7, 1}}));
  EXPECT_EQ(Bytes(BuildLiftOffFrame(1, 16)), Expected(65, {{1, 0x06}, {3, 1}, {4, 5}, {5, 1}}));
  EXPECT_EQ(Bytes(BuildLiftOffFrame(1, 8)),
            Expected(65, {{1, 0x06}, {3, 1}, {4, 5}, {5, 1}, {6, 1}}));
  EXPECT_EQ(Bytes(BuildPowerFrame({36, 1, 0, 8})),
            Expected(65, {{1, 0x07}, {3, 1}, {4, 4}, {5, 36}, {6, 1}, {7, 0}, {8, 8}}));
  EXPECT_EQ(Bytes(BuildFactoryResetFrame()), Expected(33, {{1, 0x0F}, {3, 1}, {4, 1}, {5, 0xFF}}));
  EXPECT_EQ(Bytes(BuildLightControlFrame()), Expected(33, {{1, 0x0E}, {3, 1}, {4, 4}, {5, 0x42}}));
  EXPECT_EQ(Bytes(MakeQuery(0x13)), Expected(33, {{1, 0x13}}));
}

TEST(SettingsFrames, DpiLevels) {
  DpiLevels levels;
  levels.count = 4;
  levels.index = 2;
  levels.values = {800, 100000, 10, 1600, 3200, 6400};
  // Sensor 0x11 (50-24000): 800 → 16, 100000 → 24000 → 232, 10 → 50 → 1, 1600 → 32,
  // 3200 → 64, 6400 → 128.
  const auto f = Bytes(BuildDpiLevelsFrame(levels, 0x11, DpiRangeForSensor(0x11, 0)));
  EXPECT_EQ(f, Expected(33, {{1, 0x03}, {3, 0x01}, {4, 0x25}, {5, 0x24},
                             {6, 16}, {8, 16}, {10, 232}, {12, 232}, {14, 1}, {16, 1},
                             {18, 32}, {20, 32}, {22, 64}, {24, 64}, {26, 128}, {28, 128}}));
  // Codes above 255 put their high byte after the low one.
  levels.values = {26000, 26000, 26000, 26000, 26000, 26000};
  const auto g = Bytes(BuildDpiLevelsFrame(levels, 0x77, kDefaultDpiRange));
  EXPECT_EQ(g[6], 519 & 0xFF);
  EXPECT_EQ(g[7], 519 >> 8);
  EXPECT_EQ(g[8], 519 & 0xFF);
  EXPECT_EQ(g[9], 519 >> 8);
}

TEST(SettingsFrames, DpiNibblesAreClamped) {
  struct Case { int count; int index; uint8_t byte5; };
  const Case cases[] = {
      {4, 2, 0x24}, {6, 5, 0x56}, {1, 0, 0x01},
      {0, 0, 0x01},     // no levels: one
      {9, 1, 0x16},     // more than six: six
      {-3, 0, 0x01},
      {4, 4, 0x04},     // index not below the count: level 0
      {4, -1, 0x04},
      {6, 17, 0x06},    // an index that would overflow into the count nibble
  };
  for (const auto& c : cases) {
    DpiLevels levels;
    levels.count = c.count;
    levels.index = c.index;
    levels.values.fill(800);
    EXPECT_EQ(BuildDpiLevelsFrame(levels, 0x11, {50, 24000})[5], c.byte5)
        << c.count << "/" << c.index;
  }
}

TEST(SettingsFrames, DpiColors) {
  // #0080FF is stored as 0x00 + 0x80 × 256 + 0xFF × 65536 = 16744448.
  const auto f = Bytes(BuildDpiColorsFrame({16744448, 255, 0, 0, 0, 16777215}));
  EXPECT_EQ(f, Expected(65, {{1, 0x04}, {3, 1}, {4, 18}, {5, 0x00}, {6, 0x80}, {7, 0xFF},
                             {8, 0xFF}, {20, 0xFF}, {21, 0xFF}, {22, 0xFF}}));
}

// A reply buffer: byte 0 the query code, the given bytes set, 33 bytes long.
std::vector<uint8_t> Reply(uint8_t code, std::initializer_list<std::pair<size_t, int>> set) {
  auto v = Expected(33, set);
  v[0] = code;
  return v;
}

TEST(SettingsReplies, DeviceInfo) {
  const auto r = Reply(0x10, {{4, 0x34}, {5, 0x12}, {6, 0x19}, {7, 0x40}, {8, 1}, {9, 87}, {10, 1}});
  const auto info = ParseDeviceInfo(r.data(), r.size());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->identifier, 0x1234);
  EXPECT_EQ(info->sensorCode, 0x19);
  EXPECT_EQ(info->reportRateMarker, 7);
  EXPECT_EQ(info->charging, 1);
  EXPECT_EQ(info->battery, 87);
  EXPECT_EQ(info->link, 1);
  // The marker for every capability byte.
  const std::pair<uint8_t, int> markers[] = {{0x10, 5}, {0x20, 6}, {0x40, 7}, {0x00, 4}, {0x30, 4}};
  for (auto [cap, marker] : markers) EXPECT_EQ(ReportRateMarker(cap), marker) << int(cap);
  // Too short to hold the link byte, or the answer to another query: nothing.
  EXPECT_FALSE(ParseDeviceInfo(r.data(), 10));
  const auto other = Reply(0x13, {{10, 1}});
  EXPECT_FALSE(ParseDeviceInfo(other.data(), other.size()));
}

TEST(SettingsReplies, DpiLevelsTakeTheSecondCopyOfLevelOne) {
  // Level 1's first copy (bytes 5-6) says 1, the second (7-8) says 16; levels 2-6 at
  // 9-10, 13-14, 17-18, 21-22, 25-26. Level 3 converts to 0 and stays unstored.
  const auto r = Reply(0x13, {{4, 0x24}, {5, 1}, {7, 16}, {9, 32}, {11, 99}, {13, 0},
                              {17, 232}, {21, 0x00}, {22, 0x01}, {25, 128}});
  const auto dpi = ParseDpiLevels(r.data(), r.size(), 0x11);
  ASSERT_TRUE(dpi);
  EXPECT_EQ(dpi->count, 4);
  EXPECT_EQ(dpi->index, 2);
  EXPECT_EQ(dpi->values[0], 800);
  EXPECT_EQ(dpi->values[1], 1600);
  EXPECT_FALSE(dpi->values[2]);
  EXPECT_EQ(dpi->values[3], 24000);
  EXPECT_EQ(dpi->values[4], 48000);  // code 256 on the 1000 scale
  EXPECT_EQ(dpi->values[5], 6400);
}

TEST(SettingsReplies, ImpossibleDpiCountOrLevelIsRejected) {
  for (int byte4 : {0x00, 0x07, 0x0F, 0x44, 0x63, 0xF6}) {
    const auto r = Reply(0x13, {{4, byte4}, {7, 16}});
    EXPECT_FALSE(ParseDpiLevels(r.data(), r.size(), 0x11)) << byte4;
  }
  const auto ok = Reply(0x13, {{4, 0x56}});
  EXPECT_TRUE(ParseDpiLevels(ok.data(), ok.size(), 0x11));
  EXPECT_FALSE(ParseDpiLevels(ok.data(), 26, 0x11));  // byte 26 missing
}

TEST(SettingsReplies, OtherQueries) {
  const auto rate = Reply(0x12, {{4, 2}});
  EXPECT_EQ(ParseReportRate(rate.data(), rate.size()), 2);
  EXPECT_FALSE(ParseReportRate(rate.data(), 4));

  const auto colors = Reply(0x14, {{4, 0x00}, {5, 0x80}, {6, 0xFF}, {19, 1}, {20, 2}, {21, 3}});
  const auto c = ParseDpiColors(colors.data(), colors.size());
  ASSERT_TRUE(c);
  EXPECT_EQ((*c)[0], 16744448);
  EXPECT_EQ((*c)[5], 1 + 2 * 256 + 3 * 65536);
  EXPECT_FALSE(ParseDpiColors(colors.data(), 21));

  struct LiftCase { int b5; int b6; int flag; };
  for (const auto& lc : {LiftCase{1, 1, 12}, LiftCase{1, 0, 8}, LiftCase{0, 1, 4},
                         LiftCase{2, 2, 0}}) {
    const auto lift = Reply(0x16, {{4, 2}, {5, lc.b5}, {6, lc.b6}});
    const auto l = ParseLiftOff(lift.data(), lift.size());
    ASSERT_TRUE(l);
    EXPECT_EQ(l->liftoffHeight, 2);
    EXPECT_EQ(l->sensorFlag, lc.flag);
  }

  const auto power = Reply(0x17, {{4, 60}, {5, 1}, {6, 1}, {7, 12}});
  const auto p = ParsePower(power.data(), power.size());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->sleepLight, 60);
  EXPECT_EQ(p->moveWakeup, 1);
  EXPECT_EQ(p->moveCloseLight, 1);
  EXPECT_EQ(p->buttonRespondTime, 12);

  const auto light = Reply(0x15, {{4, 3}, {5, 0x42}});
  const auto ls = ParseLightState(light.data(), light.size());
  ASSERT_TRUE(ls);
  EXPECT_EQ(ls->mode, 3);
  EXPECT_EQ(ls->brightness, 4);
  EXPECT_EQ(ls->speed, 2);

  const auto version = Reply(0x20, {{4, 0x01}, {5, 0x05}});
  EXPECT_EQ(ParseReceiverVersion(version.data(), version.size()), "105");
  const auto v2 = Reply(0x20, {{4, 0x1A}, {5, 0x0B}});
  EXPECT_EQ(ParseReceiverVersion(v2.data(), v2.size()), "1A0B");
  const auto v3 = Reply(0x20, {{4, 0x00}, {5, 0x09}});
  EXPECT_EQ(ParseReceiverVersion(v3.data(), v3.size()), "009");
}

}  // namespace
}  // namespace tavrick
