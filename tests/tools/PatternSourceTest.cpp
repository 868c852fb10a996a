#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "library/PatternSignature.h"
#include "tools/patterns/PatternGrid.h"
#include "tools/patterns/PatternSource.h"

using namespace velmora::patterns;

TEST(PatternSource, ReadsPatternLinesAndSkipsCommentsAndBlankLines) {
  const std::string text =
      "; kick\r\n"
      "X.......X.......  0      Straight\r\n"
      "\r\n"
      "  X.x.....X.x..... 2 Double eights (busy)  \n";
  std::vector<SourcePattern> out;
  std::string error;
  ASSERT_TRUE(parsePatternSource(text, out, error)) << error;
  std::vector<std::tuple<std::string, int, std::string, int>> rows;
  for (const SourcePattern& p : out) rows.emplace_back(p.grid, p.group, p.title, p.line);
  EXPECT_EQ(rows, (decltype(rows){{"X.......X.......", 0, "Straight", 2}, {"X.x.....X.x.....", 2, "Double eights (busy)", 4}}));
}

TEST(PatternSource, RejectsAMalformedLineNamingIt) {
  const char* bad[] = {
      "X.......X......  0 Short",          "X.......X........  0 Long",
      "X.......X.......  3 Group",         "X.......X.......  01 Group",
      "X.......X.......  0",               "X.......X.......  0 Under_score",
      "X.......X.......  0 Hash#tag",      "X.......X.......  0 Slash/title",
      "X...............  0 Again",  // the first line's grid
  };
  for (const char* line : bad) {
    std::vector<SourcePattern> out;
    std::string error;
    EXPECT_FALSE(parsePatternSource(std::string("X...............  0 First\n") + line, out, error)) << line;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << line << " -> " << error;
  }
}

TEST(PatternSource, ReadsTheVolumeListAndRejectsWhatCannotBeShipped) {
  std::vector<VolumeEntry> out;
  std::string error;
  ASSERT_TRUE(parseVolumeList("; list\nfolder 8 Beat Rock\npacked Latin\n", out, error)) << error;
  ASSERT_EQ(out.size(), 2u);
  EXPECT_TRUE(out[0].name == "8 Beat Rock" && !out[0].packed && out[1].name == "Latin" && out[1].packed);
  for (const char* text : {"zipped Latin", "packed Latin.vol", "folder Latin\npacked Latin", "folder ..", "folder a/b"}) {
    out.clear();
    EXPECT_FALSE(parseVolumeList(text, out, error)) << text;
  }
}

TEST(PatternGrid, StrokeCharactersFollowTheKind) {
  std::vector<Stroke> s;
  std::string error;
  ASSERT_TRUE(strokesOf("HH_Op", "X.o.x.O.g.......", s, error)) << error;
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(nameGrid(s), "1020102010000000");
  EXPECT_TRUE(s[0].instrument == 0 && s[1].instrument == 1);

  ASSERT_TRUE(strokesOf("conga", "m.h.l.M.H.L.----", s, error)) << error;  // kinds match without case
  EXPECT_EQ(nameGrid(s), "1010101010100000");
  EXPECT_TRUE(s[2].instrument == 2 && s[4].instrument == 1);

  // A fill names an instrument a step, and builds: the same stroke is louder on a later beat.
  ASSERT_TRUE(strokesOf("Fill", "kshmlfcrtboueg.S", s, error)) << error;
  std::vector<int> keys;
  for (const Stroke& k : s) keys.push_back(velmora::findKind("Fill")->keys[k.instrument]);
  EXPECT_EQ(keys, (std::vector<int>{36, 38, 50, 47, 45, 43, 49, 51, 65, 66, 63, 64, 56, 38, 38}));
  EXPECT_TRUE(s[4].velocity < s[8].velocity && s[8].velocity < s[12].velocity);  // beats 2, 3, 4
  EXPECT_EQ(s[14].velocity, strokeVelocity(Loudness::accent, 15) + 4);

  EXPECT_FALSE(strokesOf("Kick", "................", s, error));
  EXPECT_FALSE(strokesOf("Timpani", "X...............", s, error));
  EXPECT_TRUE(strokeCharacters("Timpani").empty());
}
