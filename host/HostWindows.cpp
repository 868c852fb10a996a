#include "host/HostWindows.h"

#include <mutex>

#include "platform/Numeric.h"

namespace velmora::host {
namespace {

struct Known {
  std::mutex lock;
  HostWindowSearch* search = nullptr;
  HostWindows windows;
};

Known& known() {
  static Known state;
  return state;
}

void keepFound(WindowHandle& known, WindowHandle found) {
  if (found) known = found;
}

}  // namespace

void setHostWindowSearch(HostWindowSearch* search) {
  std::lock_guard guard(known().lock);
  known().search = search;
}

void findHostWindows() {
  std::lock_guard guard(known().lock);
  if (!known().search) return;
  const HostWindows found = known().search->find();
  HostWindows& windows = known().windows;
  keepFound(windows.mainFrame, found.mainFrame);
  keepFound(windows.mdiClient, found.mdiClient);
  keepFound(windows.statusBar, found.statusBar);
  keepFound(windows.transportField, found.transportField);
  keepFound(windows.positionField, found.positionField);
}

HostWindows hostWindows() {
  std::lock_guard guard(known().lock);
  return known().windows;
}

WindowHandle hostTopMostChild() {
  std::lock_guard guard(known().lock);
  if (!known().search || !known().windows.mdiClient) return 0;
  return known().search->topMostChild(known().windows.mdiClient);
}

bool parseHostPosition(const std::string& text, std::int32_t& bar, std::int32_t& beat, std::int32_t& tick) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return false;
  const std::string_view all(text);
  bar = platform::atoiWin(all.substr(0, first));
  beat = platform::atoiWin(all.substr(first + 1, second - first - 1));
  tick = platform::atoiWin(all.substr(second + 1));
  return true;
}

// The window is asked without the lock: its thread may be busy calling in here.
bool hostPosition(std::int32_t& bar, std::int32_t& beat, std::int32_t& tick) {
  constexpr std::size_t kTextLimit = 99;
  HostWindowSearch* search = nullptr;
  HostWindows windows;
  {
    std::lock_guard guard(known().lock);
    search = known().search;
    windows = known().windows;
  }
  if (!search) return false;
  const WindowHandle field =
      windows.positionField && search->exists(windows.positionField) ? windows.positionField : windows.transportField;
  std::string text;
  if (!field || !search->text(field, kTextLimit, text) || text.empty()) return false;
  return parseHostPosition(text, bar, beat, tick);
}

void forgetHostWindows() {
  std::lock_guard guard(known().lock);
  known().search = nullptr;
  known().windows = HostWindows();
}

}  // namespace velmora::host
