#include "loops/FillShape.h"

namespace velmora {

namespace {

// The mask of the General MIDI drum key's class.
std::uint32_t FillShape::*classMask(int key) {
  switch (key) {
    case 35: case 36:
      return &FillShape::kick;
    case 37: case 38: case 39: case 40:
      return &FillShape::snare;
    case 41: case 43: case 45: case 47: case 48: case 50:
      return &FillShape::toms;
    case 42: case 44: case 46: case 49: case 51: case 52: case 53: case 55: case 57: case 59:
      return &FillShape::cymbals;
    default:
      return &FillShape::other;
  }
}

}  // namespace

FillShape fillShape(const CMidiTrack& track, std::int32_t resolution, const DrumMap& map) {
  FillShape shape;
  if (resolution < 1) return shape;
  const std::int64_t bar = 4 * static_cast<std::int64_t>(resolution);
  for (const MidiEvent& e : track) {
    if (!e.isNote()) continue;
    const std::int64_t t = ((e.time % bar) + bar) % bar;
    const std::uint32_t bit = 1u << (15 - static_cast<int>(t * 16 / bar));
    const int key = e.data1 & 0x7F;
    if (map.note(key) == 0) shape.silenced = true;
    shape.all |= bit;
    shape.*classMask(key) |= bit;
  }
  return shape;
}

}  // namespace velmora
