// Names, paths, sorted child lists, merging and the walk order of the library tree.
#include "library/TreeNode.h"

#include <filesystem>
#include <new>
#include <typeinfo>

#include "library/LibraryScan.h"
#include "platform/Numeric.h"

namespace velmora {

namespace {

constexpr char kNativeSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

bool endsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == kNativeSeparator);
}

int compareNames(const std::string& a, const std::string& b) { return platform::byteCompare(a, b); }

// Links `node` into one doubly linked list before `before` (at the tail when nullptr); Node has
// prev_/next_ reachable through Access.
template <typename Node, typename Access>
void linkBefore(Node*& head, Node*& tail, Node* node, Node* before) {
  Node* after = before ? Access::prev(before) : tail;
  Access::prev(node) = after;
  Access::next(node) = before;
  (after ? Access::next(after) : head) = node;
  (before ? Access::prev(before) : tail) = node;
}

// Sorted insertion; false (nothing linked) when the name is taken. Appending is checked first,
// so names arriving in order cost O(1) each.
template <typename Node, typename Access>
bool insertSorted(Node*& head, Node*& tail, Node* node) {
  Node* before = nullptr;  // insert before this node; nullptr: at the tail
  if (tail != nullptr && compareNames(Access::name(tail), Access::name(node)) >= 0) {
    Node* at = head;
    int c = 0;
    while (at && (c = compareNames(Access::name(at), Access::name(node))) < 0) at = Access::next(at);
    if (at && c == 0) return false;
    before = at;
  }
  linkBefore<Node, Access>(head, tail, node, before);
  return true;
}

template <typename Node, typename Access>
void unlink(Node*& head, Node*& tail, Node* node) {
  (Access::prev(node) ? Access::next(Access::prev(node)) : head) = Access::next(node);
  (Access::next(node) ? Access::prev(Access::next(node)) : tail) = Access::prev(node);
  Access::prev(node) = Access::next(node) = nullptr;
}

// Sorted merge of `fresh` into `own`: see TransitNode::mergeFrom.
template <typename Node, typename Access>
void mergeLists(Node*& ownHead, Node*& ownTail, Node*& freshHead, Node*& freshTail, TransitNode* parent) {
  Node* own = ownHead;
  while (own || freshHead) {
    Node* fresh = freshHead;
    int c = !own ? 1 : !fresh ? -1 : compareNames(Access::name(own), Access::name(fresh));
    // A name that now stands for another kind of node (a folder replaced by a volume file of the
    // same name) is replaced, not kept.
    if (c == 0 && typeid(*own) != typeid(*fresh)) c = -1;
    if (c < 0) {  // vanished from disk
      Node* gone = own;
      own = Access::next(own);
      unlink<Node, Access>(ownHead, ownTail, gone);
      delete gone;
    } else if (c == 0) {  // still there: keep ours, drop the fresh one
      own = Access::next(own);
      unlink<Node, Access>(freshHead, freshTail, fresh);
      delete fresh;
    } else {  // new: move it in before `own`
      unlink<Node, Access>(freshHead, freshTail, fresh);
      Access::parent(fresh) = parent;
      linkBefore<Node, Access>(ownHead, ownTail, fresh, own);
    }
  }
}

// The first and last leaf of a sub-tree in walk order, or nullptr when it holds none. Siblings
// are visited in loops, so long runs of empty folders cost no stack.
TerminalNode* firstLeafBelow(const TransitNode* node) {
  if (node->firstLeaf()) return node->firstLeaf();
  for (const TransitNode* f = node->firstFolder(); f; f = f->nextSibling())
    if (TerminalNode* leaf = firstLeafBelow(f)) return leaf;
  return nullptr;
}

TerminalNode* lastLeafBelow(const TransitNode* node) {
  for (const TransitNode* f = node->lastFolder(); f; f = f->prevSibling())
    if (TerminalNode* leaf = lastLeafBelow(f)) return leaf;
  return node->lastLeaf();
}

}  // namespace

