// For each volume of the default library: 200 whole-loop compositions (seeds 1 to 200), first with
// the default engine (percussion muted), then with all six slices playing, then with all six and
// a fill of each length every four bars, crash on. Prints the share that ends with no rule broken
// and the mean number of attempts used, and fails when a share with fills is below 99%.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "bench/ComposeEngine.h"
#include "library/PatternTree.h"
#include "library/TreeNode.h"
#include "loops/Looper.h"
#include "platform/CrtRand.h"

namespace {

using namespace velmora;

constexpr int kCalls = 200;

struct Tally {
  int passed = 0;
  long attempts = 0;
};

Tally composeMany(bench::ComposeSetup& setup, std::int32_t attemptLimit) {
  Tally tally;
  for (int seed = 1; seed <= kCalls; ++seed) {
    crtSrand(static_cast<std::uint32_t>(seed));
    setup.view.result.clear();
    setup.engine().compose(nullptr);
    int tries = 0;
    if (std::sscanf(setup.view.result.c_str(), "Chosen after %d tries", &tries) == 1) {
      ++tally.passed;
      tally.attempts += tries;
    } else {
      tally.attempts += attemptLimit;
    }
  }
  return tally;
}

}  // namespace

int main() {
  bench::ComposeSetup setup(true);
  if (!setup.face) {
    std::fprintf(stderr, "no engine\n");
    return 1;
  }
  // Folders and volume files alike are volumes of the library tree.
  std::vector<std::string> volumes;
  {
    PatternTree& tree = setup.engine().getPatternLibrary();
    std::lock_guard guard(tree.lock());
    for (TransitNode* v = tree.root() ? tree.root()->firstFolder() : nullptr; v; v = v->nextSibling())
      volumes.push_back(v->getName());
  }
  const std::int32_t limit = settings::getProfileInt(settings::kComposeAttempts);

  struct Setting {
    const char* name;
    bool all;
    std::int32_t phrase, fillLength;
  };
  constexpr Setting kSettings[] = {{"default", false, 0, 0},
                                   {"all six", true, 0, 0},
                                   {"+ beat fill", true, 4, 0},
                                   {"+ 2-beat fill", true, 4, 1},
                                   {"+ bar fill", true, 4, 2}};
  int status = 0;
  std::printf("%-16s %-13s %8s %14s\n", "volume", "slices", "passed", "mean attempts");
  for (const std::string& volume : volumes) {
    Tamborak& engine = setup.engine();
    engine.setVolume(volume);
    for (const Setting& s : kSettings) {
      for (int i = 0; i < 3; ++i) engine.getSlice(i)->setMutedSilently(!s.all);
      engine.setPhraseBars(s.phrase, false);
      engine.setFillLength(s.fillLength, false);
      engine.setCrashAfterFill(s.phrase != 0, false);
      const Tally t = composeMany(setup, limit);
      const double share = 100.0 * t.passed / kCalls;
      std::printf("%-16s %-13s %7.1f%% %14.1f\n", volume.c_str(), s.name, share, static_cast<double>(t.attempts) / kCalls);
      if (s.phrase != 0 && share < 99.0) status = 1;
    }
  }
  return status;
}
