// The Windows host's faces of one engine: IMfxEventFilter, ISpecifyPropertyPages, IPersistStream
// and ITamborak. Each call is checked here (every slice present, null pointers) and translated
// into the engine's API: the host context becomes the engine's song (MfxSong), event queues become
// its window source and sink, the host's stream its state block. The host's transport and track
// are reached through the host integration (FilterHostLink). Reference counting belongs to the
// object that derives from this class (the filter, the drum-sampler link).
#pragma once

#include <cstdint>

#include "engine/HostLink.h"
#include "engine/SongHost.h"
#include "engine/Tamborak.h"
#include "frame/TamborakFace.h"
#include "host/CCWTrackInfo.h"
#include "host/CWUpdater.h"
#include "hostapi/ComRef.h"
#include "hostapi/MfxHost.h"

namespace velmora {

// The song of a host context: its time converter and meter map. [any-thread, real-time safe]
class MfxSong final : public SongHost {
 public:
  // Takes both faces from `context`; false (and neither kept) unless it has both.
  bool take(IUnknown& context);
  void release();

  std::int32_t ticksPerQuarter() override;
  bool firstTempo(std::int32_t& tempo) override;
  std::int32_t meterIndexAt(SongTick tick) override;
  bool meter(std::int32_t index, Meter& meter) override;
  SongTick mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override;
  bool ticksToMbt(SongTick ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override;

 private:
  ComRef<IMfxTimeConverter> timeConverter_;
  ComRef<IMfxMeterMap> meterMap_;
};

class MfxFilter;

// The host's transport and the engine's track, through the host integration when it is on and
// through the host's windows otherwise. [main-thread unless said otherwise]
class FilterHostLink final : public HostLink {
 public:
  FilterHostLink(MfxFilter& owner, Tamborak& engine, SongHost& song) : owner_(owner), engine_(engine), song_(song) {}
  // The filter faces this link belongs to. [any-thread]
  MfxFilter& owner() { return owner_; }
  // The address the host knows the plug-in by (its filter face), to find its track with.
  void setPluginAddress(std::uintptr_t address) { pluginAddress_ = address; }

  // [main-thread; nowTicks also on the host's input thread]
  SongTick nowTicks() override;
  bool transportReachable() override;
  bool togglePlayback() override;
  bool detachedFromSequencer() override;
  // A filter engine takes its host track's port and bank as its output; an engine whose project
  // is not the host's active one searches for its track anew. [main-thread, engines lock taken]
  void followTrack();
  // What the host tells of the engine's track (only while the host integration is on).
  host::CCWTrackInfo& trackInfo() { return track_; }

 private:
  MfxFilter& owner_;
  Tamborak& engine_;
  SongHost& song_;
  host::CCWTrackInfo track_;
  std::uintptr_t pluginAddress_ = 0;
};

class MfxFilter : public IMfxEventFilter, public ISpecifyPropertyPages, public IPersistStream {
 public:
  // `engine` may still be under construction: it is only kept here. `owner` answers the
  // reference counting of every face. [main-thread]
  MfxFilter(Tamborak& engine);
  MfxFilter(const MfxFilter&) = delete;
  MfxFilter& operator=(const MfxFilter&) = delete;

  // The face that answers `iid` (IUnknown: the filter face), or nullptr; no reference added.
  // [any-thread]
  void* queryFace(REFIID iid);
  // The timer that lets every connected engine follow its host track: one per process while
  // some filter object lives, else nullptr. [main-thread]
  static host::CWUpdater* trackFollower();
  // The filter faces of `engine`, when it was made behind them; else nullptr. [any-thread]
  static MfxFilter* of(Tamborak& engine);
  // The host link to construct the engine with. [any-thread]
  FilterHostLink* filterLink() { return &link_; }

  // ---- IMfxEventFilter
  // [main-thread, not real-time safe]
  STDMETHOD(Connect)(IUnknown* context) override;
  STDMETHOD(Disconnect)() override;
  // [audio-thread]
  STDMETHOD(OnStart)(MfxTime time, IMfxEventQueue* rewindQueue) override;
  STDMETHOD(OnLoop)(MfxTime restartTime, MfxTime stopTime, IMfxEventQueue* loopQueue) override;
  STDMETHOD(OnStop)(MfxTime time, IMfxEventQueue* shutdownQueue) override;
  // [audio-thread, real-time safe: no allocation, no I/O; the engine's pad lock]
  STDMETHOD(OnEvents)(MfxTime fromTime, MfxTime thruTime, IMfxEventQueue* inQueue, IMfxEventQueue* outQueue) override;
  // Live input: trigger notes select pads at once; everything else passes on.
  // [any-thread: the host's input thread]
  STDMETHOD(OnInput)(IMfxInputQueue* inQueue, IMfxInputQueue* outQueue) override;

  // ---- ISpecifyPropertyPages [main-thread]
  STDMETHOD(GetPages)(CAUUID* pages) override;

  // ---- IPersistStream [main-thread, not real-time safe]
  STDMETHOD(GetClassID)(CLSID* classId) override;
  STDMETHOD(IsDirty)() override;
  STDMETHOD(Load)(IStream* stream) override;
  STDMETHOD(Save)(IStream* stream, BOOL clearDirty) override;
  STDMETHOD(GetSizeMax)(ULARGE_INTEGER* size) override;

 protected:
  ~MfxFilter();

 private:
  Tamborak& engine_;
  ComRef<IUnknown> context_;
  MfxSong song_;
  FilterHostLink link_{*this, engine_, song_};
  TamborakFace face_;
};

}  // namespace velmora
