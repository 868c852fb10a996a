// Change notification through the simulated host: restarts asked of the host's frame, the shared
// library's rescans and the periodic updater, and the control operations that reset the engine
// or fill the user interface's note choices and play cursors.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "engine/EngineNotify.h"
#include "library/PatternTree.h"
#include "sim/RecordingHostFrame.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using namespace std::chrono_literals;
using test::EngineTest;

namespace {

constexpr std::uint32_t kToggle = host::kPlayStopCommand;

// The engine as the drum-sampler link embeds it.
class SamplerEngine final : public Tamborak {
 public:
  SamplerEngine() : Tamborak(false) {}
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    *object = queryFace(iid);
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 1; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
};

struct MenuItem {
  std::uint32_t command;
  std::string label;
  bool newColumn, checked;
};

class RecordingMenu final : public PopupMenu {
 public:
  void appendItem(std::uint32_t command, const std::string& label, bool newColumn, bool checked) override {
    items.push_back({command, label, newColumn, checked});
  }
  void setDefaultItem(std::uint32_t command) override { defaults.push_back(command); }
  std::vector<MenuItem> items;
  std::vector<std::uint32_t> defaults;
};

// Both kinds of combo box over one list.
class RecordingCombo final : public ComboBox, public FlatComboBox {
 public:
  void resetContent() override { items.clear(); }
  void addString(const std::string& text) override { items.push_back(text); }
  void setCurSel(int index) override { selected = index; }
  void setItems(const std::vector<std::string>& texts) override { items = texts; }
  void select(int index) override { selected = index; }
  bool selectedText(std::string& text) const override {
    if (selected < 0) return false;
    text = items.at(static_cast<std::size_t>(selected));
    return true;
  }
  std::vector<std::string> items{"stale"};
  int selected = 0;
};

class RecordingRow final : public SliceRow {
 public:
  void refresh() override {}
  void refreshPattern(bool) override {}
  void repaintParameters() override {}
  void showPosition(std::int32_t position, std::int32_t length) override { shown.emplace_back(position, length); }
  std::vector<std::pair<std::int32_t, std::int32_t>> shown;
};

// Pumps the user-interface queue until something ran (the library's change message).
void awaitMessage(platform::UiQueue& ui) {
  for (int i = 0; i < 500 && ui.waitAndPump(10ms) == 0; ++i) {
  }
}

}  // namespace

TEST_F(EngineTest, AsksTheHostForOneRestartPerEditWhilePlaying) {
  sim::RecordingHostFrame frame;
  ComRef<ITamborak> face = makeEngine();
  Tamborak& filter = engineOf(face);
  SamplerEngine sampler;
  ComRef<sim::HostContext> host = sim::create<sim::HostContext>();
  ASSERT_EQ(sim::connect(filter, *host), S_OK);
  ASSERT_EQ(sim::connect(sampler, *host), S_OK);

  const std::function<void(Tamborak&)> edits[] = {
      [](Tamborak& e) { e.setSwingPc(60, true); },
      [](Tamborak& e) { e.setQuantize(!e.getQuantize(), true); },
      [](Tamborak& e) { e.wantPlaySolo(*e.getSlice(5)); },
      [](Tamborak& e) { e.drumMapChanged(); },
      [](Tamborak& e) { e.ResetPars(); },
  };
  struct Case {
    Tamborak* engine;
    bool play, restartOnChange;
    std::vector<std::uint32_t> commands;
  } cases[] = {
      {&filter, true, true, {kToggle, kToggle}},  // stop, then start
      {&filter, false, true, {}},
      {&filter, true, false, {}},
      {&sampler, true, true, {}},  // the sampler has no host transport to restart
  };
  for (const Case& c : cases) {
    c.engine->setRestartOnChange(c.restartOnChange);
    sim::Transport transport(*c.engine);
    if (c.play) transport.start(0);
    for (std::size_t i = 0; i < std::size(edits); ++i) {
      frame.commands.clear();
      edits[i](*c.engine);
      EXPECT_EQ(frame.commands, c.commands) << "edit " << i << " of engine " << c.engine << " play " << c.play;
    }
    if (c.play) transport.stop();
  }

  // The panel's play/stop key toggles once; with no host frame known nothing is posted.
  frame.commands.clear();
  EXPECT_EQ(filter.togglePlayback(), S_OK);
  EXPECT_EQ(frame.commands, std::vector<std::uint32_t>{kToggle});
  host::setHostFrame(nullptr);
  EXPECT_EQ(filter.togglePlayback(), S_FALSE);
  host::setHostFrame(&frame);
  EXPECT_TRUE(filter.isDetachedFromSequencer() && sampler.isDetachedFromSequencer());
}

