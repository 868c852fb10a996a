#include "lv2/ControlPorts.h"

#include <algorithm>
#include <cmath>

#include "engine/Tamborak.h"

namespace velmora::lv2 {

namespace {

struct ControlRange {
  std::int32_t low, high;
};
// In port order.
constexpr std::array<ControlRange, kControlCount> kControlRanges = {
    {{0, 100}, {-100, 100}, {0, 100}, {0, 127}, {-100, 100}, {0, 1}, {0, 2}, {0, Tamborak::kPadCount - 1}}};

}  // namespace

std::int32_t controlValue(std::size_t control, float raw, std::int32_t fallback) {
  if (control >= kControlCount || !std::isfinite(raw)) return fallback;
  const ControlRange& range = kControlRanges[control];
  const float clamped = std::clamp(raw, static_cast<float>(range.low), static_cast<float>(range.high));
  return static_cast<std::int32_t>(std::lround(clamped));
}

void applyControl(Tamborak& e, std::size_t control, std::int32_t value) {
  switch (control + kPortSwing) {
    case kPortSwing: e.setSwingPc(value, false); break;
    case kPortDynamics: e.setVeloDyn(value, false); break;
    case kPortCentre: e.setVeloCenterPC(value, false); break;
    case kPortHumanize: e.setHumanizeVelo(value, false); break;
    case kPortTrend: e.setHumanizeVeloTrend(value, false); break;
    case kPortQuantize: e.setQuantize(value != 0, false); break;
    case kPortRange: e.setPatternGroup(value, true); break;
    case kPortPad: e.setLoopIdx(value, false, 0); break;
    default: break;
  }
}

std::int32_t readControl(Tamborak& e, std::size_t control) {
  switch (control + kPortSwing) {
    case kPortSwing: return e.getSwingPc();
    case kPortDynamics: return e.getVeloDyn();
    case kPortCentre: return e.getVeloCenterPC();
    case kPortHumanize: return e.getHumanizeVelo();
    case kPortTrend: return e.getHumanizeVeloTrend();
    case kPortQuantize: return e.getQuantize() ? 1 : 0;
    case kPortRange: return e.getPatternGroup();
    case kPortPad: return e.getLoopIdx();
    default: return 0;
  }
}

}  // namespace velmora::lv2
