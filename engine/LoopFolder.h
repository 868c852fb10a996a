// What the loop browser needs of the library's file conventions for the loops folder: which names
// a tree can hold, relative paths on disk, the largest file it reads, and a watch on the folder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velmora {

// Largest loop file read: the library's own file limit.
constexpr std::uint64_t kMaxLoopFileBytes = std::uint64_t{64} << 20;

// True when the name can be a tree item: a backslash would split its relative path. [any-thread]
bool isLoopTreeName(const std::string& name);
// A relative path (backslashes) with native separators. [any-thread]
std::string nativeLoopPath(const std::string& relative);

// A one-shot watch of a folder tree: after start(), the first change of names below the folder
// runs `changed` once, on the watcher's thread (it must not block or stop the watch); start()
// again re-arms it. A folder that cannot be watched is not. [main-thread, not real-time safe]
class FolderWatch {
 public:
  FolderWatch(std::string folder, std::function<void()> changed);
  // Stops the watcher at once and waits for it.
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;
  void start();

 private:
  class Observer;
  std::unique_ptr<Observer> observer_;
};

}  // namespace velmora
