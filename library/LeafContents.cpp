// The content of pattern leaves: read whole from the file, or from the bytes held by an
// in-volume leaf, for packing, for the MIDI track reader and for the engine's loop loader.
#include "io/Record.h"
#include "library/LoopLoader.h"
#include "library/TreeNode.h"
#include "midi/MidiTrack.h"
#include "platform/FileAccess.h"

namespace velmora {

namespace {

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

bool TerminalNode::readBytes(std::string& bytes, std::string& error) const {
  const std::string path = fsPath();
  if (platform::readRegularFile(path, kMaxLibraryFileBytes, {}, bytes, error) == platform::FileRead::kRead) return true;
  error = path + ": " + error;
  return false;
}

std::unique_ptr<CUniStream> TerminalNode::openContents() const {
  std::string bytes, error;
  readBytes(bytes, error);
  return std::make_unique<OwnedBytesReader>(std::move(bytes));
}

bool TerminalNode::writeContents(CUniStream& stream, std::string* error) const {
  std::string bytes, why;
  const bool read = readBytes(bytes, why);
  if (!read && error) *error = why;
  record::putU32(stream, static_cast<std::uint32_t>(bytes.size()));
  if (!bytes.empty()) stream.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return read;
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
