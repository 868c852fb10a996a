// The slice: flags, parameters, output note, rows of the strokes view and the velocity curve.
#include "loops/Looper.h"

#include <algorithm>
#include <bit>
#include <mutex>
#include <utility>

#include "platform/Prompt.h"

namespace velmora {

std::string folderComponent(const std::string& path, std::size_t index) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i < index; ++i) {
    begin = path.find('\\', begin);
    if (begin == std::string::npos) return {};
    ++begin;
  }
  return path.substr(begin, path.find('\\', begin) - begin);
}

std::string displayName(const std::string& file) {
  for (const char cut : {'_', '#', '.'})
    if (const std::size_t at = file.find(cut); at != std::string::npos) return file.substr(0, at);
  return file;
}

Looper::Looper(LooperEngine& engine) : engine_(engine) { resetRenderState(); }

Looper::~Looper() = default;

// ---- Flags

void Looper::setMute(bool value, bool solo) {
  if (solo) {
    engine_.wantPlaySolo(*this);
    return;
  }
  if (muted_.exchange(value, std::memory_order_relaxed) == value) return;
  refreshView();
  engine_.changed("Looper::setMute");
}

void Looper::setMutedSilently(bool value) {
  if (muted_.exchange(value, std::memory_order_relaxed) != value) refreshView();
}

bool Looper::setIdrcOff(bool value) {
  const bool changed = idrcOff_ != value;
  idrcOff_ = value;
  refreshView();
  return changed;
}

bool Looper::setOwnEvents(bool value) {
  const bool changed = ownEvents_ != value;
  ownEvents_ = value;
  return changed;
}

bool Looper::setEdited(bool value) {
  const bool changed = edited_ != value;
  edited_ = value;
  if (!value && ownEvents_) file_.clear();  // the events no longer match a library file
  refreshView();
  return changed;
}

void Looper::setStandardRows(bool value) {
  standardRows_ = value;
  refreshView();
}

void Looper::markEdited() {
  updateVelocityStats();
  rebuildCurve();
  idrcOff_ = ownEvents_ = edited_ = true;
}

bool Looper::confirmDiscard() {
  if (!edited_) return true;
  if (platform::Prompt* prompt = engine_.discardPrompt()) {
    const platform::PromptAnswer answer = prompt->ask("Save edits to loop?", "Tamborak",
                                                      platform::PromptButtons::kYesNoCancel,
                                                      platform::PromptIcon::kExclamation);
    // Yes keeps the edits unless the loop was written: a cancelled or failed save is a Cancel.
    if (answer == platform::PromptAnswer::kYes ? !engine_.saveLoopAs() : answer != platform::PromptAnswer::kNo) {
      idrcOff_ = true;
      refreshView();
      return false;
    }
  }
  edited_ = false;
  return true;
}

// ---- Output note

void Looper::setInstrument(int code) {
  if (fixedNoteOn()) fixedNote_.store(static_cast<std::uint8_t>(code & 0x7F), std::memory_order_relaxed);
  else drumMap_.setNote((code >> 7) & 0x7F, code & 0x7F);
  engine_.changed("Looper::setInstrument");
}

void Looper::setFixedNote(int note) {
  if (note < 0) {
    fixedNoteOn_.store(false, std::memory_order_relaxed);
    return;
  }
  fixedNote_.store(static_cast<std::uint8_t>(note), std::memory_order_relaxed);
  fixedNoteOn_.store(true, std::memory_order_relaxed);
}

int Looper::rowCount() const {
  if (!standardRows_) return static_cast<int>(track_.distinctKeys());
  if (fixedNoteOn()) return 1;
  const PatternKind* kind = findKind(folderComponent(folder_, 2));
  return kind ? kind->keyCount : 0;
}

int Looper::rowKey(int index) const {
  if (index < 0 || index >= rowCount()) return -1;
  if (!standardRows_) return track_.KeyAt(index);
  if (fixedNoteOn()) return track_.endTime() > 0 ? track_.KeyAt(0) : fixedNote();
  return findKind(folderComponent(folder_, 2))->keys[index];
}

std::string Looper::exportTitle() const {
  std::string title = folderComponent(folder_, 1) + "\\" + displayName(file_);
  std::replace(title.begin(), title.end(), ' ', '_');
  std::replace(title.begin(), title.end(), '-', '_');
  return title;
}

// ---- Parameters

std::int32_t Looper::getParameter(int index) const {
  switch (index) {
    case kVelocityAdjust: return velocityAdjust_.load(std::memory_order_relaxed);
    case kDynamicsStrength: return dynamicsStrength_;
    case kTimeOffset: return timeOffset_.load(std::memory_order_relaxed);
    case kNoteOffset: return noteOffset_.load(std::memory_order_relaxed);
    default: return 0;
  }
}

void Looper::setParameter(int index, std::int32_t value) {
  switch (index) {
    case kVelocityAdjust:
      velocityAdjust_.store(std::clamp(value, -127, 127), std::memory_order_relaxed);
      rebuildCurve();
      break;
    case kDynamicsStrength:
      dynamicsStrength_ = std::clamp(value, 0, 100);
      rebuildCurve();
      break;
    case kTimeOffset:
      timeOffset_.store(value, std::memory_order_relaxed);
      break;
    case kNoteOffset:
      noteOffset_.store(std::clamp(value, -127, 127), std::memory_order_relaxed);
      return;
    default:
      return;
  }
  if (view_) view_->repaintParameters();
}

