// Volume content records from arbitrary bytes: reading must end cleanly on any input, never read
// past the data, and leave a tree that can be walked and written again.
#include <cstdint>
#include <cstdlib>

#include "library/TreeNode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  velmora::FileBaseNode volume("Vol", nullptr);
  velmora::CUniMemoryReader reader(data, static_cast<std::uint32_t>(size));
  volume.deserialize(reader);
  if (reader.position() > size) std::abort();
  std::size_t leaves = 0;
  for (velmora::TerminalNode* leaf = volume.first(&volume); leaf; leaf = leaf->next(&volume)) ++leaves;
  for (velmora::TerminalNode* leaf = volume.last(&volume); leaf; leaf = leaf->prev(&volume)) --leaves;
  if (leaves != 0) std::abort();  // both directions visit the same leaves
  velmora::CUniStream measure;
  if (!volume.serialize(measure)) std::abort();  // in-volume leaves always have their bytes
  return 0;
}
