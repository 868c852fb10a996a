// velmora::io::File on POSIX: open/read/write, with flock for the sharing rules (a shared lock
// for read-only openers, an exclusive one for every other). The lock is taken before a file is
// truncated, so a failed exclusive open never destroys what another opener is reading.
#include "platform/File.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/System.h"

namespace velmora::io {

File::File(const std::string& name, std::uint32_t access, std::uint32_t creation) { open(name, access, creation); }

File::~File() { close(); }

bool File::open(const std::string& name, std::uint32_t access, std::uint32_t creation) {
  close();
  const bool reads = (access & kGenericRead) != 0, writes = (access & kGenericWrite) != 0;
  int flags = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
  switch (creation) {
    case kCreateNew: flags |= O_CREAT | O_EXCL; break;
    case kCreateAlways: case kOpenAlways: flags |= O_CREAT; break;
    case kOpenExisting: case kTruncateExisting: break;
    default: errno = EINVAL; platform::trace("%s: %s\n", name.c_str(), platform::lastErrorText().c_str()); return false;
  }
  const int fd = ::open(name.c_str(), flags, 0666);
  if (fd < 0) {
    platform::trace("%s: %s\n", name.c_str(), platform::lastErrorText().c_str());
    return false;
  }
  struct stat st{};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (errno == 0 || S_ISDIR(st.st_mode)) errno = EISDIR;
    platform::trace("%s: %s\n", name.c_str(), platform::lastErrorText().c_str());
    ::close(fd);
    return false;
  }
  const bool shared = access == kGenericRead;
  if (flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
    errno = EBUSY;  // the sharing violation of the other platform
    platform::trace("%s: %s\n", name.c_str(), platform::lastErrorText().c_str());
    ::close(fd);
    return false;
  }
  if ((creation == kCreateAlways || creation == kTruncateExisting) && ftruncate(fd, 0) != 0) {
    platform::trace("%s: %s\n", name.c_str(), platform::lastErrorText().c_str());
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

void File::close() {
  if (handle_ == kNone) return;
  ::close(static_cast<int>(handle_));  // closing releases the flock
  handle_ = kNone;
}

std::uint32_t File::size() {
  struct stat st{};
  if (handle_ == kNone || fstat(static_cast<int>(handle_), &st) != 0) return 0;
  return static_cast<std::uint32_t>(st.st_size);
}

std::uint32_t File::seek(std::int32_t offset, std::uint32_t origin) {
  if (handle_ == kNone) return 0;
  const int whence = origin == kCurrent ? SEEK_CUR : origin == kEnd ? SEEK_END : SEEK_SET;
  const off_t pos = lseek(static_cast<int>(handle_), offset, whence);
  return pos < 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(pos);
}

std::uint32_t File::read(void* buffer, std::uint32_t count) {
  if (handle_ == kNone) return 0;
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(static_cast<int>(handle_), static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  return done;
}

std::uint32_t File::write(const void* buffer, std::uint32_t count) {
  if (handle_ == kNone) return 0;
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(static_cast<int>(handle_), static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  return done;
}

}  // namespace velmora::io
