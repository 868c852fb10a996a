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
  FolderNode root(dir.path().string(), nullptr);
  root.refresh();
  const auto volumes = summarizeLibrary(root);
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0].name, "Pop");
  EXPECT_EQ(volumes[0].patterns, 5u);
  ASSERT_EQ(volumes[0].kinds.size(), 3u);
  EXPECT_EQ(volumes[0].kinds[0].folder, "");
  EXPECT_EQ(volumes[0].kinds[1].folder, "1.Kick\\Kick\\");
  EXPECT_EQ(volumes[0].kinds[1].patterns, 3u);
  EXPECT_EQ(volumes[0].kinds[1].groups[0], 1u);
  EXPECT_EQ(volumes[0].kinds[1].groups[1], 1u);
  EXPECT_EQ(volumes[0].kinds[1].groups[2], 1u);
  EXPECT_EQ(volumes[0].kinds[2].patterns, 1u);
  EXPECT_EQ(volumes[0].kinds[2].groups[0] + volumes[0].kinds[2].groups[1] + volumes[0].kinds[2].groups[2], 0u);
  EXPECT_EQ(volumes[1].patterns, 0u);
  EXPECT_FALSE(volumes[1].packed);
}