// Friends-free access to the private links for the list templates.
struct LeafAccess {
  static const std::string& name(const TerminalNode* n) { return n->getName(); }
  static TerminalNode*& prev(TerminalNode* n);
  static TerminalNode*& next(TerminalNode* n);
  static TransitNode*& parent(TerminalNode* n);
};
struct FolderAccess {
  static const std::string& name(const TransitNode* n) { return n->getName(); }
  static TransitNode*& prev(TransitNode* n);
  static TransitNode*& next(TransitNode* n);
  static TransitNode*& parent(TransitNode* n);
};

int TreeNode::depth() const {
  int d = 0;
  for (const TransitNode* p = parent_; p; p = p->parent()) ++d;
  return d;
}

std::string TerminalNode::getPath(const TreeNode* stopAt) const {
  if (stopAt == this) return {};
  return (parent_ ? parent_->getPath(stopAt) : std::string()) + name_;
}

std::string TransitNode::getPath(const TreeNode* stopAt) const {
  if (stopAt == this || !parent_) return {};
  return parent_->getPath(stopAt) + name_ + '\\';
}

std::string TerminalNode::fsPath() const { return (parent_ ? parent_->fsPath() : std::string()) + name_; }

std::string TransitNode::fsPath() const {
  // An unnamed root stands for no folder, not for the file-system root.
  if (!parent_) return name_.empty() || endsWithSeparator(name_) ? name_ : name_ + kNativeSeparator;
  return parent_->fsPath() + name_ + kNativeSeparator;
}

std::string VolumeNode::fsPath() const { return (parent_ ? parent_->fsPath() : std::string()) + name_; }

std::string nativeRelativePath(const std::string& relative) {
  std::string native = relative;
  for (char& c : native)
    if (c == '\\') c = kNativeSeparator;
  return native;
}

TransitNode::~TransitNode() { clear(); }

void TransitNode::clear() {
  while (firstLeaf_) {
    TerminalNode* leaf = firstLeaf_;
    unlink<TerminalNode, LeafAccess>(firstLeaf_, lastLeaf_, leaf);
    delete leaf;
  }
  while (firstFolder_) {
    TransitNode* folder = firstFolder_;
    unlink<TransitNode, FolderAccess>(firstFolder_, lastFolder_, folder);
    delete folder;
  }
}

bool TransitNode::insertLeaf(std::unique_ptr<TerminalNode> leaf) {
  LeafAccess::parent(leaf.get()) = this;
  if (!insertSorted<TerminalNode, LeafAccess>(firstLeaf_, lastLeaf_, leaf.get())) return false;
  leaf.release();
  return true;
}

bool TransitNode::insertFolder(std::unique_ptr<TransitNode> folder) {
  FolderAccess::parent(folder.get()) = this;
  if (!insertSorted<TransitNode, FolderAccess>(firstFolder_, lastFolder_, folder.get())) return false;
  folder.release();
  return true;
}

void TransitNode::mergeFrom(TransitNode& fresh) {
  mergeLists<TerminalNode, LeafAccess>(firstLeaf_, lastLeaf_, fresh.firstLeaf_, fresh.lastLeaf_, this);
  mergeLists<TransitNode, FolderAccess>(firstFolder_, lastFolder_, fresh.firstFolder_, fresh.lastFolder_, this);
}

TerminalNode* TransitNode::findLeaf(const std::string& name) const {
  for (TerminalNode* leaf = firstLeaf_; leaf; leaf = leaf->nextSibling())
    if (leaf->getName() == name) return leaf;
  return nullptr;
}

TransitNode* TransitNode::findFolder(const std::string& name) const {
  for (TransitNode* folder = firstFolder_; folder; folder = folder->nextSibling())
    if (folder->getName() == name) return folder;
  return nullptr;
}

void TransitNode::refresh() {
  LibraryScan scan;
  refresh(scan);
}

