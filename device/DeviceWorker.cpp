#include "device/DeviceWorker.h"

#include "base/Trace.h"

namespace tavrick {

DeviceWorker::~DeviceWorker() { StopThread(); }

void DeviceWorker::SetHandler(int code, Handler handler) {
  std::lock_guard lock(mutex_);
  if (handler)
    handlers_[code] = std::move(handler);
  else
    handlers_.erase(code);
}

bool DeviceWorker::HasHandler(int code) const {
  std::lock_guard lock(mutex_);
  return handlers_.count(code) != 0;
}

void DeviceWorker::SetIdlePoll(IdlePoll poll) {
  std::lock_guard lock(mutex_);
  idlePoll_ = std::move(poll);
}

void DeviceWorker::QueueCommand(int code) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(code);
  }
  Wake();
}

size_t DeviceWorker::QueuedCount() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void DeviceWorker::SetPresence(bool present) {
  presence_.store(present, std::memory_order_release);
  Wake();
}

bool DeviceWorker::CommandWaiting() const {
  std::lock_guard lock(mutex_);
  return !queue_.empty();
}

bool DeviceWorker::HasWork() { return CommandWaiting() || Presence(); }

void DeviceWorker::Run() {
  Handler handler;
  IdlePoll poll;
  bool haveCode = false;
  int code = 0;
  {
    std::lock_guard lock(mutex_);
    if (!queue_.empty()) {
      haveCode = true;
      code = queue_.front();
      queue_.pop_front();
      auto it = handlers_.find(code);
      if (it != handlers_.end()) handler = it->second;
    } else if (presence_.load(std::memory_order_acquire)) {
      poll = idlePoll_;
    }
  }
  // The work runs outside the lock, so the UI thread can queue meanwhile.
  if (haveCode) {
    if (handler)
      handler();
    else
      base::Trace(base::TraceLevel::Debug, "worker: command %d not handled, dropped", code);
    return;
  }
  if (poll) poll([this] { return CommandWaiting() || StopRequested(); });
}

}  // namespace tavrick
