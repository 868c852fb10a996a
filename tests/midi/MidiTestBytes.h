// Small helpers for building and reading MIDI file bytes in tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "tests/TempFolder.h"

namespace velmora::test {

using Bytes = std::string;

inline Bytes bytes(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

inline Bytes be32(std::uint32_t v) { return bytes({int(v >> 24), int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)}); }

// "MThd" header with the given words.
inline Bytes header(int format, int tracks, int division) {
  return "MThd" + be32(6) + bytes({format >> 8, format & 0xFF, tracks >> 8, tracks & 0xFF, division >> 8, division & 0xFF});
}

// One "MTrk" chunk around the body.
inline Bytes chunk(const Bytes& body) { return "MTrk" + be32(static_cast<std::uint32_t>(body.size())) + body; }

inline Bytes readDataFile(const std::string& relative) { return readWholeFile(testDataPath(relative)); }

}  // namespace velmora::test
