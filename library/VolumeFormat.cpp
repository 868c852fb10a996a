// The volume file: the signature, then the content record of the volume's top folder.
//
// A content record is: leaf entries (name length n != 0, n name bytes, data size m, m data bytes),
// a 0, folder entries (name length n != 0, n name bytes, the folder's own content record), a 0.
// Integers are unsigned 32-bit little-endian; names carry no terminator.
//
// Reading stops at the first entry that runs past the end of the data, that names more than
// kMaxNameLength bytes, or that nests deeper than kMaxTreeDepth. Everything read completely up to
// that point stays in the tree (the partly read leaf is dropped; a partly read folder keeps its
// complete entries), so a damaged volume still offers what it can.
#include <algorithm>
#include <cstring>

#include "io/Record.h"
#include "library/FileBytes.h"
#include "library/TreeNode.h"

namespace velmora {

namespace {
// Longer than any file name a file system allows; a longer name means a damaged record.
constexpr std::uint32_t kMaxNameLength = 1024;
// Data is read in blocks of this size, so memory follows the bytes that really arrive.
constexpr std::uint32_t kReadBlock = 64 * 1024;
}  // namespace

std::uint32_t InFileTerminalNode::Stream::read(void* buffer, std::uint32_t count) {
  const std::uint32_t left = node_.dataSize() - position_;
  const std::uint32_t n = std::min(count, left);
  if (n) std::memcpy(buffer, node_.data() + position_, n);
  position_ += n;
  return n;
}

std::unique_ptr<CUniStream> InFileTerminalNode::openContents() const { return std::make_unique<Stream>(*this); }

bool InFileTerminalNode::readContents(CUniStream& stream) {
  data_.clear();
  std::uint32_t size;
  if (!record::getU32(stream, size)) return false;
  while (data_.size() < size) {
    const std::size_t old = data_.size();
    const std::uint32_t want = std::min<std::uint32_t>(kReadBlock, size - static_cast<std::uint32_t>(old));
    data_.resize(old + want);
    if (stream.read(data_.data() + old, want) != want) {
      data_.clear();
      data_.shrink_to_fit();
      return false;
    }
  }
  return true;
}

void TransitNode::serialize(CUniStream& stream) const {
  for (const TerminalNode* leaf = firstLeaf(); leaf; leaf = leaf->nextSibling()) {
    record::putText(stream, leaf->getName());
    leaf->writeContents(stream);
  }
  record::putU32(stream, 0);
  for (const TransitNode* folder = firstFolder(); folder; folder = folder->nextSibling()) {
    record::putText(stream, folder->getName());
    folder->serialize(stream);
  }
  record::putU32(stream, 0);
}

bool FileBaseNode::deserialize(CUniStream& stream) { return deserializeRecord(stream, depth()); }

bool FileBaseNode::deserializeRecord(CUniStream& stream, int level) {
  std::string name;
  for (;;) {
    if (!record::getText(stream, name, kMaxNameLength)) return false;
    if (name.empty()) break;
    auto leaf = std::make_unique<InFileTerminalNode>(name, this);
    if (!leaf->readContents(stream)) return false;
    insertLeaf(std::move(leaf));
  }
  for (;;) {
    if (!record::getText(stream, name, kMaxNameLength)) return false;
    if (name.empty()) break;
    if (level + 1 >= kMaxTreeDepth) return false;
    auto folder = std::make_unique<FileBaseNode>(name, this);
    FileBaseNode& child = *folder;
    const bool complete = child.deserializeRecord(stream, level + 1);
    insertFolder(std::move(folder));
    if (!complete) return false;
  }
  return true;
}

bool isVolumeImage(const std::string& bytes) {
  return bytes.size() >= kVolumeSignatureLength && bytes.compare(0, kVolumeSignatureLength, kVolumeSignature) == 0;
}

CUniMemoryReader volumeContents(const std::string& bytes) {
  return CUniMemoryReader(bytes.data() + kVolumeSignatureLength,
                          static_cast<std::uint32_t>(bytes.size() - kVolumeSignatureLength));
}

void VolumeNode::refresh() {
  clear();
  std::string bytes;
  if (!readFileBytes(fsPath(), bytes) || !isVolumeImage(bytes)) return;
  CUniMemoryReader reader = volumeContents(bytes);
  deserialize(reader);
}

void packVolume(const TransitNode& node, std::string& bytes) {
  bytes.clear();
  CUniString stream(bytes);
  stream.write(kVolumeSignature, kVolumeSignatureLength);
  node.serialize(stream);
}

}  // namespace velmora
