#include "frame/TamborakFace.h"

namespace velmora {

HRESULT TamborakFace::addView(TamborakView* view) {
  return engine_.addView(view) ? S_OK : S_FALSE;
}

void TamborakFace::removeView(TamborakView* view) {
  engine_.removeView(view);
}

HRESULT TamborakFace::updatePlayPositions() {
  return engine_.updatePlayPositions() ? S_OK : S_FALSE;
}

HRESULT TamborakFace::Random(Looper* slice) {
  switch (engine_.compose(slice)) {
    case ComposeResult::kComposed: return S_OK;
    case ComposeResult::kStuck: return S_FALSE;
    case ComposeResult::kNoSlices: break;
  }
  return E_UNEXPECTED;
}

Looper* TamborakFace::getSlice(std::int32_t index) {
  return engine_.getSlice(index);
}

std::string TamborakFace::getLoopsFolder() {
  return engine_.getLoopsFolder();
}

std::string TamborakFace::getDrumMapsFolder() {
  return engine_.getDrumMapsFolder();
}

bool TamborakFace::saveLoop(CUniStream& stream, bool markSaved) {
  return engine_.saveLoop(stream, markSaved);
}

bool TamborakFace::LoadLoop(CUniStream& stream, int notify) {
  return engine_.LoadLoop(stream, notify);
}

void TamborakFace::clearLoop() {
  engine_.clearLoop();
}

HRESULT TamborakFace::ResetPars() {
  engine_.ResetPars();
  return S_OK;
}

void TamborakFace::setDrumMap(const DrumMap& map) {
  engine_.setDrumMap(map);
}

DrumMap* TamborakFace::getDrumMap() {
  return engine_.getDrumMap();
}

void TamborakFace::drumMapChanged() {
  engine_.drumMapChanged();
}

void TamborakFace::setOutput(std::int32_t channel, std::int32_t port) {
  engine_.setOutput(channel, port);
}

std::int32_t TamborakFace::getOutput(std::int32_t* channel, std::int32_t* port) {
  return engine_.getOutput(channel, port);
}

void TamborakFace::setExportBars(std::int32_t count) {
  engine_.setExportBars(count);
}

std::int32_t TamborakFace::getExportBars() {
  return engine_.getExportBars();
}

HRESULT TamborakFace::dragLoop() {
  switch (engine_.dragLoop()) {
    case platform::DragResult::kDropped: return S_OK;
    case platform::DragResult::kCancelled: return S_FALSE;
    case platform::DragResult::kFailed: break;
  }
  return E_FAIL;
}

void TamborakFace::setLoopIdx(std::int32_t index, bool immediate, std::int32_t returnMode) {
  engine_.setLoopIdx(index, immediate, returnMode);
}

std::int32_t TamborakFace::getLoopIdx() {
  return engine_.getLoopIdx();
}

void TamborakFace::setExportOption(std::int32_t value) {
  engine_.setExportOption(value);
}

std::int32_t TamborakFace::getExportOption() {
  return engine_.getExportOption();
}

void TamborakFace::setTriggerLowKey(std::int32_t key) {
  engine_.setTriggerLowKey(key);
}

std::int32_t TamborakFace::getTriggerLowKey() {
  return engine_.getTriggerLowKey();
}

void TamborakFace::setTriggerEnabled(bool on) {
  engine_.setTriggerEnabled(on);
}

bool TamborakFace::getTriggerEnabled() {
  return engine_.getTriggerEnabled();
}

void TamborakFace::setRestartOnChange(bool on) {
  engine_.setRestartOnChange(on);
}

bool TamborakFace::getRestartOnChange() {
  return engine_.getRestartOnChange();
}

bool TamborakFace::isDetachedFromSequencer() {
  return engine_.isDetachedFromSequencer();
}

HRESULT TamborakFace::togglePlayback() {
  return engine_.togglePlayback() ? S_OK : S_FALSE;
}

void TamborakFace::changed(const char* name) {
  engine_.changed(name);
}

void TamborakFace::setSwingPc(std::int32_t value, bool notify) {
  engine_.setSwingPc(value, notify);
}

std::int32_t TamborakFace::getSwingPc() const {
  return engine_.getSwingPc();
}

void TamborakFace::setSwingDurIdx(std::int32_t value, bool notify) {
  engine_.setSwingDurIdx(value, notify);
}

std::int32_t TamborakFace::getSwingDurIdx() const {
  return engine_.getSwingDurIdx();
}

std::int32_t TamborakFace::getSwingDivision() const {
  return engine_.getSwingDivision();
}

void TamborakFace::setVeloDyn(std::int32_t value, bool notify) {
  engine_.setVeloDyn(value, notify);
}

std::int32_t TamborakFace::getVeloDyn() const {
  return engine_.getVeloDyn();
}

void TamborakFace::setVeloCenterPC(std::int32_t value, bool notify) {
  engine_.setVeloCenterPC(value, notify);
}

std::int32_t TamborakFace::getVeloCenterPC() const {
  return engine_.getVeloCenterPC();
}

std::int32_t TamborakFace::getNotesLimit() const {
  return engine_.getNotesLimit();
}

void TamborakFace::setHumanizeVelo(std::int32_t value, bool notify) {
  engine_.setHumanizeVelo(value, notify);
}

std::int32_t TamborakFace::getHumanizeVelo() const {
  return engine_.getHumanizeVelo();
}

void TamborakFace::setHumanizeVeloTrend(std::int32_t value, bool notify) {
  engine_.setHumanizeVeloTrend(value, notify);
}

std::int32_t TamborakFace::getHumanizeVeloTrend() const {
  return engine_.getHumanizeVeloTrend();
}

void TamborakFace::setQuantize(bool on, bool notify) {
  engine_.setQuantize(on, notify);
}

bool TamborakFace::getQuantize() const {
  return engine_.getQuantize();
}

void TamborakFace::setVeloMin(std::int32_t value) {
  engine_.setVeloMin(value);
}

std::int32_t TamborakFace::getVeloMin() const {
  return engine_.getVeloMin();
}

void TamborakFace::setVeloMax(std::int32_t value) {
  engine_.setVeloMax(value);
}

std::int32_t TamborakFace::getVeloMax() const {
  return engine_.getVeloMax();
}

HRESULT TamborakFace::fillInstrumentFlatCombo(FlatComboBox* combo) {
  if (!combo) return E_POINTER;
  engine_.fillInstrumentFlatCombo(*combo);
  return S_OK;
}

HRESULT TamborakFace::fillInstrumentCombo(ComboBox* combo) {
  if (!combo) return E_POINTER;
  engine_.fillInstrumentCombo(*combo);
  return S_OK;
}

HRESULT TamborakFace::onInstrumentCombo(ComboBox* combo) {
  if (!combo) return E_POINTER;
  return engine_.onInstrumentCombo(*combo) ? S_OK : S_FALSE;
}

HRESULT TamborakFace::onInstrumentFlatCombo(FlatComboBox* combo) {
  if (!combo) return E_POINTER;
  return engine_.onInstrumentFlatCombo(*combo) ? S_OK : S_FALSE;
}

void TamborakFace::selectNoteNames(const std::string& title) {
  engine_.selectNoteNames(title);
}

NoteNames* TamborakFace::getNoteNames() {
  return engine_.getNoteNames();
}

PatternTree& TamborakFace::getPatternLibrary() {
  return engine_.getPatternLibrary();
}

void TamborakFace::setVolume(const std::string& name) {
  engine_.setVolume(name);
}

void TamborakFace::setPatternGroup(std::int32_t value, bool apply) {
  engine_.setPatternGroup(value, apply);
}

std::int32_t TamborakFace::getPatternGroup() const {
  return engine_.getPatternGroup();
}

std::string TamborakFace::getVolumeName() {
  return engine_.getVolumeName();
}

bool TamborakFace::isMfxFilter() {
  return engine_.isMfxFilter();
}

}  // namespace velmora
