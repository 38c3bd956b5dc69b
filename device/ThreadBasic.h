#pragma once
// Base of the program's worker threads: runs Run() in a loop with a pause between cycles,
// or once. The pause ends early when Wake() is called, and a derived class that has nothing
// to do (HasWork() false) sleeps until it is woken, so an idle worker costs no CPU.
// StopThread() clears the running flag, wakes the thread and joins it: after it returns the
// thread no longer touches the object. A derived class calls StopThread() in its own
// destructor, before its members go.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tavrick {

class CThreadBasic {
 public:
  CThreadBasic() = default;
  CThreadBasic(const CThreadBasic&) = delete;
  CThreadBasic& operator=(const CThreadBasic&) = delete;
  virtual ~CThreadBasic();

  // Starts the thread unless it runs. `result` is kept as the thread's result (the main
  // window stores the start time there). False when it already ran.
  bool StartThread(std::chrono::milliseconds interval, bool looping, uint32_t result = 0);

  // Ends the loop after the cycle in progress and joins. Safe to call twice and from any
  // thread but the worker itself (a call from the worker only clears the flag).
  void StopThread();

  bool IsRunning() const { return running_.load(std::memory_order_acquire); }
  // True from StopThread until the next StartThread: long work should wind up.
  bool StopRequested() const { return stopRequested_.load(std::memory_order_acquire); }
  uint32_t Result() const { return result_; }

  // Ends the current pause (or idle sleep) at once. Any thread.
  void Wake();

 protected:
  virtual void Run() = 0;
  // False when the next pause may last until Wake(): nothing queued and nothing to poll.
  virtual bool HasWork() { return true; }

  // For long work inside Run: pause up to `duration`, returning false at once when the
  // thread is being stopped. Wake() does not end it.
  bool PauseUnlessStopping(std::chrono::milliseconds duration);

  // True when a Wake() arrived since the last pause ended: work is waiting.
  bool WakePending() const { return wakePending_.load(std::memory_order_acquire); }

 private:
  void ThreadMain();

  std::atomic<bool> running_{false};
  std::atomic<bool> wakePending_{false};
  std::atomic<bool> stopRequested_{false};
  bool looping_ = false;
  std::chrono::milliseconds interval_{1};
  uint32_t result_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::mutex joinMutex_;
};

}  // namespace tavrick
