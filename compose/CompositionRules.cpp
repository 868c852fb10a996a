#include "compose/CompositionRules.h"

#include <bit>

namespace velmora {

namespace {

constexpr std::uint32_t kPerc = 0x07, kHat = 0x08, kSnare = 0x10, kBass = 0x20, kFill = 0x40;

constexpr std::uint32_t rotateRight16(std::uint32_t m, int steps) {
  return ((m >> steps) | (m << (16 - steps))) & 0xFFFF;
}
// Bit of step s set when step s + steps (wrapping) is set in m.
constexpr std::uint32_t later(std::uint32_t m, int steps) { return rotateRight16(m, 16 - steps); }
// Steps s with s, s + gap and s + 2 gap all set.
constexpr std::uint32_t runOfThree(std::uint32_t m, int gap) { return m & later(m, gap) & later(m, 2 * gap); }
// Steps s with `a` on s and s + 2 gap and `b` on s + gap and s + 3 gap.
constexpr std::uint32_t alternating(std::uint32_t a, std::uint32_t b, int gap) {
  return a & later(a, 2 * gap) & later(b, gap) & later(b, 3 * gap);
}
constexpr std::uint32_t kEvenSteps = 0xAAAA;

// Counts violations and collects blame and messages for one check.
class Verdict {
 public:
  Verdict(std::uint32_t mask, std::string& message, std::uint32_t& outBits)
      : mask_(mask), message_(message), outBits_(outBits) {
    message_.clear();
    outBits_ = 0;
  }
  // Whether a rule blaming `bits` is looked at in this check.
  bool tested(std::uint32_t bits) const { return (bits & mask_) != 0; }
  void fire(std::uint32_t bits, const char* text) {
    if (count_ != 0) message_ += '|';
    message_ += text;
    outBits_ |= bits & mask_;
    ++count_;
  }
  // Fires when the rule is tested and its condition holds.
  void rule(std::uint32_t bits, bool violated, const char* text) {
    if (violated && tested(bits)) fire(bits, text);
  }
  std::int32_t count() const { return count_; }

 private:
  std::uint32_t mask_;
  std::string& message_;
  std::uint32_t& outBits_;
  std::int32_t count_ = 0;
};

void checkStrokeLimit(const RuleInputs& in, Verdict& v) {
  const std::int32_t limit = in.notesLimit;
  if (limit == 0) return;
  const std::uint32_t total = static_cast<std::uint32_t>(in.openCount) + static_cast<std::uint32_t>(in.snareCount) +
                              static_cast<std::uint32_t>(in.bassCount);
  if (total <= static_cast<std::uint32_t>(limit)) return;
  const std::int32_t quarter = limit / 4;
  std::uint32_t bits = 0;
  if (in.bassCount > quarter) bits |= kBass;
  if (in.snareCount > quarter) bits |= kSnare;
  if (in.openCount > quarter) bits |= kHat;
  if (v.tested(bits)) v.fire(bits, "there are extra strokes");
}

struct Masks {
  std::uint32_t p0, p1, p2, hat, open, sn, bd, hatAny, all;
};

void checkBar(const Masks& m, std::int32_t d, Verdict& v) {
  if (d == 2) v.rule(kSnare | kBass, (m.sn & m.bd) != 0, "snare and bass must not intersect");
  if (d == 0 || d == 1)
    v.rule(kSnare | kBass, (m.sn & m.bd & ~0x0808u) != 0,
           "snare and bass must not intersect except for 2th and 4th beat");
  const std::uint32_t drums = kHat | kSnare | kBass;
  if (d == 0) v.rule(drums, (m.all & 0x8808) != 0x8808, "must be strokes on every beat except for 3rd");
  if (d != 0) v.rule(drums, (m.all & 0x8888) != 0x8888, "must be strokes on every beat");
  if (d == 1) v.rule(drums, (m.all & 0x2222) != 0x2222, "must be strokes on every weak 8th");
  if (d == 0) {
    v.rule(kSnare | kBass, ((m.sn | m.bd) & 0x8888) != 0x8888, "must be bass or snare on every beat");
    v.rule(drums, (m.all & 0x5555) == 0, "must be at least one weak 16th");
  }
}

// Each half bar as a byte, bit 7 its first step.
void checkHalves(const Masks& m, std::int32_t d, Verdict& v) {
  const std::uint32_t drums = kHat | kSnare | kBass;
  for (int shift = 8; shift >= 0; shift -= 8) {
    const std::uint32_t all = (m.all >> shift) & 0xFF, sn = (m.sn >> shift) & 0xFF, bd = (m.bd >> shift) & 0xFF,
                        open = (m.open >> shift) & 0xFF;
    if (d == 2) {
      v.rule(drums, (all & 0x55) == 0, "must be at least one weak 16th in all bar halfs");
      v.rule(kBass, bd == 0, "must be at least one bass in every bar half");
      v.rule(kSnare, sn == 0, "must be at least one snare in every bar half");
    }
    if (d == 0 || d == 1) {
      v.rule(drums, (all & 0x77) == 0, "must be at least one weak 8th or 16th in all bar halfs");
      v.rule(kBass, bd == 0, "must be at least one bass in all bar halfs");
      v.rule(kSnare | kHat, sn == 0 && open == 0, "must be at least and one snare or open hh in all bar halfs");
      v.rule(kSnare | kBass, sn == 0x08 && bd == 0x08,
             "it is too bad to have only bass and snare notes on weak beat");
    }
    if (d != 0)
      v.rule(kSnare | kBass, (sn & bd & 0x08) != 0 && ((sn | bd) & 0x36) != 0,
             "snare and bass must be alone when intersects on weak beat");
    v.rule(kSnare | kBass, (bd & 0x80) == 0 && (sn & 0x88) == 0,
           "must be at least one of bass on strong beat or snare on any beat in all bar halfs");
  }
}

// Each beat as a nibble, bit 3 the beat itself.
void checkBeats(const Masks& m, std::int32_t d, Verdict& v) {
  const bool sixteenths = d == 0 || d == 2;
  for (int shift = 12; shift >= 0; shift -= 4) {
    const std::uint32_t p[3] = {(m.p0 >> shift) & 0xF, (m.p1 >> shift) & 0xF, (m.p2 >> shift) & 0xF};
    if (sixteenths)
      v.rule(kHat | kSnare | kBass, ((m.all >> shift) & 0x7) == 0,
             "must be at least one weak 16th or weak 8th in all beats");
    v.rule(kPerc, p[0] != 0 && p[1] != 0 && p[2] != 0,
           "must not be more that 2 percussion layer filled in every beat");
    v.rule(0x03, p[0] != 0 && p[1] == p[0], "must not be 2 exact not empty percussion 1,2 in any beat");
    v.rule(0x05, p[0] != 0 && p[2] == p[0], "must not be 2 exact not empty percussion 1,3 in any beat");
    v.rule(0x06, p[1] != 0 && p[2] == p[1], "must not be 2 exact not empty percussion 2,3 in any beat");
    if (!sixteenths) continue;
    // Every ordered pair: a matching pair is reported once from each side.
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        if (i == j) continue;
        const std::uint32_t firstI = p[i] >> 2, secondI = p[i] & 3;
        const bool same = (firstI != 0 && firstI == p[j] >> 2) || (secondI != 0 && secondI == (p[j] & 3));
        v.rule((1u << i) | (1u << j), same, "must not be 2 exact half beats in perc layers");
      }
    }
  }
}

