#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"
#include "tools/patterns/LibraryGenerator.h"

using namespace velmora::patterns;
using velmora::test::writeFile;
namespace fs = std::filesystem;

class GeneratorSources : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(src(), "volumes.txt", "folder 8 Beat\npacked Latin\n");
    writeFile(src(), "8 Beat\\1.Kick\\Kick.txt", "X.......X.......  0  Straight\n");
    writeFile(src(), "Latin\\1.Kick\\Kick.txt", "X..x....X..x....  1  Baiao\n");
  }
  fs::path src() const { return temp_.path() / "src"; }
  fs::path out() const { return temp_.path() / "out"; }
  bool generate() {
    GeneratedLibrary library;
    return buildLibrary(src(), library, error_) && writeLibrary(library, out(), error_);
  }
  velmora::test::TempFolder temp_;
  std::string error_;
};

TEST_F(GeneratorSources, ReplacesEachVolumeWholeAndLeavesOtherFilesAlone) {
  fs::create_directories(out() / "Latin" / "stale");        // was a folder, is packed now
  writeFile(out(), "8 Beat\\1.Kick\\Kick\\old.mid", "old");
  writeFile(out(), "Mine\\keep.mid", "mine");
  ASSERT_TRUE(generate()) << error_;
  EXPECT_TRUE(fs::is_regular_file(out() / "Latin"));
  EXPECT_FALSE(fs::exists(out() / "8 Beat" / "1.Kick" / "Kick" / "old.mid"));
  EXPECT_TRUE(fs::exists(out() / "8 Beat" / "1.Kick" / "Kick" / "01_2_1000000010000000_0#Straight.mid"));
  EXPECT_TRUE(fs::exists(out() / "Mine" / "keep.mid"));
}

TEST_F(GeneratorSources, AFaultySourceNamesFileAndLineAndWritesNothing) {
  const std::string fill = "8 Beat\\5.Fill\\Fill.txt", run = "........s.s.sSsS  0  Run\n";
  const struct {
    std::string file;
    std::string text, expected;
  } faults[] = {
      {"8 Beat\\1.Kick\\Kick.txt", "X.......X.......  0  Straight\nX...o...........  0  Open\n", "Kick.txt: line 2: step 5"},
      {"8 Beat\\1.Kick\\Timpani.txt", "X...............  0  Roll\n", "'Timpani' is not a pattern kind"},
      {"8 Beat\\1.Kick\\notes.md", "", "only kind files"},
      {"8 Beat\\1.Kick\\Kick.txt", "; nothing yet\n", "Kick.txt: is empty"},
      {"volumes.txt", "folder 8 Beat\nfolder Missing\n", "Missing"},
      {fill, run + "........h.m.l.fX  0  Odd\n", "Fill.txt: line 2: step 16: 'X'"},
      {fill, run + "....s.s.ssss.s.S  0  Thin\n", "Fill.txt: line 2: the last beat has fewer"},
      {fill, run + "........h.h...F.  0  Short\n", "line 2: the last beat needs at least 2"},
      {fill, run + "............h..f  0  Late\n", "line 2: the third beat needs"},
      {fill, run + "........s.s.s.Sk  0  Kick\n", "line 2: a kick on the last step"},
      {fill, run + "....h...h.h.hHhH  0  Toms\n........s.s.hSss  0  Same\n", "line 3: the fill is a near-copy of line 1"},
  };
  for (const auto& f : faults) {
    SetUp();
    writeFile(src(), f.file, f.text);
    EXPECT_FALSE(generate()) << f.file;
    EXPECT_NE(error_.find(f.expected), std::string::npos) << error_;
    EXPECT_FALSE(fs::exists(out())) << f.file;
    fs::remove_all(src());
  }
}
