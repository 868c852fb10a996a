#include "tools/patterns/VolumePack.h"

#include <stdexcept>

#include "io/Record.h"

namespace velmora::patterns {
namespace {

void fill(FileBaseNode& node, const PackFolder& folder) {
  for (const PackFile& file : folder.files) {
    // An in-volume leaf takes its bytes as the volume reader hands them: size, then data.
    std::string content;
    CUniString writer(content);
    record::putText(writer, file.bytes);
    CUniMemoryReader reader(content.data(), static_cast<std::uint32_t>(content.size()));
    auto leaf = std::make_unique<InFileTerminalNode>(file.name, &node);
    leaf->readContents(reader);
    node.insertLeaf(std::move(leaf));
  }
  for (const PackFolder& child : folder.folders) {
    auto sub = std::make_unique<FileBaseNode>(child.name, &node);
    fill(*sub, child);
    node.insertFolder(std::move(sub));
  }
}

}  // namespace

std::unique_ptr<FileBaseNode> volumeTree(const PackFolder& folder, TransitNode* parent) {
  auto node = std::make_unique<FileBaseNode>(folder.name, parent);
  fill(*node, folder);
  return node;
}

std::string packedVolume(const PackFolder& top) {
  std::string bytes, error;
  if (!packVolume(*volumeTree(top), bytes, error)) throw std::length_error(error);  // only size can fail in memory
  return bytes;
}

}  // namespace velmora::patterns
