#include "tools/patterns/DefaultLoop.h"

#include <array>
#include <memory>

#include "engine/LoopBlock.h"
#include "library/PatternSignature.h"
#include "loops/Looper.h"
#include "loops/QuietLooperEngine.h"

namespace velmora::patterns {

namespace {

// The fixed notes a new engine keeps ready on its three percussion slices (off, since their kinds
// are not universal); the loop keeps them, so loading it leaves them as they were.
constexpr int kPercussionNotes[kSlotCymbal] = {67, 73, 61};

// The slices' engine: quiet, over the library being generated.
class GeneratorEngine : public QuietLooperEngine {
 public:
  explicit GeneratorEngine(PatternTree& library) : library_(library) {}
  PatternTree& getPatternLibrary() override { return library_; }

 private:
  PatternTree& library_;
};

}  // namespace

bool defaultLoopBlock(PatternTree& library, const std::string& volume, std::string& block, std::string& error) {
  GeneratorEngine engine(library);
  std::array<std::unique_ptr<Looper>, kLoopSlices> slices;
  LoopSlices loop{};
  for (std::size_t i = 0; i < kLoopSlices; ++i) {
    const int slot = static_cast<int>(i);
    slices[i] = std::make_unique<Looper>(engine);
    Looper& slice = *slices[i];
    if (slot < kSlotCymbal) slice.setFixedNote(kPercussionNotes[slot]);
    slice.setFolder(volume + "\\" + defaultPartFolder(slot));
    slice.nextPattern(false, 1, false);
    if (slice.file().empty()) {
      error = volume + "\\" + defaultPartFolder(slot) + ": no pattern for the volume's default loop";
      return false;
    }
    slice.setMutedSilently(slot < kSlotCymbal);
    loop[i] = &slice;
  }
  CUniString stream(block);
  writeLoopBlock(stream, loop, engine.getPatternGroup(), false, {});  // no fill: version 11
  return true;
}

}  // namespace velmora::patterns