// Windows of three eighth steps, first (10, 12, 14), then two steps earlier each time, wrapping.
// After rotating right by 2 per window, the low byte holds the eight steps from two before the
// window's first step, and 0x2A the window's three steps.
void checkEighthWindows(const Masks& m, Verdict& v) {
  // Most loops have none of these shapes anywhere: then no window needs a look.
  const std::uint32_t candidates = runOfThree(m.bd & (m.hat | m.open), 2) | runOfThree(m.sn & (m.hat | m.open), 2) |
                                   alternating(m.sn, m.bd, 2) | alternating(m.bd, m.sn, 2);
  if ((candidates & kEvenSteps) == 0) return;
  for (int rot = 0; rot < 16; rot += 2) {
    const std::uint32_t hat = rotateRight16(m.hat, rot) & 0xFF, open = rotateRight16(m.open, rot) & 0xFF,
                        sn = rotateRight16(m.sn, rot) & 0xFF, bd = rotateRight16(m.bd, rot) & 0xFF;
    constexpr std::uint32_t w = 0x2A;
    v.rule(kBass | kHat, (bd & hat & w) == w, "must not be 3 consecutive bass and hat 8th");
    v.rule(kBass | kHat, (bd & open & w) == w, "must not be 3 consecutive bass and open hat 8th");
    v.rule(kSnare | kHat, (sn & hat & w) == w, "must not be 3 consecutive snare and hat 8th");
    v.rule(kSnare | kHat, (sn & open & w) == w, "must not be 3 consecutive snare and open hat 8th");
    v.rule(kSnare | kBass, sn == 0x88 && bd == 0x22, "must not be sbsb in 8th");
    v.rule(kSnare | kBass, bd == 0x88 && sn == 0x22, "must not be bsbs in 8th");
  }
}

