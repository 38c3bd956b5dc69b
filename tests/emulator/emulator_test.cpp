// The emulated mouse itself: it must answer what a real one answers, byte for byte, or the
// device tests built on it prove nothing.
#include <gtest/gtest.h>

#include <chrono>

#include "emulator/Emulator.h"

namespace tavrick::emu {
namespace {

using Bytes = std::vector<uint8_t>;

class EmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emu_.UseVirtualClock();
    unit_ = emu_.Plug(VelaWired());
    handle_ = emu_.Open(emu_.SettingsPath(unit_));
    ASSERT_GT(handle_, 0);
  }
  // Writes a frame (report id 0, checksum filled in) and returns the reply, or nothing.
  Bytes Exchange(Bytes frame, size_t length = 33) {
    frame.resize(length, 0);
    unsigned sum = 0;
    for (int i = 5; i <= 31; ++i) sum += frame[i];
    frame[32] = static_cast<uint8_t>(sum);
    EXPECT_EQ(emu_.Write(handle_, frame.data(), frame.size()), static_cast<int>(length));
    uint8_t reply[65] = {};
    const int n = emu_.Read(handle_, reply, 65, 30);
    return n > 0 ? Bytes(reply, reply + n) : Bytes{};
  }
  Bytes Query(uint8_t code) { return Exchange({0x00, code}); }

  Emulator emu_;
  int unit_ = 0;
  int handle_ = 0;
};

TEST_F(EmulatorTest, WritesAreMirroredByTheirQueries) {
  struct Case {
    const char* what;
    Bytes frame;
    size_t length;
    uint8_t query;
    Bytes expected;  // reply bytes from 4 on
  };
  Bytes dpi = {0x00, 0x03, 0x00, 0x01, 0x25, 0x23};
  for (uint16_t code : {0x10, 0x20, 0x40, 0x50, 0x60, 0x70}) {
    for (int copy = 0; copy < 2; ++copy) {
      dpi.push_back(static_cast<uint8_t>(code));
      dpi.push_back(0x00);
    }
  }
  Bytes dpi_reply(dpi.begin() + 5, dpi.end());
  Bytes colors = {0x00, 0x04, 0x00, 0x01, 0x12};
  for (int i = 0; i < 18; ++i) colors.push_back(static_cast<uint8_t>(i * 7));
  const Case cases[] = {
      {"report rate", {0x00, 0x02, 0x00, 0x01, 0x01, 0x08}, 65, 0x12, {0x08}},
      {"dpi levels", dpi, 33, 0x13, dpi_reply},
      {"dpi colours", colors, 65, 0x14, Bytes(colors.begin() + 5, colors.end())},
      {"lighting mode 3", {0x00, 0x05, 0x00, 0x01, 0x05, 0x03, 0x24, 0x10, 0x20, 0x30}, 65, 0x15,
       {0x03, 0x24, 0x10, 0x20, 0x30}},
      {"lift-off and sensor", {0x00, 0x06, 0x00, 0x01, 0x05, 0x03, 0x01, 0x00}, 65, 0x16, {0x03, 0x01, 0x00, 0x00, 0x00}},
      {"power", {0x00, 0x07, 0x00, 0x01, 0x04, 0x05, 0x00, 0x01, 0x08}, 65, 0x17, {0x05, 0x00, 0x01, 0x08}},
  };
  for (const auto& c : cases) {
    const Bytes ack = Exchange(c.frame, c.length);
    ASSERT_GE(ack.size(), 2u) << c.what;
    EXPECT_EQ(ack[0], c.frame[1]) << c.what;
    EXPECT_EQ(ack[1], 0x00) << c.what;
    const Bytes reply = Query(c.query);
    ASSERT_EQ(reply.size(), 32u) << c.what;
    EXPECT_EQ(reply[0], c.query) << c.what;
    EXPECT_EQ(reply[1], 0x00) << c.what;
    EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 4 + c.expected.size()), c.expected) << c.what;
  }
  EXPECT_EQ(emu_.Settings(unit_).dpi_levels, 0x23);

  // The factory reset restores every one of them.
  const Bytes reset = Exchange({0x00, 0x0F, 0x00, 0x01, 0x01, 0xFF});
  EXPECT_EQ(reset[1], 0x00);
  const MouseSettings s = emu_.Settings(unit_);
  const MouseSettings factory = FactorySettings();
  EXPECT_EQ(s.report_rate, factory.report_rate);
  EXPECT_EQ(s.dpi_codes, factory.dpi_codes);
  EXPECT_EQ(s.lighting, factory.lighting);
  EXPECT_EQ(s.power, factory.power);
  EXPECT_EQ(s.factory_resets, 1);
}

