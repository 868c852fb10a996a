// The engine's own time base, shared by the engine's source files that convert song positions.
#pragma once

#include "engine/Tamborak.h"

namespace velmora {

// The engine's conversions at the host resolution last seen, for threads other than the
// rendering one (which uses the engine's own face).
class Tamborak::TimeBase final : public ProcessContext {
 public:
  explicit TimeBase(Tamborak& engine) : engine_(engine) { ticksPerQuarter = engine.hostTicksPerQuarter_; }
  void emit(const MidiEvent&) override {}
  std::int32_t mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override {
    return engine_.toTicks(ticksPerQuarter, measure, beat, tick);
  }
  void ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override {
    engine_.fromTicks(ticksPerQuarter, ticks, measure, beat, tick);
  }

 private:
  Tamborak& engine_;
};

}  // namespace velmora
