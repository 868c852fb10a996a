#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/SafeSave.h"

namespace velmora::platform {

namespace {

// Writes the bytes to a temporary file beside `path` and flushes it; the temporary file's path,
// or empty with `error` set (nothing left behind).
std::string writeTemporary(const std::string& path, std::string_view bytes, std::string& error) {
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return {};
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
  if (written) return temp;
  error = path + ": " + std::strerror(savedErrno);
  ::unlink(temp.c_str());
  return {};
}

// The rename lives in the folder: flush it too, or a power loss may bring the old file back.
// File systems that cannot flush a folder say EINVAL; there is nothing more to do on them.
bool flushFolderOf(const std::string& path, std::string& error) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool flushed = dir >= 0 && (::fsync(dir) == 0 || errno == EINVAL);
  if (!flushed) error = path + ": saved, but its folder was not flushed to disk: " + std::strerror(errno);
  if (dir >= 0) ::close(dir);
  return flushed;
}

}  // namespace

bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error) {
  const std::string temp = writeTemporary(path, bytes, error);
  if (temp.empty()) return false;
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  return flushFolderOf(path, error);
}

bool saveNewFileWhole(const std::string& path, std::string_view bytes, std::string& error, bool& exists) {
  exists = false;
  const std::string temp = writeTemporary(path, bytes, error);
  if (temp.empty()) return false;
  // A hard link puts the file in place only where no name is: it never replaces one.
  const bool linked = ::link(temp.c_str(), path.c_str()) == 0;
  const int linkErrno = errno;
  ::unlink(temp.c_str());
  if (!linked) {
    exists = linkErrno == EEXIST;
    error = path + ": " + std::strerror(linkErrno);
    return false;
  }
  return flushFolderOf(path, error);
}

}  // namespace velmora::platform
