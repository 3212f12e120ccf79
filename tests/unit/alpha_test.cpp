// The alpha a layered window gets for a transparency percentage.

#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "desktop/alpha.h"

namespace {
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
}  // namespace

TEST(AlphaFromPercent, Table) {
  const std::pair<int32_t, int> table[] = {{0, 255}, {1, 252}, {2, 249}, {20, 204},
                                           {50, 127}, {98, 5},  {99, 2},   {100, 0}};
  for (auto [p, alpha] : table) EXPECT_EQ(AlphaFromPercent(p), alpha) << p;
}

TEST(AlphaFromPercent, OutOfRangeHeldAtTheEnds) {
  EXPECT_EQ(AlphaFromPercent(-1), 255);
  EXPECT_EQ(AlphaFromPercent(kMin), 255);
  EXPECT_EQ(AlphaFromPercent(101), 0);
  EXPECT_EQ(AlphaFromPercent(kMax), 0);
  for (int32_t p = 0; p < 100; ++p) EXPECT_GE(AlphaFromPercent(p), AlphaFromPercent(p + 1)) << p;
}
