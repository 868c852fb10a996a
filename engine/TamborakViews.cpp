// What the engine offers the user interface besides its controls: a SliceApi per slice, the
// library's folder choices, note names and the drum-map editor, in plain types.
#include <mutex>

#include "engine/DrumMapEditor.h"
#include "engine/SliceAdapter.h"
#include "engine/Tamborak.h"
#include "loops/DrumMapStore.h"
#include "library/LibraryFolders.h"
#include "library/PatternTree.h"
#include "library/TreeCursor.h"
#include "library/TreeNode.h"

namespace velmora {

namespace {

class LoopDrumMapEditor final : public DrumMapEditor {
 public:
  explicit LoopDrumMapEditor(Tamborak& engine)
      : engine_(engine),
        map_(*engine.getDrumMap()),
        original_(map_),
        store_(engine.getDrumMapsFolder(), libraryFolders().kitDrumMaps) {}
  int rowCount() const override { return DrumMap::kEditorRows; }
  int rowKey(int row) const override { return DrumMap::kEditorKeys[row]; }
  int note(int key) const override { return map_.note(key); }
  bool adjustRow(int row, int delta) override { return map_.adjustRow(row, delta); }
  std::string name() const override { return map_.name().empty() ? DrumMapStore::kDefaultName : map_.name(); }
  std::vector<std::string> storedNames() const override { return store_.list(); }
  bool load(const std::string& name) override { return store_.load(name, map_); }
  bool save(const std::string& name, std::string& error) override { return store_.save(name, map_, error); }
  bool remove(const std::string& name, platform::Prompt& prompt) override { return store_.remove(name, prompt); }
  void restore() override { engine_.setDrumMap(original_); }

 private:
  Tamborak& engine_;
  DrumMap& map_;
  const DrumMap original_;
  DrumMapStore store_;
};

class ChoiceCollector : public FolderPicker {
 public:
  explicit ChoiceCollector(Choices& choices) : choices_(choices) {}
  void addItem(const std::string& name) override { choices_.names.push_back(name); }
  void select(int index) override { choices_.current = index; }

 private:
  Choices& choices_;
};

}  // namespace

Choices folderChoices(PatternTree& tree, const std::string& folderPath, const std::string& selected) {
  Choices choices;
  ChoiceCollector collector(choices);
  tree.fillFolderChoices(collector, folderPath, selected);
  return choices;
}

// ---- SliceAdapter

SliceAdapter::~SliceAdapter() {
  if (slice_.view() == this) slice_.detachView();
}

void SliceAdapter::attachObserver(SliceObserver* observer) {
  observer_ = observer;
  if (observer) slice_.attachView(this);
  else if (slice_.view() == this) slice_.detachView();
}

void SliceAdapter::refresh() {
  if (observer_) observer_->refresh();
}
void SliceAdapter::refreshPattern(bool folderChanged) {
  if (observer_) observer_->refreshPattern(folderChanged);
}
void SliceAdapter::repaintParameters() {
  if (observer_) observer_->repaintParameters();
}
void SliceAdapter::showPosition(std::int32_t position, std::int32_t length) {
  if (observer_) observer_->showPosition(position, length);
}

Choices SliceAdapter::kindChoices() const {
  const std::string& folder = slice_.folder();
  if (folderComponent(folder, 1).empty()) return {};
  const std::string partFolder = folderComponent(folder, 0) + "\\" + folderComponent(folder, 1) + "\\";
  return folderChoices(engine_.getPatternLibrary(), partFolder, folderComponent(folder, 2));
}

Choices SliceAdapter::patternChoices() const {
  Choices choices;
  PatternTree& tree = engine_.getPatternLibrary();
  std::lock_guard guard(tree.lock());
  TreeCursor cursor = tree.cursorAt(slice_.folder());
  if (cursor.bound() && cursor.bound()->getPath() == slice_.folder())
    for (TerminalNode* leaf = cursor.first(); leaf; leaf = cursor.next()) {
      if (!slice_.eligible(leaf->getName())) continue;
      if (leaf->getPath(cursor.bound()) == slice_.file()) choices.current = static_cast<int>(choices.names.size());
      choices.names.push_back(displayName(leaf->getName()));
    }
  return choices;
}

std::vector<SliceApi::ShownStroke> SliceAdapter::shownStrokes() const {
  std::vector<ShownStroke> strokes;
  for (const MidiEvent& e : slice_.track())
    if (e.isNote()) strokes.push_back({slice_.displayedTime(e), e.data1, e.data2});
  return strokes;
}

std::optional<SliceApi::Stroke> SliceAdapter::hand(std::optional<Looper::Stroke> stroke) {
  held_ = stroke;
  heldId_ = stroke ? &**stroke : nullptr;
  if (!stroke) return std::nullopt;
  return Stroke{heldId_, (*stroke)->time, (*stroke)->data1, (*stroke)->data2};
}

std::optional<Looper::Stroke> SliceAdapter::held(const Stroke& stroke) const {
  if (held_ && stroke.id == heldId_) return held_;
  return std::nullopt;
}

std::optional<SliceApi::Stroke> SliceAdapter::setStrokeVelocity(const Stroke& stroke, int velocity) {
  const std::optional<Looper::Stroke> s = held(stroke);
  if (!s || !slice_.setStrokeVelocity(*s, velocity)) return hand(std::nullopt);
  return hand(s);
}

std::optional<SliceApi::Stroke> SliceAdapter::moveStroke(const StrokeGeometry& g, const Stroke& stroke, std::int32_t t) {
  const std::optional<Looper::Stroke> s = held(stroke);
  return hand(s ? slice_.moveStroke(g, *s, t) : std::nullopt);
}

bool SliceAdapter::eraseStroke(const Stroke& stroke) {
  const std::optional<Looper::Stroke> s = held(stroke);
  hand(std::nullopt);
  return s && slice_.eraseStroke(*s);
}

SliceApi::BeatPosition SliceAdapter::beatPosition(const StrokeGeometry& g, std::int32_t t) const {
  const Looper::BeatPosition p = slice_.beatPosition(g, t);
  return {p.beat, p.tick};
}

// ---- Tamborak

SliceApi* Tamborak::slice(std::int32_t index) {
  Looper* looper = getSlice(index);
  if (!looper) return nullptr;
  std::unique_ptr<SliceAdapter>& adapter = sliceApis_[static_cast<std::size_t>(index)];
  if (!adapter) adapter = std::make_unique<SliceAdapter>(*looper, *this);
  return adapter.get();
}

Choices Tamborak::volumeChoices() { return folderChoices(getPatternLibrary(), "", getVolumeName()); }

std::string Tamborak::noteName(int key) { return getNoteNames()->displayName(key); }
std::string Tamborak::noteNamesTitle() { return getNoteNames()->title(); }
std::string Tamborak::instrumentName(int key) { return drumName(key); }

std::unique_ptr<DrumMapEditor> Tamborak::editDrumMap() { return std::make_unique<LoopDrumMapEditor>(*this); }

}  // namespace velmora
