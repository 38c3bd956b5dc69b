#include <gtest/gtest.h>

#include "device/DpiCodes.h"
#include "device/SettingChecks.h"

namespace tavrick {
namespace {

TEST(TypedDpi, RoundedAndLimitedPerSensor) {
  struct Case { int sensor; int type; int typed; int stored; };
  const Case cases[] = {
      {0x11, 0, 12375, 12350}, {0x11, 0, 99999, 24000}, {0x11, 0, 0, 50},
      {0x25, 0, 7777, 7500},   {0x25, 0, 50, 100},      {0x25, 0, 4999, 4900},
      {0x77, 0, 0, 50},        {0x77, 0, 30000, 26000},
      {0x19, 121, 40000, 26000}, {0x19, 122, 40000, 32000}, {0x19, 131, 40000, 10000},
      {0x19, 7, 40000, 30000},   {0x19, 7, 150, 100},
      {0x26, 0, 150, 200},     {0x04, 0, 6789, 6500},   {0x04, 0, 3999, 3900},
      {0x95, 0, 75, 100},      {0x96, 0, 40000, 32000}, {0x10, 0, 5000, 4800},
      {0x35, 0, 16050, 16000},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RoundTypedDpi(c.sensor, c.type, c.typed), c.stored) << c.sensor << " " << c.typed;
}

TEST(SettingChecks, PageRules) {
  SettingContext ctx;
  ctx.sensorCode = 0x11;
  ctx.dpiCount = 4;
  struct Case { const char* key; const char* value; bool ok; const char* stored; };
  const Case cases[] = {
      {"dpi_count", "4", true, "4"},          {"dpi_count", "7", false, ""},
      {"dpi_count", "0", false, ""},          {"dpi_index", "3", true, "3"},
      {"dpi_index", "4", false, ""},          {"dpi_group2_value", "12375", true, "12350"},
      {"dpi_group6_value", "10", true, "50"}, {"dpi_group7_value", "800", false, ""},
      {"dpi_group0_rgb", "16744448", true, "16744448"}, {"dpi_group0_rgb", "16777216", false, ""},
      {"report_rate", "8", true, "8"},        {"report_rate", "16", false, ""},
      {"report_rate", "3", false, ""},        {"liftoff_height", "2", true, "2"},
      {"liftoff_height", "3", false, ""},     {"sensor_flag", "12", true, "12"},
      {"sensor_flag", "28", true, "28"},      {"sensor_flag", "1", false, ""},
      {"button_respondtime", "2", true, "4"}, {"button_respondtime", "25", true, "20"},
      {"sleep_light", "36", true, "36"},      {"sleep_light", "37", false, ""},
      {"move_wakeup", "1", true, "1"},        {"move_closelight", "2", false, ""},
      {"dpi_count", "4x", false, ""},         {"dpi_count", "", false, ""},
      {"light_mode", "1", false, ""},         {"report_rate", "99999999999", false, ""},
  };
  for (const auto& c : cases) {
    const CheckedSetting r = CheckSetting(c.key, c.value, ctx);
    EXPECT_EQ(r.ok, c.ok) << c.key << "=" << c.value;
    if (c.ok) EXPECT_EQ(r.value, c.stored) << c.key << "=" << c.value;
    else EXPECT_FALSE(r.error.empty()) << c.key << "=" << c.value;
  }
  ctx.reportRateMarker = 7;
  EXPECT_TRUE(CheckSetting("report_rate", "64", ctx).ok);
  ctx.deviceType = 125;
  EXPECT_FALSE(CheckSetting("dpi_count", "5", ctx).ok);
}

}  // namespace
}  // namespace tavrick
