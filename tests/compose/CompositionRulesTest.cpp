#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "compose/CompositionRules.h"
#include "tests/AllocationCount.h"

namespace velmora {
namespace {

// A grid of sixteen steps, "x" for a stroke: step s becomes bit 15 - s; nullptr is empty.
std::uint32_t grid(const char* steps) {
  std::uint32_t mask = 0;
  for (int s = 0; steps && s < 16 && steps[s] != '\0'; ++s)
    if (steps[s] == 'x') mask |= 1u << (15 - s);
  return mask;
}

struct Loop {
  const char* perc[3] = {};
  const char* hats = "x.x.x.x.x.x.x.x.";
  const char* open = "";
  const char* snare = "....x.......x...";
  const char* bass = "x...x...x...x...";
  int clapsSlot = -1;
  FillInputs fill = {};
};

// A fill of kick, snare and toms (any non-kick class will do for the rules) in `window`.
FillInputs fill(std::uint32_t window, const char* kick, const char* snare, const char* toms = nullptr,
                bool crashAfter = false, bool crashAvailable = true, bool silenced = false) {
  FillInputs f{window, 0, grid(kick), grid(snare), grid(toms), 0, 0, crashAfter, crashAvailable, silenced};
  f.all = f.kick | f.snare | f.toms;
  return f;
}

// Layers of loops that pass every rule with sixteenths (H16, B16) or straight (HST).
constexpr const char* H16 = "x.xxx.x.x.xxx.x.";
constexpr const char* B16 = "x.......x.......";
constexpr const char* HST = "x.x.x.x.x.x.x.xx";
constexpr const char* P2 = "....xxxx........";
constexpr const char* CL = ".....x..........";
constexpr const char* SCL = "....x.x.....x...";
#define WEAK16 "must be at least one weak 16th"
#define TURN "must not be consecutive claps and snare 16th w/o simultaneous ones before or after"
#define SAME_BEAT "must not be 2 exact not empty percussion 1,2 in any beat"
#define SAME_HALF "must not be 2 exact half beats in perc layers"
#define FS "............x.xx"
#define THIN "fill must not thin out toward its end"

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

RuleInputs inputs(const Case& c) {
  const Loop& l = c.loop;
  return RuleInputs{{grid(l.perc[0]), grid(l.perc[1]), grid(l.perc[2])}, grid(l.hats), grid(l.open), grid(l.snare),
                    grid(l.bass), c.openCount, c.snareCount, c.bassCount, c.limit, c.swing, l.clapsSlot, l.fill};
}

TEST(CompositionRules, JudgesLoopsIgnoringHighBitsWithoutAllocating) {
  const Case cases[] = {
      {"reference, eighths", {}, 1, 0x3F, 0, 0, ""},
      {"reference, only common rules", {}, 3, 0x3F, 0, 0, ""},
      {"reference, sixteenths", {}, 2, 0x3F, 3, 0x38, "snare and bass must not intersect|must be at least one weak 16th in all bar halfs|must be at least one weak 16th in all bar halfs"},
      {"reference, straight", {}, 0, 0x3F, 1, 0x38, WEAK16},
      {"stroke limit blames counts above a quarter", {}, 1, 0x3F, 1, 0x30, "there are extra strokes", 8, 4, 5, 0},
      {"stroke limit within", {}, 1, 0x3F, 0, 0, "", 9, 4, 5, 0},
      {"stroke limit blames only outside the mask", {}, 1, 0x07, 0, 0, "", 8, 4, 5, 0},
      {"no stroke limit", {}, 1, 0x3F, 0, 0, "", 0, 1000, 1000, 1000},
      {"identical percussion beats, eighths", {.perc = {P2, P2}}, 1, 0x07, 1, 0x03, SAME_BEAT},
      {"identical percussion beats and halves", {.perc = {P2, P2}}, 2, 0x07, 3, 0x03, SAME_BEAT "|" SAME_HALF "|" SAME_HALF},
      {"identical percussion, one layer tested", {.perc = {P2, P2}}, 2, 0x01, 3, 0x01, nullptr, 8, 4, 5, 0},
      {"three percussion layers in a beat", {.perc = {"x...", ".x..", "..x."}}, 2, 0x07, 1, 0x07, "must not be more that 2 percussion layer filled in every beat"},
      {"claps and snare take turns", {.perc = {CL}, .snare = SCL, .clapsSlot = 0}, 0, 0x11, 3, 0x11, WEAK16 "|" TURN "|" TURN},
      {"claps rule needs a claps layer", {.perc = {CL}, .snare = SCL}, 0, 0x11, 1, 0x10, WEAK16},
      {"claps with snare together before the turn", {.perc = {"....xx"}, .snare = SCL, .clapsSlot = 0}, 0, 0x11, 1, 0x10, WEAK16},
      {"snare around a shared weak beat", {.perc = {CL}, .snare = SCL, .clapsSlot = 0}, 1, 0x11, 1, 0x10, "snare and bass must be alone when intersects on weak beat"},
      {"sbsb in eighths", {.snare = "....x...x...x...", .bass = "x.........x...x."}, 1, 0x30, 1, 0x30, "must not be sbsb in 8th"},
      {"a weak eighth missing", {.hats = "x.x.x...x.x.x.x."}, 1, 0x3F, 1, 0x38, "must be strokes on every weak 8th"},
      {"a beat without bass or snare", {.bass = "x...x.......x..."}, 0, 0x3F, 3, 0x38, "must be bass or snare on every beat|" WEAK16 "|it is too bad to have only bass and snare notes on weak beat"},
      {"straight clean", {.hats = HST}, 0, 0x3F, 0, 0, ""},
      {"three bass or snare sixteenths", {.hats = HST, .bass = "x...xxx.x...x..."}, 0, 0x3F, 1, 0x30, "must not be 3 consecutive bass or snare 16th"},
      {"sixteenths clean", {.hats = H16, .bass = B16}, 2, 0x3F, 0, 0, ""},
      {"three sixteenths of snare or bass with hats, then two of bass", {.hats = H16, .bass = "..xx....x......."}, 2, 0x3F, 2, 0x38, "must not be 3 consecutive (bass or snare) and hat 16th|must not be 2 consecutive bass and hat 16th"},
      {"bass and hats across the bar line", {.hats = "x.xxx.x.x.xxx.xx", .bass = "x.......x......x"}, 2, 0x3F, 1, 0x28, "must not be 2 consecutive bass and hat 16th"},
      {"sbsb in sixteenths", {.hats = H16, .snare = "....x.x.....x...", .bass = "x....x.xx......."}, 2, 0x3F, 1, 0x30, "must not be sbsb in 16th"},
      {"bass and hats on three eighths, across the bar line", {.open = "......x", .snare = "........x..x....", .bass = "x.x.x.....x...x."}, 1, 0x3F, 2, 0x28, "must not be 3 consecutive bass and hat 8th|must not be 3 consecutive bass and hat 8th"},
      {"bsbs, then sbsb across the bar line", {.snare = ".....x....x...x."}, 1, 0x30, 2, 0x30, "must not be bsbs in 8th|must not be sbsb in 8th"},
      {"bsbs alone", {.snare = "x....x....x...x.", .bass = "....x...x...x..."}, 1, 0x30, 1, 0x30, "must not be bsbs in 8th"},
      {"sbsb, then bsbs in sixteenths", {.hats = H16, .snare = ".....x.x....x...", .bass = "x...x.x.x......."}, 2, 0x3F, 2, 0x30, "must not be sbsb in 16th|must not be bsbs in 16th"},
      {"snare and hats on two sixteenths", {.hats = H16, .snare = "..xx........x...", .bass = B16}, 2, 0x3F, 1, 0x18, "must not be 2 consecutive snare and hat 16th"},
      {"snare and bass meet off the backbeat", {.snare = "....x...x...x..."}, 1, 0x3F, 1, 0x30, "snare and bass must not intersect except for 2th and 4th beat"},
      {"the third beat missing", {.hats = "x.x.x.x...x.x.x.", .bass = "x...x..........x"}, 1, 0x3F, 1, 0x38, "must be strokes on every beat"},
      {"the fourth beat missing, sixteenths", {.hats = "x.x.x.x.x.x...xx", .snare = "....x........x..", .bass = "x...x...x......."}, 0, 0x3F, 2, 0x38, "must be strokes on every beat except for 3rd|must be bass or snare on every beat"},
      {"no bass in the second half, sixteenths", {.hats = H16, .bass = "x..............."}, 2, 0x3F, 1, 0x20, "must be at least one bass in every bar half"},
      {"no snare in the second half, sixteenths", {.hats = H16, .snare = "....x...........", .bass = B16}, 2, 0x3F, 1, 0x10, "must be at least one snare in every bar half"},
      {"no bass in the second half", {.bass = "x...x..........."}, 1, 0x3F, 1, 0x20, "must be at least one bass in all bar halfs"},
      {"no snare or open hat in the second half", {.snare = "....x..........."}, 1, 0x3F, 1, 0x18, "must be at least and one snare or open hh in all bar halfs"},
      {"nothing after the second beat", {.hats = "x.xx....x.xxx.x.", .bass = B16}, 2, 0x3F, 1, 0x38, "must be at least one weak 16th or weak 8th in all beats"},
      {"identical percussion beats, layers 1 and 3", {.perc = {P2, nullptr, P2}}, 1, 0x07, 1, 0x05, "must not be 2 exact not empty percussion 1,3 in any beat"},
      {"identical percussion beats, layers 2 and 3", {.perc = {nullptr, P2, P2}}, 1, 0x07, 1, 0x06, "must not be 2 exact not empty percussion 2,3 in any beat"},
      {"bass and open hats on three eighths", {.hats = "......x.x.x.x.x.", .open = "x.x.x...........", .snare = "......x.....x...", .bass = "x.x.x...x......."}, 1, 0x3F, 1, 0x28, "must not be 3 consecutive bass and open hat 8th"},
      {"snare and hats on three eighths", {.snare = "....x.x.x.......", .bass = "x.........x....."}, 1, 0x3F, 1, 0x18, "must not be 3 consecutive snare and hat 8th"},
      {"snare and open hats on three eighths", {.hats = "x.x.......x.x.x.", .open = "....x.x.x.......", .snare = "....x.x.x.......", .bass = "x.........x....."}, 1, 0x3F, 1, 0x18, "must not be 3 consecutive snare and open hat 8th"},
      {"a half without bass or snare on its beats", {.snare = "....x.........x.", .bass = "x...x..........."}, 4, 0x3F, 1, 0x30, "must be at least one of bass on strong beat or snare on any beat in all bar halfs"},
      {"a one-beat fill, strokes before its window ignored", {.fill = fill(0x000F, nullptr, "xxxxxxxxxxxx..xx")}, 1, 0x7F, 0, 0, ""},
      {"the same fill over a bar thins out", {.fill = fill(0xFFFF, nullptr, "xxxxxxxxxxxx..xx")}, 1, 0x7F, 1, 0x40, THIN},
      {"fills off", {.fill = fill(0, "...............x", nullptr, nullptr, true, false, true)}, 1, 0x7F, 0, 0, ""},
      {"an empty window", {.fill = fill(0x000F, nullptr, "xxxx")}, 1, 0x7F, 1, 0x40, "fill must have strokes in its window"},
      {"no bass on the downbeat after the fill", {.bass = ".......xx...x...", .fill = fill(0x000F, nullptr, FS)}, 1, 0x7F, 1, 0x20, "must be bass on the downbeat after a fill"},
      {"composing the fill alone leaves the groove's faults", {.bass = ".......xx...x...", .fill = fill(0x000F, nullptr, FS, nullptr, true, false)}, 1, 0x40, 0, 0, ""},
      {"a crash asked for with none to play, silenced", {.fill = fill(0x000F, nullptr, FS, nullptr, true, false, true)}, 1, 0x7F, 2, 0x48, "must be a crash to play after a fill|fill must not play an instrument the drum map silences"},
      {"snare after the groove's snare, thinning over two beats", {.snare = "....x..x....x...", .fill = fill(0x00FF, nullptr, "........xxxx..x.")}, 1, 0x40, 2, 0x40, "fill must not start with the stroke the groove just played|" THIN},
      {"kick after the groove's kick across the bar line", {.bass = "x...x...x...x..x", .fill = fill(0xFFFF, "x", "....x...x...xxxx")}, 1, 0x40, 1, 0x40, "fill must not start with the stroke the groove just played"},
      {"snare after the groove's kick", {.bass = "x...x...x..xx...", .fill = fill(0x000F, nullptr, FS)}, 1, 0x40, 0, 0, ""},
      {"thinning within a beat, then a lone kick last", {.fill = fill(0x000F, "...............x", "............xx..")}, 1, 0x40, 2, 0x40, THIN "|fill must not end with a lone bass before the downbeat"},
      {"a kick with toms last", {.fill = fill(0x000F, "...............x", "............x.x.", "...............x")}, 1, 0x40, 0, 0, ""},
  };
  std::string message = "left over";
  message.reserve(512);  // then no rule allocates
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint32_t bits = 0xDEAD;
    RuleInputs in = inputs(c);
    in.bass |= 0xFFFF0000u;  // steps beyond the bar are ignored
    in.perc[2] |= 0x70000u;
    in.fill.window |= 0x30000u;
    const std::size_t before = allocations;
    EXPECT_EQ(checkRules(in, c.mask, message, bits), c.count);
    EXPECT_EQ(allocations, before);
    EXPECT_EQ(bits, c.bits);
    if (c.message) {
      EXPECT_EQ(message, c.message);
    }
  }
}

}  // namespace
}  // namespace velmora
