#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

#include "sim/ComObject.h"
#include "sim/HostContext.h"
#include "sim/Queues.h"
#include "sim/Transport.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

// A filter of the test's own: keeps the context as the contract says, passes every input on,
// emits a note at every tick divisible by 97 and a controller when stopped. With `holdQueues` it
// keeps a reference to the last output queue, as a faulty filter would.
class EchoFilter final : public ComObject<IMfxEventFilter> {
 public:
  void* face(REFIID iid) override {
    return iid == IID_IUnknown || iid == IID_IMfxEventFilter ? static_cast<IMfxEventFilter*>(this) : nullptr;
  }
  STDMETHOD(Connect)(IUnknown* c) override {
    context.reset(c);
    ComRef<IMfxTimeConverter> time;
    const HRESULT hr = c->QueryInterface(IID_IMfxTimeConverter, reinterpret_cast<void**>(time.put()));
    if (time) ticksPerQuarter = time->getTicksPerQuarter();
    c->Release();
    return hr;
  }
  STDMETHOD(Disconnect)() override {
    context.reset();
    return S_OK;
  }
  STDMETHOD(OnStart)(MfxTime, IMfxEventQueue*) override { return S_OK; }
  STDMETHOD(OnLoop)(MfxTime, MfxTime, IMfxEventQueue*) override { return S_OK; }
  STDMETHOD(OnStop)(MfxTime time, IMfxEventQueue* out) override {
    MidiEvent allOff;
    allOff.time = time;
    allOff.type = kEventController;
    allOff.data1 = 123;
    MfxEventRecord r;
    allOff.encode(r.bytes);
    return out->add(&r);
  }
  STDMETHOD(OnEvents)(MfxTime from, MfxTime thru, IMfxEventQueue* in, IMfxEventQueue* out) override {
    std::int32_t count = 0;
    if (in->getCount(&count) < 0) count = 0;
    MfxEventRecord r;
    for (std::int32_t i = 0; i < count; ++i)
      if (in->getAt(i, &r) >= 0) out->add(&r);
    for (MfxTime t = from; t <= thru; ++t) {
      if (t % 97 != 0) continue;
      MidiEvent note;
      note.time = t;
      note.data1 = 36;
      note.data2 = 100;
      note.duration = 10;
      note.encode(r.bytes);
      out->add(&r);
    }
    if (holdQueues) held.reset(out);
    return S_OK;
  }
  STDMETHOD(OnInput)(IMfxInputQueue* in, IMfxInputQueue* out) override {
    std::int32_t count = 0;
    if (in->getCount(&count) < 0) return S_OK;
    MfxInputRecord r;
    for (std::int32_t i = 0; i < count; ++i)
      if (in->getAt(i, &r) >= 0) out->add(&r);
    return S_OK;
  }

  ComRef<IUnknown> context;
  std::int32_t ticksPerQuarter = 0;
  bool holdQueues = false;
  ComRef<IMfxEventQueue> held;
};

// 3/4, then 7/8 from measure 3, then 4/4 from measure 5 (starts at ticks 0, 2880 and 6240).
Song changingMeters() { return Song(480).meter(1, 3, 4).meter(3, 7, 8).meter(5, 4, 4); }

}  // namespace

