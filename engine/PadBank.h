// What switching quick pads asks of the quick-pad bank: store the loop into the pad being left,
// recall the pad chosen. The bank keeps loop blocks that the engine writes with saveLoop and
// reads back with LoadLoop; a pad never stored recalls as an empty loop (clearLoop).
#pragma once

#include <cstdint>

namespace velmora {

class PadBank {
 public:
  virtual ~PadBank() = default;
  // Stores the engine's current loop into pad `index`, edit flags untouched.
  // [the thread switching pads; not real-time safe]
  virtual void storePad(std::int32_t index) = 0;
  // Loads pad `index` into the engine, announcing the change when `notify`.
  // [the thread switching pads; not real-time safe: reads patterns]
  virtual void recallPad(std::int32_t index, bool notify) = 0;
};

}  // namespace velmora
