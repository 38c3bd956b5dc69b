#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "device/EmulatorBackend.h"
#include "device/FirmwareUpdate.h"
#include "device/HidBackend.h"
#include "emulator/Emulator.h"
#include "tests/support/update/RecordingHooks.h"
#include "tests/support/update/ScratchFolder.h"
#include "tests/support/update/UpdateServer.h"
#include "tests/support/update/ZipBuilder.h"

namespace tavrick {
namespace {

using test::RecordingHooks;
using Calls = std::vector<std::string>;

std::vector<uint8_t> Image(size_t n, unsigned seed = 1) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed * 2654435761u + 3;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 23);
  }
  return v;
}

// What the bootloader holds after a transfer: every block's 16 bytes, the fill included.
std::vector<uint8_t> Padded(std::vector<uint8_t> image) {
  image.resize((image.size() + 15) / 16 * 16, 0xFF);
  return image;
}

class FirmwareFlashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator_->UseVirtualClock();
    unit_ = emulator_->Plug(emu::VelaWired());
    spec_ = emu::VelaWired();
  }
  // Data reports and control reports written to the bootloader, in order.
  std::vector<std::vector<uint8_t>> BootloaderWrites() {
    std::vector<std::vector<uint8_t>> out;
    std::string path = emulator_->BootloaderPath(unit_);
    for (const auto& t : emulator_->Traffic())
      if (t.path == path && t.direction == emu::TrafficRecord::Direction::Write)
        out.push_back(t.bytes);
    return out;
  }
  std::shared_ptr<emu::Emulator> emulator_ = std::make_shared<emu::Emulator>();
  std::unique_ptr<HidBackend> backend_ = CreateEmulatorBackend(emulator_);
  emu::UnitSpec spec_;
  int unit_ = 0;
};

// The image the bootloader reassembles equals the one sent, for every packet shape and
// for an image whose block numbers wrap.
TEST_F(FirmwareFlashTest, TransferredImageArrivesByteForByte) {
  for (size_t size : {16u, 20u, 32u, 40u, 48u, 96u, 100u, 64u * 1024u, 1200u * 1024u}) {
    SCOPED_TRACE(size);
    emulator_->Unplug(unit_);
    unit_ = emulator_->Plug(spec_);
    BackendFirmwareTarget target(*backend_, spec_.vendor_id, spec_.product_id);
    HidDevice* bootloader = target.OpenBootloader();
    ASSERT_NE(bootloader, nullptr);
    auto pause = [&](int ms) { target.Pause(ms); };
    std::vector<uint8_t> image = Image(size, static_cast<unsigned>(size));
    std::vector<int> percents;
    ASSERT_TRUE(EnterBootloader(bootloader, pause));
    EXPECT_TRUE(TransferFirmware(bootloader, image.data(), image.size(), pause,
                                 [&](int text, int percent) {
                                   EXPECT_EQ(text, kTextFlashUpdating);
                                   percents.push_back(percent);
                                 }));
    EXPECT_TRUE(LeaveBootloader(bootloader, pause));
    emu::BootloaderState state = emulator_->Bootloader(unit_);
    EXPECT_TRUE(state.errors.empty()) << (state.errors.empty() ? "" : state.errors.front());
    EXPECT_TRUE(state.left);  // entered, then left
    EXPECT_FALSE(state.entered);
    EXPECT_EQ(state.image, Padded(image));
    EXPECT_EQ(percents.size(), size / 48);
    if (!percents.empty()) {
      EXPECT_EQ(percents.back(), 100);
    }
  }
}

