// Building small pattern libraries on disk for the library tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "library/TreeNode.h"

namespace velmora::test {

// Writes `bytes` to root/relative (backslash separators), creating folders on the way.
inline void writeFile(const std::filesystem::path& root, const std::string& relative, const std::string& bytes = "x") {
  const std::filesystem::path path = root / nativeRelativePath(relative);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Creates the files and folders; entries ending with a backslash are folders.
inline void makeTree(const std::filesystem::path& root, std::initializer_list<std::string> entries) {
  for (const std::string& e : entries) {
    if (!e.empty() && e.back() == '\\')
      std::filesystem::create_directories(root / nativeRelativePath(e));
    else
      writeFile(root, e, "data of " + e);
  }
}

// A folder node over `folder`, scanned.
inline std::unique_ptr<FolderNode> scanFolder(const std::filesystem::path& folder) {
  auto root = std::make_unique<FolderNode>(folder.string(), nullptr);
  root->refresh();
  return root;
}

// Packs the scanned `source` folder into the volume file library/name; gives the file's bytes.
inline std::string packFolderAsVolume(const std::filesystem::path& source, const std::filesystem::path& library,
                                      const std::string& name) {
  std::string image, error;
  // Thrown, the failure ends the test that asked with its message; this header serves fuzz
  // targets too, which have no test framework.
  if (!packVolume(*scanFolder(source), image, error)) throw std::runtime_error("packing failed: " + error);
  writeFile(library, name, image);
  return image;
}

// The whole contents of a leaf, read in small blocks.
inline std::string leafBytes(const TerminalNode& leaf) {
  const auto stream = leaf.openContents();
  std::string bytes;
  char block[7];
  for (std::uint32_t n; (n = stream->read(block, sizeof block)) > 0;) bytes.append(block, n);
  return bytes;
}

// The node's name or relative path, "(none)" for no node: a lookup that finds nothing then fails
// a comparison instead of crashing the test.
inline std::string nameOf(const TreeNode* node) { return node ? node->getName() : "(none)"; }
inline std::string pathOf(const TreeNode* node) { return node ? node->getPath() : "(none)"; }

// The relative paths of the leaves in walk order inside `bound`.
inline std::vector<std::string> walk(TransitNode* bound, const TransitNode* relativeTo = nullptr) {
  std::vector<std::string> paths;
  for (TerminalNode* leaf = bound->first(bound); leaf; leaf = leaf->next(bound)) paths.push_back(leaf->getPath(relativeTo));
  return paths;
}

inline std::vector<std::string> walkBackward(TransitNode* bound) {
  std::vector<std::string> paths;
  for (TerminalNode* leaf = bound->last(bound); leaf; leaf = leaf->prev(bound)) paths.insert(paths.begin(), leaf->getPath());
  return paths;
}

inline std::vector<std::string> names(const TransitNode& node, bool folders) {
  std::vector<std::string> result;
  if (folders)
    for (TransitNode* f = node.firstFolder(); f; f = f->nextSibling()) result.push_back(f->getName());
  else
    for (TerminalNode* l = node.firstLeaf(); l; l = l->nextSibling()) result.push_back(l->getName());
  return result;
}

}  // namespace velmora::test
