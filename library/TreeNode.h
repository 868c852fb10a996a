// The pattern library tree: an in-memory mirror of a folder on disk. Folders become FolderNodes,
// ".mid" files TerminalNodes, and files without an extension VolumeNodes whose sub-tree is read
// from the packed volume file. Every inner node keeps two doubly linked child lists (leaves and
// folders), each sorted by name in ascending byte order and free of duplicate names.
//
// Relative paths use backslashes on every platform; only file-system paths (fsPath) use the
// native separator. Nodes own their children. None of these classes locks anything: the shared
// tree (PatternTree) serialises access; a tree built by one thread for itself needs no lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "io/UniStream.h"

namespace velmora {

class CMidiTrack;
class LibraryScan;
class LoopLoader;
class TransitNode;

// Deepest level the scan and the volume reader descend to. Real libraries are four or five
// levels deep; the limit keeps folder loops and hostile volume files from exhausting the stack.
constexpr int kMaxTreeDepth = 64;

// Largest file the library reads, a volume file or a pattern: larger ones are refused, so a huge
// file without an extension cannot exhaust memory. Real volumes hold well under a megabyte.
constexpr std::uint64_t kMaxLibraryFileBytes = std::uint64_t{64} << 20;

struct LeafAccess;
struct FolderAccess;

class TreeNode {
 public:
  TreeNode(std::string name, TransitNode* parent) : name_(std::move(name)), parent_(parent) {}
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;
  virtual ~TreeNode() = default;

  // [any-thread holding the tree] The file name (leaf, volume) or folder name; the root's name
  // is the library folder path on disk.
  const std::string& getName() const { return name_; }
  TransitNode* parent() const { return parent_; }

  // [any-thread holding the tree] Path relative to the root, or to the ancestor stopAt: leaves
  // give "dir\sub\file.mid", inner nodes "dir\sub\"; the root and stopAt give "".
  virtual std::string getPath(const TreeNode* stopAt = nullptr) const = 0;

  // Number of ancestors (0 for the root).
  int depth() const;

 protected:
  std::string name_;
  TransitNode* parent_;
};

// A leaf backed by a file on disk.
class TerminalNode : public TreeNode {
 public:
  using TreeNode::TreeNode;

  std::string getPath(const TreeNode* stopAt = nullptr) const override;

  // [any-thread holding the tree] Walk order inside `bound` (nullptr: the whole tree); nullptr
  // at the end. The walk never leaves the bound.
  TerminalNode* next(const TransitNode* bound) const;
  TerminalNode* prev(const TransitNode* bound) const;

  // [main-thread, not real-time safe: file I/O] The native path of the file.
  std::string fsPath() const;

  // [main-thread, not real-time safe: reads the file] Writes the data size then the bytes. The
  // content is read whole before the size is written, so a file that changes meanwhile cannot
  // leave a size that disagrees with the data. A file that cannot be read is written as size 0
  // and gives false, with `error` (when given) naming the file and the reason.
  bool writeContents(CUniStream& stream, std::string* error = nullptr) const;

  // [main-thread, not real-time safe] Hands the content to the engine's loop loader with flags 0
  // and gives its result. False without a parent or without a loader.
  bool loadLoop(LoopLoader* loader) const;

  // [any-thread, not real-time safe: reads and allocates] Reads the content as a Standard MIDI
  // File into `track`. True when the reader succeeds; false without a parent or a track.
  bool readMidi(CMidiTrack* track) const;

  // [any-thread, not real-time safe] A bounded read-only stream over the content: the file's
  // bytes read whole (none when it cannot be read), or the bytes held by an in-volume leaf.
  virtual std::unique_ptr<CUniStream> openContents() const;

  // [any-thread, not real-time safe: reads the file] The whole content. False, with `error`
  // naming the file and the reason, when it cannot be read: not a regular file, larger than
  // kMaxLibraryFileBytes, a read error, or no memory for it.
  virtual bool readBytes(std::string& bytes, std::string& error) const;

  TerminalNode* prevSibling() const { return prev_; }
  TerminalNode* nextSibling() const { return next_; }

 private:
  friend struct LeafAccess;
  TerminalNode* prev_ = nullptr;
  TerminalNode* next_ = nullptr;
};

// A leaf inside a volume file: the bytes are held in memory.
class InFileTerminalNode : public TerminalNode {
 public:
  using TerminalNode::TerminalNode;

  std::unique_ptr<CUniStream> openContents() const override;
  bool readBytes(std::string& bytes, std::string& error) const override;

  // [main-thread, not real-time safe: allocates] Reads the data size and the data. The buffer
  // grows only as bytes arrive, so a size larger than the stream never causes a large
  // allocation. False (node left without data) when the stream ends early.
  bool readContents(CUniStream& stream);

  std::uint32_t dataSize() const { return static_cast<std::uint32_t>(data_.size()); }
  const std::uint8_t* data() const { return data_.data(); }

  // A read-only stream over the held bytes. [any-thread, real-time safe]
  class Stream : public CUniStream {
   public:
    explicit Stream(const InFileTerminalNode& node) : node_(node) {}
    std::uint32_t read(void* buffer, std::uint32_t count) override;
    std::uint32_t write(const void*, std::uint32_t) override { return 0; }
    void close() override { position_ = 0; }

   private:
    const InFileTerminalNode& node_;
    std::uint32_t position_ = 0;
  };

 private:
  std::vector<std::uint8_t> data_;
};

// An inner node: a folder on disk, a folder in a volume, or a volume.
class TransitNode : public TreeNode {
 public:
  using TreeNode::TreeNode;
  ~TransitNode() override;

  std::string getPath(const TreeNode* stopAt = nullptr) const override;

