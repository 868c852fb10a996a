// A headless LV2 host of our own on lilv: it finds the bundle, runs the plug-in block by block
// with the transport a DAW sends, and compares the notes with those of the same engine driven
// window by window through the simulated host (times in ticks, within one tick). It ends with
// an "N passed, N failed" line.
#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/EngineProcess.h"
#include "engine/Tamborak.h"
#include "frame/CTamborak.h"
#include "io/UniStream.h"
#include "loops/Looper.h"
#include "platform/CrtRand.h"
#include "sim/HostContext.h"
#include "sim/Transport.h"
#include "tests/TempFolder.h"

namespace {

using namespace velmora;

int passed = 0, failed = 0;

void check(bool ok, const std::string& what) {
  (ok ? passed : failed)++;
  std::printf("%s - %s\n", ok ? "ok" : "FAIL", what.c_str());
}

// A note as both sides give it: start tick, key, velocity, end tick (-1: still sounding).
struct Note {
  double start;
  int key, velocity;
  double end;
};

std::map<std::string, LV2_URID> uridTable;
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
  const auto [it, added] = uridTable.emplace(uri, static_cast<LV2_URID>(uridTable.size() + 1));
  return it->second;
}
LV2_URID_Map uridMap{nullptr, mapUri};
LV2_URID id(const char* uri) { return mapUri(nullptr, uri); }

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
    in_.resize(8192);
    out_.resize(65536 / 8);
    for (float& c : controls_) c = 0;
    lilv_instance_connect_port(instance_, 0, in_.data());
    lilv_instance_connect_port(instance_, 1, out_.data());
    for (std::uint32_t p = 2; p < 10; ++p) lilv_instance_connect_port(instance_, p, &controls_[p - 2]);
    lilv_instance_activate(instance_);
    (void)world;
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

  // Plays `frames` frames in blocks, sending `events` at their frames; gives the notes in ticks.
  std::vector<Note> play(const SongSetup& song, std::uint64_t frames, std::vector<HostEvent> events) {
    std::vector<Note> notes;
    std::map<int, std::size_t> sounding;  // key: index of its open note
    std::size_t next = 0;
    for (std::uint64_t at = 0; at < frames; at += song.block) {
      const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(song.block, frames - at));
      LV2_Atom_Forge forge;
      lv2_atom_forge_init(&forge, &uridMap);
      lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(in_.data()), in_.size() * 8);
      LV2_Atom_Forge_Frame sequence;
      lv2_atom_forge_sequence_head(&forge, &sequence, 0);
      for (; next < events.size() && events[next].frame < at + n; ++next) {
        const HostEvent& e = events[next];
        lv2_atom_forge_frame_time(&forge, static_cast<int64_t>(e.frame - at));
        if (!e.transport) {
          lv2_atom_forge_atom(&forge, 3, id(LV2_MIDI__MidiEvent));
          lv2_atom_forge_write(&forge, e.midi, 3);
          continue;
        }
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_object(&forge, &object, 0, id(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, id(LV2_TIME__bar));
        lv2_atom_forge_long(&forge, static_cast<int64_t>(std::floor(e.bar)));
        lv2_atom_forge_key(&forge, id(LV2_TIME__barBeat));
        lv2_atom_forge_float(&forge, static_cast<float>((e.bar - std::floor(e.bar)) * song.perBar));
        lv2_atom_forge_key(&forge, id(LV2_TIME__beatsPerBar));
        lv2_atom_forge_float(&forge, static_cast<float>(song.perBar));
        lv2_atom_forge_key(&forge, id(LV2_TIME__beatUnit));
        lv2_atom_forge_int(&forge, song.unit);
        lv2_atom_forge_key(&forge, id(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, static_cast<float>(song.bpm));
        lv2_atom_forge_key(&forge, id(LV2_TIME__speed));
        lv2_atom_forge_float(&forge, static_cast<float>(e.speed));
        lv2_atom_forge_pop(&forge, &object);
      }
      lv2_atom_forge_pop(&forge, &sequence);
      out_[0] = 0;
      reinterpret_cast<LV2_Atom*>(out_.data())->size = static_cast<uint32_t>(out_.size() * 8 - sizeof(LV2_Atom));
      lilv_instance_run(instance_, n);
      runWorker();
      std::uint64_t last = 0;
      LV2_ATOM_SEQUENCE_FOREACH(reinterpret_cast<const LV2_Atom_Sequence*>(out_.data()), ev) {
        const auto* m = reinterpret_cast<const std::uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
        const std::uint64_t frame = at + static_cast<std::uint64_t>(ev->time.frames);
        if (frame < last || ev->time.frames >= n) {
          if (orderedOutput_) std::printf("# out of order: frame %llu after %llu (block of %u)\n",
                                          static_cast<unsigned long long>(frame), static_cast<unsigned long long>(last), n);
          orderedOutput_ = false;
        }
        last = frame;
        const double tick = static_cast<double>(frame) * song.ticksPerFrame() + startTick_;
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

  std::size_t stuck_ = 0, others_ = 0;  // notes left sounding, messages other than notes
  bool orderedOutput_ = true;
  double startTick_ = 0;  // the song tick at frame 0 of a play

 private:
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
  std::vector<std::uint64_t> in_, out_;
  float controls_[8];
  std::deque<std::vector<char>> jobs_, responses_;
};

// The same engine through the simulated host: notes in ticks, ends included.
std::vector<Note> reference(const std::string& state, const SongSetup& song,
                            const std::function<void(sim::Transport&)>& drive) {
  ComRef<ITamborak> face;
  CTamborak::create(IID_ITamborak, reinterpret_cast<void**>(face.put()));
  Tamborak& e = static_cast<Tamborak&>(*face.get());
  ComRef<sim::HostContext> host = sim::create<sim::HostContext>(
      sim::Song(960).meter(1, song.perBar, song.unit).tempo(0, static_cast<std::int32_t>(std::lround(song.bpm * 400 / song.unit))));
  sim::connect(e, *host);
  CUniMemoryReader reader(state.data(), static_cast<std::uint32_t>(state.size()));
  e.readState(reader);
  sim::Transport transport(e);
  drive(transport);
  std::vector<Note> notes;
  for (const MidiEvent& n : transport.recording().eventList(true))
    notes.push_back({static_cast<double>(n.time), n.data1, n.data2,
                     n.duration == kOpenDuration ? -1.0 : static_cast<double>(n.time) + n.duration});
  std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.start < b.start; });
  e.Disconnect();
  return notes;
}

