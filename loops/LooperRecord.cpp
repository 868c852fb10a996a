// The slice record (versions 1 to 6) and the slice's composing record.
//
// A record is read whole into locals first and applied only when it is complete, so a short or
// damaged record never leaves a slice half overwritten.
#include <algorithm>

#include "io/Record.h"
#include "library/PatternTree.h"
#include "loops/Looper.h"

namespace velmora {

namespace {

constexpr std::uint32_t kOwnEvents = 1, kEdited = 2;

}  // namespace

void Looper::save(CUniStream& stream) const {
  using namespace record;
  putI32(stream, kRecordVersion);
  putText(stream, folder_);
  putText(stream, file_);
  putI32(stream, muted() ? 1 : 0);
  putI32(stream, velocityAdjust_.load(std::memory_order_relaxed));
  putI32(stream, noteOffset_.load(std::memory_order_relaxed));
  for (int i = 0; i < 3; ++i) putI32(stream, 0);
  putI32(stream, fixedNoteOn() ? 1 : 0);
  drumMap_.save(stream);
  putI32(stream, timeOffset_.load(std::memory_order_relaxed));
  putI32(stream, dynamicsStrength_);
  putU8(stream, fixedNote());
  putU32(stream, (ownEvents_ ? kOwnEvents : 0) | (edited_ ? kEdited : 0));
  if (ownEvents_) track_.SaveSmf(stream);
}

bool Looper::load(CUniStream& stream) {
  using namespace record;
  std::int32_t version, muted, velocityAdjust, noteOffset, reserved;
  std::string folder, file;
  if (!getI32(stream, version) || !getText(stream, folder, kMaxNameLength) || !getText(stream, file, kMaxNameLength) ||
      !getI32(stream, muted) || !getI32(stream, velocityAdjust) || !getI32(stream, noteOffset))
    return false;
  for (int i = 0; version >= 2 && i < 3; ++i)
    if (!getI32(stream, reserved)) return false;
  std::int32_t fixedOn = fixedNoteOn() ? 1 : 0;
  DrumMap map = drumMap_;
  if (version >= 3 && (!getI32(stream, fixedOn) || !map.load(stream))) return false;
  std::int32_t timeOffset = timeOffset_.load(std::memory_order_relaxed), strength = dynamicsStrength_;
  if (version >= 4 && (!getI32(stream, timeOffset) || !getI32(stream, strength))) return false;
  std::uint8_t fixed = fixedNote();
  if (version >= 5 && !getU8(stream, fixed)) return false;
  std::uint32_t flags = 0;
  if (version >= 6 && !getU32(stream, flags)) return false;
  CMidiTrack events;
  if ((flags & kOwnEvents) && events.LoadSmf(stream) != 0) return false;

  muted_.store(muted != 0, std::memory_order_relaxed);
  velocityAdjust_.store(std::clamp(velocityAdjust, -127, 127), std::memory_order_relaxed);
  noteOffset_.store(std::clamp(noteOffset, -127, 127), std::memory_order_relaxed);
  fixedNoteOn_.store(fixedOn != 0, std::memory_order_relaxed);
  drumMap_.assign(map);
  timeOffset_.store(timeOffset, std::memory_order_relaxed);
  dynamicsStrength_ = std::clamp(strength, 0, 100);
  fixedNote_.store(fixed, std::memory_order_relaxed);
  ownEvents_ = (flags & kOwnEvents) != 0;
  edited_ = (flags & kEdited) != 0;
  CMidiTrack empty;
  swapTrack(empty);

  std::string normalised = folder;
  if (engine_.getPatternLibrary().normalizePath(normalised, 3)) {
    loadPattern(folder, file, true);
  } else {
    // The folder left the library: the slice keeps its folder but names no pattern, since it
    // holds none from the library.
    file_.clear();
    signature_ = PatternSignature();
    if (!file.empty() && !ownEvents_) engine_.patternNotLoaded(*this, folder, file, false);
  }
  if (ownEvents_) swapTrack(events);
  updateVelocityStats();
  rebuildCurve();
  refreshPatternLimits();
  refreshView();
  return true;
}

void Looper::saveIdrc(CUniStream& stream) const {
  record::putI32(stream, 1);
  record::putU8(stream, idrcOff_ ? 1 : 0);
  record::putI32(stream, strokesMax_);
  record::putI32(stream, strokesMin_);
}

bool Looper::loadIdrc(CUniStream& stream) {
  std::int32_t version, strokesMax, strokesMin;
  std::uint8_t off;
  if (!record::getI32(stream, version) || !record::getU8(stream, off) || !record::getI32(stream, strokesMax) ||
      !record::getI32(stream, strokesMin))
    return false;
  idrcOff_ = off != 0;
  strokesMax_ = strokesMax;
  strokesMin_ = strokesMin;
  refreshView();
  return true;
}

}  // namespace velmora
