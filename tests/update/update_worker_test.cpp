#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "device/DeviceManager.h"
#include "device/DeviceWorker.h"
#include "device/EmulatorBackend.h"
#include "device/FirmwareUpdate.h"
#include "emulator/Emulator.h"
#include "tests/support/update/ScratchFolder.h"
#include "tests/support/update/UpdateServer.h"
#include "tests/support/update/ZipBuilder.h"
#include "update/UpdateCommands.h"

namespace tavrick {
namespace {

constexpr int kVela = 1;

// Hooks called from the worker thread and read by the test thread.
class SharedHooks : public UpdateHooks {
 public:
  void SetLabelText(int id, const std::string& text) override {
    Add("label " + std::to_string(id) + " " + text);
  }
  void EnableButton(int id, bool on) override {
    Add("button " + std::to_string(id) + (on ? " on" : " off"));
  }
  void PostUpdateOffer(int kind) override { Add("offer " + std::to_string(kind)); }
  std::string LanguageText(int number) override { return "T" + std::to_string(number); }
  void ShowFlashProgress(const std::string& text, const std::string&, int percent) override {
    Add("flash " + text + " " + std::to_string(percent));
    if (text == "T592" && on_transfer) on_transfer();
  }
  void CloseFlashDialog() override { Add("close flash dialog"); }
  void ShowPackageKept(const std::string& path) override { Add("kept " + path); }
  void EndProgram() override { Add("end"); }
  void PostDownloadPercent(int) override {}

  bool WaitFor(const std::string& call) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(60), [&] {
      for (const auto& c : calls_)
        if (c == call) return true;
      return false;
    });
  }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::function<void()> on_transfer;  // set before the worker starts

 private:
  void Add(std::string call) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls_.push_back(std::move(call));
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> calls_;
};

std::string Hex(int bcd) {
  char text[8];
  std::snprintf(text, sizeof text, "%X", bcd);
  return text;
}

class UpdateWorkerThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator_->UseVirtualClock();
    unit_ = emulator_->Plug(emu::VelaWired());
    emulator_->SetBootloaderFaults(unit_, 0, false, 0x0106);  // the release after the flash
    manager_.AddSupportedDevice(0x1209, 0x0001, "", kVela, kModeWired, "V15@");
    manager_.Rebuild();
    manager_.SetCurrentType(kVela);
    ASSERT_NE(manager_.GetDeviceHandle(), nullptr);

    ASSERT_EQ(::mkdir((root_ / "fw").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((root_ / "fw/mouse").c_str(), 0755), 0);
    ASSERT_TRUE(test::WriteWholeFile(root_ / "fw/mouse/version", "106\r\n"));
    ASSERT_TRUE(server_.Start(root_.path()));
  }
  void Publish(size_t size) {
    image_.resize(size);
    for (size_t i = 0; i < size; ++i) image_[i] = static_cast<uint8_t>(i * 13 + i / 251);
    test::ZipBuilder zip;
    zip.AddFile("firmware-106.bin", std::string(image_.begin(), image_.end()));
    ASSERT_TRUE(test::WriteWholeFile(root_ / "fw/mouse/firmware-106.zip", zip.Build()));
  }
  void Configure() {
    commands_.SetUserDataFolder(data_.path());
    commands_.SetMouseFirmware(server_.BaseUrl() + "fw", Hex(manager_.Records()[0].firmware_version));
    commands_.SetFirmwareTarget(&target_);
    commands_.Register(worker_);
  }
  std::vector<uint8_t> Padded() {
    std::vector<uint8_t> p = image_;
    p.resize((p.size() + 15) / 16 * 16, 0xFF);
    return p;
  }

  std::shared_ptr<emu::Emulator> emulator_ = std::make_shared<emu::Emulator>();
  DeviceManager manager_{CreateEmulatorBackend(emulator_)};
  DeviceManagerFirmwareTarget target_{manager_};
  int unit_ = 0;
  test::ScratchFolder root_{"tavrick-e2e-root"};
  test::ScratchFolder data_{"tavrick-e2e-data"};
  test::LocalUpdateServer server_;
  SharedHooks hooks_;
  UpdateCommands commands_{hooks_};
  DeviceWorker worker_;
  std::vector<uint8_t> image_;
};

// The firmware check offers 106 to a mouse at 100; the flash puts the image into the
// bootloader, and the mouse comes back with the new version, which the next check accepts.
TEST_F(UpdateWorkerThreadsTest, CheckThenFlashOverTheServerAndTheEmulator) {
  Publish(20000);
  Configure();
  ASSERT_EQ(Hex(manager_.Records()[0].firmware_version), "100");
  ASSERT_TRUE(worker_.Start());
  worker_.QueueCommand(command::kCheckFirmware);
  worker_.QueueCommand(command::kFlashFirmware);
  ASSERT_TRUE(hooks_.WaitFor("close flash dialog"));
  worker_.Stop();

  std::vector<std::string> calls = hooks_.Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0], "label 246 T582: V1.06");
  EXPECT_EQ(calls[1], "button 248 on");
  EXPECT_EQ(calls[2], "offer 2");
  EXPECT_EQ(calls[3], "flash T590 5");
  EXPECT_EQ(calls[calls.size() - 2], "flash T593 100");
  EXPECT_EQ(commands_.State().firmware_state, 1);

  emu::BootloaderState boot = emulator_->Bootloader(unit_);
  EXPECT_TRUE(boot.errors.empty());
  EXPECT_TRUE(boot.left);
  EXPECT_EQ(boot.image, Padded());

  // After its restart the mouse reports the new version and is up to date.
  manager_.Rebuild();
  manager_.SetCurrentType(kVela);
  ASSERT_EQ(manager_.Records().size(), 1u);
  EXPECT_EQ(Hex(manager_.Records()[0].firmware_version), "106");
  commands_.SetMouseFirmware(server_.BaseUrl() + "fw", Hex(manager_.Records()[0].firmware_version));
  commands_.CheckFirmware();
  EXPECT_EQ(commands_.State().firmware_state, 2);
  EXPECT_EQ(hooks_.Calls().back(), "button 248 off");
}

// Stopping the worker in the middle of a flash waits for the flash to end.
TEST_F(UpdateWorkerThreadsTest, StopWaitsForTheFlash) {
  Publish(1 << 20);
  std::mutex m;
  std::condition_variable cv;
  bool transferring = false;
  std::atomic<int> stop_seen_during_flash{-1};
  hooks_.on_transfer = [&] {
    if (stop_seen_during_flash >= 0) return;
    {
      std::lock_guard<std::mutex> lock(m);
      transferring = true;
    }
    cv.notify_all();
    // Give the test thread time to ask for the stop while the transfer is in progress.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop_seen_during_flash = worker_.KeepGoing() ? 0 : 1;
  };
  Configure();
  commands_.CheckFirmware();
  ASSERT_EQ(commands_.State().offered_firmware_version, "106");
  ASSERT_TRUE(worker_.Start());
  worker_.QueueCommand(command::kFlashFirmware);
  {
    std::unique_lock<std::mutex> lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(60), [&] { return transferring; }));
  }
  worker_.Stop();
  EXPECT_EQ(stop_seen_during_flash, 1);
  emu::BootloaderState boot = emulator_->Bootloader(unit_);
  EXPECT_TRUE(boot.left);
  EXPECT_EQ(boot.image, Padded());
  EXPECT_EQ(hooks_.Calls().back(), "close flash dialog");
}

}  // namespace
}  // namespace tavrick
