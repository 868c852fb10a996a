// State blocks from arbitrary bytes, read through a real engine.
#include "fuzz/EngineBlockFuzz.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return test::checkEngineBlock(
      data, size, [](Tamborak& e, CUniStream& s) { e.writeState(s); },
      [](Tamborak& e, CUniStream& s) { return e.readState(s); });
}
