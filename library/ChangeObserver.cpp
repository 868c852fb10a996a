#include "library/ChangeObserver.h"

#include "platform/System.h"

namespace velmora {

ChangeObserver::~ChangeObserver() { stopWatching(); }

void ChangeObserver::startWatching() {
  stopWatching();
  const std::string path = getWatchPath();
  if (path.empty()) return;
  watcher_ = platform::FolderWatcher::create(path);
  if (!watcher_) return;
  platform::FolderWatcher* watcher = watcher_.get();
  try {
    thread_ = std::thread([this, watcher] {
      if (watcher->wait()) onChanged();
    });
  } catch (const std::system_error& e) {
    platform::trace("folder watcher thread: %s\n", e.what());
    watcher_.reset();
  }
}

void ChangeObserver::stopWatching() {
  if (!watcher_) return;
  watcher_->stop();
  if (thread_.joinable()) thread_.join();
  watcher_.reset();
}

}  // namespace velmora
