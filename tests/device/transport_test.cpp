// The HID transport against the emulated mouse: frames, checksum, the acknowledgement loop
// and its faults, device information, interface classification and the bootloader search.
#include <gtest/gtest.h>

#include <vector>

#include "device/EmulatorBackend.h"
#include "device/HidTransport.h"

namespace tavrick {
namespace {

using Bytes = std::vector<uint8_t>;

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emu_ = std::make_shared<emu::Emulator>();
    emu_->UseVirtualClock();
    backend_ = CreateEmulatorBackend(emu_);
    unit_ = emu_->Plug(emu::VelaWired());
    device_ = backend_->Open(emu_->SettingsPath(unit_));
    ASSERT_NE(device_, nullptr);
  }
  // Reads the emulator saw on the settings path that returned data.
  std::vector<emu::TrafficRecord> Traffic(emu::TrafficRecord::Direction d) {
    std::vector<emu::TrafficRecord> out;
    for (auto& r : emu_->Traffic()) if (r.direction == d) out.push_back(r);
    return out;
  }

  std::shared_ptr<emu::Emulator> emu_;
  std::unique_ptr<HidBackend> backend_;
  int unit_ = 0;
  std::unique_ptr<HidDevice> device_;
};

TEST(FrameChecksum, CoversBytesFiveToThirtyOneOnly) {
  struct Case {
    const char* what;
    void (*fill)(uint8_t*);
    uint8_t expected;
  };
  const Case cases[] = {
      {"bytes 5-31 = 1", [](uint8_t* f) { for (int i = 5; i <= 31; ++i) f[i] = 1; }, 0x1B},
      {"header and tail ignored", [](uint8_t* f) {
         for (int i = 5; i <= 31; ++i) f[i] = 1;
         for (int i = 0; i <= 4; ++i) f[i] = 0xAA;
         for (int i = 33; i < 65; ++i) f[i] = 0x55;
         f[32] = 0x77;
       }, 0x1B},
      {"sum above 255 keeps its low byte", [](uint8_t* f) { f[5] = 0xF0; f[6] = 0x20; f[31] = 0x01; }, 0x11},
      {"all zero", [](uint8_t*) {}, 0x00},
  };
  for (const auto& c : cases) {
    uint8_t frame[65] = {};
    c.fill(frame);
    EXPECT_EQ(FrameChecksum(frame), c.expected) << c.what;
  }
}

TEST_F(TransportTest, CommandGoesOutWithChecksumAndReplyIsTaken) {
  uint8_t frame[65] = {0x00, 0x02, 0x00, 0x01, 0x01, 0x40};
  size_t reply_length = 0;
  ASSERT_TRUE(ExchangeCommand(*device_, frame, sizeof frame, &reply_length));
  const auto writes = Traffic(emu::TrafficRecord::Direction::Write);
  ASSERT_EQ(writes.size(), 1u);
  Bytes expected(65, 0);
  expected[1] = 0x02;
  expected[3] = 0x01;
  expected[4] = 0x01;
  expected[5] = 0x40;
  expected[32] = 0x40;
  EXPECT_EQ(writes[0].bytes, expected);
  EXPECT_EQ(reply_length, 32u);
  EXPECT_EQ(frame[0], 0x02);
  EXPECT_EQ(frame[1], 0x00);
  EXPECT_EQ(frame[32], 0x40) << "bytes past the reply keep the command";
  EXPECT_EQ(emu_->Settings(unit_).report_rate, 0x40);
}

TEST_F(TransportTest, RejectsOtherFrameLengthsWithoutWriting) {
  uint8_t frame[65] = {0x00, 0x12};
  EXPECT_FALSE(ExchangeCommand(*device_, frame, 40));
  EXPECT_FALSE(ExchangeCommand(*device_, frame, 32));
  EXPECT_TRUE(Traffic(emu::TrafficRecord::Direction::Write).empty());
}

TEST_F(TransportTest, BusyRepliesThenAcceptance) {
  emu::Faults f;
  f.busy_replies = 1;
  emu_->SetFaults(unit_, f);
  uint8_t frame[33] = {0x00, 0x12};
  ASSERT_TRUE(ExchangeCommand(*device_, frame, sizeof frame));
  const auto reads = Traffic(emu::TrafficRecord::Direction::Read);
  ASSERT_EQ(reads.size(), 2u) << "the busy reply and the accepted one";
  EXPECT_EQ(reads[0].bytes[1], emu::kStatusBusy);
  EXPECT_EQ(frame[1], 0x00);
  EXPECT_EQ(frame[4], emu::FactorySettings().report_rate);
}

