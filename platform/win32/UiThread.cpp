// UiQueue::main() driven by the host's message loop: a message-only window of our own class gets
// a registered wake message whenever work is posted, and system timer 1 set to the queue's next
// due timer; either pumps the queue and runs due timers.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "platform/UiQueue.h"
#include "platform/UiThread.h"

namespace velmora::platform {
namespace {

constexpr UINT_PTR kTimer = 1;

struct Driver {
  std::mutex lock;
  int users = 0;
  char className[64] = {};
  std::atomic<HWND> window{nullptr};
  UINT wakeMessage = 0;
};

Driver& driver() {
  static Driver d;
  return d;
}

HINSTANCE ownModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ownModule), &module);
  return module;
}

// Sets timer 1 to the queue's next due timer, or stops it.
void rearm(HWND window) {
  const std::chrono::milliseconds next = UiQueue::main().untilNextTimer();
  if (next.count() < 0) {
    KillTimer(window, kTimer);
    return;
  }
  const auto delay = static_cast<UINT>(std::min<std::chrono::milliseconds::rep>(std::max<std::chrono::milliseconds::rep>(next.count(), USER_TIMER_MINIMUM), 0x7FFFFFFF));
  SetTimer(window, kTimer, delay, nullptr);
}

void wakeWindow() {
  if (const HWND window = driver().window) PostMessageA(window, driver().wakeMessage, 0, 0);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == driver().wakeMessage && message != 0) || (message == WM_TIMER && wParam == kTimer)) {
    UiQueue& queue = UiQueue::main();
    queue.pump();
    queue.fireDueTimers();
    if (IsWindow(window)) rearm(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool attachUiThread() {
  Driver& d = driver();
  std::lock_guard guard(d.lock);
  if (d.users++ > 0) return d.window != nullptr;
  const HINSTANCE module = ownModule();
  d.wakeMessage = RegisterWindowMessageA("Velmora_UiQueueWake");
  std::snprintf(d.className, sizeof d.className, "%s_%08X", "velmora_UiQueue",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(module)));
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = module;
  windowClass.lpszClassName = d.className;
  RegisterClassA(&windowClass);  // may exist already from an earlier attach that failed to unregister
  const HWND window = CreateWindowExA(0, d.className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  if (!window) {
    UnregisterClassA(d.className, module);
    return false;
  }
  d.window = window;
  UiQueue::main().setWaker(wakeWindow);
  // Work queued before the window existed runs at the loop's next turn.
  wakeWindow();
  rearm(window);
  return true;
}

void detachUiThread() {
  Driver& d = driver();
  std::lock_guard guard(d.lock);
  if (d.users == 0 || --d.users > 0) return;
  UiQueue::main().setWaker(nullptr);
  if (const HWND window = d.window.exchange(nullptr)) {
    KillTimer(window, kTimer);
    DestroyWindow(window);
  }
  UnregisterClassA(d.className, ownModule());
}

bool uiThreadAttached() { return driver().window != nullptr; }

}  // namespace velmora::platform