TEST(SimMeterMap, ConvertsAcrossMeterChangesThroughTheHostInterface) {
  ComRef<HostContext> host = create<HostContext>(changingMeters());
  ComRef<IMfxMeterMap> map;
  ASSERT_EQ(host->QueryInterface(IID_IMfxMeterMap, reinterpret_cast<void**>(map.put())), S_OK);

  const std::tuple<MfxTime, int, int, int, int> cases[] = {
      // ticks, measure, beat, tick, meter index
      {0, 1, 1, 0, 0},      {479, 1, 1, 479, 0},  {1440, 2, 1, 0, 0},   {2879, 2, 3, 479, 0},
      {2880, 3, 1, 0, 1},   {3120, 3, 2, 0, 1},   {4559, 3, 7, 239, 1}, {4560, 4, 1, 0, 1},
      {6239, 4, 7, 239, 1}, {6240, 5, 1, 0, 2},   {8160, 6, 1, 0, 2},   {-1, 0, 3, 479, 0},
      {-1440, 0, 1, 0, 0},  {-1441, -1, 3, 479, 0},
  };
  for (const auto& [ticks, measure, beat, tick, index] : cases) {
    std::int32_t m = 0, b = 0, t = 0;
    ASSERT_EQ(map->ticksToMbt(ticks, &m, &b, &t), S_OK);
    EXPECT_EQ(std::tie(m, b, t), std::tie(measure, beat, tick)) << ticks;
    EXPECT_EQ(map->mbtToTicks(measure, beat, tick), ticks) << ticks;
    EXPECT_EQ(map->meterIndexAt(ticks), index) << ticks;
  }
  // Beats past the bar run on in the measure's meter.
  EXPECT_EQ(map->mbtToTicks(3, 8, 0), 4560);

  const std::tuple<int, int, int, int> meters[] = {{0, 1, 3, 2}, {1, 3, 7, 3}, {2, 5, 4, 2}};
  for (const auto& [index, measure, numerator, power] : meters) {
    std::int32_t m = 0, n = 0, p = 0;
    ASSERT_EQ(map->getMeter(index, &m, &n, &p), S_OK);
    EXPECT_EQ(std::tie(m, n, p), std::tie(measure, numerator, power));
  }
  std::int32_t m, n, p;
  EXPECT_LT(map->getMeter(3, &m, &n, &p), 0);
  EXPECT_LT(map->getMeter(-1, &m, &n, &p), 0);

  ComRef<IMfxTimeConverter> time;
  ASSERT_EQ(host->QueryInterface(IID_IMfxTimeConverter, reinterpret_cast<void**>(time.put())), S_OK);
  EXPECT_EQ(time->getTicksPerQuarter(), 480);
  MfxTime start = -1;
  std::int32_t tempo = 0;
  EXPECT_EQ(time->getTempo(0, &start, &tempo), S_OK);
  EXPECT_EQ(std::tie(start, tempo), std::make_tuple(0, 12000));
  EXPECT_LT(time->getTempo(1, &start, &tempo), 0);

  EXPECT_THROW(Song(480).meter(1, 4, 3), std::invalid_argument);  // not a power of two
  EXPECT_THROW(Song(1).meter(1, 4, 8), std::invalid_argument);    // half-tick beats
  EXPECT_THROW(Song(480).meter(0, 4, 4), std::invalid_argument);
}

TEST(SimTransport, WindowsCoverTheRangeExactlyWhateverTheirSize) {
  std::vector<MidiEvent> reference;
  for (MfxTime size : {1, 7, 480, 1920}) {
    const Recording rec = Transport::play(*create<EchoFilter>(), -13, 3850, size);
    const auto windows = rec.windows();
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(windows.front().first, -13);
    EXPECT_EQ(windows.back().second, 3850);
    for (std::size_t i = 0; i < windows.size(); ++i) {
      const MfxTime length = windows[i].second - windows[i].first + 1;
      if (i + 1 < windows.size()) {
        EXPECT_EQ(length, size);
        EXPECT_EQ(windows[i + 1].first, windows[i].second + 1);
      } else {
        EXPECT_TRUE(length >= 1 && length <= size);
      }
    }
    EXPECT_EQ(rec.calls.front().kind, Call::kStart);
    EXPECT_EQ(rec.calls.back().kind, Call::kStop);
    EXPECT_EQ(rec.calls.back().first, 3851);
    const auto notes = rec.eventList(true);
    if (reference.empty()) reference = notes;
    EXPECT_EQ(notes, reference) << size;
    EXPECT_EQ(rec.eventList().back().type, kEventController);
  }
  EXPECT_EQ(reference.size(), 40u);  // -0 .. 3783 in steps of 97
  EXPECT_THROW(Transport(*create<EchoFilter>()).run(0, 10, 0), std::invalid_argument);
}

TEST(SimTransport, LoopsJumpsAndInputReachTheFilterInOrder) {
  ComRef<EchoFilter> filter = create<EchoFilter>();
  const Recording looped = Transport::playLooped(*filter, 0, 960, 1919, 3, 480);
  std::vector<std::tuple<Call::Kind, MfxTime, MfxTime>> calls;
  for (const Call& c : looped.calls) calls.emplace_back(c.kind, c.first, c.second);
  using C = Call;
  const std::vector<std::tuple<Call::Kind, MfxTime, MfxTime>> expected = {
      {C::kStart, 0, 0},       {C::kEvents, 0, 479},     {C::kEvents, 480, 959},   {C::kEvents, 960, 1439},
      {C::kEvents, 1440, 1919}, {C::kLoop, 960, 1920},   {C::kEvents, 960, 1439},  {C::kEvents, 1440, 1919},
      {C::kLoop, 960, 1920},   {C::kEvents, 960, 1439},  {C::kEvents, 1440, 1919}, {C::kStop, 1920, 0}};
  EXPECT_EQ(calls, expected);

  Transport t(*filter);
  MidiEvent trackNote;
  trackNote.time = 500;
  trackNote.channel = 3;
  trackNote.data1 = 64;
  t.feed(trackNote);
  t.feedLive({700, 0x90, 60, 90});
  t.feedLive({5000, 0x90, 61, 90});  // never reached
  t.start(0);
  t.run(0, 959, 480);
  t.jump(3840);
  t.run(3840, 4000, 480);
  t.stop();
  const Recording& rec = t.recording();
  ASSERT_EQ(rec.calls.size(), 8u);
  EXPECT_EQ(rec.calls[2].kind, Call::kInput);  // before the window holding tick 700
  EXPECT_EQ(rec.calls[3].first, 480);
  EXPECT_EQ(std::tie(rec.calls[4].kind, rec.calls[4].first), std::make_tuple(Call::kStop, 960));
  EXPECT_EQ(std::tie(rec.calls[5].kind, rec.calls[5].first), std::make_tuple(Call::kStart, 3840));
  EXPECT_EQ(rec.calls[7].first, 4001);
  EXPECT_EQ(rec.input, (std::vector<TimedShortMessage>{{700, 0x90, 60, 90}}));
  const auto echoed = std::find_if(rec.events.begin(), rec.events.end(),
                                   [&](const Emitted& e) { return e.event == trackNote; });
  ASSERT_NE(echoed, rec.events.end());
  EXPECT_EQ(echoed->call, 3u);
  EXPECT_EQ(t.position(), 4001);
}

