#include "library/PatternTree.h"

#include <algorithm>

#include "library/LibraryScan.h"
#include "platform/System.h"

namespace velmora {

PatternTree::~PatternTree() { stopWatching(); }

platform::UiMessage PatternTree::changedMessage() {
  static const platform::UiMessage id = platform::registerUiMessage("Velmora_PatternTreeChanged");
  return id;
}

// The watch is armed before the scan, so a change made while scanning brings one more rescan
// instead of being lost.
void PatternTree::rescan() {
  startWatching();
  LibraryScan scan;
  root_->refresh(scan);
  for (const LibraryScan::Note& note : scan.notes()) platform::trace("pattern library: %s\n", note.text.c_str());
  ++scans_;
}

void PatternTree::setRoot(const std::string& path) {
  std::lock_guard guard(lock_);
  if (root_ && root_->getName() == path) return;
  stopWatching();
  root_ = std::make_unique<FolderNode>(path, nullptr);
  rescan();
}

void PatternTree::clearRoot() {
  std::lock_guard guard(lock_);
  stopWatching();
  root_.reset();
}

void PatternTree::refresh() {
  std::lock_guard guard(lock_);
  if (root_) rescan();  // re-arms the watcher
}

TreeCursor PatternTree::cursorAt(const std::string& folderPath) {
  std::lock_guard guard(lock_);
  if (!root_) return TreeCursor();
  TreeCursor cursor(findDeepestFolder(root_.get(), folderPath));
  cursor.first();
  return cursor;
}

bool PatternTree::normalizePath(std::string& path, int levels) {
  std::lock_guard guard(lock_);
  std::string result;
  if (root_) {
    TransitNode* folder = findDeepestFolder(root_.get(), path);
    result = folder->getPath();
    while (std::count(result.begin(), result.end(), '\\') < levels && folder->firstFolder()) {
      folder = folder->firstFolder();
      result = folder->getPath();
    }
  }
  const bool unchanged = result == path;
  path = std::move(result);
  return unchanged;
}

std::string PatternTree::firstVolumePath() {
  std::lock_guard guard(lock_);
  return root_ && root_->firstFolder() ? root_->firstFolder()->getPath() : std::string();
}

void PatternTree::fillFolderChoices(FolderPicker& picker, const std::string& folderPath,
                                    const std::string& selectedName) {
  std::lock_guard guard(lock_);
  int selected = -1;
  if (root_) {
    int index = 0;
    for (TransitNode* f = findDeepestFolder(root_.get(), folderPath)->firstFolder(); f; f = f->nextSibling(), ++index) {
      picker.addItem(f->getName());
      if (selected < 0 && f->getName() == selectedName) selected = index;
    }
  }
  picker.select(selected);
}

void PatternTree::setNotifyWindow(platform::UiTarget window) {
  notifyWindow_ = queue_.isTarget(window) ? window : platform::kNoTarget;
}

std::string PatternTree::getWatchPath() { return root_ ? root_->getName() : std::string(); }

void PatternTree::onChanged() {
  const platform::UiTarget window = notifyWindow_;
  if (window != platform::kNoTarget) queue_.post(window, changedMessage());
}

// Never destroyed: its destructor would join the watcher thread during the module's unloading.
// The last engine stops the watcher instead.
PatternTree& patternTree() {
  static PatternTree* const tree = new PatternTree;
  return *tree;
}

}  // namespace velmora
