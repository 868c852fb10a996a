// The panel and its rows over a real engine: each control's command reaches the engine, the
// displays show the engine's values and the row's texts, keys and accelerators run their
// commands, and the context menus hold their items.
#include <string>
#include <vector>

#include "tests/ui/PanelFixture.h"
#include "ui/CommandIds.h"

namespace velmora::test {
namespace {

using ui::MouseButton;
namespace cmd = ui::cmd;
namespace keys = ui::keys;

TEST_F(PanelTest, ButtonsListsAndPadsSendTheirCommandsToTheEngine) {
  engine().setSwingPc(40, false);
  struct Case {
    const char* what;
    int id;
    std::function<void()> check;
  } cases[] = {
      {"compose", cmd::kCompose, [&] { EXPECT_EQ(recorder_->count("Random"), 1); }},
      {"quantize on", cmd::kQuantize, [&] { EXPECT_TRUE(engine().getQuantize()); }},
      {"quantize off", cmd::kQuantize, [&] { EXPECT_FALSE(engine().getQuantize()); }},
      {"medium variations", cmd::kMediumVariations,
       [&] {
         EXPECT_EQ(engine().getPatternGroup(), 1);
         for (int id : {cmd::kSmallVariations, cmd::kMediumVariations, cmd::kLargeVariations})
           EXPECT_EQ(static_cast<ui::Button*>(panel().control(id))->checked(), id == cmd::kMediumVariations);
       }},
      {"reset", cmd::kReset, [&] { EXPECT_EQ(engine().getSwingPc(), 0); }},
      {"quick pad 4", cmd::kQuickPad0 + 3,
       [&] {
         EXPECT_EQ(engine().getLoopIdx(), 3);
         EXPECT_EQ(panel().highlightedPad(), 3);
       }},
      {"the current pad again", cmd::kQuickPad0 + 3, [&] { EXPECT_EQ(recorder_->count("setLoopIdx"), 1); }},
      {"options", cmd::kOptions, [&] { EXPECT_EQ(services_.modals.back(), "Tamborak Options"); }},
      {"about", cmd::kAbout, [&] { EXPECT_EQ(services_.dialogs.back(), ui::Dialog::kAbout); }},
      {"help", cmd::kHelp, [&] { EXPECT_EQ(services_.dialogs.back(), ui::Dialog::kHelp); }},
      {"edit mode", cmd::kEdit, [&] { EXPECT_TRUE(panel().editMode()); }},
      {"crash on", cmd::kCrash, [&] { EXPECT_TRUE(engine().getCrashAfterFill()); }},
      {"crash off", cmd::kCrash, [&] { EXPECT_FALSE(engine().getCrashAfterFill()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    click(c.id);
    c.check();
  }

  // The drag handle starts a drag once the pointer has moved a few pixels.
  const ui::Point p = centre(cmd::kDragHandle);
  panel().mouseDown(p, MouseButton::kLeft, ui::kNoMods);
  panel().mouseMove({p.x + 1, p.y});
  EXPECT_EQ(recorder_->count("dragLoop"), 0);
  panel().mouseMove({p.x + 8, p.y});
  panel().mouseUp({p.x + 8, p.y});
  EXPECT_EQ(recorder_->count("dragLoop"), 1);
  EXPECT_EQ(services_.drags, 1);

  // The mode list holds the volumes, the engine's selected; a choice selects that volume.
  ui::DropList& mode = panel().modeList();
  ASSERT_GE(mode.items().size(), 3u);
  EXPECT_EQ(mode.shownText(), engine().getVolumeName());
  const std::string other = mode.items()[0] == engine().getVolumeName() ? mode.items()[1] : mode.items()[0];
  mode.choose(other == mode.items()[0] ? 0 : 1);
  EXPECT_EQ(engine().getVolumeName(), other);
  EXPECT_EQ(mode.shownText(), other) << "refilled with the new volume selected";

  // The phrase lists set the engine; they and the crash switch follow its changes and a pasted loop.
  auto& phrase = static_cast<ui::DropList&>(*panel().control(cmd::kPhrase));
  auto& fillLength = static_cast<ui::DropList&>(*panel().control(cmd::kFillLength));
  phrase.choose(2), fillLength.choose(2);
  EXPECT_EQ(std::make_pair(engine().getPhraseBars(), engine().getFillLength()), std::make_pair(4, 2));
  engine().copyLoop();
  engine().setPhraseBars(16, true), engine().setFillLength(1, true), engine().setCrashAfterFill(true, true);
  EXPECT_EQ(phrase.shownText() + " " + fillLength.shownText(), "Phrase: 16 Fill: 2 beats");
  EXPECT_TRUE(static_cast<ui::Button*>(panel().control(cmd::kCrash))->checked());
  engine().pasteLoop();
  EXPECT_EQ(phrase.shownText(), "Phrase: 4");
  // The control selection picks the parameter every row shows.
  slice(2).setParameter(Looper::kTimeOffset, 17);
  panel().controlSelection().choose(2);
  EXPECT_EQ(panel().row(2)->parameterText(), "17");
  EXPECT_EQ(panel().row(2)->focusControl()->tooltip().rfind("Time offset\n", 0), 0u);
  panel().controlSelection().choose(1);
  EXPECT_EQ(panel().row(0)->parameterText(), std::to_string(slice(0).getParameter(Looper::kDynamicsStrength)));
}

TEST_F(PanelTest, DraggingASliderOrThePadShowsTheValueTheEngineTookAndTheReleaseKeepsIt) {
  auto& swing = static_cast<ui::VSlider&>(*panel().control(cmd::kSwing));
  const ui::Rect t = swing.track();
  const int x = (t.left + t.right) / 2;
  panel().mouseDown({x, t.bottom}, MouseButton::kLeft, ui::kNoMods);
  panel().mouseUp({x, t.bottom}, MouseButton::kRight);  // the other button's release ends no drag
  panel().mouseMove({x, t.bottom - (t.bottom - t.top) * 60 / 100});
  EXPECT_EQ(engine().getSwingPc(), 60);
  EXPECT_EQ(panel().windowText(), "Swing: 60%");
  panel().mouseUp({x, t.top});
  EXPECT_EQ(panel().windowText(), "Swing: 60%") << "the end of the drag writes nothing";
  EXPECT_EQ(services_.windowText, "Swing: 60%");

  auto& pad = static_cast<ui::Pad2D&>(*panel().control(cmd::kVeloPad));
  const ui::Rect a = pad.area().inset(3);
  panel().mouseDown({a.right - 1, a.top}, MouseButton::kLeft, ui::kNoMods);
  panel().mouseUp({a.right - 1, a.top});
  EXPECT_EQ(panel().windowText(), "Velocity Dinamics: 200%; Center: 100%");
  EXPECT_EQ(std::make_pair(engine().getVeloDyn(), engine().getVeloCenterPC()), std::make_pair(200, 100));

  auto& humanize = static_cast<ui::VSlider&>(*panel().control(cmd::kHumanize));
  panel().mouseDown({humanize.rect().left + 5, humanize.track().top}, MouseButton::kLeft, ui::kNoMods);
  panel().mouseUp({0, 0});
  EXPECT_EQ(panel().windowText(), "Humanize Velocity: 127");
  auto& trend = static_cast<ui::VSlider&>(*panel().control(cmd::kHumanizeTrend));
  panel().mouseDown({trend.rect().left + 2, trend.track().bottom}, MouseButton::kLeft, ui::kNoMods);
  panel().mouseUp({0, 0});
  EXPECT_EQ(engine().getHumanizeVeloTrend(), -100);

  // The engine's own changes show on the controls.
  engine().setSwingPc(30, true);
  EXPECT_EQ(swing.value(), 30);
}

TEST_F(PanelTest, KeysRunTheFocusedRowsCommandsThenThePanelsAndOthersGoToTheHost) {
  std::vector<int> browser;
  panel().setLoopBrowser([&](int command) { browser.push_back(command); });
  EXPECT_TRUE(panel().key('3', ui::kNoMods));
  EXPECT_EQ(engine().getLoopIdx(), 2);
  EXPECT_FALSE(panel().key('R', ui::kNoMods)) << "not the panel's";
  EXPECT_TRUE(panel().key(keys::kSpace, ui::kNoMods));
  EXPECT_EQ(recorder_->count("togglePlayback"), 1);
  EXPECT_TRUE(panel().key(keys::kReturn, ui::kCtrl));
  EXPECT_EQ(recorder_->count("Random"), 1);
  panel().key('S', ui::kShift);
  panel().key(keys::kDelete, ui::kNoMods);
  EXPECT_EQ(browser, (std::vector<int>{cmd::kLoopSave, cmd::kLoopDelete}));

  // Down and up move the slice focus, and keys then act on that slice.
  panel().key(keys::kDown, ui::kNoMods);
  panel().key(keys::kDown, ui::kNoMods);
  ASSERT_EQ(panel().focusedRow(), 2);
  Looper& s = slice(2);
  const std::string first = s.file();
  struct Case {
    const char* what;
    int key;
    unsigned mods;
    std::function<bool()> done;
  } cases[] = {
      {"M mutes", 'M', ui::kNoMods, [&] { return s.muted(); }},
      {"M again unmutes", 'M', ui::kNoMods, [&] { return !s.muted(); }},
      {"Ctrl+M solos", 'M', ui::kCtrl, [&] { return !s.muted() && slice(0).muted() && slice(5).muted(); }},
      {"Ctrl+P leaves composing", 'P', ui::kCtrl, [&] { return s.idrcOff(); }},
      {"Right steps to the next pattern", keys::kRight, ui::kNoMods, [&] { return s.file() != first; }},
      {"Left steps back", keys::kLeft, ui::kNoMods, [&] { return s.file() == first; }},
      {"X plays anyway", 'X', ui::kNoMods, [&] { return s.playAnyway(); }},
      {"Backspace clears the pattern", keys::kBack, ui::kNoMods, [&] { return s.file().empty() && !slice(3).file().empty(); }},
      {"Ctrl+Backspace clears the loop", keys::kBack, ui::kCtrl, [&] { return slice(3).file().empty(); }},
      {"Up moves the focus up", keys::kUp, ui::kNoMods, [&] { return panel().focusedRow() == 1; }},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(panel().key(c.key, c.mods)) << c.what;
    EXPECT_TRUE(c.done()) << c.what;
  }
  EXPECT_TRUE(panel().row(1)->selected() && !panel().row(2)->selected());

  // Tab walks the row's controls from the remembered one; keypad plus steps the parameter there.
  ui::LooperView& row = *panel().row(1);
  EXPECT_EQ(row.lastFocus(), cmd::kParameterField);
  panel().key(keys::kAdd, ui::kNoMods);
  EXPECT_EQ(slice(1).getParameter(Looper::kVelocityAdjust), 1);
  EXPECT_EQ(row.parameterText(), "1");
  panel().key(keys::kTab, ui::kNoMods);
  EXPECT_EQ(row.lastFocus(), cmd::kNoteSelector);
  panel().key(keys::kTab, ui::kShift);
  panel().key(keys::kTab, ui::kShift);
  EXPECT_EQ(row.lastFocus(), cmd::kStrokesView);
}

TEST_F(PanelTest, ContextMenusHoldTheirItemsAndRunTheChosenCommand) {
  const ui::Point onPattern = centre(cmd::kPatternSelector);  // in row 0
  panel().mouseDown(onPattern, MouseButton::kRight, ui::kNoMods);
  ASSERT_EQ(services_.menus.size(), 1u);
  std::vector<std::string> labels;
  for (const ui::MenuItem& item : services_.menus[0].items) labels.push_back(item.separator ? "-" : item.label);
  EXPECT_EQ(labels, (std::vector<std::string>{
                        "&Copy Loop\bCtrl+C", "P&aste Loop\bCtrl+V", "C&lear Loop\bCtrl+Backspace", "-", "&Mute\bM",
                        "&Solo\bCtrl+M", "Compose &part\bP", "&Disable IDRC for this part\bCtrl+P", "-",
                        "Cl&ear pattern\bBackspace", "-", "Previous pattern\bLeft Arrow", "Next pattern\bRight Arrow", "-",
                        "Previous Slice\bUp Arrow", "Next Slice\bDown Arrow"}));
  EXPECT_TRUE(services_.menus[0].items[1].grayed) << "no loop on the clipboard";

  // Copy through the menu; then paste is offered, and a muted, left-out slice names the other items.
  services_.menuChoices = {cmd::kCopyLoop};
  panel().mouseDown(onPattern, MouseButton::kRight, ui::kNoMods);
  std::string block;
  EXPECT_TRUE(clipboard_.get("Tamborak Loop", block));
  services_.clipboardFormats.insert("Tamborak Loop");
  slice(0).setMute(true, false);
  slice(0).setIdrcOff(true);
  services_.menuChoices = {cmd::kClearPattern};
  panel().mouseDown(onPattern, MouseButton::kRight, ui::kNoMods);
  const ui::Menu& m = services_.menus.back();
  EXPECT_FALSE(m.items[1].grayed);
  EXPECT_EQ(m.items[4].label, "Un&mute\bM");
  EXPECT_EQ(m.items[7].label, "&Enable IDRC for this part\bCtrl+P");
  EXPECT_TRUE(slice(0).file().empty()) << "the chosen item ran";

  // A right click on the mute button solos instead; on the IDRC button nothing happens.
  const std::size_t menus = services_.menus.size();
  click(cmd::kMute, ui::kNoMods, MouseButton::kRight);
  EXPECT_FALSE(slice(0).muted());
  EXPECT_TRUE(slice(1).muted());
  panel().mouseDown(centre(cmd::kIdrc), MouseButton::kRight, ui::kNoMods);
  EXPECT_EQ(services_.menus.size(), menus);
  // A left click with Ctrl held solos too: here un-solos, the slice already being alone.
  click(cmd::kMute, ui::kCtrl);
  EXPECT_FALSE(slice(1).muted());

  // The panel's background, the drag handle and the Options button offer "Options..."; a slider
  // does not.
  for (ui::Point p : {ui::Point{5, 200}, centre(cmd::kDragHandle), centre(cmd::kOptions), centre(cmd::kSwing)}) {
    services_.menuChoices = {cmd::kOptions};
    panel().mouseDown(p, MouseButton::kRight, ui::kNoMods);
  }
  EXPECT_EQ(services_.menus.size(), menus + 3);
  EXPECT_EQ(services_.menus.back().items.size(), 1u);
  EXPECT_EQ(services_.menus.back().items[0].label, "Options...");
  EXPECT_EQ(services_.modals, std::vector<std::string>(3, "Tamborak Options"));
}

TEST_F(PanelTest, RowsShowTheSlicesPatternsLimitsAndNotesAndThePointerShowsTipsInTheStatusLine) {
  ui::LooperView& row = *panel().row(4);
  Looper& s = slice(4);
  EXPECT_EQ(row.patternText(), displayName(s.file()));
  EXPECT_EQ(static_cast<ui::DropList&>(*row.control(cmd::kPartList)).shownText(), folderComponent(s.folder(), 2));
  s.markEdited();
  row.refresh();  // as the stroke editor does after an edit
  EXPECT_EQ(row.patternText(), displayName(s.file()) + " *");
  s.clearPattern();
  s.setEdited(true);
  EXPECT_EQ(row.patternText(), "--- *");
  s.setEdited(false);
  s.nextPattern(true, 1, false);

  // Stroke limits: the counts on offer from the largest down, the current ones selected.
  auto& most = static_cast<ui::DropList&>(*row.control(cmd::kStrokesMax));
  ASSERT_FALSE(most.items().empty());
  for (std::size_t i = 1; i < most.items().size(); ++i)
    EXPECT_GT(std::stoi(most.items()[i - 1]), std::stoi(most.items()[i]));
  EXPECT_EQ(most.shownText(), std::to_string(s.strokesMax()));
  auto& least = static_cast<ui::DropList&>(*row.control(cmd::kStrokesMin));
  least.choose(static_cast<int>(least.items().size()) - 1);
  EXPECT_EQ(s.strokesMin(), std::stoi(least.items().back()));

  // The note selector shows the note names and its menu sets the instrument's note.
  ASSERT_FALSE(s.fixedNoteOn());
  const int instrument = engine().getDrumMap()->note(s.rowKey(0)), chosen = (instrument + 5) % 128;
  row.command(cmd::kNoteMenuBase + instrument * 128 + chosen, ui::kNoMods);
  EXPECT_NE(row.noteText().find(engine().getNoteNames()->displayName(chosen)), std::string::npos) << row.noteText();
  const ui::Menu notes = row.noteMenu();
  ASSERT_FALSE(notes.items.empty());
  services_.menuChoices = {notes.items[0].command};
  click(cmd::kNoteSelector);  // in row 0: the control is looked up there first
  ASSERT_EQ(services_.menus.size(), 1u);
  EXPECT_EQ(recorder_->count("noteName") > 0, true);

  // Pointing at a control puts its description on the status line and its title in the tip.
  panel().mouseMove(centre(cmd::kCompose));
  EXPECT_EQ(services_.tooltip, "Compose Loop");
  EXPECT_EQ(panel().statusText(), "Compose a new loop from the pattern library [Enter]");
  panel().mouseMove(centre(cmd::kQuickPad0 + 6));
  EXPECT_EQ(services_.tooltip, "Quick Pad Panel");
  EXPECT_EQ(panel().statusText(), "Quick Pads for storing and instant recalling Loops [1,2,3,...,0]");
  panel().mouseMove(centre(cmd::kIdrc));
  EXPECT_EQ(panel().statusText(), "Click to disable/enable Auto-compose algorithm for the Slice [<Ctrl>+P]");

  // The fill's row under the slices: the fill folder's patterns and kind only, its own IDRC
  // switch and mute (meaning no fills).
  ui::LooperView& fill = *panel().row(ui::TamborakPanel::kSliceCount);
  Looper& f = slice(Tamborak::kFillSlice);
  ASSERT_EQ(&fill.slice(), engine().slice(Tamborak::kFillSlice));
  fill.slice().nextPattern(false);
  EXPECT_EQ(fill.patternText(), displayName(f.file()));
  EXPECT_EQ(static_cast<ui::DropList&>(*fill.control(cmd::kPartList)).items(), std::vector<std::string>{"Fill"});
  const bool fillMuted = f.muted();
  for (int id : {cmd::kIdrc, cmd::kMute}) {
    const ui::Point at{fill.control(id)->rect().left + 4, fill.control(id)->rect().top + 4};
    panel().mouseDown(at, MouseButton::kLeft, ui::kNoMods);
    panel().mouseUp(at);
    panel().mouseMove(at);
  }
  EXPECT_EQ(f.muted(), !fillMuted);
  EXPECT_TRUE(f.idrcOff() && !slice(0).idrcOff() && !slice(0).muted());
  EXPECT_EQ(panel().statusText(), "Click to mute the fill: no fills play [M]; right-click - Solo/Unsolo the fill [Ctrl+M]");
  panel().mouseMove({5, 200});
  EXPECT_EQ(panel().statusText(), "For Help, press F1");

  const ui::RecordingCanvas canvas = painted();
  for (const char* text : {"Swing", "Velocity Dynamics", "Humanize", "Options", "Reset", "Quantize", "Edit", "IDRC", "Part",
                           "Pattern", "Strokes", "Drag from here", "For Help, press F1", "0", "Fill", "Phrase: off", "Crash"})
    EXPECT_TRUE(canvas.drewText(text)) << text;
  EXPECT_EQ(canvas.clipDepth(), 0) << "every clip popped";
}

TEST_F(PanelTest, APromptToDropEditsGoesOnOnlyWhenTheEditsAreSavedOrLetGo) {
  using platform::PromptAnswer;
  struct Case {
    PromptAnswer answer;
    bool saves, goOn;
  } cases[] = {{PromptAnswer::kYes, true, true},
               {PromptAnswer::kYes, false, false},  // a save that was cancelled or failed keeps the edits
               {PromptAnswer::kNo, false, true},
               {PromptAnswer::kCancel, false, false}};
  for (const Case& c : cases) {
    services_.scriptedPrompt.script(c.answer);
    editing_->saveSucceeds = c.saves;
    EXPECT_EQ(panel().confirmDiscard(), c.goOn) << static_cast<int>(c.answer) << " save " << c.saves;
  }
  EXPECT_EQ(editing_->saves, 2);
  const auto& q = services_.scriptedPrompt.asked().front();
  EXPECT_EQ(std::make_tuple(q.text, q.title, q.buttons, q.icon),
            std::make_tuple(std::string("Save edits to loop?"), std::string("Tamborak"), platform::PromptButtons::kYesNoCancel,
                            platform::PromptIcon::kExclamation));
}

TEST_F(PanelTest, AnOutsideChangeRefreshingTheShownPanelKeepsTheUsersControlSelection) {
  panel().controlSelection().choose(1);
  panel().activate();
  EXPECT_EQ(panel().row(0)->parameterIndex(), 1);
  panel().deactivate();
  panel().activate();
  EXPECT_EQ(panel().controlSelection().shownText(), "Velo") << "a page shown again starts on the velocity";
}

TEST_F(PanelTest, TheTimerShowsPlayPositionsAndAPadChangedElsewhereIsHighlightedOnceAnnounced) {
  EXPECT_EQ(services_.timers.at(ui::TamborakPanel::kPlayTimer), 10);
  panel().onTimer(ui::TamborakPanel::kPlayTimer);
  EXPECT_EQ(recorder_->count("updatePlayPositions"), 1);
  engine().setLoopIdx(5, false, 0);
  platform::UiQueue::main().pump();
  platform::UiQueue::main().pump();
  EXPECT_EQ(panel().highlightedPad(), 5);
  panel().deactivate();
  EXPECT_TRUE(services_.timers.empty());

  panel().detach();
  EXPECT_EQ(recorder_->count("removeView"), 1);
  click(cmd::kCompose);
  EXPECT_FALSE(panel().key(keys::kReturn, ui::kNoMods));
  EXPECT_EQ(recorder_->count("Random"), 0) << "a detached panel leaves the engine alone";
}

}  // namespace
}  // namespace velmora::test
