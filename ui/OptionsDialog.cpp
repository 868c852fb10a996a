#include "ui/OptionsDialog.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "engine/ListControls.h"
#include "ui/Pictures.h"

namespace velmora::ui {

namespace {

const char kTitle[] = "Tamborak Options";

// The engine's note-name combo over a drop list that shows its items sorted.
class SortedCombo final : public ComboBox {
 public:
  explicit SortedCombo(DropList& list) : list_(list) {}
  void resetContent() override {
    added_.clear();
    chosen_.clear();
    show();
  }
  void addString(const std::string& text) override {
    added_.push_back(text);
    show();
  }
  void setCurSel(int index) override {
    chosen_ = index >= 0 && index < static_cast<int>(added_.size()) ? added_[static_cast<std::size_t>(index)] : std::string();
    show();
  }
  bool selectedText(std::string& text) const override { return list_.selectedText(text); }

 private:
  void show() {
    std::vector<std::string> sorted = added_;
    std::sort(sorted.begin(), sorted.end());
    list_.setItems(sorted);
    const auto at = std::find(sorted.begin(), sorted.end(), chosen_);
    list_.select(chosen_.empty() || at == sorted.end() ? -1 : static_cast<int>(at - sorted.begin()));
  }
  DropList& list_;
  std::vector<std::string> added_;
  std::string chosen_;
};

std::vector<std::string> numbered(int count, const char* first) {
  std::vector<std::string> items;
  if (first) items.emplace_back(first);
  for (int i = 1; i <= count; ++i) items.push_back(std::to_string(i));
  return items;
}

int clampIndex(int index, const DropList& list) {
  return std::clamp(index, 0, static_cast<int>(list.items().size()) - 1);
}

}  // namespace

OptionsDialog::OptionsDialog(ControlApi& engine, WindowServices& services)
    : DialogWindow(services, kTitle, kWidth, kHeight),
      engine_(engine),
      map_(engine.editDrumMap()),
      originalNoteNames_(engine.noteNamesTitle()) {
  build();

  std::int32_t channel = -1, port = 0;
  engine_.getOutput(&channel, &port);
  channel_->select(clampIndex(channel + 1, *channel_));
  port_->select(clampIndex(port, *port_));
  measures_->setText(std::to_string(engine_.getExportBars()));
  tracks_->select(clampIndex(engine_.getExportOption(), *tracks_));
  baseKey_->setText(std::to_string(engine_.getTriggerLowKey()));
  remote_->setChecked(engine_.getTriggerEnabled());
  mode_->select(engine_.getRestartOnChange() ? 0 : 1);
  veloFrom_->setText(std::to_string(engine_.getVeloMin()));
  veloTo_->setText(std::to_string(engine_.getVeloMax()));

  // Output routing only matters when the plug-in plays on its own; remote control and the mode
  // only for the MIDI-filter form.
  const bool filter = engine_.isMfxFilter();
  const bool routed = engine_.isDetachedFromSequencer() && filter;
  port_->setEnabled(routed);
  channel_->setEnabled(routed);
  baseKey_->setEnabled(filter);
  mode_->setEnabled(filter);
  remote_->setEnabled(filter);

  fillList();
  mapName_->setItems(map_->storedNames());
  mapName_->setText(map_->name());
  SortedCombo names(*noteNames_);
  engine_.fillInstrumentCombo(names);
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::build() {
  add<Label>(-1, dluRect(7, 7, 46, 12), "Drum Map:");
  mapName_ = &add<ComboEdit>(kDrumMapName, dluRect(54, 7, 92, 12));
  // Save (a disk) and, right of it, Delete (a cross).
  Button& save = add<Button>(kSaveMap, dluRect(149, 7, 14, 12), "S");
  save.setPicture([](Canvas& c, const Rect& r, bool pressed, bool) { drawSavePicture(c, r, pressed); });
  save.setTooltip("Save\nSaves the drum map under the name shown");
  Button& remove = add<Button>(kDeleteMap, dluRect(165, 7, 14, 12), "D");
  remove.setPicture([](Canvas& c, const Rect& r, bool pressed, bool) { drawDeletePicture(c, r, pressed); });
  remove.setTooltip("Delete\nDeletes the drum map of the name shown");
  add<Label>(-1, dluRect(7, 23, 46, 12), "Note names:");
  noteNames_ = &add<DropList>(kNoteNames, dluRect(54, 23, 125, 12));
  list_ = &add<ReportList>(kDrumList, dluRect(7, 39, 172, 114), std::array<std::string, 2>{"Instrument", "MIDI Note"});
  add<Label>(-1, dluRect(7, 155, 172, 10), "Use '+' and '-' keys to change the mapping");

  addGroup(dluRect(7, 166, 172, 24), "Output Options");
  add<Label>(-1, dluRect(14, 175, 20, 12), "Port:");
  port_ = &add<DropList>(kPort, dluRect(36, 175, 34, 12));
  port_->setItems(numbered(16, nullptr));
  add<Label>(-1, dluRect(82, 175, 34, 12), "Channel:");
  channel_ = &add<DropList>(kChannel, dluRect(118, 175, 54, 12));
  channel_->setItems(numbered(16, "---"));

  addGroup(dluRect(7, 192, 172, 24), "Drag'n'Drop Options");
  add<Label>(-1, dluRect(14, 201, 38, 12), "Measures:");
  measures_ = &add<EditBox>(kMeasures, dluRect(54, 201, 28, 12), true, 6);
  tracks_ = &add<DropList>(kTracks, dluRect(90, 201, 82, 12));
  tracks_->setItems({"Single track", "Multiple tracks"});

  remote_ = &add<CheckBox>(kRemote, dluRect(7, 220, 80, 12), "Remote control:");
  add<Label>(-1, dluRect(96, 220, 34, 12), "base key:");
  baseKey_ = &add<EditBox>(kBaseKey, dluRect(132, 220, 28, 12), true, 4);

  add<Label>(-1, dluRect(7, 235, 78, 12), "Instant/Buffered mode:");
  mode_ = &add<DropList>(kMode, dluRect(86, 235, 93, 12));
  mode_->setItems({"Instant (via Stop/Start)", "Buffered (Cakewalk default)"});

  add<Label>(-1, dluRect(7, 250, 54, 12), "Limit Velocity:");
  add<Label>(-1, dluRect(64, 250, 18, 12), "from");
  veloFrom_ = &add<EditBox>(kVeloFrom, dluRect(84, 250, 26, 12), true, 4);
  add<Label>(-1, dluRect(118, 250, 10, 12), "to");
  veloTo_ = &add<EditBox>(kVeloTo, dluRect(132, 250, 26, 12), true, 4);

  add<Button>(kHelp, dluRect(7, 268, 50, 14), "Help");
  add<Button>(kOk, dluRect(75, 268, 50, 14), "OK");
  add<Button>(kCancel, dluRect(129, 268, 50, 14), "Cancel");
}

void OptionsDialog::fillList() {
  list_->clear();
  for (int row = 0; row < map_->rowCount(); ++row) {
    const int key = map_->rowKey(row);
    list_->addRow(engine_.instrumentName(key), engine_.noteName(map_->note(key)), key);
  }
  list_->ensureVisible(list_->rowCount() - 1);
}

void OptionsDialog::refreshRows() {
  for (int row = 0; row < list_->rowCount(); ++row)
    list_->setText(row, 1, engine_.noteName(map_->note(list_->data(row))));
}

void OptionsDialog::onNotify(Control& control, Notify what) {
  switch (control.id()) {
    case kDrumList:
      if (what != Notify::kStepUp && what != Notify::kStepDown) return;
      if (map_->adjustRow(list_->selection(), what == Notify::kStepUp ? 1 : -1)) {
        refreshRows();
        engine_.drumMapChanged();
      }
      return;
    case kDrumMapName:
      if (what != Notify::kChanged) return;
      if (map_->load(mapName_->text())) {
        refreshRows();
        engine_.drumMapChanged();
      } else {
        services().prompt().ask("The drum map \"" + mapName_->text() + "\" cannot be read.", kTitle,
                                platform::PromptButtons::kOk, platform::PromptIcon::kExclamation);
      }
      return;
    case kSaveMap: {
      const std::string name = mapName_->text();
      std::string error;
      if (map_->save(name, error)) mapName_->addItem(name);
      else if (!error.empty())
        services().prompt().ask(error, kTitle, platform::PromptButtons::kOk, platform::PromptIcon::kError);
      return;
    }
    case kDeleteMap:
      if (map_->remove(mapName_->text(), services().prompt())) mapName_->removeItem(mapName_->text());
      return;
    case kNoteNames: {
      if (what != Notify::kChanged) return;
      SortedCombo names(*noteNames_);
      engine_.onInstrumentCombo(names);
      refreshRows();
      return;
    }
    case kHelp: services().runDialog(Dialog::kHelp); return;
    case kOk: ok(); return;
    case kCancel: cancel(); return;
    default: return;
  }
}

bool OptionsDialog::readField(EditBox& field, int low, int high, int& value) {
  const std::string& text = field.text();
  char* end = nullptr;
  errno = 0;
  const long read = std::strtol(text.c_str(), &end, 10);
  const bool number = !text.empty() && end && *end == '\0' && errno == 0;
  if (number && read >= low && read <= high) {
    value = static_cast<int>(read);
    return true;
  }
  const std::string message = number ? "Please enter an integer between " + std::to_string(low) + " and " +
                                           std::to_string(high) + "."
                                     : std::string("Please enter an integer.");
  services().prompt().ask(message, kTitle, platform::PromptButtons::kOk, platform::PromptIcon::kExclamation);
  setFocus(&field);
  return false;
}

void OptionsDialog::ok() {
  int measures = 0, baseKey = 0, from = 0, to = 0;
  if (!readField(*measures_, 1, 9999, measures) || !readField(*baseKey_, 0, 127, baseKey) ||
      !readField(*veloFrom_, 1, 127, from) || !readField(*veloTo_, 1, 127, to))
    return;
  engine_.setOutput(channel_->selection() - 1, port_->selection());
  engine_.setExportBars(measures);
  engine_.setExportOption(tracks_->selection());
  engine_.setTriggerLowKey(baseKey);
  engine_.setRestartOnChange(mode_->selection() != 1);
  if (from > to) to = from;
  engine_.setVeloMax(to);
  engine_.setVeloMin(from);
  engine_.setTriggerEnabled(remote_->checked());
  close();
}

void OptionsDialog::cancel() {
  // Only a set chosen meanwhile is put back: selecting by title would give an engine that had no
  // set the default one, and change its state on a Cancel.
  if (engine_.noteNamesTitle() != originalNoteNames_) engine_.selectNoteNames(originalNoteNames_);
  map_->restore();
  close();
}

}  // namespace velmora::ui
