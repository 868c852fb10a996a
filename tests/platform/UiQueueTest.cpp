#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/UiQueue.h"

using namespace velmora::platform;
using namespace std::chrono_literals;

TEST(UiQueue, RunsMessagesAndTasksInOrderDropsThoseOfDestroyedTargetsAndRegistersNames) {
  UiQueue queue;
  std::vector<std::string> log;
  const UiTarget t = queue.createTarget([&](UiMessage m, std::uintptr_t w, std::intptr_t l) {
    log.push_back(std::to_string(m) + ":" + std::to_string(w) + ":" + std::to_string(l));
  });
  const UiTarget gone = queue.createTarget([&](UiMessage, std::uintptr_t, std::intptr_t) { log.push_back("gone"); });
  EXPECT_TRUE(queue.post(t, 7, 1, -1));
  queue.post([&] { log.push_back("task"); });
  EXPECT_TRUE(queue.post(gone, 8));
  queue.destroyTarget(gone);
  EXPECT_FALSE(queue.isTarget(gone));
  EXPECT_FALSE(queue.post(gone, 9));
  EXPECT_EQ(queue.pump(), 2u);
  EXPECT_EQ(log, (std::vector<std::string>{"7:1:-1", "task"}));

  // Registered names give stable, distinct ids above the fixed messages.
  const UiMessage a = registerUiMessage("Test_A"), b = registerUiMessage("Test_B");
  EXPECT_GE(a, 0xC000u);
  EXPECT_NE(a, b);
  EXPECT_EQ(registerUiMessage("Test_A"), a);
}

TEST(UiQueue, PostFromAnotherThreadWakesTheWaitingPump) {
  UiQueue queue;
  bool ran = false;
  std::thread poster([&] {
    std::this_thread::sleep_for(20ms);
    queue.post([&] { ran = true; });
  });
  const auto start = std::chrono::steady_clock::now();
  std::size_t n = 0;
  while (!n && std::chrono::steady_clock::now() - start < 5s) n = queue.waitAndPump(5s);
  poster.join();
  EXPECT_EQ(n, 1u);
  EXPECT_TRUE(ran);
}

TEST(UiQueue, TimersTickEveryPeriodWithoutMakingUpMissedTicksUntilStopped) {
  UiQueue queue;
  std::chrono::milliseconds now{1000};
  queue.setClock([&] { return now; });
  int ticks = 0;
  UiQueue::TimerId timer = 0;
  timer = queue.startTimer(30ms, [&] {
    if (++ticks == 3) queue.stopTimer(timer);  // a tick may stop its own timer
  });
  for (const auto& [step, ran] : {std::pair(29ms, 0u), std::pair(1ms, 1u), std::pair(100ms, 1u), std::pair(29ms, 0u),
                                  std::pair(1ms, 1u), std::pair(1000ms, 0u)}) {
    now += step;
    EXPECT_EQ(queue.fireDueTimers(), ran) << now.count();
  }
  EXPECT_EQ(ticks, 3);
}
