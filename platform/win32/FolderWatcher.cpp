// FolderWatcher on Windows: one change notification over the whole sub-tree, and a
// manual-reset event that wakes the waiting thread at once on stop().
#include "platform/FolderWatcher.h"

#include <windows.h>

#include "platform/System.h"

namespace velmora::platform {

namespace {

class ChangeNotificationWatcher final : public FolderWatcher {
 public:
  ChangeNotificationWatcher(HANDLE notification, HANDLE stopper) : notification_(notification), stopper_(stopper) {}
  ~ChangeNotificationWatcher() override {
    FindCloseChangeNotification(notification_);
    CloseHandle(stopper_);
  }

  bool wait() override {
    const HANDLE handles[2] = {stopper_, notification_};
    const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0 + 1) return false;
    FindNextChangeNotification(notification_);  // re-arm for the next wait()
    return true;
  }

  void stop() override { SetEvent(stopper_); }

 private:
  HANDLE notification_;
  HANDLE stopper_;
};

}  // namespace

std::unique_ptr<FolderWatcher> FolderWatcher::create(const std::string& folder) {
  const HANDLE notification = FindFirstChangeNotificationA(
      folder.c_str(), TRUE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
  if (notification == INVALID_HANDLE_VALUE) {
    trace("folder watcher: %s: %s\n", folder.c_str(), lastErrorText().c_str());
    return nullptr;
  }
  const HANDLE stopper = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!stopper) {
    trace("folder watcher: %s\n", lastErrorText().c_str());
    FindCloseChangeNotification(notification);
    return nullptr;
  }
  return std::make_unique<ChangeNotificationWatcher>(notification, stopper);
}

}  // namespace velmora::platform
