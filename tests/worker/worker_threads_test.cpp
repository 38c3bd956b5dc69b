#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "device/DeviceWorker.h"

namespace tavrick {
namespace {

using namespace std::chrono_literals;

// Records which codes ran, in order.
struct Log {
  std::mutex mutex;
  std::vector<int> codes;
  void Add(int code) {
    std::lock_guard lock(mutex);
    codes.push_back(code);
  }
  std::vector<int> Get() {
    std::lock_guard lock(mutex);
    return codes;
  }
};

void Register(DeviceWorker& worker, Log& log, std::initializer_list<int> codes) {
  for (int code : codes) worker.SetHandler(code, [&log, code] { log.Add(code); });
}

// Waits (bounded) until `done` holds; the bound only keeps a broken build from hanging.
template <typename F>
bool WaitFor(F done) {
  for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(1ms);
  return done();
}

TEST(WorkerCycle, OneCodePerCycleInQueueOrderUnknownDropped) {
  DeviceWorker worker;
  Log log;
  Register(worker, log, {9, 10});
  for (int code : {9, 19, 9, 25, 10}) worker.QueueCommand(code);
  const std::vector<std::vector<int>> after = {{9}, {9}, {9, 9}, {9, 9}, {9, 9, 10}};
  for (size_t cycle = 0; cycle < after.size(); ++cycle) {
    worker.RunOneCycle();
    EXPECT_EQ(log.Get(), after[cycle]) << "cycle " << cycle;
    EXPECT_EQ(worker.QueuedCount(), after.size() - cycle - 1);
  }
}

TEST(WorkerCycle, IdlePollOnlyWithPresence) {
  DeviceWorker worker;
  int polls = 0;
  worker.SetIdlePoll([&](const std::function<bool()>&) { ++polls; });
  worker.RunOneCycle();
  EXPECT_EQ(polls, 0);
  worker.SetPresence(true);
  worker.RunOneCycle();
  EXPECT_EQ(polls, 1);
  // A queued code takes the cycle instead of the poll.
  Log log;
  Register(worker, log, {9});
  worker.QueueCommand(9);
  worker.RunOneCycle();
  EXPECT_EQ(polls, 1);
  EXPECT_EQ(log.Get(), std::vector<int>{9});
  worker.SetPresence(false);
  worker.RunOneCycle();
  EXPECT_EQ(polls, 1);
}

TEST(WorkerThreads, RunsQueuedCodesInOrder) {
  DeviceWorker worker;
  Log log;
  Register(worker, log, {9, 10, 11});
  ASSERT_TRUE(worker.Start());
  EXPECT_FALSE(worker.Start());  // already running
  for (int code : {9, 9, 10, 77, 11}) worker.QueueCommand(code);
  ASSERT_TRUE(WaitFor([&] { return log.Get().size() == 4; }));
  worker.Stop();
  EXPECT_EQ(log.Get(), (std::vector<int>{9, 9, 10, 11}));
}

TEST(WorkerThreads, QueuedCommandEndsTheIdlePoll) {
  DeviceWorker worker;
  Log log;
  Register(worker, log, {9});
  std::atomic<int> interruptedPolls{0};
  std::atomic<int> polls{0};
  // A poll that would wait five seconds for input unless interrupted.
  worker.SetIdlePoll([&](const std::function<bool()>& interrupted) {
    ++polls;
    for (int i = 0; i < 5000; ++i) {
      if (interrupted()) {
        ++interruptedPolls;
        return;
      }
      std::this_thread::sleep_for(1ms);
    }
  });
  worker.SetPresence(true);
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(WaitFor([&] { return polls.load() >= 1; }));
  worker.QueueCommand(9);
  ASSERT_TRUE(WaitFor([&] { return log.Get().size() == 1; }));
  EXPECT_GE(interruptedPolls.load(), 1);
  worker.Stop();
}

TEST(WorkerThreads, StopEndsEveryWait) {
  struct Case { const char* name; bool presence; bool longWork; };
  for (const auto& c : {Case{"idle sleep", false, false}, Case{"in the poll", true, false},
                        Case{"in long work", false, true}}) {
    DeviceWorker worker;
    std::atomic<bool> inside{false};
    worker.SetIdlePoll([&](const std::function<bool()>& interrupted) {
      inside = true;
      while (!interrupted()) std::this_thread::sleep_for(1ms);
    });
    // Long work that checks the running flag between its steps.
    worker.SetHandler(5, [&] {
      inside = true;
      while (worker.Pause(10ms)) {
      }
    });
    worker.SetPresence(c.presence);
    ASSERT_TRUE(worker.Start());
    if (c.longWork) worker.QueueCommand(5);
    if (c.presence || c.longWork) {
      ASSERT_TRUE(WaitFor([&] { return inside.load(); })) << c.name;
    }
    worker.Stop();  // joins; a missed wake-up would hang here
    EXPECT_FALSE(worker.IsRunning()) << c.name;
    worker.Stop();  // a second stop is harmless
  }
}

TEST(WorkerThreads, IdleWorkerSleepsUntilWoken) {
  struct Counter : CThreadBasic {
    std::atomic<int> runs{0};
    std::atomic<bool> work{false};
    void Run() override { ++runs; }
    bool HasWork() override { return work.load(); }
    ~Counter() override { StopThread(); }
  } counter;
  ASSERT_TRUE(counter.StartThread(2ms, true));
  ASSERT_TRUE(WaitFor([&] { return counter.runs.load() >= 1; }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(counter.runs.load(), 1);  // a spinning loop would have run about 25 times
  counter.Wake();
  ASSERT_TRUE(WaitFor([&] { return counter.runs.load() >= 2; }));
  counter.StopThread();
}

TEST(WorkerThreads, SingleRunMode) {
  struct Once : CThreadBasic {
    std::atomic<int> runs{0};
    void Run() override { ++runs; }
    ~Once() override { StopThread(); }
  } once;
  ASSERT_TRUE(once.StartThread(2ms, false, 1234));
  ASSERT_TRUE(WaitFor([&] { return !once.IsRunning(); }));
  once.StopThread();
  EXPECT_EQ(once.runs.load(), 1);
  EXPECT_EQ(once.Result(), 1234u);
}

}  // namespace
}  // namespace tavrick
