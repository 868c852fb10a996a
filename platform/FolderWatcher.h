// Change notification for a folder and its whole sub-tree: names of files and folders created,
// deleted or renamed. The watch is armed when the watcher is created, so a change made after
// create() returns is never missed.
#pragma once

#include <memory>
#include <string>

namespace velmora::platform {

class FolderWatcher {
 public:
  FolderWatcher() = default;
  FolderWatcher(const FolderWatcher&) = delete;
  FolderWatcher& operator=(const FolderWatcher&) = delete;
  virtual ~FolderWatcher() = default;

  // Watches `folder` (native path) and every folder below it. nullptr when the folder cannot be
  // watched. [any-thread, not real-time safe]
  static std::unique_ptr<FolderWatcher> create(const std::string& folder);

  // Blocks until a change since the last wait() (or since create()) or until stop(); true for a
  // change. Once stopped, it gives false at once. [any-thread: the one watching]
  virtual bool wait() = 0;

  // Makes the current and every later wait() return false at once. [any-thread]
  virtual void stop() = 0;
};

}  // namespace velmora::platform
