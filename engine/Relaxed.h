// A value that one thread writes while another reads it without a lock: every access is a relaxed
// atomic load or store, so the readers see some recent value, never a torn one, and the program
// stays free of data races. For independent controls only: two of them read one after the other
// may come from different moments. [any-thread, real-time safe]
#pragma once

#include <atomic>

namespace velmora {

template <typename T>
class Relaxed {
 public:
  constexpr Relaxed(T value = T()) noexcept : value_(value) {}
  Relaxed(const Relaxed&) = delete;
  Relaxed& operator=(const Relaxed&) = delete;

  operator T() const noexcept { return value_.load(std::memory_order_relaxed); }
  T load() const noexcept { return value_.load(std::memory_order_relaxed); }
  Relaxed& operator=(T value) noexcept {
    value_.store(value, std::memory_order_relaxed);
    return *this;
  }
  // Stores `value` and gives the value it replaced.
  T exchange(T value) noexcept { return value_.exchange(value, std::memory_order_relaxed); }

 private:
  std::atomic<T> value_;
};

}  // namespace velmora
