// Ready pads: pad switches inside the render pass play a prepared set of slices at once; the
// user-interface thread then stores the pad left and exchanges the prepared set with the slices.
#include <utility>

#include "engine/ReadyPads.h"
#include "loops/QuickPadBank.h"
#include "platform/ThreadRole.h"

namespace velmora {

namespace {

// The slot of pad `index` in `sets`, or nullptr outside the pads.
template <typename Sets>
auto* slotOf(Sets& sets, std::int32_t index) {
  return index >= 0 && index < static_cast<std::int32_t>(sets.size()) ? &sets[static_cast<std::size_t>(index)] : nullptr;
}

}  // namespace

Looper& Tamborak::playingSlice(std::size_t i) {
  const std::int32_t pad = loopIdx_;
  if (pad == slicesPad_) return *slices_[i];
  const auto* slot = slotOf(ready_, pad);
  const ReadySet& set = slot && *slot ? **slot : *emptySet_;
  return *set.slices[i];
}

PhraseSettings Tamborak::playingPhrase() {
  const std::int32_t pad = loopIdx_;
  if (pad == slicesPad_) return phrase();
  const auto* slot = slotOf(ready_, pad);
  return slot && *slot ? (*slot)->phrase : PhraseSettings{};
}

void Tamborak::startPlaying(std::int32_t index) {
  loopIdx_ = index;
  if (index == slicesPad_) {
    swingDurIdx_ = slicesSwing_.load();
  } else if (const auto* slot = slotOf(ready_, index); slot && *slot) {
    swingDurIdx_ = (*slot)->swingGrid;
  }
  for (std::size_t i = 0; i < kPartCount; ++i) playingSlice(i).restartRender();
}

void Tamborak::completeSwitch(bool notify) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  for (;;) {
    const std::int32_t target = loopIdx_, old = slicesPad_;
    if (target == old) return;
    auto* targetSlot = slotOf(ready_, target);
    const bool stored = targetSlot && *targetSlot;
    quickPads().storePad(old);
    // Pad `old` gets the slices' loop: by exchange from a stored pad, else read from its block.
    std::unique_ptr<ReadySet> spare;
    if (!stored)
      if (const QuickPadBank::Entry* entry = quickPads().find(old)) spare = buildReadySet(&entry->loop);

    std::unique_lock lock(padLock_);
    if (loopIdx_ != target) continue;  // the render pass switched again meanwhile
    std::int32_t group = 0;
    std::string volume;
    bool recall = false;
    if (stored) {
      ReadySet& set = **targetSlot;
      group = set.engine.group;
      volume = set.volume;
      for (std::size_t i = 0; i < kPartCount; ++i) slices_[i]->exchangeContent(*set.slices[i]);
      // The render pass reads the slices' phrase once the pad is theirs: it changes with them.
      const PhraseSettings taken = set.phrase;
      set.phrase = phrase();
      storePhrase(taken);
      set.engine.group = patternGroup_;
      set.volume = folderComponent(set.slices[0]->folder(), 0);
      set.swingGrid = swingGridOfVolume(set.volume);
      spare = std::move(*targetSlot);
    } else if (!targetSlot && quickPads().find(target)) {
      recall = true;  // a stored pad outside the ten has no ready set: read it below, unlocked
    } else {
      clearLoop();
      phraseBars_ = 0;
    }
    if (auto* oldSlot = slotOf(ready_, old)) std::swap(*oldSlot, spare);
    slicesPad_ = target;
    lock.unlock();
    spare.reset();  // freed outside the lock

    if (recall) quickPads().recallPad(target, notify);
    slicesSwing_ = swingGridOfVolume(folderComponent(slices_[0]->folder(), 0));
    refreshViews(TamborakView::Item::kPhrase);
    if (stored) {
      setPatternGroup(group, false);
      selectVolumeSilently(volume);
      if (notify) changed("Tamborak::LoadLoop");
      refreshViews(TamborakView::Item::kLoop);
    }
    return;
  }
}

std::unique_ptr<Tamborak::ReadySet> Tamborak::buildReadySet(const std::string* block) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  auto set = std::make_unique<ReadySet>(static_cast<LooperEngine&>(*this));
  set->engine.group = patternGroup_;
  if (!block) return set;
  struct Target final : LoopBlockTarget {
    explicit Target(ReadySet& s) : set(s) {}
    void takePatternGroup(std::int32_t group) override { set.engine.group = group; }
    void takeVolume(const std::string& name) override {
      set.volume = name;
      set.swingGrid = swingGridOfVolume(name);
    }
    void takePhrase(const PhraseSettings& phrase) override { set.phrase = phrase; }
    ReadySet& set;
  } target(*set);
  CUniMemoryReader in(block->data(), static_cast<std::uint32_t>(block->size()));
  readLoopBlock(in, set->loopSlices(), false, target);
  return set;
}

void Tamborak::rebuildReadyCurves() {
  auto rebuild = [](const std::unique_ptr<ReadySet>& set) {
    if (set)
      for (const std::unique_ptr<Looper>& slice : set->slices) slice->rebuildCurve();
  };
  for (const std::unique_ptr<ReadySet>& set : ready_) rebuild(set);
  rebuild(emptySet_);
}

}  // namespace velmora