TEST_F(TransportTest, SilentDeviceFailsAfterFiftyReadsKeepingTheCommand) {
  emu::Faults f;
  f.silent = true;
  emu_->SetFaults(unit_, f);
  uint8_t frame[33] = {0x00, 0x03, 0x00, 0x01, 0x25, 0x24, 0x10};
  const int64_t start = emu_->NowMs();
  size_t reply_length = 99;
  EXPECT_FALSE(ExchangeCommand(*device_, frame, sizeof frame, &reply_length));
  EXPECT_EQ(emu_->NowMs() - start, 50 * 30);
  EXPECT_EQ(reply_length, 0u);
  Bytes expected(33, 0);
  const uint8_t head[] = {0x00, 0x03, 0x00, 0x01, 0x25, 0x24, 0x10};
  std::copy(std::begin(head), std::end(head), expected.begin());
  expected[32] = 0x34;
  EXPECT_EQ(Bytes(frame, frame + 33), expected);
}

TEST_F(TransportTest, ReplyLaterThanTheTimeOutsFails) {
  emu::Faults f;
  f.reply_delay_ms = 1600;
  emu_->SetFaults(unit_, f);
  uint8_t frame[33] = {0x00, 0x12};
  EXPECT_FALSE(ExchangeCommand(*device_, frame, sizeof frame));
  f.reply_delay_ms = 1400;
  emu_->SetFaults(unit_, f);
  emu_->Pause(1000);  // let the stale reply go by unread
  uint8_t again[33] = {0x00, 0x12};
  EXPECT_TRUE(ExchangeCommand(*device_, again, sizeof again)) << "a late reply inside 1.5 s still counts";
}

TEST_F(TransportTest, NotificationBeforeTheReplyIsHandedOnNotTakenForTheReply) {
  emu::Faults f;
  f.before_reply = {{0xC0, 0x00, 0x00, 0x00}, {0xC2, 0x24}};
  emu_->SetFaults(unit_, f);
  std::vector<Bytes> seen;
  uint8_t frame[33] = {0x00, 0x16};
  size_t n = 0;
  ASSERT_TRUE(ExchangeCommand(*device_, frame, sizeof frame, &n,
                              [&](const uint8_t* r, size_t len) { seen.emplace_back(r, r + 2); (void)len; }));
  EXPECT_EQ(frame[0], 0x16);
  EXPECT_EQ(frame[4], emu::FactorySettings().lod_sensor[0]);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], (Bytes{0xC0, 0x00}));
  EXPECT_EQ(seen[1], (Bytes{0xC2, 0x24}));
}

TEST_F(TransportTest, LateReplyToAnEarlierCommandIsNotTaken) {
  emu::Faults f;
  f.reply_delay_ms = 1550;  // the 0x12 reply arrives during the next exchange
  emu_->SetFaults(unit_, f);
  uint8_t first[33] = {0x00, 0x12};
  EXPECT_FALSE(ExchangeCommand(*device_, first, sizeof first));
  f.reply_delay_ms = 100;
  emu_->SetFaults(unit_, f);
  uint8_t second[33] = {0x00, 0x17};
  ASSERT_TRUE(ExchangeCommand(*device_, second, sizeof second));
  EXPECT_EQ(second[0], 0x17);
  const auto power = emu::FactorySettings().power;
  EXPECT_EQ(Bytes(second + 4, second + 8), Bytes(power.begin(), power.end()));
}

TEST_F(TransportTest, FaultyRepliesAndWrites) {
  struct Case {
    const char* what;
    emu::Faults faults;
    bool ok;
    size_t reply_length;
  };
  emu::Faults short_reply;
  short_reply.short_reply_length = 3;
  emu::Faults garbage;
  garbage.garbage = true;
  emu::Faults failed_write;
  failed_write.fail_writes = 1;
  emu::Faults unplug;
  unplug.unplug_on_write = true;
  const Case cases[] = {
      {"short reply is accepted but says how short", short_reply, true, 3},
      {"garbage is never taken for the reply", garbage, false, 0},
      {"failed write", failed_write, false, 0},
      {"unplugged during the exchange", unplug, false, 0},
  };
  for (const auto& c : cases) {
    emu_->SetFaults(unit_, c.faults);
    uint8_t frame[33] = {0x00, 0x12};
    size_t n = 77;
    EXPECT_EQ(ExchangeCommand(*device_, frame, sizeof frame, &n), c.ok) << c.what;
    EXPECT_EQ(n, c.reply_length) << c.what;
  }
  // The unplugged case must not have waited for 50 time-outs: its reads failed at once.
  EXPECT_FALSE(emu_->IsPlugged(unit_));
}

TEST_F(TransportTest, DeviceInformationQuery) {
  uint8_t info[65];
  std::fill(info, info + 65, 0xEE);
  ASSERT_TRUE(QueryDeviceInfoOn(*device_, info));
  const auto writes = Traffic(emu::TrafficRecord::Direction::Write);
  ASSERT_EQ(writes.size(), 1u);
  Bytes query(33, 0);
  query[1] = 0x10;
  EXPECT_EQ(writes[0].bytes, query);
  EXPECT_EQ(Bytes(info + 4, info + 8), (Bytes{'V', '1', 0x35, 0x40}));
  EXPECT_EQ(info[kInfoLink], 1) << "a wired mouse reports its link up";
  EXPECT_EQ(info[kInfoBattery], 100);
  EXPECT_EQ(info[40], 0) << "the rest of the buffer is zeroed";

  emu::Faults f;
  f.short_reply_length = 6;
  emu_->SetFaults(unit_, f);
  EXPECT_FALSE(QueryDeviceInfoOn(*device_, info)) << "a reply without the device id";
}

