#include "lv2/ControlPorts.h"

#include <algorithm>
#include <cmath>

namespace velmora::lv2 {

std::int32_t controlValue(std::size_t control, float raw, std::int32_t fallback) {
  if (control >= kControlCount || !std::isfinite(raw)) return fallback;
  const GlobalControl& c = kGlobalControls[control];
  const float clamped = std::clamp(raw, static_cast<float>(c.min), static_cast<float>(c.max));
  return static_cast<std::int32_t>(std::lround(clamped));
}

}  // namespace velmora::lv2
