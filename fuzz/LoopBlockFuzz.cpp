// Loop blocks from arbitrary bytes, read into six slices and a fill over a small pattern library. The first
// byte tells whether IDRC records follow (bit 0); the rest is the block. A block that is refused
// must leave every slice and the phrase exactly as they were; a block that is taken must write
// out as a block that reads back whole, with the same phrase.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "engine/LoopBlock.h"
#include "fuzz/SliceLibrary.h"

using namespace velmora;

namespace {

struct Loop : LoopBlockTarget {
  std::array<std::unique_ptr<Looper>, kLoopSlices + 1> owned;
  LoopSlices slices{};
  PhraseSettings phrase{4, FillLength::kTwoBeats, true};
  int calls = 0;
  explicit Loop(test::StubEngine& stub) {
    for (std::size_t i = 0; i < owned.size(); ++i) owned[i] = std::make_unique<Looper>(stub), slices[i] = owned[i].get();
    slices[0]->setFolder("Vol\\1.Kick\\");
    slices[0]->setPattern("Vol\\1.Kick\\Kick\\", "1_4_1000100010001000_0#a.mid", false);
    slices[1]->setMute(true, false);
    slices[2]->setStrokesMax(3, false);
  }
  std::string state() const {
    std::string all;
    for (const Looper* s : slices)
      all += test::saved(*s) + char(s->idrcOff()) + std::to_string(s->strokesMax()) + "/" + std::to_string(s->strokesMin());
    return all;
  }
  void takePatternGroup(std::int32_t) override { ++calls; }
  void takeVolume(const std::string&) override { ++calls; }
  void takePhrase(const PhraseSettings& p) override { phrase = p, ++calls; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 0xFFFFFFFFu) return 0;
  const bool withIdrc = data[0] & 1;
  test::StubEngine& stub = test::fuzzSliceEngine();
  stub.reasons.clear();
  Loop loop(stub);
  const std::string before = loop.state();
  CUniMemoryReader reader(data + 1, static_cast<std::uint32_t>(size - 1));
  const PhraseSettings phraseBefore = loop.phrase;
  if (!readLoopBlock(reader, loop.slices, withIdrc, loop)) {
    if (loop.calls != 0 || loop.state() != before || !(loop.phrase == phraseBefore)) std::abort();
    return 0;
  }
  if (reader.position() > size - 1 || loop.calls != 3) std::abort();
  std::string again;
  CUniString out(again);
  writeLoopBlock(out, loop.slices, 0, withIdrc, loop.phrase);
  Loop copy(stub);
  CUniMemoryReader back(again.data(), static_cast<std::uint32_t>(again.size()));
  if (!readLoopBlock(back, copy.slices, withIdrc, copy) || back.remaining() != 0 || !(copy.phrase == loop.phrase))
    std::abort();
  return 0;
}
