// The volume file: the signature, then the content record of the volume's top folder.
//
// A content record is: leaf entries (name length n != 0, n name bytes, data size m, m data bytes),
// a 0, folder entries (name length n != 0, n name bytes, the folder's own content record), a 0.
// Integers are unsigned 32-bit little-endian; names carry no terminator.
//
// Reading stops at the first entry that runs past the end of the data, that names more than
// kMaxNameLength bytes, that nests deeper than kMaxTreeDepth, or that would pass the scan's node
// bound. Everything read completely up to that point stays in the tree (the partly read leaf is
// dropped; a partly read folder keeps its complete entries), so a damaged volume still offers
// what it can. Entries whose names hold a backslash are read whole and dropped.
#include <algorithm>
#include <cstring>
#include <new>

#include "io/Record.h"
#include "library/LibraryScan.h"
#include "library/TreeNode.h"
#include "platform/FileAccess.h"

namespace velmora {

namespace {
// Longer than any file name a file system allows; a longer name means a damaged record.
constexpr std::uint32_t kMaxNameLength = 1024;
// Data is read in blocks of this size, so memory follows the bytes that really arrive.
constexpr std::uint32_t kReadBlock = 64 * 1024;

// A string sink that refuses to grow past kMaxLibraryFileBytes: a volume larger than that could
// not be read back.
class BoundedImage : public CUniStream {
 public:
  explicit BoundedImage(std::string& bytes) : bytes_(bytes) {}
  std::uint32_t write(const void* buffer, std::uint32_t count) override {
    if (full_ || count > kMaxLibraryFileBytes - bytes_.size()) {
      full_ = true;
      return 0;
    }
    bytes_.append(static_cast<const char*>(buffer), count);
    return count;
  }
  std::uint32_t read(void*, std::uint32_t) override { return 0; }
  bool full() const { return full_; }

 private:
  std::string& bytes_;
  bool full_ = false;
};

// A note naming the entry of a volume that was dropped for its name.
std::string droppedName(const TransitNode& node, const std::string& name) {
  return node.fsPath() + ": " + name + ": left out: a backslash in a name would read as a folder separator";
}
}  // namespace

std::uint32_t InFileTerminalNode::Stream::read(void* buffer, std::uint32_t count) {
  const std::uint32_t left = node_.dataSize() - position_;
  const std::uint32_t n = std::min(count, left);
  if (n) std::memcpy(buffer, node_.data() + position_, n);
  position_ += n;
  return n;
}

std::unique_ptr<CUniStream> InFileTerminalNode::openContents() const { return std::make_unique<Stream>(*this); }

bool InFileTerminalNode::readBytes(std::string& bytes, std::string& error) const {
  try {
    bytes.assign(data_.begin(), data_.end());
  } catch (const std::bad_alloc&) {
    error = getPath() + ": not enough memory to read it";
    return false;
  }
  return true;
}

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

bool TransitNode::serialize(CUniStream& stream, std::string* error) const {
  bool whole = true;
  for (const TerminalNode* leaf = firstLeaf(); leaf; leaf = leaf->nextSibling()) {
    record::putText(stream, leaf->getName());
    whole = leaf->writeContents(stream, whole ? error : nullptr) && whole;
  }
  record::putU32(stream, 0);
  for (const TransitNode* folder = firstFolder(); folder; folder = folder->nextSibling()) {
    record::putText(stream, folder->getName());
    whole = folder->serialize(stream, whole ? error : nullptr) && whole;
  }
  record::putU32(stream, 0);
  return whole;
}

bool FileBaseNode::deserialize(CUniStream& stream) {
  LibraryScan scan;
  return deserialize(stream, scan);
}

bool FileBaseNode::deserialize(CUniStream& stream, LibraryScan& scan) {
  try {
    return deserializeRecord(stream, depth(), scan);
  } catch (const std::bad_alloc&) {  // every list is consistent between two allocations
    scan.lost(fsPath() + ": not enough memory; reading stopped here");
    return false;
  }
}

bool FileBaseNode::deserializeRecord(CUniStream& stream, int level, LibraryScan& scan) {
  std::string name;
  for (;;) {
    if (!record::getText(stream, name, kMaxNameLength)) return false;
    if (name.empty()) break;
    if (!scan.takeNode()) return false;
    auto leaf = std::make_unique<InFileTerminalNode>(name, this);
    if (!leaf->readContents(stream)) return false;
    if (isStorableName(name))
      insertLeaf(std::move(leaf));
    else
      scan.skipped(droppedName(*this, name));
  }
  for (;;) {
    if (!record::getText(stream, name, kMaxNameLength)) return false;
    if (name.empty()) break;
    if (level + 1 >= kMaxTreeDepth || !scan.takeNode()) return false;
    auto folder = std::make_unique<FileBaseNode>(name, this);
    FileBaseNode& child = *folder;
    const bool complete = child.deserializeRecord(stream, level + 1, scan);
    if (isStorableName(name))
      insertFolder(std::move(folder));
    else
      scan.skipped(droppedName(*this, name));
    if (!complete) return false;
  }
  return true;
}

CUniMemoryReader volumeContents(const std::string& bytes) {
  return CUniMemoryReader(bytes.data() + kVolumeSignatureLength,
                          static_cast<std::uint32_t>(bytes.size() - kVolumeSignatureLength));
}

void VolumeNode::rescan(LibraryScan& scan) {
  clear();
  std::string bytes, error;
  const std::string path = fsPath();
  switch (platform::readRegularFile(path, kMaxLibraryFileBytes, {kVolumeSignature, kVolumeSignatureLength}, bytes,
                                    error)) {
    case platform::FileRead::kRead: break;
    case platform::FileRead::kWrongStart: return;  // a file without an extension that is no volume
    default: scan.lost(path + ": " + error); return;
  }
  CUniMemoryReader reader = volumeContents(bytes);
  if (!deserialize(reader, scan))
    scan.lost(path + ": damaged volume: reading stopped at byte " +
              std::to_string(kVolumeSignatureLength + reader.position()) + " of " + std::to_string(bytes.size()));
}

bool packVolume(const TransitNode& node, std::string& bytes, std::string& error) {
  bytes.clear();
  BoundedImage stream(bytes);
  try {
    stream.write(kVolumeSignature, kVolumeSignatureLength);
    if (!node.serialize(stream, &error)) return false;
  } catch (const std::bad_alloc&) {
    error = node.fsPath() + ": not enough memory to pack it";
    return false;
  }
  if (stream.full()) {
    error = node.fsPath() + ": the volume would be larger than " + std::to_string(kMaxLibraryFileBytes >> 20) +
            " MiB, the most a volume file may hold";
    return false;
  }
  return true;
}

}  // namespace velmora
