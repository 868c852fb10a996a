// Clipboard blocks from arbitrary bytes, pasted into a real engine. A paste that is refused must
// leave the loop exactly as it was; a paste that is taken must copy out as a block that another
// engine pastes to the same loop.
#include "fuzz/EngineBlockFuzz.h"
#include "platform/Clipboard.h"

using namespace velmora;

namespace {
std::string loopOf(Tamborak& engine) {
  std::string bytes;
  CUniString stream(bytes);
  engine.saveLoop(stream, false);
  return bytes;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static platform::MemoryClipboard clipboard;
  Tamborak& first = test::fuzzEngine(0);
  Tamborak& second = test::fuzzEngine(1);
  first.setClipboard(&clipboard);
  second.setClipboard(&clipboard);
  const std::string before = loopOf(first);
  clipboard.put({{"Tamborak Loop", std::string(reinterpret_cast<const char*>(data), size)}});
  if (!first.pasteLoop()) {
    if (loopOf(first) != before) std::abort();
    return 0;
  }
  // A slice record can name a folder the library lacks, which the slice does not take, so the
  // first copies may differ from the input; copying back and forth must settle after one step.
  if (!first.copyLoop()) std::abort();
  if (!second.pasteLoop()) std::abort();
  if (!second.copyLoop()) std::abort();
  if (!first.pasteLoop()) std::abort();
  if (loopOf(first) != loopOf(second)) std::abort();
  return 0;
}
