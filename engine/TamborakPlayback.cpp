// Playback: host windows to slice renders, trigger notes and quick-pad timing, the emitted
// events, the musical time conversions and the time base of an export.
//
// Real time: a window allocates nothing, does no I/O and waits for nothing but the pad lock and
// the slices' locks, which the user-interface thread holds only to swap finished work in. Trigger
// notes and returns switch to ready pads (engine/TamborakPads.cpp).
#include <algorithm>
#include <limits>

#include "engine/EngineProcess.h"
#include "engine/EngineTrace.h"
#include "engine/ReadyPads.h"
#include "engine/Tamborak.h"
#include "engine/TimeBase.h"
#include "loops/Looper.h"
#include "loops/Phrase.h"
#include "loops/StrokeTiming.h"
#include "platform/ThreadRole.h"

namespace velmora {

namespace {

std::int32_t wrapped(std::int64_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

void Tamborak::startWindow(EventSink* sink) {
  if (!song_) return;
  emittedCount_ = 0;
  sink_ = sink;
  // A host that reports no positive resolution keeps the last one: conversions divide by it.
  const std::int32_t resolution = song_->ticksPerQuarter();
  if (resolution > 0) ticksPerQuarter = hostTicksPerQuarter_ = resolution;
}

void Tamborak::endWindow() {
  sink_ = nullptr;
  emittedCount_ = 0;
}

void Tamborak::process(SongTick from, SongTick thru, const EventSource& input, EventSink& sink) {
  TAMBORAK_ASSERT_NOT_UI();
  platform::AudioScope audio;
  std::lock_guard guard(padLock_);
  startWindow(&sink);
  const std::size_t count = input.size();
  engineTrace("EVENTS from %d to %d, count = %d\n", from, thru, static_cast<int>(count));

  std::int64_t cursor = from;
  for (std::size_t i = 0; i < count; ++i) {
    MidiEvent event;
    if (!input.get(i, event)) continue;
    if (triggerEnabled_ && event.type == kEventNote && event.data1 == triggerHighKey_ + 1) {
      triggerKey(event.data1, false, std::clamp<SongTick>(event.time, from, thru));
    } else if (triggerEnabled_ && event.type == kEventNote && event.data1 >= triggerLowKey_ &&
               event.data1 <= triggerHighKey_) {
      // The switch happens at the note's tick, kept inside the part of the window not yet played.
      const std::int64_t at = std::clamp<std::int64_t>(event.time, cursor, std::int64_t{thru} + 1);
      if (at > cursor) render(static_cast<SongTick>(cursor), static_cast<SongTick>(at - 1));
      cursor = at;
      engineTrace("\tDURA at %d: %d is chosen\n", event.time, event.data1 - triggerLowKey_);
      triggerKey(event.data1, false);
    } else {
      sink.pass(i);
    }
  }
  if (cursor <= thru) render(static_cast<SongTick>(cursor), thru);

  if (emittedCount_ == 0 && count == 0) {
    MidiEvent placeholder;
    placeholder.time = from;
    placeholder.type = kEventKeyAftertouch;
    emit(placeholder);
  }
  endWindow();
}

void Tamborak::render(SongTick from, SongTick to) {
  while (returnMode_ != 0) {
    const SongTick at = switchTime_;
    if (at < from || at > to) break;
    if (at > from) renderSlices(from, at - 1);
    const std::int32_t mode = returnMode_;
    setLoopIdx(returnLoopIdx_, false, mode < 0 ? mode : 0);
    from = at;
    if (switchTime_ <= at) break;  // song time ends before the next cycle
  }
  renderSlices(from, to);
}

void Tamborak::renderSlices(SongTick from, SongTick to) {
  if (from > to) return;
  engineTrace("\tprocess from %d to %d\n", from, to);
  const PhraseSettings phrase = playingPhrase();
  const std::int32_t live = liveFillBar_;
  Looper& fill = playingSlice(kFillSlice);
  const FillCue cue{(phrase.bars > 0 || live > 0) && fill.sounds(), fill.firstBeat(), live};
  // The window is cut once for all parts; one too long for the plan is cut by each part.
  PhrasePlan plan;
  plan.cut(phrase, cue, *this, from, to);
  for (std::size_t i = 0; i < kPartCount; ++i) {
    if (plan.overflowed())
      renderPart(playingSlice(i), static_cast<int>(i), phrase, cue, *this, from, to);
    else
      plan.render(playingSlice(i), static_cast<int>(i), *this);
  }
  if (live > 0 && to >= liveFillEnd_) liveFillBar_ = 0;  // played, crash and all
}

void Tamborak::requestLiveFill(SongTick time) {
  if (time < 0) return;
  // The resolution other threads may read: this also runs on the host's input thread.
  const std::int32_t resolution = hostTicksPerQuarter_;
  std::int32_t measure = 1, beat = 1, tick = 0;
  fromTicks(resolution, time, measure, beat, tick);
  liveFillEnd_ = toTicks(resolution, measure + 1, 1, 0);
  liveFillBar_ = measure;
}

void Tamborak::keepLiveFillAt(SongTick time) {
  const std::int32_t bar = liveFillBar_;
  if (bar > 0 && (time < mbtToTicks(bar, 1, 0) || time >= liveFillEnd_)) liveFillBar_ = 0;
}

bool Tamborak::triggerKey(int key, bool immediate, SongTick time) {
  const std::int32_t low = triggerLowKey_;
  if (!triggerEnabled_ || key < low || key > triggerHighKey_ + 1) return false;
  if (key == triggerHighKey_ + 1) {
    requestLiveFill(time >= 0 ? time : getNowTime());
    return true;
  }
  if (immediate)
    switchLive(key - low);
  else
    setLoopIdx(key - low, false, 0);
  return true;
}

void Tamborak::switchLive(std::int32_t index) {
  const std::int32_t old = loopIdx_;
  // Asked before the pads lock: the host's answer may wait for its window's thread.
  const SongTick now = getNowTime();
  SongTick next = 0;
  {
    std::lock_guard guard(padLock_);
    startPlaying(index);
    next = playingCycleEnd(now);
  }
  liveSwitchPending_ = true;
  announceLoopIdx(index, old);
  switchTime_ = next;
  returnLoopIdx_ = -1;
  returnMode_ = 0;
}

void Tamborak::setLoopIdx(std::int32_t index, bool immediate, std::int32_t returnMode) {
  const std::int32_t old = loopIdx_;
  SongTick next = 0;
  if (immediate) {
    // Choosing the pad the slices hold again stores it and reads it back, announced, as any
    // selection does.
    const bool again = index == old && index == slicesPad_;
    {
      std::lock_guard guard(padLock_);
      startPlaying(index);
    }
    tellViews(index, old);
    completeSwitch(true);
    if (again) {
      quickPads().storePad(index);
      quickPads().recallPad(index, true);
    }
    const SongTick t = getNowTime();
    std::lock_guard guard(padLock_);
    next = playingCycleEnd(t);
  } else {
    startPlaying(index);
    announceLoopIdx(index, old);
    next = playingCycleEnd(switchTime_);
  }
  switchTime_ = next;
  returnLoopIdx_ = returnMode != 0 ? old : -1;
  returnMode_ = returnMode;
}

SongTick Tamborak::playingCycleEnd(SongTick t) {
  TimeBase time(*this);
  SongTick next = 0;
  for (std::size_t i = 0; i < kSliceCount; ++i) next = std::max(next, playingSlice(i).nextCycleStart(t, time));
  return next;
}

void Tamborak::announceLoopIdx(std::int32_t index, std::int32_t old) {
  if (const platform::UiMessage message = EngineProcess::viewsSetLoopIdxMessage())
    platform::UiQueue::main().post(uiTarget_, message, static_cast<std::uintptr_t>(index), old);
}

void Tamborak::onEngineMessage(platform::UiMessage message, std::uintptr_t index, std::intptr_t old) {
  if (message != EngineProcess::viewsSetLoopIdxMessage()) return;
  completeSwitch(liveSwitchPending_.exchange(false));
  tellViews(static_cast<std::int32_t>(index), static_cast<std::int32_t>(old));
}

void Tamborak::tellViews(std::int32_t index, std::int32_t old) {
  if (const platform::UiMessage message = EngineProcess::viewsSetLoopIdxMessage())
    for (TamborakView* view : views_)
      platform::UiQueue::main().post(view->window(), message, static_cast<std::uintptr_t>(index), old);
}

// ---- ProcessContext

void Tamborak::emit(const MidiEvent& event) {
  if (!sink_) return;
  MidiEvent out = event;
  out.port = static_cast<std::uint8_t>(outPort_);
  const std::int32_t channel = outChannel_;
  if (channel != -1 && out.type <= kEventPitchWheel) out.channel = static_cast<std::uint8_t>(channel & 0x0F);
  sink_->emit(out);
  ++emittedCount_;
}

std::int32_t Tamborak::mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) {
  return toTicks(ticksPerQuarter, measure, beat, tick);
}

void Tamborak::ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) {
  fromTicks(ticksPerQuarter, ticks, measure, beat, tick);
}

// Without a host, 4/4 at the given resolution.
std::int32_t Tamborak::toTicks(std::int32_t resolution, std::int32_t measure, std::int32_t beat, std::int32_t tick) {
  if (song_) return song_->mbtToTicks(measure, beat, tick);
  return wrapped(((std::int64_t{measure} - 1) * 4 + (std::int64_t{beat} - 1)) * resolution + tick);
}

// Without a host the tick within the beat is not kept.
void Tamborak::fromTicks(std::int32_t resolution, std::int32_t ticks, std::int32_t& measure, std::int32_t& beat,
                         std::int32_t& tick) {
  if (song_ && song_->ticksToMbt(ticks, measure, beat, tick)) return;
  const std::int32_t quarters = ticks / resolution;
  measure = quarters / 4 + 1;
  beat = quarters % 4 + 1;
  tick = 0;
}

// ---- Export time base

namespace {

// beats * whole / divisor, saturated to 0..INT32_MAX: the stored bar count and the host's meter
// may be anything, and a length past the range of a song position means "as far as it goes".
// beats and whole are below 2^62 and 2^34 in size; divisor is a power of two from 1.
SongTick exportTicks(std::int64_t beats, std::int64_t whole, std::int64_t divisor) {
  if (beats <= 0) return 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  if (beats > kMax * divisor / whole) return static_cast<SongTick>(kMax);
  return static_cast<SongTick>(std::min(beats * whole / divisor, kMax));
}

}  // namespace

SongTick Tamborak::exportLength(SongTick t) {
  std::int64_t whole = 1920;
  if (song_) {
    const std::int64_t product = 4 * std::int64_t{song_->ticksPerQuarter()};
    if (product > 0) whole = product;
  }
  const std::int64_t bars = std::clamp<std::int32_t>(exportBars_, 1, kMaxExportBars);
  if (song_) {
    Meter meter;
    if (song_->meter(song_->meterIndexAt(t), meter) && meter.denominatorPower >= 0 && meter.denominatorPower < 31)
      return exportTicks(bars * meter.numerator, whole, std::int64_t{1} << meter.denominatorPower);
  }
  return exportTicks(bars * 4, whole, 4);
}

void Tamborak::fillTimeBase(ExportTimeBase* base) {
  if (!base) return;
  *base = ExportTimeBase();
  if (!song_) return;
  const std::int32_t resolution = song_->ticksPerQuarter();
  if (resolution > 0) base->ticksPerQuarter = resolution;
  std::int32_t tempo = 0;
  if (song_->firstTempo(tempo)) base->tempo = tempo;
  Meter meter;
  if (song_->meter(0, meter)) {
    base->numerator = meter.numerator;
    base->denominatorPower = meter.denominatorPower;
  }
}

}  // namespace velmora
