// The loop browser's commands: loading the selected loop, writing loop files whole, deleting
// them, and the watch that rescans the tree when names below the loops folder change.
#include "ui/LoopBrowser.h"

#include <filesystem>
#include <system_error>

#include "engine/ControlApi.h"
#include "engine/LoopFolder.h"
#include "platform/FileAccess.h"
#include "platform/SafeSave.h"

namespace velmora {

namespace fs = std::filesystem;

// A one-shot watch of the loops folder that posts to the user-interface queue; the handler
// re-arms it before rescanning, so a change made during the rescan brings one more.
class LoopBrowser::Watch {
 public:
  Watch(LoopBrowser& browser, platform::UiQueue& queue) : browser_(browser), queue_(queue) {
    target_ = queue_.createTarget([this](platform::UiMessage, std::uintptr_t, std::intptr_t) {
      folder_->start();
      browser_.rescan();
    });
    folder_ = std::make_unique<FolderWatch>(browser_.folder_, [this] {
      static const platform::UiMessage message = platform::registerUiMessage("Velmora_LoopTreeChanged");
      queue_.post(target_, message);
    });
    folder_->start();
  }
  ~Watch() {
    folder_.reset();
    queue_.destroyTarget(target_);
  }

 private:
  LoopBrowser& browser_;
  platform::UiQueue& queue_;
  platform::UiTarget target_ = platform::kNoTarget;
  std::unique_ptr<FolderWatch> folder_;
};

LoopBrowser::LoopBrowser(ControlApi& engine, platform::Prompt& prompt, std::string folder)
    : engine_(engine), prompt_(prompt), folder_(std::move(folder)) {
  std::error_code ec;
  fs::create_directories(fs::path(folder_), ec);
  rescan();
}

LoopBrowser::~LoopBrowser() = default;

void LoopBrowser::startWatching(platform::UiQueue& queue) {
  watch_ = std::make_unique<Watch>(*this, queue);
}

void LoopBrowser::stopWatching() { watch_.reset(); }

bool LoopBrowser::select(int index) {
  selection_ = index >= 0 && static_cast<std::size_t>(index) < items_.size() ? index : -1;
  if (selection_ < 0 || !items_[static_cast<std::size_t>(selection_)].loop) return false;
  // Read whole and bounded, so the loop reader never reads past the file's bytes.
  std::string bytes, error;
  if (platform::readRegularFile(nativePath(items_[static_cast<std::size_t>(selection_)].path), kMaxLoopFileBytes, {},
                                bytes, error) != platform::FileRead::kRead)
    return false;
  CUniMemoryReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return engine_.LoadLoop(reader, 1);
}

bool LoopBrowser::command(int id, bool shift) {
  switch (id) {
    case kSaveButton: return shift ? save() : saveAs();
    case kSave: return save();
    case kSaveAs: return saveAs();
    case kSaveNew: return saveNew();
    case kDeleteButton:
    case kDelete: return deleteSelected();
    default: return false;
  }
}

bool LoopBrowser::save() {
  if (selection_ < 0 || !items_[static_cast<std::size_t>(selection_)].loop) return saveAs();
  return writeLoop(nativePath(items_[static_cast<std::size_t>(selection_)].path));
}

bool LoopBrowser::saveAs() {
  const bool loopSelected = selection_ >= 0 && items_[static_cast<std::size_t>(selection_)].loop;
  platform::SavePathRequest request;
  request.filter = kSaveFilter;
  request.extension = kExtension;
  request.initialName = loopSelected ? items_[static_cast<std::size_t>(selection_)].name : automaticName();
  request.initialFolder = nativePath(targetFolder());
  const std::optional<std::string> path = prompt_.askSavePath(request);
  return path && !path->empty() && writeLoop(*path);
}

bool LoopBrowser::saveNew() { return writeLoop(nativePath(targetFolder() + automaticName() + kExtension)); }

bool LoopBrowser::deleteSelected() {
  if (selection_ < 0 || !items_[static_cast<std::size_t>(selection_)].loop) return false;
  const Item item = items_[static_cast<std::size_t>(selection_)];
  if (prompt_.ask("Are you sure you want to delete loop\n\"" + item.name + "\"?", "Tamborak",
                  platform::PromptButtons::kYesNo, platform::PromptIcon::kQuestion) != platform::PromptAnswer::kYes)
    return false;
  std::error_code ec;
  const bool removed = fs::remove(fs::path(nativePath(item.path)), ec);
  if (!removed) report("Could not delete loop\n\"" + item.name + "\":\n" + (ec ? ec.message() : "it is gone"));
  rescan();
  return removed;
}

bool LoopBrowser::writeLoop(const std::string& path) {
  // Until the file is in place the edits are unsaved: a copy of the loop as it stands, edited
  // flags included, is read back when the write fails.
  bool edited = false;
  for (int i = 0; const SliceApi* slice = engine_.slice(i); ++i) edited = edited || slice->edited();
  std::string before;
  if (edited) {
    CUniString copy(before);
    engine_.saveLoop(copy, false);
  }
  std::string bytes, error = "the loop is incomplete";
  CUniString out(bytes);
  const bool written = engine_.saveLoop(out, true) && platform::saveFileWhole(path, bytes, error);
  if (!written) {
    if (edited) {
      CUniMemoryReader copy(before.data(), static_cast<std::uint32_t>(before.size()));
      engine_.LoadLoop(copy, 0);
    }
    report("Could not save loop\n\"" + path + "\":\n" + error);
    return false;
  }
  rescan();
  if (const std::optional<std::string> relative = relativeOf(path))
    if (const int index = find(*relative); index >= 0) selection_ = index;
  return true;
}

void LoopBrowser::report(const std::string& text) {
  prompt_.ask(text, "Tamborak", platform::PromptButtons::kOk, platform::PromptIcon::kError);
}

}  // namespace velmora
