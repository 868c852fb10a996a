// The drum-sampler link driven by a simulated sampler: it plays the notes the engine plays in a
// MIDI host as pad triggers at their samples, scaled by the run's volume; it attaches only to
// the sampler, stops and starts with its transport, and carries the engine's state.
#include <gtest/gtest.h>

#include "frame/TamborakDR.h"
#include "loops/Looper.h"
#include "midi/NoteNames.h"
#include "sim/DrSampler.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

using DrTest = test::EngineTest;

ComRef<IDrObject> makeLink() {
  ComRef<IDrObject> link;
  EXPECT_EQ(TamborakDR::create(IID_IDrObject, reinterpret_cast<void**>(link.put())), S_OK);
  return link;
}
TamborakDR& linkOf(const ComRef<IDrObject>& face) { return static_cast<TamborakDR&>(*face.get()); }

DrTransport startAt(std::int32_t offset, std::int32_t value) {
  DrTransport t{};
  t.playing = 1;
  t.eventCount = 1;
  t.events[0] = {kDrStart, value, offset};
  return t;
}

}  // namespace

TEST(DrRunVolume, ScalesFromTheRangesBottomThroughItsTopToHalfAgainAbove) {
  struct Case {
    std::int32_t lo, hi, value, volume;
  };
  for (const Case& c : {Case{30, 127, 1, 30}, Case{30, 127, 100, 127}, Case{30, 127, 127, 175}, Case{30, 127, 50, 79},
                        Case{1, 64, 32, 64}, Case{1, 64, 1, 1}, Case{1, 64, 127, 95}, Case{1, 1, 0, 1}, Case{127, 127, 200, 127}})
    EXPECT_EQ(drRunVolume(c.lo, c.hi, c.value), c.volume) << c.lo << ".." << c.hi << " at " << c.value;
}

TEST_F(DrTest, PlaysTheEnginesNotesAsPadTriggersAtTheirSamples) {
  // The loop, and what a MIDI host hears of it at 240 ticks per quarter.
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  fillLoop(e);
  std::string state;
  CUniString out(state);
  e.writeState(out);
  ComRef<HostContext> host = create<HostContext>(Song(240));
  ASSERT_EQ(connect(*face, *host), S_OK);
  const std::vector<MidiEvent> notes = Transport::play(*face, 0, 3 * 960 - 1, 60).eventList(true);
  ASSERT_GT(notes.size(), 20u);

  ComRef<IDrObject> link = makeLink();
  TamborakDR& dr = linkOf(link);
  char name[32];
  ASSERT_EQ(dr.getName(name, sizeof name), S_OK);
  EXPECT_STREQ(name, "Velmora Tamborak");
  ComRef<DrHost> notSampler = create<DrHost>(false, true), sampler = create<DrHost>();
  EXPECT_EQ(dr.attach(notSampler->unknown()), E_FAIL);
  ASSERT_EQ(dr.attach(sampler->unknown()), S_OK);
  dr.getName(name, sizeof name);
  EXPECT_STREQ(name, "Tamborak");
  EXPECT_EQ(std::tuple(dr.getNoteNames()->title(), dr.getNoteNames()->ownName(24), dr.getNoteNames()->displayName(29)),
            std::tuple("DR-008 Drums", "Pad: Kit", "Kick1"));
  ASSERT_EQ(dr.loadState(state.data(), static_cast<std::int32_t>(state.size())), S_OK);
  EXPECT_EQ(dr.loadState(state.data(), static_cast<std::int32_t>(state.size() / 2)), E_FAIL);
  dr.setSampleRate(0, 44100.0f);

  // Started 100 samples into the first block at full value, in blocks of 512 at "tempo 0" (120).
  std::vector<DrHit> hits;
  bool inOrder = true;
  DrTransport rolling{};
  rolling.playing = 1;
  for (std::int64_t block = 0; block * 512 < 4 * 44100 + 100; ++block)
    drBlock(dr, block * 512, 512, block == 0 ? startAt(100, 127) : rolling, 0, hits, inOrder);
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(dr.tempo(), 120.0);
  EXPECT_EQ(dr.runVolume(), drRunVolume(e.getVeloMin(), e.getVeloMax(), 127));
  // A tick is rendered once a block reaches past it in whole ticks; one that falls in the block
  // before sounds at the start of that block.
  std::vector<DrHit> expected;
  for (const MidiEvent& n : notes) {
    std::int64_t block = 0;
    while (((block + 1) * 512 - 100) * 240 / 22050 <= n.time) ++block;
    expected.push_back({std::max(std::int64_t{n.time} * 22050 / 240 + 100, block * 512), std::clamp(n.data1 - 24, 0, 95),
                        std::min(n.data2 * dr.runVolume() / 128, 127)});
  }
  const auto bySample = [](const DrHit& a, const DrHit& b) { return std::tie(a.sample, a.pad) < std::tie(b.sample, b.pad); };
  // Two bars: 176400 samples from the start.
  std::erase_if(hits, [](const DrHit& h) { return h.sample >= 176400 + 100; });
  std::erase_if(expected, [](const DrHit& h) { return h.sample >= 176400 + 100; });
  std::sort(hits.begin(), hits.end(), bySample);
  std::sort(expected.begin(), expected.end(), bySample);
  EXPECT_EQ(hits, expected);
  EXPECT_TRUE(std::any_of(hits.begin(), hits.end(), [](const DrHit& h) { return h.sample == 22050 + 100; }))
      << "tick 240 at sample 22050";

  // A stop resets; an idle sampler with its transport stopped gets nothing; a new start at the
  // value that gives volume 64 plays from the loop's start, 127 becoming 63.
  DrTransport stop{};
  stop.stop = 1;
  hits.clear();
  drBlock(dr, 0, 512, stop, 120, hits, inOrder);
  drBlock(dr, 512, 512, DrTransport{}, 120, hits, inOrder, 1);
  EXPECT_TRUE(hits.empty());
  e.setVeloMin(1), e.setVeloMax(64);
  dr.setVeloMin(1), dr.setVeloMax(64);
  drBlock(dr, 0, 44100, startAt(0, 32), 120, hits, inOrder);
  EXPECT_TRUE(inOrder) << "a long block lists its triggers in sample order";
  ASSERT_GT(hits.size(), 4u);
  EXPECT_EQ(hits.front().sample, 0);
  EXPECT_EQ(dr.runVolume(), 64);
  EXPECT_TRUE(std::all_of(hits.begin(), hits.end(), [](const DrHit& h) { return h.velocity <= 63; }));

  // The state round trip through the sampler's memory block.
  void* block = nullptr;
  const std::int32_t size = dr.saveState(&block);
  ASSERT_GT(size, 0);
  ComRef<IDrObject> other = makeLink();
  EXPECT_EQ(linkOf(other).loadState(block, size), S_OK);
  void* again = nullptr;
  ASSERT_EQ(linkOf(other).saveState(&again), size);
  EXPECT_EQ(std::memcmp(block, again, static_cast<std::size_t>(size)), 0);
  CoTaskMemFree(block);
  CoTaskMemFree(again);
  face->Disconnect();
}
