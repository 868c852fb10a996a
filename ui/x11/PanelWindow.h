// The panel in an X11 window on Linux: a child of the window a host gives (or a top-level window),
// painted with the Cairo canvas, its mouse and keys handed to the panel. It owns its own display
// connection and is driven by idle(), which the host calls from its user-interface loop.
// Menus and questions open small modal windows of their own. [main-thread, the host's UI thread]
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "platform/Clipboard.h"
#include "ui/WindowServices.h"

namespace velmora::ui {

class TamborakPanel;
struct X11Connection;
class ClickClock;

class PanelWindow : public WindowServices, public platform::FileDrag {
 public:
  // A window of the panel's size under `parent` (0: the root, a top-level window); nullptr with
  // `error` when there is no display. [main-thread, not real-time safe]
  static std::unique_ptr<PanelWindow> open(unsigned long parent, std::string& error);
  ~PanelWindow() override;
  PanelWindow(const PanelWindow&) = delete;
  PanelWindow& operator=(const PanelWindow&) = delete;

  // The panel that paints into the window and takes its input; nullptr detaches it.
  void setPanel(TamborakPanel* panel);
  // The X11 window id (the LV2 widget).
  unsigned long window() const { return window_; }
  // Handles every pending event, fires due timers and repaints what was invalidated; gives the
  // number of mouse and key events the panel received. [main-thread, does not wait]
  int idle();

  // WindowServices
  void invalidate(const Rect& r) override;
  void setTimer(int id, int periodMs) override;
  void killTimer(int id) override;
  void captureMouse() override {}
  void releaseMouse() override {}
  void showTooltip(const std::string& tip, const Rect& r) override;
  void setWindowText(const std::string& text) override { title_ = text; }
  std::uint32_t trackMenu(const Menu& menu, Point at) override;
  void runDialog(Dialog dialog) override;
  void runModal(DialogWindow& dialog) override;
  platform::Prompt& prompt() override;
  bool clipboardHas(const std::string& format) override;
  void startDrag() override {}
  void beep() override;

  // FileDrag: the file of the block dragged out to another program's window (XDND), while the
  // left button that started it is held. [main-thread, not real-time safe]
  platform::DragResult dragFiles(std::string_view dropBlock) override;

 private:
  PanelWindow(std::unique_ptr<X11Connection> connection, unsigned long window);
  void handle(void* event, int& inputs);
  void repaint();

  std::unique_ptr<X11Connection> x_;
  unsigned long window_;
  TamborakPanel* panel_ = nullptr;
  bool dirty_ = true, gone_ = false;
  std::string title_, tooltip_;
  Rect tipArea_{};
  struct Timer {
    std::chrono::milliseconds period;
    std::chrono::steady_clock::time_point due;
  };
  std::map<int, Timer> timers_;
  // Tells double clicks from single presses.
  std::unique_ptr<ClickClock> clicks_;
  std::unique_ptr<platform::Prompt> prompt_;
};

}  // namespace velmora::ui
