// The control interface: global controls, views, output and trigger settings, volumes and
// variation ranges, note names, and what the slices ask of their engine.
#include <algorithm>
#include <mutex>

#include "engine/Tamborak.h"
#include "library/LibraryFolders.h"
#include "library/PatternTree.h"
#include "loops/Looper.h"
#include "platform/Numeric.h"
#include "platform/ThreadRole.h"

namespace velmora {

std::int32_t swingGridOfVolume(const std::string& name) {
  const std::int32_t number = platform::atoiWin(name);
  return number == 16 ? 2 : number == 8 ? 1 : 0;
}

// ---- Views

bool Tamborak::addView(TamborakView* view) {
  if (std::find(views_.begin(), views_.end(), view) != views_.end()) return false;
  views_.push_back(view);
  return true;
}

void Tamborak::removeView(TamborakView* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void Tamborak::refreshViews(TamborakView::Item item) {
  for (TamborakView* view : views_) view->refresh(item);
}

// ---- Loop blocks

LoopSlices Tamborak::loopSlices() const {
  static_assert(kLoopFill == kFillSlice);
  LoopSlices slices{};
  for (std::size_t i = 0; i < slices.size(); ++i) slices[i] = slices_[i].get();
  return slices;
}

bool Tamborak::saveLoop(CUniStream& stream, bool markSaved) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  if (!allSlicesPresent()) return false;
  if (markSaved)
    for (const std::unique_ptr<Looper>& slice : slices_) slice->setEdited(false);
  writeLoopBlock(stream, loopSlices(), patternGroup_, false, phrase());
  return true;
}

bool Tamborak::LoadLoop(CUniStream& stream, int notify) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  if (!readLoop(stream, false)) return false;
  if (notify) changed("Tamborak::LoadLoop");
  return true;
}
bool Tamborak::saveLoopAs() { return loopSaver_ && loopSaver_(); }

// ---- Slices, folders and the library

Looper* Tamborak::getSlice(std::int32_t index) {
  return index >= 0 && index < kPartCount ? slices_[static_cast<std::size_t>(index)].get() : nullptr;
}

std::string Tamborak::getLoopsFolder() { return libraryFolders().loops; }
std::string Tamborak::getDrumMapsFolder() { return libraryFolders().drumMaps; }
PatternTree& Tamborak::getPatternLibrary() { return patternTree(); }

void Tamborak::clearLoop() {
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice) slice->clearPattern();
}

platform::Prompt* Tamborak::discardPrompt() { return views_.empty() ? nullptr : views_.front()->prompt(); }

void Tamborak::setVolume(const std::string& name) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  if (name == volumeName_) return;
  const bool edited = std::any_of(slices_.begin(), slices_.end(), [](const auto& s) { return s && s->edited(); });
  if (edited && !views_.empty() && !views_.front()->confirmDiscard()) {
    refreshViews(TamborakView::Item::kVolume);
    return;
  }
  selectVolumeSilently(name);
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice) slice->setVolumeFolder(name);
  {
    PatternTree& tree = patternTree();
    std::lock_guard guard(tree.lock());
    TransitNode* volume = tree.root() ? tree.root()->findFolder(name) : nullptr;
    if (const TerminalNode* loop = volume ? findLeafByPath(volume, "Default.mid") : nullptr) loop->loadLoop(this);
  }
  changed("Tamborak::setVolume");
}

void Tamborak::selectVolumeSilently(const std::string& name) {
  volumeName_ = name;
  slicesSwing_ = swingGridOfVolume(name);
  setSwingDurIdx(slicesSwing_, false);
  refreshViews(TamborakView::Item::kVolume);
}

void Tamborak::setPatternGroup(std::int32_t value, bool apply) {
  if (value == patternGroup_) return;
  patternGroup_ = value;
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice) slice->setPatternGroup(value, apply);
  refreshViews(TamborakView::Item::kPatternGroup);
}

void Tamborak::selectNoteNames(const std::string& title) {
  if (!noteNamesProvider_.find(title, &noteNames_) && keepMissingNoteNames_) {
    noteNamesProvider_.find(std::string(kGeneralMidiDrumsTitle), &noteNames_);
    noteNames_.setTitle(title);
  }
  refreshViews(TamborakView::Item::kNoteNames);
}

// ---- Drum map, output, triggers

void Tamborak::setDrumMap(const DrumMap& map) {
  drumMap_ = map;
  drumMapChanged();
}

void Tamborak::drumMapChanged() {
  changed("Tamborak::drumMapChanged");
  refreshViews(TamborakView::Item::kDrumMap);
}

void Tamborak::setOutput(std::int32_t channel, std::int32_t port) {
  outChannel_ = channel;
  outPort_ = port;
}

std::int32_t Tamborak::getOutput(std::int32_t* channel, std::int32_t* port) {
  const std::int32_t p = outPort_;
  if (channel) *channel = outChannel_;
  if (port) *port = p;
  return p;
}

void Tamborak::setTriggerLowKey(std::int32_t key) {
  triggerHighKey_ = triggerHighKey_ - triggerLowKey_ + key;
  triggerLowKey_ = key;
}

// ---- Global controls

