// Scanning the pattern library: a full scan of a generated library of 10,000 pattern files in 3
// volume folders (through PatternTree::setRoot, which also arms the folder watch), a rescan
// after one file was renamed (PatternTree::refresh, keeping the unchanged nodes), and for
// comparison `find DIR -name '*.mid'` over the same folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "library/PatternTree.h"
#include "tests/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using velmora::PatternTree;

constexpr int kVolumes = 3, kParts = 4, kKinds = 3, kPatterns = 10000;

// The generated library, made once and removed at exit.
const velmora::test::TempFolder& library() {
  static const velmora::test::TempFolder folder;
  static const bool made = [] {
    const std::string smf("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xff\x2f\0", 26);
    for (int i = 0; i < kPatterns; ++i) {
      const int volume = i % kVolumes, part = (i / kVolumes) % kParts, kind = (i / (kVolumes * kParts)) % kKinds;
      const fs::path dir = folder.path() / ("Vol" + std::to_string(volume)) / (std::to_string(part) + ".Part") /
                           ("Kind" + std::to_string(kind));
      fs::create_directories(dir);
      std::ofstream(dir / (std::to_string(i) + "_4_1000100010001000_" + std::to_string(i % 3) + "#P.mid"),
                    std::ios::binary) << smf;
    }
    return true;
  }();
  (void)made;
  return folder;
}

void BM_FullScan(benchmark::State& state) {
  const std::string root = library().path().string();
  for (auto _ : state) {
    PatternTree tree;
    tree.setRoot(root);
    benchmark::DoNotOptimize(tree.root()->firstFolder());
  }
  state.SetItemsProcessed(state.iterations() * kPatterns);
}
BENCHMARK(BM_FullScan)->Unit(benchmark::kMillisecond);

void BM_RescanAfterOneChange(benchmark::State& state) {
  PatternTree tree;
  tree.setRoot(library().path().string());
  const fs::path a = library().path() / "Vol0" / "0.Part" / "Kind0" / "0_4_1000100010001000_0#P.mid";
  const fs::path b = library().path() / "Vol0" / "0.Part" / "Kind0" / "0_4_1000100010001000_0#Renamed.mid";
  bool renamed = false;
  for (auto _ : state) {
    state.PauseTiming();
    fs::rename(renamed ? b : a, renamed ? a : b);
    renamed = !renamed;
    state.ResumeTiming();
    tree.refresh();
  }
  if (renamed) fs::rename(b, a);
  state.SetItemsProcessed(state.iterations() * kPatterns);
}
BENCHMARK(BM_RescanAfterOneChange)->Unit(benchmark::kMillisecond);

void BM_FindCommand(benchmark::State& state) {
  const std::string command = "find '" + library().path().string() + "' -name '*.mid'";
  std::size_t lines = 0;
  for (auto _ : state) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
      state.SkipWithError("cannot run find");
      break;
    }
    lines = 0;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) ++lines;
    pclose(pipe);
  }
  state.counters["files"] = static_cast<double>(lines);
  state.SetItemsProcessed(state.iterations() * kPatterns);
}
BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond);

}  // namespace
