// The engine face through which a library leaf hands a loop file's bytes to the engine.
#pragma once

#include "io/UniStream.h"

namespace velmora {

class LoopLoader {
 public:
  virtual ~LoopLoader() = default;
  // Reads a loop block from `stream`. [main-thread, not real-time safe]
  virtual bool LoadLoop(CUniStream& stream, int flags) = 0;
};

}  // namespace velmora
