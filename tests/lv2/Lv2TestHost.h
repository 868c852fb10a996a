// A headless LV2 host of our own on lilv, shared by the tests of the plug-in and of its panel:
// it runs the plug-in block by block with the transport a DAW sends, runs its worker between
// blocks, and gives the notes it played in ticks.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/Tamborak.h"
#include "frame/CTamborak.h"
#include "io/UniStream.h"
#include "loops/Looper.h"
#include "lv2/ControlPorts.h"
#include "platform/CrtRand.h"

namespace velmora::lv2test {

inline int passed = 0, failed = 0;

inline bool check(bool ok, const std::string& what) {
  (ok ? passed : failed)++;
  std::printf("%s - %s\n", ok ? "ok" : "FAIL", what.c_str());
  return ok;
}

// The closing "N passed, N failed" line; the exit code.
inline int tally() {
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

// A note as both sides give it: start tick, key, velocity, end tick (-1: still sounding).
struct Note {
  double start;
  int key, velocity;
  double end;
};

inline std::map<std::string, LV2_URID> uridTable;
inline LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
  const auto [it, added] = uridTable.emplace(uri, static_cast<LV2_URID>(uridTable.size() + 1));
  return it->second;
}
inline LV2_URID_Map uridMap{nullptr, mapUri};
inline LV2_URID id(const char* uri) { return mapUri(nullptr, uri); }

// The song a run plays: tempo in beats of the meter's unit, meter, block size.
struct SongSetup {
  double bpm;
  int perBar, unit;
  std::uint32_t block;
  double rate = 48000;
  double ticksPerFrame() const { return bpm / 60.0 * (3840.0 / unit) / rate; }
  std::int64_t barTicks() const { return std::int64_t{perBar} * 3840 / unit; }
  std::string name() const {
    char text[96];
    std::snprintf(text, sizeof text, "%g bpm, %d/%d, blocks of %u", bpm, perBar, unit, block);
    return text;
  }
};

// What the host sends at a frame: a transport change, or a MIDI message.
struct HostEvent {
  std::uint64_t frame;
  bool transport;
  double bar = 0, speed = 1;  // transport: the bar (with its fraction) to place at, and the speed
  std::uint8_t midi[3] = {0, 0, 0};
};

class Instance {
 public:
  Instance(LilvWorld* world, const LilvPlugin* plugin, double rate) {
    features_ = {&mapFeature_, &scheduleFeature_, nullptr};
    instance_ = lilv_plugin_instantiate(plugin, rate, features_.data());
    if (!instance_) return;
    worker_ = static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    state_ = static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    in_.resize(160000 / 8);
    out_.resize(65536 / 8);
    notify_.resize(160000 / 8);
    lilv_instance_connect_port(instance_, lv2::kPortIn, in_.data());
    lilv_instance_connect_port(instance_, lv2::kPortOut, out_.data());
    // The control ports found by their symbols, starting at their defaults, as a host does.
    for (std::size_t i = 0; i < lv2::kControlCount; ++i) {
      controls_[i] = static_cast<float>(kGlobalControls[i].defaultValue);
      LilvNode* symbol = lilv_new_string(world, kGlobalControls[i].symbol);
      if (const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symbol))
        lilv_instance_connect_port(instance_, lilv_port_get_index(plugin, port), &controls_[i]);
      lilv_node_free(symbol);
    }
    lilv_instance_connect_port(instance_, lv2::kPortNotify, notify_.data());
    lilv_instance_activate(instance_);
  }
  ~Instance() {
    if (!instance_) return;
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
  }
  bool ok() const { return instance_ && worker_ && state_; }

  bool restore(const std::string& block) {
    struct Source {
      const std::string* bytes;
    } source{&block};
    const auto retrieve = [](LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) -> const void* {
      if (key != id("urn:velmora:tamborak#state")) return nullptr;
      const std::string& b = *static_cast<Source*>(handle)->bytes;
      *size = b.size();
      *type = id(LV2_ATOM__Chunk);
      *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
      return b.data();
    };
    return state_->restore(lilv_instance_get_handle(instance_), retrieve, &source, 0, nullptr) == LV2_STATE_SUCCESS;
  }
  std::string save() {
    std::string bytes;
    const auto store = [](LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t,
                          uint32_t) -> LV2_State_Status {
      if (key == id("urn:velmora:tamborak#state")) static_cast<std::string*>(handle)->assign(static_cast<const char*>(value), size);
      return LV2_STATE_SUCCESS;
    };
    state_->save(lilv_instance_get_handle(instance_), store, &bytes, 0, nullptr);
    return bytes;
  }

