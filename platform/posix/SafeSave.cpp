#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/SafeSave.h"

namespace velmora::platform {

bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error) {
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool written = done == bytes.size() && ::fsync(fd) == 0;
  const int savedErrno = errno;
  ::close(fd);
  if (!written || std::rename(temp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(written ? errno : savedErrno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace velmora::platform
