#pragma once
// The multimedia timer service: an object that owns any number of periodic timers, each
// with a process-unique id and an optional name. Every object runs one timer thread,
// started with its first timer, that paces all of its timers to the millisecond with
// sleep_until and delivers their ticks there:
//
//   OnMTimer(id)        for every tick of every timer of the object, then
//   OnMTimer(id, name)  for timers started with the named-callback flag.
//
// Ticks run concurrently with the thread that starts and kills timers, so an OnMTimer
// implementation must only touch state that is guarded or safe to post elsewhere.
//
// Guarantees:
// - When KillTimer returns, no callback of the killed timer is running and none will
//   start; KillTimer waits for a tick in progress. Called from inside a callback (on the
//   timer thread) it does not wait, since the only tick in progress is the caller's own.
// - The destructor stops the thread and joins it, waiting for a running callback.
// - A tick that overruns its period delays the next one; missed ticks are skipped, never
//   delivered in a burst.
//
// A derived class must call KillTimer() in its own destructor: once the derived part is
// being destroyed, a tick must no longer reach it. Destroying the object from one of its
// own callbacks is not allowed.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CMTimer {
 public:
  CMTimer();
  virtual ~CMTimer();

  CMTimer(const CMTimer&) = delete;
  CMTimer& operator=(const CMTimer&) = delete;

  // Starts a periodic timer that first fires elapse_ms after the call. Returns its id, or
  // 0 when the period is refused (0 ms); the record is kept even then, and KillTimer(0)
  // removes it.
  uint32_t SetTimer(uint32_t elapse_ms, const std::string& name = std::string(), bool named_callback = false);

  // Each returns the number of records left.
  size_t KillTimer(uint32_t id);
  size_t KillTimer(const std::string& name);  // the first record of that exact name
  size_t KillTimer();                          // all timers of the object

  bool GetTimerIsRun(uint32_t id) const;
  bool GetTimerIsRun(const std::string& name) const;
  bool IsAppTimer(uint32_t id) const;  // the record's named-callback flag
  std::string GetTimerName(uint32_t id) const;

  // The live object that owns a timer id, or null. The pointer is only as good as the
  // caller's knowledge that the owner is still alive.
  static CMTimer* GetMTimer(uint32_t id);

  // Timer resolution in milliseconds.
  static constexpr unsigned m_uAccuracy = 1;

 protected:
  virtual void OnMTimer(uint32_t id, const std::string& name);
  virtual void OnMTimer(uint32_t id) = 0;

 private:
  using Clock = std::chrono::steady_clock;

  struct Record {
    uint32_t id = 0;
    std::string name;
    bool named_callback = false;
    Clock::duration period{};
    Clock::time_point next_due{};
  };

  void Run();
  std::vector<Record>::iterator Find(uint32_t id);
  std::vector<Record>::const_iterator Find(uint32_t id) const;
  // Removes the record at it and waits until no tick of that id is running. Takes the lock.
  size_t Remove(std::unique_lock<std::mutex>& lock, std::vector<Record>::iterator it);
  bool OnTimerThread() const;

  mutable std::mutex mutex_;
  std::condition_variable wake_;  // the schedule changed or the thread must stop
  std::condition_variable idle_;  // a tick has finished
  std::vector<Record> records_;
  uint32_t running_id_ = 0;       // the id whose tick is being delivered, 0 if none
  bool stopping_ = false;
  std::thread thread_;
};