// Windows of sixteenth steps ending on step 15, 14, ..., 0. After rotating right by one step per
// window, bit 0 is the window's last step and bit 3 the first of a four-step window.
void checkSixteenthWindows(const Masks& m, std::int32_t d, std::uint32_t claps, std::uint32_t clapsBit, Verdict& v) {
  const bool clapsRule = clapsBit != 0 && (d == 0 || d == 2) && claps != 0;
  if (!clapsRule) {
    // Without claps, every rule here needs a run of bass or snare strokes.
    const std::uint32_t both = m.sn | m.bd;
    std::uint32_t candidates = 0;
    if (d == 0) candidates = runOfThree(both, 1);
    if (d == 2)
      candidates = (both & later(both, 1) & m.hatAny & later(m.hatAny, 1)) | alternating(m.sn, m.bd, 1) |
                   alternating(m.bd, m.sn, 1);
    if (candidates == 0) return;
  }
  for (int rot = 0; rot < 16; ++rot) {
    const std::uint32_t hat = rotateRight16(m.hatAny, rot) & 0xF, sn = rotateRight16(m.sn, rot) & 0xF,
                        bd = rotateRight16(m.bd, rot) & 0xF, both = sn | bd;
    if (d == 2) {
      v.rule(kBass | kHat, (bd & 3) == 3 && (hat & 3) == 3, "must not be 2 consecutive bass and hat 16th");
      v.rule(kSnare | kHat, (sn & 3) == 3 && (hat & 3) == 3, "must not be 2 consecutive snare and hat 16th");
      v.rule(kSnare | kBass | kHat, (both & 7) == 7 && (hat & 7) == 7,
             "must not be 3 consecutive (bass or snare) and hat 16th");
      v.rule(kSnare | kBass, sn == 0xA && bd == 0x5, "must not be sbsb in 16th");
      v.rule(kSnare | kBass, bd == 0xA && sn == 0x5, "must not be bsbs in 16th");
    }
    if (clapsBit != 0 && (d == 0 || d == 2)) {
      const std::uint32_t c = rotateRight16(claps, rot) & 0xF;
      const std::uint32_t clapsOnly = c & ~sn, snareOnly = sn & ~c, together = c & sn;
      const bool turn = ((clapsOnly & 0x4) && (snareOnly & 0x2)) || ((snareOnly & 0x4) && (clapsOnly & 0x2));
      v.rule(clapsBit | kSnare, turn && (together & 0x9) == 0,
             "must not be consecutive claps and snare 16th w/o simultaneous ones before or after");
    }
    if (d == 0) v.rule(kSnare | kBass, (both & 7) == 7, "must not be 3 consecutive bass or snare 16th");
  }
}

// The fill replaces kick, snare and cymbal in its window at the end of each phrase; the groove
// plays the step before the window and the downbeat after it.
void checkFill(const RuleInputs& in, Verdict& v) {
  const FillInputs& f = in.fill;
  const std::uint32_t window = f.window & 0xFFFF;
  if (window == 0) return;
  v.rule(kBass, (in.bass & 0x8000) == 0, "must be bass on the downbeat after a fill");
  v.rule(kHat, f.crashAfter && !f.crashAvailable, "must be a crash to play after a fill");
  v.rule(kFill, f.silencedStroke, "fill must not play an instrument the drum map silences");
  const std::uint32_t all = f.all & window;
  v.rule(kFill, all == 0, "fill must have strokes in its window");
  const std::uint32_t first = std::bit_floor(window), before = later(first, 1);
  v.rule(kFill, ((f.snare & first) != 0 && (in.snare & before) != 0) || ((f.kick & first) != 0 && (in.bass & before) != 0),
         "fill must not start with the stroke the groove just played");
  const std::uint32_t lastHalf = (1u << (std::popcount(window) / 2)) - 1;
  v.rule(kFill, std::popcount(all & lastHalf) < std::popcount(all & ~lastHalf),
         "fill must not thin out toward its end");
  const std::uint32_t others = f.snare | f.toms | f.cymbals | f.other;
  v.rule(kFill, (f.kick & ~others & 0x0001) != 0, "fill must not end with a lone bass before the downbeat");
}

}  // namespace

std::int32_t checkRules(const RuleInputs& in, std::uint32_t mask, std::string& message, std::uint32_t& outBits) {
  Verdict v(mask, message, outBits);
  const std::int32_t d = in.swingDurIdx;
  Masks m{};
  m.p0 = in.perc[0] & 0xFFFF;
  m.p1 = in.perc[1] & 0xFFFF;
  m.p2 = in.perc[2] & 0xFFFF;
  m.hat = in.hats & 0xFFFF;
  m.open = in.openHats & 0xFFFF;
  m.sn = in.snare & 0xFFFF;
  m.bd = in.bass & 0xFFFF;
  m.hatAny = m.hat | m.open;
  m.all = m.hatAny | m.sn | m.bd;
  const bool hasClaps = in.clapsSlot >= 0 && in.clapsSlot < 3;
  const std::uint32_t claps = hasClaps ? in.perc[in.clapsSlot] & 0xFFFF : 0;
  const std::uint32_t clapsBit = hasClaps ? 1u << in.clapsSlot : 0;

  checkStrokeLimit(in, v);
  checkBar(m, d, v);
  checkHalves(m, d, v);
  checkBeats(m, d, v);
  if (d == 1) checkEighthWindows(m, v);
  if (d == 0 || d == 2) checkSixteenthWindows(m, d, claps, clapsBit, v);
  checkFill(in, v);
  return v.count();
}

}  // namespace velmora
