// A slice engine for slices that only read and write records, outside any real engine: default
// controls, the smallest variation range, and it notifies nobody, asks nobody, composes nothing
// and accepts every loop. The pattern library is the deriving class's.
#pragma once

#include "loops/DrumMap.h"
#include "loops/LooperEngine.h"

namespace velmora {

class QuietLooperEngine : public LooperEngine {
 public:
  bool getQuantize() const override { return false; }
  std::int32_t getSwingPc() const override { return 0; }
  std::int32_t getSwingDivision() const override { return 4; }
  std::int32_t getHumanizeVelo() const override { return 0; }
  std::int32_t getHumanizeVeloTrend() const override { return 0; }
  const DrumMap& getDrumMap() const override { return map_; }
  std::int32_t getVeloMin() const override { return 1; }
  std::int32_t getVeloMax() const override { return 127; }
  std::int32_t getVeloDyn() const override { return 0; }
  std::int32_t getVeloCenterPC() const override { return 0; }
  std::int32_t getPatternGroup() const override { return 0; }
  void changed(const char*) override {}
  void wantPlaySolo(Looper&) override {}
  void composePart(Looper&) override {}
  bool rulesAccept(Looper&) override { return true; }
  platform::Prompt* discardPrompt() override { return nullptr; }
  bool saveLoopAs() override { return false; }

 private:
  DrumMap map_;
};

}  // namespace velmora
