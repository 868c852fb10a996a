// The base of the flat owner-drawn controls: an identifier, a rectangle in panel pixels, a
// tooltip ("title\ndescription"), painting and mouse and key handling. A control reports to its
// owner through notifications carrying its identifier; the owner talks to the engine.
// [main-thread]
#pragma once

#include <string>

#include "ui/Canvas.h"
#include "ui/WindowServices.h"

namespace velmora::ui {

// What a control reports.
enum class Notify {
  kClicked,   // a button was clicked (a toggle: the user asks for the other state)
  kChanged,   // a list's selection changed
  kTrack,     // a slider or the pad moved while dragged
  kEndTrack,  // the drag ended
  kDrag,      // the drag handle was dragged far enough to start a drag
  kStepUp,    // a field's value is to go up by one (numeric keypad plus)
  kStepDown,  // ... down by one
  kEdited,    // a field's edit box applied its number
};

class Control;

class ControlOwner {
 public:
  virtual ~ControlOwner() = default;
  virtual void onNotify(Control& control, Notify what) = 0;
  virtual WindowServices& services() = 0;
};

class Control {
 public:
  Control(ControlOwner& owner, int id, Rect rect) : owner_(owner), id_(id), rect_(rect) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  int id() const { return id_; }
  const Rect& rect() const { return rect_; }
  void setRect(const Rect& r) { rect_ = r; }
  bool enabled() const { return enabled_; }
  void setEnabled(bool on);
  // The tooltip string: the title, a line feed, the description for the status line.
  virtual std::string tooltip() const { return tooltip_; }
  void setTooltip(std::string tip) { tooltip_ = std::move(tip); }

  virtual void paint(Canvas& canvas) = 0;
  // True when the control takes the press (it then gets the moves and the release).
  virtual bool mouseDown(Point, MouseButton, unsigned /*mods*/) { return false; }
  virtual void mouseMove(Point) {}
  virtual void mouseUp(Point) {}
  // The second left press of a double click; true when the control takes it as mouseDown does.
  // It is a press like any other (two quick clicks on a button are two clicks) unless the
  // control gives double clicks a meaning of its own.
  virtual bool doubleClick(Point p, unsigned mods) { return mouseDown(p, MouseButton::kLeft, mods); }
  // Wheel notches (positive away from the user), already divided by 120.
  virtual void wheel(int /*notches*/) {}
  // A key the control takes first (a focused control); true when taken.
  virtual bool key(int /*vk*/, unsigned /*mods*/) { return false; }
  virtual bool character(char) { return false; }
  // Focus leaves the control.
  virtual void focusLost() {}

  void invalidate() { owner_.services().invalidate(rect_); }

 protected:
  void notify(Notify what) { owner_.onNotify(*this, what); }
  ControlOwner& owner_;

 private:
  int id_;
  Rect rect_;
  bool enabled_ = true;
  std::string tooltip_;
};

// The title part of a tooltip string (before the first line feed) and its description (after).
std::string tipTitle(const std::string& tip);
std::string tipDescription(const std::string& tip);

}  // namespace velmora::ui
