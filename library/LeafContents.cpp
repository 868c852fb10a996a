// The content of pattern leaves: read whole from the file, or from the bytes held by an
// in-volume leaf, for packing, for the MIDI track reader and for the engine's loop loader.
#include "io/Record.h"
#include "library/FileBytes.h"
#include "library/LoopLoader.h"
#include "library/TreeNode.h"
#include "midi/MidiTrack.h"

namespace velmora {

namespace {

// Reads everything a stream gives, in blocks.
std::string readAll(CUniStream& stream) {
  std::string bytes;
  char block[1024];
  for (std::uint32_t n; (n = stream.read(block, sizeof block)) > 0;) bytes.append(block, n);
  return bytes;
}

// A memory reader that owns the bytes it reads.
class OwnedBytesReader : public CUniStream {
 public:
  explicit OwnedBytesReader(std::string bytes)
      : bytes_(std::move(bytes)), reader_(bytes_.data(), static_cast<std::uint32_t>(bytes_.size())) {}
  std::uint32_t read(void* buffer, std::uint32_t count) override { return reader_.read(buffer, count); }
  std::uint32_t write(const void*, std::uint32_t) override { return 0; }

 private:
  std::string bytes_;
  CUniMemoryReader reader_;
};

}  // namespace

std::unique_ptr<CUniStream> TerminalNode::openContents() const {
  std::string bytes;
  readFileBytes(fsPath(), bytes);
  return std::make_unique<OwnedBytesReader>(std::move(bytes));
}

void TerminalNode::writeContents(CUniStream& stream) const {
  const std::string bytes = readAll(*openContents());
  record::putU32(stream, static_cast<std::uint32_t>(bytes.size()));
  if (!bytes.empty()) stream.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

bool TerminalNode::loadLoop(LoopLoader* loader) const {
  if (!parent_ || !loader) return false;
  return loader->LoadLoop(*openContents(), 0);
}

bool TerminalNode::readMidi(CMidiTrack* track) const {
  if (!parent_ || !track) return false;
  return track->LoadSmf(*openContents()) == 0;
}

}  // namespace velmora
