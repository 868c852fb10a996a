// The time base of an exported loop, as the engine reads it from its host.
#pragma once

#include <cstdint>

namespace velmora {

struct ExportTimeBase {
  std::int32_t tempo = 12000;          // beats per minute × 100
  std::int32_t ticksPerQuarter = 480;
  std::int32_t numerator = 4;
  std::int32_t denominatorPower = 2;   // the beat is a whole note / 2^power
};

}  // namespace velmora
