// The pattern library of the process: one tree over the pattern folder, shared by every engine,
// kept up to date by a folder watcher whose change message makes the user-interface thread
// rescan. Every operation that touches nodes takes the tree's lock; cursors handed out are used
// after the lock is released and stay valid until the next rescan removes their leaf.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "library/ChangeObserver.h"
#include "library/TreeCursor.h"
#include "library/TreeNode.h"
#include "platform/UiQueue.h"

namespace velmora {

// A list control that offers folder names to choose from.
class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  virtual void addItem(const std::string& name) = 0;
  // Selects the item at `index` (in the order added); -1 selects none.
  virtual void select(int index) = 0;
};

class PatternTree : public ChangeObserver {
 public:
  // Change messages are posted through `queue`.
  explicit PatternTree(platform::UiQueue& queue = platform::UiQueue::main()) : queue_(queue) {}
  ~PatternTree() override;

  // The registered message posted to the notification window on a change.
  static platform::UiMessage changedMessage();

  // Roots the tree at the folder `path` (native) and scans it whole; nothing happens when the
  // root already has exactly this path. [main-thread, not real-time safe: scans the disk]
  void setRoot(const std::string& path);
  // Stops watching and drops the root: the tree is empty as before the first setRoot.
  // [main-thread, not real-time safe]
  void clearRoot();
  // Rescans the whole tree, keeping the nodes that still exist, and re-arms the watcher.
  // [main-thread, not real-time safe: scans the disk]
  void refresh();

  // A cursor bounded to the deepest existing folder along `folderPath` (the root when none),
  // at its first leaf. An unrooted tree gives a cursor at its end. [any-thread]
  TreeCursor cursorAt(const std::string& folderPath);
  // Completes `path` to the deepest existing folder along it, then descends into first child
  // folders until the path has `levels` components or a folder has none. True when `path` was
  // already that folder path. [any-thread]
  bool normalizePath(std::string& path, int levels);
  // The relative path of the root's first child folder ("" when none). [any-thread]
  std::string firstVolumePath();
  // Offers the child folders of the deepest folder along `folderPath` and selects the one
  // named `selectedName` (none when no name matches). [main-thread]
  void fillFolderChoices(FolderPicker& picker, const std::string& folderPath, const std::string& selectedName);

  // The target of change messages; a target that does not exist means none. [any-thread]
  void setNotifyWindow(platform::UiTarget window);

  // The lock for callers that walk nodes themselves (re-entrant). [any-thread]
  std::recursive_mutex& lock() { return lock_; }
  // The root, or nullptr before the first setRoot; use under lock(). [any-thread]
  FolderNode* root() const { return root_.get(); }
  // Number of full scans so far (setRoot and refresh). [any-thread]
  unsigned scanCount() const { return scans_.load(); }

  std::string getWatchPath() override;
  void onChanged() override;

 private:
  void rescan();

  platform::UiQueue& queue_;
  std::recursive_mutex lock_;
  std::unique_ptr<FolderNode> root_;
  std::atomic<platform::UiTarget> notifyWindow_{platform::kNoTarget};
  std::atomic<unsigned> scans_{0};
};

// The tree of the process. [any-thread]
PatternTree& patternTree();

}  // namespace velmora
