// A modal dialog built from the flat controls: its own title and size, its controls, the focus and
// the group frames. The window that shows it hands the input here and runs its event loop until
// the dialog is closed (WindowServices::runModal). Enter runs OK, Escape runs Cancel. [main-thread]
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/Control.h"

namespace velmora::ui {

// Dialog units to pixels for the font the canvases draw with (an average character 7 pixels
// wide, lines 13 pixels high): a quarter of a character across, an eighth of a line down.
constexpr int dluX(int x) { return x * 7 / 4; }
constexpr int dluY(int y) { return y * 13 / 8; }
constexpr Rect dluRect(int left, int top, int width, int height) {
  return {dluX(left), dluY(top), dluX(left + width), dluY(top + height)};
}

class DialogWindow : public ControlOwner {
 public:
  // `services` serve the dialog until a window takes it over with setServices.
  DialogWindow(WindowServices& services, std::string title, int width, int height);
  ~DialogWindow() override;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  const std::string& title() const { return title_; }
  Rect bounds() const { return {0, 0, width_, height_}; }
  bool closed() const { return closed_; }
  // The window that shows the dialog serves its repaints, menus and questions in dialog
  // coordinates; nullptr gives back the services the dialog was made with.
  void setServices(WindowServices* services) { window_ = services; }

  void paint(Canvas& canvas);
  void mouseDown(Point p, MouseButton button, unsigned mods);
  void mouseMove(Point p);
  void mouseUp(Point p);
  void doubleClick(Point p);
  void wheel(Point p, int notches);
  // The focused control first, then Enter (OK), Escape (Cancel) and Tab (next control).
  bool key(int vk, unsigned mods);
  bool character(char c);

  Control* control(int id);
  Control* controlAt(Point p);
  Control* focused() const { return focused_; }
  void setFocus(Control* control);

  // ControlOwner
  WindowServices& services() override { return window_ ? *window_ : services_; }

  // OK and Cancel as their buttons run them; the dialog closes unless OK refuses a value.
  virtual void ok() { close(); }
  virtual void cancel() { close(); }

 protected:
  template <typename T, typename... Args>
  T& add(Args&&... args) {
    auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& added = *control;
    controls_.push_back(std::move(control));
    return added;
  }
  // A frame with its caption drawn behind the controls.
  void addGroup(const Rect& r, std::string caption) { groups_.emplace_back(r, std::move(caption)); }
  void close() { closed_ = true; }

 private:
  WindowServices& services_;
  WindowServices* window_ = nullptr;
  std::string title_;
  int width_, height_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::pair<Rect, std::string>> groups_;
  Control* focused_ = nullptr;
  Control* captured_ = nullptr;
  bool closed_ = false;
};

}  // namespace velmora::ui
