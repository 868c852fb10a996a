// Files that may come from anyone: reading one whole without blocking on a pipe or device and
// without trusting its size, and telling files and folders apart by identity rather than by name.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::platform {

// One file or folder on one volume: device and inode on POSIX, volume serial number and file
// index on Windows. Every link to it has the same identity.
struct FileIdentity {
  std::uint64_t volume = 0, index = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// [any-thread, not real-time safe: file I/O] The identity of the file or folder at the native
// path, links followed. False when it cannot be examined.
bool fileIdentity(const std::string& path, FileIdentity& identity);

// [any-thread, not real-time safe: file I/O] Where a chain of symbolic links at the native path
// ends (a relative link read from its own folder); the path itself when it is no link, and
// always on Windows. Empty after 40 links (a loop).
std::string linkTarget(const std::string& path);

// [any-thread, not real-time safe: file I/O] True when the native paths name one regular file
// (by identity, links followed) or, where nothing is yet, one place: writing one destroys what
// the other reads or wrote. Devices and pipes are never the same here.
bool sameRegularFile(const std::string& a, const std::string& b);

enum class FileRead {
  kRead,        // `bytes` holds the whole file
  kWrongStart,  // the file does not start with the bytes asked for; the rest was not read
  kNotAFile,    // a folder, device, pipe or socket: refused without reading
  kTooLarge,    // larger than the limit: refused without reading past its start
  kFailed,      // cannot be opened or read, or there is not enough memory for it
};

// [any-thread, not real-time safe: file I/O] Reads the regular file at the native path whole
// into `bytes`. Anything else is refused without blocking. When `start` is not empty, the
// file's first bytes are compared with it before anything else is read. A file above `maxBytes`
// (at the start or while reading) is refused. Allocation failures are caught and reported.
// On anything but kRead, `bytes` is empty and `error` says why (without the path).
FileRead readRegularFile(const std::string& path, std::uint64_t maxBytes, std::string_view start,
                         std::string& bytes, std::string& error);

}  // namespace velmora::platform
