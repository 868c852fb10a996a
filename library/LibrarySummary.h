// Counting the patterns of a library tree per volume and kind folder, for the command line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "library/TreeNode.h"

namespace velmora {

struct KindCount {
  std::string folder;          // path below the volume: "part\kind\" ("" for the volume's own files)
  std::size_t patterns = 0;
  std::size_t groups[3] = {};  // patterns by variation group 0, 1, 2 (other values are not counted)
};

struct VolumeSummary {
  std::string name;
  bool packed = false;  // a volume file rather than a folder
  std::vector<KindCount> kinds;  // in walk order
  std::size_t patterns = 0;
};

// One entry per child folder or volume of `root`, in list order. Patterns below the kind level
// count for their kind folder; the loop file "Default.mid" at the top of a volume is no pattern.
// [any-thread holding the tree, not real-time safe]
std::vector<VolumeSummary> summarizeLibrary(const TransitNode& root);

}  // namespace velmora
