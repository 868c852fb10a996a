// A headless LV2 host of our own on lilv: it finds the bundle, runs the plug-in block by block
// with the transport a DAW sends, and compares the notes with those of the same engine driven
// window by window through the simulated host (times in ticks: within one tick, or, where the
// host sends its place as a DAW does, on the frame nearest their exact place). It ends with an
// "N passed, N failed" line.
#include <lv2/units/units.h>

#include <array>
#include <cstdlib>

#include "engine/EngineProcess.h"
#include "engine/Tamborak.h"
#include "frame/CTamborak.h"
#include "io/UniStream.h"
#include "loops/Looper.h"
#include "lv2/ControlPorts.h"
#include "sim/HostContext.h"
#include "sim/Transport.h"
#include "tests/TempFolder.h"
#include "tests/lv2/Lv2TestHost.h"

namespace {

using namespace velmora;
using namespace velmora::lv2test;

// The same engine through the simulated host: notes in ticks, ends included. With a loop range,
// each start begins a pass: its notes end by the loop's end and follow the passes before it.
std::vector<Note> reference(const std::string& state, const SongSetup& song,
                            const std::function<void(sim::Transport&)>& drive, double loopStart = 0, double loopEnd = 0) {
  ComRef<IMfxEventFilter> face;
  Tamborak& e = newEngine(face);
  ComRef<sim::HostContext> host = sim::create<sim::HostContext>(
      sim::Song(960).meter(1, song.perBar, song.unit).tempo(0, static_cast<std::int32_t>(std::lround(song.bpm * 400 / song.unit))));
  sim::connect(*face, *host);
  CUniMemoryReader reader(state.data(), static_cast<std::uint32_t>(state.size()));
  e.readState(reader);
  sim::Transport transport(*face);
  drive(transport);
  std::vector<Note> notes;
  const sim::Recording& recording = transport.recording();
  double shift = -(loopEnd - loopStart);
  for (std::size_t call = 0, i = 0; i < recording.events.size(); ++i) {
    for (; call <= recording.events[i].call; ++call) shift += (loopEnd - loopStart) * (recording.calls[call].kind == sim::Call::kStart);
    const MidiEvent& n = recording.events[i].event;
    double end = n.duration == kOpenDuration ? -1.0 : static_cast<double>(n.time) + n.duration;
    if (loopEnd > loopStart) end = std::min(end, loopEnd);
    if (n.isNote()) notes.push_back({n.time + shift, n.data1, n.data2, end < 0 ? end : end + shift});
  }
  std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.start < b.start; });
  face->Disconnect();
  return notes;
}

// Phrases of 4 bars, a one-bar fill and the crash, set after the first block (the port values
// before it are the plug-in's starting point).
void setPhrasePorts(Instance& instance) {
  instance.eachBlock = [&instance] {
    instance.controls_[lv2::controlIndex("phrase_length")] = 2;
    instance.controls_[lv2::controlIndex("fill_length")] = 2;
    instance.controls_[lv2::controlIndex("crash")] = 1;
  };
}

// Whether both lists hold the same notes, starts within `within` ticks; ends too where `until`
// (a tick) has passed them; a note of the reference that runs past `cut` must end at `cut`.
bool sameNotes(std::vector<Note> got, std::vector<Note> want, double until, double cut = -1, std::string* why = nullptr,
               double within = 1) {
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
    const bool endOk = end < 0 || end > until || (g.end >= 0 && std::fabs(g.end - end) <= within);
    if (std::fabs(g.start - w.start) > within || g.key != w.key || g.velocity != w.velocity || !endOk) {
      if (why)
        *why = "note " + std::to_string(i) + ": " + std::to_string(g.start) + "/" + std::to_string(g.key) + "/" +
               std::to_string(g.end) + " expected " + std::to_string(w.start) + "/" + std::to_string(w.key) + "/" +
               std::to_string(end);
      return false;
    }
  }
  return true;
}

}  // namespace

