// The engine's SliceApi over one Looper: each operation passes on to the slice, the stroke
// handles become plain records, and the slice's row callbacks go to the attached observer.
// [main-thread]
#pragma once

#include <optional>
#include <string>

#include "engine/SliceApi.h"
#include "loops/Looper.h"

namespace velmora {

class PatternTree;

// The folders directly inside `folderPath` of the library, the one named `selected` current.
// [main-thread, takes the library's lock]
Choices folderChoices(PatternTree& tree, const std::string& folderPath, const std::string& selected);

class SliceAdapter final : public SliceApi, private SliceRow {
 public:
  SliceAdapter(Looper& slice, LooperEngine& engine) : slice_(slice), engine_(engine) {}
  ~SliceAdapter();
  SliceAdapter(const SliceAdapter&) = delete;
  SliceAdapter& operator=(const SliceAdapter&) = delete;

  Looper& looper() { return slice_; }

  void attachObserver(SliceObserver* observer) override;
  SliceObserver* observer() const override { return observer_; }

  const std::string& folder() const override { return slice_.folder(); }
  const std::string& file() const override { return slice_.file(); }
  std::string patternName() const override { return displayName(slice_.file()); }
  Choices kindChoices() const override;
  Choices patternChoices() const override;
  bool setKind(const std::string& name) override { return slice_.setKindFolder(name); }
  bool selectPatternByName(const std::string& name) override { return slice_.selectPatternByName(name); }
  bool nextPattern(bool checkRules) override { return slice_.nextPattern(true, 1, checkRules); }
  bool previousPattern(bool checkRules) override { return slice_.previousPattern(true, 1, checkRules); }
  void clearPattern() override { slice_.clearPattern(); }
  void composePart() override { slice_.composePart(); }

  std::uint32_t strokesMask() const override { return slice_.strokesMask(); }
  std::int32_t strokesMax() const override { return slice_.strokesMax(); }
  std::int32_t strokesMin() const override { return slice_.strokesMin(); }
  void setStrokesMax(std::int32_t n) override { slice_.setStrokesMax(n, true); }
  void setStrokesMin(std::int32_t n) override { slice_.setStrokesMin(n, true); }

  bool muted() const override { return slice_.muted(); }
  void setMute(bool value, bool solo) override { slice_.setMute(value, solo); }
  bool idrcOff() const override { return slice_.idrcOff(); }
  void setIdrcOff(bool value) override { slice_.setIdrcOff(value); }
  bool ownEvents() const override { return slice_.ownEvents(); }
  bool edited() const override { return slice_.edited(); }
  void setPlayAnyway() override { slice_.setPlayAnyway(); }
  bool standardRows() const override { return slice_.standardRows(); }
  void setStandardRows(bool on) override { slice_.setStandardRows(on); }

  std::int32_t parameter(int index) const override { return slice_.getParameter(index); }
  void setParameter(int index, std::int32_t value) override { slice_.setParameter(index, value); }

  bool fixedNoteOn() const override { return slice_.fixedNoteOn(); }
  int fixedNote() const override { return slice_.fixedNote(); }
  int rowCount() const override { return slice_.rowCount(); }
  int rowKey(int row) const override { return slice_.rowKey(row); }
  int instrumentOf(int key) const override { return engine_.getDrumMap().note(key); }
  int noteOf(int instrument) const override { return slice_.drumMap().note(instrument); }
  void setInstrument(int code) override { slice_.setInstrument(code); }

  StrokeGeometry strokeGeometry(int viewWidth, int viewHeight) override {
    return slice_.strokeGeometry(viewWidth, viewHeight);
  }
  int barCount() const override { return slice_.track().BarCount(); }
  int beatsPerBar() const override { return slice_.track().BeatsPerBar(); }
  bool hasEvents() const override { return slice_.track().endTime() >= 1; }
  std::vector<ShownStroke> shownStrokes() const override;
  std::int32_t displayMinVelo() const override { return slice_.displayMinVelo(); }
  std::optional<Stroke> hitTest(const StrokeGeometry& g, int x, int y) override {
    return hand(slice_.hitTest(g, x, y));
  }
  std::int32_t xToTime(const StrokeGeometry& g, int x, int grid) const override { return slice_.xToTime(g, x, grid); }
  int yToRow(const StrokeGeometry& g, int y) const override { return slice_.yToRow(g, y); }
  std::optional<Stroke> findStroke(std::int32_t t, int key) override { return hand(slice_.findStroke(t, key)); }
  std::optional<Stroke> insertStroke(const StrokeGeometry& g, std::int32_t t, int key, int velocity) override {
    return hand(slice_.insertStroke(g, t, key, velocity));
  }
  std::optional<Stroke> insertStrokeAt(const StrokeGeometry& g, int x, int y, int velocity) override {
    return hand(slice_.insertStrokeAt(g, x, y, velocity));
  }
  std::optional<Stroke> setStrokeVelocity(const Stroke& stroke, int velocity) override;
  std::optional<Stroke> moveStroke(const StrokeGeometry& g, const Stroke& stroke, std::int32_t t) override;
  bool eraseStroke(const Stroke& stroke) override;
  BeatPosition beatPosition(const StrokeGeometry& g, std::int32_t t) const override;

 private:
  // SliceRow: the slice's callbacks, passed on to the observer.
  void refresh() override;
  void refreshPattern(bool folderChanged) override;
  void repaintParameters() override;
  void showPosition(std::int32_t position, std::int32_t length) override;

  // Remembers `stroke` as the one handed out last and describes it.
  std::optional<Stroke> hand(std::optional<Looper::Stroke> stroke);
  // The slice's stroke of `stroke` when it is the one handed out last.
  std::optional<Looper::Stroke> held(const Stroke& stroke) const;

  Looper& slice_;
  LooperEngine& engine_;
  SliceObserver* observer_ = nullptr;
  std::optional<Looper::Stroke> held_;
  const void* heldId_ = nullptr;
};

}  // namespace velmora
