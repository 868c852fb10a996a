#include "engine/LoopBlock.h"

#include <algorithm>

#include "io/Record.h"
#include "library/PatternSignature.h"
#include "library/PatternTree.h"
#include "loops/Looper.h"
#include "loops/QuietLooperEngine.h"

namespace velmora {

namespace {

// The engine of the scratch slice that checks records: default controls and a library without a
// root, so checking a record reads no pattern, composes nothing and notifies nobody.
class CheckingEngine : public QuietLooperEngine {
 public:
  PatternTree& getPatternLibrary() override { return library_; }

 private:
  PatternTree library_;
};

// Reads through to `source` and keeps a copy of every byte it got.
class CopyingReader : public CUniStream {
 public:
  CopyingReader(CUniStream& source, std::string& copy) : source_(source), copy_(copy) {}
  std::uint32_t write(const void*, std::uint32_t) override { return 0; }
  std::uint32_t read(void* buffer, std::uint32_t count) override {
    const std::uint32_t got = source_.read(buffer, count);
    copy_.append(static_cast<const char*>(buffer), got);
    return got;
  }

 private:
  CUniStream& source_;
  std::string& copy_;
};

// The number of records a count announces: 0..6.
std::size_t recordsFor(std::int32_t count) {
  return static_cast<std::size_t>(std::clamp<std::int32_t>(count, 0, static_cast<std::int32_t>(kLoopSlices)));
}

// What the first pass found: how many records of each kind follow, and the phrase.
struct BlockShape {
  std::int32_t group = 0;
  std::size_t slices = 0, idrc = 0;
  bool fill = false;
  PhraseSettings phrase;
};

// The phrase bytes and the fill's records that end a block with a fill.
bool checkFill(CUniStream& in, bool withIdrc, Looper& scratch, BlockShape& shape) {
  std::uint8_t bars, length, crash;
  if (!record::getU8(in, bars) || !record::getU8(in, length) || !record::getU8(in, crash)) return false;
  shape.phrase = {validPhraseBars(bars), fillLengthOf(length), crash != 0};
  shape.fill = true;
  return scratch.load(in) && (!withIdrc || scratch.loadIdrc(in));
}

// Reads the block after its version from `in`, checking each record on a scratch slice.
bool checkBlock(CUniStream& in, std::uint32_t version, bool withIdrc, BlockShape& shape) {
  std::uint8_t group;
  std::int32_t count;
  if (!record::getU8(in, group) || !record::getI32(in, count)) return false;
  shape.group = static_cast<std::int8_t>(group);
  shape.slices = recordsFor(count);
  CheckingEngine engine;
  Looper scratch(engine);
  for (std::size_t i = 0; i < shape.slices; ++i)
    if (!scratch.load(in)) return false;
  if (withIdrc) {
    if (!record::getI32(in, count)) return false;
    shape.idrc = recordsFor(count);
    for (std::size_t i = 0; i < shape.idrc; ++i)
      if (!scratch.loadIdrc(in)) return false;
  }
  return version < kLoopBlockWithFill || checkFill(in, withIdrc, scratch, shape);
}

// Copies one loop block from `stream` into `block`, from its version on, checking each record.
bool copyBlock(CUniStream& stream, bool withIdrc, std::string& block, BlockShape& shape) {
  block.clear();
  CopyingReader copying(stream, block);
  std::uint32_t version = 0;
  return record::getU32(copying, version) && version > kLoopBlockOldest && checkBlock(copying, version, withIdrc, shape);
}

}  // namespace

void writeLoopBlock(CUniStream& stream, const LoopSlices& slices, std::int32_t patternGroup, bool withIdrc,
                    const PhraseSettings& phrase) {
  const Looper* fill = slices[kLoopFill];
  record::putU32(stream, fill ? kLoopBlockVersion : kLoopBlockWithFill - 1);
  record::putU8(stream, static_cast<std::uint8_t>(patternGroup));
  record::putI32(stream, static_cast<std::int32_t>(kLoopSlices));
  for (std::size_t i = 0; i < kLoopSlices; ++i) slices[i]->save(stream);
  if (withIdrc) {
    record::putI32(stream, static_cast<std::int32_t>(kLoopSlices));
    for (std::size_t i = 0; i < kLoopSlices; ++i) slices[i]->saveIdrc(stream);
  }
  if (!fill) return;
  record::putU8(stream, static_cast<std::uint8_t>(validPhraseBars(phrase.bars)));
  record::putU8(stream, static_cast<std::uint8_t>(phrase.fillLength));
  record::putU8(stream, phrase.crash ? 1 : 0);
  fill->save(stream);
  if (withIdrc) fill->saveIdrc(stream);
}

bool copyLoopBlock(CUniStream& stream, bool withIdrc, std::string& block) {
  BlockShape shape;
  return copyBlock(stream, withIdrc, block, shape);
}

bool readLoopBlock(CUniStream& stream, const LoopSlices& slices, bool withIdrc, LoopBlockTarget& target) {
  std::string block;
  BlockShape shape;
  if (!copyBlock(stream, withIdrc, block, shape)) return false;

  // Every record is whole: apply the copy. The slices read exactly what the scratch slice read.
  CUniMemoryReader in(block.data(), static_cast<std::uint32_t>(block.size()));
  std::uint8_t skipped[9];
  in.read(skipped, sizeof skipped);  // version, group and count, taken above
  target.takePatternGroup(shape.group);
  for (std::size_t i = 0; i < shape.slices; ++i) slices[i]->load(in);
  const std::string volume = folderComponent(slices[0]->folder(), 0);
  target.takeVolume(volume);
  if (withIdrc) {
    in.read(skipped, 4);
    for (std::size_t i = 0; i < shape.idrc; ++i) slices[i]->loadIdrc(in);
  }
  if (Looper* fill = slices[kLoopFill]) {
    if (shape.fill) {
      in.read(skipped, 3);  // the phrase, taken above
      fill->load(in);
      if (withIdrc) fill->loadIdrc(in);
    } else {
      fill->clearPattern();
      if (!volume.empty()) fill->setFolder(volume + "\\" + defaultPartFolder(kSlotFill));
    }
  }
  target.takePhrase(shape.phrase);
  return true;
}

}  // namespace velmora
