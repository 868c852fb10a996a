// The engine's stored state: the host's project, the registry values "Last" and "Globals", damaged blocks.
#include <gtest/gtest.h>

#include "platform/UiQueue.h"
#include "tests/Golden.h"
#include "tests/HostStream.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using namespace velmora::sim;
using test::EngineTest;
using test::FakeHostStream;

namespace {

constexpr MfxTime kBar = 1920;

ComRef<HostContext> hostWithKit() {
  HostOptions options;
  options.noteNameSource = true;
  ComRef<HostContext> host = create<HostContext>(Song(), options);
  host->instruments().sets = {{"Kit", {"36", "Kick"}}};
  return host;
}

std::string stateOf(Tamborak& e) {
  FakeHostStream out(true);
  EXPECT_EQ((*MfxFilter::of(e)).Save(&out, 1), S_OK);
  return out.bytes;
}

HRESULT load(Tamborak& e, const std::string& bytes) {
  FakeHostStream in(true);
  in.bytes = bytes;
  return (*MfxFilter::of(e)).Load(&in);
}

std::string settingsOf(Tamborak& e) {
  std::string bytes;
  CUniString out(bytes);
  e.writeSettings(out);
  return bytes;
}

// Controls and settings away from their defaults, as both tests store them.
void setAwayFromDefaults(Tamborak& e) {
  e.setSwingPc(37, false), e.setVeloDyn(55, false), e.setVeloCenterPC(-20, false), e.setHumanizeVelo(11, false);
  e.setQuantize(true, false);
  DrumMap map;
  map.setNote(36, 40), map.setName("Mine");
  e.setDrumMap(map);
  e.setOutput(5, 2), e.setExportBars(8), e.setExportOption(3), e.setTriggerEnabled(true), e.setTriggerLowKey(48);
  e.setVeloMin(20), e.setVeloMax(100), e.setRestartOnChange(false);
}

}  // namespace

TEST_F(EngineTest, StateCopiedToTheNextEngineAndLoadedBackWhole) {
  ComRef<IMfxEventFilter> faceA = makeEngine();
  Tamborak& a = engineOf(faceA);
  ComRef<HostContext> hostA = hostWithKit();
  ASSERT_EQ(connect(filterOf(a), *hostA), S_OK);
  // Pad 0 holds one loop, pad 3 (current) another, with settings away from the defaults.
  a.setVolume("8 Beat Rock");
  fillLoop(a, 2);
  a.setLoopIdx(3, true, 0);
  fillLoop(a, 3);
  a.getSlice(1)->setMutedSilently(true), a.getSlice(2)->setStrokesMax(3, false);
  setAwayFromDefaults(a);
  a.setSwingDurIdx(3, false), a.setHumanizeVeloTrend(33, false);

  // Connected while the first one runs, a second engine starts as its copy, through "Last".
  ComRef<IMfxEventFilter> faceB = makeEngine();
  Tamborak& b = engineOf(faceB);
  ComRef<HostContext> hostB = hostWithKit();
  ASSERT_EQ(connect(filterOf(b), *hostB), S_OK);
  EXPECT_EQ(stateOf(b), stateOf(a));
  a.selectNoteNames("Kit");
  const std::string saved = stateOf(a);
  ULARGE_INTEGER size{};
  ASSERT_EQ(filterOf(a).GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, saved.size());
  const std::string pad0 = a.quickPads().find(0)->loop;
  // Its settings go to "Globals" when it is destroyed; an engine joining alone takes them, not the loop.
  b.setVeloMax(90), b.setExportBars(2);
  const std::string settingsB = settingsOf(b);
  EXPECT_EQ(filterOf(b).Disconnect(), S_OK);
  faceB.reset();  // "Globals" are written here
  makeEngine().reset();  // not by an engine that never read them (a host listing its plug-ins)
  EXPECT_EQ(filterOf(a).Disconnect(), S_OK);
  ComRef<IMfxEventFilter> faceC = makeEngine();
  Tamborak& c = engineOf(faceC);
  ComRef<HostContext> hostC = hostWithKit();
  ASSERT_EQ(connect(filterOf(c), *hostC), S_OK);
  EXPECT_EQ(settingsOf(c), settingsB);
  EXPECT_EQ(std::tuple(c.getLoopIdx(), c.getSwingPc(), c.getVeloMax(), c.getExportBars(), c.quickPads().entries().size()),
            std::tuple(0, 0, 90, 2, 0u));

  // Every field comes back; the swing grid follows the loaded volume, the velocity trend keeps its value.
  EXPECT_EQ(load(c, saved), S_OK);
  EXPECT_EQ(std::tuple(c.getLoopIdx(), c.getNoteNames()->title(), c.getDrumMap()->name(), c.getSwingDurIdx(),
                       c.getHumanizeVeloTrend()),
            std::tuple(3, std::string("Kit"), std::string("Mine"), 1, 0));
  EXPECT_EQ(stateOf(c), saved);

  // A switch inside the render pass plays the loaded pad 0 at once from its ready set; the
  // user-interface thread then brings that loop into the slices.
  c.setHumanizeVelo(0, false), c.setLoopIdx(0, false, 0);
  const auto viaReadySet = test::sortedNotes(Transport::play(filterOf(c), 0, 2 * kBar - 1, 700));
  while (platform::UiQueue::main().pump() != 0) {
  }
  std::string loop;
  CUniString loopOut(loop);
  c.saveLoop(loopOut, false);
  EXPECT_EQ(std::tuple(c.getLoopIdx(), loop), std::tuple(0, pad0));
  EXPECT_FALSE(viaReadySet.empty());
  EXPECT_EQ(viaReadySet, test::sortedNotes(Transport::play(filterOf(c), 0, 2 * kBar - 1, 700)));

  // Old, short and damaged blocks change nothing: a 32-bit value written at an offset, or (kCut) a cut.
  const std::string before = stateOf(c);
  CUniStream bankSize;
  c.quickPads().save(bankSize);
  const std::size_t loopIdxAt = 4 + bankSize.bytesWritten(), settingsAt = loopIdxAt + 24;
  const std::size_t loopAt = settingsAt + settingsOf(c).size();
  constexpr std::size_t kCut = std::string::npos;
  const std::pair<std::size_t, std::uint32_t> damages[] = {
      {0, 10}, {0, 0}, {loopIdxAt, 10}, {loopIdxAt, 0xFFFFFFFF}, {settingsAt, 10}, {loopAt, 10},
      {kCut, 0}, {kCut, loopIdxAt - 3}, {kCut, settingsAt - 2}, {kCut, loopAt - 1}, {kCut, saved.size() - 1}};
  for (const auto& [at, value] : damages) {
    std::string bytes = saved;
    if (at == kCut)
      bytes.resize(value);
    else
      for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    EXPECT_EQ(load(c, bytes), S_OK);
    EXPECT_EQ(stateOf(c), before) << at << ", " << value;
  }

  // A host stream that takes no byte, or at most three at a time: the project was not saved.
  FakeHostStream refusing(false, 0), cutting(false, 3);
  EXPECT_EQ(std::pair(filterOf(c).Save(&refusing, 1), filterOf(c).Save(&cutting, 1)), std::pair(E_FAIL, E_FAIL));

}