// Whether both lists hold the same notes, starts within one tick; ends too where `until`
// (a tick) has passed them; a note of the reference that runs past `cut` must end at `cut`.
bool sameNotes(std::vector<Note> got, std::vector<Note> want, double until, double cut = -1, std::string* why = nullptr) {
  const auto byStart = [](const Note& a, const Note& b) {
    return std::fabs(a.start - b.start) > 1 ? a.start < b.start : a.key < b.key;
  };
  std::stable_sort(got.begin(), got.end(), byStart);
  std::stable_sort(want.begin(), want.end(), byStart);
  if (got.size() != want.size()) {
    if (why) *why = std::to_string(got.size()) + " notes, expected " + std::to_string(want.size());
    return false;
  }
  for (std::size_t i = 0; i < got.size(); ++i) {
    const Note &g = got[i], &w = want[i];
    double end = w.end;
    if (cut >= 0 && end > cut) end = cut;
    const bool endOk = end < 0 || end > until || (g.end >= 0 && std::fabs(g.end - end) <= 1);
    if (std::fabs(g.start - w.start) > 1 || g.key != w.key || g.velocity != w.velocity || !endOk) {
      if (why)
        *why = "note " + std::to_string(i) + ": " + std::to_string(g.start) + "/" + std::to_string(g.key) + "/" +
               std::to_string(g.end) + " expected " + std::to_string(w.start) + "/" + std::to_string(w.key) + "/" +
               std::to_string(end);
      return false;
    }
  }
  return true;
}

