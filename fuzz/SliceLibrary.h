// The slice engine of the fuzz targets that read slice records: a stub engine over a small
// pattern library on disk, made once per process.
#pragma once

#include "tests/loops/LooperFixture.h"

namespace velmora::test {

inline StubEngine& fuzzSliceEngine() {
  static StubEngine stub;
  static Library library({{"Vol\\1.Kick\\Kick\\1_4_1000100010001000_0#a.mid", quarters(36)},
                          {"Vol\\1.Kick\\Kick\\2_2_1000000010000000_1#b.mid", quarters(35)},
                          {"Vol\\1.Kick\\universal\\1_4_1000100010001000_0#u.mid", quarters(60)}},
                         stub);
  return stub;
}

}  // namespace velmora::test
