// The flat controls of the panel and the loop view rows. [main-thread]
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/ListControls.h"
#include "ui/Control.h"

namespace velmora::ui {

// Draws a picture into a rectangle; `pressed` and `on` give the button's state.
using PictureFn = std::function<void(Canvas&, const Rect&, bool pressed, bool on)>;

// A push button, a toggle (shown pressed while `checked`) or a picture button. A click reports
// kClicked; the owner sets the checked state from the engine.
class Button : public Control {
 public:
  enum class Style { kPush, kToggle, kField, kPad };
  Button(ControlOwner& owner, int id, Rect rect, std::string label, Style style = Style::kPush);

  void setLabel(std::string label);
  const std::string& label() const { return label_; }
  void setChecked(bool on);
  bool checked() const { return checked_; }
  void setPicture(PictureFn picture) { picture_ = std::move(picture); }
  // Whether a press and release counts with the right button too (the mute button's solo).
  void setRightClicks(bool on) { rightClicks_ = on; }
  MouseButton lastButton() const { return lastButton_; }
  unsigned lastMods() const { return lastMods_; }

  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  void mouseMove(Point p) override;
  void mouseUp(Point p) override;

 private:
  std::string label_;
  Style style_;
  PictureFn picture_;
  bool checked_ = false, pressed_ = false, rightClicks_ = false;
  MouseButton lastButton_ = MouseButton::kLeft;
  unsigned lastMods_ = 0;
};

// A text label; a status line is a label whose text changes.
class Label : public Control {
 public:
  Label(ControlOwner& owner, int id, Rect rect, std::string text, Align align = Align::kLeft,
        FontStyle style = FontStyle::kNormal, bool sunken = false);
  void setText(std::string text);
  const std::string& text() const { return text_; }
  void paint(Canvas& canvas) override;

 private:
  std::string text_;
  Align align_;
  FontStyle style_;
  bool sunken_;
};

// A vertical slider with its label above the track; top is the high end.
class VSlider : public Control {
 public:
  VSlider(ControlOwner& owner, int id, Rect rect, std::string label, int low, int high);
  int value() const { return value_; }
  // Clamped to the range; no notification.
  void setValue(int value);
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  void mouseMove(Point p) override;
  void mouseUp(Point p) override;
  void wheel(int notches) override;
  Rect track() const;

 private:
  void moveTo(Point p);
  std::string label_;
  int low_, high_, value_;
  bool dragging_ = false;
};

// The humanize control: the amount on a wide slider (its own id) and the tendency on a narrow
// second slider beside it (`trendId`); each reports with the id of the part that moved.
class HumanizeSlider : public Control {
 public:
  HumanizeSlider(ControlOwner& owner, int id, int trendId, Rect rect, std::string label);
  int amount() const { return amount_.value(); }
  int trend() const { return trend_.value(); }
  void setAmount(int v) { amount_.setValue(v); }
  void setTrend(int v) { trend_.setValue(v); }
  VSlider& amountSlider() { return amount_; }
  VSlider& trendSlider() { return trend_; }
  std::string tooltipAt(Point p) const;
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  void mouseMove(Point p) override;
  void mouseUp(Point p) override;

 private:
  VSlider amount_, trend_;
  VSlider* active_ = nullptr;
};

// The two-dimensional pad: x and y each over its own range, y growing upwards.
class Pad2D : public Control {
 public:
  Pad2D(ControlOwner& owner, int id, Rect rect, std::string label, int xLow, int xHigh, int yLow, int yHigh);
  int x() const { return x_; }
  int y() const { return y_; }
  void setValues(int x, int y);
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  void mouseMove(Point p) override;
  void mouseUp(Point p) override;
  Rect area() const;

 private:
  void moveTo(Point p);
  std::string label_;
  int xLow_, xHigh_, yLow_, yHigh_, x_ = 0, y_ = 0;
  bool dragging_ = false;
};

// A drop-down list: a click opens the items as a menu, the chosen one is selected and reported
// (kChanged). Numeric-keypad plus and minus step to the next and previous item (swapped where
// the owner asks). The engine fills it through its list faces.
class DropList : public Control, public FlatComboBox {
 public:
  DropList(ControlOwner& owner, int id, Rect rect);
  void setItems(const std::vector<std::string>& items) override;
  void select(int index) override;
  bool selectedText(std::string& text) const override;
  void addItem(const std::string& name);
  const std::vector<std::string>& items() const { return items_; }
  int selection() const { return selection_; }
  void clear();
  // Text shown when nothing is selected.
  void setPlaceholder(std::string text);
  const std::string& shownText() const;
  void setSwapPlusMinus(bool on) { swapPlusMinus_ = on; }
  // The current text as tooltip when there is one.
  void setTextTooltip(bool on) { textTooltip_ = on; }
  // Images drawn left of the text (cell chosen by `imageCell` for the item's text).
  void setImages(const ImageStrip* strip, std::function<int(const std::string&)> cellOf);
  std::string tooltip() const override;

  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  bool key(int vk, unsigned mods) override;

  // Selects `index` and reports it, as a choice of the user does.
  void choose(int index);

 private:
  std::vector<std::string> items_;
  int selection_ = -1;
  std::string placeholder_;
  bool swapPlusMinus_ = false, textTooltip_ = false;
  const ImageStrip* images_ = nullptr;
  std::function<int(const std::string&)> cellOf_;
};

// The drag handle: a press followed by a move of a few pixels reports kDrag once.
class DragHandle : public Control {
 public:
  DragHandle(ControlOwner& owner, int id, Rect rect, std::string label);
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  void mouseMove(Point p) override;
  void mouseUp(Point p) override;

 private:
  std::string label_;
  Point start_;
  bool armed_ = false;
};

// A numeric field: shows its value; keypad plus and minus report kStepUp and kStepDown; a double
// click opens an edit box over it with the text selected, which takes digits, "+" and "-", steps
// with Up, Down, keypad plus and minus and the wheel, applies on Enter or when focus leaves
// (kEdited, editValue) and closes without applying on Escape.
class NumberField : public Control {
 public:
  NumberField(ControlOwner& owner, int id, Rect rect);
  // Empty: shows nothing.
  void setText(std::string text);
  const std::string& text() const { return text_; }
  bool editing() const { return editing_; }
  const std::string& editText() const { return edit_; }
  // The number the edit box applied, read as atoi reads it.
  int editValue() const { return editValue_; }

  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  bool doubleClick(Point p, unsigned mods) override;
  void wheel(int notches) override;
  bool key(int vk, unsigned mods) override;
  bool character(char c) override;
  void focusLost() override;

 private:
  void step(int delta);
  void apply();
  std::string text_, edit_;
  bool editing_ = false, selectedAll_ = false;
  int editValue_ = 0;
};

// The number atoi reads from `text`: optional blanks, a sign, digits; 0 when none; saturated.
int readInt(const std::string& text);

}  // namespace velmora::ui
