#include "lv2/SongTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora::lv2 {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::int32_t SongTime::beatTicks(std::int32_t unit) {
  if (unit < 1 || unit > 64 || (unit & (unit - 1)) != 0) unit = 4;
  return kTicksPerQuarter * 4 / unit;
}

void SongTime::setTempo(double beatsPerMinute, std::int32_t unit) {
  if (!(beatsPerMinute > 0) || !std::isfinite(beatsPerMinute)) return;
  const double quarters = beatsPerMinute * beatTicks(unit) / kTicksPerQuarter;
  bpm100_.store(static_cast<std::int32_t>(std::clamp(std::lround(quarters * 100.0), 1L, 10000000L)),
                std::memory_order_relaxed);
}

void SongTime::setMeter(std::int32_t beatsPerBar, std::int32_t unit) {
  beatsPerBar_.store(std::clamp(beatsPerBar, 1, 255), std::memory_order_relaxed);
  unit_.store(beatTicks(unit) * unit == kTicksPerQuarter * 4 ? unit : 4, std::memory_order_relaxed);
}

bool SongTime::firstTempo(std::int32_t& tempo) {
  tempo = bpm100_.load(std::memory_order_relaxed);
  return true;
}

bool SongTime::ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) {
  const std::int64_t perBeat = beatTicks(beatUnit()), perBar = beatsPerBar();
  const std::int64_t beats = floorDiv(ticks, perBeat);
  tick = static_cast<std::int32_t>(ticks - beats * perBeat);
  measure = static_cast<std::int32_t>(floorDiv(beats, perBar) + 1);
  beat = static_cast<std::int32_t>(beats - floorDiv(beats, perBar) * perBar + 1);
  return true;
}

SongTick SongTime::mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) {
  const std::int64_t ticks = ((std::int64_t{measure} - 1) * beatsPerBar() + beat - 1) * beatTicks(beatUnit()) + tick;
  return static_cast<SongTick>(std::clamp<std::int64_t>(ticks, std::numeric_limits<SongTick>::min(),
                                                        std::numeric_limits<SongTick>::max()));
}

bool SongTime::meter(std::int32_t index, Meter& meter) {
  if (index != 0) return false;
  meter.measure = 1;
  meter.numerator = beatsPerBar();
  std::int32_t power = 0;
  while ((1 << power) < beatUnit()) ++power;
  meter.denominatorPower = power;
  return true;
}

}  // namespace velmora::lv2
