#include "platform/Clipboard.h"

namespace velmora::platform {

Clipboard& systemClipboard() {
  static MemoryClipboard clipboard;
  return clipboard;
}

FileDrag& systemFileDrag() {
  static RecordingFileDrag drag;
  return drag;
}

}  // namespace velmora::platform
