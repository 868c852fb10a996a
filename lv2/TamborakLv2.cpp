#include "lv2/TamborakLv2.h"

#include "lv2/PanelLink.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <span>

#include <new>

#include "engine/Tamborak.h"
#include "platform/UiQueue.h"

namespace velmora::lv2 {

namespace {

// The engine's user-interface work runs on one thread at a time: the host's main thread
// (instantiate, state, cleanup) and every instance's worker take this lock for it.
std::mutex& mainThreadLock() {
  static std::mutex lock;
  return lock;
}

const void* feature(const LV2_Feature* const* features, const char* uri) {
  for (; features && *features; ++features)
    if (std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
  return nullptr;
}

// A number of any of the atom types hosts use for time:Position's fields.
bool number(const LV2_Atom* atom, LV2_URID f, LV2_URID d, LV2_URID i, LV2_URID l, double& value) {
  if (!atom) return false;
  if (atom->type == f && atom->size >= sizeof(float)) value = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
  else if (atom->type == d && atom->size >= sizeof(double)) value = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
  else if (atom->type == i && atom->size >= sizeof(std::int32_t)) value = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
  else if (atom->type == l && atom->size >= sizeof(std::int64_t)) value = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
  else return false;
  return std::isfinite(value);
}

}  // namespace

Plugin* Plugin::create(double sampleRate, const LV2_Feature* const* features) {
  const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
  const auto* schedule = static_cast<const LV2_Worker_Schedule*>(feature(features, LV2_WORKER__schedule));
  if (!map || !schedule) {
    std::fprintf(stderr, "tamborak: the host offers no %s\n", map ? "worker (work:schedule)" : "urid:map");
    return nullptr;
  }
  std::lock_guard guard(mainThreadLock());
  auto* plugin = new Plugin(sampleRate, *map, *schedule);
  if (!plugin->engine_) {
    std::fprintf(stderr, "tamborak: the engine could not start\n");
    delete plugin;
    return nullptr;
  }
  return plugin;
}

Plugin::Plugin(double sampleRate, const LV2_URID_Map& map, const LV2_Worker_Schedule& schedule)
    : sampleRate_(sampleRate > 0 ? sampleRate : 48000), schedule_(schedule) {
  const auto id = [&](const char* uri) { return map.map(map.handle, uri); };
  urids_ = {id(LV2_ATOM__Blank),  id(LV2_ATOM__Object),        id(LV2_ATOM__Float),       id(LV2_ATOM__Double),
            id(LV2_ATOM__Int),    id(LV2_ATOM__Long),          id(LV2_ATOM__Chunk),       id(LV2_ATOM__Sequence),
            id(LV2_MIDI__MidiEvent), id(LV2_TIME__Position),   id(LV2_TIME__bar),         id(LV2_TIME__barBeat),
            id(LV2_TIME__beatsPerBar), id(LV2_TIME__beatUnit), id(LV2_TIME__beatsPerMinute), id(LV2_TIME__speed),
            id(LV2_TIME__frame), id(kStateUri), id(kPanelStateUri), id(kPanelHelloUri),
            id(kPanelPositionUri), id(kPanelTickUri)};
  panelIn_.resize(kMaxPanelState);
  panelOut_.resize(kMaxPanelState);
  lv2_atom_forge_init(&forge_, const_cast<LV2_URID_Map*>(&map));
  try {
    engine_ = std::make_unique<Tamborak>(true);
  } catch (const std::bad_alloc&) {
    return;
  }
  if (!engine_->allSlicesPresent()) {
    engine_.reset();
    return;
  }
  // Each instance keeps the note-name set its state names, also while that set is not installed.
  engine_->keepMissingNoteNames(true);
  engine_->connect(song_, false);
}

Plugin::~Plugin() {
  std::lock_guard guard(mainThreadLock());
  if (!engine_) return;
  engine_->disconnect();
  engine_.reset();
  platform::UiQueue::main().pump();
}

Tamborak& Plugin::engine() { return *engine_; }

void Plugin::connectPort(std::uint32_t port, void* data) {
  if (port == kPortIn)
    in_ = static_cast<const LV2_Atom_Sequence*>(data);
  else if (port == kPortOut)
    out_ = static_cast<LV2_Atom_Sequence*>(data);
  else if (port == kPortNotify)
    notify_ = static_cast<LV2_Atom_Sequence*>(data);
  else if (port < kPortNotify)
    controls_[port - kPortFirstControl] = static_cast<const float*>(data);
}

void Plugin::activate() {
  rolling_ = false;
  pendingCount_ = 0;
  triggerCount_ = 0;
}

void Plugin::deactivate() {
  outCount_ = 0;
  stopEngine(0);
  outCount_ = 0;
}

void Plugin::retime() {
  ticksPerFrame_ = speed_ * beatsPerMinute_ / 60.0 * SongTime::beatTicks(song_.beatUnit()) / sampleRate_;
}

bool Plugin::isTrigger(std::uint8_t key) const {
  Tamborak& e = const_cast<Plugin*>(this)->engine();
  const std::int32_t low = e.getTriggerLowKey();
  // The ten pad keys and the live fill's key after them.
  return e.getTriggerEnabled() && key >= low && key <= low + Tamborak::kPadCount;
}

void Plugin::run(std::uint32_t frames) {
  outCount_ = 0;
  arrival_ = 0;
  const std::uint32_t notifyCapacity = notify_ ? notify_->atom.size : 0;
  std::uint32_t at = 0;
  if (in_) {
    LV2_ATOM_SEQUENCE_FOREACH(in_, ev) {
      const auto frame = static_cast<std::uint32_t>(std::clamp<std::int64_t>(ev->time.frames, at, frames));
      if (frame > at) segment(at, frame);
      at = frame;
      if (ev->body.type == urids_.midiEvent)
        midiIn(frame, reinterpret_cast<const std::uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body)), ev->body.size);
      else if ((ev->body.type == urids_.atomObject || ev->body.type == urids_.atomBlank) &&
               ev->body.size >= sizeof(LV2_Atom_Object_Body)) {
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
        if (object->body.otype == urids_.panelState || object->body.otype == urids_.panelHello)
          panelIn(object);
        else
          position(frame, object);
      }
    }
  }
  if (frames > at) segment(at, frames);
  writeOutput();
  writeNotify();
  notifyPosition(notifyCapacity, frames);
  checkControls();
  framesSincePump_ += frames;
  if (!pumpPending_ && framesSincePump_ >= sampleRate_ / 50) {
    const Job job{kJobPump, 0, 0};
    if (schedule_.schedule_work(schedule_.handle, sizeof job, &job) == LV2_WORKER_SUCCESS) pumpPending_ = true;
    framesSincePump_ = 0;
  }
}

