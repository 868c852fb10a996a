#include "io/UniStream.h"

#include <algorithm>
#include <cstring>

namespace velmora {

std::uint32_t CUniStream::write(const void*, std::uint32_t count) {
  bytesWritten_ += count;
  return count;
}

std::uint32_t CUniStream::read(void*, std::uint32_t count) {
  bytesRead_ += count;
  return count;
}

std::uint32_t CUniString::write(const void* buffer, std::uint32_t count) {
  if (bytes_.size() > position_) bytes_.resize(position_);
  bytes_.append(static_cast<const char*>(buffer), count);
  position_ += count;
  return count;
}

std::uint32_t CUniString::read(void* buffer, std::uint32_t count) {
  if (position_ >= bytes_.size()) return 0;
  const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(count, bytes_.size() - position_));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

std::uint32_t CUniMemory::write(const void* buffer, std::uint32_t count) {
  std::memcpy(cursor_, buffer, count);
  cursor_ += count;
  return count;
}

std::uint32_t CUniMemory::read(void* buffer, std::uint32_t count) {
  std::memcpy(buffer, cursor_, count);
  cursor_ += count;
  return count;
}

std::uint32_t CUniMemoryReader::write(const void*, std::uint32_t) { return 0; }

std::uint32_t CUniMemoryReader::read(void* buffer, std::uint32_t count) {
  const std::uint32_t n = count < size_ - position_ ? count : size_ - position_;
  if (n) std::memcpy(buffer, data_ + position_, n);
  position_ += n;
  return n;
}

}  // namespace velmora
