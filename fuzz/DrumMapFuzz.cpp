// Drum-map records (".tbm" files) from arbitrary bytes: reading must end cleanly, keep every
// entry a 7-bit note, and a map read must write and read back unchanged.
#include <cstdint>
#include <cstdlib>

#include "loops/DrumMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  velmora::DrumMap map;
  velmora::CUniMemoryReader reader(data, static_cast<std::uint32_t>(size));
  if (!map.load(reader)) return 0;
  for (int k = 0; k < velmora::DrumMap::kKeys; ++k)
    if (map.note(k) > 127) std::abort();
  std::string bytes;
  velmora::CUniString out(bytes);
  map.save(out);
  velmora::DrumMap copy;
  velmora::CUniMemoryReader back(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  if (!copy.load(back) || !(copy == map)) std::abort();
  return 0;
}
