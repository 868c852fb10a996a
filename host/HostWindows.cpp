#include "host/HostWindows.h"

#include <mutex>

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

void forgetHostWindows() {
  std::lock_guard guard(known().lock);
  known().search = nullptr;
  known().windows = HostWindows();
}

}  // namespace velmora::host
