// A periodic refresh of the link to the host on the user-interface thread: every two seconds,
// when the owner has work, the host's windows are looked up again and, while the host
// integration is on, the owner's work runs.
#pragma once

#include <chrono>

#include "platform/UiQueue.h"

namespace velmora::host {

class CWUpdater {
 public:
  static constexpr std::chrono::milliseconds kPeriod{2000};

  // Starts the timer on `queue`. [main-thread: the thread that pumps `queue`]
  explicit CWUpdater(platform::UiQueue& queue = platform::UiQueue::main());
  CWUpdater(const CWUpdater&) = delete;
  CWUpdater& operator=(const CWUpdater&) = delete;
  // Stops the timer. [main-thread: the thread that pumps the queue]
  virtual ~CWUpdater();

  // The refresh itself; the base does nothing. [main-thread]
  virtual void work() {}
  // Whether a tick has anything to do; the base answers no. [main-thread]
  virtual bool hasWork() { return false; }

  // One timer tick. [main-thread]
  void tick();

 private:
  platform::UiQueue& queue_;
  platform::UiQueue::TimerId timer_;
};

}  // namespace velmora::host