TEST_F(EmulatorTest, DeviceInformationAndChecksumCheck) {
  const Bytes info = Query(0x10);
  ASSERT_EQ(info.size(), 32u);
  EXPECT_EQ(Bytes(info.begin() + 4, info.begin() + 11), (Bytes{'V', '1', 0x35, 0x40, 0x00, 100, 0x01}));
  uint8_t frame[33] = {0x00, 0x02, 0x00, 0x01, 0x01, 0x08};  // checksum left 0: wrong
  ASSERT_EQ(emu_.Write(handle_, frame, 33), 33);
  uint8_t reply[33];
  ASSERT_GT(emu_.Read(handle_, reply, 33, 30), 1);
  EXPECT_EQ(reply[1], kStatusBadChecksum);
  EXPECT_EQ(emu_.Settings(unit_).report_rate, FactorySettings().report_rate);
}

TEST_F(EmulatorTest, MacroPartsAreReassembledPerSlot) {
  // 29 bytes: slot 3 and seven events, sent as parts 0x02 and 0x12.
  Bytes buffer = {0x03};
  for (int e = 0; e < 7; ++e) buffer.insert(buffer.end(), {0x30, 0x01, 0x00, static_cast<uint8_t>(4 + e)});
  Bytes part0 = {0x00, 0x08, 0x00, 0x02, 27};
  part0.insert(part0.end(), buffer.begin(), buffer.begin() + 27);
  Bytes part1 = {0x00, 0x08, 0x00, 0x12, 2};
  part1.insert(part1.end(), buffer.begin() + 27, buffer.end());
  EXPECT_EQ(Exchange(part0)[1], 0);
  EXPECT_EQ(Exchange(part1)[1], 0);
  MouseSettings s = emu_.Settings(unit_);
  EXPECT_EQ(s.macros[3], Bytes(buffer.begin() + 1, buffer.end()));
  EXPECT_FALSE(s.macro_incomplete[3]);

  // A transfer that loses its middle part is flagged.
  Bytes a = {0x00, 0x08, 0x00, 0x03, 27, 0x05};
  a.resize(32, 0x11);
  Bytes c = {0x00, 0x08, 0x00, 0x23, 3, 0x22, 0x22, 0x22};
  Exchange(a);
  Exchange(c);
  s = emu_.Settings(unit_);
  EXPECT_TRUE(s.macro_incomplete[5]);
}

TEST_F(EmulatorTest, LightingControlAndButtons) {
  Exchange({0x00, 0x05, 0x00, 0x01, 0x02, 0x01, 0x11});
  Exchange({0x00, 0x0E, 0x00, 0x01, 0x04, 0x42});
  EXPECT_EQ(Query(0x15)[4], 4) << "the lighting control restores mode 4";
  Bytes buttons = {0x00, 0x09, 0x00, 0x01, 0x0F};
  for (int i = 0; i < 27; ++i) buttons.push_back(static_cast<uint8_t>(0x60 + i));
  Exchange(buttons);
  const auto stored = emu_.Settings(unit_).buttons;
  EXPECT_EQ(Bytes(stored.begin(), stored.end()), Bytes(buttons.begin() + 5, buttons.end()));
}

