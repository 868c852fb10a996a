#include "io/Record.h"

namespace velmora::record {

void putU32(CUniStream& s, std::uint32_t value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  s.write(bytes, 4);
}

void putU8(CUniStream& s, std::uint8_t value) { s.write(&value, 1); }

void putText(CUniStream& s, const std::string& text) {
  putU32(s, static_cast<std::uint32_t>(text.size()));
  if (!text.empty()) s.write(text.data(), static_cast<std::uint32_t>(text.size()));
}

bool getU32(CUniStream& s, std::uint32_t& value) {
  std::uint8_t b[4];
  if (s.read(b, 4) != 4) return false;
  value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
          static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  return true;
}

bool getI32(CUniStream& s, std::int32_t& value) {
  std::uint32_t u;
  if (!getU32(s, u)) return false;
  value = static_cast<std::int32_t>(u);
  return true;
}

bool getU8(CUniStream& s, std::uint8_t& value) {
  std::uint8_t b;
  if (s.read(&b, 1) != 1) return false;
  value = b;
  return true;
}

bool getText(CUniStream& s, std::string& text, std::uint32_t limit) {
  std::uint32_t length;
  if (!getU32(s, length) || length > limit) return false;
  std::string bytes(length, '\0');
  if (length && s.read(bytes.data(), length) != length) return false;
  text.swap(bytes);
  return true;
}

}  // namespace velmora::record
