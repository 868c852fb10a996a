// How far apart two one-bar rhythms are, and reading a rhythm from a grid or a pattern's name.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::app {

// Distance between two 16-step stroke masks (step s is bit 15 - s): a stroke that only one of
// them has costs 2, except that a stroke one step from a stroke only the other has pairs with
// it for 1 (a shifted stroke). Pairs are taken from the bar's first step on. 0 means the same
// rhythm. [any-thread]
int rhythmDistance(std::uint32_t a, std::uint32_t b);

// A 16-character grid ("x", "X", "o", "1" or "2" a stroke; ".", "-" or "0" a rest) or a
// pattern file name or path (its signature's strokes, accents included) as a stroke mask;
// false for anything else. [any-thread]
bool parseRhythm(const std::string& text, std::uint32_t& mask);

}  // namespace velmora::app
