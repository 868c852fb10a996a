// Regular files and file identities on POSIX. Files are opened non-blocking, so a pipe without a
// writer cannot stall the open, and are refused unless fstat calls them regular.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/RegularFile.h"

namespace velmora::platform {

bool fileIdentity(const std::string& path, FileIdentity& identity) {
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return false;
  identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

std::string linkTarget(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops <= 40; ++hops) {
    struct stat st{};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::string to(PATH_MAX, '\0');
    const ssize_t n = ::readlink(at.c_str(), to.data(), to.size());
    if (n <= 0) return at;
    to.resize(static_cast<std::size_t>(n));
    const std::size_t slash = at.rfind('/');
    if (to[0] != '/' && slash != std::string::npos) to.insert(0, at, 0, slash + 1);
    at = std::move(to);
  }
  return {};
}

RegularFile::~RegularFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

FileRead RegularFile::open(const std::string& path, std::string& error) {
  struct stat st{};
  // Look before opening: some devices act when opened.
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "a folder, not a file" : "not a regular file (a device, pipe or socket)";
    return FileRead::kNotAFile;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return FileRead::kFailed;
  }
  handle_ = fd;
  if (fstat(fd, &st) != 0) {
    error = std::strerror(errno);
    return FileRead::kFailed;
  }
  if (!S_ISREG(st.st_mode)) {  // replaced since we looked
    error = "not a regular file (a device, pipe or socket)";
    return FileRead::kNotAFile;
  }
  if (flock(fd, LOCK_SH | LOCK_NB) != 0) {  // a writer holds it, as io::File tells writers apart
    error = "in use by another program";
    return FileRead::kFailed;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  return FileRead::kRead;
}

std::int64_t RegularFile::read(void* buffer, std::size_t count, std::string& error) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle_), buffer, count);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = std::strerror(errno);
    return -1;
  }
}

}  // namespace velmora::platform