TEST_F(FirmwareFlashTest, PacketsPausesAndProgressOfSmallImages) {
  struct Case {
    size_t size;
    std::vector<uint8_t> lengths;  // byte 2 of each data report
    std::vector<int> percents;
  } cases[] = {
      {96, {0x3C, 0x3C}, {55, 100}},
      {100, {0x3C, 0x3C, 0x14}, {55, 100}},
      {40, {0x3C}, {}},
      {20, {0x28}, {}},
      {480, {0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C, 0x3C},
       {19, 28, 37, 46, 55, 64, 73, 82, 91, 100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    emulator_->ClearTraffic();
    BackendFirmwareTarget target(*backend_, spec_.vendor_id, spec_.product_id);
    HidDevice* bootloader = target.OpenBootloader();
    ASSERT_NE(bootloader, nullptr);
    std::vector<int> pauses;
    auto pause = [&](int ms) {
      pauses.push_back(ms);
      target.Pause(ms);
    };
    std::vector<int> percents;
    std::vector<uint8_t> image = Image(c.size);
    EXPECT_TRUE(TransferFirmware(bootloader, image.data(), image.size(), pause,
                                 [&](int, int p) { percents.push_back(p); }));
    EXPECT_EQ(percents, c.percents);
    // 10 ms after each of the first two full packets, nothing else.
    EXPECT_EQ(pauses, std::vector<int>(std::min<size_t>(2, c.size / 48), 10));
    auto writes = BootloaderWrites();
    ASSERT_EQ(writes.size(), c.lengths.size());
    for (size_t i = 0; i < writes.size(); ++i) {
      ASSERT_EQ(writes[i].size(), 64u);
      EXPECT_EQ(writes[i][2], c.lengths[i]) << "packet " << i;
    }
  }
}

TEST_F(FirmwareFlashTest, FailedWritesAndTheFallBackRead) {
  std::vector<uint8_t> image = Image(480);
  auto run = [&](int fail_writes, bool answered) {
    emulator_->Unplug(unit_);
    unit_ = emulator_->Plug(spec_);
    BackendFirmwareTarget target(*backend_, spec_.vendor_id, spec_.product_id);
    HidDevice* bootloader = target.OpenBootloader();
    bool armed = false;
    // The fault starts after the first packet, at its 10 ms pause.
    auto pause = [&](int ms) {
      if (ms == 10 && !armed) {
        armed = true;
        emulator_->SetBootloaderFaults(unit_, fail_writes, answered);
      }
      target.Pause(ms);
    };
    EXPECT_TRUE(EnterBootloader(bootloader, pause));
    bool complete = TransferFirmware(bootloader, image.data(), image.size(), pause, {});
    return complete;
  };
  // A failed write whose fall-back read is answered counts as delivered, once.
  EXPECT_TRUE(run(1, true));
  EXPECT_EQ(emulator_->Bootloader(unit_).image, Padded(image));
  // Write and retry both fail and nothing answers: the transfer ends there.
  EXPECT_FALSE(run(2, false));
  EXPECT_EQ(emulator_->Bootloader(unit_).image.size(), 48u);
}

class FlashFirmwareTest : public FirmwareFlashTest {
 protected:
  void SetUp() override {
    FirmwareFlashTest::SetUp();
    ASSERT_TRUE(server_.Start(root_.path()));
    ASSERT_EQ(::mkdir((root_ / "fw").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((root_ / "fw/mouse").c_str(), 0755), 0);
  }
  void Publish(const std::string& version, const std::string& package) {
    ASSERT_TRUE(test::WriteWholeFile(root_ / ("fw/mouse/firmware-" + version + ".zip"), package));
  }
  static std::string Package(const std::string& version, const std::vector<uint8_t>& image) {
    test::ZipBuilder zip;
    zip.AddFile("firmware-" + version + ".bin", std::string(image.begin(), image.end()));
    zip.AddFile("notes.txt", "release notes");
    return zip.Build();
  }
  FlashRequest Request(const std::string& version) {
    FlashRequest r;
    r.http = &http_;
    r.firmware_address = server_.BaseUrl() + "fw";
    r.version = version;
    r.user_data_folder = data_.path();
    r.dialog = &hooks_;
    r.owner = &hooks_;
    return r;
  }
  std::string Temp(const std::string& name = "") { return data_.path() + "temp/" + name; }

  test::ScratchFolder root_{"tavrick-fw-root"};
  test::ScratchFolder data_{"tavrick-fw-data"};
  test::LocalUpdateServer server_;
  HttpTransfer http_;
  RecordingHooks hooks_;
};

TEST_F(FlashFirmwareTest, DownloadsUnpacksAndFlashes) {
  std::vector<uint8_t> image = Image(200);
  Publish("106", Package("106", image));
  // Left from an earlier update: emptied first.
  ASSERT_EQ(::mkdir(Temp().c_str(), 0755), 0);
  ASSERT_TRUE(test::WriteWholeFile(Temp("old.bin"), "old"));
  BackendFirmwareTarget target(*backend_, spec_.vendor_id, spec_.product_id);
  EXPECT_EQ(FlashFirmware(Request("106"), target), FlashOutcome::Done);
  EXPECT_EQ(emulator_->Bootloader(unit_).image, Padded(image));
  EXPECT_EQ(hooks_.calls, (Calls{"flash T590 5", "flash T591 7", "flash T591 10",
                                 "flash T592 32", "flash T592 55", "flash T592 77",
                                 "flash T592 100", "flash T593 100"}));
  EXPECT_EQ(hooks_.flash_lines.front(), "T590: 5%");
  EXPECT_EQ(hooks_.percents, (std::vector<int>{2, 8, 10, 100}));
  EXPECT_EQ(server_.Requests().back().path, "/fw//mouse//firmware-106.zip");
  // The package went after the extraction, the image after the flash; the rest stays.
  EXPECT_FALSE(test::PathExists(Temp("old.bin")));
  EXPECT_FALSE(test::PathExists(Temp("firmware-106.zip")));
  EXPECT_FALSE(test::PathExists(Temp("firmware-106.bin")));
  EXPECT_TRUE(test::PathExists(Temp("notes.txt")));
}

// Every way it can stop; none claims completion (text 593) and none sends data it should not.
TEST_F(FlashFirmwareTest, FailuresStopWithoutClaimingSuccess) {
  test::ZipBuilder no_image;
  no_image.AddFile("readme.txt", "x");
  test::ZipBuilder empty_image;
  empty_image.AddFile("firmware-203.bin", "");
  test::ZipBuilder bad_image;
  test::ZipEntrySpec bad;
  bad.name = "firmware-204.bin";
  bad.data = std::string(500, 'x');
  bad.wrong_crc = true;
  bad_image.Add(bad);
  Publish("202", no_image.Build());
  Publish("203", empty_image.Build());
  Publish("204", bad_image.Build());
  Publish("205", Package("205", Image(480)));
  Publish("206", Package("206", Image(480)));
  test::ZipBuilder too_big;
  too_big.AddFile("firmware-207.bin", std::string((16u << 20) + 1, '\0'));
  Publish("207", too_big.Build());

  struct Case {
    const char* version;
    FlashOutcome outcome;
    Calls calls;
    bool entered;
  } cases[] = {
      {"201", FlashOutcome::NoPackage, {"flash T590 5"}, false},  // 404
      {"../x", FlashOutcome::BadVersion, {"flash T590 5"}, false},
      {"202", FlashOutcome::NoImage, {"flash T590 5", "flash T591 7"}, false},
      {"203", FlashOutcome::ImageRefused, {"flash T590 5", "flash T591 7"}, false},
      {"204", FlashOutcome::NoImage, {"flash T590 5", "flash T591 7"}, false},
      {"205", FlashOutcome::NoMouse, {"flash T590 5", "flash T591 7", "flash T591 10"}, false},
      {"207", FlashOutcome::ImageRefused, {"flash T590 5", "flash T591 7"}, false},
      {"206", FlashOutcome::EnterRefused,
       {"flash T590 5", "flash T591 7", "flash T591 10"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    emulator_->Unplug(unit_);
    unit_ = emulator_->Plug(spec_);
    hooks_.calls.clear();
    bool no_mouse = c.outcome == FlashOutcome::NoMouse;
    BackendFirmwareTarget target(*backend_, no_mouse ? 0 : spec_.vendor_id,
                                 no_mouse ? 0 : spec_.product_id);
    if (c.outcome == FlashOutcome::EnterRefused)
      emulator_->SetBootloaderFaults(unit_, 2, false);
    EXPECT_EQ(FlashFirmware(Request(c.version), target), c.outcome);
    EXPECT_EQ(hooks_.calls, c.calls);
    EXPECT_EQ(emulator_->Bootloader(unit_).data_reports, 0);
    EXPECT_FALSE(emulator_->Bootloader(unit_).left);
    // A failed extraction keeps the package; no image stays behind.
    std::string v = c.version;
    EXPECT_EQ(test::PathExists(Temp("firmware-" + v + ".zip")), v == "204");
    EXPECT_FALSE(test::PathExists(Temp("firmware-" + v + ".bin")));
  }
}

TEST_F(FlashFirmwareTest, TransferEndingEarlyStillLeavesTheBootloader) {
  Publish("300", Package("300", Image(4800)));
  struct ArmingTarget : BackendFirmwareTarget {
    using BackendFirmwareTarget::BackendFirmwareTarget;
    std::function<void()> on_first_long_pause;
    void Pause(int ms) override {
      if (ms == 10 && on_first_long_pause) {
        on_first_long_pause();
        on_first_long_pause = nullptr;
      }
      BackendFirmwareTarget::Pause(ms);
    }
  } target(*backend_, spec_.vendor_id, spec_.product_id);
  target.on_first_long_pause = [&] { emulator_->SetBootloaderFaults(unit_, 2, false); };
  EXPECT_EQ(FlashFirmware(Request("300"), target), FlashOutcome::TransferIncomplete);
  EXPECT_TRUE(emulator_->Bootloader(unit_).left);
  EXPECT_EQ(emulator_->Bootloader(unit_).data_reports, 1);
  // The last progress stays: 10 + 90 × 1 ÷ 100 after the one packet that went out.
  EXPECT_EQ(hooks_.calls.back(), "flash T592 10");
  EXPECT_FALSE(test::PathExists(Temp("firmware-300.bin")));
}

TEST(FirmwareTempFolderTest, RemovedWithoutFollowingLinks) {
  test::ScratchFolder data("tavrick-fw-tmp");
  test::ScratchFolder outside("tavrick-fw-outside");
  ASSERT_TRUE(test::WriteWholeFile(outside / "keep.txt", "keep"));
  std::string temp = data.path() + "temp/";
  ASSERT_EQ(::mkdir(temp.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((temp + "sub").c_str(), 0755), 0);
  ASSERT_TRUE(test::WriteWholeFile(temp + "sub/f", "f"));
  ASSERT_EQ(::symlink(outside.path().c_str(), (temp + "link").c_str()), 0);
  EXPECT_TRUE(RemoveUpdateTempFolder(data.path()));
  EXPECT_FALSE(test::PathExists(temp));
  EXPECT_TRUE(test::PathExists(outside / "keep.txt"));

  // The temporary folder itself a link: only the link goes.
  ASSERT_EQ(::symlink(outside.path().c_str(), (data.path() + "temp").c_str()), 0);
  EXPECT_TRUE(RemoveUpdateTempFolder(data.path()));
  EXPECT_TRUE(test::PathExists(outside / "keep.txt"));
  EXPECT_FALSE(test::PathExists(data.path() + "temp"));

  EXPECT_FALSE(RemoveUpdateTempFolder("/"));
  EXPECT_FALSE(RemoveUpdateTempFolder(""));
}

}  // namespace
}  // namespace tavrick
