// The MIDI content of one generated pattern: a one-bar 4/4 Standard MIDI File at 240 ticks per
// quarter, one note a stroke on the General MIDI drum channel, at the key its kind gives the
// stroke's instrument.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/patterns/PatternGrid.h"

namespace velmora::patterns {

inline constexpr int kPatternDivision = 240;          // ticks per quarter note
inline constexpr int kStepTicks = kPatternDivision / 4;  // one sixteenth step
inline constexpr int kStrokeTicks = kStepTicks / 2;      // a short drum note, well inside its step
inline constexpr int kDrumChannel = 9;                   // channel 10 as musicians count

// [any thread, not real-time safe] The file's bytes for `strokes` of `kind`, with `title` as the
// track's label. False with `error` when the kind has no key for a stroke's instrument.
bool patternMidi(std::string_view kind, const std::vector<Stroke>& strokes, const std::string& title,
                 std::string& bytes, std::string& error);

}  // namespace velmora::patterns