// Report descriptors as real devices hand them out.
const Bytes kBootMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01,
                          0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01,
                          0x75, 0x05, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F,
                          0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};
const Bytes kBootKeyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,
                             0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01,
                             0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01,
                             0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07,
                             0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};
const Bytes kVendorSettings = {0x06, 0x01, 0xFF, 0x09, 0x10, 0xA1, 0x01, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF,
                               0x00, 0x75, 0x08, 0x95, 0x20, 0x81, 0x02, 0x09, 0x02, 0x95, 0x40, 0x91, 0x02, 0xC0};

TEST(ReportDescriptor, FirstTopLevelCollection) {
  struct Case {
    const char* what;
    Bytes descriptor;
    bool found;
    uint16_t page, usage;
  };
  Bytes vendor_after_keyboard = kBootKeyboard;
  vendor_after_keyboard.insert(vendor_after_keyboard.end(), kVendorSettings.begin(), kVendorSettings.end());
  const Case cases[] = {
      {"mouse", kBootMouse, true, 0x0001, 0x0002},
      {"keyboard", kBootKeyboard, true, 0x0001, 0x0006},
      {"vendor settings", kVendorSettings, true, 0xFF01, 0x0010},
      {"only the first collection counts", vendor_after_keyboard, true, 0x0001, 0x0006},
      {"usage with its own page (4 bytes)", {0x0B, 0x10, 0x00, 0x01, 0xFF, 0xA1, 0x01, 0xC0}, true, 0xFF01, 0x0010},
      {"long item skipped", {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x06, 0xEF, 0xFF, 0x09, 0x00, 0xA1, 0x01, 0xC0}, true, 0xFFEF, 0},
      {"cut inside an item", {0x06, 0x01}, false, 0, 0},
      {"no application collection", {0x05, 0x01, 0x09, 0x02, 0xA1, 0x00, 0xC0}, false, 0, 0},
      {"empty", {}, false, 0, 0},
  };
  for (const auto& c : cases) {
    uint16_t page = 0xAAAA, usage = 0xAAAA;
    EXPECT_EQ(TopLevelUsage(c.descriptor.data(), c.descriptor.size(), &page, &usage), c.found) << c.what;
    if (c.found) {
      EXPECT_EQ(page, c.page) << c.what;
      EXPECT_EQ(usage, c.usage) << c.what;
    }
  }
}

TEST(InterfaceClass, ByUsagePageAndUsage) {
  EXPECT_EQ(ClassifyUsage(0xFF01, 0x0010), InterfaceClass::Settings);
  EXPECT_EQ(ClassifyUsage(0x0001, 0x0000), InterfaceClass::Settings);
  EXPECT_EQ(ClassifyUsage(0xFFEF, 0x0000), InterfaceClass::Bootloader);
  EXPECT_EQ(ClassifyUsage(0xFF01, 0x0001), InterfaceClass::Other);
  EXPECT_EQ(ClassifyUsage(0x0001, 0x0002), InterfaceClass::Other);
  EXPECT_EQ(ClassifyUsage(0xFFEF, 0x0001), InterfaceClass::Other);
}

TEST_F(TransportTest, SettingsInterfaceByDescriptor) {
  const int kestrel = emu_->Plug(emu::KestrelWired());  // settings on 0x0001/0x0000
  int settings = 0, others = 0;
  for (const auto& info : backend_->Enumerate()) {
    const bool is = IsSettingsInterface(*backend_, info.path);
    if (info.path == emu_->SettingsPath(unit_) || info.path == emu_->SettingsPath(kestrel)) {
      EXPECT_TRUE(is) << info.path;
      ++settings;
    } else {
      EXPECT_FALSE(is) << info.path;
      ++others;
    }
  }
  EXPECT_EQ(settings, 2);
  EXPECT_GT(others, 4);
  EXPECT_FALSE(IsSettingsInterface(*backend_, "emu:none"));
}

TEST_F(TransportTest, BootloaderSearchSkipsOneThatDoesNotOpen) {
  emu::UnitSpec spec = emu::KestrelWired();
  spec.bootloader_collections = 2;
  const int unit = emu_->Plug(spec);
  emu_->SetOpenFails(emu_->BootloaderPath(unit, 0), true);
  auto boot = OpenBootloader(*backend_, 0x1209, 0x0003);
  ASSERT_NE(boot, nullptr);
  EXPECT_EQ(boot->Path(), emu_->BootloaderPath(unit, 1));
  emu_->SetOpenFails(emu_->BootloaderPath(unit, 1), true);
  EXPECT_EQ(OpenBootloader(*backend_, 0x1209, 0x0003), nullptr);
  EXPECT_EQ(OpenBootloader(*backend_, 0x1209, 0x0009), nullptr);
}

}  // namespace
}  // namespace tavrick
