#include "engine/Song.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace velmora {

namespace {
std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

SongTick clampTicks(std::int64_t t) {
  return static_cast<SongTick>(std::clamp<std::int64_t>(t, std::numeric_limits<SongTick>::min(),
                                                       std::numeric_limits<SongTick>::max()));
}
}  // namespace

Song::Song(std::int32_t ticksPerQuarter) : ticksPerQuarter_(ticksPerQuarter) {
  if (ticksPerQuarter < 1 || ticksPerQuarter > (1 << 24)) throw std::invalid_argument("ticks per quarter out of range");
  meters_.push_back({1, 4, 2, 0});
  tempos_.push_back({0, 12000});
}

Song& Song::meter(std::int32_t measure, std::int32_t numerator, std::int32_t denominator) {
  std::int32_t power = 0;
  while (power < 30 && (1 << power) < denominator) ++power;
  if (measure < 1 || numerator < 1 || numerator > 255 || denominator < 1 || (1 << power) != denominator ||
      (4 * std::int64_t{ticksPerQuarter_}) % denominator != 0)
    throw std::invalid_argument("meter not representable in this song");
  auto at = std::lower_bound(meters_.begin(), meters_.end(), measure,
                             [](const MeterChange& m, std::int32_t value) { return m.measure < value; });
  if (at != meters_.end() && at->measure == measure)
    *at = {measure, numerator, power, 0};
  else
    meters_.insert(at, {measure, numerator, power, 0});
  placeMeters();
  return *this;
}

Song& Song::tempo(SongTick tick, std::int32_t bpm100) {
  auto at = std::lower_bound(tempos_.begin(), tempos_.end(), tick,
                             [](const TempoChange& t, SongTick value) { return t.startTick < value; });
  if (at != tempos_.end() && at->startTick == tick)
    at->bpm100 = bpm100;
  else
    tempos_.insert(at, {tick, bpm100});
  return *this;
}

void Song::placeMeters() {
  std::int64_t start = 0;
  for (std::size_t i = 0; i < meters_.size(); ++i) {
    if (i > 0) start += (std::int64_t{meters_[i].measure} - meters_[i - 1].measure) * barTicks(i - 1);
    meters_[i].startTick = clampTicks(start);
  }
}

std::int32_t Song::beatTicks(std::size_t index) const {
  return 4 * ticksPerQuarter_ >> meters_.at(index).denominatorPower;
}

std::int32_t Song::barTicks(std::size_t index) const { return meters_.at(index).numerator * beatTicks(index); }

std::int32_t Song::meterIndexAt(SongTick ticks) const {
  std::int32_t index = 0;
  while (index + 1 < static_cast<std::int32_t>(meters_.size()) && meters_[index + 1].startTick <= ticks) ++index;
  return index;
}

void Song::ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) const {
  const std::size_t i = static_cast<std::size_t>(meterIndexAt(ticks));
  const std::int64_t offset = std::int64_t{ticks} - meters_[i].startTick;
  const std::int64_t bars = floorDiv(offset, barTicks(i));
  const std::int64_t within = offset - bars * barTicks(i);
  measure = static_cast<std::int32_t>(meters_[i].measure + bars);
  beat = static_cast<std::int32_t>(within / beatTicks(i)) + 1;
  tick = static_cast<std::int32_t>(within % beatTicks(i));
}

SongTick Song::mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) const {
  std::size_t i = 0;
  while (i + 1 < meters_.size() && meters_[i + 1].measure <= measure) ++i;
  return clampTicks(meters_[i].startTick + (std::int64_t{measure} - meters_[i].measure) * barTicks(i) +
                    (std::int64_t{beat} - 1) * beatTicks(i) + tick);
}

bool Song::firstTempo(std::int32_t& tempo) {
  tempo = tempos_.front().bpm100;
  return true;
}

bool Song::meter(std::int32_t index, Meter& meter) {
  if (index < 0 || static_cast<std::size_t>(index) >= meters_.size()) return false;
  const MeterChange& m = meters_[static_cast<std::size_t>(index)];
  meter = {m.measure, m.numerator, m.denominatorPower};
  return true;
}

}  // namespace velmora