TEST_F(EngineTest, RescansTheSharedLibraryForConnectedEnginesAndTicksTheUpdater) {
  test::TempFolder program;
  const std::filesystem::path volume = program.path() / "Patterns" / "Vol";
  std::filesystem::create_directories(volume);
  EngineProcess::setProgramFolder(program.path().string());
  platform::UiQueue& ui = platform::UiQueue::main();
  std::chrono::milliseconds now{0};
  ui.setClock([&] { return now; });
  sim::RecordingHostFrame frame;
  PatternTree& tree = patternTree();
  EXPECT_TRUE(EngineNotify::treeUpdater() == platform::kNoTarget && !EngineNotify::updater());
  {
    ComRef<ITamborak> a = makeEngine(), b = makeEngine();
    const platform::UiTarget target = EngineNotify::treeUpdater();
    EXPECT_NE(target, platform::kNoTarget);
    EXPECT_EQ(EngineNotify::treeUpdaterCount(), 2);
    ASSERT_NE(EngineNotify::updater(), nullptr);
    Tamborak::Updater& updater = *EngineNotify::updater();
    const unsigned scans = tree.scanCount();

    // Nobody connected: the updater idles and a change of the library waits.
    EXPECT_FALSE(updater.hasWork());
    now += 2000ms;
    EXPECT_EQ(ui.fireDueTimers(), 1u);
    std::ofstream(volume / "a.mid").put('x');
    awaitMessage(ui);
    std::ofstream(volume / "b.mid").put('x');  // after the watcher's one report
    EXPECT_EQ(tree.scanCount(), scans);

    // The first connection brings the missed rescan, which sees both files; the updater finds
    // work every two seconds and looks the host's windows up again.
    ComRef<sim::HostContext> host = sim::create<sim::HostContext>();
    ASSERT_EQ(sim::connect(engineOf(a), *host), S_OK);
    ui.pump();
    EXPECT_EQ(tree.scanCount(), scans + 1);
    EXPECT_TRUE(tree.cursorAt("Vol\\").findLeaf("a.mid") && tree.cursorAt("Vol\\").findLeaf("b.mid"));
    EXPECT_TRUE(updater.hasWork());
    EXPECT_EQ(frame.lookUps, 0);
    now += 1999ms;
    EXPECT_EQ(ui.fireDueTimers(), 0u);
    now += 1ms;
    EXPECT_EQ(ui.fireDueTimers(), 1u);
    EXPECT_EQ(frame.lookUps, 1);

    // Connected, every change is rescanned; engines come and go without touching the target.
    std::filesystem::remove(volume / "a.mid");
    awaitMessage(ui);
    EXPECT_EQ(tree.scanCount(), scans + 2);
    EXPECT_FALSE(tree.cursorAt("Vol\\").findLeaf("a.mid"));
    b.reset();
    EXPECT_EQ(EngineNotify::treeUpdater(), target);
    EXPECT_EQ(EngineNotify::treeUpdaterCount(), 1);
  }

  // With the last engine the target and the updater go, and the library posts nowhere; the next
  // engine creates both anew.
  EXPECT_TRUE(EngineNotify::treeUpdater() == platform::kNoTarget && !EngineNotify::updater());
  EXPECT_EQ(EngineNotify::treeUpdaterCount(), 0);
  tree.onChanged();
  EXPECT_EQ(ui.pending(), 0u);
  ComRef<ITamborak> c = makeEngine();
  EXPECT_NE(EngineNotify::treeUpdater(), platform::kNoTarget);
  tree.onChanged();
  EXPECT_EQ(ui.pending(), 1u);
  ui.pump();
  EXPECT_NE(EngineNotify::updater(), nullptr);
  ui.setClock({});
}

