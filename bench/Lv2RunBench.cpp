// The LV2 plug-in's run as a host calls it, reached only through the LV2 C ABI: the bundle's module
// is dlopened and instantiated 16 times with its own default loop, controls at their defaults,
// and all 16 roll at 120 beats per minute in 4/4 at 48 kHz in blocks of 64 or 256 frames. Every
// block's input holds the host's time:Position (sent at every block, beat rounded to 1/1920, as a
// DAW does) and four notes per bar to pass on. For comparison, a minimal MIDI pass-through (read
// the input sequence, forge each MIDI event to the output) runs the same blocks as 16 instances.
// An iteration is two bars, so it crosses the loop's end. "cpu/block" is the CPU time of one run
// of one instance, the figure to compare; "allocs" counts heap allocations inside run after a
// one-bar warm-up, and any fails the benchmark. The worker's jobs run every 20 ms of audio, outside
// the timing and the count.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/AllocationCount.h"

namespace {

constexpr double kRate = 48000;
constexpr int kInstances = 16;
constexpr std::uint32_t kBeatFrames = 24000, kBarFrames = 4 * kBeatFrames;  // 120 bpm, 4/4
constexpr std::uint32_t kMidiPerBar = 8;  // four notes' starts and ends
constexpr std::size_t kInBytes = 140000, kOutBytes = 65536, kNotifyBytes = 140000;

std::vector<std::string> uris;
LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri) {
  for (std::size_t i = 0; i < uris.size(); ++i)
    if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
  uris.emplace_back(uri);
  return static_cast<LV2_URID>(uris.size());
}
LV2_URID_Map uridMap{nullptr, mapUri};
LV2_URID id(const char* uri) { return mapUri(nullptr, uri); }

// Messages of the worker in fixed slots, so that scheduling from run allocates nothing.
struct Messages {
  std::array<std::array<std::uint64_t, 8>, 16> slots{};
  std::array<std::uint32_t, 16> sizes{};
  std::size_t count = 0;
  static LV2_Worker_Status add(void* self, std::uint32_t size, const void* data) {
    Messages& m = *static_cast<Messages*>(self);
    if (m.count == m.slots.size() || size > sizeof m.slots[0]) return LV2_WORKER_ERR_NO_SPACE;
    std::memcpy(m.slots[m.count].data(), data, size);
    m.sizes[m.count++] = size;
    return LV2_WORKER_SUCCESS;
  }
};

// The reference: a minimal LV2 MIDI pass-through.
struct PassThrough {
  LV2_URID midiEvent;
  LV2_Atom_Forge forge;
  const LV2_Atom_Sequence* in = nullptr;
  LV2_Atom_Sequence* out = nullptr;
};
const LV2_Descriptor kPassThrough = {
    "urn:bench:pass-through",
    [](const LV2_Descriptor*, double, const char*, const LV2_Feature* const*) -> LV2_Handle {
      auto* p = new PassThrough{id(LV2_MIDI__MidiEvent), {}, nullptr, nullptr};
      lv2_atom_forge_init(&p->forge, &uridMap);
      return p;
    },
    [](LV2_Handle h, std::uint32_t port, void* data) {
      auto* p = static_cast<PassThrough*>(h);
      if (port == 0) p->in = static_cast<const LV2_Atom_Sequence*>(data);
      if (port == 1) p->out = static_cast<LV2_Atom_Sequence*>(data);
    },
    nullptr,
    [](LV2_Handle h, std::uint32_t) {
      auto* p = static_cast<PassThrough*>(h);
      lv2_atom_forge_set_buffer(&p->forge, reinterpret_cast<std::uint8_t*>(p->out), sizeof(LV2_Atom) + p->out->atom.size);
      LV2_Atom_Forge_Frame frame;
      lv2_atom_forge_sequence_head(&p->forge, &frame, 0);
      LV2_ATOM_SEQUENCE_FOREACH(p->in, ev) {
        if (ev->body.type != p->midiEvent) continue;
        lv2_atom_forge_frame_time(&p->forge, ev->time.frames);
        lv2_atom_forge_atom(&p->forge, ev->body.size, ev->body.type);
        lv2_atom_forge_write(&p->forge, LV2_ATOM_BODY_CONST(&ev->body), ev->body.size);
      }
      lv2_atom_forge_pop(&p->forge, &frame);
    },
    nullptr,
    [](LV2_Handle h) { delete static_cast<PassThrough*>(h); },
    [](const char*) -> const void* { return nullptr; }};

