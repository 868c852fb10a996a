// tamborak find: the library's patterns nearest in rhythm to a grid or to a pattern's name, per
// kind folder.
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "app/CliSupport.h"
#include "app/LibraryCommands.h"
#include "app/LoopCommands.h"
#include "app/LoopSession.h"
#include "app/RhythmDistance.h"
#include "library/LibraryScan.h"
#include "library/PatternSignature.h"
#include "library/TreeNode.h"

namespace velmora::app {

namespace {

struct Match {
  int distance;
  std::string name;
  std::uint32_t hits, accents;
};

}  // namespace

int findCommand(const std::vector<std::string>& args) {
  Options options;
  std::string error;
  if (!parseOptions(args, {"--library", "--count"}, {"--json", "--help"}, options, error))
    return usageError("find", error);
  if (options.has("--help")) {
    std::fputs(commandHelp("find"), stdout);
    return 0;
  }
  if (options.positional.size() != 1) return usageError("find", "needs one GRID or pattern name");
  std::int64_t count = 3;
  if (options.has("--count") && !parseInteger(options.value("--count"), 1, 1000, count))
    return usageError("find", "--count takes a number from 1 to 1000");
  std::uint32_t wanted = 0;
  if (!parseRhythm(options.positional[0], wanted))
    return usageError("find", "'" + options.positional[0] +
                                  "' is neither a 16-step grid (x or X a stroke, . a rest) nor a pattern file name");

  int status = 0;
  const std::string folder = libraryFolder(options.value("--library"), status);
  if (folder.empty()) return status;
  FolderNode root(folder, nullptr);
  LibraryScan scan;
  root.refresh(scan);
  for (const LibraryScan::Note& note : scan.notes())
    std::fprintf(stderr, "tamborak: %s%s\n", note.lost ? "" : "warning: ", shown(note.text).c_str());

  std::size_t total = 0;
  for (const TerminalNode* leaf = root.first(&root); leaf; leaf = leaf->next(&root)) ++total;
  std::map<std::string, std::vector<Match>> kinds;  // by the folder path inside the library
  Progress progress("find: patterns compared");
  std::size_t done = 0;
  for (const TerminalNode* leaf = root.first(&root); leaf; leaf = leaf->next(&root)) {
    if (++done % 256 == 0) progress.update(done, total);
    const std::string& name = leaf->getName();
    if (name.find('#') == std::string::npos) continue;  // no rhythm signature: not a pattern
    const PatternSignature sig = parseSignature(name);
    const std::string path = leaf->getPath(&root);
    const std::size_t cut = path.find_last_of('\\');
    kinds[cut == std::string::npos ? std::string() : path.substr(0, cut)].push_back(
        {rhythmDistance(wanted, sig.hitMask | sig.accentMask), name, sig.hitMask, sig.accentMask});
  }
  progress.finish();

  const bool json = options.has("--json");
  if (json)
    std::printf("{\"grid\": %s, \"kinds\": [", jsonString(stepGrid(wanted, 0)).c_str());
  else
    std::printf("nearest to %s\n", stepGrid(wanted, 0).c_str());
  bool firstKind = true;
  for (auto& [kind, matches] : kinds) {
    const std::size_t shownCount = std::min(matches.size(), static_cast<std::size_t>(count));
    std::partial_sort(matches.begin(), matches.begin() + static_cast<std::ptrdiff_t>(shownCount), matches.end(),
                      [](const Match& a, const Match& b) {
                        return a.distance != b.distance ? a.distance < b.distance : a.name < b.name;
                      });
    if (json) {
      std::printf("%s\n  {\"kind\": %s, \"patterns\": [", firstKind ? "" : ",", jsonString(kind).c_str());
      for (std::size_t i = 0; i < shownCount; ++i)
        std::printf("%s{\"distance\": %d, \"grid\": %s, \"name\": %s}", i ? ", " : "", matches[i].distance,
                    jsonString(stepGrid(matches[i].hits, matches[i].accents)).c_str(),
                    jsonString(matches[i].name).c_str());
      std::printf("]}");
    } else {
      std::printf("%s\n", shown(kind).c_str());
      for (std::size_t i = 0; i < shownCount; ++i)
        std::printf("  %3d  %s  %s\n", matches[i].distance, stepGrid(matches[i].hits, matches[i].accents).c_str(),
                    shown(matches[i].name).c_str());
    }
    firstKind = false;
  }
  if (json) std::printf("\n]}\n");
  return 0;
}

}  // namespace velmora::app
