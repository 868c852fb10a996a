// Posting work to the user-interface thread: registered message names, message targets (the
// hidden windows of the plug-in), timers, and a queue that the user-interface thread pumps. Any
// thread may post; only the pumping thread runs handlers, tasks and timers, handlers and tasks in
// the order they were posted.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

namespace velmora::platform {

using UiMessage = std::uint32_t;
using UiTarget = std::uintptr_t;
constexpr UiTarget kNoTarget = 0;

// The process-wide id of a message name: the same name always gives the same id, from 0xC000 up
// as registered window messages do; 0 when the id range is used up. [any-thread]
UiMessage registerUiMessage(std::string_view name);

class UiQueue {
 public:
  using Handler = std::function<void(UiMessage message, std::uintptr_t wParam, std::intptr_t lParam)>;
  using TimerId = std::uint32_t;
  // The time timers are measured against; by default a steady clock.
  using Clock = std::function<std::chrono::milliseconds()>;

  // Reserves room for kReserved items, so posting messages allocates nothing while fewer wait.
  UiQueue();
  UiQueue(const UiQueue&) = delete;
  UiQueue& operator=(const UiQueue&) = delete;

  // The queue of the process's user-interface thread. [any-thread]
  static UiQueue& main();

  // A new message target whose messages go to `handler`. [main-thread]
  UiTarget createTarget(Handler handler);
  // Forgets the target; messages still queued for it are dropped. [main-thread]
  void destroyTarget(UiTarget target);
  // Whether the target exists. [any-thread]
  bool isTarget(UiTarget target) const;

  // Queues a message for the target; false (nothing queued) when the target does not exist.
  // [any-thread; allocates nothing while fewer than kReserved items wait, else not real-time
  // safe]
  bool post(UiTarget target, UiMessage message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // Queues a task. [any-thread, not real-time safe: allocates]
  void post(std::function<void()> task);

  // Runs what was queued before the call (work queued by the handlers waits for the next pump)
  // and gives how many items ran. [main-thread]
  std::size_t pump();
  // Waits up to `timeout` for something to be queued, then pumps. [main-thread]
  std::size_t waitAndPump(std::chrono::milliseconds timeout);
  // Items waiting. [any-thread]
  std::size_t pending() const;

  // Runs `task` every `period` (at least 1 ms) from one period after now, until stopTimer; ticks
  // missed while the thread was busy are not made up. Gives the timer's id, never 0.
  // [main-thread, not real-time safe]
  TimerId startTimer(std::chrono::milliseconds period, std::function<void()> task);
  // Stops the timer; a tick of it that is running finishes. [main-thread]
  void stopTimer(TimerId id);
  // Runs every timer that is due by the clock, each once, and gives how many ran. waitAndPump
  // runs them too. [main-thread]
  std::size_t fireDueTimers();
  // Replaces the clock (tests step time by hand); an empty clock restores the steady clock.
  // [main-thread]
  void setClock(Clock clock);
  // Time until the next timer is due (0 when one is due now); -1 ms when no timer runs.
  // [any-thread]
  std::chrono::milliseconds untilNextTimer() const;

  // Called when work arrives for the pumping thread: a post to an empty queue, or a timer
  // started. A thread with a message loop installs one that wakes the loop; nullptr: none.
  // The waker runs on the posting thread and must not block. [any-thread]
  using Waker = void (*)();
  void setWaker(Waker waker) { waker_ = waker; }

 private:
  static constexpr std::size_t kReserved = 256;

  struct Item {
    UiTarget target;  // kNoTarget: a task
    UiMessage message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::function<void()> task;
  };

  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Item> items_;
  std::vector<Item> spare_;  // the last batch's storage, handed back to items_ by the next pump
  std::map<UiTarget, Handler> targets_;
  UiTarget nextTarget_ = 1;

  struct Timer {
    std::chrono::milliseconds period;
    std::chrono::milliseconds due;
    std::function<void()> task;
  };
  std::chrono::milliseconds now() const;  // mutex_ held
  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
  Clock clock_;
  std::atomic<Waker> waker_{nullptr};
  void wake() const;
};

}  // namespace velmora::platform
