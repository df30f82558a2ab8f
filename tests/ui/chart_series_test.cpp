#include "chart_series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace wendra {
namespace {

TEST(ValueListTest, CachedExtremesFollowEveryChange) {
  ValueList list;
  EXPECT_EQ(list.minimum(), 0);
  EXPECT_EQ(list.maximum(), 0);
  list.append(650);
  list.append(-3);
  list.append(12);
  EXPECT_EQ(list.minimum(), -3);
  EXPECT_EQ(list.maximum(), 650);
  list.insert(0, 700);
  EXPECT_EQ(list.maximum(), 700);
  list.clear();
  EXPECT_EQ(list.minimum(), 0);
  EXPECT_EQ(list.maximum(), 0);
  list.append(5);
  EXPECT_EQ(list.minimum(), 5);
  EXPECT_EQ(list.maximum(), 5);
}

// The extremes kept as values arrive are those a scan finds (the first
// smallest, the last largest), also after a NaN and an insertion.
TEST(ValueListTest, AppendedExtremesMatchAScan) {
  ValueList list;
  std::vector<double> values;
  for (double v : {5.0, -0.0, 0.0, 7.0, 7.0, -3.0, std::nan(""), 9.0, -4.0}) {
    list.append(v);
    values.push_back(v);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    EXPECT_TRUE(std::isnan(*low) ? std::isnan(list.minimum()) : list.minimum() == *low);
    EXPECT_TRUE(std::isnan(*high) ? std::isnan(list.maximum()) : list.maximum() == *high);
    EXPECT_EQ(std::signbit(list.minimum()), std::signbit(*low));
  }
  EXPECT_FALSE(list.ordered());
  list.clear();
  EXPECT_TRUE(list.ordered());
  for (double v : {4.0, 8.0, 6.0}) list.append(v);
  list.insert(1, 1.0);
  EXPECT_EQ(list.values(), (std::vector<double>{4, 1, 8, 6}));
  EXPECT_EQ(list.minimum(), 1);
  EXPECT_EQ(list.extremes(1, 3).maximum, 8);
  EXPECT_EQ(list.extremes(2, 3).minimum, 6);
}

TEST(ChartSeriesTest, AddAppendsOrdinalsAndClearRestarts) {
  ChartSeries series(QStringLiteral("Average"), QColor(255, 0, 0));
  int changes = 0;
  series.setChangedHandler([&] { ++changes; });
  EXPECT_EQ(series.Add(640.5), 0);
  EXPECT_EQ(series.Add(600), 1);
  EXPECT_EQ(series.Add(600), 2);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(series.xValues().values(), (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(series.yValues().values(), (std::vector<double>{640.5, 600, 600}));
  EXPECT_EQ(series.yValues().minimum(), 600);
  series.Clear();
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(series.count(), 0);
  EXPECT_EQ(series.Add(1), 0);
  EXPECT_EQ(series.xValues()[0], 0);
}

}  // namespace
}  // namespace wendra
