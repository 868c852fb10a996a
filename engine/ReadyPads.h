// The engine's ready pads: the slices a pad's loop block reads into, kept apart from the engine's
// own slices, and the engine face they load through. [main-thread unless said otherwise]
#pragma once

#include <array>
#include <memory>
#include <string>

#include "engine/Tamborak.h"
#include "loops/Looper.h"

namespace velmora {

// The engine as a ready slice sees it: its controls, library and rules, but the variation range
// of the pad, no notifications and nobody to ask.
class Tamborak::PadEngine final : public LooperEngine {
 public:
  explicit PadEngine(LooperEngine& engine) : engine_(engine) {}
  bool getQuantize() const override { return engine_.getQuantize(); }
  std::int32_t getSwingPc() const override { return engine_.getSwingPc(); }
  std::int32_t getSwingDivision() const override { return engine_.getSwingDivision(); }
  std::int32_t getHumanizeVelo() const override { return engine_.getHumanizeVelo(); }
  std::int32_t getHumanizeVeloTrend() const override { return engine_.getHumanizeVeloTrend(); }
  const DrumMap& getDrumMap() const override { return engine_.getDrumMap(); }
  std::int32_t getVeloMin() const override { return engine_.getVeloMin(); }
  std::int32_t getVeloMax() const override { return engine_.getVeloMax(); }
  std::int32_t getVeloDyn() const override { return engine_.getVeloDyn(); }
  std::int32_t getVeloCenterPC() const override { return engine_.getVeloCenterPC(); }
  std::int32_t getPatternGroup() const override { return group; }
  PatternTree& getPatternLibrary() override { return engine_.getPatternLibrary(); }
  void changed(const char*) override {}
  void wantPlaySolo(Looper&) override {}
  void composePart(Looper& slice) override { engine_.composePart(slice); }
  bool rulesAccept(Looper& slice) override { return engine_.rulesAccept(slice); }
  platform::Prompt* discardPrompt() override { return nullptr; }
  bool saveLoopAs() override { return false; }

  std::int32_t group = 0;

 private:
  LooperEngine& engine_;
};

struct Tamborak::ReadySet {
  explicit ReadySet(LooperEngine& owner) : engine(owner) {
    for (std::unique_ptr<Looper>& slice : slices) slice = std::make_unique<Looper>(engine);
  }
  LoopSlices loopSlices() const {
    LoopSlices out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = slices[i].get();
    return out;
  }

  PadEngine engine;
  std::array<std::unique_ptr<Looper>, kPartCount> slices;  // the six and the fill
  PhraseSettings phrase;
  std::string volume;            // of slice 0's folder
  std::int32_t swingGrid = 0;    // of the volume
};

}  // namespace velmora
