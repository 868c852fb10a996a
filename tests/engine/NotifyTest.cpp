// Change notification through the simulated host: restarts, library rescans, the updater, control operations.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "engine/EngineNotify.h"
#include "library/PatternTree.h"
#include "platform/Clipboard.h"
#include "sim/RecordingHostFrame.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using namespace std::chrono_literals;
using test::EngineTest;

namespace {

constexpr std::uint32_t kToggle = host::kPlayStopCommand;

// The engine as the drum-sampler link embeds it.
struct SamplerEngine final : MfxFilter {
  SamplerEngine() : MfxFilter(engine) {}
  STDMETHOD(QueryInterface)(REFIID, void**) override { return E_NOINTERFACE; }
  STDMETHOD_(ULONG, AddRef)() override { return 1; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  Tamborak engine{false, filterLink()};
};

struct RecordingMenu final : PopupMenu {
  void appendItem(std::uint32_t command, const std::string& label, bool newColumn, bool checked) override {
    if (newColumn) columns.push_back(commands.size());
    if (checked) checks.push_back(commands.size());
    commands.push_back(command);
    labels.push_back(label);
  }
  void setDefaultItem(std::uint32_t command) override { defaults.push_back(command); }
  std::vector<std::uint32_t> commands, defaults;
  std::vector<std::string> labels;
  std::vector<std::size_t> columns, checks;  // indexes of the items
};

// Both kinds of combo box over one list.
struct RecordingCombo final : ComboBox, FlatComboBox {
  void resetContent() override { items.clear(); }
  void addString(const std::string& text) override { items.push_back(text); }
  void setItems(const std::vector<std::string>& texts) override { items = texts; }
  void setCurSel(int index) override { selected = index; }
  void select(int index) override { selected = index; }
  bool selectedText(std::string& text) const override { return selected >= 0 && !(text = items.at(selected)).empty(); }
  std::vector<std::string> items{"stale"};
  int selected = 0;
};

}  // namespace

TEST_F(EngineTest, NotifyRescansTheSharedLibraryForConnectedEnginesAndTicksTheUpdater) {
  test::TempFolder program;
  const std::filesystem::path volume = program.path() / "Patterns" / "Vol";
  std::filesystem::create_directories(volume);
  EngineProcess::setProgramFolder(program.path().string());
  platform::UiQueue& ui = platform::UiQueue::main();
  auto awaitMessage = [&ui] {  // the library's change message
    for (int i = 0; i < 500 && ui.waitAndPump(10ms) == 0; ++i) {
    }
  };
  std::chrono::milliseconds now{0};
  ui.setClock([&] { return now; });
  sim::RecordingHostFrame frame;
  PatternTree& tree = patternTree();
  EXPECT_TRUE(EngineNotify::treeUpdater() == platform::kNoTarget && !MfxFilter::trackFollower());
  {
    ComRef<IMfxEventFilter> a = makeEngine(), b = makeEngine();
    const platform::UiTarget target = EngineNotify::treeUpdater();
    EXPECT_TRUE(target != platform::kNoTarget && EngineNotify::treeUpdaterCount() == 2);
    ASSERT_NE(MfxFilter::trackFollower(), nullptr);
    host::CWUpdater& updater = *MfxFilter::trackFollower();
    const unsigned scans = tree.scanCount();

    // Nobody connected: the updater idles and a change of the library waits.
    now += 2000ms;
    EXPECT_TRUE(ui.fireDueTimers() == 1u && !updater.hasWork());
    std::ofstream(volume / "a.mid").put('x');
    awaitMessage();
    std::ofstream(volume / "b.mid").put('x');  // after the watcher's one report
    EXPECT_EQ(tree.scanCount(), scans);

    // The first connection brings the missed rescan of both files; the updater works every 2 s, looking windows up.
    ComRef<sim::HostContext> host = sim::create<sim::HostContext>();
    ASSERT_EQ(sim::connect(*a, *host), S_OK);
    ui.pump();
    EXPECT_EQ(tree.scanCount(), scans + 1);
    EXPECT_TRUE(tree.cursorAt("Vol\\").findLeaf("a.mid") && tree.cursorAt("Vol\\").findLeaf("b.mid"));
    EXPECT_TRUE(updater.hasWork() && frame.lookUps == 0);
    now += 2000ms;
    EXPECT_TRUE(ui.fireDueTimers() == 1u && frame.lookUps == 1);

    // Connected, every change is rescanned; engines come and go without touching the target.
    std::filesystem::remove(volume / "a.mid");
    awaitMessage();
    EXPECT_TRUE(tree.scanCount() == scans + 2 && !tree.cursorAt("Vol\\").findLeaf("a.mid"));
    b.reset();
    EXPECT_TRUE(EngineNotify::treeUpdater() == target && EngineNotify::treeUpdaterCount() == 1);
  }

  // With the last engine the target and updater go and the library posts nowhere; the next engine makes both anew.
  EXPECT_TRUE(EngineNotify::treeUpdater() == platform::kNoTarget && !MfxFilter::trackFollower());
  tree.onChanged();
  EXPECT_EQ(ui.pending(), 0u);
  ComRef<IMfxEventFilter> c = makeEngine();
  tree.onChanged();
  EXPECT_TRUE(ui.pending() == 1u && MfxFilter::trackFollower());
  ui.pump();
  ui.setClock({});
}

TEST_F(EngineTest, NotifyRestartsTheHostResetsControlsAndFillsNoteChoices) {
  sim::RecordingHostFrame frame;
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  SamplerEngine sampler;
  sim::HostOptions options;
  options.noteNameSource = true;
  ComRef<sim::HostContext> host = sim::create<sim::HostContext>(sim::Song(), options);
  std::vector<std::string> kitB(128);
  kitB[60] = "Clap", kitB[127] = "Top";
  host->instruments().sets = {{"Kit A", {}}, {"Kit B", kitB}, {"Untitled", {}, true}};  // the last one is not listed
  ASSERT_EQ(sim::connect(filterOf(e), *host), S_OK);
  ASSERT_EQ(sim::connect(sampler, *host), S_OK);

  // Every control but the swing grid and the velocity trend, and every slice's parameters.
  for (const auto set : {&Tamborak::setSwingPc, &Tamborak::setSwingDurIdx, &Tamborak::setVeloDyn,
                         &Tamborak::setVeloCenterPC, &Tamborak::setHumanizeVelo, &Tamborak::setHumanizeVeloTrend})
    (e.*set)(3, false);
  e.setQuantize(true, false);
  e.getSlice(4)->setParameter(Looper::kVelocityAdjust, 10);
  e.ResetPars();
  EXPECT_EQ(std::tuple(e.getSwingPc(), e.getSwingDurIdx(), e.getVeloDyn(), e.getVeloCenterPC(), e.getHumanizeVelo(),
                       e.getHumanizeVeloTrend(), e.getQuantize(), e.getSlice(4)->getParameter(Looper::kVelocityAdjust)),
            std::tuple(0, 3, 0, 0, 0, 3, false, 0));

  // The set chosen at connection is not on offer; choosing in either combo box takes a set. The
  // shipped kits' sets (in a native build) come before the host's.
  RecordingCombo combo;
  e.fillInstrumentCombo(combo);
  ASSERT_GE(combo.items.size(), 2u);
  const int lastSet = static_cast<int>(combo.items.size()) - 1;
  EXPECT_EQ(std::tuple(combo.items[combo.items.size() - 2], combo.items.back(), combo.selected),
            std::tuple("Kit A", "Kit B", -1));
#ifdef TAMBORAK_APP_FOLDER
  EXPECT_EQ(combo.items.front(), "AVL Black Pearl");
#endif
  combo.selected = lastSet;
  EXPECT_TRUE(e.onInstrumentFlatCombo(combo));
  e.fillInstrumentFlatCombo(combo);
  EXPECT_EQ(std::tuple(e.getNoteNames()->ownName(60), e.getNoteNames()->ownName(127), combo.selected),
            std::tuple("Clap", "Top", lastSet));

  // Popup: named keys plus the map's key (default) and the played key (checked); 12 to a column; ids by map and key.
  e.selectNoteNames("Kit A");
  for (const int key : {35, 81}) e.getNoteNames()->setName(key, "Named");
  for (int key = 40; key < 61; ++key) e.getNoteNames()->setName(key, "N");
  RecordingMenu menu;
  e.fillNoteMenu(menu, 20, 100);
  const std::uint32_t base = (20 + 384) * 128;
  EXPECT_EQ(std::tuple(menu.commands.size(), menu.commands.front(), menu.commands.back(), menu.labels[0], menu.labels[1]),
            std::tuple(25u, base + 20, base + 100, pitchName(20), "Named"));
  EXPECT_EQ(std::tuple(menu.columns, menu.checks, menu.defaults),
            std::tuple(std::vector<std::size_t>{12, 24}, std::vector<std::size_t>{24}, std::vector<std::uint32_t>{base + 20}));
  // A set marked as the sampler's pad names is taken afresh first (here: without names).
  e.getNoteNames()->setPadNameMark(true);
  menu = RecordingMenu();
  e.fillNoteMenu(menu, 36, 36);
  EXPECT_EQ(std::tuple(menu.commands.size(), menu.checks.size(), menu.defaults.size()), std::tuple(1u, 1u, 1u));

  // Each edit asks one stop and start of the host, only while playing with restart on, never for the sampler.
  platform::MemoryClipboard clipboard;
  e.setClipboard(&clipboard), sampler.engine.setClipboard(&clipboard);
  ASSERT_TRUE(e.copyLoop());
  const std::function<void(Tamborak&)> edits[] = {[](Tamborak& x) { x.setSwingPc(60, true); },
                                                  [](Tamborak& x) { x.wantPlaySolo(*x.getSlice(5)); },
                                                  [](Tamborak& x) { x.ResetPars(); },
                                                  [](Tamborak& x) { EXPECT_TRUE(x.pasteLoop()); },
                                                  [](Tamborak& x) { x.setLoopIdx(x.getLoopIdx(), true, 0); }};
  const std::tuple<Tamborak*, bool, bool, std::vector<std::uint32_t>> cases[] = {
      {&e, true, true, {kToggle, kToggle}}, {&e, false, true, {}}, {&e, true, false, {}}, {&sampler.engine, true, true, {}}};
  for (const auto& [engine, play, restart, commands] : cases) {
    engine->setRestartOnChange(restart);
    sim::Transport transport(filterOf(*engine));
    if (play) transport.start(0);
    for (const auto& edit : edits) {
      frame.commands.clear();
      edit(*engine);
      EXPECT_EQ(frame.commands, commands) << engine->isMfxFilter() << play << restart;
    }
    if (play) transport.stop();
  }
  EXPECT_NE(e.quickPads().find(e.getLoopIdx()), nullptr) << "the pad chosen again is stored";

  // With no host frame known the play/stop key posts nothing.
  host::setHostFrame(nullptr);
  EXPECT_FALSE(e.togglePlayback());
}