double Plugin::tickAt(std::int64_t frames) const { return anchorTick_ + static_cast<double>(frames) * ticksPerFrame_; }

double Plugin::framesFromAnchor(std::int64_t tick) const {
  return std::floor((static_cast<double>(tick) - anchorTick_) / ticksPerFrame_ + 0.5);
}

std::uint32_t Plugin::frameOf(std::int64_t tick, const Span& span) const {
  if (!span.timed) return span.first;
  const double offset = framesFromAnchor(tick) - static_cast<double>(anchorFrames_);
  return span.first + static_cast<std::uint32_t>(std::clamp(offset, 0.0, static_cast<double>(span.frames - 1)));
}

void Plugin::place(double tick) {
  anchorTick_ = tick;
  anchorFrames_ = 0;
}

void Plugin::segment(std::uint32_t from, std::uint32_t to) {
  if (!rolling_) return;
  const Span span{from, to - from, true};
  // The window holds the ticks whose nearest frame lies before the segment's end: the estimate,
  // then settled by the same rounding that places the events.
  const auto end = static_cast<double>(anchorFrames_ + (to - from));
  const double estimate = std::ceil(tickAt(anchorFrames_ + (to - from)) - 0.5 * ticksPerFrame_) - 1;
  auto last = static_cast<std::int64_t>(
      std::clamp(estimate, -1.0, static_cast<double>(std::numeric_limits<SongTick>::max()) + 1));
  while (last <= std::numeric_limits<SongTick>::max() && framesFromAnchor(last + 1) < end) ++last;
  while (last >= nextTick_ && framesFromAnchor(last) >= end) --last;
  if (last >= nextTick_ && last <= std::numeric_limits<SongTick>::max()) {
    windowFirst_ = nextTick_;
    windowLast_ = last;
    windowSpan_ = span;
    windowTriggers_ = triggerCount_;
    engine().process(static_cast<SongTick>(nextTick_), static_cast<SongTick>(last), *this, *this);
    windowTriggers_ = triggerCount_ = 0;
    nextTick_ = last + 1;
  }
  releaseNotes(nextTick_ - 1, span, false);
  anchorFrames_ += to - from;
}

