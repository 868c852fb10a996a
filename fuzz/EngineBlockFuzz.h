// Blocks of the engine from arbitrary bytes, read into real engines (over whatever pattern library
// lies beside the fuzz program, usually none). A block that is refused must leave the engine's
// block exactly as it was; a block that is taken must write out as a block that another engine
// takes whole, and copying back and forth must settle after one step.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Tamborak.h"
#include "io/UniStream.h"

namespace velmora::test {

// Two engines made once and never released, so no input writes the registry.
inline Tamborak& fuzzEngine(int which) {
  static Tamborak* engines[2] = {nullptr, nullptr};
  if (!engines[which]) {
    engines[which] = new Tamborak(true);
    if (!engines[which]->allSlicesPresent()) std::abort();
    engines[which]->selectNoteNames(std::string(kGeneralMidiDrumsTitle));
  }
  return *engines[which];
}

// `write(engine, stream)` writes the block, `read(engine, stream)` reads it.
template <typename Write, typename Read>
int checkEngineBlock(const std::uint8_t* data, std::size_t size, Write write, Read read) {
  if (size > 0xFFFFFFFFu) return 0;
  auto bytesOf = [&](Tamborak& engine) {
    std::string bytes;
    CUniString out(bytes);
    write(engine, out);
    return bytes;
  };
  Tamborak& first = fuzzEngine(0);
  const std::string before = bytesOf(first);
  CUniMemoryReader in(data, static_cast<std::uint32_t>(size));
  if (!read(first, in)) {
    if (bytesOf(first) != before) std::abort();
    return 0;
  }
  // What an engine writes, another takes whole. A slice record can name a folder the library
  // lacks, which the slice does not take, so the first copy may differ; the second must not.
  const std::string taken = bytesOf(first);
  Tamborak& second = fuzzEngine(1);
  CUniMemoryReader back(taken.data(), static_cast<std::uint32_t>(taken.size()));
  if (!read(second, back) || back.remaining() != 0) std::abort();
  const std::string copied = bytesOf(second);
  CUniMemoryReader again(copied.data(), static_cast<std::uint32_t>(copied.size()));
  if (!read(first, again) || again.remaining() != 0 || bytesOf(first) != copied) std::abort();
  return 0;
}

}  // namespace velmora::test