TEST(EmulatorReceiver, MouseOffIgnoresTheMouseCommandsAndReportsTheLink) {
  Emulator emu;
  emu.UseVirtualClock();
  const int unit = emu.Plug(VelaReceiver());
  const int h = emu.Open(emu.SettingsPath(unit));
  emu.SetMouseOn(unit, false);
  uint8_t r[33];
  ASSERT_GT(emu.Read(h, r, 33, 10), 0);
  EXPECT_EQ(Bytes(r, r + 4), (Bytes{0xC0, 0x00, 0x00, 0x00}));
  uint8_t query[33] = {0x00, 0x10};
  emu.Write(h, query, 33);
  EXPECT_EQ(emu.Read(h, r, 33, 30), 0);
  uint8_t version[33] = {0x00, 0x20};
  emu.Write(h, version, 33);
  ASSERT_GT(emu.Read(h, r, 33, 30), 0);
  EXPECT_EQ(Bytes(r, r + 6), (Bytes{0x20, 0x00, 0x00, 0x00, 0x01, 0x23}));
  emu.SetMouseOn(unit, true);
  ASSERT_GT(emu.Read(h, r, 33, 10), 0);
  EXPECT_EQ(Bytes(r, r + 4), (Bytes{0xC0, 0x01, 80, 0x00}));
}

TEST(EmulatorClock, RealTimeOutsAreHonoured) {
  Emulator emu;
  const int unit = emu.Plug(VelaWired());
  const int h = emu.Open(emu.SettingsPath(unit));
  uint8_t r[33];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(emu.Read(h, r, 33, 10), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(10));
  emu.InjectInput(unit, {0xC2, 0x13}, 5);
  EXPECT_EQ(emu.Read(h, r, 33, 100), 2) << "a report due within the time-out is delivered";
  emu.Unplug(unit);
  EXPECT_LT(emu.Read(h, r, 33, 100), 0);
}

// Builds a bootloader data report by hand (independently of the program's flasher).
Bytes DataReport(uint32_t first_block, const Bytes& image, size_t offset, int blocks) {
  Bytes r(64, 0xFF);
  r[0] = 0x05;
  r[1] = 0x02;
  r[2] = static_cast<uint8_t>(20 * blocks);
  r[3] = 0x00;
  for (int b = 0; b < blocks; ++b) {
    uint8_t* block = &r[4 + 20 * b];
    const uint32_t n = first_block + b;
    block[0] = static_cast<uint8_t>(n);
    block[1] = static_cast<uint8_t>(n >> 8);
    for (int i = 0; i < 16; ++i) {
      const size_t at = offset + 16 * b + i;
      block[2 + i] = at < image.size() ? image[at] : 0xFF;
    }
    const uint16_t crc = Crc16Modbus(block, 18);
    block[18] = static_cast<uint8_t>(crc);
    block[19] = static_cast<uint8_t>(crc >> 8);
  }
  return r;
}

Bytes Control(uint8_t kind, uint8_t value) {
  Bytes r(64, 0xFF);
  r[0] = 0x05;
  r[1] = 0x02;
  r[2] = kind;
  r[3] = 0x00;
  r[4] = value;
  return r;
}

TEST(EmulatorBootloader, CrcVectors) {
  const char* text = "123456789";
  EXPECT_EQ(Crc16Modbus(reinterpret_cast<const uint8_t*>(text), 9), 0x4B37);
  uint8_t block[18];
  std::fill(block, block + 18, 0xFF);
  block[0] = block[1] = 0;
  EXPECT_EQ(Crc16Modbus(block, 18), 0x9431);
}

