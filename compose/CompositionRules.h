// The drumming rules that the composer and the rule-checked pattern stepping judge a loop by.
// They read only the rhythm masks and stroke counts of the six slots (see the slot table in
// library/PatternSignature.h), never MIDI content.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// What one check looks at. Masks use the low 16 bits, step s of the bar being bit 15 - s.
struct RuleInputs {
  std::uint32_t perc[3];           // hit masks of percussion slots 0..2, 0 for a muted layer
  std::uint32_t hats, openHats, snare, bass;
  std::int32_t openCount, snareCount, bassCount, notesLimit, swingDurIdx;
  int clapsSlot;                   // the first percussion slot playing claps, -1 for none
};

// Evaluates every rule whose blamed slots meet `mask`, in a fixed order. Returns the number of
// violations; `outBits` gets the blamed slots (within `mask`) and `message` the rule texts
// joined by "|". Both are cleared first. Allocates nothing when no rule fires, or when
// `message` already has room for the texts.
// [any-thread, real-time safe given a message with capacity]
std::int32_t checkRules(const RuleInputs& in, std::uint32_t mask, std::string& message, std::uint32_t& outBits);

}  // namespace velmora
