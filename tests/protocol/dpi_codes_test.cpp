#include <gtest/gtest.h>

#include "device/DpiCodes.h"

namespace tavrick {
namespace {

TEST(DpiCodes, ValueToCodeAndBack) {
  struct Case { int sensor; int dpi; int code; int readBack; };
  const Case cases[] = {
      {0x04, 4000, 40, 4500},   // the two directions of 0x04 meet at 4000/4500
      {0x04, 3900, 39, 3900},   {0x04, 8000, 47, 8000},
      {0x05, 6400, 128, 6400},  {0x05, 12000, 184, 12000},
      {0x10, 4800, 48, 4800},   {0x12, 150, 1, 100},       {0x35, 16000, 160, 16000},
      {0x11, 800, 16, 800},     {0x11, 10000, 200, 10000}, {0x11, 12000, 220, 12000},
      {0x11, 12350, 220, 12000},  // no code between 12000 and 13000: rounds down
      {0x11, 13000, 221, 13000},  {0x11, 24000, 232, 24000},
      {0x19, 16000, 160, 16000},  {0x19, 26000, 170, 26000},
      {0x25, 5000, 50, 5000},   {0x25, 7777, 55, 7500},    {0x25, 10000, 60, 10000},
      {0x26, 1600, 15, 1500},   // 0x26 reads back 100 lower below 5000
      {0x26, 10000, 60, 10500},
      {0x96, 1600, 31, 1550},   // 0x96 reads back 50 lower
      {0x95, 1600, 31, 1600},   {0x77, 26000, 519, 26000}, {0x77, 50, 0, 50},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DpiToCode(c.sensor, c.dpi), c.code) << "sensor " << c.sensor << " dpi " << c.dpi;
    EXPECT_EQ(CodeToDpi(c.sensor, static_cast<uint16_t>(c.code)), c.readBack)
        << "sensor " << c.sensor << " code " << c.code;
  }
}

TEST(DpiCodes, CodeNeverNegative) {
  // 0x26 and the default scale subtract 1: a value of 0 must not wrap to 0xFFFF.
  EXPECT_EQ(DpiToCode(0x26, 0), 0);
  EXPECT_EQ(DpiToCode(0x77, 0), 0);
  EXPECT_EQ(DpiToCode(0x77, -500), 0);
}

TEST(DpiCodes, RangePerSensorAndModel) {
  struct Case { int sensor; int type; int min; int max; };
  const Case cases[] = {
      {0x11, 0, 50, 24000},    {0x05, 0, 50, 12000},    {0x19, 121, 50, 26000},
      {0x19, 122, 50, 32000},  {0x19, 131, 50, 10000},  {0x19, 100, 50, 30000},
      {0x25, 0, 100, 10000},   {0x26, 0, 200, 10000},   {0x04, 0, 100, 8000},
      {0x95, 0, 100, 26000},   {0x96, 0, 100, 38000},   {0x10, 0, 100, 4800},
      {0x12, 0, 100, 4800},    {0x35, 0, 100, 16000},   {0x00, 0, 50, 26000},
      {0x11, 121, 50, 24000},  // the model matters only for 0x19
  };
  for (const auto& c : cases) {
    const DpiRange r = DpiRangeForSensor(c.sensor, c.type);
    EXPECT_EQ(r.minimum, c.min) << c.sensor << "/" << c.type;
    EXPECT_EQ(r.maximum, c.max) << c.sensor << "/" << c.type;
  }
  EXPECT_EQ(LimitDpi(100000, {50, 24000}), 24000);
  EXPECT_EQ(LimitDpi(10, {50, 24000}), 50);
  EXPECT_EQ(LimitDpi(800, {50, 24000}), 800);
}

}  // namespace
}  // namespace tavrick