  // Plays `frames` frames in blocks, sending `events` at their frames; gives the notes in song
  // ticks, a loop's passes one after the other (pass p adds p loop lengths).
  std::vector<Note> play(const SongSetup& song, std::uint64_t frames, std::vector<HostEvent> events) {
    std::vector<Note> notes;
    std::map<int, std::size_t> sounding;  // key: index of its open note
    std::size_t next = 0;
    // Where the transport stands from a frame on: song tick there, speed, loop pass.
    struct Place {
      std::uint64_t frame;
      double tick, speed;
      int pass;
    };
    std::vector<Place> places{{0, startTick_, 1, 0}};
    const double loopLength = loopEnd_ - loopStart_;
    // The tempo's ramp: ticks per frame at frame 0 and from rampFrames_ on, linear between.
    const double r0 = song.ticksPerFrame(), r1 = r0 * (rampFrames_ > 0 ? rampBpm_ / song.bpm : 1);
    const auto songTick = [&](std::uint64_t frame) {
      if (rampFrames_ > 0) {
        const double f = static_cast<double>(frame), inRamp = std::min(f, rampFrames_);
        return startTick_ + r0 * inRamp + (r1 - r0) * inRamp * inRamp / (2 * rampFrames_) + r1 * (f - inRamp);
      }
      const Place& p = *std::prev(std::upper_bound(places.begin(), places.end(), frame,
                                                   [](std::uint64_t f, const Place& q) { return f < q.frame; }));
      return p.pass * std::max(loopLength, 0.0) + p.tick + static_cast<double>(frame - p.frame) * song.ticksPerFrame() * p.speed;
    };
    bool rolling = false, wrapped = false;
    raw_.clear();
    for (std::uint64_t at = 0, n = 0; at < frames; at += n) {
      n = std::min<std::uint64_t>(song.block, frames - at);
      // A looping transport ends the block at the loop's end (its nearest frame) and goes on from
      // the loop's start.
      std::uint64_t loopEndFrame = 0;
      if (loopLength > 0 && rolling) {
        const Place& p = places.back();
        loopEndFrame = p.frame + static_cast<std::uint64_t>(std::llround((loopEnd_ - p.tick) / (song.ticksPerFrame() * p.speed)));
        if (loopEndFrame > at && loopEndFrame < at + n) n = loopEndFrame - at;
      }
      LV2_Atom_Forge forge;
      lv2_atom_forge_init(&forge, &uridMap);
      lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(in_.data()), in_.size() * 8);
      LV2_Atom_Forge_Frame sequence;
      lv2_atom_forge_sequence_head(&forge, &sequence, 0);
      for (const std::string& atom : toPlugin) {
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_write(&forge, atom.data(), static_cast<uint32_t>(atom.size()));
      }
      toPlugin.clear();
      // A DAW's transport sends its place at every block while rolling (always after a wrap).
      const bool placedNow = next < events.size() && events[next].frame == at && events[next].transport;
      if (!placedNow && (wrapped || (everyCycle_ && rolling))) {
        lv2_atom_forge_frame_time(&forge, 0);
        const double bpm = song.bpm * (1 + (r1 / r0 - 1) * std::min(static_cast<double>(at) / std::max(rampFrames_, 1.0), 1.0));
        position(forge, song, songTick(at) - places.back().pass * loopLength, places.back().speed, bpm);
      }
      wrapped = false;
      for (; next < events.size() && events[next].frame < at + n; ++next) {
        const HostEvent& e = events[next];
        lv2_atom_forge_frame_time(&forge, static_cast<int64_t>(e.frame - at));
        if (!e.transport) {
          lv2_atom_forge_atom(&forge, 3, id(LV2_MIDI__MidiEvent));
          lv2_atom_forge_write(&forge, e.midi, 3);
          continue;
        }
        places.push_back({e.frame, e.bar * static_cast<double>(song.barTicks()), e.speed, places.back().pass});
        rolling = e.speed > 0;
        position(forge, song, places.back().tick, e.speed, song.bpm);
      }
      lv2_atom_forge_pop(&forge, &sequence);
      out_[0] = 0;
      reinterpret_cast<LV2_Atom*>(out_.data())->size = outBytes_ - static_cast<uint32_t>(sizeof(LV2_Atom));
      notify_[0] = 0;
      reinterpret_cast<LV2_Atom*>(notify_.data())->size = static_cast<uint32_t>(notify_.size() * 8 - sizeof(LV2_Atom));
      lilv_instance_run(instance_, static_cast<uint32_t>(n));
      runWorker();
      LV2_ATOM_SEQUENCE_FOREACH(reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data()), ev)
        if (onNotify) onNotify(&ev->body);
      if (eachBlock) eachBlock();
      if (loopEndFrame == at + n) {
        places.push_back({at + n, loopStart_, places.back().speed, places.back().pass + 1});
        wrapped = true;
      }
      std::uint64_t last = 0;
      LV2_ATOM_SEQUENCE_FOREACH(reinterpret_cast<const LV2_Atom_Sequence*>(out_.data()), ev) {
        const auto* m = reinterpret_cast<const std::uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
        const std::uint64_t frame = at + static_cast<std::uint64_t>(ev->time.frames);
        if (frame < last || ev->time.frames < 0 || static_cast<std::uint64_t>(ev->time.frames) >= n) {
          if (orderedOutput_) std::printf("# out of order: frame %llu after %llu (block of %llu)\n",
                                          static_cast<unsigned long long>(frame), static_cast<unsigned long long>(last),
                                          static_cast<unsigned long long>(n));
          orderedOutput_ = false;
        }
        last = frame;
        if (ev->body.type != id(LV2_MIDI__MidiEvent) || ev->body.size == 0 || ev->body.size > 3 || m[0] < 0x80) {
          ++others_;
          continue;
        }
        raw_.push_back({frame, {m[0], ev->body.size > 1 ? m[1] : std::uint8_t{0}, ev->body.size > 2 ? m[2] : std::uint8_t{0}}});
        const double tick = songTick(frame);
        const int kind = m[0] & 0xF0;
        if (kind == 0x90 && m[2] != 0) {
          sounding[m[1]] = notes.size();
          notes.push_back({tick, m[1], m[2], -1});
        } else if (kind != 0x80 && kind != 0x90) {
          ++others_;
        } else {
          const auto it = sounding.find(m[1]);
          if (it == sounding.end()) continue;
          notes[it->second].end = tick;
          sounding.erase(it);
        }
      }
    }
    stuck_ = sounding.size();
    return notes;
  }

  // Atoms for the input port at frame 0 of the next block (what a panel writes), what to do
  // with each atom of the notify port, and after each block.
  std::vector<std::string> toPlugin;
  std::function<void(const LV2_Atom*)> onNotify;
  std::function<void()> eachBlock;
  std::array<float, lv2::kControlCount> controls_{};
  bool refuseJobs_ = false;  // the worker's queue is full
  std::size_t stuck_ = 0, others_ = 0;  // notes left sounding, messages other than notes
  bool orderedOutput_ = true;
  double startTick_ = 0;  // the song tick at frame 0 of a play
  // As a DAW: the place sent at every block, bar and beat rounded to 1/1920 beat; a loop range
  // in ticks that the transport relocates from its end to its start (none when empty).
  bool everyCycle_ = false;
  double loopStart_ = 0, loopEnd_ = 0;
  // A tempo that ramps from the song's at frame 0 to rampBpm_ at frame rampFrames_ (none at 0),
  // sent as its value at each block's start; the transport must then not relocate.
  double rampFrames_ = 0, rampBpm_ = 0;
  std::uint32_t outBytes_ = 65536;  // the output buffer the host offers
  std::vector<std::pair<std::uint64_t, std::array<std::uint8_t, 3>>> raw_;  // MIDI out of the last play, by frame

 private:
  // A time:Position object at `tick`, as a DAW writes it.
  void position(LV2_Atom_Forge& forge, const SongSetup& song, double tick, double speed, double bpm) const {
    const double beatTicks = 3840.0 / song.unit;
    double bar = std::floor(tick / static_cast<double>(song.barTicks())), beat = tick / beatTicks - bar * song.perBar;
    if (everyCycle_) beat = std::round(beat * 1920) / 1920;
    if (beat >= song.perBar) bar += 1, beat -= song.perBar;
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, id(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, id(LV2_TIME__bar));
    lv2_atom_forge_long(&forge, static_cast<int64_t>(bar));
    lv2_atom_forge_key(&forge, id(LV2_TIME__barBeat));
    lv2_atom_forge_float(&forge, static_cast<float>(beat));
    lv2_atom_forge_key(&forge, id(LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge, static_cast<float>(song.perBar));
    lv2_atom_forge_key(&forge, id(LV2_TIME__beatUnit));
    lv2_atom_forge_int(&forge, song.unit);
    lv2_atom_forge_key(&forge, id(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, static_cast<float>(bpm));
    lv2_atom_forge_key(&forge, id(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, static_cast<float>(speed));
    lv2_atom_forge_pop(&forge, &object);
  }

  void runWorker() {
    std::deque<std::vector<char>> jobs;
    jobs.swap(jobs_);
    for (const std::vector<char>& job : jobs) {
      const auto respond = [](LV2_Worker_Respond_Handle handle, uint32_t size, const void* data) -> LV2_Worker_Status {
        static_cast<Instance*>(handle)->responses_.emplace_back(static_cast<const char*>(data), static_cast<const char*>(data) + size);
        return LV2_WORKER_SUCCESS;
      };
      worker_->work(lilv_instance_get_handle(instance_), respond, this, static_cast<uint32_t>(job.size()), job.data());
    }
    for (const std::vector<char>& r : responses_)
      worker_->work_response(lilv_instance_get_handle(instance_), static_cast<uint32_t>(r.size()), r.data());
    responses_.clear();
  }
  static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data) {
    if (static_cast<Instance*>(handle)->refuseJobs_) return LV2_WORKER_ERR_NO_SPACE;
    static_cast<Instance*>(handle)->jobs_.emplace_back(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    return LV2_WORKER_SUCCESS;
  }

  LilvInstance* instance_ = nullptr;
  const LV2_Worker_Interface* worker_ = nullptr;
  const LV2_State_Interface* state_ = nullptr;
  LV2_Worker_Schedule schedule_{this, schedule};
  LV2_Feature mapFeature_{LV2_URID__map, &uridMap};
  LV2_Feature scheduleFeature_{LV2_WORKER__schedule, &schedule_};
  std::vector<const LV2_Feature*> features_;
  std::vector<std::uint64_t> in_, out_, notify_;
  std::deque<std::vector<char>> jobs_, responses_;
};

// A new engine, held by `face`, that has read `state` when one is given; `read` tells whether it could.
inline Tamborak& newEngine(ComRef<IMfxEventFilter>& face, const std::string& state = {}, bool* read = nullptr) {
  CTamborak::create(IID_IMfxEventFilter, reinterpret_cast<void**>(face.put()));
  Tamborak& e = CTamborak::of(*face.get()).engine();
  CUniMemoryReader reader(state.data(), static_cast<std::uint32_t>(state.size()));
  const bool ok = !state.empty() && e.readState(reader);
  if (read) *read = ok;
  return e;
}

inline std::string stateOf(Tamborak& e) {
  std::string block;
  CUniString out(block);
  e.writeState(out);
  return block;
}

// The state block of a loop composed with a fixed seed, all six slices playing, with a fill
// (phrases off).
inline std::string composedState() {
  ComRef<IMfxEventFilter> face;
  Tamborak& e = newEngine(face);
  for (int i = 0; i <= Tamborak::kFillSlice; ++i) e.getSlice(i)->setMutedSilently(false);
  crtSrand(7);
  e.compose(nullptr);
  e.getSlice(Tamborak::kFillSlice)->nextPattern(false, 1, false);
  return stateOf(e);
}

// The state block `state` after `change` to its engine.
inline std::string edited(const std::string& state, const std::function<void(Tamborak&)>& change) {
  ComRef<IMfxEventFilter> face;
  Tamborak& e = newEngine(face, state);
  change(e);
  return stateOf(e);
}

// The notes that start before `tick`.
inline std::vector<Note> startingBefore(std::vector<Note> notes, double tick) {
  std::erase_if(notes, [&](const Note& n) { return n.start > tick - 0.5; });
  return notes;
}

inline std::uint64_t frameOfTick(const SongSetup& song, double tick) {
  return static_cast<std::uint64_t>(std::ceil(tick / song.ticksPerFrame()));
}

}  // namespace velmora::lv2test
