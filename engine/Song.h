// The time base of a song a host of ours plays (the program, the test hosts): ticks per quarter,
// tempo changes, and meters that change at chosen measures, with the conversions between ticks
// and measure, beat and tick that a host's meter map offers; it answers the engine as its song. Measures and beats count from 1; ticks before the song's start extend the
// first meter backwards. [any-thread once built; building is not thread-safe]
#pragma once

#include <cstdint>
#include <vector>

#include "engine/SongHost.h"

namespace velmora {

struct MeterChange {
  std::int32_t measure;           // first measure of this meter
  std::int32_t numerator;
  std::int32_t denominatorPower;  // the denominator is 2 to this power
  SongTick startTick;              // tick where `measure` begins
};

struct TempoChange {
  SongTick startTick;
  std::int32_t bpm100;  // beats per minute × 100
};

class Song final : public SongHost {
 public:
  // 4/4 from measure 1 at 120 beats per minute. Throws std::invalid_argument for a resolution
  // outside 1..2^24.
  explicit Song(std::int32_t ticksPerQuarter = 480);

  // From `measure` on, `numerator`/`denominator` (a power of two whose beat is a whole number of
  // ticks); replaces a change at the same measure. Throws std::invalid_argument otherwise.
  Song& meter(std::int32_t measure, std::int32_t numerator, std::int32_t denominator);
  // From `tick` on, `bpm100` beats per minute × 100; replaces a change at the same tick.
  Song& tempo(SongTick tick, std::int32_t bpm100);

  std::int32_t ticksPerQuarter() const { return ticksPerQuarter_; }

  // ---- SongHost [any-thread once built, real-time safe]
  std::int32_t ticksPerQuarter() override { return ticksPerQuarter_; }
  bool firstTempo(std::int32_t& tempo) override;
  std::int32_t meterIndexAt(SongTick ticks) override { return static_cast<const Song&>(*this).meterIndexAt(ticks); }
  bool meter(std::int32_t index, Meter& meter) override;
  SongTick mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override {
    return static_cast<const Song&>(*this).mbtToTicks(measure, beat, tick);
  }
  bool ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override {
    static_cast<const Song&>(*this).ticksToMbt(ticks, measure, beat, tick);
    return true;
  }
  const std::vector<MeterChange>& meters() const { return meters_; }
  const std::vector<TempoChange>& tempos() const { return tempos_; }

  // Index of the meter in effect at `ticks` (0 before the first change).
  std::int32_t meterIndexAt(SongTick ticks) const;
  void ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) const;
  // Beats and ticks past the end of a measure run on in that measure's meter; results beyond the
  // 32-bit range are clamped.
  SongTick mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) const;
  // Ticks of one beat and of one bar of meter `index`.
  std::int32_t beatTicks(std::size_t index) const;
  std::int32_t barTicks(std::size_t index) const;

 private:
  void placeMeters();

  std::int32_t ticksPerQuarter_;
  std::vector<MeterChange> meters_;
  std::vector<TempoChange> tempos_;
};

}  // namespace velmora
