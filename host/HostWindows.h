// The host's main windows as the plug-in knows them: the main frame, its MDI client, its status
// bar and the transport's time and position fields. Finding them belongs to the operating
// system: on Windows the frame layer installs a search; elsewhere none is installed, the handles
// stay 0 and every caller does without them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora::host {

// An operating-system window handle as a number; 0: none.
using WindowHandle = std::uintptr_t;

struct HostWindows {
  WindowHandle mainFrame = 0;
  WindowHandle mdiClient = 0;
  WindowHandle statusBar = 0;
  WindowHandle transportField = 0;
  WindowHandle positionField = 0;
  friend bool operator==(const HostWindows&, const HostWindows&) = default;
};

class HostWindowSearch {
 public:
  virtual ~HostWindowSearch() = default;
  // The windows found now; a handle left 0 was not found. [main-thread, not real-time safe]
  virtual HostWindows find() = 0;
  // The top-most child window of `mdiClient`; 0 for none. [main-thread]
  virtual WindowHandle topMostChild(WindowHandle mdiClient) = 0;
  // Whether `window` still exists. [any-thread]
  virtual bool exists(WindowHandle window) = 0;
  // The window's text, at most `limit` characters; false when it cannot be asked.
  // [main-thread, not real-time safe: waits for the window's thread]
  virtual bool text(WindowHandle window, std::size_t limit, std::string& text) = 0;
};

// Installs the search of the process (nullptr: none). It must stay alive until replaced.
// [main-thread]
void setHostWindowSearch(HostWindowSearch* search);
// Runs the search: each handle found replaces the known one, a handle not found keeps its
// previous value. Without a search nothing changes. [main-thread, not real-time safe]
void findHostWindows();
// The handles known now. [any-thread]
HostWindows hostWindows();
// The top-most child of the known MDI client; 0 without a search or a client. [main-thread]
WindowHandle hostTopMostChild();
// The song position shown by the host's position field as bar, beat and tick: the toolbar field
// while it exists, else the transport's field. Its text must hold two ':' between the three
// numbers; false when there is no field or no such text. [main-thread, not real-time safe]
bool hostPosition(std::int32_t& bar, std::int32_t& beat, std::int32_t& tick);
// "bar:beat:tick" as the position fields show it; false without two ':'. [any-thread]
bool parseHostPosition(const std::string& text, std::int32_t& bar, std::int32_t& beat, std::int32_t& tick);
// For tests: no search and no handles. [main-thread]
void forgetHostWindows();

}  // namespace velmora::host