// Trigger notes wait for the next window and play at its first tick.
bool Plugin::get(std::size_t index, MidiEvent& event) const {
  event = noteEvent(static_cast<std::int32_t>(windowFirst_), 0, triggers_[index], 100, kOpenDuration);
  return true;
}

// A trigger note the engine no longer takes (triggering switched off meanwhile) plays as a note.
void Plugin::pass(std::size_t index) {
  MidiEvent event;
  get(index, event);
  sendEvent(event, windowLast_, windowSpan_);
}

void Plugin::sendEvent(const MidiEvent& event, std::int64_t lastTick, const Span& span) {
  // The engine marks a window it left empty with a key pressure of 0 on key 0: not music.
  if (event.type == kEventKeyAftertouch && event.data1 == 0 && event.data2 == 0) return;
  std::uint8_t status = 0, data1 = 0, data2 = 0;
  if (!channelMessage(event, status, data1, data2)) return;
  const std::uint32_t at = frameOf(event.time, span);
  const std::uint8_t kind = status & 0xF0;
  if (kind != 0x90) {
    out(at, 1, status, data1, data2, kind == 0xC0 || kind == 0xD0 ? 2 : 3);
    return;
  }
  const std::uint8_t off = static_cast<std::uint8_t>(0x80 | (status & 0x0F));
  // A key struck again while it still sounds ends first, so that its old end cannot cut the new note.
  for (std::size_t i = 0; i < pendingCount_; ++i)
    if (pendingOffs_[i].status == off && pendingOffs_[i].key == data1) {
      out(at, 0, off, data1, 0, 3);
      pendingOffs_[i] = pendingOffs_[--pendingCount_];
      break;
    }
  out(at, 1, status, data1, data2, 3);
  if (event.duration == kOpenDuration) return;  // a note passed on whose end comes by itself
  const std::int64_t end = std::int64_t{event.time} + event.duration;
  if (end <= lastTick) {
    const std::uint32_t endFrame = frameOf(end, span);
    out(endFrame, endFrame == at ? 2 : 0, off, data1, 0, 3);
  } else if (pendingCount_ < pendingOffs_.size()) {
    pendingOffs_[pendingCount_++] = {end, off, data1};
  } else {
    out(at, 2, off, data1, 0, 3);  // no room to remember the end: a short note rather than a stuck one
  }
}

void Plugin::releaseNotes(std::int64_t lastTick, const Span& span, bool all) {
  for (std::size_t i = 0; i < pendingCount_;) {
    const PendingOff& p = pendingOffs_[i];
    if (!all && p.tick > lastTick) {
      ++i;
      continue;
    }
    out(all ? span.first : frameOf(p.tick, span), 0, p.status, p.key, 0, 3);
    pendingOffs_[i] = pendingOffs_[--pendingCount_];
  }
}

