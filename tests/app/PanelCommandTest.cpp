// tamborak panel run as a child process: the panel of a loop as a PNG image of the panel's size,
// written whole or not at all; the README's picture is what it draws.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/TempFolder.h"
#include "tests/app/ProgramRun.h"

namespace {

namespace fs = std::filesystem;
using velmora::test::runProgram;

// A PNG image's width, then its pixels' RGB row after row; only the width 0 when it is unreadable.
std::vector<std::uint32_t> pixels(const fs::path& png) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
  const int width = cairo_image_surface_get_width(image), stride = cairo_image_surface_get_stride(image);
  std::vector<std::uint32_t> rgb{static_cast<std::uint32_t>(width)};
  for (int y = 0; y < cairo_image_surface_get_height(image); ++y)
    for (int x = 0; x < width; ++x)
      rgb.push_back(reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(image) + y * stride)[x] & 0xFFFFFF);
  cairo_surface_destroy(image);
  return rgb;
}

}  // namespace

TEST(PanelCommand, DrawsTheLoopsPanelAsAPngOfThePanelsSizeAndWritesNothingWhereItCannot) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  ASSERT_EQ(runProgram(d, "$T compose --seed 5 -o loop.tbk").exit, 0);
  const auto r = runProgram(d, "$T panel loop.tbk -o panel.png");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "wrote panel.png: the panel, 560 x 447 pixels\n");
  const std::vector<std::uint32_t> drawn = pixels(d / "panel.png");  // the README test holds what is drawn
  EXPECT_EQ(std::make_pair(drawn[0], drawn.size() - 1), std::make_pair(560u, std::size_t{560 * 447})) << "whole";

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

TEST(PanelCommand, DrawsTheReadmePictureOfItsLoopPixelForPixel) {
  velmora::test::TempFolder dir;
  ASSERT_EQ(runProgram(dir.path(), "$T panel \"" TAMBORAK_DOCS "/panel-loop.tbk\" -o panel.png").exit, 0);
  const auto drawn = pixels(dir.path() / "panel.png"), picture = pixels(TAMBORAK_DOCS "/panel-linux.png");
  ASSERT_GT(picture.size(), 1u);
  std::size_t differ = 0;
  for (std::size_t i = 0; i < picture.size() && i < drawn.size(); ++i) differ += picture[i] != drawn[i];
  EXPECT_TRUE(drawn == picture) << differ << " pixels differ: docs/panel-linux.png is stale, run tools/panel-screenshots "
                                   "(the panel is drawn in DejaVu Sans: apt-get install fonts-dejavu-core)";
}
