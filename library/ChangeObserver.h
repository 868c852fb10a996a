// A one-shot watcher of a folder tree: a thread that waits for the first change of names below
// the folder, reports it with onChanged() and ends. The owner re-arms it after acting on the
// change (a rescan), so one watcher reports at most one change.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "platform/FolderWatcher.h"

namespace velmora {

class ChangeObserver {
 public:
  ChangeObserver() = default;
  ChangeObserver(const ChangeObserver&) = delete;  // the watcher thread holds its address
  ChangeObserver& operator=(const ChangeObserver&) = delete;
  virtual ~ChangeObserver();

  // The folder to watch (native path); empty for none. [any-thread: the one calling startWatching]
  virtual std::string getWatchPath() = 0;
  // A change was seen. [any-thread: the watcher's; must not block or call stopWatching]
  virtual void onChanged() = 0;

  // Stops any watcher, then arms a watch on getWatchPath() before returning, so that no change
  // made after the call is missed, and starts the thread that waits for it. Without a path, or
  // when the folder cannot be watched, nothing is watched. [main-thread, not real-time safe]
  void startWatching();
  // Stops the watcher thread at once and waits for it. [main-thread, not real-time safe]
  void stopWatching();
  bool isWatching() const { return watcher_ != nullptr; }

 private:
  std::unique_ptr<platform::FolderWatcher> watcher_;
  std::thread thread_;
};

}  // namespace velmora
