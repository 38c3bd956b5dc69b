#include "widgets/core/CMTimer.h"

#include <algorithm>
#include <atomic>

#include "base/Trace.h"

namespace {

// Every live CMTimer, for GetMTimer. Lock order: this list first, then an object's lock.
std::mutex& ObjectsMutex() {
  static std::mutex m;
  return m;
}

std::vector<CMTimer*>& Objects() {
  static std::vector<CMTimer*> objects;
  return objects;
}

// Ids are unique in the process, so an id of a destroyed object never names a live timer.
uint32_t NextTimerId() {
  static std::atomic<uint32_t> next{1};
  uint32_t id = next.fetch_add(1);
  while (id == 0) id = next.fetch_add(1);
  return id;
}

}  // namespace

CMTimer::CMTimer() {
  std::lock_guard lock(ObjectsMutex());
  Objects().push_back(this);
}

CMTimer::~CMTimer() {
  {
    std::lock_guard lock(ObjectsMutex());
    auto& objects = Objects();
    objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    records_.clear();
  }
  wake_.notify_all();
  if (thread_.joinable()) {
    if (OnTimerThread()) {
      M_Trace("CMTimer destroyed from its own callback");
      thread_.detach();
    } else {
      thread_.join();
    }
  }
}

void CMTimer::OnMTimer(uint32_t, const std::string&) {}

uint32_t CMTimer::SetTimer(uint32_t elapse_ms, const std::string& name, bool named_callback) {
  Record record;
  record.id = elapse_ms == 0 ? 0 : NextTimerId();
  record.name = name;
  record.named_callback = named_callback;
  record.period = std::chrono::milliseconds(elapse_ms);
  record.next_due = Clock::now() + record.period;
  {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
    if (record.id != 0 && !thread_.joinable() && !stopping_) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_all();
  return record.id;
}

std::vector<CMTimer::Record>::iterator CMTimer::Find(uint32_t id) {
  return std::find_if(records_.begin(), records_.end(), [id](const Record& r) { return r.id == id; });
}

std::vector<CMTimer::Record>::const_iterator CMTimer::Find(uint32_t id) const {
  return std::find_if(records_.begin(), records_.end(), [id](const Record& r) { return r.id == id; });
}

bool CMTimer::OnTimerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

size_t CMTimer::Remove(std::unique_lock<std::mutex>& lock, std::vector<Record>::iterator it) {
  const uint32_t id = it->id;
  records_.erase(it);
  wake_.notify_all();
  if (id != 0 && !OnTimerThread()) idle_.wait(lock, [&] { return running_id_ != id; });
  return records_.size();
}

size_t CMTimer::KillTimer(uint32_t id) {
  std::unique_lock lock(mutex_);
  auto it = Find(id);
  if (it == records_.end()) return records_.size();
  return Remove(lock, it);
}

size_t CMTimer::KillTimer(const std::string& name) {
  std::unique_lock lock(mutex_);
  auto it = std::find_if(records_.begin(), records_.end(), [&](const Record& r) { return r.name == name; });
  if (it == records_.end()) return records_.size();
  return Remove(lock, it);
}

size_t CMTimer::KillTimer() {
  std::unique_lock lock(mutex_);
  records_.clear();
  wake_.notify_all();
  if (!OnTimerThread()) idle_.wait(lock, [&] { return running_id_ == 0; });
  return 0;
}

bool CMTimer::GetTimerIsRun(uint32_t id) const {
  std::lock_guard lock(mutex_);
  return Find(id) != records_.end();
}

bool CMTimer::GetTimerIsRun(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return std::any_of(records_.begin(), records_.end(), [&](const Record& r) { return r.name == name; });
}

bool CMTimer::IsAppTimer(uint32_t id) const {
  std::lock_guard lock(mutex_);
  auto it = Find(id);
  return it != records_.end() && it->named_callback;
}

std::string CMTimer::GetTimerName(uint32_t id) const {
  std::lock_guard lock(mutex_);
  auto it = Find(id);
  return it != records_.end() ? it->name : std::string();
}

CMTimer* CMTimer::GetMTimer(uint32_t id) {
  if (id == 0) return nullptr;
  std::lock_guard objects_lock(ObjectsMutex());
  for (CMTimer* object : Objects()) {
    std::lock_guard lock(object->mutex_);
    if (object->Find(id) != object->records_.end()) return object;
  }
  return nullptr;
}

void CMTimer::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    // The timer due first; records with id 0 were refused and never fire.
    auto next = records_.end();
    for (auto it = records_.begin(); it != records_.end(); ++it) {
      if (it->id != 0 && (next == records_.end() || it->next_due < next->next_due)) next = it;
    }
    if (next == records_.end()) {
      wake_.wait(lock);
      continue;
    }
    const Clock::time_point due = next->next_due;
    if (Clock::now() < due) {
      // Woken early when the schedule changes; then the choice above is made again.
      wake_.wait_until(lock, due);
      continue;
    }
    const uint32_t id = next->id;
    next->next_due += next->period;
    const Clock::time_point now = Clock::now();
    if (next->next_due <= now) {
      const auto behind = (now - next->next_due) / next->period + 1;
      next->next_due += behind * next->period;
    }

    running_id_ = id;
    lock.unlock();
    OnMTimer(id);
    lock.lock();
    // The first callback may have killed its own timer; then the named one is not due.
    auto record = Find(id);
    if (record != records_.end() && record->named_callback) {
      const std::string name = record->name;
      lock.unlock();
      OnMTimer(id, name);
      lock.lock();
    }
    running_id_ = 0;
    idle_.notify_all();
  }
}
