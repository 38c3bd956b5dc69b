// Hot-plug records: ids parsed from udev's HID_ID, and removals matched by remembered ids.
#include <gtest/gtest.h>

#include "platform/system/HotplugMonitor.h"

namespace tavrick {
namespace {

TEST(HidId, Parsing) {
  struct Case {
    const char* text;
    bool ok;
    uint16_t vid, pid;
  };
  const Case cases[] = {
      {"0003:00001209:00000001", true, 0x1209, 0x0001},
      {"0003:0000046D:0000C52B", true, 0x046D, 0xC52B},
      {"0005:00001209:00000fff", true, 0x1209, 0x0FFF},
      {"0003:00011209:00000001", false, 0, 0},  // does not fit 16 bits
      {"0003:1209", false, 0, 0},
      {"0003:zz:0001", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    uint16_t vid = 0, pid = 0;
    EXPECT_EQ(ParseHidId(c.text, &vid, &pid), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(vid, c.vid) << c.text;
      EXPECT_EQ(pid, c.pid) << c.text;
    }
  }
}

TEST(HidrawTracker, RemovalCarriesTheIdsTheNodeHad) {
  HidrawTracker tracker;
  tracker.Arrival("/dev/hidraw3", 0x1209, 0x0002, 2);
  tracker.Arrival("/dev/hidraw4", 0x1209, 0x0001, 1);
  const DeviceChange gone = tracker.Removal("/dev/hidraw3");
  EXPECT_EQ(gone.kind, DeviceChange::Kind::Removal);
  EXPECT_EQ(gone.vendor_id, 0x1209);
  EXPECT_EQ(gone.product_id, 0x0002);
  EXPECT_EQ(gone.interface_number, 2);
  const DeviceChange unknown = tracker.Removal("/dev/hidraw3");  // already gone: unknown now
  EXPECT_EQ(unknown.vendor_id, 0);
  EXPECT_EQ(unknown.interface_number, -1);
  EXPECT_EQ(tracker.Size(), 1u);
}

TEST(HotplugMonitorThreads, StartsAndStopsCleanly) {
  HotplugMonitor monitor;
  if (!monitor.Start([](const DeviceChange&) {})) GTEST_SKIP() << "no udev here";
  EXPECT_TRUE(monitor.Running());
  monitor.Stop();
  EXPECT_FALSE(monitor.Running());
}

}  // namespace
}  // namespace tavrick

#include "device/EmulatorBackend.h"

namespace tavrick {
namespace {

// The emulator's plug events reach the seam as device-change records with numeric ids; a
// receiver's settings node is interface 2, and a flashed mouse leaves and comes back.
TEST(EmulatedHotplug, ArrivalsAndRemovalsAsRecords) {
  auto emu = std::make_shared<emu::Emulator>();
  emu->UseVirtualClock();
  auto backend = CreateEmulatorBackend(emu);
  std::vector<DeviceChange> changes;
  backend->SetChangeHandler([&](const DeviceChange& c) { changes.push_back(c); });
  const int receiver = emu->Plug(emu::VelaReceiver());
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[2].kind, DeviceChange::Kind::Arrival);
  EXPECT_EQ(changes[2].path, emu->SettingsPath(receiver));
  EXPECT_EQ(changes[2].product_id, 0x0002);
  EXPECT_EQ(changes[2].interface_number, 2);
  changes.clear();
  emu->Unplug(receiver);
  ASSERT_EQ(changes.size(), 4u);
  for (const auto& c : changes) {
    EXPECT_EQ(c.kind, DeviceChange::Kind::Removal);
    EXPECT_EQ(c.vendor_id, 0x1209);
    EXPECT_EQ(c.product_id, 0x0002);
  }
  backend->SetChangeHandler({});
  emu->Plug(emu::VelaWired());
  EXPECT_EQ(changes.size(), 4u) << "no delivery after the handler was removed";
}

}  // namespace
}  // namespace tavrick
