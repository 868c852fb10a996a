// The rhythm of a fill pattern by instrument class, as the fill rules judge it: which sixteenth
// steps of a 4/4 bar hold kick, snare, tom, cymbal and other strokes.
#pragma once

#include <cstdint>

#include "loops/DrumMap.h"
#include "midi/MidiTrack.h"

namespace velmora {

// Step masks over one bar, step s being bit 15 - s.
struct FillShape {
  std::uint32_t all = 0, kick = 0, snare = 0, toms = 0, cymbals = 0, other = 0;
  bool silenced = false;  // some note's key maps to note 0 in the drum map

  friend bool operator==(const FillShape&, const FillShape&) = default;
};

// The shape of the track's notes at `resolution` ticks per quarter: a note's step is the
// sixteenth its start falls in, with times taken modulo one 4/4 bar. Classes follow the General
// MIDI drum keys (hi-hats count as cymbals; anything unnamed, such as timbales, congas or
// cowbell, as other). A resolution below 1 gives an empty shape.
// [main-thread] not real-time safe: runs when a pattern is loaded, never in the render pass.
FillShape fillShape(const CMidiTrack& track, std::int32_t resolution, const DrumMap& map);

}  // namespace velmora
