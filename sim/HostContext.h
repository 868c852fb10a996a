// The simulated host context handed to a filter's Connect: the time converter and meter map of a
// Song, and, when asked for, the note-name source with instrument definitions and the off-line
// marker. Every face shares the context's one reference count.
// [any-thread, one at a time: the simulated host's]
#pragma once

#include <string>
#include <vector>

#include "hostapi/MfxHost.h"
#include "sim/ComObject.h"
#include "engine/Song.h"

namespace velmora::sim {

// The song a simulated host plays.
using Song = velmora::Song;

// One instrument definition: a title and note names by index (key).
struct InstrumentSet {
  std::string name;
  std::vector<std::string> notes;
  bool failName = false;       // getName fails
  bool failNoteCount = false;  // getNoteCount fails
};

// One instrument definition as the host hands it out.
class NoteNameList final : public ComObject<IMfxNoteNameList> {
 public:
  explicit NoteNameList(InstrumentSet set) : set_(std::move(set)) {}
  STDMETHOD(getName)(char* buffer, std::int32_t size) override;
  STDMETHOD(getNoteCount)(std::int32_t* count) override;
  STDMETHOD(getNoteName)(std::int32_t index, char* buffer, std::int32_t size) override;

 private:
  ~NoteNameList() override = default;
  void* face(REFIID iid) override;
  InstrumentSet set_;
};

// The host's list of instrument definitions; each getItem hands out a fresh item.
class NoteNameLists final : public ComObject<IMfxNoteNameLists> {
 public:
  STDMETHOD(getCount)(std::int32_t* count) override;
  STDMETHOD(getItem)(std::int32_t index, IMfxNoteNameList** item) override;

  std::vector<InstrumentSet> sets;
  bool failCount = false;  // getCount fails

 private:
  ~NoteNameLists() override = default;
  void* face(REFIID iid) override;
};

struct HostOptions {
  bool timeConverter = true;
  bool meterMap = true;
  bool noteNameSource = false;       // offer the note-name source
  bool noteNameSourceFails = false;  // its getNoteNameLists fails
  bool offline = false;              // offer the off-line marker (an off-line edit)
};

class HostContext final
    : public ComObject<IMfxTimeConverter, IMfxMeterMap, IMfxNoteNameSource, IMfxOfflineMarker> {
 public:
  explicit HostContext(Song song = Song(), HostOptions options = {});

  // The context as its identity, to hand to Connect.
  IUnknown* unknown() { return static_cast<IMfxTimeConverter*>(this); }
  const Song& song() const { return song_; }
  // The instrument definitions the note-name source offers (edit before connecting).
  NoteNameLists& instruments() { return *instruments_.get(); }

  STDMETHOD(reserved1)() override { return E_NOTIMPL; }
  STDMETHOD(reserved2)() override { return E_NOTIMPL; }
  STDMETHOD_(std::int32_t, getTicksPerQuarter)() override { return song_.ticksPerQuarter(); }
  STDMETHOD(reserved4)() override { return E_NOTIMPL; }
  STDMETHOD(reserved5)() override { return E_NOTIMPL; }
  STDMETHOD(getTempo)(std::int32_t index, MfxTime* startTick, std::int32_t* tempo) override;

  STDMETHOD(ticksToMbt)(MfxTime ticks, std::int32_t* measure, std::int32_t* beat, std::int32_t* tick) override;
  STDMETHOD_(MfxTime, mbtToTicks)(std::int32_t measure, std::int32_t beat, std::int32_t tick) override {
    return song_.mbtToTicks(measure, beat, tick);
  }
  STDMETHOD_(std::int32_t, meterIndexAt)(MfxTime ticks) override { return song_.meterIndexAt(ticks); }
  STDMETHOD(getMeter)(std::int32_t index, std::int32_t* measure, std::int32_t* numerator,
                      std::int32_t* denominatorPower) override;

  STDMETHOD(getNoteNameLists)(IMfxNoteNameLists** lists) override;

 private:
  ~HostContext() override = default;
  void* face(REFIID iid) override;

  Song song_;
  HostOptions options_;
  ComRef<NoteNameLists> instruments_;
};

// Connects `filter` to `context` the way a host does: the filter receives a reference of its own.
// Gives the filter's result. [main-thread]
HRESULT connect(IMfxEventFilter& filter, HostContext& context);

}  // namespace velmora::sim
