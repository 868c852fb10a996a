// The engine object: construction and destruction, and the host's connection.
#include "engine/Tamborak.h"

#include <new>

#include "engine/EngineProcess.h"
#include "engine/EngineTrace.h"
#include "engine/ReadyPads.h"
#include "engine/WarningDialog.h"
#include "io/UniRegistry.h"
#include "library/LibraryFolders.h"
#include "library/PatternSignature.h"
#include "library/PatternTree.h"
#include "loops/Looper.h"
#include "loops/QuickPadBank.h"
#include "platform/CrtRand.h"
#include "platform/System.h"
#include "platform/ThreadRole.h"

namespace velmora {

namespace {

// The fixed notes of the three percussion slices a new engine starts with (all muted).
constexpr int kPercussionNotes[3] = {67, 73, 61};

constexpr char kOfflineWarning[] =
    "Tamborak is not simply an effect being applied to selected MIDI events in Edit (\"off-line\") mode. It is "
    "the full-featured real time MIDI plug-in for creating and playing drum loops and can be properly used only "
    "as Real-Time Effect assigned to a Cakewalk track.\n\nYou can assign Tamborak plug-in in Effects field of "
    "Cakewalk MIDI track.\n\nFor details see \"Using Real-Time Effects\" in Cakewalk Help.";

}  // namespace

// The engine's quick pads: a bank of loop blocks that pad switching stores into and recalls
// from, through the engine's own loop operations.
class Tamborak::OwnPadBank final : public QuickPadHost {
 public:
  explicit OwnPadBank(Tamborak& engine) : engine_(engine) { bank_.bind(*this); }
  bool saveLoop(CUniStream& stream, bool markSaved) override { return engine_.saveLoop(stream, markSaved); }
  bool LoadLoop(CUniStream& stream, int notify) override { return engine_.LoadLoop(stream, notify); }
  void clearLoop() override { engine_.clearLoop(); }
  QuickPadBank& bank() { return bank_; }

 private:
  Tamborak& engine_;
  QuickPadBank bank_;
};

QuickPadBank& Tamborak::quickPads() { return quickPads_->bank(); }

Tamborak::Tamborak(bool isMfxFilter, HostLink* hostLink)
    : isMfxFilter_(isMfxFilter), hostLink_(hostLink), quickPads_(std::make_unique<OwnPadBank>(*this)) {
  EngineProcess::addEngine();
  EngineProcess::registerViewsSetLoopIdx();
  uiTarget_ = platform::UiQueue::main().createTarget(
      [this](platform::UiMessage message, std::uintptr_t w, std::intptr_t l) { onEngineMessage(message, w, l); });
  displayMinVelo_ = settings::getProfileInt(settings::kDisplayMinVelo);
  crtSrand(platform::millisecondClock());

  emptySet_ = buildReadySet(nullptr);
  for (int i = 0; i < kPartCount; ++i)
    if (!EngineProcess::sliceCreationFails(i)) slices_[i].reset(new (std::nothrow) Looper(*this));
  for (int i = 0; i < kSliceCount; ++i) {
    Looper* slice = slices_[i].get();
    if (!slice) continue;
    if (i < 3) {
      slice->setMutedSilently(true);
      slice->setFixedNote(kPercussionNotes[i]);
    }
    savedMute_[i] = slice->muted();
  }
  const std::string volume = patternTree().firstVolumePath();
  for (int i = kPartCount - 1; i >= 0; --i)
    if (slices_[i]) slices_[i]->setFolder(volume + defaultPartFolder(i));
  if (slices_[kSlotKick]) setVolume(folderComponent(slices_[kSlotKick]->folder(), 0));
  setPatternGroup(0, true);
}

Tamborak::~Tamborak() {
  storeGlobals();
  platform::UiQueue::main().destroyTarget(uiTarget_);
  // The slices' views go first: each lets go of its slice.
  for (std::unique_ptr<SliceAdapter>& view : sliceApis_) view.reset();
  for (std::unique_ptr<Looper>& slice : slices_) slice.reset();
  releaseHost();
  EngineProcess::removeEngine();
}

bool Tamborak::allSlicesPresent() const {
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (!slice) return false;
  return true;
}

// ---- Host connection

void Tamborak::scanNoteNameFolders() {
  const LibraryFolders folders = libraryFolders();
  noteNamesProvider_.scanFolders({folders.noteNames, folders.kitNoteNames});
}

void Tamborak::useNoteNamesOf(std::shared_ptr<const PadNameSource> pads) {
  scanNoteNameFolders();
  selectNoteNames(std::string(kGeneralMidiDrumsTitle));
  if (!pads) return;
  noteNamesProvider_.setPadSource(std::move(pads));
  selectNoteNames(std::string(kPadDrumsTitle));
}

void Tamborak::connect(SongHost& song, bool offline) {
  TAMBORAK_ASSERT_NOT_AUDIO();
  song_ = &song;
  startWindow(nullptr);
  EngineProcess::join(*this);
  scanNoteNameFolders();
  selectNoteNames(std::string(kGeneralMidiDrumsTitle));
  connected_ = true;
  if (offline) warnOffline();
}

void Tamborak::refuseHost() {
  noteNamesProvider_.setHostLists(nullptr);
  releaseHost();
  connected_ = false;
}

void Tamborak::disconnect() {
  TAMBORAK_ASSERT_NOT_AUDIO();
  while (!views_.empty()) {
    TamborakView* view = views_.front();
    view->detach();
    removeView(view);  // in case the view did not leave by itself
  }
  noteNamesProvider_.clear();
  releaseHost();
  connected_ = false;
}

void Tamborak::releaseHost() {
  EngineProcess::leave(*this);
  song_ = nullptr;
}

void Tamborak::warnOffline() {
  CWarningDlg warning(kOfflineWarning, settings::kWarnOffline.entry);
  warning.showIfWanted(prompt_, "Tamborak");
}

void Tamborak::start(SongTick time) {
  TAMBORAK_ASSERT_NOT_UI();
  platform::AudioScope audio;
  engineTrace("START at %d\n", time);
  keepLiveFillAt(time);
  playing_ = true;
}

void Tamborak::loop(SongTick restartTime, SongTick stopTime) {
  TAMBORAK_ASSERT_NOT_UI();
  platform::AudioScope audio;
  engineTrace("LOOP restart at %d, stop at %d\n", restartTime, stopTime);
  keepLiveFillAt(restartTime);
}

void Tamborak::stop(SongTick time) {
  TAMBORAK_ASSERT_NOT_UI();
  platform::AudioScope audio;
  engineTrace("STOP at %d\n", time);
  playing_ = false;
}

SongTick Tamborak::getNowTime() { return hostLink_ ? hostLink_->nowTicks() : 0; }

}  // namespace velmora
