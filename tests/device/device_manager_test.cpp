// The device manager against the emulated mouse: the enumeration passes, the current
// device, notifications and connection monitoring.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/Trace.h"
#include "device/DeviceManager.h"
#include "device/EmulatorBackend.h"

namespace tavrick {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kVela = 1;
constexpr int kKestrel = 2;

class DeviceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    emu_ = std::make_shared<emu::Emulator>();
    emu_->UseVirtualClock();
    dm_ = std::make_unique<DeviceManager>(CreateEmulatorBackend(emu_));
  }
  void RegisterModels() {
    dm_->AddSupportedDevice(0x1209, 0x0001, "", kVela, kModeWired, "V15@");
    dm_->AddSupportedDevice(0x1209, 0x0002, "", kVela, kModeWireless, "V15@");
    dm_->AddSupportedDevice(0x1209, 0x0003, "", kKestrel, kModeWired, "K2%@");
  }
  // Writes that reached a unit's settings interface, by command code.
  std::vector<uint8_t> Commands(int unit) {
    std::vector<uint8_t> codes;
    for (const auto& w : emu_->WrittenReports(unit)) codes.push_back(w[1]);
    return codes;
  }

  std::shared_ptr<emu::Emulator> emu_;
  std::unique_ptr<DeviceManager> dm_;
};

TEST_F(DeviceManagerTest, WiredMouseBeforeReceiverOfTheSameModel) {
  RegisterModels();
  const int receiver = emu_->Plug(emu::VelaReceiver());
  const int wired = emu_->Plug(emu::VelaWired());
  std::vector<std::string> trace;
  base::SetTraceHook([&](base::TraceLevel, const std::string& line) { trace.push_back(line); });
  dm_->Rebuild();
  base::SetTraceHook({});
  dm_->SetCurrentType(kVela);

  const auto records = dm_->Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].connection_mode, kModeWireless);
  EXPECT_EQ(records[0].device_type, 0) << "the receiver is not asked while a wired mouse is there";
  EXPECT_EQ(records[1].device_type, kVela);
  EXPECT_EQ(records[1].device_id, "V15@");
  EXPECT_EQ(records[1].firmware_version, 0x0100);
  EXPECT_TRUE(Commands(receiver).empty());

  const std::vector<std::string> expected = {
      "========== EnumerateDevice Start ==========",
      "Step 1: Quick scan - collecting basic device info",
      "  Found [0]: VID=0x1209, PID=0x0002, Mode=2.4G",
      "  Found [1]: VID=0x1209, PID=0x0001, Mode=USB",
      "Step 2: USB device found, SKIP reading 2.4G details (reduce HID traffic)",
      "  [0] 2.4G device - SKIP (USB exists)",
      "  [0] Final: VID=0x1209, PID=0x0002, Type=0, Mode=1",
      "  [1] USB device - reading details...",
      "  [1] DeviceId: V15@, DeviceType: 1",
      "  [1] Final: VID=0x1209, PID=0x0001, Type=1, Mode=0",
      "========== EnumerateDevice Complete! Total=2, HasUSB=YES ==========",
  };
  EXPECT_EQ(trace, expected);

  uint8_t frame[33] = {0x00, 0x12};
  ASSERT_TRUE(dm_->SendCommand(frame, sizeof frame));
  EXPECT_EQ(Commands(wired), (std::vector<uint8_t>{0x10, 0x12}));
  EXPECT_EQ(dm_->GetConnectionMode(), kModeWired);
  int version = 0;
  EXPECT_TRUE(dm_->GetFirmwareVersion(kModeWired, &version));
  EXPECT_EQ(version, 0x0100);
}

TEST_F(DeviceManagerTest, ReceiverWhoseMouseIsOffIsAskedTwiceAndStaysUnknown) {
  RegisterModels();
  const int receiver = emu_->Plug(emu::VelaReceiver());
  emu_->SetMouseOn(receiver, false);
  const int64_t start = emu_->NowMs();
  dm_->Rebuild();
  dm_->SetCurrentType(kVela);
  EXPECT_EQ(Commands(receiver), (std::vector<uint8_t>{0x10, 0x10}));
  // The link-down report the receiver sent is read as the first attempt (no wait), so the
  // first exchange waits 49 reads, then 500 ms, then 50 reads.
  EXPECT_EQ(emu_->NowMs() - start, 49 * 30 + 500 + 50 * 30);
  ASSERT_EQ(dm_->Records().size(), 1u);
  EXPECT_EQ(dm_->Records()[0].device_type, 0);
  EXPECT_EQ(dm_->GetDeviceHandle(), nullptr);
  uint8_t frame[33] = {0x00, 0x12};
  EXPECT_FALSE(dm_->SendCommand(frame, sizeof frame));
}

