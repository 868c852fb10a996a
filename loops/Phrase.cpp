#include "loops/Phrase.h"

#include <algorithm>

#include "library/PatternSignature.h"
#include "loops/Looper.h"

namespace velmora {

namespace {

// Whether measure m plays a fill: the last bar of a phrase, or the bar of a live fill.
bool fillBar(const PhraseSettings& phrase, std::int32_t liveFillBar, std::int32_t m) {
  return endsPhrase(phrase.bars, m) || (liveFillBar > 0 && m == liveFillBar);
}

std::int32_t fillBeats(FillLength length) { return length == FillLength::kOneBeat ? 1 : 2; }

}  // namespace

void playPhrases(const PhraseSettings& phrase, const FillCue& fill, ProcessContext& context, std::int32_t from,
                 std::int32_t to, PhraseParts& parts) {
  const std::int32_t liveFillBar = fill.liveBar;
  if (!fill.plays || (phrase.bars <= 0 && liveFillBar <= 0)) {
    if (from <= to) parts.renderGroove(from, to);
    return;
  }
  std::int64_t t = from;
  while (t <= to) {
    if (t < 0) {  // before the song's first bar: no phrase yet
      parts.renderGroove(static_cast<std::int32_t>(t), std::min<std::int32_t>(to, -1));
      t = 0;
      continue;
    }
    std::int32_t m = 1, beat = 1, tick = 0;
    context.ticksToMbt(static_cast<std::int32_t>(t), m, beat, tick);
    const std::int64_t barStart = context.mbtToTicks(m, 1, 0);
    const std::int64_t nextBar = context.mbtToTicks(m + 1, 1, 0);
    if (nextBar <= t || barStart > t) {  // a meter map that does not move on: play it plain
      parts.renderGroove(static_cast<std::int32_t>(t), to);
      return;
    }
    if (phrase.crash && t == barStart && m > 1 && fillBar(phrase, liveFillBar, m - 1))
      parts.crash(static_cast<std::int32_t>(barStart));
    const std::int64_t end = std::min<std::int64_t>(to, nextBar - 1);
    if (fillBar(phrase, liveFillBar, m)) {
      const std::int64_t beatLength =
          std::clamp<std::int64_t>(std::int64_t{context.mbtToTicks(m, 2, 0)} - barStart, 0, nextBar - barStart);
      std::int64_t fillStart = barStart + std::clamp(fill.firstBeat, 0, 3) * beatLength;
      if (phrase.fillLength != FillLength::kBar)
        fillStart = std::max(fillStart, nextBar - fillBeats(phrase.fillLength) * beatLength);
      fillStart = std::min(fillStart, nextBar);
      if (t < fillStart)
        parts.renderGroove(static_cast<std::int32_t>(t), static_cast<std::int32_t>(std::min(end, fillStart - 1)));
      if (end >= fillStart)
        parts.renderFill(static_cast<std::int32_t>(std::max(t, fillStart)), static_cast<std::int32_t>(end));
    } else {
      parts.renderGroove(static_cast<std::int32_t>(t), static_cast<std::int32_t>(end));
    }
    t = nextBar;
  }
}

namespace {

// What part `slot` plays of each kind of piece.
bool plays(int slot, bool fill) { return fill ? slot == kSlotFill || slot < kSlotCymbal : slot != kSlotFill; }

// The pieces one part plays.
class PartPieces final : public PhraseParts {
 public:
  PartPieces(Looper& slice, int slot, ProcessContext& context) : slice_(slice), slot_(slot), context_(context) {}
  void renderGroove(std::int32_t from, std::int32_t to) override {
    if (plays(slot_, false)) slice_.render(from, to, context_);
  }
  void renderFill(std::int32_t from, std::int32_t to) override {
    if (plays(slot_, true)) slice_.render(from, to, context_);
  }
  void crash(std::int32_t at) override {
    if (slot_ == kSlotCymbal) slice_.renderCrash(at, context_);
  }

 private:
  Looper& slice_;
  const int slot_;
  ProcessContext& context_;
};

}  // namespace

void PhrasePlan::cut(const PhraseSettings& phrase, const FillCue& fill, ProcessContext& context, std::int32_t from,
                     std::int32_t to) {
  count_ = 0;
  playPhrases(phrase, fill, context, from, to, *this);
}

void PhrasePlan::render(Looper& slice, int slot, ProcessContext& context) const {
  for (std::size_t i = 0; i < count_ && i < kCapacity; ++i) {
    const Piece& piece = pieces_[i];
    if (piece.kind == Kind::kCrash) {
      if (slot == kSlotCymbal) slice.renderCrash(piece.from, context);
    } else if (plays(slot, piece.kind == Kind::kFill)) {
      slice.render(piece.from, piece.to, context);
    }
  }
}

void renderPart(Looper& slice, int slot, const PhraseSettings& phrase, const FillCue& fill, ProcessContext& context,
                std::int32_t from, std::int32_t to) {
  PartPieces pieces(slice, slot, context);
  playPhrases(phrase, fill, context, from, to, pieces);
}

}  // namespace velmora