  // Walk helpers inside `bound` (nullptr: the whole tree); each gives nullptr at the end.
  // [any-thread holding the tree]
  TerminalNode* first(const TransitNode* bound) const;
  TerminalNode* last(const TransitNode* bound) const;
  TerminalNode* firstFolderOrAfter(const TransitNode* bound) const;
  TerminalNode* lastLeafOrBefore(const TransitNode* bound) const;
  TerminalNode* nextBeyond(const TransitNode* bound) const;
  TerminalNode* prevBeyond(const TransitNode* bound) const;

  // [main-thread, not real-time safe] Brings the sub-tree up to date with the disk as one scan,
  // or as part of `scan`, which keeps notes on what was left out. Running out of memory stops
  // the scan with a note and leaves a consistent tree.
  void refresh();
  void refresh(LibraryScan& scan);
  // [main-thread, not real-time safe] Writes this node's content record (see VolumeFormat.cpp).
  // A pattern file that cannot be read is written with size 0; the result is then false and
  // `error` (when given) names the first such file.
  bool serialize(CUniStream& stream, std::string* error = nullptr) const;
  // [any-thread holding the tree] Native file-system path: folders end with a separator,
  // a volume (a file) does not.
  virtual std::string fsPath() const;

  // Sorted insertion: false (and the node is destroyed) when the name is already listed.
  // [any-thread holding the tree]
  bool insertLeaf(std::unique_ptr<TerminalNode> leaf);
  bool insertFolder(std::unique_ptr<TransitNode> folder);
  // Destroys every child.
  void clear();

  TerminalNode* firstLeaf() const { return firstLeaf_; }
  TerminalNode* lastLeaf() const { return lastLeaf_; }
  TransitNode* firstFolder() const { return firstFolder_; }
  TransitNode* lastFolder() const { return lastFolder_; }
  TransitNode* prevSibling() const { return prev_; }
  TransitNode* nextSibling() const { return next_; }

  TerminalNode* findLeaf(const std::string& name) const;
  TransitNode* findFolder(const std::string& name) const;

 protected:
  // The work of refresh for each kind of node; here: refresh every child folder.
  virtual void rescan(LibraryScan& scan);
  // Merges freshly scanned lists into the node's own: children whose names vanished are
  // destroyed, new names are moved in, existing names keep their node. `fresh` is emptied.
  void mergeFrom(TransitNode& fresh);

 private:
  friend struct FolderAccess;
  TransitNode* prev_ = nullptr;
  TransitNode* next_ = nullptr;
  TransitNode* firstFolder_ = nullptr;
  TransitNode* lastFolder_ = nullptr;
  TerminalNode* firstLeaf_ = nullptr;
  TerminalNode* lastLeaf_ = nullptr;
};

// A folder on disk; the root of a library is a FolderNode named with the library folder path.
class FolderNode : public TransitNode {
 public:
  using TransitNode::TransitNode;

 protected:
  // Rescans the folder (without descending), merges the result keeping surviving nodes, then
  // refreshes every child folder. A folder that cannot be listed ends up empty. Folders reached
  // already in this scan, names holding a backslash and files the scan leaves out are skipped.
  void rescan(LibraryScan& scan) override;
};

// A folder inside a volume file.
class FileBaseNode : public TransitNode {
 public:
  using TransitNode::TransitNode;

  // [main-thread, not real-time safe: allocates] Reads a content record into this node. Reading
  // stops at the first record that runs past the end of the data or nests too deep, when the
  // scan's node bound is reached, or when memory runs out; what was read completely stays.
  // Entries whose names hold a backslash are read and dropped with a note. True when the whole
  // record was read.
  bool deserialize(CUniStream& stream);
  bool deserialize(CUniStream& stream, LibraryScan& scan);

 protected:
  bool deserializeRecord(CUniStream& stream, int depth, LibraryScan& scan);
};

// A volume file on disk: its sub-tree is read from the file on every refresh.
class VolumeNode : public FileBaseNode {
 public:
  using FileBaseNode::FileBaseNode;
  std::string fsPath() const override;

 protected:
  // Destroys the children, then reads them again from the file. A short file, or one without
  // the volume signature, leaves the volume empty; so does one that cannot be read or is larger
  // than kMaxLibraryFileBytes, with a note. The signature is read before anything else.
  void rescan(LibraryScan& scan) override;
};

// The characters that open every volume file.
constexpr char kVolumeSignature[] = "Velmora Tamborak Volume";
constexpr std::uint32_t kVolumeSignatureLength = sizeof(kVolumeSignature) - 1;

// A reader over the content record of a volume file image, which starts with the signature;
// `bytes` must outlive it. [any-thread]
CUniMemoryReader volumeContents(const std::string& bytes);

// Writes a whole volume file image (signature and the node's content record) into `bytes`.
// False, with `error` naming the file and the reason, when a pattern file cannot be read or the
// image would exceed kMaxLibraryFileBytes; `bytes` then holds no usable volume. [main-thread, not
// real-time safe]
bool packVolume(const TransitNode& node, std::string& bytes, std::string& error);

// True when the name can be stored in the tree: a backslash would read as a folder separator in
// relative paths. [any-thread]
bool isStorableName(const std::string& name);

// The deepest existing folder along the relative path, from character `start`; never nullptr
// (at worst `node`). [any-thread holding the tree]
TransitNode* findDeepestFolder(TransitNode* node, const std::string& path, std::size_t start = 0);

// The leaf named by the relative path below `node`, or nullptr. Missing folder components
// leave the lookup in the folder reached. [any-thread holding the tree]
TerminalNode* findLeafByPath(TransitNode* node, const std::string& path);

// Converts a relative library path (backslashes) to native separators. [any-thread]
std::string nativeRelativePath(const std::string& relative);

}  // namespace velmora
