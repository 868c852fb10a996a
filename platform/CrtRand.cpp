#include "platform/CrtRand.h"

#include <atomic>

namespace velmora {
namespace {
std::atomic<std::uint32_t> crtState{1};  // the C runtime starts as if seeded with 1
constexpr std::uint32_t step(std::uint32_t s) noexcept { return s * 214013u + 2531011u; }
}  // namespace

int crtRand() noexcept {
  std::uint32_t old = crtState.load(std::memory_order_relaxed);
  while (!crtState.compare_exchange_weak(old, step(old), std::memory_order_relaxed)) {
  }
  return static_cast<int>((step(old) >> 16) & 0x7FFFu);
}

void crtSrand(std::uint32_t seed) noexcept { crtState.store(seed, std::memory_order_relaxed); }

}  // namespace velmora
