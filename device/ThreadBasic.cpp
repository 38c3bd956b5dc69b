#include "device/ThreadBasic.h"

namespace tavrick {

CThreadBasic::~CThreadBasic() { StopThread(); }

bool CThreadBasic::StartThread(std::chrono::milliseconds interval, bool looping, uint32_t result) {
  std::lock_guard join(joinMutex_);
  if (running_.load() || thread_.joinable()) return false;
  interval_ = interval;
  looping_ = looping;
  result_ = result;
  wakePending_.store(false);
  stopRequested_.store(false);
  running_.store(true, std::memory_order_release);
  thread_ = std::thread(&CThreadBasic::ThreadMain, this);
  return true;
}

void CThreadBasic::StopThread() {
  {
    std::lock_guard lock(mutex_);
    stopRequested_.store(true, std::memory_order_release);
    running_.store(false, std::memory_order_release);
  }
  wake_.notify_all();
  if (std::this_thread::get_id() == thread_.get_id()) return;
  std::lock_guard join(joinMutex_);
  if (thread_.joinable()) thread_.join();
}

void CThreadBasic::Wake() {
  {
    std::lock_guard lock(mutex_);
    wakePending_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
}

bool CThreadBasic::PauseUnlessStopping(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  wake_.wait_for(lock, duration, [this] { return stopRequested_.load(); });
  return !stopRequested_.load();
}

void CThreadBasic::ThreadMain() {
  if (!looping_) {
    Run();
    running_.store(false);
    return;
  }
  while (running_.load(std::memory_order_acquire)) {
    Run();
    const bool idle = !HasWork();
    std::unique_lock lock(mutex_);
    auto woken = [this] { return !running_.load() || wakePending_.load(); };
    if (idle)
      wake_.wait(lock, woken);
    else
      wake_.wait_for(lock, interval_, woken);
    wakePending_.store(false, std::memory_order_release);
  }
}

}  // namespace tavrick
