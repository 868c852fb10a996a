// The slice's render pass: walks the event list cycle by cycle, each cycle whole bars of the
// song's meter, transforms each record and emits those inside the window.
//
// Real time: nothing here allocates, does I/O or waits for anything but the slice's lock, which
// the user-interface thread holds only to swap finished work in.
#include <algorithm>
#include <limits>
#include <mutex>

#include "loops/Looper.h"
#include "loops/StrokeTiming.h"
#include "platform/CrtRand.h"

namespace velmora {

namespace {

// Song ticks are 32-bit; sums that could pass the end wrap instead of overflowing.
std::int32_t wrapped(std::int64_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

// The engine's controls, read once per window.
struct Looper::RenderControls {
  bool quantize;
  std::int32_t swingPc;
  std::int32_t humanizeVelo;
  std::int32_t humanizeTrend;
  const DrumMap& engineMap;
};

void Looper::resetRenderState() {
  render_ = RenderState();
  render_.iterator = track_.end();
}

void Looper::restartRender() {
  std::lock_guard guard(lock_);
  resetRenderState();
}

void Looper::setRenderFlags(RenderFlags flags) {
  std::lock_guard guard(lock_);
  flags_ = flags;
  render_.idleBefore = std::numeric_limits<std::int64_t>::min();
}

std::int32_t Looper::cycleLengthLocked(ProcessContext& context) const {
  std::int32_t length = track_.endTime();
  const auto resolution = static_cast<std::int32_t>(track_.division());
  if (resolution != context.ticksPerQuarter) length = scale(length, context.ticksPerQuarter, resolution);
  if (length <= 0) length = 100;
  const std::int32_t aligned = context.align(length, 1);
  return aligned > 0 ? aligned : length;  // a context without a meter keeps the pattern's own length
}

std::int32_t Looper::cycleLength(ProcessContext& context) const {
  std::lock_guard guard(lock_);
  return cycleLengthLocked(context);
}

std::int32_t Looper::cycleStartOf(std::int32_t t, ProcessContext& context) const {
  const std::int32_t length = cycleLength(context);
  const std::int32_t rest = t % length;
  if (t >= 0 || rest == 0) return t - rest;
  return wrapped(std::int64_t{t} - (rest + length));
}

std::int32_t Looper::nextCycleStart(std::int32_t t, ProcessContext& context) const {
  return context.align(wrapped(std::int64_t{t} + cycleLength(context)), 1);
}

void Looper::showPosition(std::int32_t t, ProcessContext& context) {
  if (!view_) return;
  const std::int32_t start = cycleStartOf(t, context);
  view_->showPosition(t - start, nextCycleStart(start, context) - start);
}

bool Looper::prepare(std::int32_t from, std::int32_t to, ProcessContext& context) {
  RenderState& rs = render_;
  const std::int32_t host = context.ticksPerQuarter;
  const auto list = static_cast<std::int32_t>(track_.division());
  std::int32_t offset = timeOffset_.load(std::memory_order_relaxed);
  if (host != kOffsetTicksPerQuarter) offset = scale(offset, host, kOffsetTicksPerQuarter);

  const bool continues =
      rs.nextFrom >= 0 && from == rs.nextFrom && offset == rs.offset && rs.hostResolution == host && rs.listResolution == list;
  if (!continues) {
    rs.hostResolution = host;
    rs.listResolution = list;
    rs.iterator = track_.begin();
    rs.cycleStart = cycleStartOf(wrapped(std::int64_t{from} - offset), context);
    rs.patternResolution = list;
    rs.offset = offset;
  }
  const std::int32_t division = engine_.getSwingDivision();
  const bool same = continues && division == rs.division;
  if (!same) {
    rs.division = division;
    rs.step = division > 0 ? rs.patternResolution / division : 0;
    if (rs.step != 0 && rs.patternResolution != host) rs.step = scale(rs.step, host, rs.patternResolution);
  }
  rs.nextFrom = wrapped(std::int64_t{to} + 1);
  return same;
}

void Looper::transform(MidiEvent& event, const RenderControls& controls, std::int32_t contextResolution) const {
  const RenderState& rs = render_;
  const bool rescale = rs.patternResolution != contextResolution;
  std::int32_t t = event.time;
  if (rescale) t = scale(t, contextResolution, rs.patternResolution);
  if (controls.quantize) t = quantizeTime(t, rs.step);
  event.time = wrapped(std::int64_t{rs.cycleStart} + t + (flags_.raw ? 0 : rs.offset));
  if (event.type != kEventNote) return;

  const auto duration = static_cast<std::int32_t>(event.duration);
  if (rescale && duration > 0)
    event.duration = static_cast<std::uint32_t>(scale(duration, contextResolution, rs.patternResolution));

  std::int32_t v = std::clamp(velocityAdjust_.load(std::memory_order_relaxed) + event.data2, 1, 127);
  v = curve_.lookup(v);
  if (!flags_.noHumanize) v = humanize(v, controls.humanizeVelo, controls.humanizeTrend);
  event.data2 = static_cast<std::uint8_t>(v);

  if (!flags_.noKeyMap) {
    const std::uint8_t instrument = controls.engineMap.note(event.data1);
    const std::int32_t note = fixedNoteOn() ? fixedNote() : drumMap_.note(instrument);
    event.data1 = static_cast<std::uint8_t>(std::clamp(note + noteOffset_.load(std::memory_order_relaxed), 0, 127));
  }
  if (!flags_.raw) swing(event, rs.step, controls.swingPc);
}

void Looper::render(std::int32_t from, std::int32_t to, ProcessContext& context) {
  if (muted() && !playAnyway()) return;
  std::lock_guard guard(lock_);
  if (track_.endTime() <= 0) return;
  RenderState& rs = render_;
  const bool same = prepare(from, to, context);
  const bool quantize = engine_.getQuantize();
  const std::int32_t swingPc = engine_.getSwingPc();
  // Most windows end before the next record: nothing to place again.
  if (same && to < rs.idleBefore && quantize == rs.idleQuantize && swingPc == rs.idleSwingPc) {
    if (rs.idleDraws) crtRand();
    return;
  }
  rs.idleBefore = std::numeric_limits<std::int64_t>::min();

  const RenderControls controls{quantize, swingPc, engine_.getHumanizeVelo(), engine_.getHumanizeVeloTrend(),
                                engine_.getDrumMap()};
  const std::uint32_t count = track_.eventCount();
  std::uint32_t unplayed = 0;  // records in a row that are never played
  for (;;) {
    const MidiEvent& record = *rs.iterator;
    if (record.type == kEventController || record.type == kEventProgramChange || record.type == kEventPitchWheel) {
      if (++unplayed >= count) break;  // a whole pass without a playable record
    } else {
      unplayed = 0;
      MidiEvent copy = record;
      transform(copy, controls, context.ticksPerQuarter);
      if (copy.time > to) {
        rs.idleBefore = copy.time;
        rs.idleQuantize = quantize;
        rs.idleSwingPc = swingPc;
        rs.idleDraws = record.type == kEventNote && !flags_.noHumanize;
        break;
      }
      if (copy.time >= from) context.emit(copy);
    }
    if (++rs.iterator == track_.end()) {
      rs.iterator = track_.begin();
      const std::int32_t next = nextCycleStart(rs.cycleStart, context);
      if (next <= rs.cycleStart) break;  // a meter that does not move on, or the end of song time
      rs.cycleStart = next;
    }
  }
}

bool Looper::sounds() const {
  if (muted() && !playAnyway()) return false;
  std::lock_guard guard(lock_);
  return track_.endTime() > 0;
}

void Looper::renderCrash(std::int32_t at, ProcessContext& context) {
  if (muted() && !playAnyway()) return;
  std::lock_guard guard(lock_);
  MidiEvent crash;
  crash.time = at;
  crash.type = kEventNote;
  crash.channel = track_.eventCount() != 0 ? track_.begin()->channel : 9;  // the slice's own channel
  crash.duration = static_cast<std::uint32_t>(std::max(context.ticksPerQuarter / 2, 1));
  const std::int32_t v = std::clamp(velocityAdjust_.load(std::memory_order_relaxed) + maxVelocity_, 1, 127);
  crash.data2 = static_cast<std::uint8_t>(curve_.lookup(v));
  std::int32_t note = kCrashKey;
  if (!flags_.noKeyMap)
    note = std::clamp(drumMap_.note(engine_.getDrumMap().note(kCrashKey)) + noteOffset_.load(std::memory_order_relaxed), 0,
                      127);
  crash.data1 = static_cast<std::uint8_t>(note);
  context.emit(crash);
}

}  // namespace velmora