void Plugin::out(std::uint32_t frame, std::uint32_t order, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                 std::uint8_t size) {
  if (outCount_ == outMessages_.size()) return;
  outMessages_[outCount_++] = {frame, order << 24 | (arrival_++ & 0xFFFFFF), {status, data1, data2}, size, false};
}

void Plugin::midiIn(std::uint32_t frame, const std::uint8_t* bytes, std::uint32_t size) {
  if (size == 0) return;
  const std::uint8_t kind = bytes[0] & 0xF0;
  const bool noteOn = kind == 0x90 && size >= 3 && bytes[2] != 0;
  const bool noteOff = (kind == 0x80 || (kind == 0x90 && size >= 3 && bytes[2] == 0)) && size >= 3;
  if (noteOn && isTrigger(bytes[1])) {
    if (rolling_) {
      if (triggerCount_ < triggers_.size()) triggers_[triggerCount_++] = bytes[1];
    } else {
      // Stopped: a trigger note is live input and switches the pad at once.
      engine().triggerKey(bytes[1], true);
    }
    return;
  }
  if (noteOff && isTrigger(bytes[1])) return;  // the end of a trigger note goes nowhere
  // Everything else passes through at its frame.
  if (size <= 3 && bytes[0] >= 0x80) out(frame, 1, bytes[0], size > 1 ? bytes[1] : 0, size > 2 ? bytes[2] : 0,
                                          static_cast<std::uint8_t>(size));
}

void Plugin::position(std::uint32_t frame, const LV2_Atom_Object* object) {
  if (object->body.otype != urids_.timePosition) return;
  const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beatsPerBar = nullptr, *beatUnit = nullptr, *bpm = nullptr,
                 *speed = nullptr, *songFrame = nullptr;
  // One pass over the properties; the first of each key counts.
  LV2_ATOM_OBJECT_FOREACH(object, property) {
    const LV2_URID key = property->key;
    const LV2_Atom** slot = key == urids_.timeBar              ? &bar
                            : key == urids_.timeBarBeat        ? &barBeat
                            : key == urids_.timeBeatsPerBar    ? &beatsPerBar
                            : key == urids_.timeBeatUnit       ? &beatUnit
                            : key == urids_.timeBeatsPerMinute ? &bpm
                            : key == urids_.timeSpeed          ? &speed
                            : key == urids_.timeFrame          ? &songFrame
                                                               : nullptr;
    if (slot && !*slot) *slot = &property->value;
  }
  const auto read = [&](const LV2_Atom* atom, double& value) {
    return number(atom, urids_.atomFloat, urids_.atomDouble, urids_.atomInt, urids_.atomLong, value);
  };
  double value = 0;
  std::int32_t perBar = song_.beatsPerBar(), unit = song_.beatUnit();
  if (read(beatsPerBar, value) && value >= 1 && value <= 255) perBar = static_cast<std::int32_t>(std::lround(value));
  if (read(beatUnit, value) && value >= 1 && value <= 64) unit = static_cast<std::int32_t>(std::lround(value));
  if (SongTime::beatTicks(unit) * unit != kTicksPerQuarter * 4) unit = 4;
  const bool meterChanged = perBar != song_.beatsPerBar() || unit != song_.beatUnit();
  const double own = tickAt(anchorFrames_);
  double newBpm = beatsPerMinute_;
  if (read(bpm, value) && value > 0) newBpm = value;
  // The place in the song: bar and beat where the host has them, else its frame at the tempo.
  double tick = own, barNumber = 0, beat = 0;
  bool placed = read(bar, barNumber);
  if (placed) {
    if (!read(barBeat, beat)) beat = 0;
    tick = (std::max(barNumber, 0.0) * perBar + std::max(beat, 0.0)) * SongTime::beatTicks(unit);
  } else if (read(songFrame, value)) {
    placed = true;
    tick = std::max(value, 0.0) / sampleRate_ * newBpm / 60.0 * SongTime::beatTicks(unit);
  }
  tick = std::min(tick, static_cast<double>(std::numeric_limits<SongTick>::max()) - 1);
  double newSpeed = speed_;
  if (read(speed, value)) newSpeed = value;
  // Hosts round the bar and beat they send (some to 1/1920 beat), some every block: a place that
  // agrees with the plug-in's own count within that is the same place and is not taken, so the
  // count stays exact. A place a little further off is drift (a tempo ramp the count followed a
  // block late) and is taken without a break; further still is a jump.
  const double resolution = SongTime::beatTicks(unit) / 1920.0 + 0.05, off = std::fabs(tick - own);
  const bool drifted = placed && off > resolution, jumped = placed && off > std::max(1.0, 2 * resolution);
  if (rolling_ && (newSpeed <= 0 || meterChanged || jumped)) stopEngine(frame);
  if (meterChanged) song_.setMeter(perBar, unit);
  if (!rolling_ || drifted) place(tick);
  else if (newBpm != beatsPerMinute_ || newSpeed != speed_) place(own);
  if (newBpm != beatsPerMinute_ || meterChanged) song_.setTempo(newBpm, unit);
  beatsPerMinute_ = newBpm;
  speed_ = newSpeed;
  retime();
  if (!rolling_ && speed_ > 0) startEngine();
}

