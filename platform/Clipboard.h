// The clipboard with formats registered by name, and dragging files out of the plug-in. On
// Windows both are the system's; elsewhere the clipboard lives inside the process and a drag is
// only recorded (the command-line program writes files instead).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::platform {

// One format offered on the clipboard: its registered name and its bytes.
struct ClipItem {
  std::string format;
  std::string bytes;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces everything on the clipboard by `items`, which stay available after the caller goes
  // away. False when the clipboard could not be taken; then it is unchanged.
  // [main-thread, not real-time safe]
  virtual bool put(const std::vector<ClipItem>& items) = 0;
  // The bytes offered under `format`; false when none are. The bytes may run past the content
  // (a system block is often rounded up and zero-filled). [main-thread, not real-time safe]
  virtual bool get(const std::string& format, std::string& bytes) = 0;
};

// A clipboard held in memory by this object. [any-thread, one at a time]
class MemoryClipboard : public Clipboard {
 public:
  bool put(const std::vector<ClipItem>& items) override;
  bool get(const std::string& format, std::string& bytes) override;
  std::size_t formatCount() const { return formats_.size(); }

 private:
  std::map<std::string, std::string> formats_;
};

// The clipboard of this system: on Windows the system clipboard, elsewhere one MemoryClipboard
// for the whole process. [main-thread]
Clipboard& systemClipboard();

enum class DragResult { kDropped, kCancelled, kFailed };

// Drags files out by their drop-file block (dropFilesBlock); returns when the drag ends, with
// copying as the only effect allowed. [main-thread, not real-time safe]
class FileDrag {
 public:
  virtual ~FileDrag() = default;
  virtual DragResult dragFiles(std::string_view dropBlock) = 0;
};

// Keeps the block of every drag and answers with `result`. [any-thread, one at a time]
class RecordingFileDrag : public FileDrag {
 public:
  DragResult dragFiles(std::string_view dropBlock) override {
    blocks.emplace_back(dropBlock);
    return result;
  }
  std::vector<std::string> blocks;
  DragResult result = DragResult::kDropped;
};

// The drag of this system: elsewhere than Windows one RecordingFileDrag for the process.
// [main-thread]
FileDrag& systemFileDrag();

// The drop-file block (clipboard format 15) naming one file: a 20-byte header (offset of the list
// 20, drop point 0, 0, not in the non-client area, narrow characters), the path, its NUL and the
// NUL that closes the list. Empty when the path is empty or holds a NUL, which the list cannot
// carry. [any-thread, not real-time safe]
std::string dropFilesBlock(const std::string& path);

// The first path of a drop-file block with narrow characters; empty when the block is cut short,
// wide or its list does not start inside it. [any-thread, not real-time safe]
std::string dropFilesPath(std::string_view block);

}  // namespace velmora::platform
