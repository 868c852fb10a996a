#include "engine/LoopFolder.h"

#include "library/ChangeObserver.h"
#include "library/TreeNode.h"

namespace velmora {

static_assert(kMaxLoopFileBytes == kMaxLibraryFileBytes);

bool isLoopTreeName(const std::string& name) { return isStorableName(name); }
std::string nativeLoopPath(const std::string& relative) { return nativeRelativePath(relative); }

class FolderWatch::Observer : public ChangeObserver {
 public:
  Observer(std::string folder, std::function<void()> changed) : folder_(std::move(folder)), changed_(std::move(changed)) {}
  ~Observer() override { stopWatching(); }
  std::string getWatchPath() override { return folder_; }
  void onChanged() override { changed_(); }

 private:
  std::string folder_;
  std::function<void()> changed_;
};

FolderWatch::FolderWatch(std::string folder, std::function<void()> changed)
    : observer_(std::make_unique<Observer>(std::move(folder), std::move(changed))) {}
FolderWatch::~FolderWatch() = default;
void FolderWatch::start() { observer_->startWatching(); }

}  // namespace velmora
