// Value encoding of every record written through a CUniStream: 32-bit integers little-endian,
// written byte by byte; flags, small numbers and notes as one byte; texts as a 32-bit length and
// the bytes without terminator. The get* readers leave the variable as it was when the stream
// comes up short and tell so, so a hardened reader can stop at the first short read.
#pragma once

#include <cstdint>
#include <string>

#include "io/UniStream.h"

namespace velmora::record {

void putU32(CUniStream& s, std::uint32_t value);
inline void putI32(CUniStream& s, std::int32_t value) { putU32(s, static_cast<std::uint32_t>(value)); }
void putU8(CUniStream& s, std::uint8_t value);
// Length, then the bytes.
void putText(CUniStream& s, const std::string& text);

bool getU32(CUniStream& s, std::uint32_t& value);
bool getI32(CUniStream& s, std::int32_t& value);
bool getU8(CUniStream& s, std::uint8_t& value);
// Reads the length, then at most `limit` bytes; false (text unchanged) when the length exceeds
// the limit or the bytes run short, so a hostile length never makes a large allocation.
bool getText(CUniStream& s, std::string& text, std::uint32_t limit);

}  // namespace velmora::record
