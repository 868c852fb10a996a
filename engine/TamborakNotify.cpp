// Change notification and the operations that reach beyond the engine: restarting the host's
// playback after an edit, the host's play/stop toggle, resetting the controls, the play cursor of
// every slice, and the note-name choices of the panel and of a slice's instrument popup.
#include <algorithm>
#include <vector>

#include "engine/EngineTrace.h"
#include "engine/Tamborak.h"
#include "engine/TimeBase.h"
#include "loops/Looper.h"

namespace velmora {

namespace {

// First command id of a slice's instrument popup: item (mapIndex, key) sends
// (mapIndex + kNoteMenuBase) * 128 + key.
constexpr std::uint32_t kNoteMenuBase = 384;
// Items per column of the instrument popup.
constexpr int kNoteMenuColumn = 12;

// The note-name set titles on offer, in the provider's order, and the index of `current`
// among them (-1 when absent).
std::vector<std::string> titlesOnOffer(const NoteNamesProvider& provider, const std::string& current, int& selected) {
  std::vector<std::string> titles;
  std::string title;
  for (int i = 0; i < provider.count(); ++i)
    if (provider.titleAt(i, title)) titles.push_back(title);
  const auto found = std::find(titles.begin(), titles.end(), current);
  selected = found == titles.end() ? -1 : static_cast<int>(found - titles.begin());
  return titles;
}

// Takes the note-name set whose title the combo box has selected, if any.
template <typename Combo>
bool selectTitleOf(Combo& combo, Tamborak& engine) {
  std::string title;
  if (!combo.selectedText(title)) return false;
  engine.selectNoteNames(title);
  return true;
}

}  // namespace

bool Tamborak::isDetachedFromSequencer() { return !hostLink_ || hostLink_->detachedFromSequencer(); }

// An MFX host renders ahead: an edit made during playback is heard only after the host restarts,
// so the engine stops and starts it (two play/stop toggles).
void Tamborak::changed(const char* name) {
  if (!isMfxFilter_ || !playing_ || !hostLink_ || !hostLink_->transportReachable() || !restartOnChange_) return;
  engineTrace("Stop'n'Start from: %s\n", name);
  hostLink_->togglePlayback();
  hostLink_->togglePlayback();
}

bool Tamborak::togglePlayback() { return hostLink_ && hostLink_->transportReachable() && hostLink_->togglePlayback(); }

// The swing grid follows the volume and the velocity trend is the user's taste: both stay.
void Tamborak::ResetPars() {
  setSwingPc(0, false);
  setVeloDyn(0, false);
  setVeloCenterPC(0, false);
  setHumanizeVelo(0, false);
  setQuantize(false, false);
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice) slice->resetParameters();
  changed("Tamborak::ResetPars");
}

// The song position comes from the host; -1 means it is unknown and nothing moves.
bool Tamborak::updatePlayPositions() {
  const SongTick t = getNowTime();
  if (t == -1) return false;
  TimeBase time(*this);
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice) slice->showPosition(t, time);
  return true;
}

namespace {

// The conversions of a song given from outside.
class SongTimeBase final : public ProcessContext {
 public:
  explicit SongTimeBase(SongHost& song) : song_(song) { ticksPerQuarter = song.ticksPerQuarter(); }
  void emit(const MidiEvent&) override {}
  std::int32_t mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override {
    return song_.mbtToTicks(measure, beat, tick);
  }
  void ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override {
    song_.ticksToMbt(ticks, measure, beat, tick);
  }

 private:
  SongHost& song_;
};

}  // namespace

void Tamborak::showPlayPositions(SongTick now, SongHost& song) {
  SongTimeBase time(song);
  for (const std::unique_ptr<Looper>& slice : slices_)
    if (slice) slice->showPosition(now, time);
}

void Tamborak::viewTiming(const Looper& slice, std::int32_t& cycle, std::int32_t& resolution) {
  TimeBase time(*this);
  cycle = slice.cycleLength(time);
  resolution = time.ticksPerQuarter;
}

// ---- Note names

void Tamborak::fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) {
  // The sampler's pad names change with the samples it loads: take them afresh.
  if (noteNames_.padNameMark()) {
    const std::string title = noteNames_.title();
    noteNamesProvider_.find(title, &noteNames_);
  }
  int items = 0;
  for (int key = 0; key < kNoteNameKeys; ++key) {
    std::string label = noteNames_.ownName(key);
    if (label.empty()) {
      if (key != mapIndex && key != currentKey) continue;
      label = noteNames_.displayName(key);
    }
    const auto command = static_cast<std::uint32_t>((mapIndex + kNoteMenuBase) * 128 + key);
    menu.appendItem(command, label, items > 0 && items % kNoteMenuColumn == 0, key == currentKey);
    if (key == mapIndex) menu.setDefaultItem(command);
    ++items;
  }
}

void Tamborak::fillInstrumentCombo(ComboBox& combo) {
  int selected = -1;
  combo.resetContent();
  for (const std::string& title : titlesOnOffer(noteNamesProvider_, noteNames_.title(), selected))
    combo.addString(title);
  combo.setCurSel(selected);
}

void Tamborak::fillInstrumentFlatCombo(FlatComboBox& combo) {
  int selected = -1;
  combo.setItems(titlesOnOffer(noteNamesProvider_, noteNames_.title(), selected));
  combo.select(selected);
}

bool Tamborak::onInstrumentCombo(ComboBox& combo) { return selectTitleOf(combo, *this); }
bool Tamborak::onInstrumentFlatCombo(FlatComboBox& combo) { return selectTitleOf(combo, *this); }

}  // namespace velmora
