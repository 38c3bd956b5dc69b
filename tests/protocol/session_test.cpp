// The session's reports against the emulated mouse, byte for byte, with a real settings
// database: stored values → frames on the wire, replies → stored values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/MouseSession.h"
#include "store/Records.h"
#include "tests/support/device/SessionRig.h"

namespace tavrick {
namespace {

using Bytes = std::vector<uint8_t>;
using test::SessionRig;

// A written report: `length` bytes, the given ones set, the checksum over bytes 5-31.
Bytes Report(size_t length, std::initializer_list<std::pair<size_t, int>> set) {
  Bytes v(length, 0);
  for (auto [at, value] : set) v[at] = static_cast<uint8_t>(value);
  unsigned sum = 0;
  for (size_t i = 5; i <= 31; ++i) sum += v[i];
  v[32] = static_cast<uint8_t>(sum);
  return v;
}

// Faults with one field set.
template <typename Set>
emu::Faults With(Set set) {
  emu::Faults f;
  set(f);
  return f;
}

Bytes Codes(const std::vector<Bytes>& written) {
  Bytes codes;
  for (const auto& w : written) codes.push_back(w[1]);
  return codes;
}

class SessionTest : public ::testing::Test {
 protected:
  // A wired Vela (sensor 0x35: 100-16000 DPI, code = DPI / 100) whose settings were read.
  void SetUp() override {
    unit_ = rig_.Plug(emu::VelaWired());
    ASSERT_TRUE(rig_.session->ReadMouseSettings(ReadMode::Full));
    rig_.ForgetWritten(unit_);
    rig_.hooks.Clear();
  }
  std::vector<Bytes> Written() { return rig_.Written(unit_); }
  void Fail(emu::Faults faults) { rig_.emu->SetFaults(unit_, faults); }

