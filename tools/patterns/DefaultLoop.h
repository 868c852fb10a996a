// The loop a volume of the default library starts with: the file "Default.mid" at the top of the
// volume, which the engine loads when the volume is selected. It holds one loop block written by
// the engine's own loop writer: kick, snare and closed hi-hat play the first pattern of their
// kind folder, and the three percussion slices are muted on theirs.
#pragma once

#include <string>

#include "library/PatternTree.h"

namespace velmora::patterns {

constexpr char kDefaultLoopName[] = "Default.mid";

// [main-thread, not real-time safe] The default loop of the volume `volume` (a child folder of
// the library's root) into `block`. False, with `error`, when a slice's folder holds no pattern.
bool defaultLoopBlock(PatternTree& library, const std::string& volume, std::string& block, std::string& error);

}  // namespace velmora::patterns
