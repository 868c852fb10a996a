// The controls that dialogs add to the flat control set: a check box, a one-line edit box, an
// editable drop-down combo and a two-column report list with a selected row. [main-thread]
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace velmora::ui {

// A control that takes the keys while it has the focus (the dialog says when it has).
class Focusable {
 public:
  virtual ~Focusable() = default;
  virtual void setFocused(bool on) = 0;
};

// A box with a tick and its label on the right; a click toggles it and reports kClicked.
class CheckBox : public Control, public Focusable {
 public:
  CheckBox(ControlOwner& owner, int id, Rect rect, std::string label);
  bool checked() const { return checked_; }
  void setChecked(bool on);
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  bool key(int vk, unsigned mods) override;
  void setFocused(bool on) override;

 private:
  std::string label_;
  bool checked_ = false, focused_ = false;
};

// One line of text typed in while focused; Backspace deletes the last character. The first key
// after the focus arrives replaces the whole text. With `digits` it takes only digits and a
// leading minus, and refuses more than `maxLength` characters with a beep.
class EditBox : public Control, public Focusable {
 public:
  EditBox(ControlOwner& owner, int id, Rect rect, bool digits = false, std::size_t maxLength = 64);
  const std::string& text() const { return text_; }
  void setText(std::string text);
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  bool key(int vk, unsigned mods) override;
  bool character(char c) override;
  void setFocused(bool on) override;

 protected:
  // Where the text goes (the field less any button part).
  virtual Rect textArea() const { return rect(); }
  bool focused() const { return focused_; }

 private:
  std::string text_;
  bool digits_, focused_ = false, replace_ = false;
  std::size_t maxLength_;
};

// An edit box with a drop-down arrow: the arrow opens the items, sorted, as a menu; a choice
// becomes the text and is reported (kChanged).
class ComboEdit : public EditBox {
 public:
  ComboEdit(ControlOwner& owner, int id, Rect rect);
  // Keeps the items sorted; addItem does not add a text already held (exact match).
  void setItems(std::vector<std::string> items);
  void addItem(const std::string& item);
  void removeItem(const std::string& item);
  bool contains(const std::string& item) const;
  const std::vector<std::string>& items() const { return items_; }
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;

 protected:
  Rect textArea() const override;

 private:
  Rect arrowArea() const;
  std::vector<std::string> items_;
};

// A list of rows of two columns under a header, with one selected row (full-row selection).
// A click selects a row; Up and Down move the selection; numeric-keypad plus and minus report
// kStepUp and kStepDown for the selected row. Rows beyond the height scroll (wheel, selection).
class ReportList : public Control, public Focusable {
 public:
  static constexpr int kRowHeight = 14;
  ReportList(ControlOwner& owner, int id, Rect rect, std::array<std::string, 2> headers);
  void clear();
  void addRow(std::string first, std::string second, int data);
  void setText(int row, int column, std::string text);
  const std::string& text(int row, int column) const;
  int data(int row) const;
  int rowCount() const { return static_cast<int>(rows_.size()); }
  int selection() const { return selection_; }
  void select(int row);
  // Scrolls so that `row` is fully shown.
  void ensureVisible(int row);
  int topRow() const { return top_; }
  // Column 0's width (-1: as wide as its widest text); column 1 takes the rest less the scroll bar.
  void setFirstColumnWidth(int width) { firstWidth_ = width; }

  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  void wheel(int notches) override;
  bool key(int vk, unsigned mods) override;
  void setFocused(bool on) override;

 private:
  struct Row {
    std::array<std::string, 2> text;
    int data;
  };
  int visibleRows() const;
  static constexpr int kScrollBar = 14;
  std::array<std::string, 2> headers_;
  std::vector<Row> rows_;
  int selection_ = -1, top_ = 0, firstWidth_ = -1;
  bool focused_ = false;
};

}  // namespace velmora::ui