TEST(EmulatorBootloader, TakesAnImageAndRestartsWithANewRelease) {
  Emulator emu;
  emu.UseVirtualClock();
  const int unit = emu.Plug(KestrelWired());
  std::vector<bool> arrivals;
  emu.SetPlugHandler([&](const PlugEvent& e) { arrivals.push_back(e.arrival); });
  const int h = emu.Open(emu.BootloaderPath(unit));
  ASSERT_GT(h, 0) << "the bootloader is there before the enter report";
  Bytes image(100);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 3 + 1);
  std::vector<Bytes> reports = {Control(0x02, 0x01), DataReport(0, image, 0, 3), DataReport(3, image, 48, 3),
                                DataReport(6, image, 96, 1), Control(0x06, 0x02)};
  for (const auto& r : reports) ASSERT_EQ(emu.Write(h, r.data(), r.size()), 64);
  const BootloaderState b = emu.Bootloader(unit);
  EXPECT_TRUE(b.errors.empty()) << b.errors.front();
  Bytes expected = image;
  expected.resize(112, 0xFF);
  EXPECT_EQ(b.image, expected);
  EXPECT_TRUE(b.left);
  EXPECT_EQ(std::count(arrivals.begin(), arrivals.end(), false), 4) << "every node went away";
  EXPECT_EQ(std::count(arrivals.begin(), arrivals.end(), true), 4) << "and came back";
  const auto entries = emu.Enumerate();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0].release_number, 0x0101);
}

TEST(EmulatorBootloader, BrokenRulesAreReported) {
  struct Case {
    const char* what;
    std::vector<Bytes> reports;
    const char* error;
  };
  const Bytes image(48, 0x5A);
  Bytes bad_crc = DataReport(0, image, 0, 3);
  bad_crc[22] ^= 1;
  Bytes unfilled = DataReport(0, image, 0, 1);
  unfilled[30] = 0x00;
  const Case cases[] = {
      {"data before enter", {DataReport(0, image, 0, 3)}, "data outside enter and leave"},
      {"bad crc", {Control(0x02, 0x01), bad_crc}, "block 0: CRC mismatch"},
      {"skipped number", {Control(0x02, 0x01), DataReport(1, image, 0, 3)}, "block 1 out of sequence, expected 0"},
      {"absent block not filled", {Control(0x02, 0x01), unfilled}, "absent block 1 not filled with 0xFF"},
      {"data after the last packet",
       {Control(0x02, 0x01), DataReport(0, image, 0, 1), DataReport(1, image, 16, 1)}, "data after the last packet"},
      {"leave without enter", {Control(0x06, 0x02)}, "leave without enter"},
  };
  for (const auto& c : cases) {
    Emulator emu;
    emu.UseVirtualClock();
    const int unit = emu.Plug(VelaWired());
    const int h = emu.Open(emu.BootloaderPath(unit));
    for (const auto& r : c.reports) emu.Write(h, r.data(), r.size());
    const auto errors = emu.Bootloader(unit).errors;
    ASSERT_FALSE(errors.empty()) << c.what;
    EXPECT_EQ(errors.front(), c.error) << c.what;
  }
}

TEST(EmulatorBootloader, NumbersWrapAt65536) {
  Emulator emu;
  emu.UseVirtualClock();
  const int unit = emu.Plug(VelaWired());
  const int h = emu.Open(emu.BootloaderPath(unit));
  const Bytes image(48 * 21846, 0x33);  // 65,538 blocks
  const Bytes enter = Control(0x02, 0x01);
  emu.Write(h, enter.data(), 64);
  for (size_t p = 0; p < image.size() / 48; ++p) {
    const Bytes r = DataReport(static_cast<uint32_t>(3 * p), image, 48 * p, 3);
    ASSERT_EQ(emu.Write(h, r.data(), 64), 64);
  }
  const auto b = emu.Bootloader(unit);
  EXPECT_TRUE(b.errors.empty()) << b.errors.front();
  EXPECT_EQ(b.image.size(), image.size());
}

TEST(EmulatorBootloader, FailedWriteAnsweredOrSilent) {
  for (bool answer : {true, false}) {
    Emulator emu;
    emu.UseVirtualClock();
    const int unit = emu.Plug(VelaWired());
    const int h = emu.Open(emu.BootloaderPath(unit));
    emu.SetBootloaderFaults(unit, 1, answer);
    const Bytes enter = Control(0x02, 0x01);
    EXPECT_LT(emu.Write(h, enter.data(), 64), 1);
    uint8_t r[64];
    EXPECT_EQ(emu.Read(h, r, 64, 1000) > 0, answer);
    EXPECT_FALSE(emu.Bootloader(unit).entered);
  }
}

}  // namespace
}  // namespace tavrick::emu
