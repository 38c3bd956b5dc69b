// The worker running the session's commands over the emulated mouse on a real clock: queue
// order, the command table, notifications through the hooks, and failures without a hang.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/MouseSession.h"
#include "tests/support/device/SessionRig.h"

namespace tavrick {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;
using test::SessionRig;

Bytes Codes(const std::vector<Bytes>& written) {
  Bytes codes;
  for (const auto& w : written) codes.push_back(w[1]);
  return codes;
}

template <typename F>
bool WaitFor(F done) {
  for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(1ms);
  return done();
}

class SessionThreads : public ::testing::Test {
 protected:
  // A connected wired mouse, read once, with the worker in its idle poll.
  void Start(const emu::UnitSpec& spec = emu::VelaWired()) {
    unit_ = rig_.Plug(spec);
    ASSERT_TRUE(rig_.session->ReadMouseSettings(ReadMode::Full));
    rig_.ForgetWritten(unit_);
    rig_.hooks.Clear();
    rig_.worker->SetPresence(true);
    ASSERT_TRUE(rig_.worker->Start());
  }
  bool WaitWritten(size_t n) { return WaitFor([&] { return rig_.Written(unit_).size() >= n; }); }
  bool WaitCall(const std::string& call) { return WaitFor([&] { return rig_.hooks.Count(call) > 0; }); }

  SessionRig rig_{false};
  int unit_ = 0;
};

TEST_F(SessionThreads, DpiLevelChangedReachesTheMouse) {
  Start();
  rig_.Set("dpi_count", "3");
  rig_.Set("dpi_index", "1");
  rig_.Set("dpi_group1_value", "2500");
  rig_.worker->QueueCommand(9);
  ASSERT_TRUE(WaitWritten(1));
  const Bytes frame = rig_.Written(unit_)[0];
  EXPECT_EQ(frame[1], 0x03);
  EXPECT_EQ(frame[5], 0x13);
  EXPECT_EQ(frame[10], 25);  // sensor 0x35: 2500 / 100
  EXPECT_EQ(rig_.emu->Settings(unit_).dpi_levels, 0x13);
  rig_.worker->Stop();
}

TEST_F(SessionThreads, CodesRunInQueueOrderOnePerCycle) {
  Start();
  for (int code : {9, 9, 10, 19, 25, 23, 11, 12, 13, 6, 8})
    rig_.worker->QueueCommand(code);
  ASSERT_TRUE(WaitWritten(8));
  ASSERT_TRUE(WaitFor([&] { return rig_.worker->QueuedCount() == 0; }));
  rig_.worker->Stop();
  // 19 and 25 are no commands, and 23 is nobody's here: dropped.
  EXPECT_EQ(Codes(rig_.Written(unit_)), (Bytes{0x03, 0x03, 0x04, 0x02, 0x06, 0x07, 0x09, 0x05}));
}

TEST_F(SessionThreads, SelectionCommandsReadAndRefresh) {
  Start();
  rig_.hooks.onRefreshDeviceStates = [&] { return test::kVelaType; };
  rig_.worker->QueueCommand(4);  // enter an online mouse
  ASSERT_TRUE(WaitCall("page firmware"));
  EXPECT_EQ(rig_.hooks.Calls(),
            (Calls{"profile 1", "page keys", "page macros", "page dpi", "page light",
                   "battery 100 0", "battery 100 0", "page keys", "page macros", "page dpi",
                   "page light", "page firmware"}));
  rig_.hooks.Clear();
  std::atomic<int> checks{0};
  rig_.session->SetFirmwareCheck([&] { ++checks; });
  rig_.worker->QueueCommand(2);  // arrival: select, refresh the states, read, check firmware
  ASSERT_TRUE(WaitFor([&] { return checks == 1; }));
  const Calls calls = rig_.hooks.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "select");
  EXPECT_EQ(calls[1], "states");
  EXPECT_EQ(calls.back(), "page firmware");
  rig_.worker->Stop();
  // Read once per run: the second and third reads asked only for the device information.
  EXPECT_EQ(Codes(rig_.Written(unit_)), (Bytes{0x10, 0x10}));
}

TEST_F(SessionThreads, DpiChangeOnTheMouseThroughThePoll) {
  Start();
  rig_.Set("dpi_count", "6");
  rig_.Set("dpi_index", "0");
  rig_.Set("dpi_group2_value", "2400");
  rig_.emu->SendDpiChange(unit_, 0x07);  // impossible: ignored
  rig_.emu->SendDpiChange(unit_, 0x24);
  ASSERT_TRUE(WaitCall("tip 2400"));
  rig_.worker->Stop();
  EXPECT_EQ(rig_.hooks.Calls(), (Calls{"count 4", "level 2 2400", "tip 2400"}));
  EXPECT_EQ(rig_.Get("dpi_count"), "4");
  EXPECT_EQ(rig_.Get("dpi_index"), "2");
}

TEST_F(SessionThreads, ReceiverLinkDownAndUp) {
  Start(emu::VelaReceiver());
  rig_.emu->SendLinkState(unit_, 0, 55, 1);
  ASSERT_TRUE(WaitCall("battery 55 1"));
  EXPECT_EQ(rig_.hooks.Calls(), (Calls{"dismiss", "link off", "battery 55 1"}));
  rig_.hooks.Clear();
  rig_.emu->SendLinkState(unit_, 1, 60, 0);
  ASSERT_TRUE(WaitCall("battery 60 0"));
  ASSERT_TRUE(WaitCall("page firmware"));
  rig_.worker->Stop();
  const Calls calls = rig_.hooks.Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "dismiss");
  EXPECT_EQ(calls[1], "link on");
}

TEST_F(SessionThreads, UnplugMidCommandFailsWithoutHanging) {
  Start();
  emu::Faults f;
  f.unplug_on_write = true;
  rig_.emu->SetFaults(unit_, f);
  rig_.worker->QueueCommand(9);
  ASSERT_TRUE(WaitCall("failure 0"));
  // The worker goes on: the next command fails at once, and stopping returns.
  rig_.worker->QueueCommand(10);
  ASSERT_TRUE(WaitFor([&] { return rig_.hooks.Count("failure 0") == 2; }));
  rig_.worker->Stop();
  EXPECT_FALSE(rig_.worker->IsRunning());
}

TEST_F(SessionThreads, IdlePollDoesNotSpinOnAnUnpluggedMouse) {
  Start();
  rig_.emu->Unplug(unit_);  // the record stays until the window rebuilds the list
  std::this_thread::sleep_for(50ms);
  rig_.emu->ClearTraffic();
  std::this_thread::sleep_for(200ms);
  const auto traffic = rig_.emu->Traffic();
  rig_.worker->Stop();
  // Failed reads come back at once; the poll waits out each 2 ms slice instead of retrying
  // (about 100 reads in 200 ms; a spinning poll makes tens of thousands).
  EXPECT_LT(traffic.size(), 400u);
}

TEST_F(SessionThreads, StopDuringAnUnansweredReadBack) {
  Start();
  emu::Faults f;
  f.silent = true;
  rig_.emu->SetFaults(unit_, f);
  rig_.worker->QueueCommand(3);  // 500 ms pause, then the read-back with its 1 s pause
  std::this_thread::sleep_for(100ms);
  const auto start = std::chrono::steady_clock::now();
  rig_.worker->Stop();
  // Bounded by the exchange in flight (1.5 s), not by the whole command (over 5 s).
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

}  // namespace
}  // namespace tavrick
