// Phrases and fills. A loop may group its bars into phrases of 2, 4, 8 or 16 bars counted from
// the song's first bar; the last beat, two beats or bar of every phrase then plays the loop's fill
// instead of its kick, snare and cymbal slices, and the downbeat after a fill may get a crash.
// PhrasePlayer cuts a render window at those places and says what plays in each piece, so that
// the engine's playback and every off-line render cut the song the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "loops/ProcessContext.h"

namespace velmora {

// How much of the phrase's last bar the fill takes.
enum class FillLength : std::int32_t { kOneBeat = 0, kTwoBeats = 1, kBar = 2 };

struct PhraseSettings {
  std::int32_t bars = 0;  // 0: no phrases and no fills; else 2, 4, 8 or 16
  FillLength fillLength = FillLength::kOneBeat;
  bool crash = false;     // a crash on the downbeat after each fill

  friend bool operator==(const PhraseSettings&, const PhraseSettings&) = default;
};

// The phrase lengths on offer, in the order of their choice index (0: off).
inline constexpr std::int32_t kPhraseBars[] = {0, 2, 4, 8, 16};
inline constexpr std::int32_t kPhraseChoices = static_cast<std::int32_t>(std::size(kPhraseBars));

// The choice index of a phrase length; 0 (off) for one not on offer. [any-thread]
constexpr std::int32_t phraseChoice(std::int32_t bars) {
  for (std::int32_t i = 1; i < kPhraseChoices; ++i)
    if (kPhraseBars[i] == bars) return i;
  return 0;
}

// `bars` when it is a phrase length on offer, else 0 (off). [any-thread]
constexpr std::int32_t validPhraseBars(std::int64_t bars) {
  for (std::int32_t b : kPhraseBars)
    if (b == bars) return b;
  return 0;
}
// The fill length of a stored or given number: 0..2, anything else one beat. [any-thread]
constexpr FillLength fillLengthOf(std::int64_t value) {
  return value == 1 ? FillLength::kTwoBeats : value == 2 ? FillLength::kBar : FillLength::kOneBeat;
}

// What renders the pieces of a window. [audio-thread during playback]
class PhraseParts {
 public:
  // Ticks [from, to] of the groove: all six slices.
  virtual void renderGroove(std::int32_t from, std::int32_t to) = 0;
  // Ticks [from, to] of a fill: the percussion layers and the fill.
  virtual void renderFill(std::int32_t from, std::int32_t to) = 0;
  // The crash on the downbeat at `at`, after a fill.
  virtual void crash(std::int32_t at) = 0;

 protected:
  ~PhraseParts() = default;
};

// What a render pass needs to know of the fill besides the phrase.
struct FillCue {
  bool plays = false;          // the fill has notes and is not muted
  std::int32_t firstBeat = 0;  // the beat of its bar it takes over from at the earliest (Looper::firstBeat)
  std::int32_t liveBar = 0;    // a live fill at the end of this bar (a measure from 1); 0: none
};

// Renders [from, to] (both inclusive) through `parts`: groove pieces, fill pieces at the end of
// each phrase (and of the live fill's bar), and the crash. A fill piece starts at the fill
// length's beat or at the fill's first beat, whichever is later. Without phrases and live fill,
// or without a fill that plays, the whole window is groove.
// [audio-thread, real-time safe when the context's conversions are; a few conversions per bar]
void playPhrases(const PhraseSettings& phrase, const FillCue& fill, ProcessContext& context, std::int32_t from,
                 std::int32_t to, PhraseParts& parts);

class Looper;

// Renders one part of a loop over [from, to] as playPhrases cuts it: slot 0..5 (see
// library/PatternSignature.h) or kSlotFill. The percussion layers play throughout, kick, snare
// and cymbal outside the fills, the fill inside them, and the cymbal plays the crash.
// [audio-thread, real-time safe; holds the slice's lock while it renders]
void renderPart(Looper& slice, int slot, const PhraseSettings& phrase, const FillCue& fill, ProcessContext& context,
                std::int32_t from, std::int32_t to);

// The pieces of one window, cut once for every part: up to kCapacity of them (any window of up to
// two bars; a host's windows are far shorter). A window with more overflows, and each part then
// cuts it itself (renderPart).
class PhrasePlan final : public PhraseParts {
 public:
  static constexpr std::size_t kCapacity = 8;
  // Cuts [from, to] as playPhrases does. [audio-thread, real-time safe as playPhrases]
  void cut(const PhraseSettings& phrase, const FillCue& fill, ProcessContext& context, std::int32_t from,
           std::int32_t to);
  bool overflowed() const { return count_ > kCapacity; }
  // Renders part `slot` over the cut pieces, as renderPart would. [audio-thread, real-time safe;
  // holds the slice's lock while it renders]
  void render(Looper& slice, int slot, ProcessContext& context) const;

  void renderGroove(std::int32_t from, std::int32_t to) override { add(Kind::kGroove, from, to); }
  void renderFill(std::int32_t from, std::int32_t to) override { add(Kind::kFill, from, to); }
  void crash(std::int32_t at) override { add(Kind::kCrash, at, at); }

 private:
  enum class Kind : std::uint8_t { kGroove, kFill, kCrash };
  struct Piece {
    Kind kind;
    std::int32_t from, to;
  };
  void add(Kind kind, std::int32_t from, std::int32_t to) {
    if (count_ < kCapacity) pieces_[count_] = {kind, from, to};
    ++count_;
  }
  Piece pieces_[kCapacity];
  std::size_t count_ = 0;
};

// Whether measure `measure` (from 1) ends a phrase of `bars` bars. [any-thread]
constexpr bool endsPhrase(std::int32_t bars, std::int32_t measure) {
  return bars > 0 && measure >= 1 && measure % bars == 0;
}

}  // namespace velmora
