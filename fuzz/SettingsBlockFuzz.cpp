// Settings blocks (the registry value "Globals") from arbitrary bytes, read through a real engine.
#include "fuzz/EngineBlockFuzz.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return test::checkEngineBlock(
      data, size, [](Tamborak& e, CUniStream& s) { e.writeSettings(s); },
      [](Tamborak& e, CUniStream& s) { return e.readSettings(s); });
}
