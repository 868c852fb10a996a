#include "platform/UiQueue.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ThreadRole.h"

namespace velmora::platform {

UiMessage registerUiMessage(std::string_view name) {
  static std::mutex mutex;
  static std::unordered_map<std::string, UiMessage> ids;
  constexpr UiMessage kFirst = 0xC000, kLast = 0xFFFF;
  std::lock_guard lock(mutex);
  const auto found = ids.find(std::string(name));
  if (found != ids.end()) return found->second;
  if (ids.size() > kLast - kFirst) return 0;
  const UiMessage id = kFirst + static_cast<UiMessage>(ids.size());
  ids.emplace(std::string(name), id);
  return id;
}

// Never destroyed: process-wide objects that outlive it in static destruction (the engines'
// listeners, engines a host never releases) still stop their timers and targets through it.
UiQueue& UiQueue::main() {
  static UiQueue* const queue = new UiQueue;
  return *queue;
}

UiQueue::UiQueue() {
  items_.reserve(kReserved);
  spare_.reserve(kReserved);
}

UiTarget UiQueue::createTarget(Handler handler) {
  std::lock_guard lock(mutex_);
  const UiTarget target = nextTarget_++;
  targets_.emplace(target, std::move(handler));
  return target;
}

void UiQueue::destroyTarget(UiTarget target) {
  std::lock_guard lock(mutex_);
  targets_.erase(target);
}

bool UiQueue::isTarget(UiTarget target) const {
  std::lock_guard lock(mutex_);
  return targets_.count(target) != 0;
}

void UiQueue::wake() const {
  if (const Waker waker = waker_) waker();
}

// Only a post to an empty queue wakes the pumping thread: one wake covers everything that
// follows until the next pump takes the batch.
bool UiQueue::post(UiTarget target, UiMessage message, std::uintptr_t wParam, std::intptr_t lParam) {
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    if (!targets_.count(target)) return false;
    first = items_.empty();
    items_.push_back({target, message, wParam, lParam, {}});
  }
  arrived_.notify_all();
  if (first) wake();
  return true;
}

void UiQueue::post(std::function<void()> task) {
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    first = items_.empty();
    items_.push_back({kNoTarget, 0, 0, 0, std::move(task)});
  }
  arrived_.notify_all();
  if (first) wake();
}

std::size_t UiQueue::pump() {
  TAMBORAK_ASSERT_NOT_AUDIO();
  UiScope ui;
  std::vector<Item> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(items_);
    items_.swap(spare_);  // posts go on into reserved storage
  }
  std::size_t ran = 0;
  for (Item& item : batch) {
    if (item.target == kNoTarget) {
      if (item.task) item.task();
      ++ran;
      continue;
    }
    Handler handler;
    {
      std::lock_guard lock(mutex_);
      const auto found = targets_.find(item.target);
      if (found == targets_.end()) continue;  // destroyed since it was posted
      handler = found->second;
    }
    handler(item.message, item.wParam, item.lParam);
    ++ran;
  }
  batch.clear();
  std::lock_guard lock(mutex_);
  if (batch.capacity() > spare_.capacity()) spare_.swap(batch);
  return ran;
}

// Waits no longer than until the next timer is due.
std::size_t UiQueue::waitAndPump(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(mutex_);
    const std::chrono::milliseconds at = now();
    for (const auto& [id, timer] : timers_) timeout = std::min(timeout, std::max(timer.due - at, std::chrono::milliseconds(0)));
    arrived_.wait_for(lock, timeout, [this] { return !items_.empty(); });
  }
  const std::size_t ran = pump();
  return ran + fireDueTimers();
}

std::size_t UiQueue::pending() const {
  std::lock_guard lock(mutex_);
  return items_.size();
}

}  // namespace velmora::platform

namespace velmora::platform {

std::chrono::milliseconds UiQueue::now() const {
  if (clock_) return clock_();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

UiQueue::TimerId UiQueue::startTimer(std::chrono::milliseconds period, std::function<void()> task) {
  TimerId id = 0;
  {
    std::lock_guard lock(mutex_);
    period = std::max(period, std::chrono::milliseconds(1));
    id = nextTimer_++;
    if (nextTimer_ == 0) nextTimer_ = 1;
    timers_[id] = Timer{period, now() + period, std::move(task)};
  }
  arrived_.notify_all();  // a waiting pump shortens its wait
  wake();
  return id;
}

std::chrono::milliseconds UiQueue::untilNextTimer() const {
  std::lock_guard lock(mutex_);
  if (timers_.empty()) return std::chrono::milliseconds(-1);
  const std::chrono::milliseconds at = now();
  std::chrono::milliseconds next = std::chrono::milliseconds::max();
  for (const auto& [id, timer] : timers_) next = std::min(next, std::max(timer.due - at, std::chrono::milliseconds(0)));
  return next;
}

void UiQueue::stopTimer(TimerId id) {
  std::lock_guard lock(mutex_);
  timers_.erase(id);
}

// Each due timer is rescheduled before any task runs, so a task that starts, stops or waits on
// timers sees a consistent set; a task stopped by an earlier one in the same call does not run.
std::size_t UiQueue::fireDueTimers() {
  TAMBORAK_ASSERT_NOT_AUDIO();
  UiScope ui;
  std::vector<TimerId> due;
  {
    std::lock_guard lock(mutex_);
    const std::chrono::milliseconds at = now();
    for (auto& [id, timer] : timers_) {
      if (timer.due > at) continue;
      due.push_back(id);
      timer.due += timer.period;
      if (timer.due <= at) timer.due = at + timer.period;
    }
  }
  std::size_t ran = 0;
  for (const TimerId id : due) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      const auto found = timers_.find(id);
      if (found == timers_.end()) continue;
      task = found->second.task;
    }
    if (task) task();
    ++ran;
  }
  return ran;
}

void UiQueue::setClock(Clock clock) {
  std::lock_guard lock(mutex_);
  clock_ = std::move(clock);
}

}  // namespace velmora::platform