// Both layouts byte by byte: known values write the blocks kept in the test data, and those
// blocks read back into the same values and are written again unchanged.
TEST_F(EngineTest, StateAndSettingsBlocksKeepTheirLayouts) {
  ComRef<IMfxEventFilter> faceA = makeEngine(), faceB = makeEngine();
  Tamborak &a = engineOf(faceA), &b = engineOf(faceB);
  ComRef<HostContext> hostA = hostWithKit(), hostB = hostWithKit();
  ASSERT_TRUE(connect(filterOf(a), *hostA) == S_OK && connect(filterOf(b), *hostB) == S_OK);
  a.clearLoop();
  a.setPatternGroup(1, false);
  setAwayFromDefaults(a);
  a.selectNoteNames("Kit");
  EXPECT_TRUE(test::matchesGolden(settingsOf(a), "engine/settings.bin"));
  EXPECT_TRUE(test::matchesGolden(stateOf(a), "engine/state.bin"));
  const std::string settings = test::readWholeFile(test::testDataPath("engine/settings.bin")),
                    state = test::readWholeFile(test::testDataPath("engine/state.bin"));

  CUniMemoryReader in(settings.data(), static_cast<std::uint32_t>(settings.size()));
  ASSERT_TRUE(b.readSettings(in));
  EXPECT_EQ(settingsOf(b), settings);
  std::int32_t channel = 0, port = 0;
  b.getOutput(&channel, &port);
  EXPECT_EQ(std::tuple(channel, port, b.getExportBars(), b.getExportOption(), b.getTriggerEnabled(), b.getTriggerLowKey(),
                       b.getVeloMin(), b.getVeloMax(), b.getRestartOnChange(), b.getDrumMap()->note(36),
                       b.getDrumMap()->name(), b.getNoteNames()->title()),
            std::tuple(5, 2, 8, 3, true, 48, 20, 100, false, 40, std::string("Mine"), std::string("Kit")));
  EXPECT_EQ(load(b, state), S_OK);
  EXPECT_EQ(std::tuple(b.getSwingPc(), b.getVeloDyn(), b.getVeloCenterPC(), b.getHumanizeVelo(), b.getQuantize(),
                       b.getPatternGroup()),
            std::tuple(37, 55, -20, 11, true, 1));
  EXPECT_EQ(stateOf(b), state);

  // A state block from before phrases (its loop and its pad's loop without a fill) reads into the
  // same engine state, with fills off.
  a.setPhraseBars(4, false);
  EXPECT_EQ(load(a, test::readWholeFile(test::testDataPath("compat/state-v11.bin"))), S_OK);
  EXPECT_EQ(a.getPhraseBars(), 0);
  EXPECT_EQ(stateOf(a), state);
}
