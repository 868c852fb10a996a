// What the controls ask of the window they live in: repainting, timers, mouse capture, tooltips,
// the status and title texts, context menus, modal dialogs, questions and starting a drag. A
// Win32 window, a Linux window and the recording services of the tests implement it.
// [main-thread]
#pragma once

#include <cstdint>
#include <string>

#include "platform/Prompt.h"
#include "ui/Geometry.h"
#include "ui/Menu.h"

namespace velmora::ui {

enum class Dialog { kOptions, kAbout, kHelp };

class DialogWindow;

class WindowServices {
 public:
  virtual ~WindowServices() = default;
  virtual void invalidate(const Rect& r) = 0;
  // Timer `id` calls the owner's timer handler every `periodMs` until killTimer.
  virtual void setTimer(int id, int periodMs) = 0;
  virtual void killTimer(int id) = 0;
  virtual void captureMouse() = 0;
  virtual void releaseMouse() = 0;
  // Shows `tip` for the area `r`; an empty tip hides the tooltip.
  virtual void showTooltip(const std::string& tip, const Rect& r) = 0;
  // The title text of the panel's window (the value display while dragging).
  virtual void setWindowText(const std::string& text) = 0;
  // Shows `menu` at `at` and waits; gives the chosen item's command, 0 when none.
  virtual std::uint32_t trackMenu(const Menu& menu, Point at) = 0;
  // Runs a modal dialog (or opens the help) and returns when it closes.
  virtual void runDialog(Dialog dialog) = 0;
  // Shows `dialog` in a modal window of its own and returns when it is closed.
  virtual void runModal(DialogWindow& dialog) = 0;
  // Where the user is asked; never null.
  virtual platform::Prompt& prompt() = 0;
  // Whether the clipboard offers the named format.
  virtual bool clipboardHas(const std::string& format) = 0;
  // A loop drag starts (the window posts itself the drag message and the engine drags).
  virtual void startDrag() = 0;
  // An audible refusal (a character an edit box does not take).
  virtual void beep() = 0;
};

}  // namespace velmora::ui
