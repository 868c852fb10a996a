#include "ui/TamborakPanel.h"

#include <cstdio>

#include "ui/Accelerators.h"
#include "ui/CommandIds.h"
#include "ui/LoopBrowserStrip.h"
#include "ui/OptionsDialog.h"
#include "ui/Pictures.h"
#include "ui/Strings.h"

namespace velmora::ui {

namespace {

constexpr int kRowLeft = 12, kRowTop = 136, kRowPitch = 33;
constexpr char kHelpText[] = "For Help, press F1";
const std::vector<std::string> kParameterNames{"Velo", "Dyn", "Time"};
const std::vector<std::string> kGridNames{"Off", "8", "12", "16", "24", "32", "48"};
constexpr int kGridValues[] = {0, 8, 12, 16, 24, 32, 48};
// The quick pads, the loop browser and the phrase controls sit under the rows.
constexpr int kPadTop = kRowTop + TamborakPanel::kRowCount * kRowPitch + 8;
const std::vector<std::string> kPhraseNames{"Phrase: off", "Phrase: 2", "Phrase: 4", "Phrase: 8", "Phrase: 16"};
const std::vector<std::string> kFillLengthNames{"Fill: beat", "Fill: 2 beats", "Fill: bar"};

std::string format(const char* pattern, int a, int b = 0) {
  char text[96];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

}  // namespace

Rect TamborakPanel::padRect(int pad) {
  const int col = pad % 5, line = pad / 5;
  return {kRowLeft + col * 54, kPadTop + line * 24, kRowLeft + col * 54 + 50, kPadTop + 20 + line * 24};
}

TamborakPanel::TamborakPanel(ControlApi& engine, LoopEditing& editing, WindowServices& services, platform::UiQueue& queue)
    : engine_(&engine), editing_(editing), services_(services), queue_(queue) {
  setLoopIdxMessage_ = platform::registerUiMessage("Velmora_ViewsSetLoopIdx");
  target_ = queue_.createTarget([this](platform::UiMessage message, std::uintptr_t wParam, std::intptr_t) {
    if (message == setLoopIdxMessage_) highlightPad(static_cast<int>(wParam));
  });
  build();
  engine.addView(this);
  refreshAll();
}

TamborakPanel::~TamborakPanel() {
  detach();
  queue_.destroyTarget(target_);
}

void TamborakPanel::detach() {
  if (!engine_) return;
  services_.killTimer(kPlayTimer);
  attachLoopBrowser(nullptr);
  captured_ = hovered_ = nullptr;
  for (auto& row : rows_) row.reset();
  ControlApi* engine = engine_;
  engine_ = nullptr;
  engine->removeView(this);
}

void TamborakPanel::build() {
  using Style = Button::Style;
  compose_ = std::make_unique<Button>(*this, cmd::kCompose, kComposeRect, "");
  compose_->setPicture([](Canvas& c, const Rect& r, bool pressed, bool) { drawComposePicture(c, r, pressed); });
  options_ = std::make_unique<Button>(*this, cmd::kOptions, kOptionsRect, "Options");
  reset_ = std::make_unique<Button>(*this, cmd::kReset, Rect{12, 93, 68, 112}, "Reset");
  mode_ = std::make_unique<DropList>(*this, cmd::kMode, Rect{76, 8, 198, 28});
  const char* variationLabels[] = {"Small", "Med", "Large"};
  for (int i = 0; i < 3; ++i)
    variations_[static_cast<std::size_t>(i)] = std::make_unique<Button>(
        *this, cmd::kSmallVariations + i, Rect{76 + i * 41, 33, 116 + i * 41, 51}, variationLabels[i], Style::kToggle);
  quantize_ = std::make_unique<Button>(*this, cmd::kQuantize, Rect{76, 56, 135, 75}, "Quantize", Style::kToggle);
  help_ = std::make_unique<Button>(*this, cmd::kHelp, Rect{139, 56, 198, 75}, "Help");
  edit_ = std::make_unique<Button>(*this, cmd::kEdit, Rect{76, 80, 135, 99}, "Edit", Style::kToggle);
  about_ = std::make_unique<Button>(*this, cmd::kAbout, Rect{139, 80, 198, 112}, "");
  about_->setPicture([](Canvas& c, const Rect& r, bool pressed, bool) { drawAboutPicture(c, r, pressed); });
  swing_ = std::make_unique<VSlider>(*this, cmd::kSwing, Rect{210, 8, 250, 112}, "Swing", 0, 100);
  veloPad_ = std::make_unique<Pad2D>(*this, cmd::kVeloPad, Rect{258, 8, 366, 112}, "Velocity Dynamics", -100, 200, -100, 100);
  humanize_ = std::make_unique<HumanizeSlider>(*this, cmd::kHumanize, cmd::kHumanizeTrend, Rect{374, 8, 428, 112}, "Humanize");
  noteNames_ = std::make_unique<DropList>(*this, cmd::kNoteNames, Rect{436, 8, 548, 28});
  controlSelect_ = std::make_unique<DropList>(*this, cmd::kControlSelect, Rect{436, 33, 488, 51});
  grid_ = std::make_unique<DropList>(*this, cmd::kGrid, Rect{494, 33, 548, 51});
  handle_ = std::make_unique<DragHandle>(*this, cmd::kDragHandle, kDragRect, "Drag from here");
  for (int i = 0; i < cmd::kQuickPadCount; ++i)
    pads_[static_cast<std::size_t>(i)] =
        std::make_unique<Button>(*this, cmd::kQuickPad0 + i, padRect(i), std::to_string((i + 1) % 10), Style::kPad);
  phrase_ = std::make_unique<DropList>(*this, cmd::kPhrase, Rect{286, kPadTop + 27, 370, kPadTop + 46});
  fillLength_ = std::make_unique<DropList>(*this, cmd::kFillLength, Rect{374, kPadTop + 27, 462, kPadTop + 46});
  crash_ = std::make_unique<Button>(*this, cmd::kCrash, Rect{466, kPadTop + 27, 548, kPadTop + 46}, "Crash", Style::kToggle);
  status_ = std::make_unique<Label>(*this, cmd::kStatus, Rect{kRowLeft, kPadTop + 50, 548, kPadTop + 68}, kHelpText, Align::kLeft,
                                    FontStyle::kNormal, true);
  const struct {
    const char* text;
    int left, right;
  } headings[] = {{"IDRC", 22, 60}, {"Part", 68, 129}, {"Pattern", 131, 187}, {"Strokes", 190, 404}};
  for (const auto& h : headings)
    headings_.push_back(
        std::make_unique<Label>(*this, 0, Rect{h.left, 118, h.right, 133}, h.text, Align::kCenter, FontStyle::kSmall));

  controlSelect_->setItems(kParameterNames);
  controlSelect_->select(0);
  grid_->setItems(kGridNames);
  grid_->select(0);
  phrase_->setItems(kPhraseNames);
  fillLength_->setItems(kFillLengthNames);

  controls_ = {compose_.get(), options_.get(), reset_.get(), mode_.get(), variations_[0].get(), variations_[1].get(),
               variations_[2].get(), quantize_.get(), help_.get(), edit_.get(), about_.get(), swing_.get(),
               veloPad_.get(), humanize_.get(), noteNames_.get(), controlSelect_.get(), grid_.get(), handle_.get(),
               phrase_.get(), fillLength_.get(), crash_.get()};
  for (auto& pad : pads_) controls_.push_back(pad.get());
  for (Control* c : controls_) c->setTooltip(loadString(c->id()));
  humanize_->amountSlider().setTooltip(loadString(cmd::kHumanize));
  humanize_->trendSlider().setTooltip(loadString(cmd::kHumanizeTrend));

  // The fill's row is a slice row too: its part list offers only the kinds of the fill folder.
  for (int i = 0; i < kRowCount; ++i)
    if (SliceApi* slice = engine_->slice(i))
      rows_[static_cast<std::size_t>(i)] =
          std::make_unique<LooperView>(*this, *engine_, editing_, *slice, Point{kRowLeft, kRowTop + i * kRowPitch});
  if (LooperView* fill = row(kSliceCount)) fill->control(cmd::kMute)->setTooltip(loadString(cmd::kFillMuteTip));
  focusRow(0);
}

Rect TamborakPanel::loopBrowserRect() { return {286, kPadTop, kWidth - 12, kPadTop + LoopBrowser::naturalHeight()}; }

void TamborakPanel::attachLoopBrowser(LoopBrowser* strip) {
  if (browser_) browser_->setParentKeys(nullptr);
  browser_ = strip;
  browserFocused_ = false;
  captured_ = hovered_ = nullptr;
  if (!strip) {
    loopBrowser_ = nullptr;
    return;
  }
  strip->create(loopBrowserRect());
  // Keys the strip does not hold reach the rows and the panel's table as if it had no focus.
  strip->setParentKeys([this](int vk, unsigned mods) { return rowKey(vk, mods); });
  loopBrowser_ = [strip](int id) { strip->command(id); };
  services_.invalidate(loopBrowserRect());
}

LooperView* TamborakPanel::row(int index) {
  return index >= 0 && index < kRowCount ? rows_[static_cast<std::size_t>(index)].get() : nullptr;
}

Control* TamborakPanel::control(int id) {
  // The humanize control's two sliders answer for their own ids.
  if (id == cmd::kHumanize) return &humanize_->amountSlider();
  if (id == cmd::kHumanizeTrend) return &humanize_->trendSlider();
  if (id == cmd::kStatus) return status_.get();
  for (Control* c : controls_)
    if (c->id() == id) return c;
  for (auto& row : rows_)
    if (row)
      if (Control* c = row->control(id)) return c;
  return nullptr;
}

Control* TamborakPanel::controlAt(Point p) {
  if (browser_ && browser_->rect().contains(p)) return browser_->controlAt(p);
  for (Control* c : controls_)
    if (c->rect().contains(p)) return c;
  for (auto& row : rows_)
    if (row && row->rect().contains(p)) return row->controlAt(p);
  return nullptr;
}

int TamborakPanel::highlightedPad() const {
  for (int i = 0; i < cmd::kQuickPadCount; ++i)
    if (pads_[static_cast<std::size_t>(i)]->checked()) return i;
  return -1;
}

// ---- Life of the page

void TamborakPanel::activate() {
  if (!engine_) return;
  highlightPad(engine_->getLoopIdx());
  // A panel already shown is only refreshed: the user's choice of parameter stays.
  if (!shown_) controlSelect_->choose(0);
  shown_ = true;
  refreshAll();
  services_.setTimer(kPlayTimer, kPlayTimerMs);
}

void TamborakPanel::deactivate() {
  services_.killTimer(kPlayTimer);
  shown_ = false;
}

void TamborakPanel::onTimer(int id) {
  if (id != kPlayTimer || !engine_) return;
  if (playClock_)
    playClock_();
  else
    engine_->updatePlayPositions();
}

// ---- Displays

void TamborakPanel::refreshAll() {
  for (Item item : {Item::kSwing, Item::kVeloDyn, Item::kHumanize, Item::kHumanizeTrend, Item::kQuantize, Item::kVolume,
                    Item::kPatternGroup, Item::kNoteNames, Item::kPhrase})
    refresh(item);
  highlightPad(engine_->getLoopIdx());
}

void TamborakPanel::refresh(Item item) {
  if (!engine_) return;
  switch (item) {
    case Item::kSwing: swing_->setValue(engine_->getSwingPc()); break;
    case Item::kSwingGrid: break;
    case Item::kPhrase:
      phrase_->select(phraseChoice(engine_->getPhraseBars()));
      fillLength_->select(engine_->getFillLength());
      crash_->setChecked(engine_->getCrashAfterFill());
      break;
    case Item::kVeloDyn:
    case Item::kVeloCenter: veloPad_->setValues(engine_->getVeloDyn(), engine_->getVeloCenterPC()); break;
    case Item::kHumanize: humanize_->setAmount(engine_->getHumanizeVelo()); break;
    case Item::kHumanizeTrend: humanize_->setTrend(engine_->getHumanizeVeloTrend()); break;
    case Item::kQuantize: quantize_->setChecked(engine_->getQuantize()); break;
    case Item::kVolume: refreshVolumes(); break;
    case Item::kPatternGroup:
      for (int i = 0; i < 3; ++i) variations_[static_cast<std::size_t>(i)]->setChecked(engine_->getPatternGroup() == i);
      for (auto& row : rows_)
        if (row) row->refresh();
      break;
    case Item::kNoteNames:
      engine_->fillInstrumentFlatCombo(*noteNames_);
      if (const std::string title = engine_->noteNamesTitle(); !title.empty()) noteNames_->setPlaceholder(title);
      else noteNames_->setPlaceholder("Pitch names");
      [[fallthrough]];
    case Item::kDrumMap:
      for (auto& row : rows_)
        if (row) row->refresh();
      break;
    case Item::kLoop:
      refreshAll();
      for (auto& row : rows_)
        if (row) row->refresh();
      break;
  }
}

void TamborakPanel::refreshVolumes() {
  const Choices volumes = engine_->volumeChoices();
  mode_->setItems(volumes.names);
  mode_->select(volumes.current);
  mode_->setPlaceholder(engine_->getVolumeName());
}

void TamborakPanel::highlightPad(int index) {
  for (int i = 0; i < cmd::kQuickPadCount; ++i) pads_[static_cast<std::size_t>(i)]->setChecked(i == index);
}

void TamborakPanel::focusRow(int index) {
  if (!row(index)) return;
  focusedRow_ = index;
  for (int i = 0; i < kRowCount; ++i)
    if (LooperView* r = row(i)) r->setSelected(i == index);
}

void TamborakPanel::setWindowText(const std::string& text) {
  windowText_ = text;
  services_.setWindowText(text);
}

void TamborakPanel::showValue(int id) {
  if (id == cmd::kSwing) setWindowText(format("Swing: %d%%", engine_->getSwingPc()));
  else if (id == cmd::kHumanize) setWindowText(format("Humanize Velocity: %d", engine_->getHumanizeVelo()));
  else if (id == cmd::kVeloPad)
    setWindowText(format("Velocity Dinamics: %d%%; Center: %d%%", engine_->getVeloDyn(), engine_->getVeloCenterPC()));
}

bool TamborakPanel::confirmDiscard() {
  const platform::PromptAnswer answer = services_.prompt().ask(
      "Save edits to loop?", "Tamborak", platform::PromptButtons::kYesNoCancel, platform::PromptIcon::kExclamation);
  if (answer == platform::PromptAnswer::kCancel) return false;
  // Going on after a Yes whose save was cancelled or failed would drop the edits unsaved.
  if (answer == platform::PromptAnswer::kYes) return editing_.saveLoopAs();
  return true;
}

// ---- Commands

void TamborakPanel::command(int id, unsigned mods) {
  if (!engine_) return;
  if (id >= cmd::kQuickPad0 && id < cmd::kQuickPad0 + cmd::kQuickPadCount) {
    const int pad = id - cmd::kQuickPad0;
    if (pad != engine_->getLoopIdx()) engine_->setLoopIdx(pad, true, 0);
    highlightPad(engine_->getLoopIdx());
    return;
  }
  if (id >= cmd::kSmallVariations && id <= cmd::kLargeVariations) {
    engine_->setPatternGroup(id - cmd::kSmallVariations, true);
    refresh(Item::kPatternGroup);
    return;
  }
  switch (id) {
    case cmd::kCompose: engine_->compose(nullptr); break;
    case cmd::kOptions: {
      OptionsDialog dialog(*engine_, services_);
      services_.runModal(dialog);
      break;
    }
    case cmd::kAbout: services_.runDialog(Dialog::kAbout); break;
    case cmd::kHelp: services_.runDialog(Dialog::kHelp); break;
    case cmd::kQuantize: engine_->setQuantize(!engine_->getQuantize(), true); refresh(Item::kQuantize); break;
    case cmd::kCrash: engine_->setCrashAfterFill(!engine_->getCrashAfterFill(), true); refresh(Item::kPhrase); break;
    case cmd::kReset: {
      const int focused = focusedRow_;
      engine_->ResetPars();
      refreshAll();
      for (auto& row : rows_)
        if (row) row->repaintParameters();
      focusRow(focused);
      break;
    }
    case cmd::kEdit:
      edit_->setChecked(!edit_->checked());
      for (auto& row : rows_)
        if (row) row->setEditMode(edit_->checked());
      break;
    case cmd::kTogglePlayback: engine_->togglePlayback(); break;
    case cmd::kNextSlice: focusRow(focusedRow_ + 1); break;
    case cmd::kPreviousSlice: focusRow(focusedRow_ - 1); break;
    case cmd::kLoopSaveAs:
    case cmd::kLoopSave:
    case cmd::kLoopInsert:
    case cmd::kLoopDelete:
      if (loopBrowser_) loopBrowser_(id);
      break;
    default: break;
  }
  (void)mods;
}

void TamborakPanel::rowCommand(LooperView&, int command) { this->command(command); }

bool TamborakPanel::translateAccelerator(int key, unsigned mods) {
  const int command = ui::translateAccelerator(panelAccelerators(), key, mods);
  if (!command) return false;
  this->command(command, mods);
  return true;
}

void TamborakPanel::rowFocused(LooperView& focused) {
  for (int i = 0; i < kRowCount; ++i)
    if (row(i) == &focused) focusRow(i);
}

void TamborakPanel::onNotify(Control& control, Notify what) {
  if (!engine_) return;
  const int id = control.id();
  switch (what) {
    case Notify::kClicked: command(id); return;
    case Notify::kDrag:
      services_.startDrag();
      engine_->dragLoop();
      return;
    case Notify::kEndTrack: return;  // the text of the last move stays
    case Notify::kTrack:
      if (id == cmd::kSwing) engine_->setSwingPc(swing_->value(), true);
      else if (id == cmd::kHumanize) engine_->setHumanizeVelo(humanize_->amount(), true);
      else if (id == cmd::kHumanizeTrend) engine_->setHumanizeVeloTrend(humanize_->trend(), true);
      else if (id == cmd::kVeloPad) {
        // The first setter refreshes the pad from the engine: take both values before it runs.
        const int dynamics = veloPad_->x(), centre = veloPad_->y();
        engine_->setVeloDyn(dynamics, true);
        engine_->setVeloCenterPC(centre, true);
      }
      showValue(id);
      return;
    case Notify::kChanged: break;
    default: return;
  }
  std::string text;
  static_cast<DropList&>(control).selectedText(text);
  if (id == cmd::kMode) {
    engine_->setVolume(text);
    refreshVolumes();
  } else if (id == cmd::kNoteNames) {
    engine_->onInstrumentFlatCombo(*noteNames_);
  } else if (id == cmd::kControlSelect) {
    int index = -1;
    for (std::size_t i = 0; i < kParameterNames.size(); ++i)
      if (kParameterNames[i] == text) index = static_cast<int>(i);
    for (auto& row : rows_)
      if (row) row->setParameterIndex(index);
  } else if (id == cmd::kPhrase || id == cmd::kFillLength) {
    const int entry = static_cast<DropList&>(control).selection();
    if (id == cmd::kPhrase) engine_->setPhraseBars(kPhraseBars[entry], true);
    else engine_->setFillLength(entry, true);
    refresh(Item::kPhrase);
  } else if (id == cmd::kGrid) {
    const int entry = grid_->selection();
    for (auto& row : rows_)
      if (row && entry >= 0) row->setGrid(kGridValues[entry]);
  }
}

// ---- Input

Menu TamborakPanel::contextMenu() const {
  Menu menu;
  menu.add(cmd::kOptions, "Options...");
  return menu;
}

void TamborakPanel::mouseDown(Point p, MouseButton button, unsigned mods) { press(p, button, mods, false); }

void TamborakPanel::doubleClick(Point p, unsigned mods) { press(p, MouseButton::kLeft, mods, true); }

void TamborakPanel::press(Point p, MouseButton button, unsigned mods, bool twice) {
  if (!engine_) return;
  if (captured_) return;
  if (LooperView* focused = row(focusedRow_))
    if (Control* c = focused->focusControl(); !c->rect().contains(p)) c->focusLost();
  capturedBy_ = button;
  browserFocused_ = browser_ && browser_->rect().contains(p);
  if (browserFocused_) {
    captured_ = browser_->mouseDown(p, button, mods);
    if (captured_) services_.captureMouse();
    return;
  }
  for (auto& row : rows_) {
    if (!row || !row->rect().contains(p)) continue;
    Control* hit = row->controlAt(p);
    if (button == MouseButton::kRight && (!hit || (hit->id() != cmd::kMute && hit->id() != cmd::kIdrc))) {
      if (const std::uint32_t chosen = services_.trackMenu(row->contextMenu(), p))
        row->command(static_cast<int>(chosen), kNoMods);
      return;
    }
    Control* captured = nullptr;
    row->mouseDown(p, button, mods, &captured, twice);
    captured_ = captured;
    if (captured_) services_.captureMouse();
    return;
  }
  Control* hit = controlAt(p);
  if (button == MouseButton::kRight) {
    if (!hit || hit == handle_.get() || hit == options_.get()) {
      if (const std::uint32_t chosen = services_.trackMenu(contextMenu(), p)) command(static_cast<int>(chosen));
    }
    return;
  }
  if (hit && (twice ? hit->doubleClick(p, mods) : hit->mouseDown(p, button, mods))) {
    captured_ = hit;
    services_.captureMouse();
  }
}

void TamborakPanel::mouseMove(Point p) {
  if (captured_) {
    captured_->mouseMove(p);
    return;
  }
  Control* hit = controlAt(p);
  if (hit == hovered_) return;
  hovered_ = hit;
  showTip(hit, p);
}

void TamborakPanel::showTip(Control* hit, Point p) {
  std::string tip;
  if (hit == humanize_.get()) tip = humanize_->tooltipAt(p);
  else if (hit) tip = hit->tooltip();
  const std::string description = tipDescription(tip);
  status_->setText(description.empty() ? kHelpText : description);
  services_.showTooltip(tipTitle(tip), hit ? hit->rect() : Rect{});
}

void TamborakPanel::mouseUp(Point p, MouseButton button) {
  Control* c = captured_;
  if (!c || button != capturedBy_) return;
  captured_ = nullptr;
  services_.releaseMouse();
  c->mouseUp(p);
}

void TamborakPanel::wheel(Point p, int notches) {
  if (LooperView* r = row(focusedRow_))
    if (Control* c = r->focusControl(); c && c->id() == cmd::kParameterField && static_cast<NumberField*>(c)->editing()) {
      c->wheel(notches);
      return;
    }
  if (Control* c = controlAt(p)) c->wheel(notches);
}

bool TamborakPanel::key(int vk, unsigned mods) {
  if (!engine_) return false;
  if (browser_ && browserFocused_) return browser_->key(vk, mods);
  return rowKey(vk, mods);
}

bool TamborakPanel::rowKey(int vk, unsigned mods) {
  if (!engine_) return false;
  if (LooperView* r = row(focusedRow_)) return r->key(vk, mods);
  return translateAccelerator(vk, mods);
}

bool TamborakPanel::character(char c) {
  LooperView* r = row(focusedRow_);
  return r && r->character(c);
}

void TamborakPanel::paint(Canvas& c) {
  c.fill(bounds(), colors::kFace);
  // Separators between the global controls, the rows and the pads.
  c.line({8, 115}, {kWidth - 8, 115}, colors::kShadow);
  c.line({8, 116}, {kWidth - 8, 116}, colors::kLight);
  for (Control* control : controls_) control->paint(c);
  for (auto& heading : headings_) heading->paint(c);
  for (auto& row : rows_)
    if (row) row->paint(c);
  if (browser_) browser_->paint(c);
  status_->paint(c);
}

}  // namespace velmora::ui
