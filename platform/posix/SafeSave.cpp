#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/FileAccess.h"
#include "platform/SafeSave.h"

namespace velmora::platform {

namespace {

// Where a save to a path goes.
struct Destination {
  std::string path;      // the end of the path's symbolic links
  bool inPlace = false;  // a device, pipe or socket: written through, never replaced
  bool exists = false;   // a file is there: its mode and owner pass to the new one
  struct stat old{};
};

bool destinationOf(const std::string& path, Destination& d, std::string& error) {
  struct stat st{};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    d.path = path;  // opened by its own name: /dev/stdout leads to no name that could be renamed over
    d.inPlace = true;
    return true;
  }
  d.path = linkTarget(path);
  if (d.path.empty()) {
    error = path + ": " + std::strerror(ELOOP);
    return false;
  }
  d.exists = ::stat(d.path.c_str(), &d.old) == 0 && S_ISREG(d.old.st_mode);
  return true;
}

bool writeAll(int fd, const char* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes the bytes into the device or pipe at `path` as it is: no temporary file, no rename.
bool writeInPlace(const std::string& path, std::string_view bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  const bool written = fd >= 0 && writeAll(fd, bytes.data(), bytes.size());
  if (!written) error = path + ": " + std::strerror(errno);
  if (fd >= 0 && ::close(fd) != 0 && written) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  return written;
}

// 64 unpredictable bits as 16 hex digits; from the clock and a counter where the kernel has no
// random bytes to give.
std::string randomName() {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    bits = (static_cast<std::uint64_t>(now.tv_sec) << 32 ^ static_cast<std::uint64_t>(now.tv_nsec) ^
            static_cast<std::uint64_t>(::getpid()) << 20) +
           ++counter * 0x9E3779B97F4A7C15u;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
  return text;
}

// Passes the replaced file's owner (where allowed) and mode to the new one. The owner first: a
// change of owner clears the set-user-ID bits that the mode restores.
bool adoptOwnerAndMode(int fd, const Destination& d) {
  if (!d.exists) return true;
  struct stat now{};
  if (::fstat(fd, &now) != 0) return false;
  if ((d.old.st_uid != now.st_uid || d.old.st_gid != now.st_gid) && ::fchown(fd, d.old.st_uid, d.old.st_gid) != 0)
    (void)!::fchown(fd, static_cast<uid_t>(-1), d.old.st_gid);  // at least the group, where allowed
  return ::fchmod(fd, d.old.st_mode & 07777) == 0;
}

// Creates a new file beside `beside` exclusively (never through a link, never an existing
// file), writes the bytes, gives it the owner and mode of the file it is to replace and flushes
// it. Its path and held slot, or empty with `error` naming `errorName` (nothing left behind).
std::string writeTemporary(const std::string& beside, std::string_view bytes, const Destination& like,
                           const std::string& errorName, int& slot, std::string& error) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = beside + ".tmp" + randomName();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) break;
    slot = holdTemporary(temp);
    bool written = writeAll(fd, bytes.data(), bytes.size()) && adoptOwnerAndMode(fd, like) && ::fsync(fd) == 0;
    int why = errno;
    if (::close(fd) != 0 && written) written = false, why = errno;
    if (written) return temp;
    error = errorName + ": " + std::strerror(why);
    ::unlink(temp.c_str());
    releaseTemporary(slot);
    slot = -1;
    return {};
  }
  error = errorName + ": " + std::strerror(errno);
  return {};
}

// The rename lives in the folder: flush it too, or a power loss may bring the old file back.
// File systems that cannot flush a folder say EINVAL; there is nothing more to do on them.
bool flushFolderOf(const std::string& path, const std::string& errorName, std::string& error) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool flushed = dir >= 0 && (::fsync(dir) == 0 || errno == EINVAL);
  if (!flushed) error = errorName + ": saved, but its folder was not flushed to disk: " + std::strerror(errno);
  if (dir >= 0) ::close(dir);
  return flushed;
}

// Renames the temporary file over the destination; on failure removes it.
bool renameInto(const std::string& temp, int slot, const std::string& target, const std::string& errorName,
                std::string& error) {
  const bool renamed = std::rename(temp.c_str(), target.c_str()) == 0;
  if (!renamed) {
    error = errorName + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
  }
  releaseTemporary(slot);
  return renamed && flushFolderOf(target, errorName, error);
}

// Copies the file at `from` into the device or pipe at `to`.
bool copyInPlace(const std::string& from, const std::string& to, std::string& error) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = in < 0 ? -1 : ::open(to.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  bool copied = out >= 0;
  char block[64 * 1024];
  while (copied) {
    const ssize_t n = ::read(in, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    copied = n > 0 && writeAll(out, block, static_cast<std::size_t>(n));
  }
  if (!copied) error = to + ": " + std::strerror(errno);
  if (out >= 0 && ::close(out) != 0 && copied) copied = false, error = to + ": " + std::strerror(errno);
  if (in >= 0) ::close(in);
  return copied;
}

void unlinkPath(const char* path) { ::unlink(path); }

void removeLiveAndEnd(int signal) {
  forEachLiveTemporary(unlinkPath);
  ::raise(signal);  // the action was reset to the default on entry: end as the signal asks
}

}  // namespace

bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error) {
  Destination d;
  if (!destinationOf(path, d, error)) return false;
  if (d.inPlace) return writeInPlace(path, bytes, error);
  int slot = -1;
  const std::string temp = writeTemporary(d.path, bytes, d, path, slot, error);
  return !temp.empty() && renameInto(temp, slot, d.path, path, error);
}

bool saveNewFileWhole(const std::string& path, std::string_view bytes, std::string& error, bool& exists) {
  exists = false;
  int slot = -1;
  const std::string temp = writeTemporary(path, bytes, Destination{}, path, slot, error);
  if (temp.empty()) return false;
  // A hard link puts the file in place only where no name is: it never replaces one.
  const bool linked = ::link(temp.c_str(), path.c_str()) == 0;
  const int linkErrno = errno;
  ::unlink(temp.c_str());
  releaseTemporary(slot);
  if (!linked) {
    exists = linkErrno == EEXIST;
    error = path + ": " + std::strerror(linkErrno);
    return false;
  }
  return flushFolderOf(path, path, error);
}

bool TemporaryFile::create(const std::string& target, std::string_view bytes, std::string& error) {
  discard();
  Destination d;
  if (!destinationOf(target, d, error)) return false;
  std::error_code ec;
  const std::string beside = d.inPlace ? (std::filesystem::temp_directory_path(ec) / "tamborak").string() : d.path;
  path_ = writeTemporary(beside, bytes, Destination{}, target, slot_, error);
  target_ = target;
  return !path_.empty();
}

bool TemporaryFile::commit(std::string& error) {
  Destination d;
  bool saved = destinationOf(target_, d, error);
  if (saved && d.inPlace) {
    saved = copyInPlace(path_, target_, error);
  } else if (saved) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    saved = fd >= 0 && adoptOwnerAndMode(fd, d);
    if (!saved) error = target_ + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    if (saved) {
      saved = renameInto(path_, slot_, d.path, target_, error);  // removes the file when it fails
      slot_ = -1;
      path_.clear();
    }
  }
  discard();
  return saved;
}

void removeTemporaryFilesOnSignals() {
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction old{};
    if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction act{};
    act.sa_handler = removeLiveAndEnd;
    sigemptyset(&act.sa_mask);
    act.sa_flags = SA_RESETHAND;
    ::sigaction(signal, &act, nullptr);
  }
}

}  // namespace velmora::platform