std::uint64_t frameOfTick(const SongSetup& song, double tick) {
  return static_cast<std::uint64_t>(std::ceil(tick / song.ticksPerFrame()));
}

}  // namespace

int main() {
  velmora::test::TempFolder settings;
  setenv("TAMBORAK_CONFIG_DIR", settings.path().c_str(), 1);
  setenv("LV2_PATH", TAMBORAK_LV2_FOLDER, 1);
  EngineProcess::setPatternsFolder(TAMBORAK_LV2_FOLDER "/tamborak.lv2/Patterns");

  LilvWorld* world = lilv_world_new();
  lilv_world_load_all(world);
  LilvNode* uri = lilv_new_uri(world, "urn:velmora:tamborak");
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  check(plugin != nullptr, "the bundle is found in " TAMBORAK_LV2_FOLDER);
  if (!plugin) {
    std::printf("%d passed, %d failed\n", passed, failed);
    return 1;
  }
  check(lilv_plugin_get_num_ports(plugin) == 10, "ten ports: MIDI in, MIDI out and eight controls");

  // The loop: composed with a fixed seed, all six slices playing.
  std::string state;
  {
    ComRef<ITamborak> face;
    CTamborak::create(IID_ITamborak, reinterpret_cast<void**>(face.put()));
    Tamborak& e = static_cast<Tamborak&>(*face.get());
    for (int i = 0; i < Tamborak::kSliceCount; ++i) e.getSlice(i)->setMutedSilently(false);
    crtSrand(7);
    e.Random(nullptr);
    CUniString out(state);
    e.writeState(out);
  }

  for (double bpm : {93.7, 120.0, 174.0})
    for (std::uint32_t block : {64u, 256u, 1000u})
      for (const auto& [perBar, unit] : {std::pair(4, 4), std::pair(3, 4), std::pair(7, 8)}) {
        const SongSetup song{bpm, perBar, unit, block};
        Instance instance(world, plugin, song.rate);
        if (!instance.ok() || !instance.restore(state)) {
          check(false, song.name() + ": instantiated and restored");
          continue;
        }
        const std::int64_t end = 8 * song.barTicks();
        std::vector<Note> got = instance.play(song, frameOfTick(song, static_cast<double>(end)), {{0, true, 0, 1}});
        // The last frame may reach the first tick of bar 9.
        std::erase_if(got, [&](const Note& n) { return n.start > static_cast<double>(end) - 0.5; });
        const std::vector<Note> want = reference(state, song, [&](sim::Transport& t) {
          t.start(0);
          t.run(0, static_cast<MfxTime>(end - 1), 7);
        });
        std::string why;
        const bool same = sameNotes(got, want, static_cast<double>(end) - 2, -1, &why) && instance.orderedOutput_ &&
                          instance.others_ == 0;
        check(same, song.name() + ": 8 bars, the notes of the simulated host " + why);
      }

  const SongSetup song{120, 4, 4, 256};
  const double bar = static_cast<double>(song.barTicks());
  {
    // A relocation from the middle of bar 2 to bar 5, then a stop in the middle of a note.
    Instance instance(world, plugin, song.rate);
    instance.restore(state);
    const double jumpAt = 1.5 * bar, shift = 4 * bar - jumpAt, stopAt = 3 * bar + 100, stopSong = stopAt + shift;
    const std::vector<Note> got = instance.play(
        song, frameOfTick(song, stopAt + 2 * bar),
        {{0, true, 0, 1}, {frameOfTick(song, jumpAt), true, 4, 1}, {frameOfTick(song, stopAt), true, stopSong / bar, 0}});
    // The plug-in's ticks count frames; after the jump the song position is ahead of them.
    std::vector<Note> mapped;
    for (Note n : got) {
      if (n.start >= jumpAt) n.start += shift;
      if (n.end >= jumpAt) n.end += shift;
      mapped.push_back(n);
    }
    const std::vector<Note> want = reference(state, song, [&](sim::Transport& t) {
      t.start(0);
      t.run(0, static_cast<MfxTime>(jumpAt) - 1, 7);
      t.jump(static_cast<MfxTime>(4 * bar));
      t.run(static_cast<MfxTime>(4 * bar), static_cast<MfxTime>(stopSong) - 1, 7);
      t.stop();
    });
    std::string why;
    bool cutNote = false;
    for (const Note& n : want) cutNote = cutNote || (n.start < stopSong && n.end > stopSong);
    const bool same = sameNotes(mapped, want, stopSong + 1, stopSong, &why);
    check(same, "a relocation mid-song and a stop mid-note play as in the simulated host " + why);
    check(cutNote && instance.stuck_ == 0, "the note sounding at the stop ends there: no note is left hanging");
  }
  {
    // Pad 1 holds another loop; key 37 (triggering on, keys from 36) comes a few frames before the
    // fourth bar line, so that the bar's first strokes come from pad 1 only if it switches there.
    ComRef<ITamborak> face;
    CTamborak::create(IID_ITamborak, reinterpret_cast<void**>(face.put()));
    Tamborak& e = static_cast<Tamborak&>(*face.get());
    CUniMemoryReader reader(state.data(), static_cast<std::uint32_t>(state.size()));
    e.readState(reader);
    e.setLoopIdx(1, true, 0);
    e.setVolume("8 Beat Rock");
    e.setLoopIdx(0, true, 0);
    e.setTriggerEnabled(true);
    std::string pads;
    CUniString out(pads);
    e.writeState(out);
    face.reset();

    Instance instance(world, plugin, song.rate);
    instance.restore(pads);
    const std::uint64_t triggerFrame = frameOfTick(song, 3 * bar) - 3;
    HostEvent trigger{triggerFrame, false};
    trigger.midi[0] = 0x90, trigger.midi[1] = 37, trigger.midi[2] = 100;
    std::vector<Note> got = instance.play(song, frameOfTick(song, 6 * bar), {{0, true, 0, 1}, trigger});
    std::erase_if(got, [&](const Note& n) { return n.start > 6 * bar - 0.5; });
    const auto triggerTick = static_cast<MfxTime>(std::ceil(static_cast<double>(triggerFrame) * song.ticksPerFrame() - 1e-6));
    const std::vector<Note> want = reference(pads, song, [&](sim::Transport& t) {
      t.feed(noteEvent(triggerTick, 0, 37, 100, kOpenDuration));
      t.start(0);
      t.run(0, static_cast<MfxTime>(6 * bar) - 1, 7);
    });
    const std::vector<Note> without = reference(state, song, [&](sim::Transport& t) {
      t.start(0);
      t.run(0, static_cast<MfxTime>(6 * bar) - 1, 7);
    });
    std::string why;
    const bool same = sameNotes(got, want, 6 * bar - 2, -1, &why) && !sameNotes(got, without, 6 * bar - 2);
    check(same, "a trigger note switches the pad at its frame " + why);
  }
  {
    // State saved from one instance restores into another, which then plays the same loop.
    Instance first(world, plugin, song.rate);
    first.restore(state);
    const std::vector<Note> played = first.play(song, frameOfTick(song, 2 * bar), {{0, true, 0, 1}});
    const std::string saved = first.save();
    Instance second(world, plugin, song.rate);
    check(!saved.empty() && second.restore(saved), "state saved by one instance restores into another");
    check(sameNotes(second.play(song, frameOfTick(song, 2 * bar), {{0, true, 0, 1}}), played, 2 * bar - 2),
          "the restored instance plays the same loop");
    check(!second.restore(saved.substr(0, saved.size() / 2)) &&
              sameNotes(second.play(song, frameOfTick(song, 2 * bar), {{0, true, 0, 1}}), played, 2 * bar - 2),
          "a damaged state is refused and the loop plays on");
  }

  lilv_node_free(uri);
  lilv_world_free(world);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