// Plays the build's bundle, or with `lv2_host_tests LV2_FOLDER PATTERNS_FOLDER` an installed one
// whose library the reference engine takes from PATTERNS_FOLDER.
int main(int argc, char** argv) {
  const std::string lv2Folder = argc == 3 ? argv[1] : TAMBORAK_LV2_FOLDER;
  velmora::test::TempFolder settings;
  setenv("TAMBORAK_CONFIG_DIR", settings.path().c_str(), 1);
  setenv("LV2_PATH", lv2Folder.c_str(), 1);
  EngineProcess::setPatternsFolder(argc == 3 ? argv[2] : lv2Folder + "/tamborak.lv2/Patterns");

  LilvWorld* world = lilv_world_new();
  lilv_world_load_all(world);
  LilvNode* uri = lilv_new_uri(world, "urn:velmora:tamborak");
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  if (!check(plugin != nullptr, "the bundle is found in " + lv2Folder)) return tally();
  // The description's ports are the table's: each control's index, symbol, name, range, default,
  // kind and choices, then the panel's notify port.
  bool described = lilv_plugin_get_num_ports(plugin) == lv2::kPortCount;
  LilvNode* toggled = lilv_new_uri(world, LV2_CORE__toggled);
  LilvNode* unitOf = lilv_new_uri(world, LV2_UNITS__unit);
  for (std::size_t i = 0; described && i < lv2::kControlCount; ++i) {
    const GlobalControl& c = kGlobalControls[i];
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, c.port);
    LilvNode *start = nullptr, *low = nullptr, *high = nullptr;
    if (port) lilv_port_get_range(plugin, port, &start, &low, &high);
    LilvNode* name = port ? lilv_port_get_name(plugin, port) : nullptr;
    LilvNode* units = port ? lilv_port_get(plugin, port, unitOf) : nullptr;
    std::string choices;
    LilvScalePoints* points = port ? lilv_port_get_scale_points(plugin, port) : nullptr;
    std::vector<std::string> labels(static_cast<std::size_t>(c.max - c.min + 1));
    if (points) LILV_FOREACH(scale_points, it, points) {
      const LilvScalePoint* point = lilv_scale_points_get(points, it);
      const int value = lilv_node_as_int(lilv_scale_point_get_value(point)) - c.min;
      if (value >= 0 && value < static_cast<int>(labels.size()))
        labels[static_cast<std::size_t>(value)] = lilv_node_as_string(lilv_scale_point_get_label(point));
    }
    for (const std::string& label : labels) choices += (choices.empty() ? "" : "|") + label;
    described = port && name && start && low && high &&
                std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, port))) == c.symbol &&
                std::string(lilv_node_as_string(name)) == c.name && lilv_node_as_int(low) == c.min &&
                lilv_node_as_int(high) == c.max && lilv_node_as_int(start) == c.defaultValue &&
                lilv_port_has_property(plugin, port, toggled) == (c.kind == GlobalControl::Kind::kToggle) &&
                (units && std::string(lilv_node_as_uri(units)) == LV2_UNITS__pc) ==
                    (c.kind == GlobalControl::Kind::kPercent) &&
                (points ? choices == c.choices : c.kind != GlobalControl::Kind::kChoice);
    if (!described) std::printf("# port %u does not describe %s\n", c.port, c.name);
    if (points) lilv_scale_points_free(points);
    for (LilvNode* node : {start, low, high, name, units}) lilv_node_free(node);
  }
  const LilvPort* notify = lilv_plugin_get_port_by_index(plugin, lv2::kPortNotify);
  check(described && notify && std::string(lilv_node_as_string(lilv_port_get_symbol(plugin, notify))) == "notify",
        "the ports: MIDI in and out, one for each global control as the engine's table has it, the panel's notify");
  lilv_node_free(toggled);
  lilv_node_free(unitOf);

  const std::string state = composedState();
  // The loop with the phrase the ports above set.
  const std::string phrased = edited(state, [](Tamborak& e) {
    e.setPhraseBars(4, false);
    e.setFillLength(2, false);
    e.setCrashAfterFill(true, false);
  });

  // As a DAW plays: the place every block, rounded to 1/1920 beat; every note on the frame nearest
  // its exact place, the same frames whatever the block size. Eight bars with phrases of 4 bars set
  // by the ports: bar 4 and 8 play the fill, bar 5 starts with the crash. A loop relocating at its
  // end plays no note twice at a wrap; in 3/4 the loop's patterns span two bars, so a start read a
  // bar off shows; a loop of bars 3-6 wraps inside a phrase: bar 4 plays the fill each pass.
  struct HostRun {
    double bpm;
    int perBar, unit, from, to;  // the loop's bars, counted from 0 (no loop when `to` is 0)
    bool phrases;
  };
  std::vector<HostRun> runs{{120.0, 4, 4, 1, 3, false}, {93.7, 3, 4, 1, 3, false}, {120.0, 4, 4, 2, 6, true}};
  for (double bpm : {93.7, 120.0, 174.0})
    for (const auto& [perBar, unit] : {std::pair(4, 4), std::pair(3, 4), std::pair(7, 8)})
      runs.push_back({bpm, perBar, unit, 0, 0, true});
  for (const auto& [bpm, perBar, unit, from, to, phrases] : runs) {
    decltype(Instance::raw_) firstFrames;
    const bool looped = to > 0;
    for (const std::uint32_t block : {64u, 256u, 1000u}) {
      const SongSetup song{bpm, perBar, unit, block};
      const double loopStart = static_cast<double>(from * song.barTicks()), loopEnd = static_cast<double>(to * song.barTicks());
      const int passes = looped ? 4 : 1;
      // The tick the run ends at: its last frame may reach that tick.
      const double bars = looped ? from + passes * (to - from) : 8;
      const double until = bars * static_cast<double>(song.barTicks());
      Instance instance(world, plugin, song.rate);
      if (!instance.ok() || !instance.restore(state)) {
        check(false, song.name() + ": instantiated and restored");
        continue;
      }
      instance.everyCycle_ = true;
      if (phrases) setPhrasePorts(instance);
      instance.loopStart_ = loopStart, instance.loopEnd_ = loopEnd;
      const auto passFrames = static_cast<std::uint64_t>(std::llround((loopEnd - loopStart) / song.ticksPerFrame()));
      const std::uint64_t frames = looped ? passes * passFrames + 1 : frameOfTick(song, until);
      const std::vector<Note> got =
          startingBefore(instance.play(song, frames, {{0, true, static_cast<double>(from), 1}}), until);
      const auto drive = [&](sim::Transport& t) {
        const auto start = static_cast<MfxTime>(loopStart), end = static_cast<MfxTime>(looped ? loopEnd : until);
        t.start(start);
        for (int pass = 0; pass < passes; ++pass) {
          if (pass > 0) t.jump(start);
          t.run(start, end - 1, 7);
        }
      };
      const std::vector<Note> want = reference(phrases ? phrased : state, song, drive, loopStart, loopEnd);
      std::string why;
      const bool same = sameNotes(got, want, looped ? 1e9 : until - 2, -1, &why, 0.55 * song.ticksPerFrame()) &&
                        instance.orderedOutput_ && instance.others_ == 0 &&
                        (block != 64 || !phrases ||
                         !sameNotes(want, reference(state, song, drive, loopStart, loopEnd), until));
      if (block == 64) firstFrames = instance.raw_;
      const std::string what = looped ? "a loop from bar " + std::to_string(from + 1) + " played 4 times" : "8 bars";
      check(same && instance.raw_ == firstFrames,
            song.name() + ": " + what + ", the notes of the simulated host " + why);
    }
  }

  const SongSetup song{120, 4, 4, 256};
  const double bar = static_cast<double>(song.barTicks());
  {
    // A relocation from the middle of bar 2 to bar 5, then a stop in the middle of a note.
    Instance instance(world, plugin, song.rate);
    instance.restore(state);
    instance.everyCycle_ = true;
    const double jumpAt = 1.5 * bar, shift = 4 * bar - jumpAt, stopAt = 3 * bar + 100, stopSong = stopAt + shift;
    const std::vector<Note> got = instance.play(
        song, frameOfTick(song, stopAt + 2 * bar),
        {{0, true, 0, 1}, {frameOfTick(song, jumpAt), true, 4, 1}, {frameOfTick(song, stopAt), true, stopSong / bar, 0}});
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
    const bool same = sameNotes(got, want, stopSong + 1, stopSong, &why, 0.55 * song.ticksPerFrame());
    check(same, "a relocation mid-song and a stop mid-note play as in the simulated host " + why);
    check(cutNote && instance.stuck_ == 0, "the note sounding at the stop ends there: no note is left hanging");
  }
  {
    // A tempo ramping from 120 to 180 bpm over 384000 frames (5 bars), the place and tempo sent
    // at every block: the count follows without drifting into a relocation.
    Instance instance(world, plugin, song.rate);
    instance.restore(state);
    instance.everyCycle_ = true;
    instance.rampFrames_ = 384000, instance.rampBpm_ = 180;
    const std::vector<Note> got = startingBefore(instance.play(song, 384000 + 192000, {{0, true, 0, 1}}), 8 * bar);
    const std::vector<Note> want = reference(state, song, [&](sim::Transport& t) {
      t.start(0);
      t.run(0, static_cast<MfxTime>(8 * bar) - 1, 7);
    });
    std::string why;
    check(sameNotes(got, want, 8 * bar - 2, -1, &why, 0.85), "a tempo ramp plays as the simulated host " + why);
  }
  {
    // Pad 1 holds another loop; key 37 (triggering on, keys from 36) comes a few frames before the
    // fourth bar line, so that the bar's first strokes come from pad 1 only if it switches there.
    // The fill key (46, after the ten) in the middle of bar 5 plays the fill at that bar's end.
    const std::string pads = edited(state, [](Tamborak& e) {
      e.setLoopIdx(1, true, 0);
      e.setVolume("8 Beat Rock");
      e.getSlice(Tamborak::kFillSlice)->setMutedSilently(false);
      e.getSlice(Tamborak::kFillSlice)->nextPattern(false, 1, false);
      e.setLoopIdx(0, true, 0);
      e.setTriggerEnabled(true);
    });

    Instance instance(world, plugin, song.rate);
    instance.restore(pads);
    std::vector<HostEvent> events{{0, true, 0, 1}};
    std::vector<MidiEvent> fed;
    for (const auto& [at, key] : {std::pair(3 * bar, 37), std::pair(4.5 * bar, 46)}) {
      const std::uint64_t frame = frameOfTick(song, at) - 3;
      events.push_back({frame, false, 0, 1, {0x90, static_cast<std::uint8_t>(key), 100}});
      const auto tick = static_cast<MfxTime>(std::ceil(static_cast<double>(frame) * song.ticksPerFrame() - 1e-6));
      fed.push_back(noteEvent(tick, 0, key, 100, kOpenDuration));
    }
    const std::vector<Note> got = startingBefore(instance.play(song, frameOfTick(song, 6 * bar), events), 6 * bar);
    const auto played = [&](const std::string& block, std::size_t keys) {
      return reference(block, song, [&](sim::Transport& t) {
        for (std::size_t i = 0; i < keys; ++i) t.feed(fed[i]);
        t.start(0);
        t.run(0, static_cast<MfxTime>(6 * bar) - 1, 7);
      });
    };
    const std::vector<Note> want = played(pads, 2), noFill = played(pads, 1);
    std::string why;
    const bool same = sameNotes(got, want, 6 * bar - 2, -1, &why) && !sameNotes(got, played(state, 0), 6 * bar - 2);
    check(same, "a trigger note switches the pad at its frame " + why);
    check(!sameNotes(got, noFill, 6 * bar - 2) &&
              sameNotes(startingBefore(got, 4.75 * bar), startingBefore(noFill, 4.75 * bar), 4.75 * bar - 2),
          "the fill key plays a fill in the last beat of its bar");

    // Stopped, the highest trigger key selects pad 9 at once; the pad port set past its range
    // leaves pad 9, and that state restores.
    const auto padOf = [](const std::string& block) {
      ComRef<IMfxEventFilter> other;
      bool read = false;
      const int pad = newEngine(other, block, &read).getLoopIdx();
      return read ? pad : -1;
    };
    Instance stopped(world, plugin, song.rate);
    stopped.restore(pads);
    const bool quiet = stopped.play(song, 2048, {{0, false, 0, 1, {0x90, 45, 100}}}).empty();
    check(quiet && padOf(stopped.save()) == 9, "the highest trigger key selects pad 9");
    for (const float pad : {10.0f, 1e6f}) {
      stopped.controls_[lv2::controlIndex("quick_pad")] = pad;
      stopped.play(song, 256, {});
    }
    const std::string saved = stopped.save();
    check(padOf(saved) == 9 && Instance(world, plugin, song.rate).restore(saved), "the pad port stops at pad 9");
    for (const bool refuse : {true, false}) {
      stopped.refuseJobs_ = refuse, stopped.controls_[lv2::controlIndex("quick_pad")] = 4;
      stopped.play(song, 256, {});
    }
    check(padOf(stopped.save()) == 4, "a pad change the worker had no room for comes with a later block");
  }
  {
    // A host offering a nearly full output buffer gets whole events only: of each block's events
    // as many as fit, note ends first, in frame order (24 bytes an event after 24 of headers).
    const SongSetup big{120, 4, 4, 4096};
    Instance full(world, plugin, big.rate);
    full.restore(state);
    full.play(big, frameOfTick(big, 2 * bar), {{0, true, 0, 1}});
    const auto isEnd = [](const std::array<std::uint8_t, 3>& m) {
      return (m[0] & 0xF0) == 0x80 || ((m[0] & 0xF0) == 0x90 && m[2] == 0);
    };
    for (const std::uint32_t bytes : {40u, 64u, 88u}) {
      Instance small(world, plugin, big.rate);
      small.restore(state);
      small.outBytes_ = bytes;
      small.play(big, frameOfTick(big, 2 * bar), {{0, true, 0, 1}});
      decltype(Instance::raw_) want;
      for (std::size_t i = 0, j = 0; i < full.raw_.size(); i = j) {
        while (j < full.raw_.size() && full.raw_[j].first / big.block == full.raw_[i].first / big.block) ++j;
        std::vector<bool> keep(j - i);
        for (std::size_t left = (bytes - 24) / 24; const bool ends : {true, false})
          for (std::size_t k = i; k < j; ++k)
            if (isEnd(full.raw_[k].second) == ends && left > 0) keep[k - i] = true, --left;
        for (std::size_t k = i; k < j; ++k)
          if (keep[k - i]) want.push_back(full.raw_[k]);
      }
      check(small.raw_ == want && small.others_ == 0 && small.orderedOutput_,
            "an output buffer of " + std::to_string(bytes) + " bytes gets whole events, note ends first");
    }
  }
  {
    // The kick alone, struck again a quarter after a note two quarters long: the old note ends
    // where the new one starts, and the new one sounds its own two quarters.
    const std::string restruck = edited(state, [](Tamborak& e) {
      for (int i = 0; i < Tamborak::kSliceCount; ++i) e.getSlice(i)->setMutedSilently(i != 5);
      e.getSlice(5)->editTrack([](CMidiTrack& t) {
        const auto q = static_cast<std::int32_t>(t.division());
        t.Clear();
        t.Insert(noteEvent(0, 9, 36, 100, static_cast<std::uint32_t>(2 * q)));
        t.Insert(noteEvent(q, 9, 36, 90, static_cast<std::uint32_t>(2 * q)));
      });
      e.getSlice(5)->markEdited();
    });
    Instance instance(world, plugin, song.rate);
    instance.restore(restruck);
    const std::vector<Note> got = startingBefore(instance.play(song, frameOfTick(song, bar), {{0, true, 0, 1}}), bar);
    const double q = bar / 4;
    check(got.size() == 2 && std::fabs(got[0].end - q) <= 1 && std::fabs(got[1].start - q) <= 1 &&
              std::fabs(got[1].end - 3 * q) <= 1,
          "a key struck again while it sounds ends the old note, not the new one");
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

    // Two instances on two kits (drum maps, and note-name sets not installed here), each saved and
    // restored into a fresh instance: it plays its own map's notes and keeps its set's title.
    std::deque<Instance> kits;
    for (int shift : {1, 2})
      kits.emplace_back(world, plugin, song.rate).restore(edited(state, [&](Tamborak& e) {
        for (int key = 0; key < DrumMap::kKeys; ++key) e.getDrumMap()->setNote(key, key + shift);
        e.getNoteNames()->setTitle("Kit " + std::to_string(shift));
      }));
    for (int shift : {1, 2}) {
      Instance fresh(world, plugin, song.rate);
      std::vector<Note> want = played;
      for (Note& n : want) n.key += shift;
      const bool restored = fresh.restore(kits[static_cast<std::size_t>(shift - 1)].save());
      check(restored && sameNotes(fresh.play(song, frameOfTick(song, 2 * bar), {{0, true, 0, 1}}), want, 2 * bar - 2) &&
                fresh.save().find("Kit " + std::to_string(shift)) != std::string::npos,
            "kit " + std::to_string(shift) + ": a restored instance plays its own drum map and keeps its note-name set");
    }
  }

  lilv_node_free(uri);
  lilv_world_free(world);
  return tally();
}
