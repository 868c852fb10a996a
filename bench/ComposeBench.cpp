// The drumming rules and the composer: one rule check of a loop that passes every rule and of one
// that breaks three, and one whole-loop composition (up to 100 attempts) on the default library
// with the default engine (percussion muted), reported as the median of repetitions.
#include <benchmark/benchmark.h>

#include "bench/ComposeEngine.h"
#include "compose/CompositionRules.h"
#include "platform/CrtRand.h"

namespace {

using namespace velmora;

// Bass on the beats, snare on 2 and 4, closed hats on the eighths.
RuleInputs referenceLoop(std::int32_t swingGrid) {
  RuleInputs in{};
  in.hats = 0xAAAA;
  in.snare = 0x0808;
  in.bass = 0x8888;
  in.swingDurIdx = swingGrid;
  in.clapsSlot = -1;
  return in;
}

void checkLoop(benchmark::State& state, const RuleInputs& in, std::int32_t expected) {
  std::string message;
  message.reserve(1024);
  std::uint32_t bits = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(&in);
    const std::int32_t count = checkRules(in, 0x3F, message, bits);
    benchmark::DoNotOptimize(count);
    if (count != expected) state.SkipWithError("unexpected violation count");
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_CheckRulesPassing(benchmark::State& state) { checkLoop(state, referenceLoop(1), 0); }
BENCHMARK(BM_CheckRulesPassing);

void BM_CheckRulesViolating(benchmark::State& state) { checkLoop(state, referenceLoop(2), 3); }
BENCHMARK(BM_CheckRulesViolating);

void BM_ComposeWholeLoop(benchmark::State& state) {
  static bench::ComposeSetup setup(false);
  if (!setup.face) {
    state.SkipWithError("the default pattern library is missing");
    return;
  }
  for (auto _ : state) setup.engine().compose(nullptr);
}
BENCHMARK(BM_ComposeWholeLoop)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
