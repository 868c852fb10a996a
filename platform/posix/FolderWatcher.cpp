// FolderWatcher on Linux: inotify with one watch per folder of the sub-tree (inotify does not
// watch sub-trees by itself); folders created later get their watches as their creation is
// read. An eventfd wakes the waiting thread at once on stop().
#include "platform/FolderWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <unordered_map>

#include "platform/System.h"

namespace velmora::platform {

namespace {

constexpr std::uint32_t kNameChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kSelfChanges = IN_DELETE_SELF | IN_MOVE_SELF;

class InotifyWatcher final : public FolderWatcher {
 public:
  InotifyWatcher(int inotify, int stopper) : inotify_(inotify), stopper_(stopper) {}
  ~InotifyWatcher() override {
    ::close(inotify_);
    ::close(stopper_);
  }

  // Watches `folder` and every folder below it; false when `folder` itself cannot be watched.
  bool addTree(const std::string& folder) {
    if (!addWatch(folder)) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (it->is_directory(typeError) && !it->is_symlink(typeError)) addWatch(it->path().string());
    }
    return true;
  }

  bool wait() override {
    pollfd fds[2] = {{stopper_, POLLIN, 0}, {inotify_, POLLIN, 0}};
    for (;;) {
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        trace("folder watcher: poll: %s\n", lastErrorText().c_str());
        return false;
      }
      if (fds[0].revents) return false;
      if (fds[1].revents & POLLIN) {
        if (readEvents()) return true;
      } else if (fds[1].revents) {
        return false;
      }
    }
  }

  void stop() override {
    const std::uint64_t one = 1;
    while (::write(stopper_, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }

 private:
  bool addWatch(const std::string& folder) {
    const int wd = inotify_add_watch(inotify_, folder.c_str(), kNameChanges | kSelfChanges | IN_ONLYDIR);
    if (wd < 0) {
      trace("folder watcher: %s: %s\n", folder.c_str(), lastErrorText().c_str());
      return false;
    }
    folders_[wd] = folder;
    return true;
  }

  // Reads the pending events; true when one of them is a change of names.
  bool readEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    bool changed = false;
    for (;;) {
      const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // drained (the descriptor does not block)
      for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->mask & IN_Q_OVERFLOW) changed = true;
        if (event->mask & IN_IGNORED) {
          folders_.erase(event->wd);
          continue;
        }
        if (event->mask & (kNameChanges | kSelfChanges)) changed = true;
        if ((event->mask & (IN_CREATE | IN_MOVED_TO)) && (event->mask & IN_ISDIR) && event->len) {
          const auto folder = folders_.find(event->wd);
          if (folder != folders_.end()) addTree(folder->second + '/' + event->name);
        }
      }
    }
    return changed;
  }

  int inotify_;
  int stopper_;
  std::unordered_map<int, std::string> folders_;
};

}  // namespace

std::unique_ptr<FolderWatcher> FolderWatcher::create(const std::string& folder) {
  const int inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify < 0) {
    trace("folder watcher: inotify: %s\n", lastErrorText().c_str());
    return nullptr;
  }
  const int stopper = eventfd(0, EFD_CLOEXEC);
  if (stopper < 0) {
    trace("folder watcher: eventfd: %s\n", lastErrorText().c_str());
    ::close(inotify);
    return nullptr;
  }
  auto watcher = std::make_unique<InotifyWatcher>(inotify, stopper);
  if (!watcher->addTree(folder)) return nullptr;
  return watcher;
}

}  // namespace velmora::platform
