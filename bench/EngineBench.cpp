// Rendering host windows: one window of 10 ms (19 or 20 ticks at 120 beats per minute
// and 960 ticks per quarter) and one window of a whole bar, with all six slices playing a
// sixteenth-note pattern of the default library, swing 50 % and humanize 10. Reports the time per
// window and the heap allocations per window, counted by the test programs' replaced operator new;
// the same with a fill at the end of every second bar (a one-bar fill and its crash, argument 1);
// and writing the engine's state block.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/EngineProcess.h"
#include "engine/Song.h"
#include "engine/Tamborak.h"
#include "io/UniStream.h"
#include "loops/Looper.h"
#include "tests/AllocationCount.h"
#include "tests/TempFolder.h"

namespace {

using namespace velmora;

constexpr std::int32_t kQuarter = 960;
constexpr std::int32_t kTicksPerSecond = 2 * kQuarter;  // 120 beats per minute
constexpr char kSixteenths[] = "16 Beat Funk\\3.Cymbal\\HH_Cl\\";
constexpr char kSixteenthsFile[] = "01_16_1111111111111111_0#Sixteenths.mid";

// One connected engine over the build's default library, its settings kept in a folder of its own.
struct Playing final : EventSource, EventSink {
  test::TempFolder settings;
  std::unique_ptr<Tamborak> face;
  Song song{kQuarter};
  std::size_t events = 0;
  bool ready = false;

  std::size_t size() const override { return 0; }
  bool get(std::size_t, MidiEvent&) const override { return false; }
  void emit(const MidiEvent&) override { ++events; }
  void pass(std::size_t) override { ++events; }

  Playing() {
#ifdef _WIN32
    _putenv_s("TAMBORAK_CONFIG_DIR", settings.path().string().c_str());
#else
    setenv("TAMBORAK_CONFIG_DIR", settings.path().string().c_str(), 1);
#endif
    EngineProcess::setProgramFolder(TAMBORAK_APP_FOLDER);
    face = std::make_unique<Tamborak>(true);
    Tamborak& engine = *face;
    ready = true;
    for (int i = 0; i < Tamborak::kSliceCount; ++i) {
      Looper& slice = *engine.getSlice(i);
      slice.setMutedSilently(false);
      slice.loadPattern(kSixteenths, kSixteenthsFile, true);
      ready = ready && slice.file() == kSixteenthsFile;
    }
    Looper& fill = *engine.getSlice(Tamborak::kFillSlice);
    fill.nextPattern(false, 1, false);
    ready = ready && !fill.file().empty();
    engine.setSwingPc(50, false);
    engine.setHumanizeVelo(10, false);
    engine.connect(song, false);
  }
  Tamborak& engine() { return *face; }
};

Playing& playing() {
  static Playing state;
  return state;
}

// Plays consecutive windows, the k-th covering ticks [start(k), start(k + 1)).
template <typename Start>
void playWindows(benchmark::State& state, Start start) {
  Playing& p = playing();
  if (!p.ready) {
    state.SkipWithError("the default pattern library is missing");
    return;
  }
  // With fills, every second bar ends in a whole bar of fill and crashes into the next.
  const bool fills = state.range(0) != 0;
  p.engine().setPhraseBars(fills ? 2 : 0, false);
  p.engine().setFillLength(2, false);
  p.engine().setCrashAfterFill(fills, false);
  std::int64_t k = 0;
  p.events = 0;
  const std::size_t before = allocations;
  for (auto _ : state) {
    const std::int64_t from = start(k), next = start(k + 1);
    p.engine().process(static_cast<SongTick>(from), static_cast<SongTick>(next - 1), p, p);
    k = next > 1'000'000'000 ? 0 : k + 1;
  }
  const std::size_t events = p.events;
  const double windows = static_cast<double>(state.iterations());
  state.counters["allocs/window"] = static_cast<double>(allocations - before) / windows;
  state.counters["events/window"] = static_cast<double>(events) / windows;
}

void BM_TenMillisecondWindow(benchmark::State& state) {
  playWindows(state, [](std::int64_t k) { return k * kTicksPerSecond / 100; });
}
BENCHMARK(BM_TenMillisecondWindow)->Arg(0)->Arg(1);

void BM_OneBarWindow(benchmark::State& state) {
  playWindows(state, [](std::int64_t k) { return k * 4 * kQuarter; });
}
BENCHMARK(BM_OneBarWindow)->Arg(0)->Arg(1);

// The whole state block written out: what the LV2 plug-in compares with its panel's every 20 ms
// while a panel is open, and the panel after every event it handles.
void BM_StateBlock(benchmark::State& state) {
  Playing& p = playing();
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string block;
    CUniString out(block);
    p.engine().writeState(out);
    bytes = block.size();
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_StateBlock);

}  // namespace
