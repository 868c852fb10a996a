// The window of the editor page: a child of the host's window that shows the panel and gives it
// the window services. The object exists from the moment the page has an engine; its system
// window only between create() and the object's end (before that, its services do nothing).
// Windows makes a real window; other builds make what a test installed, by default none.
// [main-thread]
#pragma once

#include <functional>
#include <memory>

#include "hostapi/ComTypes.h"
#include "ui/WindowServices.h"

namespace velmora::ui {
class TamborakPanel;
}

namespace velmora {

class PageWindow {
 public:
  virtual ~PageWindow() = default;
  // What the panel asks of its window.
  virtual ui::WindowServices& services() = 0;
  // Makes the system window under `parent` at `r`; false when it cannot be made.
  virtual bool create(HWND parent, const ui::Rect& r) = 0;
  virtual bool created() const = 0;
  virtual void show(bool visible) = 0;
  virtual void move(const ui::Rect& r) = 0;
  // The panel that paints into the window and takes its input; nullptr detaches it.
  virtual void setPanel(ui::TamborakPanel* panel) = 0;
};

// A new page window object (not yet created): the test's, when one installed a maker, else the
// system's (null in builds without one). [main-thread]
std::unique_ptr<PageWindow> makePageWindow();
// Installs the maker of page windows for tests; an empty function restores the system's.
// [main-thread]
void setPageWindowMaker(std::function<std::unique_ptr<PageWindow>()> maker);
// The system's page window: a Win32 window on Windows, none elsewhere. [main-thread]
std::unique_ptr<PageWindow> makeSystemPageWindow();

}  // namespace velmora
