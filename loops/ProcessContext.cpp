#include "loops/ProcessContext.h"

namespace velmora {

std::int32_t ProcessContext::align(std::int32_t ticks, std::int32_t beatLimit) {
  std::int32_t measure = 1, beat = 1, tick = 0;
  ticksToMbt(ticks, measure, beat, tick);
  if (tick > 0) {
    ++beat;
    tick = 0;
  }
  if (beat > beatLimit) {
    ++measure;
    beat = beatLimit;
  }
  return mbtToTicks(measure, beat, tick);
}

}  // namespace velmora
