// The loop block: the six slices of a loop as one versioned record, the content of loop files,
// quick pads, the clipboard and the tail of the engine's state block.
//
//   version 11 (4 bytes) | pattern group (1 byte, signed) | slice count (4 bytes, written 6)
//   | one slice record per slice (Looper::save), slices 0..5
//   | with IDRC records only: slice count again (6) | one Looper::saveIdrc record per slice
//
// Whether IDRC records follow is not stored in the block: writer and reader are told.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "io/UniStream.h"

namespace velmora {

class Looper;

constexpr std::size_t kLoopSlices = 6;
// The six slices of a loop, slice 0 first; none of them null.
using LoopSlices = std::array<Looper*, kLoopSlices>;

// The loop block's version; a block is read only when its version, compared unsigned, is above
// kLoopBlockOldest.
constexpr std::uint32_t kLoopBlockVersion = 11;
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
};

// Writes the loop block of `slices`; `patternGroup` goes out as its low byte.
// [main-thread, not real-time safe]
void writeLoopBlock(CUniStream& stream, const LoopSlices& slices, std::int32_t patternGroup, bool withIdrc);

// Reads a loop block into `slices`. Nothing changes unless the block is accepted and complete:
// the block's bytes are copied while a scratch slice (over an empty library, so it reads no
// pattern) checks each record, and only then are the pattern group, the slice records, the volume
// and the IDRC records applied in that order. A count above six reads six records; a count below
// six (negative counts as 0) leaves the remaining slices as they were. Returns true when applied;
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
