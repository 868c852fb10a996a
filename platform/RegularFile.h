// A regular file open for reading, for readRegularFile: the part that each system implements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileAccess.h"

namespace velmora::platform {

class RegularFile {
 public:
  RegularFile() = default;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // [any-thread, not real-time safe] Opens the file at the native path for reading, shared with
  // other readers, when it is a regular file; never blocks on a pipe or device. kRead when open;
  // kNotAFile or kFailed with the reason in `error` otherwise.
  FileRead open(const std::string& path, std::string& error);
  // Size when opened.
  std::uint64_t size() const { return size_; }
  // Reads up to `count` bytes: the number read, 0 at the end, -1 with the reason in `error`.
  std::int64_t read(void* buffer, std::size_t count, std::string& error);

 private:
  std::intptr_t handle_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace velmora::platform
