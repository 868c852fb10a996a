// Stroke editing on the slice: mapping strokes-view positions to times and keys and back, and
// inserting, moving, re-voicing and erasing note records. Records change under the slice's lock
// with the render state reset, so the render pass starts again from the first record.
#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "loops/Looper.h"
#include "loops/StrokeTiming.h"

namespace velmora {

namespace {

// Pointer positions are measured from this pixel of the view.
constexpr int kPointerLeft = 6;
constexpr std::uint8_t kDrumChannel = 9;
constexpr std::uint8_t kReleaseVelocity = 64;
constexpr std::int32_t kNewVelocityMax = 127;

std::int32_t clampTime(std::int32_t t, std::int32_t length) { return std::clamp(t, 0, std::max(length - 1, 0)); }

// A sixteenth, ending at the latest one tick before the cycle does.
std::uint32_t strokeDuration(std::int32_t t, const StrokeGeometry& g) {
  return static_cast<std::uint32_t>(std::max(std::min(g.patternTicksPerQuarter / 4, g.length - t - 1), 0));
}

}  // namespace

void LooperEngine::viewTiming(const Looper& slice, std::int32_t& cycle, std::int32_t& resolution) {
  const CMidiTrack& track = slice.track();
  resolution = static_cast<std::int32_t>(track.division());
  cycle = std::max(track.BarCount(), 1) * 4 * resolution;
}

StrokeGeometry Looper::strokeGeometry(int viewWidth, int viewHeight) {
  StrokeGeometry g = StrokeGeometry::make(viewWidth, viewHeight, rowCount());
  std::int32_t cycle = 0, host = 0;
  engine_.viewTiming(*this, cycle, host);
  g.patternTicksPerQuarter = static_cast<std::int32_t>(track_.division());
  g.hostTicksPerQuarter = host > 0 ? host : g.patternTicksPerQuarter;
  const std::int32_t length = host > 0 ? scale(cycle, g.patternTicksPerQuarter, host) : cycle;
  g.length = std::max(length, 1);
  return g;
}

std::int32_t Looper::displayedTime(const MidiEvent& note) const {
  const auto resolution = static_cast<std::int32_t>(track_.division());
  const std::int32_t division = engine_.getSwingDivision();
  const std::int32_t step = division > 0 ? resolution / division : 0;
  std::int32_t offset = timeOffset_.load(std::memory_order_relaxed);
  if (resolution != kOffsetTicksPerQuarter) offset = scale(offset, resolution, kOffsetTicksPerQuarter);
  MidiEvent e = note;
  if (engine_.getQuantize()) e.time = quantizeTime(e.time, step);
  e.time = static_cast<std::int32_t>(std::int64_t{e.time} + offset);
  swing(e, step, engine_.getSwingPc());
  return e.time;
}

std::optional<Looper::Stroke> Looper::hitTest(const StrokeGeometry& g, int x, int y) {
  for (int row = g.rows - 1; row >= 0; --row) {
    const int key = rowKey(row);
    const int dy = std::abs(y - g.rowCentre(row));
    if (key < 0 || dy > 6) continue;
    for (Stroke s = track_.begin(); s != track_.end(); ++s) {
      if (!s->isNote() || s->data1 != key) continue;
      const std::int32_t t = displayedTime(*s);
      if (t < 0 || t >= g.length) continue;
      const int dx = std::abs(x - kPointerLeft - g.offsetOf(t));
      if (dx <= 6 && dx + dy < 8) return s;
    }
  }
  return std::nullopt;
}

std::int32_t Looper::xToTime(const StrokeGeometry& g, int x, int grid) const {
  const std::int32_t L = g.length;
  const std::int32_t t = clampTime(scale(x - kPointerLeft, L, g.width), L);
  if (grid < 1) return t;
  const std::int32_t cells = scale(L, grid, 4 * std::int64_t{g.patternTicksPerQuarter});
  if (t < 1 || cells < 2) return 0;
  std::int32_t earlier = 0;
  for (std::int32_t k = 1; k < cells; ++k) {
    const std::int32_t line = scale(L, k, cells);
    if (t < static_cast<std::int32_t>((std::int64_t{line} + earlier + 1) / 2)) return earlier;
    earlier = line;
  }
  return earlier;
}

int Looper::yToRow(const StrokeGeometry& g, int y) const {
  int row = g.rows - 1;
  while (row > 0 && y > g.rowCentre(row) + g.step / 2) --row;
  return rowKey(row);
}

std::optional<Looper::Stroke> Looper::findStroke(std::int32_t t, int key) {
  // A stroke stored at t counts too: with swing, quantize or an offset a stroke inserted at a
  // grid line shows elsewhere, and painting over its cell again must not add it twice.
  for (Stroke s = track_.begin(); s != track_.end(); ++s)
    if (s->isNote() && s->data1 == key && (displayedTime(*s) == t || s->time == t)) return s;
  return std::nullopt;
}

std::optional<Looper::Stroke> Looper::insertStroke(const StrokeGeometry& g, std::int32_t t, int key, int velocity) {
  if (key < 0 || key > 127) return std::nullopt;
  MidiEvent e;
  e.time = clampTime(t, g.length);
  e.channel = kDrumChannel;
  e.type = kEventNote;
  e.data1 = static_cast<std::uint8_t>(key);
  e.data2 = static_cast<std::uint8_t>(std::clamp(velocity, 1, kNewVelocityMax));
  e.data3 = kReleaseVelocity;
  e.duration = strokeDuration(e.time, g);
  const Stroke s = editTrack([&](CMidiTrack& track) { return track.Insert(e); });
  markEdited();
  return s;
}

std::optional<Looper::Stroke> Looper::insertStrokeAt(const StrokeGeometry& g, int x, int y, int velocity) {
  return insertStroke(g, xToTime(g, x, 0), yToRow(g, y), velocity);
}

bool Looper::holds(Stroke stroke) {
  for (Stroke s = track_.begin(); s != track_.end(); ++s)
    if (s == stroke) return true;
  return false;
}

bool Looper::setStrokeVelocity(Stroke stroke, int velocity) {
  {
    // Held briefly so that the render pass never reads a half-written record.
    std::lock_guard guard(lock_);
    if (!holds(stroke)) return false;
    stroke->data2 = static_cast<std::uint8_t>(std::clamp(velocity, 1, 127));
  }
  markEdited();
  return true;
}

std::optional<Looper::Stroke> Looper::moveStroke(const StrokeGeometry& g, Stroke stroke, std::int32_t t) {
  const std::optional<Stroke> moved = editTrack([&](CMidiTrack& track) -> std::optional<Stroke> {
    if (!holds(stroke)) return std::nullopt;
    MidiEvent e = *stroke;
    e.time = clampTime(t, g.length);
    // A long stroke moved to the end would stretch the pattern by a bar.
    e.duration = std::min(e.duration, strokeDuration(e.time, g));
    track.Erase(stroke);
    return track.Insert(e);
  });
  if (moved) markEdited();
  return moved;
}

bool Looper::eraseStroke(Stroke stroke) {
  const bool erased = editTrack([&](CMidiTrack& track) {
    if (!holds(stroke)) return false;
    track.Erase(stroke);
    return true;
  });
  if (erased) markEdited();
  return erased;
}

Looper::BeatPosition Looper::beatPosition(const StrokeGeometry& g, std::int32_t t) const {
  std::int32_t beats = track_.BeatsPerBar(), bars = track_.BarCount();
  if (beats < 1) beats = 4;
  if (bars < 1) bars = 1;
  const std::int32_t q = std::max<std::int32_t>(g.length / (beats * bars), 1);
  BeatPosition p{t / q + 1, t % q};
  if (g.hostTicksPerQuarter != g.patternTicksPerQuarter) p.tick = scale(p.tick, g.hostTicksPerQuarter, g.patternTicksPerQuarter);
  return p;
}

}  // namespace velmora
