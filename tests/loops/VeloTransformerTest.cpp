#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "loops/VeloTransformer.h"
#include "tests/TempFolder.h"

using namespace velmora;
using V = VeloTransformer;

namespace {

std::array<int, 6> params(const V& v) {
  return {v.param(V::kLowX), v.param(V::kCenterX), v.param(V::kHighX),
          v.param(V::kStrength), v.param(V::kFloor), v.param(V::kCeiling)};
}

bool isIdentity(const V& v) {
  for (int i = 1; i <= 127; ++i)
    if (v.lookup(i) != i) return false;
  return true;
}

}  // namespace

// Tables written by tests/loops/make_velo_tables.py, an independent model of the curve; its
// halves, as (1 + 64) / 2 at strength 0, round to even.
TEST(VeloTransformer, TablesMatchTheIndependentModel) {
  std::ifstream in(test::testDataPath("loops/velo_tables.txt"));
  ASSERT_TRUE(in) << "missing velo_tables.txt";
  int rows = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    int low, center, high, floor, ceiling, strength;
    fields >> low >> center >> high >> floor >> ceiling >> strength;
    V v;
    for (const auto& [param, value] : {std::pair{V::kFloor, floor}, {V::kCeiling, ceiling}, {V::kLowX, low},
                                       {V::kCenterX, center}, {V::kHighX, high}})
      v.setParam(param, value, false);
    v.setParam(V::kStrength, strength, false);
    v.rebuild();
    for (int input = 1; input <= 127; ++input) {
      int expected = 0;
      fields >> expected;
      ASSERT_EQ(v.lookup(input), expected) << line.substr(0, 24) << " input " << input;
    }
    ++rows;
  }
  EXPECT_EQ(rows, 35);
}

TEST(VeloTransformer, DefaultsGiveIdentityAndFullFlatteningGivesCenter) {
  V v;
  EXPECT_EQ(params(v), (std::array<int, 6>{1, 64, 127, 0, 1, 127}));
  EXPECT_TRUE(isIdentity(v));
  EXPECT_TRUE(v.setParamConstrained(V::kStrength, -100, true));
  for (int i = 1; i <= 127; ++i) EXPECT_EQ(v.lookup(i), 64) << i;
  EXPECT_EQ(v.lookup(0), 64);  // inputs outside 1..127 read the nearest entry
  EXPECT_EQ(v.lookup(300), 64);
}

TEST(VeloTransformer, ConstraintsPushNeighbours) {
  using P = std::array<int, 6>;
  for (const auto& [param, value, expected] :
       {std::tuple{V::kCenterX, 127, P{1, 126, 127, 0, 1, 127}}, {V::kFloor, 127, P{125, 126, 127, 0, 125, 127}},
        {V::kCeiling, 1, P{1, 2, 3, 0, 1, 3}}, {V::kLowX, 64, P{64, 65, 127, 0, 1, 127}}}) {
    V v;
    EXPECT_TRUE(v.setParamConstrained(param, value, true));
    EXPECT_EQ(params(v), expected) << param << " = " << value;
  }
  V v;  // from one end to the other
  EXPECT_TRUE(v.setParamConstrained(V::kCenterX, 1, true));
  EXPECT_EQ(params(v), (P{1, 2, 127, 0, 1, 127}));
  EXPECT_TRUE(v.setParamConstrained(V::kCenterX, 127, true));
  EXPECT_EQ(params(v), (P{1, 126, 127, 0, 1, 127}));
  V c;
  c.setParamConstrained(V::kCeiling, 1, true);
  // lowX pushes centerX up, which pushes highX against the ceiling, which pushes both back down.
  EXPECT_TRUE(c.setParamConstrained(V::kLowX, 200, true));
  const auto p = params(c);
  EXPECT_EQ(p, (P{1, 2, 3, 0, 1, 3}));
  EXPECT_TRUE(p[4] <= p[0] && p[0] < p[1] && p[1] < p[2] && p[2] <= p[5]);
}

// An unchanged value neither reports nor rebuilds, a clamped one does; crossed anchors set
// without constraints still give a table inside 1..127.
TEST(VeloTransformer, SettersReportChangesAndRebuildSafely) {
  V v;
  EXPECT_TRUE(v.setParam(V::kStrength, -100, false));  // stored without rebuilding
  EXPECT_TRUE(isIdentity(v));
  EXPECT_FALSE(v.setParamConstrained(V::kStrength, -100, true));
  EXPECT_TRUE(isIdentity(v));
  EXPECT_TRUE(v.setParamConstrained(V::kStrength, -500, true));  // clamps to -100, equal, but rebuilds
  EXPECT_EQ(v.param(V::kStrength), -100);
  EXPECT_EQ(v.lookup(1), 64);
  EXPECT_FALSE(v.setParam(9, 1, true));

  V crossed;
  crossed.setParam(V::kLowX, 120, false);
  crossed.setParam(V::kCenterX, 10, false);
  crossed.setParam(V::kHighX, 5, false);
  EXPECT_TRUE(crossed.setParam(V::kStrength, 150, true));
  EXPECT_FALSE(isIdentity(crossed)) << "setParam rebuilds when asked";
  for (int i = 1; i <= 127; ++i) EXPECT_TRUE(crossed.lookup(i) >= 1 && crossed.lookup(i) <= 127) << i;
}
