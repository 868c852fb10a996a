#include "library/LibrarySummary.h"

#include "library/PatternSignature.h"

namespace velmora {

namespace {

// The first `levels` folder components of a relative leaf path, each ending with a backslash.
std::string leadingFolders(const std::string& path, int levels) {
  std::size_t end = 0;
  for (int i = 0; i < levels; ++i) {
    const std::size_t slash = path.find('\\', end);
    if (slash == std::string::npos) break;
    end = slash + 1;
  }
  return path.substr(0, end);
}

}  // namespace

std::vector<VolumeSummary> summarizeLibrary(const TransitNode& root) {
  std::vector<VolumeSummary> result;
  for (const TransitNode* volume = root.firstFolder(); volume; volume = volume->nextSibling()) {
    VolumeSummary summary;
    summary.name = volume->getName();
    summary.packed = dynamic_cast<const VolumeNode*>(volume) != nullptr;
    for (const TerminalNode* leaf = volume->first(volume); leaf; leaf = leaf->next(volume)) {
      if (leaf->parent() == volume && leaf->getName() == "Default.mid") continue;  // the volume's loop, not a pattern
      const std::string folder = leadingFolders(leaf->getPath(volume), 2);
      if (summary.kinds.empty() || summary.kinds.back().folder != folder) summary.kinds.push_back({folder});
      KindCount& kind = summary.kinds.back();
      ++kind.patterns;
      ++summary.patterns;
      const int group = nameFieldValue(leaf->getName(), kFieldGroup);
      if (group >= 0 && group <= 2) ++kind.groups[group];
    }
    result.push_back(std::move(summary));
  }
  return result;
}

}  // namespace velmora
