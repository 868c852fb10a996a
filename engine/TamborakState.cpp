// Engine persistence: the state block (the whole engine: the host's project, the registry value
// "Last"), the settings block (also the registry value "Globals") and the loop block.
//
//   state block:    version 11 | quick-pad bank | loopIdx | swingPc | veloDyn | veloCenterPc
//                   | humanizeVelo | quantize (0 or 1) | settings block | loop block with IDRC
//   settings block: version 11 | drum map | note-names title | outChannel (1) | outPort (1)
//                   | exportBars (4) | exportOption (1) | triggerEnabled (1) | triggerLowKey (1)
//                   | veloMin (1) | veloMax (1) | restartOnChange (1)
//
// Integers are 4 bytes little-endian unless a width is given; one-byte values are signed and
// widened when read. A block is taken only when its version, compared unsigned, is above 10. The
// swing grid is not stored (it follows the volume of the loop), nor is the velocity trend.
#include <utility>

#include "engine/EngineProcess.h"
#include "engine/ReadyPads.h"
#include "engine/Tamborak.h"
#include "io/Record.h"
#include "io/UniRegistry.h"
#include "loops/QuickPadBank.h"
#include "platform/ThreadRole.h"

namespace velmora {

namespace {

constexpr std::uint32_t kBlockVersion = 11;
constexpr std::uint32_t kOldestRefused = 10;

bool acceptedVersion(CUniStream& in) {
  std::uint32_t version = 0;
  return record::getU32(in, version) && version > kOldestRefused;
}

bool getI8(CUniStream& in, std::int32_t& value) {
  std::uint8_t byte;
  if (!record::getU8(in, byte)) return false;
  value = static_cast<std::int8_t>(byte);
  return true;
}

void putI8(CUniStream& out, std::int32_t value) { record::putU8(out, static_cast<std::uint8_t>(value)); }

}  // namespace

struct Tamborak::SettingsRecord {
  DrumMap drumMap;
  std::string noteNamesTitle;
  std::int32_t outChannel = 0, outPort = 0, exportBars = 0, exportOption = 0, triggerEnabled = 0,
               triggerLowKey = 0, veloMin = 0, veloMax = 0, restartOnChange = 0;

  bool parse(CUniStream& in) {
    return acceptedVersion(in) && drumMap.load(in) && record::getText(in, noteNamesTitle, kMaxStoredTitle) &&
           getI8(in, outChannel) && getI8(in, outPort) && record::getI32(in, exportBars) && getI8(in, exportOption) &&
           getI8(in, triggerEnabled) && getI8(in, triggerLowKey) && getI8(in, veloMin) && getI8(in, veloMax) &&
           getI8(in, restartOnChange);
  }
};

struct Tamborak::StateRecord {
  QuickPadBank bank;  // unbound: only its entries are taken
  std::int32_t loopIdx = 0, swingPc = 0, veloDyn = 0, veloCenterPc = 0, humanizeVelo = 0, quantize = 0;
  SettingsRecord settings;
  std::string loop;  // the loop block with IDRC records, checked whole

  bool parse(CUniStream& in) {
    return acceptedVersion(in) && bank.load(in) && record::getI32(in, loopIdx) && loopIdx >= 0 &&
           loopIdx < kPadCount && record::getI32(in, swingPc) && record::getI32(in, veloDyn) &&
           record::getI32(in, veloCenterPc) && record::getI32(in, humanizeVelo) && record::getI32(in, quantize) &&
           settings.parse(in) && copyLoopBlock(in, true, loop);
  }
};

// ---- State block

void Tamborak::writeState(CUniStream& stream) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  if (!allSlicesPresent()) return;
  // The slices hold the loop of slicesPad_; a switch the render pass began and the user-interface
  // thread has not completed yet is written as not begun, so pad and slices agree.
  const std::int32_t pad = slicesPad_;
  quickPads().storePad(pad);
  record::putU32(stream, kBlockVersion);
  quickPads().save(stream);
  record::putI32(stream, pad);
  record::putI32(stream, swingPc_);
  record::putI32(stream, veloDyn_);
  record::putI32(stream, veloCenterPc_);
  record::putI32(stream, humanizeVelo_);
  record::putI32(stream, quantize_ ? 1 : 0);
  writeSettings(stream);
  writeLoop(stream, true);
}

bool Tamborak::readState(CUniStream& stream) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  if (!allSlicesPresent()) return false;
  auto state = std::make_unique<StateRecord>();
  if (!state->parse(stream)) return false;
  applyState(*state);
  return true;
}

