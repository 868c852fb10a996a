// A position in the walk order of the library tree, bounded to one sub-tree. A cursor holds raw
// node pointers: use it only while the tree is not rescanned, or re-find its leaf by path.
#pragma once

#include <string>

#include "library/TreeNode.h"

namespace velmora {

class TreeCursor {
 public:
  TreeCursor() = default;
  // A cursor over the sub-tree of `bound` (nullptr: none), not positioned.
  explicit TreeCursor(TransitNode* bound) : bound_(bound) {}

  // [any-thread using the tree] Positioning and stepping; each gives the leaf reached (nullptr at
  // the end).
  TerminalNode* first() { return leaf_ = bound_ ? bound_->first(bound_) : nullptr; }
  TerminalNode* last() { return leaf_ = bound_ ? bound_->last(bound_) : nullptr; }
  TerminalNode* next() { return leaf_ = leaf_ ? leaf_->next(bound_) : nullptr; }
  TerminalNode* prev() { return leaf_ = leaf_ ? leaf_->prev(bound_) : nullptr; }

  // Moves to the leaf at `relativePath` (relative to the bound); false and unchanged when
  // there is none.
  bool findLeaf(const std::string& relativePath) {
    TerminalNode* found = bound_ ? findLeafByPath(bound_, relativePath) : nullptr;
    if (found) leaf_ = found;
    return found != nullptr;
  }

  bool atEnd() const { return leaf_ == nullptr; }
  TerminalNode* leaf() const { return leaf_; }
  TransitNode* bound() const { return bound_; }
  bool operator==(const TreeCursor& other) const = default;

 private:
  TerminalNode* leaf_ = nullptr;
  TransitNode* bound_ = nullptr;
};

}  // namespace velmora
