#include <windows.h>

#include <cstring>

#include "platform/Clipboard.h"

namespace velmora::platform {

namespace {

// Another program may hold the clipboard for a moment; try a few times.
bool openClipboard() {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(10);
  }
  return false;
}

// A movable, zero-filled global block holding `bytes`; nullptr when memory runs out.
HGLOBAL globalBlockOf(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.empty() ? 1 : bytes.size());
  if (!block) return nullptr;
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return nullptr;
  }
  if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

class WindowsClipboard final : public Clipboard {
 public:
  bool put(const std::vector<ClipItem>& items) override {
    std::vector<std::pair<UINT, HGLOBAL>> blocks;
    bool ok = true;
    for (const ClipItem& item : items) {
      const UINT format = RegisterClipboardFormatA(item.format.c_str());
      HGLOBAL block = format ? globalBlockOf(item.bytes) : nullptr;
      if (!block) ok = false;
      else blocks.emplace_back(format, block);
    }
    if (ok && openClipboard()) {
      EmptyClipboard();
      std::size_t given = 0;
      for (; given < blocks.size(); ++given)
        if (!SetClipboardData(blocks[given].first, blocks[given].second)) break;
      ok = given == blocks.size();
      // Blocks the clipboard took are its own now; the rest are freed below.
      blocks.erase(blocks.begin(), blocks.begin() + static_cast<std::ptrdiff_t>(given));
      CloseClipboard();
    } else {
      ok = false;
    }
    for (const auto& left : blocks) GlobalFree(left.second);
    return ok;
  }

  bool get(const std::string& format, std::string& bytes) override {
    const UINT id = RegisterClipboardFormatA(format.c_str());
    if (!id || !IsClipboardFormatAvailable(id) || !openClipboard()) return false;
    bool ok = false;
    if (HANDLE block = GetClipboardData(id)) {
      const SIZE_T size = GlobalSize(block);
      if (const void* source = GlobalLock(block)) {
        bytes.assign(static_cast<const char*>(source), size);
        GlobalUnlock(block);
        ok = true;
      }
    }
    CloseClipboard();
    return ok;
  }
};

// Dragging a file onto another window needs an OLE data source and drop source; not built yet,
// so a drag fails and the caller reports it.
class WindowsFileDrag final : public FileDrag {
 public:
  DragResult dragFiles(std::string_view) override { return DragResult::kFailed; }
};

}  // namespace

Clipboard& systemClipboard() {
  static WindowsClipboard clipboard;
  return clipboard;
}

FileDrag& systemFileDrag() {
  static WindowsFileDrag drag;
  return drag;
}

}  // namespace velmora::platform