  SessionRig rig_;
  int unit_ = 0;
};

TEST_F(SessionTest, SettingsWritesByteExact) {
  rig_.Set("report_rate", "2");
  rig_.Set("dpi_count", "4");
  rig_.Set("dpi_index", "2");
  const char* values[6] = {"800", "100000", "10", "1650", "3200", "16000"};
  for (int n = 0; n < 6; ++n)
    rig_.Set(("dpi_group" + std::to_string(n) + "_value").c_str(), values[n]);
  const char* colors[6] = {"16744448", "255", "65280", "16711680", "0", "16777215"};
  for (int n = 0; n < 6; ++n)
    rig_.Set(("dpi_group" + std::to_string(n) + "_rgb").c_str(), colors[n]);
  rig_.Set("liftoff_height", "2");
  rig_.Set("sensor_flag", "12");
  rig_.Set("sleep_light", "36");
  rig_.Set("move_wakeup", "1");
  rig_.Set("move_closelight", "0");
  rig_.Set("button_respondtime", "8");

  EXPECT_TRUE(rig_.session->SendReportRate());
  EXPECT_TRUE(rig_.session->SendDpiLevels());
  EXPECT_TRUE(rig_.session->SendDpiColors());
  EXPECT_TRUE(rig_.session->SendLiftOffAndSensor());
  EXPECT_TRUE(rig_.session->SendPowerSettings());
  const auto w = Written();
  ASSERT_EQ(w.size(), 5u);
  EXPECT_EQ(w[0], Report(65, {{1, 0x02}, {3, 1}, {4, 1}, {5, 2}}));
  // 800 → 8; 100000 → 16000 → 160; 10 → 100 → 1; 1650 → 16; 3200 → 32; 16000 → 160.
  EXPECT_EQ(w[1], Report(33, {{1, 0x03}, {3, 1}, {4, 0x25}, {5, 0x24}, {6, 8}, {8, 8},
                              {10, 160}, {12, 160}, {14, 1}, {16, 1}, {18, 16}, {20, 16},
                              {22, 32}, {24, 32}, {26, 160}, {28, 160}}));
  EXPECT_EQ(w[2], Report(65, {{1, 0x04}, {3, 1}, {4, 18}, {5, 0x00}, {6, 0x80}, {7, 0xFF},
                              {8, 0xFF}, {12, 0xFF}, {16, 0xFF}, {20, 0xFF}, {21, 0xFF},
                              {22, 0xFF}}));
  EXPECT_EQ(w[3], Report(65, {{1, 0x06}, {3, 1}, {4, 5}, {5, 2}, {6, 1}, {7, 1}}));
  EXPECT_EQ(w[4], Report(65, {{1, 0x07}, {3, 1}, {4, 4}, {5, 36}, {6, 1}, {8, 8}}));
  EXPECT_TRUE(rig_.hooks.Calls().empty());
}

TEST_F(SessionTest, FailedWriteReportsAndKeepsTheStoredValue) {
  rig_.Set("report_rate", "4");
  Fail(With([](emu::Faults& f) { f.silent = true; }));
  EXPECT_FALSE(rig_.session->SendReportRate());
  EXPECT_EQ(rig_.hooks.Calls(), std::vector<std::string>{"failure 0"});
  EXPECT_EQ(rig_.Get("report_rate"), "4");
  // A refused write (status not 0) fails the same way.
  Fail(With([](emu::Faults& f) { f.busy_replies = 60; }));
  EXPECT_FALSE(rig_.session->SendPowerSettings());
  EXPECT_EQ(rig_.hooks.Count("failure 0"), 2);
}

TEST(SessionReadBack, StoresWhatTheMouseHolds) {
  emu::MouseSettings s = emu::FactorySettings();
  s.report_rate = 2;
  s.dpi_levels = 0x35;                         // level 3 of 5
  s.dpi_codes = {4, 16, 0, 32, 64, 160};       // level 3 converts to 0: not stored
  s.dpi_colors = {0x00, 0x80, 0xFF, 1, 2, 3};  // levels 1 and 2, the rest black
  s.lighting = {3, 0x21};
  s.lod_sensor = {2, 1, 0, 0, 0};
  s.power = {60, 0, 1, 12};
  SessionRig fresh;
  const int unit = fresh.Plug(emu::VelaWired());
  fresh.ForgetWritten(unit);
  fresh.emu->SetSettings(unit, s);
  fresh.Set("dpi_group2_value", "2400");
  ASSERT_TRUE(fresh.session->ReadMouseSettings(ReadMode::Full));
  EXPECT_EQ(Codes(fresh.Written(unit)), (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
  const std::pair<const char*, const char*> stored[] = {
      {"report_rate", "2"},        {"report_rate_wireless", "2"}, {"dpi_flag", "5"},
      {"dpi_count", "5"},          {"dpi_index", "3"},            {"dpi_group0_value", "400"},
      {"dpi_group1_value", "1600"}, {"dpi_group2_value", "2400"}, {"dpi_group3_value", "3200"},
      {"dpi_group4_value", "6400"}, {"dpi_group5_value", "16000"},
      {"dpi_group0_rgb", "16744448"}, {"dpi_group1_rgb", "197121"}, {"dpi_group2_rgb", "0"},
      {"liftoff_height", "2"},     {"sensor_flag", "8"},          {"sleep_light", "60"},
      {"move_wakeup", "0"},        {"move_closelight", "1"},      {"button_respondtime", "12"},
  };
  for (auto [key, value] : stored) EXPECT_EQ(fresh.Get(key), value) << key;
  EXPECT_EQ(fresh.session->CurrentLightMode(), 3);
  EXPECT_EQ(fresh.db.GetActiveLightMode(fresh.session->CurrentProfile()), 3);
  LightModeRecord light;
  ASSERT_TRUE(fresh.db.GetLightMode(fresh.session->CurrentProfile(), 3, light));
  EXPECT_EQ(light.brightness, 2);
  EXPECT_EQ(light.speed, 1);
  const MouseState state = fresh.session->State();
  EXPECT_EQ(state.sensorCode, 0x35);
  EXPECT_EQ(state.dpiRange.maximum, 16000);
  EXPECT_EQ(state.reportRateMarker, 7);
  EXPECT_EQ(state.identifier, '1' * 256 + 'V');
  EXPECT_EQ(state.link, 1);
  // The last known battery first, then the one the mouse reported.
  EXPECT_EQ(fresh.hooks.Calls(), (std::vector<std::string>{"battery 0 0", "battery 100 0"}));

  // The same model again in this run: the device information only.
  fresh.ForgetWritten(unit);
  ASSERT_TRUE(fresh.session->ReadMouseSettings(ReadMode::Full));
  EXPECT_EQ(Codes(fresh.Written(unit)), Bytes{0x10});
}

TEST(SessionReadBack, ImpossibleDpiChangesNothing) {
  SessionRig fresh;
  const int unit = fresh.Plug(emu::VelaWired());
  emu::MouseSettings s = emu::FactorySettings();
  s.dpi_levels = 0x47;  // seven levels, level 4
  s.dpi_codes = {1, 1, 1, 1, 1, 1};
  fresh.emu->SetSettings(unit, s);
  const std::string before[3] = {fresh.Get("dpi_count"), fresh.Get("dpi_index"),
                                 fresh.Get("dpi_group0_value")};
  ASSERT_TRUE(fresh.session->ReadMouseSettings(ReadMode::Full));
  EXPECT_EQ(fresh.Get("dpi_count"), before[0]);
  EXPECT_EQ(fresh.Get("dpi_index"), before[1]);
  EXPECT_EQ(fresh.Get("dpi_group0_value"), before[2]);
}

TEST(SessionReadBack, DeviceInformationAttempts) {
  struct Case {
    const char* name;
    ReadMode mode;
    int dropped;      // unanswered device-information queries
    int queries;      // 0x10 written
    bool paused;      // the 1000 ms pause was taken
    bool result;
  };
  const Case cases[] = {
      {"first answered", ReadMode::Full, 0, 1, false, true},
      {"second answered", ReadMode::Full, 1, 2, true, true},
      {"third answered", ReadMode::Full, 2, 3, true, true},
      {"none answered", ReadMode::Full, 3, 3, true, false},
      {"quick mode asks once", ReadMode::Quick, 1, 1, false, false},
  };
  for (const auto& c : cases) {
    SessionRig rig;
    const int unit = rig.Plug(emu::VelaWired());
    rig.ForgetWritten(unit);
    rig.emu->SetFaults(unit, With([&](emu::Faults& f) { f.drop_replies = c.dropped; }));
    const int64_t start = rig.emu->NowMs();
    EXPECT_EQ(rig.session->ReadMouseSettings(c.mode), c.result) << c.name;
    const Bytes codes = Codes(rig.Written(unit));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x10), c.queries) << c.name;
    // Each unanswered query waits 50 × 30 ms on the emulator's clock.
    EXPECT_EQ(rig.emu->NowMs() - start >= 1000 + 1500 * c.dropped, c.paused) << c.name;
    if (!c.result) {
      EXPECT_EQ(codes.size(), static_cast<size_t>(c.queries)) << c.name << ": nothing else asked";
      EXPECT_EQ(rig.hooks.Count("failure 0"), 1) << c.name;
    }
  }
}

TEST(SessionReadBack, LinkDownAndReceiver) {
  SessionRig rig;
  const int receiver = rig.Plug(emu::VelaReceiver());
  // The mouse behind the receiver reports its link down: nothing else is asked.
  rig.emu->SendLinkState(receiver, 0, 0, 0);
  rig.ForgetWritten(receiver);
  EXPECT_FALSE(rig.session->ReadMouseSettings(ReadMode::Full));
  EXPECT_EQ(Codes(rig.Written(receiver)), Bytes{0x10});
  EXPECT_EQ(rig.hooks.Calls().back(), "failure 1");
  // Link up: everything, then the receiver's firmware version (wireless, full mode).
  rig.emu->SendLinkState(receiver, 1, 0, 0);
  rig.ForgetWritten(receiver);
  rig.hooks.Clear();
  ASSERT_TRUE(rig.session->ReadMouseSettings(ReadMode::Full));
  EXPECT_EQ(Codes(rig.Written(receiver)),
            (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x20}));
  EXPECT_EQ(rig.hooks.Calls().back(), "version 123");
  // Quick mode never asks for the version.
  SessionRig quick;
  const int r2 = quick.Plug(emu::VelaReceiver());
  quick.ForgetWritten(r2);
  ASSERT_TRUE(quick.session->ReadMouseSettings(ReadMode::Quick));
  EXPECT_EQ(Codes(quick.Written(r2)), (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}));
}

TEST(SessionReadBack, ShortRepliesStoreNothing) {
  SessionRig rig;
  const int unit = rig.Plug(emu::VelaWired());
  rig.emu->SetFaults(unit, With([](emu::Faults& f) { f.short_reply_length = 8; }));
  const std::string before = rig.Get("report_rate");
  EXPECT_FALSE(rig.session->ReadMouseSettings(ReadMode::Full));
  EXPECT_EQ(rig.Get("report_rate"), before);
}

}  // namespace
}  // namespace tavrick
