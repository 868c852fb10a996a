#include "frame/MfxFilter.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "engine/EngineProcess.h"
#include "engine/EngineTrace.h"
#include "frame/NoteNameAdapters.h"
#include "host/CWUpdater.h"
#include "host/HostFrame.h"
#include "host/HostIntegration.h"
#include "host/HostWindows.h"
#include "hostapi/ClassIds.h"
#include "frame/ComStream.h"

namespace velmora {

// The host's records are the engine's event encodings, byte for byte.
static_assert(sizeof(MfxEventRecord::bytes) == kEventRecordSize && sizeof(MfxInputRecord::bytes) == kShortMessageSize);

namespace {

// The host's stream for saving, keeping its first failure: a write it refuses, or cuts short
// while reporting success. The host must learn that its project was not saved.
class HostStreamWriter final : public CUniStream {
 public:
  explicit HostStreamWriter(IStream* stream) : stream_(stream) {}
  std::uint32_t write(const void* buffer, std::uint32_t count) override {
    ULONG written = count;
    const HRESULT result = stream_->Write(buffer, count, &written);
    if (SUCCEEDED(failure_) && (FAILED(result) || written < count)) failure_ = FAILED(result) ? result : E_FAIL;
    return written;
  }
  HRESULT failure() const { return failure_; }

 private:
  IStream* stream_;
  HRESULT failure_ = S_OK;
};
// Every two seconds each connected engine follows its host track. One per process, from the first
// filter object made to the last one destroyed. [main-thread]
class TrackFollower final : public host::CWUpdater {
 public:
  void work() override {
    std::lock_guard guard(EngineProcess::enginesLock());
    for (Tamborak* engine : EngineProcess::connectedEngines())
      if (auto* link = dynamic_cast<FilterHostLink*>(engine->hostLink())) link->followTrack();
  }
  bool hasWork() override {
    std::lock_guard guard(EngineProcess::enginesLock());
    return !EngineProcess::connectedEngines().empty();
  }
};

struct Followers {
  std::int32_t filters = 0;
  std::unique_ptr<TrackFollower> follower;
};

Followers& followers() {
  static Followers state;
  return state;
}

// A window's input and output: the host's queues. The record read last is kept for passing it on.
class QueueWindow final : public EventSource, public EventSink {
 public:
  QueueWindow(IMfxEventQueue* in, IMfxEventQueue* out) : in_(in), out_(out) {
    std::int32_t count = 0;
    if (in_ && SUCCEEDED(in_->getCount(&count))) count_ = static_cast<std::size_t>(std::max(count, 0));
  }
  std::size_t size() const override { return count_; }
  bool get(std::size_t index, MidiEvent& event) const override {
    if (FAILED(in_->getAt(static_cast<std::int32_t>(index), &last_))) return false;
    lastIndex_ = index;
    event = MidiEvent::decode(last_.bytes);
    return true;
  }
  void emit(const MidiEvent& event) override {
    if (!out_) return;
    MfxEventRecord record;
    event.encode(record.bytes);
    out_->add(&record);
  }
  void pass(std::size_t index) override {
    if (!out_) return;
    if (index != lastIndex_ && FAILED(in_->getAt(static_cast<std::int32_t>(index), &last_))) return;
    out_->add(&last_);
  }

