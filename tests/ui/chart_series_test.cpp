#include "chart_series.h"

#include <gtest/gtest.h>

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