void Plugin::startEngine() {
  nextTick_ = static_cast<std::int64_t>(std::ceil(tickAt(anchorFrames_) - 1e-6));
  engine().start(static_cast<SongTick>(nextTick_));
  rolling_ = true;
}

void Plugin::stopEngine(std::uint32_t frame) {
  if (!rolling_) return;
  engine().stop(static_cast<SongTick>(nextTick_));
  rolling_ = false;
  triggerCount_ = 0;
  // Every note still sounding ends where playback stops.
  releaseNotes(0, {frame, 1, false}, true);
}

void Plugin::writeOutput() {
  if (!out_) return;
  lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(out_), out_->atom.size);
  LV2_Atom_Forge_Frame frame;
  if (!lv2_atom_forge_sequence_head(&forge_, &frame, 0)) return;
  const auto messages = std::span(outMessages_).first(outCount_);
  std::sort(messages.begin(), messages.end(),
            [](const OutMessage& a, const OutMessage& b) { return a.frame != b.frame ? a.frame < b.frame : a.order < b.order; });
  // Every message takes the same room (its bytes pad to 8). When not all fit, note ends go
  // first, then the rest in time order, so that no note the host has started is left sounding.
  std::size_t room = (forge_.size - forge_.offset) / (sizeof(LV2_Atom_Event) + lv2_atom_pad_size(3));
  const auto isEnd = [](const OutMessage& m) {
    return m.size == 3 && ((m.bytes[0] & 0xF0) == 0x80 || ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] == 0));
  };
  for (const bool ends : {true, false})
    for (OutMessage& m : messages)
      if (isEnd(m) == ends) {
        m.keep = room > 0;
        room -= m.keep ? 1 : 0;
      }
  for (const OutMessage& m : messages)
    if (m.keep) {
      lv2_atom_forge_frame_time(&forge_, m.frame);
      lv2_atom_forge_atom(&forge_, m.size, urids_.midiEvent);
      lv2_atom_forge_write(&forge_, m.bytes, m.size);
    }
  lv2_atom_forge_pop(&forge_, &frame);
}