 private:
  IMfxEventQueue* in_;
  IMfxEventQueue* out_;
  std::size_t count_ = 0;
  mutable MfxEventRecord last_{};
  mutable std::size_t lastIndex_ = SIZE_MAX;
};

}  // namespace

// ---- MfxSong

bool MfxSong::take(IUnknown& context) {
  const HRESULT found = context.QueryInterface(IID_IMfxTimeConverter, reinterpret_cast<void**>(timeConverter_.put())) |
                        context.QueryInterface(IID_IMfxMeterMap, reinterpret_cast<void**>(meterMap_.put()));
  if (SUCCEEDED(found)) return true;
  release();
  return false;
}

void MfxSong::release() {
  timeConverter_.reset();
  meterMap_.reset();
}

std::int32_t MfxSong::ticksPerQuarter() { return timeConverter_ ? timeConverter_->getTicksPerQuarter() : 0; }

bool MfxSong::firstTempo(std::int32_t& tempo) {
  MfxTime start = 0;
  return timeConverter_ && SUCCEEDED(timeConverter_->getTempo(0, &start, &tempo));
}

std::int32_t MfxSong::meterIndexAt(SongTick tick) { return meterMap_ ? meterMap_->meterIndexAt(tick) : 0; }

bool MfxSong::meter(std::int32_t index, Meter& meter) {
  return meterMap_ && SUCCEEDED(meterMap_->getMeter(index, &meter.measure, &meter.numerator, &meter.denominatorPower));
}

SongTick MfxSong::mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) {
  return meterMap_ ? meterMap_->mbtToTicks(measure, beat, tick) : 0;
}

bool MfxSong::ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) {
  return meterMap_ && SUCCEEDED(meterMap_->ticksToMbt(ticks, &measure, &beat, &tick));
}

// ---- FilterHostLink

// With the host integration the track information knows the position; without it the host's
// position field shows it as bar, beat and tick. Unknown: 0.
SongTick FilterHostLink::nowTicks() {
  if (host::hostIntegrationOn()) return track_.nowTime();
  if (!engine_.connected()) return 0;
  std::int32_t bar = 0, beat = 0, tick = 0;
  if (!host::hostPosition(bar, beat, tick)) return 0;
  return song_.mbtToTicks(bar, beat, tick);
}

// Always without the host integration; with it, only while the engine's project is the host's
// active view.
bool FilterHostLink::transportReachable() { return !host::hostIntegrationOn() || track_.isActiveView(); }

bool FilterHostLink::togglePlayback() { return host::postHostCommand(host::kPlayStopCommand); }

bool FilterHostLink::detachedFromSequencer() { return !host::hostIntegrationOn() || !engine_.isMfxFilter(); }

void FilterHostLink::followTrack() {
  if (!engine_.isMfxFilter()) return;
  if (!track_.isActiveView()) track_.attach(pluginAddress_);
  engine_.setOutput(track_.bank(-1), track_.portIndex());
}

// ---- MfxFilter

MfxFilter::MfxFilter(Tamborak& engine) : engine_(engine), face_(*static_cast<IMfxEventFilter*>(this), engine) {
  link_.setPluginAddress(reinterpret_cast<std::uintptr_t>(static_cast<IMfxEventFilter*>(this)));
  Followers& state = followers();
  if (state.filters++ == 0) state.follower = std::make_unique<TrackFollower>();
}

MfxFilter::~MfxFilter() {
  Followers& state = followers();
  if (--state.filters == 0) state.follower.reset();
}

host::CWUpdater* MfxFilter::trackFollower() { return followers().follower.get(); }

MfxFilter* MfxFilter::of(Tamborak& engine) {
  auto* link = dynamic_cast<FilterHostLink*>(engine.hostLink());
  return link ? &link->owner() : nullptr;
}

void* MfxFilter::queryFace(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMfxEventFilter) return static_cast<IMfxEventFilter*>(this);
  if (iid == IID_IPersistStream || iid == IID_IPersist) return static_cast<IPersistStream*>(this);
  if (iid == IID_ISpecifyPropertyPages) return static_cast<ISpecifyPropertyPages*>(this);
  if (iid == IID_ITamborak) return static_cast<ITamborak*>(&face_);
  return nullptr;
}