TEST_F(DeviceManagerTest, DeviceTypeLookup) {
  dm_->AddSupportedDevice(0x1209, 0x0005, "", 7, kModeWired, "AAAA");
  dm_->AddSupportedDevice(0x1209, 0x0005, "", 8, kModeWireless, "BBBB");
  dm_->AddSupportedDevice(0x1209, 0x0006, "", 9, kModeWired, "");
  dm_->AddSupportedDevice(0x1209, 0x0007, "", 10, kModeWired, "CC");
  struct Case {
    int pid;
    const char* id;
    int type;
  };
  const Case cases[] = {{5, "AAAA", 7}, {5, "BBBB", 8}, {5, "CCCC", 0}, {6, "ZZZZ", kShortDeviceIdType},
                        {7, "CC", kShortDeviceIdType}, {8, "AAAA", 0}};
  for (const auto& c : cases) EXPECT_EQ(dm_->FindDeviceType(0x1209, c.pid, c.id), c.type) << c.pid << " " << c.id;
}

TEST_F(DeviceManagerTest, TwoVariantsWithTheSameIdsTakeTheModeOfTheFirst) {
  dm_->AddSupportedDevice(0x1209, 0x0002, "", 5, kModeWired, "XXXX");
  dm_->AddSupportedDevice(0x1209, 0x0002, "", kVela, kModeWireless, "V15@");
  emu_->Plug(emu::VelaReceiver());
  dm_->Rebuild();
  const auto records = dm_->Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].connection_mode, kModeWired);
  EXPECT_EQ(records[0].device_type, kVela);
}

TEST_F(DeviceManagerTest, EmptyDeviceIdGives101AndLongPathsAreKeptWhole) {
  dm_->AddSupportedDevice(0x1209, 0x0002, "", kVela, kModeWireless, "");
  emu::UnitSpec spec = emu::VelaReceiver();
  spec.path_suffix = "/" + std::string(1500, 'p');
  const int unit = emu_->Plug(spec);
  dm_->Rebuild();
  ASSERT_EQ(dm_->Records().size(), 1u);
  EXPECT_EQ(dm_->Records()[0].device_type, kShortDeviceIdType);
  EXPECT_EQ(dm_->Records()[0].path, emu_->SettingsPath(unit));
  EXPECT_GT(dm_->Records()[0].path.size(), 1500u);
}

TEST_F(DeviceManagerTest, UnopenableAndUnsupportedInterfacesAreSkipped) {
  RegisterModels();
  const int wired = emu_->Plug(emu::VelaWired());
  emu::UnitSpec stranger = emu::VelaWired();
  stranger.product_id = 0x000E;
  emu_->Plug(stranger);
  emu_->SetOpenFails(emu_->SettingsPath(wired), true);
  const int kestrel = emu_->Plug(emu::KestrelWired());
  dm_->Rebuild();
  const auto records = dm_->Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].path, emu_->SettingsPath(kestrel));
  EXPECT_EQ(records[0].index, 0);
  EXPECT_EQ(records[0].device_type, kKestrel);
}

TEST_F(DeviceManagerTest, InactiveManagerDoesNoExchange) {
  RegisterModels();
  const int wired = emu_->Plug(emu::VelaWired());
  dm_->EnumerateDevice();  // records exist, but nobody marked the list active
  dm_->SetCurrentType(kVela);
  uint8_t frame[33] = {0x00, 0x12};
  EXPECT_FALSE(dm_->SendCommand(frame, sizeof frame));
  uint8_t buffer[65];
  int type = -1;
  EXPECT_FALSE(dm_->ReadInput(buffer, &type));
  EXPECT_EQ(Commands(wired), (std::vector<uint8_t>{0x10}));
  // Closing works whatever the active flag says.
  dm_->CloseAllDevices();
  EXPECT_TRUE(dm_->Records().empty());
}

TEST_F(DeviceManagerTest, ReadInputFromTheCurrentDevice) {
  RegisterModels();
  const int wired = emu_->Plug(emu::VelaWired());
  dm_->Rebuild();
  dm_->SetCurrentType(kVela);
  uint8_t buffer[65];
  int type = 0;
  emu_->SendDpiChange(wired, 0x24);
  ASSERT_TRUE(dm_->ReadInput(buffer, &type));
  EXPECT_EQ(type, kVela);
  EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0xC2, 0x24}));
  // Nothing more to read: the buffer is cleared, never replayed, after 100 ms of waiting.
  int64_t start = emu_->NowMs();
  EXPECT_FALSE(dm_->ReadInput(buffer, &type));
  EXPECT_EQ(emu_->NowMs() - start, 100);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[1], 0);

  // A notification read while a command waited for its reply comes out of the next poll.
  emu::Faults f;
  f.before_reply = {{0xC0, 0x01, 0x37, 0x01}};
  emu_->SetFaults(wired, f);
  uint8_t frame[33] = {0x00, 0x12};
  ASSERT_TRUE(dm_->SendCommand(frame, sizeof frame));
  ASSERT_TRUE(dm_->ReadInput(buffer, &type));
  EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0xC0, 0x01, 0x37, 0x01}));
}