void Plugin::checkControls() {
  for (std::size_t i = 0; i < kControlCount; ++i) {
    if (!controls_[i]) continue;
    // A port value the last block settled (no change left to send) needs no conversion.
    const float raw = *controls_[i];
    if (controlsSeen_ && raw == settledControl_[i]) continue;
    settledControl_[i] = std::numeric_limits<float>::quiet_NaN();
    const std::int32_t value = controlValue(i, raw, lastControl_[i]);
    // The first values are the host's starting point, not a change: the loop keeps its own.
    if (!controlsSeen_) lastControl_[i] = value;
    if (value != lastControl_[i]) {
      const Job job{kJobControl, static_cast<std::int32_t>(i), value};
      if (schedule_.schedule_work(schedule_.handle, sizeof job, &job) != LV2_WORKER_SUCCESS) continue;
      lastControl_[i] = value;
    }
    settledControl_[i] = raw;
  }
  controlsSeen_ = true;
}

void Plugin::panelIn(const LV2_Atom_Object* object) {
  Job job{kJobPanelHello, 0, 0};
  if (object->body.otype == urids_.panelHello) {
    positionWanted_ = true;
    sentTick_ = -1;  // a panel that opens gets the position with the next block
  }
  if (object->body.otype == urids_.panelState) {
    const LV2_Atom* chunk = nullptr;
    lv2_atom_object_get(object, urids_.state, &chunk, 0);
    // One block at a time: a block that comes while the last is still being read waits for the
    // panel's next change (the panel sends again whenever its block differs from ours).
    if (!chunk || chunk->type != urids_.atomChunk || chunk->size == 0 || chunk->size > kMaxPanelState ||
        panelInSize_.load(std::memory_order_acquire) != 0)
      return;
    std::memcpy(panelIn_.data(), LV2_ATOM_BODY_CONST(chunk), chunk->size);
    panelInSize_.store(chunk->size, std::memory_order_release);
    job.kind = kJobPanelState;
  }
  if (schedule_.schedule_work(schedule_.handle, sizeof job, &job) != LV2_WORKER_SUCCESS && job.kind == kJobPanelState)
    panelInSize_.store(0, std::memory_order_release);
}

void Plugin::writeNotify() {
  if (!notify_) return;
  lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<std::uint8_t*>(notify_), notify_->atom.size);
  LV2_Atom_Forge_Frame sequence;
  if (!lv2_atom_forge_sequence_head(&forge_, &sequence, 0)) return;
  const std::uint32_t size = panelOutSize_.load(std::memory_order_acquire);
  // Written whole or not at all: a block that does not fit waits for a later run.
  const std::uint32_t body = sizeof(LV2_Atom_Object_Body) + sizeof(LV2_Atom_Property_Body) + size;
  if (size != 0 && forge_.size - forge_.offset >= sizeof(LV2_Atom_Event) + lv2_atom_pad_size(body)) {
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &object, 0, urids_.panelState);
    lv2_atom_forge_key(&forge_, urids_.state);
    lv2_atom_forge_atom(&forge_, size, urids_.atomChunk);
    lv2_atom_forge_write(&forge_, panelOut_.data(), size);
    lv2_atom_forge_pop(&forge_, &object);
    panelOutSize_.store(0, std::memory_order_release);
  }
  lv2_atom_forge_pop(&forge_, &sequence);
}

void Plugin::notifyPosition(std::uint32_t capacity, std::uint32_t frames) {
  framesSincePosition_ = std::min(framesSincePosition_ + frames, std::numeric_limits<std::uint32_t>::max() / 2);
  if (!notify_ || !positionWanted_ || framesSincePosition_ < sampleRate_ * kPositionIntervalMs / 1000) return;
  const std::int64_t tick = std::llround(tickAt(anchorFrames_));
  const std::int32_t meter = song_.beatsPerBar() * 256 + song_.beatUnit();
  if (tick == sentTick_ && meter == sentMeter_) return;
  // Built aside, so that a sequence without room for all of it gets none of it.
  alignas(LV2_Atom_Event) std::array<std::uint8_t, 128> event;
  LV2_Atom_Forge forge = forge_;
  lv2_atom_forge_set_buffer(&forge, event.data(), event.size());
  LV2_Atom_Forge_Frame object;
  lv2_atom_forge_frame_time(&forge, 0);
  lv2_atom_forge_object(&forge, &object, 0, urids_.panelPosition);
  lv2_atom_forge_key(&forge, urids_.panelTick);
  lv2_atom_forge_long(&forge, tick);
  lv2_atom_forge_key(&forge, urids_.timeBeatsPerBar);
  lv2_atom_forge_int(&forge, song_.beatsPerBar());
  lv2_atom_forge_key(&forge, urids_.timeBeatUnit);
  lv2_atom_forge_int(&forge, song_.beatUnit());
  lv2_atom_forge_pop(&forge, &object);
  if (!lv2_atom_sequence_append_event(notify_, capacity, reinterpret_cast<const LV2_Atom_Event*>(event.data())))
    return;
  sentTick_ = tick;
  sentMeter_ = meter;
  framesSincePosition_ = 0;
}

