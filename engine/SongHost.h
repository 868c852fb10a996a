// What the engine asks of the song it plays in: the resolution, the tempo, the meter map and
// the song position. Each host adapter answers from its own transport (the Windows host's time
// converter and meter map, the LV2 host's time:Position, the program's song).
#pragma once

#include <cstdint>

namespace velmora {

// A song position in ticks at the song's resolution.
using SongTick = std::int32_t;

// A meter from `measure` (counted from 1) on: numerator beats of a whole note / 2^power each.
struct Meter {
  std::int32_t measure = 1;
  std::int32_t numerator = 4;
  std::int32_t denominatorPower = 2;
};

class SongHost {
 public:
  // Ticks per quarter note; 0 or below when the host cannot say (the engine keeps the last).
  // [any-thread, real-time safe]
  virtual std::int32_t ticksPerQuarter() = 0;
  // The tempo at the start of the song, in quarter notes per minute x 100; false when unknown.
  // [main-thread]
  virtual bool firstTempo(std::int32_t& tempo) = 0;
  // The number of the meter in force at `tick`, and meter `index`; false when there is none.
  // [any-thread, real-time safe]
  virtual std::int32_t meterIndexAt(SongTick tick) = 0;
  virtual bool meter(std::int32_t index, Meter& meter) = 0;
  // Song position of measure, beat (both from 1) and tick in the song's meters, and the
  // inverse (false when the host cannot convert). [any-thread, real-time safe]
  virtual SongTick mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) = 0;
  virtual bool ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) = 0;

 protected:
  ~SongHost() = default;
};

}  // namespace velmora
