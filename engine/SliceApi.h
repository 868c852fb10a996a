// One slice of the loop as the user interface sees it: what its row shows (pattern, folder
// choices, stroke limits, flags, parameters, output notes, strokes) and the edits the row and its
// strokes view make, in plain types. The engine hands out one per slice (ControlApi::slice); it
// lives as long as the engine. Every operation runs on the user-interface thread and none is
// real-time safe. [main-thread]
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "loops/StrokeGeometry.h"

namespace velmora {

// A slice's row in the loop view: what the engine asks it to show again. [main-thread]
class SliceObserver {
 public:
  // Flags, stroke limits and everything else of the row.
  virtual void refresh() = 0;
  // The pattern's name and strokes; the folder choice too when `folderChanged`.
  virtual void refreshPattern(bool folderChanged) = 0;
  // The parameter fields.
  virtual void repaintParameters() = 0;
  // The play cursor at `position` ticks into a cycle of `length` ticks.
  virtual void showPosition(std::int32_t position, std::int32_t length) = 0;

 protected:
  ~SliceObserver() = default;
};

// Names to choose from and the index of the current one (-1: none).
struct Choices {
  std::vector<std::string> names;
  int current = -1;
};

class SliceApi {
 public:
  // Parameter indices of parameter and setParameter.
  enum Parameter : int { kVelocityAdjust = 0, kDynamicsStrength = 1, kTimeOffset = 2, kNoteOffset = 3 };

  // A stroke (a note of the pattern): `id` names it to the stroke edits below, which refuse a
  // stroke the slice no longer holds or did not hand out last; time in pattern ticks.
  struct Stroke {
    const void* id = nullptr;
    std::int32_t time = 0;
    int key = 0, velocity = 0;
  };
  // A stroke where the strokes view shows it: time within the cycle as playback moves it
  // (quantize, offset, swing), possibly outside the cycle.
  struct ShownStroke {
    std::int32_t time = 0;
    int key = 0, velocity = 0;
  };
  struct BeatPosition {
    std::int32_t beat = 1, tick = 0;
  };

  // The row that shows the slice (nullptr: none); the slice tells it of changes.
  virtual void attachObserver(SliceObserver* observer) = 0;
  virtual SliceObserver* observer() const = 0;

  // ---- Pattern
  virtual const std::string& folder() const = 0;
  virtual const std::string& file() const = 0;
  // The pattern's file as shown (cut at its first "_", "#" or ".").
  virtual std::string patternName() const = 0;
  // The instrument kinds of the slice's part folder, the slice's own current; no names while
  // the folder is not three levels deep.
  virtual Choices kindChoices() const = 0;
  // The eligible patterns of the folder, in folder order, by their shown names.
  virtual Choices patternChoices() const = 0;
  // Replaces the instrument kind of the folder; true when it changed.
  virtual bool setKind(const std::string& name) = 0;
  // The pattern of the folder shown with `name`, notified; false when none.
  virtual bool selectPatternByName(const std::string& name) = 0;
  // Steps to the next (previous) eligible pattern; with `checkRules` only to patterns the
  // drumming rules accept.
  virtual bool nextPattern(bool checkRules) = 0;
  virtual bool previousPattern(bool checkRules) = 0;
  virtual void clearPattern() = 0;
  // After asking to discard edits, the engine composes this slice.
  virtual void composePart() = 0;

  // ---- Stroke limits (bit n of the mask: some eligible pattern has n strokes)
  virtual std::uint32_t strokesMask() const = 0;
  virtual std::int32_t strokesMax() const = 0;
  virtual std::int32_t strokesMin() const = 0;
  virtual void setStrokesMax(std::int32_t n) = 0;
  virtual void setStrokesMin(std::int32_t n) = 0;

  // ---- Flags
  virtual bool muted() const = 0;
  // With `solo` the engine solos this slice; otherwise sets the mute flag.
  virtual void setMute(bool value, bool solo) = 0;
  virtual bool idrcOff() const = 0;
  virtual void setIdrcOff(bool value) = 0;
  virtual bool ownEvents() const = 0;
  virtual bool edited() const = 0;
  virtual void setPlayAnyway() = 0;
  // One row per instrument of the slice's kind in the strokes view.
  virtual bool standardRows() const = 0;
  virtual void setStandardRows(bool on) = 0;

  // ---- Parameters
  virtual std::int32_t parameter(int index) const = 0;
  // Clamped as the parameter requires; unknown indices are ignored.
  virtual void setParameter(int index, std::int32_t value) = 0;

  // ---- Output notes
  virtual bool fixedNoteOn() const = 0;
  virtual int fixedNote() const = 0;
  // Rows of the strokes view and the key of each (-1 outside).
  virtual int rowCount() const = 0;
  virtual int rowKey(int row) const = 0;
  // The instrument the loop's drum map gives `key`, and the note this slice plays for an
  // instrument.
  virtual int instrumentOf(int key) const = 0;
  virtual int noteOf(int instrument) const = 0;
  // code = instrument * 128 + note: the fixed note, or the slice's map entry of the instrument.
  virtual void setInstrument(int code) = 0;

  // ---- Strokes (positions are the strokes view's own, (0, 0) its top left corner)
  virtual StrokeGeometry strokeGeometry(int viewWidth, int viewHeight) = 0;
  // Bars and beats per bar of the pattern; whether it holds events at all.
  virtual int barCount() const = 0;
  virtual int beatsPerBar() const = 0;
  virtual bool hasEvents() const = 0;
  // Every note, in pattern order.
  virtual std::vector<ShownStroke> shownStrokes() const = 0;
  // Velocities at or below this floor show in the softest shade.
  virtual std::int32_t displayMinVelo() const = 0;
  virtual std::optional<Stroke> hitTest(const StrokeGeometry& g, int x, int y) = 0;
  virtual std::int32_t xToTime(const StrokeGeometry& g, int x, int grid) const = 0;
  virtual int yToRow(const StrokeGeometry& g, int y) const = 0;
  virtual std::optional<Stroke> findStroke(std::int32_t t, int key) = 0;
  virtual std::optional<Stroke> insertStroke(const StrokeGeometry& g, std::int32_t t, int key, int velocity) = 0;
  virtual std::optional<Stroke> insertStrokeAt(const StrokeGeometry& g, int x, int y, int velocity) = 0;
  // The stroke with its new velocity; nothing when it is gone.
  virtual std::optional<Stroke> setStrokeVelocity(const Stroke& stroke, int velocity) = 0;
  virtual std::optional<Stroke> moveStroke(const StrokeGeometry& g, const Stroke& stroke, std::int32_t t) = 0;
  virtual bool eraseStroke(const Stroke& stroke) = 0;
  virtual BeatPosition beatPosition(const StrokeGeometry& g, std::int32_t t) const = 0;

 protected:
  ~SliceApi() = default;
};

}  // namespace velmora
