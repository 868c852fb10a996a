// The song an LV2 instance hands to its engine: the time base as the LV2 host last reported it
// (one tempo, one meter from the song's start, at a fixed resolution). Everything here is
// real-time safe.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/SongHost.h"

namespace velmora::lv2 {

// Ticks per quarter note of the songs the adapter counts.
inline constexpr std::int32_t kTicksPerQuarter = 960;

// The audio thread changes tempo and meter; any thread reads them.
class SongTime final : public SongHost {
 public:
  // A beat of 1/unit note in ticks; units that are no power of two from 1 to 64 count as 4.
  static std::int32_t beatTicks(std::int32_t unit);

  // [audio-thread, real-time safe]
  void setTempo(double beatsPerMinute, std::int32_t unit);
  void setMeter(std::int32_t beatsPerBar, std::int32_t unit);
  std::int32_t beatsPerBar() const { return beatsPerBar_.load(std::memory_order_relaxed); }
  std::int32_t beatUnit() const { return unit_.load(std::memory_order_relaxed); }
  std::int32_t barTicks() const { return beatsPerBar() * beatTicks(beatUnit()); }

  // ---- SongHost [any-thread, real-time safe]
  std::int32_t ticksPerQuarter() override { return kTicksPerQuarter; }
  bool firstTempo(std::int32_t& tempo) override;
  std::int32_t meterIndexAt(SongTick) override { return 0; }
  bool meter(std::int32_t index, Meter& meter) override;
  SongTick mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override;
  bool ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override;

 private:
  std::atomic<std::int32_t> bpm100_{12000};  // quarter notes per minute × 100
  std::atomic<std::int32_t> beatsPerBar_{4};
  std::atomic<std::int32_t> unit_{4};
};

}  // namespace velmora::lv2