bool Tamborak::store(Relaxed<std::int32_t>& control, std::int32_t value, std::int32_t low, std::int32_t high) {
  if (value == control) return false;
  control = std::clamp(value, low, high);
  return true;
}

void Tamborak::redrawSlices() {
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice && slice->view()) slice->view()->refresh();
}

void Tamborak::rebuildCurves() {
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice) slice->rebuildCurve();
  rebuildReadyCurves();
  redrawSlices();
}

void Tamborak::setSwingPc(std::int32_t value, bool notify) {
  if (store(swingPc_, value, 0, 100)) {
    redrawSlices();
    refreshViews(TamborakView::Item::kSwing);
  }
  if (notify) changed("setSwingPc");
}

void Tamborak::setSwingDurIdx(std::int32_t value, bool notify) {
  if (store(swingDurIdx_, value, 0, 4)) {
    redrawSlices();
    refreshViews(TamborakView::Item::kSwingGrid);
  }
  if (notify) changed("setSwingDurIdx");
}

std::int32_t Tamborak::getSwingDivision() const {
  const std::int32_t index = swingDurIdx_;
  return index == 0 ? 4 : 1 << index;
}

void Tamborak::setVeloDyn(std::int32_t value, bool notify) {
  if (store(veloDyn_, value, -100, 200)) {
    rebuildCurves();
    refreshViews(TamborakView::Item::kVeloDyn);
  }
  if (notify) changed("setVeloDyn");
}

void Tamborak::setVeloCenterPC(std::int32_t value, bool notify) {
  if (store(veloCenterPc_, value, -100, 100)) {
    rebuildCurves();
    refreshViews(TamborakView::Item::kVeloCenter);
  }
  if (notify) changed("setVeloCenterPC");
}

void Tamborak::setHumanizeVelo(std::int32_t value, bool notify) {
  if (store(humanizeVelo_, value, 0, 127)) refreshViews(TamborakView::Item::kHumanize);
  if (notify) changed("setHumanizeVelo");
}

void Tamborak::setHumanizeVeloTrend(std::int32_t value, bool notify) {
  if (!store(humanizeVeloTrend_, value, -100, 100)) return;
  refreshViews(TamborakView::Item::kHumanizeTrend);
  if (notify) changed("setHumanizeVeloTrend");
}

void Tamborak::setQuantize(bool on, bool notify) {
  if (quantize_.exchange(on) == on) return;
  redrawSlices();
  refreshViews(TamborakView::Item::kQuantize);
  if (notify) changed("setQuantize");
}

PhraseSettings Tamborak::phrase() const { return {phraseBars_, fillLengthOf(fillLength_), crashAfterFill_}; }

void Tamborak::setPhraseBars(std::int32_t bars, bool notify) {
  if (phraseBars_.exchange(validPhraseBars(bars)) == validPhraseBars(bars)) return;
  refreshViews(TamborakView::Item::kPhrase);
  if (notify) changed("setPhraseBars");
}

void Tamborak::setFillLength(std::int32_t length, bool notify) {
  const auto value = static_cast<std::int32_t>(fillLengthOf(std::clamp(length, 0, 2)));
  if (fillLength_.exchange(value) == value) return;
  refreshViews(TamborakView::Item::kPhrase);
  if (notify) changed("setFillLength");
}

void Tamborak::setCrashAfterFill(bool on, bool notify) {
  if (crashAfterFill_.exchange(on) == on) return;
  refreshViews(TamborakView::Item::kPhrase);
  if (notify) changed("setCrashAfterFill");
}

void Tamborak::storePhrase(const PhraseSettings& phrase) {
  phraseBars_ = validPhraseBars(phrase.bars);
  fillLength_ = static_cast<std::int32_t>(phrase.fillLength);
  crashAfterFill_ = phrase.crash;
}

void Tamborak::takePhrase(const PhraseSettings& phrase) {
  storePhrase(phrase);
  refreshViews(TamborakView::Item::kPhrase);
}

void Tamborak::setVeloMin(std::int32_t value) {
  if (value == veloMin_) return;
  veloMin_ = std::clamp(value, 1, 127);
  if (veloMax_ < veloMin_ + 2) setVeloMax(veloMin_ + 2);
  rebuildCurves();
}

void Tamborak::setVeloMax(std::int32_t value) {
  if (value == veloMax_) return;
  veloMax_ = std::clamp(value, 1, 127);
  if (veloMin_ > veloMax_ - 2) setVeloMin(veloMax_ - 2);
  rebuildCurves();
}

// ---- Solo

void Tamborak::wantPlaySolo(Looper& slice) {
  const auto audible = std::count_if(slices_.begin(), slices_.end(), [](const auto& s) { return s && !s->muted(); });
  const bool alone = !slice.muted() && audible == 1;
  if (alone) {
    for (std::size_t i = 0; i < slices_.size(); ++i)
      if (slices_[i]) slices_[i]->setMutedSilently(savedMute_[i]);
  } else {
    if (audible >= 2)
      for (std::size_t i = 0; i < slices_.size(); ++i)
        if (slices_[i]) savedMute_[i] = slices_[i]->muted();
    for (const std::unique_ptr<Looper>& s : slices_)
      if (s) s->setMutedSilently(s.get() != &slice);
  }
  changed("Tamborak::wantPlaySolo");
}

}  // namespace velmora