void Plugin::offerState(bool force) {
  if (panelOutSize_.load(std::memory_order_acquire) != 0) {
    if (force) lastOffered_.clear();  // the block goes with the next pump
    return;
  }
  std::string bytes = engine().stateBlock();
  if (bytes.empty() || bytes.size() > kMaxPanelState || (!force && bytes == lastOffered_)) return;
  std::memcpy(panelOut_.data(), bytes.data(), bytes.size());
  lastOffered_ = std::move(bytes);
  panelOutSize_.store(static_cast<std::uint32_t>(lastOffered_.size()), std::memory_order_release);
}

LV2_Worker_Status Plugin::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, std::uint32_t size,
                               const void* data) {
  if (size != sizeof(Job)) return LV2_WORKER_ERR_UNKNOWN;
  Job job;
  std::memcpy(&job, data, sizeof job);
  std::lock_guard guard(mainThreadLock());
  Tamborak& e = engine();
  if (job.kind == kJobControl) {
    if (static_cast<std::size_t>(job.control) < kControlCount) kGlobalControls[job.control].set(e, job.value);
  } else if (job.kind == kJobPanelState) {
    if (e.readStateBlock(panelIn_.data(), panelInSize_.load(std::memory_order_acquire))) {
      e.changed("Tamborak::Load");
      // What the panel gave is what it shows: not sent back unless it changes here.
      lastOffered_ = e.stateBlock();
    }
    panelInSize_.store(0, std::memory_order_release);
  } else if (job.kind == kJobPanelHello) {
    panelOpen_ = true;
    offerState(true);
  }
  platform::UiQueue::main().pump();
  platform::UiQueue::main().fireDueTimers();
  if (job.kind == kJobPump && panelOpen_) offerState(false);
  if (job.kind == kJobPump) respond(handle, sizeof job, &job);
  return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Plugin::workResponse(std::uint32_t size, const void*) {
  if (size == sizeof(Job)) pumpPending_ = false;
  return LV2_WORKER_SUCCESS;
}

LV2_State_Status Plugin::save(LV2_State_Store_Function store, LV2_State_Handle handle) {
  std::string bytes;
  {
    std::lock_guard guard(mainThreadLock());
    bytes = engine().stateBlock();
  }
  if (bytes.empty()) return LV2_STATE_ERR_UNKNOWN;
  return store(handle, urids_.state, bytes.data(), bytes.size(), urids_.atomChunk,
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Plugin::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
  std::size_t size = 0;
  std::uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, urids_.state, &size, &type, &flags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != urids_.atomChunk || size > 0xFFFFFFFFu) return LV2_STATE_ERR_BAD_TYPE;
  std::lock_guard guard(mainThreadLock());
  if (!engine().readStateBlock(data, size)) {
    std::fprintf(stderr, "tamborak: the saved state is damaged and was not restored\n");
    return LV2_STATE_ERR_UNKNOWN;
  }
  engine().changed("Tamborak::Load");
  return LV2_STATE_SUCCESS;
}

}  // namespace velmora::lv2
