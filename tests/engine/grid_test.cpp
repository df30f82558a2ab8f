#include "grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace wendra {
namespace {

std::vector<std::int32_t> identity(std::int32_t n) {
  std::vector<std::int32_t> t(static_cast<std::size_t>(n));
  std::iota(t.begin(), t.end(), 0);
  return t;
}

TEST(GridTest, CityCells) {
  const Grid g = Grid::of(10, 7);
  EXPECT_EQ(g.cities(), 70);
  EXPECT_EQ(g.column(0), 0);
  EXPECT_EQ(g.row(0), 0);
  EXPECT_EQ(g.column(9), 9);
  EXPECT_EQ(g.row(9), 0);
  EXPECT_EQ(g.column(10), 0);
  EXPECT_EQ(g.row(10), 1);
  EXPECT_EQ(g.distance(0, 69), 9 + 6);
}

TEST(GridTest, RowByRowTourOnTheDefaultGrid) {
  // 90 steps inside rows, 9 row changes of 10, and 18 back to the start.
  EXPECT_EQ(tourLength(Grid::of(10, 10), identity(100)), 198.0);
}

TEST(GridTest, ReverseAndRotationsKeepTheLength) {
  const Grid g = Grid::of(5, 4);
  std::vector<std::int32_t> t = {3, 17, 0, 8, 12, 19, 1, 5, 9, 14, 2, 6, 10, 16, 4, 7, 11, 13, 15, 18};
  const double length = tourLength(g, t);
  for (int r = 0; r < 20; ++r) {
    std::rotate(t.begin(), t.begin() + 1, t.end());
    EXPECT_EQ(tourLength(g, t), length);
  }
  std::reverse(t.begin(), t.end());
  EXPECT_EQ(tourLength(g, t), length);
}

TEST(GridTest, NoTourIsShorterThanTheCityCount) {
  const Grid g = Grid::of(4, 4);
  std::vector<std::int32_t> t = identity(16);
  do {
    EXPECT_GE(tourLength(g, t), 16.0);
  } while (std::next_permutation(t.begin() + 10, t.end()));
  // The largest grid's worst edges still fit in 32 bits.
  const Grid big = Grid::of(100, 100);
  std::vector<std::int32_t> zigzag;
  for (std::int32_t i = 0; i < 5000; ++i) {
    zigzag.push_back(i);
    zigzag.push_back(9999 - i);
  }
  EXPECT_GT(tourLength(big, zigzag), 0.0);
}

}  // namespace
}  // namespace wendra
