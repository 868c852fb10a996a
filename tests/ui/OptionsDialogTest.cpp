// The options dialog on a real engine: what it reads at opening, what OK applies and refuses,
// what Cancel puts back, and which controls the engine's form enables.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "loops/DrumMapStore.h"
#include "sim/RecordingHostFrame.h"
#include "tests/ui/PanelFixture.h"
#include "ui/CommandIds.h"
#include "ui/OptionsDialog.h"

namespace velmora::test {
namespace {

using ui::OptionsDialog;

// The engine as a host embeds it without the MIDI-filter interface.
struct PlainEngine final : Tamborak {
  PlainEngine() : Tamborak(false) {}
};

class OptionsDialogTest : public PanelTest {
 protected:
  // The setters OK calls, in the order called.
  std::vector<std::string> applied() const {
    static const std::vector<std::string> setters = {"setOutput", "setExportBars", "setExportOption", "setTriggerLowKey",
                                                     "setRestartOnChange", "setVeloMax", "setVeloMin", "setTriggerEnabled"};
    std::vector<std::string> out;
    for (const auto& call : recorder_->calls)
      if (std::find(setters.begin(), setters.end(), call) != setters.end()) out.push_back(call);
    return out;
  }
  void click(OptionsDialog& dialog, int id, ui::Point at = {-1, -1}) {
    const ui::Rect r = dialog.control(id)->rect();
    if (at.x < 0) at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    dialog.mouseDown(at, ui::MouseButton::kLeft, ui::kNoMods);
    dialog.mouseUp(at);
  }
};

TEST_F(OptionsDialogTest, OpensWithTheEngineValuesAppliesThemInOrderOnOkAndRefusesValuesOutOfRange) {
  engine().setOutput(4, 3);
  engine().setExportBars(8);
  engine().setExportOption(1);
  engine().setTriggerLowKey(40);
  engine().setTriggerEnabled(true);
  engine().setRestartOnChange(false);
  engine().setVeloMin(20);
  engine().setVeloMax(100);

  struct Case {
    const char* name;
    std::function<void(OptionsDialog&)> edit;
    const char* refusal;  // the message asked, nullptr when OK applies
  };
  const Case cases[] = {
      {"measures 0", [](OptionsDialog& d) { d.measures().setText("0"); }, "Please enter an integer between 1 and 9999."},
      {"measures 10000", [](OptionsDialog& d) { d.measures().setText("10000"); }, "Please enter an integer between 1 and 9999."},
      {"base key 128", [](OptionsDialog& d) { d.baseKey().setText("128"); }, "Please enter an integer between 0 and 127."},
      {"velocity to empty", [](OptionsDialog& d) { d.veloTo().setText(""); }, "Please enter an integer."},
      {"every option, channel --- and from above to",
       [](OptionsDialog& d) {
         d.channel().choose(0);
         d.port().choose(5);
         d.measures().setText("16");
         d.tracks().choose(0);
         d.baseKey().setText("48");
         d.remote().setChecked(false);
         d.mode().choose(0);
         d.veloFrom().setText("90");
         d.veloTo().setText("60");
       },
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OptionsDialog dialog(*recorder_, services_);
    EXPECT_EQ(dialog.channel().selection(), 5);
    EXPECT_EQ(dialog.port().selection(), 3);
    EXPECT_EQ(dialog.measures().text(), "8");
    EXPECT_EQ(dialog.tracks().selection(), 1);
    EXPECT_EQ(dialog.baseKey().text(), "40");
    EXPECT_TRUE(dialog.remote().checked());
    EXPECT_EQ(dialog.mode().selection(), 1);
    EXPECT_EQ(dialog.veloFrom().text(), "20");
    EXPECT_EQ(dialog.veloTo().text(), "100");
    recorder_->calls.clear();
    const auto asked = services_.scriptedPrompt.asked().size();
    c.edit(dialog);
    click(dialog, OptionsDialog::kOk);
    if (c.refusal) {
      EXPECT_FALSE(dialog.closed());
      EXPECT_TRUE(applied().empty());
      ASSERT_EQ(services_.scriptedPrompt.asked().size(), asked + 1);
      EXPECT_EQ(services_.scriptedPrompt.asked().back().text, c.refusal);
      dialog.key(ui::keys::kEscape, ui::kNoMods);
      EXPECT_TRUE(dialog.closed());
      continue;
    }
    EXPECT_TRUE(dialog.closed());
    EXPECT_EQ(applied(), (std::vector<std::string>{"setOutput", "setExportBars", "setExportOption", "setTriggerLowKey",
                                                   "setRestartOnChange", "setVeloMax", "setVeloMin", "setTriggerEnabled"}));
    std::int32_t channel = 0, port = 0;
    engine().getOutput(&channel, &port);
    EXPECT_EQ(channel, -1);
    EXPECT_EQ(port, 5);
    EXPECT_EQ(engine().getExportBars(), 16);
    EXPECT_EQ(engine().getExportOption(), 0);
    EXPECT_EQ(engine().getTriggerLowKey(), 48);
    EXPECT_FALSE(engine().getTriggerEnabled());
    EXPECT_TRUE(engine().getRestartOnChange());
    // Both ends took 90; the engine then keeps its range two apart.
    EXPECT_EQ(engine().getVeloMin(), 90);
    EXPECT_EQ(engine().getVeloMax(), 92);
  }
}

TEST_F(OptionsDialogTest, EditsTheDrumMapAndNoteNamesLiveAndCancelPutsBothBack) {
  DrumMap rock;
  rock.setNote(38, 50);
  std::string error;
  ASSERT_TRUE(DrumMapStore(engine().getDrumMapsFolder()).save("Rock", rock, error)) << error;
  engine().getDrumMap()->setNote(36, 40);
  // The host offers two note-name sets.
  sim::HostOptions options;
  options.noteNameSource = true;
  ComRef<sim::HostContext> host = sim::create<sim::HostContext>(sim::Song(), options);
  std::vector<std::string> kitB(128);
  kitB[36] = "Big Kick";
  host->instruments().sets = {{"Kit A", {}}, {"Kit B", kitB}};
  ASSERT_EQ(sim::connect(*MfxFilter::of(engine()), *host), S_OK);
  engine().selectNoteNames("Kit A");
  const DrumMap before = *engine().getDrumMap();
  const std::string names = engine().getNoteNames()->title();

  // The panel's Options button opens the dialog in the window services.
  services_.onModal = [&](ui::DialogWindow& window) {
    auto& dialog = static_cast<OptionsDialog&>(window);
    EXPECT_EQ(dialog.drumMapName().text(), "<default>");
    EXPECT_EQ(dialog.noteNames().shownText(), "Kit A");
    // The user's maps and, in a native build, the shipped kits' maps, in name order.
    const std::vector<std::string>& maps = dialog.drumMapName().items();
    const auto rockEntry = std::find(maps.begin(), maps.end(), "Rock");
    ASSERT_TRUE(maps.front() == "<default>" && rockEntry != maps.end() && std::is_sorted(maps.begin() + 1, maps.end()));
#ifdef TAMBORAK_APP_FOLDER
    EXPECT_NE(std::find(maps.begin(), maps.end(), "AVL Black Pearl"), maps.end());
#endif
    ASSERT_EQ(dialog.drumList().rowCount(), 12);
    EXPECT_EQ(dialog.drumList().text(11, 0), drumName(36));
    EXPECT_EQ(dialog.drumList().text(11, 1), engine().getNoteNames()->displayName(40));

    // Choosing Rock from the combo's arrow loads it into the engine's map.
    const ui::Rect combo = dialog.drumMapName().rect();
    services_.menuChoices = {static_cast<std::uint32_t>(rockEntry - maps.begin()) + 1};
    click(dialog, OptionsDialog::kDrumMapName, {combo.right - 3, combo.top + 3});
    EXPECT_EQ(engine().getDrumMap()->name(), "Rock");
    EXPECT_EQ(engine().getDrumMap()->note(38), 50);
    EXPECT_EQ(dialog.drumList().text(10, 1), engine().getNoteNames()->displayName(50));

    // Plus and minus on the selected row step its note, clamped, and tell the engine.
    const ui::Rect list = dialog.drumList().rect();
    click(dialog, OptionsDialog::kDrumList, {list.left + 20, list.top + 1 + ui::ReportList::kRowHeight * 12 + 4});
    ASSERT_EQ(dialog.drumList().selection(), 11);
    const int changed = recorder_->count("drumMapChanged");
    dialog.key(ui::keys::kAdd, ui::kNoMods);
    dialog.key(ui::keys::kAdd, ui::kNoMods);
    dialog.key(ui::keys::kSubtract, ui::kNoMods);
    EXPECT_EQ(engine().getDrumMap()->note(36), 37);
    EXPECT_EQ(recorder_->count("drumMapChanged"), changed + 3);
    EXPECT_EQ(dialog.drumList().text(11, 1), engine().getNoteNames()->displayName(37));

    // Another note-name set.
    const auto& sets = dialog.noteNames().items();
    ASSERT_GE(sets.size(), 2u);
    const int other = sets[0] == names ? 1 : 0;
    dialog.noteNames().choose(other);
    EXPECT_EQ(engine().getNoteNames()->title(), sets[static_cast<std::size_t>(other)]);

    dialog.key(ui::keys::kEscape, ui::kNoMods);
    EXPECT_TRUE(dialog.closed());
  };
  PanelTest::click(ui::cmd::kOptions);
  EXPECT_EQ(services_.modals, std::vector<std::string>{"Tamborak Options"});
  EXPECT_TRUE(*engine().getDrumMap() == before);
  EXPECT_EQ(engine().getNoteNames()->title(), names);
}

TEST_F(OptionsDialogTest, RoutingAndRemoteControlsAreEnabledOnlyForTheFilterForm) {
  PlainEngine plain;
  struct Case {
    ControlApi* engine;
    bool routed, filter;
  };
  for (const Case& c : {Case{recorder_.get(), true, true}, Case{&plain, false, false}}) {
    OptionsDialog dialog(*c.engine, services_);
    EXPECT_EQ(dialog.port().enabled(), c.routed);
    EXPECT_EQ(dialog.channel().enabled(), c.routed);
    EXPECT_EQ(dialog.baseKey().enabled(), c.filter);
    EXPECT_EQ(dialog.mode().enabled(), c.filter);
    EXPECT_EQ(dialog.remote().enabled(), c.filter);
    EXPECT_TRUE(dialog.measures().enabled());
  }
}

}  // namespace
}  // namespace velmora::test
