#include <gtest/gtest.h>

#include "library/LibrarySummary.h"
#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;

TEST(LibrarySummary, CountsPatternsPerVolumeAndKindFolderWithGroups) {
  test::TempFolder dir;
  test::makeTree(dir.path(), {"Pop\\Default.mid", "Pop\\0_1_1_1#Top.mid", "Pop\\1.Kick\\Kick\\1_4_1000100010001000_0#A.mid",
                              "Pop\\1.Kick\\Kick\\2_4_1000100010001000_2#B.mid", "Pop\\1.Kick\\Kick\\deep\\3_1_1_1#C.mid",
                              "Pop\\2.Snare\\Snare\\4_2_0000100000001000_7#D.mid", "Rock\\"});
  std::string summary;
  for (const VolumeSummary& v : summarizeLibrary(*test::scanFolder(dir.path()))) {
    summary += v.name + (v.packed ? " (packed) " : " ") + std::to_string(v.patterns) + ":";
    for (const KindCount& k : v.kinds)
      summary += " [" + k.folder + "] " + std::to_string(k.patterns) + " " + std::to_string(k.groups[0]) + "/" +
                 std::to_string(k.groups[1]) + "/" + std::to_string(k.groups[2]);
    summary += "\n";
  }
  EXPECT_EQ(summary, "Pop 5: [] 1 0/1/0 [1.Kick\\Kick\\] 3 1/1/1 [2.Snare\\Snare\\] 1 0/0/0\nRock 0:\n");
}
