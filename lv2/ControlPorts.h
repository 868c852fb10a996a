// The plug-in's control ports and the engine's global controls they stand for, shared by the
// plug-in and its panel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora {
class Tamborak;
}

namespace velmora::lv2 {

// Port indices, as the plug-in's description lists them.
enum Port : std::uint32_t {
  kPortIn = 0,
  kPortOut = 1,
  kPortSwing,
  kPortDynamics,
  kPortCentre,
  kPortHumanize,
  kPortTrend,
  kPortQuantize,
  kPortRange,
  kPortPad,
  kPortNotify,  // atom output: the state block for the panel
  kPortCount
};
inline constexpr std::size_t kControlCount = kPortNotify - kPortSwing;

// A port's value as the engine takes it: rounded and clamped to the port's range; `fallback`
// when it is not a number. [any thread, real-time safe]
std::int32_t controlValue(std::size_t control, float raw, std::int32_t fallback);
// Gives the engine control `control` (0 = swing .. kControlCount-1 = quick pad) the value.
// [main-thread, not real-time safe]
void applyControl(Tamborak& engine, std::size_t control, std::int32_t value);
// The engine's current value of control `control`. [main-thread]
std::int32_t readControl(Tamborak& engine, std::size_t control);

}  // namespace velmora::lv2
