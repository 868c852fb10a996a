#include <gtest/gtest.h>

#include "platform/CrtRand.h"
#include "platform/Numeric.h"

using namespace velmora;
using namespace velmora::platform;

TEST(MulDiv, RoundsHalfAwayFromZeroAndFailsOnZeroDivisor) {
  EXPECT_EQ(mulDiv(5, 1, 2), 3);
  EXPECT_EQ(mulDiv(-5, 1, 2), -3);
  EXPECT_EQ(mulDiv(5, -1, -2), 3);
  EXPECT_EQ(mulDiv(7, 1, 3), 2);
  EXPECT_EQ(mulDiv(480, 960, 480), 960);
  EXPECT_EQ(mulDiv(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF), 0x7FFFFFFF);  // needs the 64-bit product
  EXPECT_EQ(mulDiv(1, 2, 0), -1);
  EXPECT_EQ(mulDiv(0x7FFFFFFF, 4, 1), -1);  // overflow
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(roundHalfEven(32.5), 32);
  EXPECT_EQ(roundHalfEven(33.5), 34);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
  EXPECT_EQ(roundHalfEven(2.4999), 2);
  EXPECT_EQ(roundHalfEven(2.5001), 3);
}

TEST(AtoiWin, ReadsLikeTheCRuntime) {
  EXPECT_EQ(atoiWin("12_5"), 12);
  EXPECT_EQ(atoiWin("  -7x"), -7);
  EXPECT_EQ(atoiWin("+3"), 3);
  EXPECT_EQ(atoiWin(""), 0);
  EXPECT_EQ(atoiWin("#title"), 0);
  EXPECT_EQ(atoiWin("- 5"), 0);
}

TEST(ByteCompare, UpperCaseSortsBeforeLowerAndPrefixesFirst) {
  EXPECT_LT(byteCompare("A.mid", "b.mid"), 0);
  EXPECT_LT(byteCompare("Zeta", "alpha"), 0);
  EXPECT_LT(byteCompare("Vol", "sub"), 0);
  EXPECT_LT(byteCompare("ab", "abc"), 0);
  EXPECT_EQ(byteCompare("same", "same"), 0);
  EXPECT_GT(byteCompare("\xE9t\xE9", "zz"), 0);  // bytes compare unsigned
}

TEST(CrtRand, ReproducesTheWindowsRuntimeSequence) {
  // The Windows C runtime's first values after srand(1).
  crtSrand(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int e : expected) EXPECT_EQ(crtRand(), e);
  crtSrand(12345);
  const int first = crtRand();
  crtSrand(12345);
  EXPECT_EQ(crtRand(), first);
  for (int i = 0; i < 10000; ++i) {
    const int v = crtRand();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
}