// The plug-in's descriptor, its settings kept in a fresh folder; nullptr when it does not load.
const LV2_Descriptor* plugin() {
  static const LV2_Descriptor* descriptor = [] {
    static std::string settings = (std::filesystem::temp_directory_path() / "tamborak-bench-XXXXXX").string();
    if (!mkdtemp(settings.data())) return static_cast<const LV2_Descriptor*>(nullptr);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(settings, ignored);
    });
    setenv("TAMBORAK_CONFIG_DIR", settings.c_str(), 1);
    void* module = dlopen(TAMBORAK_LV2_MODULE, RTLD_NOW | RTLD_LOCAL);
    const auto entry = module ? reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor")) : nullptr;
    return entry ? entry(0) : nullptr;
  }();
  return descriptor;
}

struct Instance {
  const LV2_Descriptor* descriptor;
  LV2_Handle handle = nullptr;
  const LV2_Worker_Interface* worker = nullptr;
  Messages jobs, responses;
  LV2_Worker_Schedule schedule{&jobs, Messages::add};
  LV2_Feature mapFeature{LV2_URID__map, &uridMap}, scheduleFeature{LV2_WORKER__schedule, &schedule};
  std::array<float, 8> controls{};
  std::vector<std::uint64_t> out = std::vector<std::uint64_t>(kOutBytes / 8), notify = std::vector<std::uint64_t>(kNotifyBytes / 8);

  explicit Instance(const LV2_Descriptor* d) : descriptor(d) {
    const LV2_Feature* features[] = {&mapFeature, &scheduleFeature, nullptr};
    handle = d->instantiate(d, kRate, TAMBORAK_LV2_BUNDLE "/", features);
    if (!handle) return;
    if (d->extension_data) worker = static_cast<const LV2_Worker_Interface*>(d->extension_data(LV2_WORKER__interface));
    d->connect_port(handle, 1, out.data());
    for (std::uint32_t p = 2; p < 10; ++p) d->connect_port(handle, p, &controls[p - 2]);
    d->connect_port(handle, 10, notify.data());
    if (d->activate) d->activate(handle);
  }
  ~Instance() {
    if (!handle) return;
    if (descriptor->deactivate) descriptor->deactivate(handle);
    descriptor->cleanup(handle);
  }
  void run(const void* in, std::uint32_t frames) {
    descriptor->connect_port(handle, 0, const_cast<void*>(in));
    for (auto* buffer : {&out, &notify}) {
      auto* atom = reinterpret_cast<LV2_Atom*>(buffer->data());
      *atom = {static_cast<std::uint32_t>(buffer->size() * 8 - sizeof(LV2_Atom)), 0};
    }
    descriptor->run(handle, frames);
  }
  void runWorker() {
    for (std::size_t i = 0; worker && i < jobs.count; ++i)
      worker->work(handle, Messages::add, &responses, jobs.sizes[i], jobs.slots[i].data());
    for (std::size_t i = 0; worker && i < responses.count; ++i) worker->work_response(handle, responses.sizes[i], responses.slots[i].data());
    jobs.count = responses.count = 0;
  }
};

