#include "ui/LooperView.h"

#include "ui/Accelerators.h"
#include "ui/CommandIds.h"
#include "ui/Pictures.h"
#include "ui/Strings.h"

namespace velmora::ui {

namespace {

constexpr char kLoopFormat[] = "Tamborak Loop";

}  // namespace

LooperView::LooperView(RowOwner& owner, ControlApi& engine, LoopEditing& editing, SliceApi& slice, Point origin)
    : owner_(owner), engine_(engine), editing_(editing), slice_(slice), origin_(origin) {
  mute_ = std::make_unique<Button>(*this, cmd::kMute, at(1, 5, 10, 26), "");
  mute_->setRightClicks(true);
  mute_->setPicture([this](Canvas& c, const Rect& r, bool, bool) { drawMuteLamp(c, r, !slice_.muted()); });
  idrc_ = std::make_unique<Button>(*this, cmd::kIdrc, at(24, 8, 33, 22), "", Button::Style::kToggle);
  idrc_->setPicture([this](Canvas& c, const Rect& r, bool, bool off) {
    const Rect dot = r.inset(3);
    c.fill(dot, !idrc_->enabled() ? colors::kGreyText : off ? colors::kShadow : colors::kAccent);
  });
  compose_ = std::make_unique<Button>(*this, cmd::kComposePart, at(34, 8, 47, 24), "");
  compose_->setPicture([](Canvas& c, const Rect& r, bool pressed, bool) { drawDie(c, r, pressed); });
  part_ = std::make_unique<DropList>(*this, cmd::kPartList, at(56, 1, 95, 30));
  part_->setImages(&kindImages(), [](const std::string& kind) { return KindImages::cellOf(kind); });
  part_->setTextTooltip(true);
  strokesMax_ = std::make_unique<DropList>(*this, cmd::kStrokesMax, at(95, 1, 117, 15));
  strokesMin_ = std::make_unique<DropList>(*this, cmd::kStrokesMin, at(95, 16, 117, 30));
  strokesMax_->setSwapPlusMinus(true);
  strokesMin_->setSwapPlusMinus(true);
  previous_ = std::make_unique<Button>(*this, cmd::kPreviousPattern, at(119, 5, 131, 26), "");
  previous_->setPicture([](Canvas& c, const Rect& r, bool, bool) { drawArrow(c, r, false, colors::kDark); });
  pattern_ = std::make_unique<DropList>(*this, cmd::kPatternSelector, at(131, 5, 163, 26));
  next_ = std::make_unique<Button>(*this, cmd::kNextPattern, at(163, 5, 175, 26), "");
  next_->setPicture([](Canvas& c, const Rect& r, bool, bool) { drawArrow(c, r, true, colors::kDark); });
  strokes_ = std::make_unique<EventBar>(*this, cmd::kStrokesView, at(178, 1, 392, 30),
                                        [this](const std::string& text) { owner_.setWindowText(text); });
  strokes_->setSlice(&slice_);
  param_ = std::make_unique<NumberField>(*this, cmd::kParameterField, at(396, 5, 428, 25));
  note_ = std::make_unique<Button>(*this, cmd::kNoteSelector, at(432, 5, 534, 25), "", Button::Style::kField);
  controls_ = {mute_.get(),     idrc_.get(),    compose_.get(), part_.get(),    strokesMax_.get(), strokesMin_.get(),
               previous_.get(), pattern_.get(), next_.get(),    strokes_.get(), param_.get(),      note_.get()};
  for (Control* c : controls_)
    if (c->tooltip().empty()) c->setTooltip(loadString(c->id()));
  slice_.attachObserver(this);
  refresh();
}

LooperView::~LooperView() {
  if (slice_.observer() == this) slice_.attachObserver(nullptr);
}

Rect LooperView::at(int left, int top, int right, int bottom) const {
  return Rect{left, top, right, bottom}.offset(origin_.x, origin_.y);
}

void LooperView::setSelected(bool on) {
  if (on == selected_) return;
  selected_ = on;
  strokes_->setSelected(on);
  owner_.services().invalidate(rect());
}

Control* LooperView::control(int id) {
  for (Control* c : controls_)
    if (c->id() == id) return c;
  return nullptr;
}

Control* LooperView::focusControl() {
  Control* c = control(lastFocus_);
  return c ? c : param_.get();
}

Control* LooperView::controlAt(Point p) {
  for (Control* c : controls_)
    if (c->rect().contains(p)) return c;
  return nullptr;
}

void LooperView::takeFocus(int id) {
  if (id != lastFocus_) {
    if (Control* old = control(lastFocus_)) old->focusLost();
    lastFocus_ = id;
  }
  owner_.rowFocused(*this);
}

void LooperView::setParameterIndex(int index) {
  parameterIndex_ = index >= 0 && index <= 2 ? index : -1;
  param_->setTooltip(parameterIndex_ >= 0 ? loadString(cmd::kParameterTip + parameterIndex_) : std::string());
  repaintParameters();
}

// ---- Displays

void LooperView::refresh() {
  refreshFlags();
  refreshPattern(true);
  repaintParameters();
}

void LooperView::refreshFlags() {
  mute_->setChecked(!slice_.muted());
  mute_->invalidate();
  idrc_->setEnabled(!slice_.muted());
  idrc_->setChecked(slice_.idrcOff());
  strokes_->invalidate();
}

void LooperView::refreshPattern(bool folderChanged) {
  if (folderChanged) {
    const Choices kinds = slice_.kindChoices();
    part_->setItems(kinds.names);
    part_->select(kinds.current);
  }
  const Choices patterns = slice_.patternChoices();
  pattern_->setItems(patterns.names);
  if (slice_.edited()) {
    pattern_->setPlaceholder(slice_.file().empty() ? "--- *" : slice_.patternName() + " *");
  } else {
    pattern_->select(patterns.current);
    if (patterns.current < 0) pattern_->setPlaceholder(slice_.ownEvents() ? "---" : slice_.file());
  }
  refreshStrokeLists();
  refreshNotes();  // the rows, and so the notes, follow the pattern's keys
  strokes_->invalidate();
}

void LooperView::refreshStrokeLists() {
  std::vector<std::string> counts;
  int maxAt = -1, minAt = -1;
  for (int n = 31; n >= 0; --n) {
    if (!(slice_.strokesMask() & (1u << n))) continue;
    if (n == slice_.strokesMax()) maxAt = static_cast<int>(counts.size());
    if (n == slice_.strokesMin()) minAt = static_cast<int>(counts.size());
    counts.push_back(std::to_string(n));
  }
  strokesMax_->setItems(counts);
  strokesMax_->select(maxAt);
  strokesMin_->setItems(counts);
  strokesMin_->select(minAt);
}

void LooperView::repaintParameters() {
  param_->setText(parameterIndex_ >= 0 ? std::to_string(slice_.parameter(parameterIndex_)) : std::string());
}

void LooperView::refreshNotes() {
  std::string text;
  if (slice_.fixedNoteOn()) {
    text = engine_.noteName(slice_.fixedNote());
  } else {
    const int rows = slice_.rowCount();
    for (int row = 0; row < rows; ++row) {
      const int key = slice_.rowKey(row);
      if (key < 0) continue;
      text += (text.empty() ? "" : ", ") + engine_.noteName(slice_.noteOf(slice_.instrumentOf(key)));
    }
  }
  note_->setLabel(text);
  note_->setTooltip(text.empty() ? loadString(cmd::kNoteSelector) : text);
}

std::string LooperView::patternText() const { return pattern_->shownText(); }

Menu LooperView::noteMenu() {
  Menu menu;
  if (slice_.fixedNoteOn()) {
    editing_.fillNoteMenu(menu, slice_.fixedNote(), slice_.fixedNote());
    return menu;
  }
  const int rows = slice_.rowCount();
  auto fillFor = [&](Menu& m, int key) {
    const int instrument = slice_.instrumentOf(key);
    editing_.fillNoteMenu(m, instrument, slice_.noteOf(instrument));
  };
  if (rows == 1) {
    if (slice_.rowKey(0) >= 0) fillFor(menu, slice_.rowKey(0));
    return menu;
  }
  for (int row = rows - 1; row >= 0; --row) {
    const int key = slice_.rowKey(row);
    if (key < 0) continue;
    Menu sub;
    fillFor(sub, key);
    menu.addSubmenu(engine_.instrumentName(key), std::move(sub));
  }
  return menu;
}

void LooperView::showPosition(std::int32_t position, std::int32_t length) { strokes_->showPosition(position, length); }

// ---- Commands and input

void LooperView::command(int id, unsigned mods) {
  const bool ctrl = (mods & kCtrl) != 0;
  switch (id) {
    case cmd::kMute:
      if (ctrl) slice_.setMute(slice_.muted(), true);
      else slice_.setMute(!slice_.muted(), false);
      refreshFlags();
      return;
    case cmd::kSolo:
      slice_.setMute(slice_.muted(), true);
      refreshFlags();
      return;
    case cmd::kIdrc:
      slice_.setIdrcOff(!slice_.idrcOff());
      refreshFlags();
      return;
    case cmd::kComposePart: slice_.composePart(); return;
    case cmd::kNextPattern: slice_.nextPattern(ctrl); return;
    case cmd::kPreviousPattern: slice_.previousPattern(ctrl); return;
    case cmd::kClearPattern: slice_.clearPattern(); return;
    case cmd::kClearLoop: engine_.clearLoop(); return;
    case cmd::kCopyLoop: editing_.copyLoop(); return;
    case cmd::kPasteLoop: editing_.pasteLoop(); return;
    case cmd::kFocusNext:
    case cmd::kFocusPrevious: {
      const int n = static_cast<int>(controls_.size());
      int i = 0;
      while (i < n && controls_[static_cast<std::size_t>(i)]->id() != focusControl()->id()) ++i;
      i = (i + (id == cmd::kFocusNext ? 1 : n - 1)) % n;
      takeFocus(controls_[static_cast<std::size_t>(i)]->id());
      return;
    }
    default: break;
  }
  if (id >= cmd::kNoteMenuBase && id < cmd::kNoteMenuBase + 128 * 128) {
    slice_.setInstrument(id - cmd::kNoteMenuBase);
    refreshNotes();
    return;
  }
  owner_.rowCommand(*this, id);
}

void LooperView::onNotify(Control& control, Notify what) {
  if (control.id() == cmd::kStrokesView) {
    refreshPattern(false);  // the first stroke edit: the pattern's name is shown as edited
    return;
  }
  takeFocus(control.id());
  if (what == Notify::kClicked) {
    const Button& b = static_cast<Button&>(control);
    if (control.id() == cmd::kMute && b.lastButton() == MouseButton::kRight) {
      command(cmd::kSolo, b.lastMods());
    } else if (control.id() == cmd::kNoteSelector) {
      const std::uint32_t chosen = services().trackMenu(noteMenu(), {control.rect().left, control.rect().bottom});
      if (chosen) command(static_cast<int>(chosen), kNoMods);
    } else {
      command(control.id(), b.lastMods());
    }
    return;
  }
  if (what == Notify::kChanged) {
    std::string text;
    if (!static_cast<DropList&>(control).selectedText(text)) return;
    switch (control.id()) {
      case cmd::kPartList:
        if (slice_.setKind(text)) slice_.composePart();
        break;
      case cmd::kStrokesMin: slice_.setStrokesMin(readInt(text)); break;
      case cmd::kStrokesMax: slice_.setStrokesMax(readInt(text)); break;
      case cmd::kPatternSelector: slice_.selectPatternByName(text); break;
      default: break;
    }
    refreshPattern(control.id() == cmd::kPartList);
    return;
  }
  if (parameterIndex_ < 0) return;
  if (what == Notify::kStepUp || what == Notify::kStepDown) {
    slice_.setParameter(parameterIndex_, slice_.parameter(parameterIndex_) + (what == Notify::kStepUp ? 1 : -1));
    repaintParameters();
  } else if (what == Notify::kEdited) {
    slice_.setParameter(parameterIndex_, param_->editValue());
    repaintParameters();
  }
}

bool LooperView::key(int vk, unsigned mods) {
  Control* focused = focusControl();
  if (focused->key(vk, mods)) return true;
  if (const int command = translateAccelerator(rowAccelerators(), vk, mods)) {
    this->command(command, mods);
    return true;
  }
  if (owner_.translateAccelerator(vk, mods)) return true;
  if (vk == 'X' && mods == kNoMods) {
    slice_.setPlayAnyway();
    return true;
  }
  return false;
}

bool LooperView::character(char c) { return focusControl()->character(c); }

bool LooperView::mouseDown(Point p, MouseButton button, unsigned mods, Control** captured, bool twice) {
  *captured = nullptr;
  if (!rect().contains(p)) return false;
  Control* c = controlAt(p);
  if (c && c->id() != lastFocus_) focusControl()->focusLost();
  if (c && (twice ? c->doubleClick(p, mods) : c->mouseDown(p, button, mods))) *captured = c;
  if (c && c->id() != cmd::kMute && c->id() != cmd::kIdrc) lastFocus_ = c->id();
  owner_.rowFocused(*this);
  return true;
}

Menu LooperView::contextMenu() {
  Menu m;
  m.add(cmd::kCopyLoop, "&Copy Loop\bCtrl+C");
  m.add(cmd::kPasteLoop, "P&aste Loop\bCtrl+V", !services().clipboardHas(kLoopFormat));
  m.add(cmd::kClearLoop, "C&lear Loop\bCtrl+Backspace");
  m.separator();
  m.add(cmd::kMute, slice_.muted() ? "Un&mute\bM" : "&Mute\bM");
  m.add(cmd::kSolo, "&Solo\bCtrl+M");
  m.add(cmd::kComposePart, "Compose &part\bP");
  m.add(cmd::kIdrc, slice_.idrcOff() ? "&Enable IDRC for this part\bCtrl+P" : "&Disable IDRC for this part\bCtrl+P");
  m.separator();
  m.add(cmd::kClearPattern, "Cl&ear pattern\bBackspace");
  m.separator();
  m.add(cmd::kPreviousPattern, "Previous pattern\bLeft Arrow");
  m.add(cmd::kNextPattern, "Next pattern\bRight Arrow");
  m.separator();
  m.add(cmd::kPreviousSlice, "Previous Slice\bUp Arrow");
  m.add(cmd::kNextSlice, "Next Slice\bDown Arrow");
  return m;
}

void LooperView::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, colors::kFace);
  for (Control* control : controls_) control->paint(c);
  if (selected_) {
    c.frame({r.left - 2, r.top - 1, r.right + 2, r.bottom + 1}, colors::kFocus);
    const Rect f = focusControl()->rect();
    c.frame({f.left - 1, f.top - 1, f.right + 1, f.bottom + 1}, colors::kAccent);
  }
}

}  // namespace velmora::ui