TEST(SimHost, ReferencesAreCountedAndReleased) {
  const std::int32_t before = liveObjects();
  {
    HostOptions options;
    options.noteNameSource = true;
    ComRef<HostContext> host = create<HostContext>(Song(96), options);
    host->instruments().sets = {{"Kit", {"36", "Kick"}}, {"Broken", {}, true, false}};
    ComRef<EchoFilter> filter = create<EchoFilter>();
    ASSERT_EQ(connect(*filter, *host), S_OK);
    EXPECT_EQ(filter->ticksPerQuarter, 96);
    EXPECT_EQ(host->refCount(), 2u);  // the test's and the filter's
    filter->Disconnect();
    EXPECT_EQ(host->refCount(), 1u);

    // Faces offered by options only; each successful query adds one reference to the one count.
    void* face = nullptr;
    EXPECT_EQ(host->QueryInterface(IID_IMfxOfflineMarker, &face), E_NOINTERFACE);
    EXPECT_EQ(face, nullptr);
    EXPECT_EQ(host->QueryInterface(IID_IMfxEventFilter, nullptr), E_POINTER);
    ComRef<IMfxNoteNameSource> source;
    ASSERT_EQ(host->QueryInterface(IID_IMfxNoteNameSource, reinterpret_cast<void**>(source.put())), S_OK);
    EXPECT_EQ(host->refCount(), 2u);
    ComRef<IMfxNoteNameLists> lists;
    ASSERT_EQ(source->getNoteNameLists(lists.put()), S_OK);
    ComRef<IMfxNoteNameList> item;
    ASSERT_EQ(lists->getItem(1, item.put()), S_OK);
    char name[8];
    EXPECT_LT(item->getName(name, sizeof name), 0);
    ASSERT_EQ(lists->getItem(0, item.put()), S_OK);
    ASSERT_EQ(item->getName(name, 3), S_OK);
    EXPECT_STREQ(name, "Ki");  // cut to the buffer
    EXPECT_EQ(lists->getItem(2, item.put()), E_INVALIDARG);
    EXPECT_FALSE(item);

    ComRef<HostContext> offline = create<HostContext>(Song(), HostOptions{false, true, false, false, true});
    EXPECT_EQ(offline->QueryInterface(IID_IMfxOfflineMarker, &face), S_OK);
    static_cast<IUnknown*>(face)->Release();
    EXPECT_EQ(offline->QueryInterface(IID_IMfxTimeConverter, &face), E_NOINTERFACE);

    // A filter that keeps a queue past its call is reported; queues round-trip their records.
    filter->holdQueues = true;
    EXPECT_EQ(Transport::play(*filter, 0, 99, 50).queuesHeld, 2u);
    filter->held.reset();
    ComRef<EventQueue> queue = create<EventQueue>();
    MidiEvent e;
    e.time = -7;
    e.type = kEventPitchWheel;
    e.setWheelValue(-8192);
    e.duration = 0xDEADBEEF;
    MfxEventRecord r;
    e.encode(r.bytes);
    queue->add(&r);
    queue->failingIndices = {0};
    EXPECT_LT(queue->getAt(0, &r), 0);
    queue->failingIndices.clear();
    MfxEventRecord back{};
    ASSERT_EQ(queue->getAt(0, &back), S_OK);
    EXPECT_EQ(MidiEvent::decode(back.bytes), e);
    EXPECT_EQ(filter->refCount(), 1u);
  }
  EXPECT_EQ(liveObjects(), before);
}
