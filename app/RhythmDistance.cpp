#include "app/RhythmDistance.h"

#include <bit>

#include "library/PatternSignature.h"

namespace velmora::app {

int rhythmDistance(std::uint32_t a, std::uint32_t b) {
  std::uint32_t onlyA = a & ~b & 0xFFFF, onlyB = b & ~a & 0xFFFF;
  int distance = 0;
  for (int s = 0; s < kStepsPerBar; ++s) {
    std::uint32_t* mine = onlyA & stepBit(s) ? &onlyA : onlyB & stepBit(s) ? &onlyB : nullptr;
    if (!mine) continue;
    std::uint32_t* other = mine == &onlyA ? &onlyB : &onlyA;
    if (s + 1 < kStepsPerBar && (*other & stepBit(s + 1))) {
      *mine &= ~stepBit(s);
      *other &= ~stepBit(s + 1);
      ++distance;
    }
  }
  return distance + 2 * (std::popcount(onlyA) + std::popcount(onlyB));
}

bool parseRhythm(const std::string& text, std::uint32_t& mask) {
  if (text.size() == kStepsPerBar && text.find_first_not_of("xXo12.-0") == std::string::npos) {
    mask = 0;
    for (int s = 0; s < kStepsPerBar; ++s)
      if (std::string_view(".-0").find(text[static_cast<std::size_t>(s)]) == std::string_view::npos) mask |= stepBit(s);
    return true;
  }
  const std::size_t cut = text.find_last_of("/\\");
  const std::string name = cut == std::string::npos ? text : text.substr(cut + 1);
  if (name.find('#') == std::string::npos) return false;
  const PatternSignature sig = parseSignature(name);
  mask = sig.hitMask | sig.accentMask;
  return true;
}

}  // namespace velmora::app