TEST_F(DeviceManagerTest, ReceiverLinkDownAndUp) {
  RegisterModels();
  const int receiver = emu_->Plug(emu::VelaReceiver());
  dm_->Rebuild();
  dm_->SetCurrentType(kVela);
  ASSERT_EQ(dm_->Records()[0].device_type, kVela);
  uint8_t buffer[65];
  int type = 0;

  emu_->SetMouseOn(receiver, false);  // 0xC0 00 00 00
  dm_->ClearCachedHandle();
  dm_->SetConnectionState(kVela, kModeWireless, kStateLinkDown);
  ASSERT_EQ(dm_->GetDeviceHandle(), nullptr);
  EXPECT_FALSE(dm_->ReadInput(buffer, &type));
  EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0xC0, 0x00, 0x00, 0x00}));
  EXPECT_EQ(type, kVela);
  EXPECT_EQ(dm_->Records()[0].state, kStateLinkDown);

  emu_->SetMouseOn(receiver, true);  // 0xC0 01 battery charging, then the device is asked again
  EXPECT_FALSE(dm_->ReadInput(buffer, &type));
  EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0xC0, 0x01, 80, 0x00}));
  EXPECT_EQ(dm_->Records()[0].state, kStateOnline);
  EXPECT_EQ(dm_->Records()[0].device_type, kVela);
  EXPECT_NE(dm_->GetDeviceHandle(), nullptr);
  EXPECT_EQ(dm_->GetConnectionMode(), kModeWireless);
}

TEST_F(DeviceManagerTest, PollConnectionMarksThePolledLinkDown) {
  RegisterModels();
  const int receiver = emu_->Plug(emu::VelaReceiver());
  dm_->Rebuild();
  dm_->SetCurrentType(kVela);
  emu_->SendLinkState(receiver, 0, 0, 0);
  dm_->PollConnection();
  EXPECT_EQ(dm_->Records()[0].state, kStatePolledDown);
  emu_->SendLinkState(receiver, 1, 64, 1);
  dm_->PollConnection();
  EXPECT_EQ(dm_->Records()[0].state, kStateOnline);
  const int64_t start = emu_->NowMs();
  dm_->PollConnection();  // nothing to read: no change, 10 ms
  EXPECT_EQ(dm_->Records()[0].state, kStateOnline);
  EXPECT_EQ(emu_->NowMs() - start, 10);
}

TEST_F(DeviceManagerTest, BootloaderHandleAndCurrentIds) {
  RegisterModels();
  emu_->Plug(emu::KestrelWired());
  dm_->Rebuild();
  dm_->SetCurrentType(kKestrel);
  uint16_t vid = 0, pid = 0;
  ASSERT_TRUE(dm_->GetCurrentDeviceIds(&vid, &pid));
  EXPECT_EQ(vid, 0x1209);
  EXPECT_EQ(pid, 0x0003);
  dm_->SetBootloaderHandle(dm_->OpenBootloader(vid, pid));
  ASSERT_NE(dm_->GetBootloaderHandle(), nullptr);
  dm_->SetCurrentType(kVela);
  EXPECT_FALSE(dm_->GetCurrentDeviceIds(&vid, &pid));
  EXPECT_EQ(vid, 0);
}

// The UI thread reads the manager while the worker rebuilds it and talks to the devices.
TEST(DeviceManagerConcurrency, ReadersDuringRebuilds) {
  auto emu = std::make_shared<emu::Emulator>();
  emu->UseVirtualClock();
  DeviceManager dm(CreateEmulatorBackend(emu));
  dm.AddSupportedDevice(0x1209, 0x0001, "", kVela, kModeWired, "V15@");
  dm.AddSupportedDevice(0x1209, 0x0002, "", kVela, kModeWireless, "V15@");
  emu->Plug(emu::VelaWired());
  emu->Plug(emu::VelaReceiver());
  std::atomic<bool> stop{false};
  std::thread ui([&] {
    while (!stop) {
      dm.SetCurrentType(kVela);
      (void)dm.GetConnectionMode();
      int version;
      (void)dm.GetFirmwareVersion(kModeWired, &version);
      (void)dm.Records();
    }
  });
  for (int i = 0; i < 30; ++i) {
    dm.Rebuild();
    uint8_t frame[33] = {0x00, 0x12};
    (void)dm.SendCommand(frame, sizeof frame);
    uint8_t buffer[65];
    int type;
    (void)dm.ReadInput(buffer, &type);
    if (i % 10 == 0) dm.CloseAllDevices();
  }
  stop = true;
  ui.join();
  dm.Rebuild();
  EXPECT_EQ(dm.Records().size(), 2u);
}

}  // namespace
}  // namespace tavrick
