#include "value_extremes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace wendra {
namespace {

// Every run of a growing sequence, against a scan, at every length up to 300
// (block edges of every size up to 256 fall inside).
TEST(ValueExtremesTest, EveryRunMatchesAScan) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> value(-1000, 1000);
  std::vector<double> values;
  ValueExtremes index;
  for (int n = 1; n <= 300; ++n) {
    values.push_back(n % 17 == 0 ? 5000.0 : std::round(value(random)));
    index.appended(values);
    for (std::size_t first = 0; first < values.size(); ++first) {
      double low = values[first], high = values[first];
      for (std::size_t last = first; last < values.size(); ++last) {
        low = std::min(low, values[last]);
        high = std::max(high, values[last]);
        const Extremes e = index.of(values, first, last);
        ASSERT_EQ(e.minimum, low) << first << ".." << last << " of " << n;
        ASSERT_EQ(e.maximum, high) << first << ".." << last << " of " << n;
      }
    }
  }
}

TEST(ValueExtremesTest, LongRunsRebuildAndClear) {
  std::mt19937 random(12);
  std::uniform_real_distribution<double> value(0, 1);
  std::vector<double> values(100000);
  for (double& v : values) v = value(random);
  ValueExtremes index;
  index.rebuild(values);
  for (int trial = 0; trial < 2000; ++trial) {
    std::size_t a = random() % values.size(), b = random() % values.size();
    if (a > b) std::swap(a, b);
    const auto [low, high] = std::minmax_element(values.begin() + a, values.begin() + b + 1);
    const Extremes e = index.of(values, a, b);
    ASSERT_EQ(e.minimum, *low);
    ASSERT_EQ(e.maximum, *high);
  }
  index.clear();
  values = {3, 1, 2};
  for (std::size_t i = 1; i <= values.size(); ++i) {
    const std::vector<double> prefix(values.begin(), values.begin() + i);
    index.appended(prefix);
  }
  EXPECT_EQ(index.of(values, 0, 2).minimum, 1);
  EXPECT_EQ(index.of(values, 0, 0).maximum, 3);
}

TEST(ValueExtremesTest, ANaNMakesTheSequenceUnordered) {
  std::vector<double> values = {1, 2};
  ValueExtremes index;
  index.rebuild(values);
  EXPECT_TRUE(index.ordered());
  values.push_back(std::nan(""));
  index.appended(values);
  EXPECT_FALSE(index.ordered());
  index.clear();
  EXPECT_TRUE(index.ordered());
}

}  // namespace
}  // namespace wendra