void Tamborak::applyState(StateRecord& state) {
  quickPads().swapEntries(state.bank);
  tellViews(state.loopIdx, loopIdx_);
  {
    std::lock_guard guard(padLock_);
    loopIdx_ = state.loopIdx;
    slicesPad_ = state.loopIdx;
    returnLoopIdx_ = -1;
    returnMode_ = 0;
  }
  liveSwitchPending_ = false;
  setSwingPc(state.swingPc, false);
  setVeloDyn(state.veloDyn, false);
  setVeloCenterPC(state.veloCenterPc, false);
  setHumanizeVelo(state.humanizeVelo, false);
  setQuantize(state.quantize != 0, false);
  applySettings(state.settings);
  // Reading a loop restarts its slices: the loop already playing is not read again (a panel
  // that mirrors the engine sends the whole state for every change of a control).
  std::string playing;
  CUniString current(playing);
  writeLoop(current, true);
  if (playing != state.loop) {
    CUniMemoryReader loop(state.loop.data(), static_cast<std::uint32_t>(state.loop.size()));
    readLoop(loop, true);
  }
  rebuildReadySets();
}

void Tamborak::rebuildReadySets() {
  std::array<std::unique_ptr<ReadySet>, kPadCount> sets;
  for (std::int32_t pad = 0; pad < kPadCount; ++pad)
    if (const QuickPadBank::Entry* entry = quickPads().find(pad); entry && pad != slicesPad_)
      sets[static_cast<std::size_t>(pad)] = buildReadySet(&entry->loop);
  {
    std::lock_guard guard(padLock_);
    std::swap(ready_, sets);
  }
  // The sets replaced are freed here, outside the lock.
}

// ---- Settings block

void Tamborak::writeSettings(CUniStream& stream) {
  record::putU32(stream, kBlockVersion);
  drumMap_.save(stream);
  noteNames_.saveTitle(stream);
  putI8(stream, outChannel_);
  putI8(stream, outPort_);
  record::putI32(stream, exportBars_);
  putI8(stream, exportOption_);
  putI8(stream, triggerEnabled_ ? 1 : 0);
  putI8(stream, triggerLowKey_);
  putI8(stream, veloMin_);
  putI8(stream, veloMax_);
  putI8(stream, restartOnChange_ ? 1 : 0);
}

bool Tamborak::readSettings(CUniStream& stream) {
  auto settings = std::make_unique<SettingsRecord>();
  if (!settings->parse(stream)) return false;
  applySettings(*settings);
  return true;
}

void Tamborak::applySettings(const SettingsRecord& settings) {
  drumMap_ = settings.drumMap;
  refreshViews(TamborakView::Item::kDrumMap);
  selectNoteNames(settings.noteNamesTitle);
  setOutput(settings.outChannel, settings.outPort);
  setExportBars(settings.exportBars);
  setExportOption(settings.exportOption);
  setTriggerEnabled(settings.triggerEnabled != 0);
  setTriggerLowKey(settings.triggerLowKey);
  setVeloMin(settings.veloMin);
  setVeloMax(settings.veloMax);
  setRestartOnChange(settings.restartOnChange != 0);
}

// ---- Loop block

void Tamborak::writeLoop(CUniStream& stream, bool withIdrc) {
  if (allSlicesPresent()) writeLoopBlock(stream, loopSlices(), patternGroup_, withIdrc, phrase());
}

bool Tamborak::readLoop(CUniStream& stream, bool withIdrc) {
  if (!allSlicesPresent()) return false;
  struct Target final : LoopBlockTarget {
    explicit Target(Tamborak& e) : engine(e) {}
    void takePatternGroup(std::int32_t group) override { engine.setPatternGroup(group, false); }
    void takeVolume(const std::string& name) override { engine.selectVolumeSilently(name); }
    void takePhrase(const PhraseSettings& phrase) override { engine.takePhrase(phrase); }
    Tamborak& engine;
  } target(*this);
  if (!readLoopBlock(stream, loopSlices(), withIdrc, target)) return false;
  refreshViews(TamborakView::Item::kLoop);
  return true;
}

std::string Tamborak::stateBlock() {
  std::string bytes;
  CUniString stream(bytes);
  writeState(stream);
  return bytes;
}

bool Tamborak::readStateBlock(const void* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return false;
  CUniMemoryReader reader(data, static_cast<std::uint32_t>(size));
  return readState(reader);
}

// ---- Registry values

void Tamborak::storeLast() {
  CUniRegistry last(EngineProcess::settingsKey(), settings::kLast);
  writeState(last);
}

void Tamborak::storeGlobals() {
  if (!globalsRead_) return;
  CUniRegistry globals(EngineProcess::settingsKey(), settings::kGlobals);
  writeSettings(globals);
}

void Tamborak::loadStored(bool copyLast) {
  const std::string key = EngineProcess::settingsKey();
  {
    CUniRegistry globals(key, settings::kGlobals);
    if (!globals.isEmpty()) readSettings(globals);
    globalsRead_ = true;
  }
  if (!copyLast) return;
  CUniRegistry last(key, settings::kLast);
  if (!last.isEmpty()) readState(last);
}

}  // namespace velmora