// One bar of input blocks, the same every bar but for the bar number each position carries.
struct Bar {
  std::vector<std::vector<std::uint64_t>> blocks;
  std::vector<std::size_t> barAt;  // where in each block the bar number's body lies, in bytes
  explicit Bar(std::uint32_t frames) {
    std::vector<std::uint64_t> buffer(kInBytes / 8);
    for (std::uint32_t at = 0; at < kBarFrames; at += frames) {
      LV2_Atom_Forge forge;
      lv2_atom_forge_init(&forge, &uridMap);
      lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(buffer.data()), kInBytes);
      LV2_Atom_Forge_Frame sequence, object;
      lv2_atom_forge_sequence_head(&forge, &sequence, 0);
      lv2_atom_forge_frame_time(&forge, 0);
      lv2_atom_forge_object(&forge, &object, 0, id(LV2_TIME__Position));
      lv2_atom_forge_key(&forge, id(LV2_TIME__bar));
      const LV2_Atom_Forge_Ref bar = lv2_atom_forge_long(&forge, 0);
      barAt.push_back(static_cast<std::size_t>(reinterpret_cast<std::uint8_t*>(lv2_atom_forge_deref(&forge, bar)) -
                                               reinterpret_cast<std::uint8_t*>(buffer.data())) + sizeof(LV2_Atom));
      lv2_atom_forge_key(&forge, id(LV2_TIME__barBeat));
      lv2_atom_forge_float(&forge, static_cast<float>(std::round(at * 1920.0 / kBeatFrames) / 1920));
      lv2_atom_forge_key(&forge, id(LV2_TIME__beatsPerBar));
      lv2_atom_forge_float(&forge, 4);
      lv2_atom_forge_key(&forge, id(LV2_TIME__beatUnit));
      lv2_atom_forge_int(&forge, 4);
      lv2_atom_forge_key(&forge, id(LV2_TIME__beatsPerMinute));
      lv2_atom_forge_float(&forge, 120);
      lv2_atom_forge_key(&forge, id(LV2_TIME__speed));
      lv2_atom_forge_float(&forge, 1);
      lv2_atom_forge_pop(&forge, &object);
      // A note on every beat, ended half a beat later, on keys no pad listens to.
      for (std::uint32_t e = 0; e < kMidiPerBar; ++e) {
        const std::uint32_t frame = e * kBeatFrames / 2;
        if (frame < at || frame >= at + frames) continue;
        const std::uint8_t midi[3] = {static_cast<std::uint8_t>(e % 2 ? 0x80 : 0x90), static_cast<std::uint8_t>(72 + e / 2), 100};
        lv2_atom_forge_frame_time(&forge, frame - at);
        lv2_atom_forge_atom(&forge, 3, id(LV2_MIDI__MidiEvent));
        lv2_atom_forge_write(&forge, midi, 3);
      }
      lv2_atom_forge_pop(&forge, &sequence);
      blocks.emplace_back(buffer.begin(), buffer.begin() + (forge.offset + 7) / 8);
    }
  }
};

void playBlocks(benchmark::State& state, const LV2_Descriptor* descriptor) {
  const auto frames = static_cast<std::uint32_t>(state.range(0));
  if (!descriptor) {
    state.SkipWithError("the LV2 module did not load: " TAMBORAK_LV2_MODULE);
    return;
  }
  Bar bar(frames);
  std::vector<std::unique_ptr<Instance>> instances;
  for (int i = 0; i < kInstances; ++i)
    if (!instances.emplace_back(std::make_unique<Instance>(descriptor))->handle) {
      state.SkipWithError("instantiate failed");
      return;
    }
  const std::size_t pumpBlocks = (static_cast<std::size_t>(kRate / 50) + frames - 1) / frames;
  std::int64_t barNumber = 0, events = 0;
  std::size_t block = 0, allocs = 0;
  // Plays `bars` bars; the worker's jobs run every 20 ms with the timing paused, not counted.
  const auto play = [&](int bars, bool timed) {
    for (std::size_t end = block + static_cast<std::size_t>(bars) * bar.blocks.size(); block < end; ++block) {
      const std::size_t b = block % bar.blocks.size();
      auto* in = reinterpret_cast<std::uint8_t*>(bar.blocks[b].data());
      if (b == 0) barNumber = static_cast<std::int64_t>(block / bar.blocks.size());
      std::memcpy(in + bar.barAt[b], &barNumber, sizeof barNumber);
      const std::size_t before = allocations;
      for (auto& instance : instances) instance->run(in, frames);
      allocs += allocations - before;
      LV2_ATOM_SEQUENCE_FOREACH(reinterpret_cast<const LV2_Atom_Sequence*>(instances[0]->out.data()), ev) events += timed;
      if ((block + 1) % pumpBlocks) continue;
      if (timed) state.PauseTiming();
      for (auto& instance : instances) instance->runWorker();
      if (timed) state.ResumeTiming();
    }
  };
  play(1, false);
  allocs = 0;
  for (auto _ : state) play(2, true);
  const double blocks = static_cast<double>(state.iterations()) * 2 * static_cast<double>(bar.blocks.size());
  state.counters["cpu/block"] = benchmark::Counter(blocks * kInstances, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["events/block"] = static_cast<double>(events) / blocks;
  state.counters["allocs"] = static_cast<double>(allocs);
  if (allocs > 0) state.SkipWithError("run allocated on the heap after the warm-up");
  else if (descriptor != &kPassThrough && static_cast<double>(events) <= blocks / static_cast<double>(bar.blocks.size()) * kMidiPerBar)
    state.SkipWithError("the plug-in played nothing of its own: it does not follow the transport");
}

void BM_Plugin(benchmark::State& state) { playBlocks(state, plugin()); }
void BM_PassThrough(benchmark::State& state) { playBlocks(state, &kPassThrough); }
BENCHMARK(BM_Plugin)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PassThrough)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace
