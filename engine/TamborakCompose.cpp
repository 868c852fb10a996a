// The composer: draws patterns for the slices taking part until the loop passes the drumming
// rules or the attempts run out, then keeps the best loop found. Also the rule check of the
// current loop that the slices' rule-checked stepping uses.
#include <array>
#include <climits>
#include <cstdio>

#include "engine/Tamborak.h"
#include "io/UniRegistry.h"
#include "loops/FillShape.h"
#include "loops/Looper.h"
#include "platform/ThreadRole.h"

namespace velmora {

namespace {

// The note of the hand clap in the General MIDI drum set.
constexpr int kClapNote = 39;

// Whether a percussion slice plays claps: a fixed-note slice by the note it plays, any other by
// the keys its pattern uses.
bool playsClaps(const Looper& slice) {
  return slice.fixedNoteOn() ? slice.fixedNote() == kClapNote : slice.track().keyUsed(kClapNote);
}

// Draw counts from slot 5 down to slot 0, joined by ",", then the fill's after a "+" when drawn.
std::string drawsText(const std::array<int, Tamborak::kPartCount>& draws) {
  std::string text;
  for (int slot = Tamborak::kSliceCount - 1; slot >= 0; --slot) {
    if (!text.empty()) text += ',';
    text += std::to_string(draws[static_cast<std::size_t>(slot)]);
  }
  if (const int fill = draws[Tamborak::kFillSlice]; fill != 0) {
    text += '+';
    text += std::to_string(fill);
  }
  return text;
}

std::string format(const char* pattern, int number, const std::string& a, const std::string& b = {}) {
  const int size = std::snprintf(nullptr, 0, pattern, number, a.c_str(), b.c_str());
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, number, a.c_str(), b.c_str());
  return text;
}

// Takes back a loop saved earlier in the same call. The volume and its swing grid stay as they
// are: the block names slice 0's volume, which need not be the engine's, and the attempts were
// judged with the grid in force now.
class BestLoop final : public LoopBlockTarget {
 public:
  explicit BestLoop(Tamborak& engine) : engine_(engine) {}
  void takePatternGroup(std::int32_t group) override { engine_.setPatternGroup(group, false); }
  void takeVolume(const std::string&) override {}
  void takePhrase(const PhraseSettings&) override {}

 private:
  Tamborak& engine_;
};

}  // namespace

RuleInputs Tamborak::ruleInputs() const {
  RuleInputs in{};
  in.clapsSlot = -1;
  if (!allSlicesPresent()) return in;
  for (int i = 0; i < 3; ++i) {
    const Looper& layer = *slices_[static_cast<std::size_t>(i)];
    in.perc[i] = layer.muted() ? 0 : layer.signature().hitMask;
    if (in.clapsSlot < 0 && playsClaps(layer)) in.clapsSlot = i;
  }
  const PatternSignature& cymbal = slices_[kSlotCymbal]->signature();
  const PatternSignature& snare = slices_[kSlotSnare]->signature();
  const PatternSignature& kick = slices_[kSlotKick]->signature();
  in.hats = cymbal.hitMask;
  in.openHats = cymbal.accentMask;
  in.openCount = cymbal.accentCount;
  in.snare = snare.hitMask;
  in.snareCount = snare.nameStrokes;
  in.bass = kick.hitMask;
  in.bassCount = kick.nameStrokes;
  in.notesLimit = notesLimit_;
  in.swingDurIdx = swingDurIdx_;
  in.fill = fillInputs();
  return in;
}

FillInputs Tamborak::fillInputs() const {
  const Looper& fill = *slices_[kFillSlice];
  const PhraseSettings p = phrase();
  if (p.bars == 0 || fill.muted() || fill.track().endTime() <= 0) return {};
  const FillShape shape = fillShape(fill.track(), static_cast<std::int32_t>(fill.track().division()), drumMap_);
  const Looper& cymbal = *slices_[kSlotCymbal];
  FillInputs in;
  in.window = p.fillLength == FillLength::kBar ? 0xFFFF : p.fillLength == FillLength::kTwoBeats ? 0x00FF : 0x000F;
  in.window &= 0xFFFFu >> (4 * fill.firstBeat());  // the groove plays on until the fill's first beat
  in.all = shape.all, in.kick = shape.kick, in.snare = shape.snare, in.toms = shape.toms;
  in.cymbals = shape.cymbals, in.other = shape.other;
  in.silencedStroke = shape.silenced;
  in.crashAfter = p.crash;
  in.crashAvailable = !cymbal.muted() && cymbal.drumMap().note(drumMap_.note(Looper::kCrashKey)) != 0;
  return in;
}

std::int32_t Tamborak::checkRules(std::string& message, std::uint32_t mask, std::uint32_t& outBits) const {
  return velmora::checkRules(ruleInputs(), mask, message, outBits);
}

bool Tamborak::checkSlice(const Looper& slice) const {
  for (int i = 0; i < kPartCount; ++i) {
    if (slices_[static_cast<std::size_t>(i)].get() != &slice) continue;
    std::string message;
    std::uint32_t bits = 0;
    return checkRules(message, slotBit(i), bits) > 0;
  }
  return false;
}

bool Tamborak::rulesAccept(Looper& slice) { return !checkSlice(slice); }

void Tamborak::composePart(Looper& slice) { compose(&slice); }

ComposeResult Tamborak::compose(Looper* slice) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  if (!allSlicesPresent()) {
    changed("Tamborak::Random");
    return ComposeResult::kNoSlices;
  }
  const std::int32_t attempts = settings::getProfileInt(settings::kComposeAttempts);
  const bool testing = settings::getProfileInt(settings::kComposeAllowTesting) != 0;
  platform::KeyState& keys = keyState_ ? *keyState_ : platform::systemKeyState();
  const bool altHeld = testing && keys.held(platform::ModifierKey::kAlt);

  // Alt and Shift in test mode judge the loop as it is against every rule.
  std::uint32_t targets = 0;
  int sliceSlot = -1;
  for (int i = 0; i < kPartCount; ++i)
    if (slices_[static_cast<std::size_t>(i)].get() == slice) sliceSlot = i;
  // The fill is composed with the loop while the loop has phrases and the fill sits in a fill
  // folder (a library without one leaves it in another part's folder).
  const Looper& fill = *slices_[kFillSlice];
  const bool withFill =
      phraseBars_ > 0 && folderComponent(fill.folder(), 1) == folderComponent(defaultPartFolder(kSlotFill), 0);
  const int parts = withFill ? kPartCount : kSliceCount;
  if (altHeld && keys.held(platform::ModifierKey::kShift)) {
    targets = (1u << parts) - 1;
  } else if (slice) {
    targets = sliceSlot >= 0 ? slotBit(sliceSlot) : 0;
  } else {
    for (int i = 0; i < parts; ++i)
      if (slices_[static_cast<std::size_t>(i)]->takesPart()) targets |= slotBit(i);
  }
  // A slice composed on its own always moves off the pattern it has now.
  const std::string avoided = slice ? slice->file() : std::string();

  std::array<int, kPartCount> draws{};
  std::int32_t best = INT32_MAX, bestAttempt = 0, attempt = 0;
  std::string message, bestMessage, saved;
  bool stuck = false;  // the slice cannot leave its pattern: more attempts would draw nothing new
  for (;;) {
    ++attempt;
    if (!altHeld) {
      for (int i = 0; i < kPartCount; ++i) {
        if (!(targets & slotBit(i))) continue;
        if (!slices_[static_cast<std::size_t>(i)]->randomPattern(slice ? &avoided : nullptr)) stuck = true;
        ++draws[static_cast<std::size_t>(i)];
      }
    }
    std::uint32_t bits = 0;
    const std::int32_t violations = checkRules(message, targets, bits);
    if (violations < best) {
      best = violations;
      bestAttempt = attempt;
      bestMessage = message;
      if (violations == 0) break;
      saved.clear();
      CUniString stream(saved);
      writeLoopBlock(stream, loopSlices(), patternGroup_, true, phrase());
    }
    if (stuck || attempt >= attempts) break;
    if (testing && keys.held(platform::ModifierKey::kControl)) break;
  }

  if (best != 0 && bestAttempt != attempt) {
    BestLoop target(*this);
    CUniString stream(saved);
    readLoopBlock(stream, loopSlices(), true, target);
  }

  if (testing) {
    const std::string text =
        stuck       ? format("NONE (%d) Tries (%s): no other pattern of %s can be read", attempt, drawsText(draws),
                             slice->folder())
        : best == 0 ? format("Chosen after %d tries (%s)", attempt, drawsText(draws))
                    : format("BAD (%d) Tries (%s): %s", best, drawsText(draws), bestMessage);
    for (TamborakView* view : views_) view->setWindowText(text);
    platform::Prompt* prompt = views_.empty() ? nullptr : views_.front()->prompt();
    if (!prompt) prompt = prompt_;
    if (altHeld && best >= 2 && prompt) {
      std::string lines = text;
      for (char& c : lines)
        if (c == '|') c = '\n';
      prompt->ask(lines, "Tamborak", platform::PromptButtons::kOk, platform::PromptIcon::kInformation);
    }
  }
  changed("Tamborak::Random");
  return stuck ? ComposeResult::kStuck : ComposeResult::kComposed;
}

}  // namespace velmora
