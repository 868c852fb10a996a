// A thin handle wrapper over a file of the platform. Opening never throws and never tells the
// user: a file that fails to open behaves as empty (reads give 0, writes store nothing) and a
// diagnostic trace line names the file and the error.
//
// Sharing: a file opened for reading only (access exactly kGenericRead) can be opened for
// reading by other openers at the same time; any other access is exclusive, so a second opener
// of any kind fails while it is open, and it cannot be opened while readers hold it.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::io {

class File {
 public:
  using Handle = std::intptr_t;
  static constexpr Handle kNone = -1;

  // Access rights and creation dispositions, with the values of their Windows counterparts.
  static constexpr std::uint32_t kGenericRead = 0x80000000u;
  static constexpr std::uint32_t kGenericWrite = 0x40000000u;
  static constexpr std::uint32_t kCreateNew = 1, kCreateAlways = 2, kOpenExisting = 3, kOpenAlways = 4,
                                 kTruncateExisting = 5;
  // Seek origins.
  static constexpr std::uint32_t kBegin = 0, kCurrent = 1, kEnd = 2;

  File() = default;
  // Opens at once; check isOpen().
  File(const std::string& name, std::uint32_t access, std::uint32_t creation);
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  virtual ~File();
  // Opens `name` (native path). Closes a file already open first. True on success.
  virtual bool open(const std::string& name, std::uint32_t access, std::uint32_t creation);
  virtual void close();
  // Low 32 bits of the file size; 0 without a handle.
  virtual std::uint32_t size();
  // Moves the file position; gives the new position (low 32 bits), 0 without a handle.
  virtual std::uint32_t seek(std::int32_t offset, std::uint32_t origin);
  // Bytes read; 0 on failure, at the end, or without a handle.
  virtual std::uint32_t read(void* buffer, std::uint32_t count);
  // Bytes written; 0 on failure or without a handle.
  virtual std::uint32_t write(const void* buffer, std::uint32_t count);

  bool isOpen() const { return handle_ != kNone; }

 private:
  Handle handle_ = kNone;
};

}  // namespace velmora::io
