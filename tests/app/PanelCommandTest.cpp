// tamborak panel run as a child process: the panel of a loop as a PNG image of the panel's size,
// written whole or not at all.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/TempFolder.h"
#include "tests/app/ProgramRun.h"

namespace {

namespace fs = std::filesystem;
using velmora::test::readWholeFile;
using velmora::test::runProgram;

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

}  // namespace

TEST(PanelCommand, DrawsTheLoopsPanelAsAPngOfThePanelsSizeAndWritesNothingWhereItCannot) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  ASSERT_EQ(runProgram(d, "$T compose --seed 5 -o loop.tbk").exit, 0);
  const auto r = runProgram(d, "$T panel loop.tbk -o panel.png");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "wrote panel.png: the panel, 560 x 414 pixels\n");
  const std::string png = readWholeFile(d / "panel.png");
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(bigEndian(png, 16), 560u);
  EXPECT_EQ(bigEndian(png, 20), 414u);
  EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND") << "the image is whole";

  fs::create_directory(d / "ro");
  fs::permissions(d / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  const auto ro = runProgram(d, "$DROP $T panel loop.tbk -o ro/panel.png");
  EXPECT_EQ(ro.exit, 1);
  EXPECT_NE(ro.err.find("ro/panel.png: not written: "), std::string::npos) << ro.err;
  EXPECT_TRUE(fs::is_empty(d / "ro"));
  fs::permissions(d / "ro", fs::perms::owner_all);

  EXPECT_EQ(runProgram(d, "$T panel missing.tbk -o out.png").exit, 1);
  EXPECT_EQ(runProgram(d, "$T panel loop.tbk").exit, 2);
  EXPECT_FALSE(fs::exists(d / "out.png"));
  EXPECT_NE(runProgram(d, "$T panel --help").out.find("usage: tamborak panel"), std::string::npos);
}
