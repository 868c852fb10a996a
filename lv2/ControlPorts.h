// The plug-in's ports: MIDI in and out, a control port for each global control that has one, and
// the panel's notify port. Shared by the plug-in and its panel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/GlobalControls.h"

namespace velmora::lv2 {

// Port indices, as the plug-in's description lists them.
enum Port : std::uint32_t {
  kPortIn = 0,
  kPortOut = 1,
  kPortFirstControl = kFirstControlPort,
  kPortNotify = kFirstControlPort + kControlPortCount,  // atom output: the state block for the panel
  kPortCount
};
inline constexpr std::size_t kControlCount = kControlPortCount;

// The control number (0 .. kControlCount-1) of the port with symbol `symbol`. [any-thread]
constexpr std::size_t controlIndex(const char* symbol) {
  const GlobalControl* c = findGlobalControl(symbol);
  return c && c->symbol ? c->port - kFirstControlPort : kControlCount;
}

// A port's value as the engine takes it: rounded and clamped to the port's range; `fallback`
// when it is not a number. [any-thread, real-time safe]
std::int32_t controlValue(std::size_t control, float raw, std::int32_t fallback);

}  // namespace velmora::lv2
