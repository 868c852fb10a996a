// EventBar: a slice's strokes view, a small piano roll with one row per key, grid, beat and bar
// lines, one shaded disc per stroke (darker is louder) and the play cursor. In edit mode it
// takes the stroke-editing gestures: click to insert, drag up or down for the velocity,
// sideways for the time (or, with the grid on, to fill grid cells), Ctrl+click or double click
// to erase. Positions it hands the slice are its own, (0, 0) at its top left corner.
// [main-thread]
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/SliceApi.h"
#include "ui/Control.h"

namespace velmora::ui {

// The stroke discs: one row of shades for a playing slice and one for a muted one; column 0 is
// the loudest shade.
class StrokeSprites : public ImageStrip {
 public:
  static constexpr int kSize = 9, kShades = 3;
  int cellWidth() const override { return kSize; }
  int cellHeight() const override { return kSize; }
  int cellCount() const override { return 2 * kShades; }
  void drawCell(Canvas& canvas, int cell, Point at) const override;
  static int cellOf(bool muted, int column) { return (muted ? kShades : 0) + column; }
  // The shade column of `velocity` above the display floor `floor`.
  static int columnOf(int velocity, int floor);
};

class EventBar : public Control {
 public:
  // `status` shows a text in the panel's status (the value while dragging).
  EventBar(ControlOwner& owner, int id, Rect rect, std::function<void(const std::string&)> status);

  void setSlice(SliceApi* slice);
  SliceApi* slice() const { return slice_; }
  void setSelected(bool on);
  // Edit mode shows one row per instrument of the slice's kind.
  void setEditMode(bool on);
  bool editMode() const { return editMode_; }
  // Snap grid in cells per whole note; 0 is off.
  void setGrid(int grid);
  int grid() const { return grid_; }
  // The play cursor at `position` ticks into a cycle of `length`: one pixel on when it is 1..3
  // pixels behind, else straight there; only the strips it leaves and enters are repainted.
  void showPosition(std::int32_t position, std::int32_t length);
  int cursor() const { return cursor_; }
  // The geometry of the view for the slice shown (a slice must be shown).
  StrokeGeometry geometry() const;

  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  void mouseMove(Point p) override;
  void mouseUp(Point p) override;
  bool doubleClick(Point p, unsigned mods) override;

  // Half of this much movement from the press decides between a velocity and a time drag.
  static constexpr int kDragWidth = 4, kDragHeight = 4;

 private:
  enum class Gesture { kNone, kErase, kInsert, kDecide, kVelocity, kTime, kPaint };
  Point local(Point p) const { return {p.x - rect().left, p.y - rect().top}; }
  void run(Point at);
  void step(const StrokeGeometry& g, Point at);
  Color background() const;
  void paintLines(Canvas& c, const StrokeGeometry& g, int ox, int oy) const;
  void paintStrokes(Canvas& c, const StrokeGeometry& g, int ox, int oy) const;
  // The axis of the view without a slice (rows unknown).
  StrokeGeometry frame() const;
  Rect cursorStrip(int cursor) const;

  std::function<void(const std::string&)> status_;
  SliceApi* slice_ = nullptr;
  bool selected_ = false, editMode_ = false, buttonDown_ = false;
  int grid_ = 0;
  Point down_;
  Gesture gesture_ = Gesture::kNone;
  std::optional<SliceApi::Stroke> stroke_;
  int startVelocity_ = 0;
  int cursor_ = 0;
};

}  // namespace velmora::ui
