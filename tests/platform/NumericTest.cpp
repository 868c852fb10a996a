#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "platform/CrtRand.h"
#include "platform/Numeric.h"

using namespace velmora;
using namespace velmora::platform;

TEST(Numeric, GivesTheWindowsResults) {
  // mulDiv rounds half away from zero, needs the 64-bit product, and gives -1 on a zero divisor
  // or an overflow; every 32-bit result is reachable, the most negative one included.
  constexpr std::int32_t kMax = 0x7FFFFFFF, kMin = -kMax - 1;
  for (const auto& [a, b, c, expected] :
       {std::tuple{5, 1, 2, 3}, {-5, 1, 2, -3}, {5, -1, -2, 3}, {7, 1, 3, 2}, {480, 960, 480, 960}, {1, 2, 0, -1},
        {kMax, kMax, kMax, kMax}, {kMax, 4, 1, -1}, {kMin, 1, 1, kMin}, {kMin, -1, 1, -1}, {kMin, 1, -1, -1},
        {kMin, kMin, kMin, kMin}, {kMin, kMin, kMax, -1}, {kMax, kMax, kMin, -2147483646},
        {1431655765, 3, 2, -1}, {-1431655765, 3, 2, kMin}})
    EXPECT_EQ(mulDiv(a, b, c), expected) << a << "*" << b << "/" << c;
  // Halves go to the even neighbour.
  for (const auto& [value, expected] : {std::pair{32.5, 32}, {33.5, 34}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}})
    EXPECT_EQ(roundHalfEven(value), expected) << value;
  // Numbers are read as the C runtime reads them.
  for (const auto& [text, expected] : {std::pair{"12_5", 12}, {"  -7x", -7}, {"+3", 3}, {"", 0}, {"#title", 0}, {"- 5", 0}})
    EXPECT_EQ(atoiWin(text), expected) << text;
  // Names compare byte by byte, unsigned: upper case before lower, prefixes first.
  for (const auto& [a, b] : {std::pair{"A.mid", "b.mid"}, {"Zeta", "alpha"}, {"Vol", "sub"}, {"ab", "abc"}})
    EXPECT_LT(byteCompare(a, b), 0) << a << " " << b;
  EXPECT_EQ(byteCompare("same", "same"), 0);
  EXPECT_GT(byteCompare("\xE9t\xE9", "zz"), 0);

  // The Windows C runtime's first values after srand(1), and a sequence that restarts with its seed.
  crtSrand(1);
  for (int e : {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}) EXPECT_EQ(crtRand(), e);
  crtSrand(12345);
  const int first = crtRand();
  crtSrand(12345);
  EXPECT_EQ(crtRand(), first);
  for (int i = 0; i < 10000; ++i) {
    const int v = crtRand();
    ASSERT_TRUE(v >= 0 && v <= 32767) << v;
  }
}

