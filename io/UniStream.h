// CUniStream: the one byte stream through which every record is written and read, with
// interchangeable backings. Streams move bytes only; io/Record.h fixes how values are encoded.
// Streams never throw: a failing backing gives a short count. One thread uses a stream at a time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/File.h"

namespace velmora {

// The base stream is a counting sink: it stores nothing and reads nothing, but counts what was
// asked, so writing a record into it measures the record. Derived streams do not update the
// counters. [any-thread, real-time safe]
class CUniStream {
 public:
  CUniStream() = default;
  CUniStream(const CUniStream&) = delete;
  CUniStream& operator=(const CUniStream&) = delete;
  virtual ~CUniStream() = default;

  virtual std::uint32_t write(const void* buffer, std::uint32_t count);
  virtual std::uint32_t read(void* buffer, std::uint32_t count);
  virtual void close() {}

  std::uint32_t bytesRead() const { return bytesRead_; }
  std::uint32_t bytesWritten() const { return bytesWritten_; }

 private:
  std::uint32_t bytesRead_ = 0;
  std::uint32_t bytesWritten_ = 0;
};

template <typename Backing>
class UniStream;

// A stream over an open file; close() closes the file. [any-thread, not real-time safe: file I/O]
template <>
class UniStream<io::File> : public CUniStream {
 public:
  explicit UniStream(io::File& file) : file_(file) {}
  std::uint32_t write(const void* buffer, std::uint32_t count) override { return file_.write(buffer, count); }
  std::uint32_t read(void* buffer, std::uint32_t count) override { return file_.read(buffer, count); }
  void close() override { file_.close(); }

 private:
  io::File& file_;
};

// A stream over a growable byte string with its own position (starting at 0). Writing first cuts
// the string at the position, so a record written into a fresh stream replaces the whole string.
class CUniString : public CUniStream {
 public:
  explicit CUniString(std::string& bytes) : bytes_(bytes) {}
  std::uint32_t write(const void* buffer, std::uint32_t count) override;
  std::uint32_t read(void* buffer, std::uint32_t count) override;
  std::uint32_t position() const { return position_; }

 private:
  std::string& bytes_;
  std::uint32_t position_ = 0;
};

// A stream over a raw memory block with no bounds, for writing a record into a block sized
// beforehand by measuring it with a plain CUniStream. Never use it to read outside bytes: use
// CUniMemoryReader. [any-thread, real-time safe]
class CUniMemory : public CUniStream {
 public:
  explicit CUniMemory(void* block) : cursor_(static_cast<std::uint8_t*>(block)) {}
  std::uint32_t write(const void* buffer, std::uint32_t count) override;
  std::uint32_t read(void* buffer, std::uint32_t count) override;

 private:
  std::uint8_t* cursor_;
};

// A bounded read-only stream over bytes that came from outside (clipboard blocks, host blobs):
// reads stop at the end of the block, writes store nothing and give 0. [any-thread, real-time safe]
class CUniMemoryReader : public CUniStream {
 public:
  CUniMemoryReader(const void* block, std::uint32_t size) : data_(static_cast<const std::uint8_t*>(block)), size_(size) {}
  std::uint32_t write(const void* buffer, std::uint32_t count) override;
  std::uint32_t read(void* buffer, std::uint32_t count) override;
  std::uint32_t position() const { return position_; }
  std::uint32_t remaining() const { return size_ - position_; }

 private:
  const std::uint8_t* data_;
  std::uint32_t size_;
  std::uint32_t position_ = 0;
};

}  // namespace velmora
