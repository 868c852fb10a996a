// The host's windows as the plug-in finds them inside a Windows host: its main frame (a top-level
// window of the thread that loads the plug-in), the frame's MDI client and status bar, and the
// transport's time and position fields, floating or docked. Menu commands are posted to the main
// frame; field texts are asked with a time limit, so a hung host does not hang the caller.
#include <windows.h>

#include <string>

#include "frame/dll/HostWindowsWin32.h"
#include "host/HostFrame.h"
#include "host/HostIntegration.h"
#include "host/HostWindows.h"
#include "platform/win32/MessageBoxPrompt.h"

namespace velmora {
namespace {

HWND asWindow(host::WindowHandle handle) { return reinterpret_cast<HWND>(handle); }
host::WindowHandle asHandle(HWND window) { return reinterpret_cast<host::WindowHandle>(window); }

// The first child of `parent` of class `className` (and title `title`, when given).
HWND child(HWND parent, const char* className, const char* title = nullptr) {
  return parent ? FindWindowExA(parent, nullptr, className, title) : nullptr;
}

// The thread's main window: a visible top-level window without owner, one with an MDI client
// preferred.
struct MainSearch {
  HWND any = nullptr, withClient = nullptr;
};

BOOL CALLBACK considerTopLevel(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<MainSearch*>(data);
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  if (!search.any) search.any = window;
  if (child(window, "MDIClient")) {
    search.withClient = window;
    return FALSE;
  }
  return TRUE;
}

// The edit field of a floating bar titled `title` owned by `frame`: bar, its control bar, the
// inner window of class `innerClass`, and in it the field.
HWND floatingField(HWND frame, const char* title, const char* innerClass) {
  for (HWND bar = FindWindowExA(nullptr, nullptr, nullptr, title); bar; bar = FindWindowExA(nullptr, bar, nullptr, title)) {
    if (GetWindow(bar, GW_OWNER) != frame) continue;
    if (HWND field = child(child(child(bar, "AfxControlBar42", title), innerClass, title), "CC:FakeEdit")) return field;
  }
  return nullptr;
}

// The position field docked in one of the frame's control bars.
HWND dockedPosition(HWND frame) {
  for (HWND bar = child(frame, "AfxControlBar42"); bar; bar = FindWindowExA(frame, bar, "AfxControlBar42", nullptr))
    if (HWND field = child(child(bar, "ToolbarWindow32", "Position"), "CC:FakeEdit")) return field;
  return nullptr;
}

class Win32HostWindows final : public host::HostWindowSearch, public host::HostFrame {
 public:
  host::HostWindows find() override {
    host::HostWindows found;
    MainSearch search;
    EnumThreadWindows(GetCurrentThreadId(), considerTopLevel, reinterpret_cast<LPARAM>(&search));
    const HWND frame = search.withClient ? search.withClient : search.any;
    if (!frame) return found;
    found.mainFrame = asHandle(frame);
    found.mdiClient = asHandle(child(frame, "MDIClient"));
    found.statusBar = asHandle(child(frame, "msctls_statusbar32"));
    found.transportField = asHandle(floatingField(frame, "Transport", "#32770"));
    HWND position = floatingField(frame, "Position", "ToolbarWindow32");
    if (!position) position = dockedPosition(frame);
    found.positionField = asHandle(position);
    return found;
  }

  host::WindowHandle topMostChild(host::WindowHandle mdiClient) override {
    return asHandle(GetWindow(asWindow(mdiClient), GW_CHILD));
  }

  bool exists(host::WindowHandle window) override { return window && IsWindow(asWindow(window)); }

  bool text(host::WindowHandle window, std::size_t limit, std::string& text) override {
    std::string buffer(limit + 1, '\0');
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(asWindow(window), WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, 200, &length))
      return false;
    text.assign(buffer.c_str(), std::min<std::size_t>(length, limit));
    return true;
  }

  void postCommand(std::uint32_t id) override {
    if (const host::WindowHandle frame = host::hostWindows().mainFrame) PostMessageA(asWindow(frame), WM_COMMAND, id, 0);
  }

  void lookUp() override { host::findHostWindows(); }
};

}  // namespace

void installHostWindows() {
  static Win32HostWindows windows;
  static platform::MessageBoxPrompt prompt(0);
  host::setHostWindowSearch(&windows);
  host::setHostFrame(&windows);
  host::setHostIntegrationPrompt(&prompt);
}

}  // namespace velmora
