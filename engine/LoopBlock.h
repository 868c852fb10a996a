// The loop block: the six slices of a loop and its fill as one versioned record, the content of
// loop files, quick pads, the clipboard and the tail of the engine's state block.
//
//   version 12 (4 bytes) | pattern group (1 byte, signed) | slice count (4 bytes, written 6)
//   | one slice record per slice (Looper::save), slices 0..5
//   | with IDRC records only: slice count again (6) | one Looper::saveIdrc record per slice
//   | phrase bars (1: 0, 2, 4, 8 or 16) | fill length (1: 0 one beat, 1 two beats, 2 a bar)
//   | crash after the fill (1) | the fill's slice record | with IDRC records: the fill's IDRC record
//
// Whether IDRC records follow is not stored in the block: writer and reader are told. Version 11
// ends before the phrase bytes; it reads as a loop without phrases, its fill empty. The phrase
// and fill come last so that readers of version 11, which take any version above 10 and stop
// after the six slices, read a newer block as the same loop without its fill.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "io/UniStream.h"
#include "loops/Phrase.h"

namespace velmora {

class Looper;

constexpr std::size_t kLoopSlices = 6;
// Where a LoopSlices holds the fill.
constexpr std::size_t kLoopFill = kLoopSlices;
// The six slices of a loop, slice 0 first, none of them null; then the fill. Without a fill
// (nullptr) the block is written as version 11, without phrase and fill, and read without them.
using LoopSlices = std::array<Looper*, kLoopSlices + 1>;

// The loop block's version; a block is read only when its version, compared unsigned, is above
// kLoopBlockOldest. Blocks from kLoopBlockWithFill on carry the phrase and the fill.
constexpr std::uint32_t kLoopBlockVersion = 12;
constexpr std::uint32_t kLoopBlockWithFill = 12;
constexpr std::uint32_t kLoopBlockOldest = 10;

// What reading a loop block changes besides the slices. The engine implements it.
class LoopBlockTarget {
 public:
  virtual ~LoopBlockTarget() = default;
  // The engine's variation range as stored: setPatternGroup(group, false). Called before any
  // slice record is applied, since each slice takes the engine's group when it loads.
  virtual void takePatternGroup(std::int32_t group) = 0;
  // The volume that slice 0's folder names (its first component), selected without notification
  // and without asking about edits: volume name, swing grid index, view refresh. Called after the
  // slice records were applied.
  virtual void takeVolume(const std::string& name) = 0;
  // The loop's phrase settings (all off for a block without them). Called after the volume.
  virtual void takePhrase(const PhraseSettings& phrase) = 0;
};

// Writes the loop block of `slices`; `patternGroup` goes out as its low byte, `phrase` with the
// fill. [main-thread, not real-time safe]
void writeLoopBlock(CUniStream& stream, const LoopSlices& slices, std::int32_t patternGroup, bool withIdrc,
                    const PhraseSettings& phrase);

// Reads a loop block into `slices`. Nothing changes unless the block is accepted and complete:
// the block's bytes are copied while a scratch slice (over an empty library, so it reads no
// pattern) checks each record, and only then are the pattern group, the slice records, the volume
// and the IDRC records applied in that order. A count above six reads six records; a count below
// six (negative counts as 0) leaves the remaining slices as they were. A block without a fill
// empties the fill, which then starts in the fill folder of slice 0's volume; phrase bytes out
// of range read as off and one beat. Returns true when applied;
// false for an old version, a short or malformed block, with nothing changed.
// [main-thread, not real-time safe: allocates, and the slices read their patterns from the
// library]
bool readLoopBlock(CUniStream& stream, const LoopSlices& slices, bool withIdrc, LoopBlockTarget& target);

// Reads one loop block whole into `block` (its bytes from the version on), checking every record
// as readLoopBlock does without changing any slice, so a record that holds a loop block can be
// checked whole before anything of it is applied. False for an old version or a short or
// malformed block. [any-thread, not real-time safe: allocates]
bool copyLoopBlock(CUniStream& stream, bool withIdrc, std::string& block);

}  // namespace velmora
