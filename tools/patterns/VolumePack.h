// The generated library in memory, and its packing into a volume file by the library tree's own
// writer: a generated folder becomes a tree of in-volume nodes, which the tree serialises in its
// sorted order, so the same folder always packs to the same bytes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "library/TreeNode.h"

namespace velmora::patterns {

struct PackFile {
  std::string name;
  std::string bytes;
};

struct PackFolder {
  std::string name;
  std::vector<PackFile> files;
  std::vector<PackFolder> folders;
};

// [main-thread, not real-time safe] The folder as a tree of in-volume nodes below `parent` (a
// folder node holding its files as leaves and its folders below), as a volume file would read.
// The caller inserts it into `parent`, if any.
std::unique_ptr<FileBaseNode> volumeTree(const PackFolder& folder, TransitNode* parent = nullptr);

// [main-thread, not real-time safe] The bytes of a volume file holding `top`'s sub-tree; throws
// std::length_error when they would pass the largest volume the library reads.
std::string packedVolume(const PackFolder& top);

}  // namespace velmora::patterns