void Looper::resetParameters() {
  velocityAdjust_.store(0, std::memory_order_relaxed);
  noteOffset_.store(0, std::memory_order_relaxed);
  drumMap_.reset();
  timeOffset_.store(0, std::memory_order_relaxed);
  dynamicsStrength_ = 100;
  const std::uint32_t mask = strokesMask_;
  setStrokesMax(mask ? 31 - std::countl_zero(mask) : -1, true);
  setStrokesMin(mask ? std::countr_zero(mask) : -1, true);
  rebuildCurve();
  refreshView();
}

// ---- Velocity statistics and curve

void Looper::updateVelocityStats() {
  int lowest = 127, highest = 0, count = 0;
  long sum = 0;
  std::int32_t first = -1;
  for (const MidiEvent& e : track_) {
    if (!e.isNote()) continue;
    if (first < 0 || e.time < first) first = e.time;
    const int v = e.data2 & 0x7F;
    lowest = std::min(lowest, v);
    highest = std::max(highest, v);
    sum += v;
    ++count;
  }
  const auto quarter = static_cast<std::int32_t>(track_.division());
  firstBeat_.store(first > 0 && quarter > 0 ? std::min(first / quarter % 4, 3) : 0, std::memory_order_relaxed);
  if (count == 0) {
    minVelocity_ = 1, maxVelocity_ = 127, avgVelocity_ = 64;
    return;
  }
  minVelocity_ = static_cast<std::int8_t>(lowest);
  maxVelocity_ = static_cast<std::int8_t>(highest);
  avgVelocity_ = static_cast<std::int8_t>(sum / count);
}

// The curve is built in a copy outside the lock and copied in under it, so the render pass waits
// only for the copy.
void Looper::rebuildCurve() {
  VeloTransformer c = curve_;
  using V = VeloTransformer;
  const std::int32_t adjust = velocityAdjust_.load(std::memory_order_relaxed);
  c.setParamConstrained(V::kFloor, engine_.getVeloMin(), false);
  c.setParamConstrained(V::kCeiling, engine_.getVeloMax(), false);
  c.setParamConstrained(V::kLowX, minVelocity_ + adjust, false);
  c.setParamConstrained(V::kHighX, maxVelocity_ + adjust, false);
  c.setParamConstrained(V::kStrength, engine_.getVeloDyn() * dynamicsStrength_ / 100, false);
  std::int32_t centre = avgVelocity_;
  const std::int32_t p = engine_.getVeloCenterPC();
  if (p > 0) centre += (c.param(V::kHighX) - centre - 1) * p / 100;
  else centre -= (c.param(V::kLowX) - centre + 1) * p / 100;
  c.setParamConstrained(V::kCenterX, centre, false);
  c.normalize();
  c.rebuild();
  std::lock_guard guard(lock_);
  curve_ = c;
}

// ---- Exchange

namespace {

template <typename T>
void exchangeAtomic(std::atomic<T>& a, std::atomic<T>& b) {
  const T value = a.load(std::memory_order_relaxed);
  a.store(b.load(std::memory_order_relaxed), std::memory_order_relaxed);
  b.store(value, std::memory_order_relaxed);
}

}  // namespace

void Looper::exchangeContent(Looper& other) {
  if (&other == this) return;
  {
    std::scoped_lock guard(lock_, other.lock_);
    std::swap(track_, other.track_);
    std::swap(curve_, other.curve_);
    exchangeAtomic(muted_, other.muted_);
    exchangeAtomic(velocityAdjust_, other.velocityAdjust_);
    exchangeAtomic(timeOffset_, other.timeOffset_);
    exchangeAtomic(noteOffset_, other.noteOffset_);
    exchangeAtomic(fixedNoteOn_, other.fixedNoteOn_);
    exchangeAtomic(fixedNote_, other.fixedNote_);
    exchangeAtomic(firstBeat_, other.firstBeat_);
    const DrumMap map = drumMap_;
    drumMap_.assign(other.drumMap_);
    other.drumMap_.assign(map);
    resetRenderState();
    other.resetRenderState();
  }
  // The IDRC switch and the stroke limits belong to the slice, not to the loop; limits chosen
  // for another folder or variation range go with that range, as choosing one resets them.
  if (folder_ != other.folder_ || patternGroup_ != other.patternGroup_) {
    std::swap(strokesMax_, other.strokesMax_);
    std::swap(strokesMin_, other.strokesMin_);
  }
  std::swap(ownEvents_, other.ownEvents_);
  std::swap(edited_, other.edited_);
  std::swap(strokesMask_, other.strokesMask_);
  std::swap(patternGroup_, other.patternGroup_);
  std::swap(groupMask_, other.groupMask_);
  std::swap(dynamicsStrength_, other.dynamicsStrength_);
  std::swap(minVelocity_, other.minVelocity_);
  std::swap(maxVelocity_, other.maxVelocity_);
  std::swap(avgVelocity_, other.avgVelocity_);
  std::swap(signature_, other.signature_);
  std::swap(folder_, other.folder_);
  std::swap(file_, other.file_);
  if (view_) view_->refreshPattern(true);
  if (other.view_) other.view_->refreshPattern(true);
}

}  // namespace velmora
