#include "loops/StrokeTiming.h"

#include <algorithm>

#include "platform/CrtRand.h"

namespace velmora {

namespace {

// The swing warp of position x on a grid of step s with delay d.
std::int64_t warp(std::int64_t x, std::int64_t s, std::int64_t d) {
  const std::int64_t k = x / s, base = k * s, r = x - base;
  return k % 2 == 0 ? (s + d) * r / s + base : (s - d) * r / s + base + d;
}

}  // namespace

std::int32_t quantizeTime(std::int32_t t, std::int32_t step) {
  if (step <= 0) return t;
  const std::int64_t shifted = std::int64_t{t} + step / 4;
  return static_cast<std::int32_t>(shifted - shifted % step);
}

void swing(MidiEvent& event, std::int32_t step, std::int32_t percent) {
  if (step <= 0) return;
  const std::int64_t delay = std::int64_t{step / 2} * percent / 100;
  const std::int64_t start = event.time;
  const auto duration = static_cast<std::int32_t>(event.duration);
  if (duration > 0) {
    const std::int64_t length = warp(start + duration, step, delay) - warp(start, step, delay);
    event.duration = static_cast<std::uint32_t>(std::max<std::int64_t>(length, 0));
  }
  event.time = static_cast<std::int32_t>(warp(start, step, delay));
}

std::int32_t humanize(std::int32_t velocity, std::int32_t spread, std::int32_t trend) {
  const std::int32_t h = std::clamp(spread, 0, 127);  // the range of the control
  std::int32_t lo = -h, hi = h;
  if (trend > 0) lo = std::min(trend - h, h);
  if (trend < 0) hi = std::max(h + trend, -h);
  const std::int32_t r = crtRand() % (hi - lo + 1) + lo;
  return std::clamp(velocity + r, 1, 127);
}

}  // namespace velmora