HRESULT MfxFilter::Connect(IUnknown* context) {
  HRESULT result = E_UNEXPECTED;
  if (engine_.allSlicesPresent()) {
    context_.reset(context);
    // The instrument definitions of a context being replaced go with it.
    engine_.noteNameSets().setHostLists(nullptr);
    bool found = false;
    if (context) {
      found = song_.take(*context);
      ComRef<IMfxNoteNameSource> source;
      if (SUCCEEDED(context->QueryInterface(IID_IMfxNoteNameSource, reinterpret_cast<void**>(source.put())))) {
        ComRef<IMfxNoteNameLists> lists;
        if (source->getNoteNameLists(lists.put()) == S_OK) engine_.noteNameSets().setHostLists(hostNoteNameLists(lists.get()));
      }
    }
    if (!found) {
      song_.release();
      context_.reset();
      engine_.refuseHost();
      result = E_FAIL;
    } else {
      ComRef<IMfxOfflineMarker> offline;
      const bool offlineEdit =
          SUCCEEDED(context->QueryInterface(IID_IMfxOfflineMarker, reinterpret_cast<void**>(offline.put())));
      offline.reset();
      engine_.connect(song_, offlineEdit);
      result = S_OK;
    }
  }
  if (context) context->Release();
  return result;
}

HRESULT MfxFilter::Disconnect() {
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  engine_.disconnect();
  song_.release();
  context_.reset();
  return S_OK;
}

HRESULT MfxFilter::OnStart(MfxTime time, IMfxEventQueue*) {
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  engine_.start(time);
  return S_OK;
}

HRESULT MfxFilter::OnLoop(MfxTime restartTime, MfxTime stopTime, IMfxEventQueue*) {
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  engine_.loop(restartTime, stopTime);
  return S_OK;
}

HRESULT MfxFilter::OnStop(MfxTime time, IMfxEventQueue*) {
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  engine_.stop(time);
  return S_OK;
}

HRESULT MfxFilter::OnEvents(MfxTime fromTime, MfxTime thruTime, IMfxEventQueue* inQueue, IMfxEventQueue* outQueue) {
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  QueueWindow window(inQueue, outQueue);
  engine_.process(fromTime, thruTime, window, window);
  return S_OK;
}

HRESULT MfxFilter::OnInput(IMfxInputQueue* inQueue, IMfxInputQueue* outQueue) {
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  engineTrace("INPUT\n");
  std::int32_t count = 0;
  if (!inQueue || FAILED(inQueue->getCount(&count))) return S_OK;
  for (std::int32_t i = 0; i < count; ++i) {
    MfxInputRecord record{};
    if (FAILED(inQueue->getAt(i, &record))) continue;
    const TimedShortMessage message = TimedShortMessage::decode(record.bytes);
    if ((message.status & 0xF0) == 0x90 && message.data2 != 0 && engine_.triggerKey(message.data1, true)) continue;
    if (outQueue) outQueue->add(&record);
  }
  return S_OK;
}

HRESULT MfxFilter::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  pages->cElems = 1;
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
  if (!pages->pElems) return E_OUTOFMEMORY;
  pages->pElems[0] = CLSID_TamborakPanel;
  return S_OK;
}

HRESULT MfxFilter::GetClassID(CLSID* classId) {
  if (!classId) return E_POINTER;
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  *classId = CLSID_Tamborak;
  return S_OK;
}

HRESULT MfxFilter::IsDirty() { return engine_.allSlicesPresent() ? S_OK : E_UNEXPECTED; }

HRESULT MfxFilter::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  UniStream<IStream*> in(stream);
  engine_.readState(in);
  engine_.changed("Tamborak::Load");
  return S_OK;
}

HRESULT MfxFilter::Save(IStream* stream, BOOL) {
  if (!stream) return E_POINTER;
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  HostStreamWriter out(stream);
  engine_.writeState(out);
  return out.failure();
}

HRESULT MfxFilter::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  if (!engine_.allSlicesPresent()) return E_UNEXPECTED;
  CUniStream counter;
  engine_.writeState(counter);
  size->QuadPart = counter.bytesWritten();
  return S_OK;
}

}  // namespace velmora
