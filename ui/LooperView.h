// LooperView: one row of the loop view, showing and editing one slice: mute and IDRC switches,
// compose button, part and stroke-limit lists, pattern selector with its arrows, the strokes,
// the parameter field and the output note. Controls sit in panel pixels at the row's origin.
// [main-thread]
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/ControlApi.h"
#include "ui/Controls.h"
#include "ui/LoopEditing.h"
#include "ui/StrokesView.h"

namespace velmora::ui {

class LooperView;

// What a row asks of the panel it sits in.
class RowOwner : public ControlOwner {
 public:
  // A command the row does not take itself.
  virtual void rowCommand(LooperView& row, int command) = 0;
  // The status text (the value a drag sets).
  virtual void setWindowText(const std::string& text) = 0;
  // A key the row's table does not take; true when the panel's table does.
  virtual bool translateAccelerator(int key, unsigned mods) = 0;
  // The row took the focus (a click on it or one of its controls).
  virtual void rowFocused(LooperView& row) = 0;
};

class LooperView : public ControlOwner, public SliceObserver {
 public:
  static constexpr int kWidth = 536, kHeight = 31;

  LooperView(RowOwner& owner, ControlApi& engine, LoopEditing& editing, SliceApi& slice, Point origin);
  ~LooperView() override;

  SliceApi& slice() { return slice_; }
  Rect rect() const { return {origin_.x, origin_.y, origin_.x + kWidth, origin_.y + kHeight}; }
  bool selected() const { return selected_; }
  void setSelected(bool on);
  int lastFocus() const { return lastFocus_; }
  // The control that has the focus within the row (the remembered one, else the parameter field).
  Control* focusControl();
  // -1 none, 0 velocity, 1 dynamics, 2 time.
  void setParameterIndex(int index);
  int parameterIndex() const { return parameterIndex_; }
  void setGrid(int grid) { strokes_->setGrid(grid); }
  int grid() const { return strokes_->grid(); }
  // Edit mode of the strokes view: one row per instrument of the slice's kind, stroke editing.
  void setEditMode(bool on) { strokes_->setEditMode(on); }
  EventBar& strokes() { return *strokes_; }

  // The row's controls, in focus order.
  const std::vector<Control*>& controls() const { return controls_; }
  Control* controlAt(Point p);
  Control* control(int id);

  // Runs a command of the row with the modifiers held.
  void command(int id, unsigned mods);
  // A key for the row: its focused control, its table, the panel's table, then X (play anyway).
  bool key(int vk, unsigned mods);
  bool character(char c);
  // A press on the row (`twice`: the second left press of a double click); false when it is not
  // on the row. `captured` gets the control that takes the press, or nullptr.
  bool mouseDown(Point p, MouseButton button, unsigned mods, Control** captured, bool twice = false);
  // The context menu of the row (the paste item greyed unless the clipboard has a loop).
  Menu contextMenu();
  void paint(Canvas& canvas);

  // Display texts, for the panel and its tests.
  std::string patternText() const;
  std::string noteText() const { return note_->label(); }
  std::string parameterText() const { return param_->text(); }
  // The note menu the note selector opens.
  Menu noteMenu();

  // ControlOwner
  void onNotify(Control& control, Notify what) override;
  WindowServices& services() override { return owner_.services(); }
  // SliceObserver
  void refresh() override;
  void refreshPattern(bool folderChanged) override;
  void repaintParameters() override;
  void showPosition(std::int32_t position, std::int32_t length) override;

 private:
  void refreshFlags();
  void refreshStrokeLists();
  void refreshNotes();
  void takeFocus(int id);
  Rect at(int left, int top, int right, int bottom) const;

  RowOwner& owner_;
  ControlApi& engine_;
  LoopEditing& editing_;
  SliceApi& slice_;
  Point origin_;
  bool selected_ = false;
  int lastFocus_ = 4047;
  int parameterIndex_ = 0;
  std::unique_ptr<Button> mute_, idrc_, compose_, previous_, next_, note_;
  std::unique_ptr<DropList> part_, strokesMax_, strokesMin_, pattern_;
  std::unique_ptr<EventBar> strokes_;
  std::unique_ptr<NumberField> param_;
  std::vector<Control*> controls_;
};

}  // namespace velmora::ui
