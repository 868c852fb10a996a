#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/System.h"

namespace velmora::platform {

std::uint32_t millisecondClock() noexcept {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

std::string moduleFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&moduleFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  const char* path = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  std::string folder(path);
  const auto slash = folder.find_last_of('/');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

namespace {
std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}
}  // namespace

// XDG base directories are absolute paths; a relative one is ignored.
std::string userDataFolder() {
  const std::string xdg = environment("XDG_DATA_HOME");
  if (!xdg.empty() && xdg.front() == '/') return xdg + "/tamborak";
  const std::string home = environment("HOME");
  return home.empty() ? std::string() : home + "/.local/share/tamborak";
}

std::vector<std::string> sharedDataFolders() {
  std::string dirs = environment("XDG_DATA_DIRS");
  if (dirs.empty()) dirs = "/usr/local/share:/usr/share";
  std::vector<std::string> folders;
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && dir.front() == '/') folders.push_back(dir + (dir.back() == '/' ? "" : "/") + "tamborak");
    start = end + 1;
  }
  return folders;
}

bool canCreateFilesIn(const std::string& folder) {
  if (folder.empty()) return false;
  std::string name = folder + "/.tamborak-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  close(fd);
  unlink(name.c_str());
  return true;
}

std::string lastErrorText() { return std::strerror(errno); }

}  // namespace velmora::platform