TEST_F(EngineTest, ResetsControlsAndFillsNoteChoicesAndPlayCursors) {
  ComRef<ITamborak> face = makeEngine();
  Tamborak& e = engineOf(face);
  sim::HostOptions options;
  options.noteNameSource = true;
  ComRef<sim::HostContext> host = sim::create<sim::HostContext>(sim::Song(), options);
  std::vector<std::string> kitB(128);
  kitB[60] = "Clap";
  host->instruments().sets = {{"Kit A", {}}, {"Kit B", kitB}};
  ASSERT_EQ(sim::connect(e, *host), S_OK);

  // Every control but the swing grid and the velocity trend, and every slice's parameters.
  e.setSwingPc(40, false);
  e.setSwingDurIdx(3, false);
  e.setVeloDyn(50, false);
  e.setVeloCenterPC(-20, false);
  e.setHumanizeVelo(30, false);
  e.setHumanizeVeloTrend(10, false);
  e.setQuantize(true, false);
  for (int i = 0; i < Tamborak::kSliceCount; ++i) e.getSlice(i)->setParameter(Looper::kVelocityAdjust, 10 + i);
  EXPECT_EQ(e.ResetPars(), S_OK);
  EXPECT_EQ(std::tuple(e.getSwingPc(), e.getSwingDurIdx(), e.getVeloDyn(), e.getVeloCenterPC(), e.getHumanizeVelo(),
                       e.getHumanizeVeloTrend(), e.getQuantize()),
            std::tuple(0, 3, 0, 0, 0, 10, false));
  for (int i = 0; i < Tamborak::kSliceCount; ++i) EXPECT_EQ(e.getSlice(i)->getParameter(Looper::kVelocityAdjust), 0);

  // The set chosen at connection is not on offer; choosing in either combo box takes a set.
  RecordingCombo combo;
  EXPECT_EQ(e.fillInstrumentCombo(&combo), S_OK);
  EXPECT_EQ(std::pair(combo.items, combo.selected), std::pair(std::vector<std::string>{"Kit A", "Kit B"}, -1));
  EXPECT_EQ(e.onInstrumentCombo(&combo), S_FALSE);
  combo.selected = 1;
  EXPECT_EQ(e.onInstrumentFlatCombo(&combo), S_OK);
  EXPECT_EQ(e.getNoteNames()->ownName(60), "Clap");
  EXPECT_EQ(e.fillInstrumentFlatCombo(&combo), S_OK);
  EXPECT_EQ(std::pair(combo.items.size(), combo.selected), std::pair(std::size_t{2}, 1));
  EXPECT_EQ(e.fillInstrumentCombo(nullptr), E_POINTER);

  // The instrument popup: named keys, plus the map's key (default) and the key played (checked)
  // under their shown names; twelve items to a column; ids by map index and key.
  e.selectNoteNames("Kit A");
  e.getNoteNames()->setName(35, "Kick");
  e.getNoteNames()->setName(81, "Triangle");
  for (int key = 40; key < 61; ++key) e.getNoteNames()->setName(key, "N");
  RecordingMenu menu;
  e.fillNoteMenu(menu, 20, 100);
  ASSERT_EQ(menu.items.size(), 25u);
  const std::uint32_t base = (20 + 384) * 128;
  EXPECT_EQ(std::tuple(menu.items[0].command, menu.items[0].label, menu.items[1].label, menu.items[24].command),
            std::tuple(base + 20, pitchName(20), "Kick", base + 100));
  EXPECT_EQ(menu.defaults, std::vector<std::uint32_t>{base + 20});
  for (std::size_t i = 0; i < menu.items.size(); ++i) {
    EXPECT_EQ(menu.items[i].newColumn, i == 12 || i == 24) << i;
    EXPECT_EQ(menu.items[i].checked, i == 24) << i;
  }
  // A set marked as the sampler's pad names is taken afresh first; other sets are shown as kept.
  e.getNoteNames()->setPadNameMark(true);
  menu = RecordingMenu();
  e.fillNoteMenu(menu, 36, 36);
  EXPECT_EQ(menu.items.size(), 1u);
  EXPECT_EQ(std::tuple(menu.items[0].checked, menu.defaults.size()), std::tuple(true, 1u));

  // Each slice view shows the position within its one-bar cycle.
  std::array<RecordingRow, Tamborak::kSliceCount> rows;
  for (int i = 0; i < Tamborak::kSliceCount; ++i) e.getSlice(i)->attachView(&rows[static_cast<std::size_t>(i)]);
  EXPECT_EQ(e.updatePlayPositions(), S_OK);
  for (const RecordingRow& row : rows)
    EXPECT_EQ(row.shown, (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 1920}}));
  for (int i = 0; i < Tamborak::kSliceCount; ++i) e.getSlice(i)->detachView();
}
