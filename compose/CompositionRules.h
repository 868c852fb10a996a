// The drumming rules that the composer and the rule-checked pattern stepping judge a loop by.
// They read only the rhythm masks and stroke counts of the slots (see the slot table in
// library/PatternSignature.h) and what the engine found out about the fill, never MIDI content.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// The fill that ends each phrase, as the fill rules see it; all zero when no fill plays. The fill
// rules blame the fill as slot 6 (bit 0x40), except where only a groove slice can mend the loop:
// no kick on the downbeat after the fill blames the kick, no crash to play blames the cymbal.
struct FillInputs {
  // The steps the fill plays, a run ending on step 15: 0x000F (last beat), 0x00FF (last two
  // beats) or 0xFFFF (whole bar); 0 turns the fill rules off.
  std::uint32_t window = 0;
  // The fill pattern's hit masks over the whole bar: every stroke, then by instrument class.
  std::uint32_t all = 0, kick = 0, snare = 0, toms = 0, cymbals = 0, other = 0;
  bool crashAfter = false;      // the loop asks for a crash on the downbeat after the fill
  bool crashAvailable = false;  // the cymbal slice has an accent stroke or the drum map a crash
  bool silencedStroke = false;  // some stroke of the fill is on a key the drum map silences
};

// What one check looks at. Masks use the low 16 bits, step s of the bar being bit 15 - s.
struct RuleInputs {
  std::uint32_t perc[3];           // hit masks of percussion slots 0..2, 0 for a muted layer
  std::uint32_t hats, openHats, snare, bass;
  std::int32_t openCount, snareCount, bassCount, notesLimit, swingDurIdx;
  int clapsSlot;                   // the first percussion slot playing claps, -1 for none
  FillInputs fill{};               // last, so that initialisers without it leave fills off
};

// Evaluates every rule whose blamed slots meet `mask`, in a fixed order. Returns the number of
// violations; `outBits` gets the blamed slots (within `mask`) and `message` the rule texts
// joined by "|". Both are cleared first. Allocates nothing when no rule fires, or when
// `message` already has room for the texts.
// [any-thread, real-time safe given a message with capacity]
std::int32_t checkRules(const RuleInputs& in, std::uint32_t mask, std::string& message, std::uint32_t& outBits);

}  // namespace velmora
