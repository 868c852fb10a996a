// The loop on the clipboard and dragged out as a MIDI file.
#include <filesystem>
#include <limits>
#include <system_error>

#include "engine/Tamborak.h"
#include "io/UniStream.h"
#include "platform/SafeSave.h"

namespace velmora {

namespace {
constexpr const char* kLoopFormat = "Tamborak Loop";
constexpr const char* kMidiFormat = "Standard MIDI File";
constexpr const char* kDragFileName = "Tamborak.mid";
}  // namespace

bool Tamborak::copyLoop() {
  std::vector<platform::ClipItem> items;
  std::string block;
  CUniString stream(block);
  if (saveLoop(stream, false) && !block.empty()) items.push_back({kLoopFormat, std::move(block)});
  std::string smf;
  if (loopExporter_ && loopExporter_(*this, smf) && !smf.empty()) items.push_back({kMidiFormat, std::move(smf)});
  return !items.empty() && clipboard_ && clipboard_->put(items);
}

bool Tamborak::pasteLoop() {
  std::string block;
  if (!clipboard_ || !clipboard_->get(kLoopFormat, block)) return false;
  if (block.size() > std::numeric_limits<std::uint32_t>::max()) return false;
  CUniMemoryReader stream(block.data(), static_cast<std::uint32_t>(block.size()));
  return LoadLoop(stream, true);
}

platform::DragResult Tamborak::dragLoop() {
  std::string smf;
  if (!fileDrag_ || !loopExporter_ || !loopExporter_(*this, smf) || smf.empty()) return platform::DragResult::kFailed;
  std::error_code error;
  const std::filesystem::path folder =
      dragFolder_.empty() ? std::filesystem::temp_directory_path(error) : std::filesystem::path(dragFolder_);
  if (error || folder.empty()) return platform::DragResult::kFailed;
  const std::string path = (folder / kDragFileName).string();
  // The drop names the file, so a drag starts only once the whole file is in place.
  std::string message;
  if (!platform::saveFileWhole(path, smf, message)) return platform::DragResult::kFailed;
  const std::string dropBlock = platform::dropFilesBlock(path);
  if (dropBlock.empty()) return platform::DragResult::kFailed;
  return fileDrag_->dragFiles(dropBlock);
}

}  // namespace velmora
