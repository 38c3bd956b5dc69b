#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "widgets/core/CMTimer.h"
#include "widgets/core/Manager.h"

namespace {

using namespace std::chrono_literals;

// Records every callback in order; tests wait on it with a generous limit so that a slow
// machine only makes them slower, never wrong.
class RecordingTimer : public CMTimer {
 public:
  struct Call {
    uint32_t id;
    bool named;
    std::string name;
  };

  ~RecordingTimer() override { KillTimer(); }

  std::vector<Call> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  // Waits until pred(calls) holds; false after 10 s.
  template <typename Pred>
  bool WaitFor(Pred pred) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return pred(calls_); });
  }

  std::function<void(uint32_t)> on_tick;  // runs inside the id callback

 protected:
  void OnMTimer(uint32_t id) override {
    {
      std::lock_guard lock(mutex_);
      calls_.push_back({id, false, {}});
    }
    changed_.notify_all();
    if (on_tick) on_tick(id);
  }
  void OnMTimer(uint32_t id, const std::string& name) override {
    {
      std::lock_guard lock(mutex_);
      calls_.push_back({id, true, name});
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Call> calls_;
};

size_t CountOf(const std::vector<RecordingTimer::Call>& calls, uint32_t id, bool named) {
  size_t n = 0;
  for (const auto& c : calls) n += (c.id == id && c.named == named) ? 1 : 0;
  return n;
}

TEST(TimerThreads, RecordsIdsNamesAndFlags) {
  RecordingTimer t;
  const uint32_t a = t.SetTimer(60000, "anim", true);
  const uint32_t b = t.SetTimer(60000, "", false);
  const uint32_t c = t.SetTimer(60000, "anim", false);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_TRUE(t.GetTimerIsRun(a));
  EXPECT_TRUE(t.GetTimerIsRun("anim"));
  EXPECT_FALSE(t.GetTimerIsRun("Anim"));  // names compare exactly
  EXPECT_TRUE(t.IsAppTimer(a));
  EXPECT_FALSE(t.IsAppTimer(b));
  EXPECT_EQ(t.GetTimerName(a), "anim");
  EXPECT_EQ(t.GetTimerName(12345678), "");

  // A refused period gives id 0 and still keeps its record until KillTimer(0).
  EXPECT_EQ(t.SetTimer(0, "refused", true), 0u);
  EXPECT_TRUE(t.GetTimerIsRun("refused"));
  EXPECT_EQ(t.KillTimer(0u), 3u);
  EXPECT_FALSE(t.GetTimerIsRun("refused"));

  EXPECT_EQ(t.KillTimer("anim"), 2u);  // the first record of that name: a
  EXPECT_FALSE(t.GetTimerIsRun(a));
  EXPECT_TRUE(t.GetTimerIsRun(c));
  EXPECT_EQ(t.KillTimer(a), 2u);  // already gone: nothing changes
  EXPECT_EQ(t.KillTimer(b), 1u);
  EXPECT_EQ(t.KillTimer(), 0u);
  EXPECT_FALSE(t.GetTimerIsRun(c));
}

TEST(TimerThreads, NamedCallbackFollowsTheIdCallbackOnlyWhenFlagged) {
  RecordingTimer t;
  const uint32_t plain = t.SetTimer(3, "plain", false);
  const uint32_t named = t.SetTimer(5, "named", true);
  ASSERT_TRUE(t.WaitFor([&](const auto& calls) {
    return CountOf(calls, plain, false) >= 3 && CountOf(calls, named, true) >= 3;
  }));
  t.KillTimer();
  const auto calls = t.Calls();
  EXPECT_EQ(CountOf(calls, plain, true), 0u);
  for (size_t i = 0; i < calls.size(); ++i) {
    if (!calls[i].named) continue;
    EXPECT_EQ(calls[i].id, named);
    EXPECT_EQ(calls[i].name, "named");
    ASSERT_GT(i, 0u);
    EXPECT_EQ(calls[i - 1].id, named) << "the named callback comes right after the id callback";
    EXPECT_FALSE(calls[i - 1].named);
  }
}

TEST(TimerThreads, NoCallbackRunsAfterKillTimerReturns) {
  RecordingTimer t;
  std::atomic<bool> in_tick{false};
  std::atomic<bool> violated{false};
  std::atomic<bool> killed{false};
  t.on_tick = [&](uint32_t) {
    if (killed) violated = true;
    in_tick = true;
    std::this_thread::sleep_for(20ms);  // long enough that KillTimer lands inside the tick
    in_tick = false;
  };
  const uint32_t id = t.SetTimer(1, "slow", true);
  ASSERT_TRUE(t.WaitFor([&](const auto& calls) { return CountOf(calls, id, false) >= 1; }));
  while (!in_tick) std::this_thread::yield();
  t.KillTimer(id);
  killed = true;
  EXPECT_FALSE(in_tick);
  const size_t after_kill = t.Calls().size();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(t.Calls().size(), after_kill);
  EXPECT_FALSE(violated);
  // The tick in progress did not go on to its named callback once its timer was killed.
  EXPECT_EQ(CountOf(t.Calls(), id, true) + 1, CountOf(t.Calls(), id, false));
}

TEST(TimerThreads, KillTimerFromInsideItsCallbackDoesNotDeadlock) {
  RecordingTimer t;
  std::atomic<int> kills{0};
  t.on_tick = [&](uint32_t id) {
    t.KillTimer(id);
    ++kills;
  };
  const uint32_t self = t.SetTimer(2, "self", true);
  const uint32_t other = t.SetTimer(2, "other", false);
  ASSERT_TRUE(t.WaitFor([&](const auto&) { return kills.load() >= 2; }));
  t.KillTimer();
  EXPECT_FALSE(t.GetTimerIsRun(self));
  EXPECT_FALSE(t.GetTimerIsRun(other));
  const auto calls = t.Calls();
  EXPECT_EQ(CountOf(calls, self, false), 1u);
  EXPECT_EQ(CountOf(calls, self, true), 0u);  // killed before its named callback was due
  EXPECT_EQ(CountOf(calls, other, false), 1u);
}

// A timer object as the header asks for it: it kills its timers in its own destructor, so
// no tick reaches the derived part while it goes away. Its period is long, so exactly one
// tick is in progress when the object is destroyed.
class SlowTimer : public CMTimer {
 public:
  explicit SlowTimer(std::atomic<bool>& finished) : finished_(finished) {}
  ~SlowTimer() override { KillTimer(); }
  std::atomic<bool> entered{false};

 protected:
  void OnMTimer(uint32_t) override {
    entered = true;
    std::this_thread::sleep_for(30ms);
    finished_ = true;
  }

 private:
  std::atomic<bool>& finished_;
};

TEST(TimerThreads, DestructionWaitsForARunningCallback) {
  std::atomic<bool> finished{false};
  auto* t = new SlowTimer(finished);
  t->SetTimer(200);
  while (!t->entered) std::this_thread::yield();
  delete t;  // must not return while OnMTimer still sleeps
  EXPECT_TRUE(finished);
}

TEST(TimerThreads, GetMTimerFindsOnlyLiveOwners) {
  auto first = std::make_unique<RecordingTimer>();
  RecordingTimer second;
  const uint32_t a = first->SetTimer(60000);
  const uint32_t b = second.SetTimer(60000);
  const uint32_t killed = second.SetTimer(60000);
  second.KillTimer(killed);
  EXPECT_EQ(CMTimer::GetMTimer(a), first.get());
  EXPECT_EQ(CMTimer::GetMTimer(b), &second);
  EXPECT_EQ(CMTimer::GetMTimer(killed), nullptr);
  EXPECT_EQ(CMTimer::GetMTimer(0), nullptr);
  first.reset();
  EXPECT_EQ(CMTimer::GetMTimer(a), nullptr);
  EXPECT_EQ(CMTimer::GetMTimer(b), &second);
}

TEST(Manager, DefaultsAndSetters) {
  EXPECT_EQ(DUI::Manager::GetDeviceName(), "Orvell Tavrick");
  EXPECT_EQ(DUI::Manager::GetFontName(), "Open Sans Semibold");
  EXPECT_EQ(DUI::Manager::GetFontWidth(), 14);
  EXPECT_EQ(DUI::Manager::GetSelectColor(), 0xFF49FFE6u);
  EXPECT_EQ(DUI::Manager::GetTheme(), "theme1/");
  EXPECT_EQ(DUI::Manager::GetInstance(), nullptr);

  DUI::Manager::SetFont("DejaVu Sans", 12);
  EXPECT_EQ(DUI::Manager::GetFontName(), "DejaVu Sans");
  EXPECT_EQ(DUI::Manager::GetFontWidth(), 12);
  DUI::Manager::SetFontName("Open Sans Semibold");
  EXPECT_EQ(DUI::Manager::GetFontWidth(), 12);  // only the face changes
  DUI::Manager::SetFont("Open Sans Semibold", 14);

  DUI::Manager::SetDeviceName("Other Mouse");
  EXPECT_EQ(DUI::Manager::GetDeviceName(), "Other Mouse");
  DUI::Manager::SetDeviceName("Orvell Tavrick");
}

}  // namespace
