#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "compose/CompositionRules.h"
#include "tests/AllocationCount.h"

namespace velmora {
namespace {

// A grid of sixteen steps, "x" for a stroke: step s becomes bit 15 - s.
std::uint32_t grid(const char* steps) {
  std::uint32_t mask = 0;
  for (int s = 0; s < 16 && steps[s] != '\0'; ++s)
    if (steps[s] == 'x') mask |= 1u << (15 - s);
  return mask;
}

struct Loop {
  const char* perc[3] = {"", "", ""};
  const char* hats = "x.x.x.x.x.x.x.x.";
  const char* open = "";
  const char* snare = "....x.......x...";
  const char* bass = "x...x...x...x...";
  int clapsSlot = -1;
};

RuleInputs inputs(const Loop& loop, std::int32_t swing, std::int32_t limit = 0, std::int32_t snareCount = 0,
                  std::int32_t bassCount = 0, std::int32_t openCount = 0) {
  RuleInputs in{};
  for (int i = 0; i < 3; ++i) in.perc[i] = grid(loop.perc[i]);
  in.hats = grid(loop.hats);
  in.openHats = grid(loop.open);
  in.snare = grid(loop.snare);
  in.bass = grid(loop.bass);
  in.openCount = openCount;
  in.snareCount = snareCount;
  in.bassCount = bassCount;
  in.notesLimit = limit;
  in.swingDurIdx = swing;
  in.clapsSlot = loop.clapsSlot;
  return in;
}

// Loops that pass every rule of one swing setting, to change one thing in.
Loop sixteenthsClean() {
  Loop l;
  l.hats = "x.xxx.x.x.xxx.x.";
  l.bass = "x.......x.......";
  return l;
}
Loop straightClean() {
  Loop l;
  l.hats = "x.x.x.x.x.x.x.xx";
  return l;
}

struct Case {
  const char* what;
  Loop loop;
  std::int32_t swing;
  std::uint32_t mask;
  std::int32_t count;
  std::uint32_t bits;
  const char* message;  // nullptr: not compared
  std::int32_t limit = 0, snareCount = 0, bassCount = 0, openCount = 0;
};

Loop with(Loop l, void (*change)(Loop&)) {
  change(l);
  return l;
}

TEST(CompositionRules, JudgesLoops) {
  const Loop ref;
  const Loop twoSamePercs = with(ref, [](Loop& l) {
    l.perc[0] = "....xxxx........";
    l.perc[1] = "....xxxx........";
  });
  const Loop clapsTurn = with(ref, [](Loop& l) {
    l.perc[0] = ".....x..........";
    l.clapsSlot = 0;
    l.snare = "....x.x.....x...";
  });
  const Case cases[] = {
      {"reference, eighths", ref, 1, 0x3F, 0, 0, ""},
      {"reference, only common rules", ref, 3, 0x3F, 0, 0, ""},
      {"reference, sixteenths", ref, 2, 0x3F, 3, 0x38,
       "snare and bass must not intersect|must be at least one weak 16th in all bar halfs|"
       "must be at least one weak 16th in all bar halfs"},
      {"reference, straight", ref, 0, 0x3F, 1, 0x38, "must be at least one weak 16th"},
      {"stroke limit blames counts above a quarter", ref, 1, 0x3F, 1, 0x30, "there are extra strokes", 8, 4, 5, 0},
      {"stroke limit within", ref, 1, 0x3F, 0, 0, "", 9, 4, 5, 0},
      {"stroke limit blames only outside the mask", ref, 1, 0x07, 0, 0, "", 8, 4, 5, 0},
      {"no stroke limit", ref, 1, 0x3F, 0, 0, "", 0, 1000, 1000, 1000},
      {"identical percussion beats, eighths", twoSamePercs, 1, 0x07, 1, 0x03,
       "must not be 2 exact not empty percussion 1,2 in any beat"},
      {"identical percussion beats and halves", twoSamePercs, 2, 0x07, 3, 0x03,
       "must not be 2 exact not empty percussion 1,2 in any beat|must not be 2 exact half beats in perc layers|"
       "must not be 2 exact half beats in perc layers"},
      {"identical percussion, one layer tested", twoSamePercs, 2, 0x01, 3, 0x01, nullptr, 8, 4, 5, 0},
      {"three percussion layers in a beat",
       with(ref, [](Loop& l) { l.perc[0] = "x..............."; l.perc[1] = ".x.............."; l.perc[2] = "..x............."; }),
       2, 0x07, 1, 0x07, "must not be more that 2 percussion layer filled in every beat"},
      {"claps and snare take turns", clapsTurn, 0, 0x11, 3, 0x11,
       "must be at least one weak 16th|"
       "must not be consecutive claps and snare 16th w/o simultaneous ones before or after|"
       "must not be consecutive claps and snare 16th w/o simultaneous ones before or after"},
      {"claps rule needs a claps layer", with(clapsTurn, [](Loop& l) { l.clapsSlot = -1; }), 0, 0x11, 1, 0x10,
       "must be at least one weak 16th"},
      {"claps with snare together before the turn", with(clapsTurn, [](Loop& l) { l.perc[0] = "....xx.........."; }),
       0, 0x11, 1, 0x10, "must be at least one weak 16th"},
      {"snare around a shared weak beat", clapsTurn, 1, 0x11, 1, 0x10,
       "snare and bass must be alone when intersects on weak beat"},
      {"sbsb in eighths", with(ref, [](Loop& l) { l.snare = "....x...x...x..."; l.bass = "x.........x...x."; }), 1,
       0x30, 1, 0x30, "must not be sbsb in 8th"},
      {"a weak eighth missing", with(ref, [](Loop& l) { l.hats = "x.x.x...x.x.x.x."; }), 1, 0x3F, 1, 0x38,
       "must be strokes on every weak 8th"},
      {"a beat without bass or snare", with(ref, [](Loop& l) { l.bass = "x...x.......x..."; }), 0, 0x3F, 3, 0x38,
       "must be bass or snare on every beat|must be at least one weak 16th|"
       "it is too bad to have only bass and snare notes on weak beat"},
      {"straight clean", straightClean(), 0, 0x3F, 0, 0, ""},
      {"three bass or snare sixteenths", with(straightClean(), [](Loop& l) { l.bass = "x...xxx.x...x..."; }), 0,
       0x3F, 1, 0x30, "must not be 3 consecutive bass or snare 16th"},
      {"sixteenths clean", sixteenthsClean(), 2, 0x3F, 0, 0, ""},
      {"three sixteenths of snare or bass with hats, then two of bass",
       with(sixteenthsClean(), [](Loop& l) { l.bass = "..xx....x......."; }), 2, 0x3F, 2, 0x38,
       "must not be 3 consecutive (bass or snare) and hat 16th|must not be 2 consecutive bass and hat 16th"},
      {"bass and hats across the bar line",
       with(sixteenthsClean(), [](Loop& l) { l.bass = "x.......x......x"; l.hats = "x.xxx.x.x.xxx.xx"; }), 2,
       0x3F, 1, 0x28, "must not be 2 consecutive bass and hat 16th"},
      {"sbsb in sixteenths", with(sixteenthsClean(), [](Loop& l) { l.snare = "....x.x.....x..."; l.bass = "x....x.xx......."; }),
       2, 0x3F, 1, 0x30, "must not be sbsb in 16th"},
      {"bass and hats on three eighths, across the bar line",
       with(ref, [](Loop& l) { l.bass = "x.x.x.....x...x."; l.snare = "........x..x...."; l.open = "......x........."; }),
       1, 0x3F, 2, 0x28, "must not be 3 consecutive bass and hat 8th|must not be 3 consecutive bass and hat 8th"},
      {"bsbs, then sbsb across the bar line", with(ref, [](Loop& l) { l.snare = ".....x....x...x."; }), 1, 0x30, 2,
       0x30, "must not be bsbs in 8th|must not be sbsb in 8th"},
      {"bsbs alone", with(ref, [](Loop& l) { l.snare = "x....x....x...x."; l.bass = "....x...x...x..."; }), 1, 0x30, 1,
       0x30, "must not be bsbs in 8th"},
      {"sbsb, then bsbs in sixteenths",
       with(sixteenthsClean(), [](Loop& l) { l.snare = ".....x.x....x..."; l.bass = "x...x.x.x......."; }), 2, 0x3F, 2,
       0x30, "must not be sbsb in 16th|must not be bsbs in 16th"},
      {"snare and hats on two sixteenths", with(sixteenthsClean(), [](Loop& l) { l.snare = "..xx........x..."; }), 2,
       0x3F, 1, 0x18, "must not be 2 consecutive snare and hat 16th"},
      {"a half without bass or snare on its beats",
       with(ref, [](Loop& l) { l.bass = "x...x...........";  l.snare = "....x.........x."; }), 4, 0x3F, 1, 0x30,
       "must be at least one of bass on strong beat or snare on any beat in all bar halfs"},
  };
  std::string message;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint32_t bits = 0xDEAD;
    const RuleInputs in = inputs(c.loop, c.swing, c.limit, c.snareCount, c.bassCount, c.openCount);
    EXPECT_EQ(checkRules(in, c.mask, message, bits), c.count);
    EXPECT_EQ(bits, c.bits);
    if (c.message) {
      EXPECT_EQ(message, c.message);
    }
  }
}

TEST(CompositionRules, IgnoresHighBitsAndAllocatesNothingOnAPassingLoop) {
  RuleInputs in = inputs(Loop{}, 1);
  in.bass |= 0xFFFF0000u;
  in.perc[2] = 0x70000u;
  std::string message = "left over";
  message.reserve(256);
  std::uint32_t bits = 7;
  const std::size_t before = allocations;
  EXPECT_EQ(checkRules(in, 0x3F, message, bits), 0);
  EXPECT_EQ(allocations, before);
  EXPECT_EQ(message, "");
  EXPECT_EQ(bits, 0u);
}

}  // namespace
}  // namespace velmora