void TransitNode::refresh(LibraryScan& scan) {
  scan.enterFolder(fsPath());
  try {
    rescan(scan);
  } catch (const std::bad_alloc&) {  // every list is consistent between two allocations
    scan.lost(fsPath() + ": not enough memory; the scan stopped here");
  }
}

void TransitNode::rescan(LibraryScan& scan) {
  for (TransitNode* folder = firstFolder_; folder; folder = folder->nextSibling()) folder->rescan(scan);
}

bool isStorableName(const std::string& name) { return name.find('\\') == std::string::npos; }

// Walk order: in each folder its leaves, then its child folders, depth first.

TerminalNode* TerminalNode::next(const TransitNode* bound) const {
  if (next_) return next_;
  return parent_ ? parent_->firstFolderOrAfter(bound) : nullptr;
}

TerminalNode* TerminalNode::prev(const TransitNode* bound) const {
  if (prev_) return prev_;
  return parent_ ? parent_->prevBeyond(bound) : nullptr;
}

TerminalNode* TransitNode::first(const TransitNode* bound) const {
  if (TerminalNode* leaf = firstLeafBelow(this)) return leaf;
  return nextBeyond(bound);
}

TerminalNode* TransitNode::last(const TransitNode* bound) const {
  if (TerminalNode* leaf = lastLeafBelow(this)) return leaf;
  return prevBeyond(bound);
}

TerminalNode* TransitNode::firstFolderOrAfter(const TransitNode* bound) const {
  for (const TransitNode* f = firstFolder_; f; f = f->nextSibling())
    if (TerminalNode* leaf = firstLeafBelow(f)) return leaf;
  return nextBeyond(bound);
}

TerminalNode* TransitNode::lastLeafOrBefore(const TransitNode* bound) const {
  return lastLeaf_ ? lastLeaf_ : prevBeyond(bound);
}

TerminalNode* TransitNode::nextBeyond(const TransitNode* bound) const {
  for (const TransitNode* n = this; n && n != bound; n = n->parent()) {
    for (const TransitNode* s = n->nextSibling(); s; s = s->nextSibling())
      if (TerminalNode* leaf = firstLeafBelow(s)) return leaf;
  }
  return nullptr;
}

TerminalNode* TransitNode::prevBeyond(const TransitNode* bound) const {
  for (const TransitNode* n = this; n && n != bound; n = n->parent()) {
    for (const TransitNode* s = n->prevSibling(); s; s = s->prevSibling())
      if (TerminalNode* leaf = lastLeafBelow(s)) return leaf;
    if (n->parent() && n->parent()->lastLeaf()) return n->parent()->lastLeaf();
  }
  return nullptr;
}

TerminalNode*& LeafAccess::prev(TerminalNode* n) { return n->prev_; }
TerminalNode*& LeafAccess::next(TerminalNode* n) { return n->next_; }
TransitNode*& LeafAccess::parent(TerminalNode* n) { return n->parent_; }
TransitNode*& FolderAccess::prev(TransitNode* n) { return n->prev_; }
TransitNode*& FolderAccess::next(TransitNode* n) { return n->next_; }
TransitNode*& FolderAccess::parent(TransitNode* n) { return n->parent_; }

// Path lookup.

TransitNode* findDeepestFolder(TransitNode* node, const std::string& path, std::size_t start) {
  while (start < path.size()) {
    const std::size_t end = path.find('\\', start);
    TransitNode* child = node->findFolder(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!child) break;
    node = child;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return node;
}

TerminalNode* findLeafByPath(TransitNode* node, const std::string& path) {
  std::size_t start = 0;
  for (std::size_t slash; (slash = path.find('\\', start)) != std::string::npos; start = slash + 1)
    if (TransitNode* child = node->findFolder(path.substr(start, slash - start))) node = child;
  return node->findLeaf(path.substr(start));
}

}  // namespace velmora
