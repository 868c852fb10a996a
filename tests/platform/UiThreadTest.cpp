// UiQueue::main() inside a Windows message loop: work posted from any thread, and timers, run on
// the thread whose loop dispatches messages; once detached, the loop runs none of it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/UiQueue.h"
#include "platform/UiThread.h"

using namespace velmora::platform;
using namespace std::chrono_literals;

namespace {

// The host's loop: only waiting for and dispatching messages, until `done` or the time is up.
void dispatchUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace

TEST(UiThread, PostedWorkAndTimersRunOnTheThreadThatDispatchesMessages) {
  UiQueue& queue = UiQueue::main();
  ASSERT_TRUE(attachUiThread());
  const DWORD ui = GetCurrentThreadId();
  std::atomic<DWORD> taskThread{0}, messageThread{0}, timerThread{0};
  std::atomic<int> ticks{0};
  const UiTarget target = queue.createTarget([&](UiMessage, std::uintptr_t, std::intptr_t) { messageThread = GetCurrentThreadId(); });
  dispatchUntil([] { return false; }, 30ms);  // the loop idles before anything is posted
  std::thread poster([&] {
    queue.post([&] { taskThread = GetCurrentThreadId(); });
    queue.post(target, registerUiMessage("Test_UiThread"));
  });
  poster.join();
  // Posts alone wake the loop: no timer runs yet.
  dispatchUntil([&] { return taskThread && messageThread; }, 5s);
  EXPECT_EQ(taskThread, ui);
  EXPECT_EQ(messageThread, ui);
  const UiQueue::TimerId timer = queue.startTimer(20ms, [&] {
    timerThread = GetCurrentThreadId();
    ++ticks;
  });
  dispatchUntil([&] { return ticks >= 2; }, 5s);
  EXPECT_EQ(timerThread, ui);
  EXPECT_GE(ticks, 2);
  queue.stopTimer(timer);
  queue.destroyTarget(target);

  detachUiThread();
  EXPECT_FALSE(uiThreadAttached());
  bool ran = false;
  queue.post([&] { ran = true; });
  dispatchUntil([] { return false; }, 50ms);
  EXPECT_FALSE(ran);
  queue.pump();
  EXPECT_TRUE(ran);
}
