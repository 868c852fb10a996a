// Loading and saving MIDI tracks (a one-bar pattern and a 10,000-note track) and parsing pattern
// signatures. Where libsmf is available the same bytes are also loaded with it, for comparison.
#include <benchmark/benchmark.h>

#include <string>

#include "io/UniStream.h"
#include "library/PatternSignature.h"
#include "midi/MidiTrack.h"

#ifdef TAMBORAK_HAVE_LIBSMF
#include <smf.h>
#endif

using namespace velmora;

namespace {

MidiEvent drumNote(std::int32_t time, int key, int velocity, std::uint32_t duration) {
  return noteEvent(time, 9, key, velocity, duration);
}

// A 4/4 bar at 240 ticks per quarter: sixteenth hi-hats, kick on 1 and 3, snare on 2 and 4.
CMidiTrack oneBar() {
  CMidiTrack t;
  t.setLabel("Rock", std::string("Basic 1"));
  for (int step = 0; step < 16; ++step) t.Insert(drumNote(step * 60, 42, step % 4 ? 70 : 100, 30));
  for (int beat = 0; beat < 4; ++beat) t.Insert(drumNote(beat * 240, beat % 2 ? 38 : 36, 110, 60));
  return t;
}

// 10,000 notes on four keys, overlapping in pairs.
CMidiTrack manyNotes() {
  CMidiTrack t;
  for (int i = 0; i < 10000; ++i) t.Insert(drumNote(i * 30, 36 + 2 * (i % 4), 40 + i % 80, 45));
  return t;
}

std::string saved(const CMidiTrack& track) {
  std::string bytes;
  CUniString out(bytes);
  track.SaveSmf(out);
  return bytes;
}

void loadTrack(benchmark::State& state, const std::string& bytes) {
  for (auto _ : state) {
    CUniMemoryReader in(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CMidiTrack track;
    benchmark::DoNotOptimize(track.LoadSmf(in));
    benchmark::DoNotOptimize(track.eventCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void saveTrack(benchmark::State& state, const CMidiTrack& track) {
  std::string bytes;
  for (auto _ : state) {
    CUniString out(bytes);
    benchmark::DoNotOptimize(track.SaveSmf(out));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_LoadSmf_OneBar(benchmark::State& state) { loadTrack(state, saved(oneBar())); }
void BM_LoadSmf_10000Notes(benchmark::State& state) { loadTrack(state, saved(manyNotes())); }
void BM_SaveSmf_OneBar(benchmark::State& state) { saveTrack(state, oneBar()); }
void BM_SaveSmf_10000Notes(benchmark::State& state) { saveTrack(state, manyNotes()); }

void BM_ParseSignature(benchmark::State& state) {
  const std::string name = "Rock\\3.Cymbal\\HH_Op\\12_9_1112111211121112_1#Open Hats.mid";
  for (auto _ : state) benchmark::DoNotOptimize(parseSignature(name));
}

BENCHMARK(BM_LoadSmf_OneBar);
BENCHMARK(BM_LoadSmf_10000Notes);
BENCHMARK(BM_SaveSmf_OneBar);
BENCHMARK(BM_SaveSmf_10000Notes);
BENCHMARK(BM_ParseSignature);

#ifdef TAMBORAK_HAVE_LIBSMF
void libsmfLoad(benchmark::State& state, const std::string& bytes) {
  for (auto _ : state) {
    smf_t* smf = smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size()));
    if (!smf) {
      state.SkipWithError("libsmf could not load the file");
      break;
    }
    benchmark::DoNotOptimize(smf->number_of_tracks);
    smf_delete(smf);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
void BM_LibsmfLoad_OneBar(benchmark::State& state) { libsmfLoad(state, saved(oneBar())); }
void BM_LibsmfLoad_10000Notes(benchmark::State& state) { libsmfLoad(state, saved(manyNotes())); }
BENCHMARK(BM_LibsmfLoad_OneBar);
BENCHMARK(BM_LibsmfLoad_10000Notes);
#endif

}  // namespace
