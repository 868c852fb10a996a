// The engine object: construction and destruction, its COM faces, and the host's connection.
#include "engine/Tamborak.h"

#include "hostapi/ClassIds.h"

#include <new>

#include "engine/EngineProcess.h"
#include "engine/EngineTrace.h"
#include "engine/ReadyPads.h"
#include "host/HostIntegration.h"
#include "host/HostWindows.h"
#include "engine/WarningDialog.h"
#include "frame/NoteNameAdapters.h"
#include "io/UniRegistry.h"
#include "library/LibraryFolders.h"
#include "library/PatternSignature.h"
#include "library/PatternTree.h"
#include "loops/Looper.h"
#include "loops/QuickPadBank.h"
#include "platform/CrtRand.h"
#include "platform/System.h"

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

Tamborak::Tamborak(bool isMfxFilter) : isMfxFilter_(isMfxFilter), quickPads_(std::make_unique<OwnPadBank>(*this)) {
  EngineProcess::addEngine();
  EngineProcess::registerViewsSetLoopIdx();
  uiTarget_ = platform::UiQueue::main().createTarget(
      [this](platform::UiMessage message, std::uintptr_t w, std::intptr_t l) { onEngineMessage(message, w, l); });
  displayMinVelo_ = settings::getProfileInt(settings::kDisplayMinVelo);
  crtSrand(platform::millisecondClock());
  if (isMfxFilter_) host::startHostIntegration(EngineProcess::settingsKey());

  emptySet_ = buildReadySet(nullptr);
  for (int i = 0; i < kSliceCount; ++i)
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
  for (int i = kSliceCount - 1; i >= 0; --i)
    if (slices_[i]) slices_[i]->setFolder(volume + defaultPartFolder(i));
  if (slices_[kSlotKick]) setVolume(folderComponent(slices_[kSlotKick]->folder(), 0));
  setPatternGroup(0, true);
}

Tamborak::~Tamborak() {
  storeGlobals();
  platform::UiQueue::main().destroyTarget(uiTarget_);
  for (std::unique_ptr<Looper>& slice : slices_) slice.reset();
  releaseHost();
  EngineProcess::removeEngine();
}

void* Tamborak::queryFace(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMfxEventFilter) return static_cast<IMfxEventFilter*>(this);
  if (iid == IID_IPersistStream || iid == IID_IPersist) return static_cast<IPersistStream*>(this);
  if (iid == IID_ISpecifyPropertyPages) return static_cast<ISpecifyPropertyPages*>(this);
  return nullptr;
}


bool Tamborak::allSlicesPresent() const {
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (!slice) return false;
  return true;
}

// ---- Host connection

void Tamborak::useNoteNamesOf(std::shared_ptr<const PadNameSource> pads) {
  noteNamesProvider_.scanFolder(libraryFolders().noteNames);
  selectNoteNames(std::string(kGeneralMidiDrumsTitle));
  if (!pads) return;
  noteNamesProvider_.setPadSource(std::move(pads));
  selectNoteNames(std::string(kPadDrumsTitle));
}

HRESULT Tamborak::Connect(IUnknown* context) {
  HRESULT result = E_UNEXPECTED;
  if (allSlicesPresent()) {
    hostContext_.reset(context);
    // The instrument definitions of a context being replaced go with it.
    noteNamesProvider_.setHostLists(nullptr);
    HRESULT found = E_FAIL;
    if (context) {
      found = context->QueryInterface(IID_IMfxTimeConverter, reinterpret_cast<void**>(timeConverter_.put())) |
              context->QueryInterface(IID_IMfxMeterMap, reinterpret_cast<void**>(meterMap_.put()));
      ComRef<IMfxNoteNameSource> source;
      if (SUCCEEDED(context->QueryInterface(IID_IMfxNoteNameSource, reinterpret_cast<void**>(source.put())))) {
        ComRef<IMfxNoteNameLists> lists;
        if (source->getNoteNameLists(lists.put()) == S_OK) noteNamesProvider_.setHostLists(hostNoteNameLists(lists.get()));
      }
    }
    if (FAILED(found)) {
      // Nothing of this host is kept, its instrument definitions neither, and an engine that was
      // connected before is no longer.
      noteNamesProvider_.setHostLists(nullptr);
      releaseHost();
      connected_ = false;
      result = E_FAIL;
    } else {
      startWindow(nullptr);
      EngineProcess::join(*this);
      noteNamesProvider_.scanFolder(libraryFolders().noteNames);
      selectNoteNames(std::string(kGeneralMidiDrumsTitle));
      connected_ = true;
      ComRef<IMfxOfflineMarker> offline;
      if (SUCCEEDED(context->QueryInterface(IID_IMfxOfflineMarker, reinterpret_cast<void**>(offline.put())))) {
        offline.reset();
        warnOffline();
      }
      result = S_OK;
    }
  }
  if (context) context->Release();
  return result;
}

HRESULT Tamborak::Disconnect() {
  if (!allSlicesPresent()) return E_UNEXPECTED;
  while (!views_.empty()) {
    TamborakView* view = views_.front();
    view->detach();
    removeView(view);  // in case the view did not leave by itself
  }
  noteNamesProvider_.clear();
  releaseHost();
  connected_ = false;
  return S_OK;
}

void Tamborak::releaseHost() {
  timeConverter_.reset();
  meterMap_.reset();
  EngineProcess::leave(*this);
  hostContext_.reset();
}

void Tamborak::warnOffline() {
  CWarningDlg warning(kOfflineWarning, settings::kWarnOffline.entry);
  warning.showIfWanted(prompt_, "Tamborak");
}

HRESULT Tamborak::OnStart(MfxTime time, IMfxEventQueue*) {
  if (!allSlicesPresent()) return E_UNEXPECTED;
  engineTrace("START at %d\n", time);
  playing_ = true;
  return S_OK;
}

HRESULT Tamborak::OnLoop(MfxTime restartTime, MfxTime stopTime, IMfxEventQueue*) {
  if (!allSlicesPresent()) return E_UNEXPECTED;
  engineTrace("LOOP restart at %d, stop at %d\n", restartTime, stopTime);
  return S_OK;
}

HRESULT Tamborak::OnStop(MfxTime time, IMfxEventQueue*) {
  if (!allSlicesPresent()) return E_UNEXPECTED;
  engineTrace("STOP at %d\n", time);
  playing_ = false;
  return S_OK;
}

// With the host integration the track information knows the position; without it the host's
// position field shows it as bar, beat and tick. Unknown: 0.
MfxTime Tamborak::getNowTime() {
  if (host::hostIntegrationOn()) return trackInfo_.nowTime();
  if (!hostContext_) return 0;
  std::int32_t bar = 0, beat = 0, tick = 0;
  if (!host::hostPosition(bar, beat, tick) || !meterMap_) return 0;
  return meterMap_->mbtToTicks(bar, beat, tick);
}

// ---- Property pages and persistence

HRESULT Tamborak::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  if (!allSlicesPresent()) return E_UNEXPECTED;
  pages->cElems = 1;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_TamborakPanel;
  return S_OK;
}

HRESULT Tamborak::GetClassID(CLSID* classId) {
  if (!classId) return E_POINTER;
  if (!allSlicesPresent()) return E_UNEXPECTED;
  *classId = CLSID_Tamborak;
  return S_OK;
}

HRESULT Tamborak::IsDirty() { return allSlicesPresent() ? S_OK : E_UNEXPECTED; }

}  // namespace velmora
