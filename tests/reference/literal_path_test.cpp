// The reference path chromosome (reference/): worked examples and draw counts.
#include "literal_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "draw_count.h"
#include "literal_gene_access.h"

namespace wendra::literal {
namespace {

using testing::drawsBetween;

std::vector<std::int32_t> genes(std::initializer_list<std::int32_t> cities) {
  std::vector<std::int32_t> g;
  for (std::int32_t c : cities) g.push_back(c | PathEncoding::kCityBit);
  return g;
}

std::vector<std::int32_t> citiesOf(const std::vector<std::int32_t>& g) {
  std::vector<std::int32_t> c;
  for (std::int32_t x : g) c.push_back(x & PathEncoding::kCityMask);
  return c;
}

std::uint8_t* bytes(std::vector<std::int32_t>& g) { return reinterpret_cast<std::uint8_t*>(g.data()); }

bool isPermutation(const std::vector<std::int32_t>& g, std::int32_t n) {
  std::vector<bool> seen(static_cast<std::size_t>(n));
  for (std::int32_t x : g) {
    if ((x & PathEncoding::kCityBit) == 0) return false;
    const std::int32_t c = x & PathEncoding::kCityMask;
    if (c < 0 || c >= n || seen[c]) return false;
    seen[c] = true;
  }
  return static_cast<std::int32_t>(g.size()) == n;
}

TEST(PathEncodingTest, WorkedCrossoverAtCutFour) {
  const PathEncoding enc(Grid::of(4, 4));
  auto a = genes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  auto b = genes({15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
  enc.crossoverAt(bytes(a), bytes(b), 4);
  EXPECT_EQ(citiesOf(a), (std::vector<std::int32_t>{0, 1, 2, 3, 11, 10, 9, 8, 7, 6, 5, 4, 12, 13, 14, 15}));
  EXPECT_EQ(citiesOf(b), (std::vector<std::int32_t>{15, 14, 13, 12, 4, 5, 6, 7, 8, 9, 10, 11, 3, 2, 1, 0}));
}

TEST(PathEncodingTest, CutZeroSwapsAndIdenticalParentsStay) {
  const PathEncoding enc(Grid::of(4, 4));
  auto a = genes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  auto b = genes({5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6});
  const auto a0 = a, b0 = b;
  enc.crossoverAt(bytes(a), bytes(b), 0);
  EXPECT_EQ(a, b0);
  EXPECT_EQ(b, a0);
  for (std::int32_t cut = 0; cut < 16; ++cut) {
    auto c = a0, d = a0;
    enc.crossoverAt(bytes(c), bytes(d), cut);
    EXPECT_EQ(c, a0) << cut;
    EXPECT_EQ(d, a0) << cut;
  }
}

TEST(PathEncodingTest, CrossoverKeepsHeadsAndPermutationsAndTakesOneDraw) {
  const Grid grid = Grid::of(7, 5);
  const PathEncoding enc(grid);
  const std::int32_t n = grid.cities();
  Random random;
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<std::int32_t> a(n), b(n);
    enc.initialise(bytes(a), random);
    enc.initialise(bytes(b), random);
    const auto a0 = a, b0 = b;
    const std::uint32_t before = random.state();
    Random peek = random;
    const auto cut = static_cast<std::int32_t>(peek.below(n));
    enc.crossover(bytes(a), bytes(b), random);
    EXPECT_EQ(drawsBetween(before, random.state()), 1);
    ASSERT_TRUE(isPermutation(a, n));
    ASSERT_TRUE(isPermutation(b, n));
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + cut, a0.begin()));
    EXPECT_TRUE(std::equal(b.begin(), b.begin() + cut, b0.begin()));
    // A tail position either keeps the other parent's gene or was repaired
    // with a city the child's head lacks.
    for (std::int32_t p = cut; p < n; ++p) {
      if (a[p] != b0[p]) {
        EXPECT_LT(std::find(a.begin(), a.begin() + cut, b0[p]) - a.begin(), cut);
      }
    }
  }
}

TEST(PathEncodingTest, InitialiseIsARejectionPermutation) {
  const Grid grid = Grid::of(4, 4);
  const PathEncoding enc(grid);
  Random random;
  std::vector<std::int32_t> g(16);
  enc.initialise(bytes(g), random);
  EXPECT_TRUE(isPermutation(g, 16));
  // Replay: draws below 16, duplicates discarded.
  Random replay;
  std::vector<std::int32_t> expected;
  while (expected.size() < 16) {
    const std::int32_t c = static_cast<std::int32_t>(replay.below(16));
    if (std::find(expected.begin(), expected.end(), c) == expected.end()) expected.push_back(c);
  }
  EXPECT_EQ(citiesOf(g), expected);
  EXPECT_EQ(replay.state(), random.state());
}

TEST(PathEncodingTest, MutationDraws) {
  const Grid grid = Grid::of(5, 5);
  const PathEncoding enc(grid);
  Random random;
  std::vector<std::int32_t> g(25);
  enc.initialise(bytes(g), random);
  const auto g0 = g;

  // pm = 0: nothing changes, 25 uniforms drawn.
  std::uint32_t before = random.state();
  enc.mutate(bytes(g), 0.0, random);
  EXPECT_EQ(g, g0);
  EXPECT_EQ(drawsBetween(before, random.state()), 25);

  // pm = 1: every position swaps with a drawn partner, 50 draws.
  before = random.state();
  Random replay = random;
  auto expected = g;
  for (int i = 0; i < 25; ++i) {
    replay.uniform();
    std::swap(expected[i], expected[replay.below(25)]);
  }
  enc.mutate(bytes(g), 1.0, random);
  EXPECT_EQ(g, expected);
  EXPECT_EQ(drawsBetween(before, random.state()), 50);
  EXPECT_TRUE(isPermutation(g, 25));

  // Draws are 25 plus one per hit.
  before = random.state();
  replay = random;
  int hits = 0;
  for (int i = 0; i < 25; ++i)
    if (replay.uniform() < 0.3) ++hits, replay.advance();
  enc.mutate(bytes(g), 0.3, random);
  EXPECT_EQ(drawsBetween(before, random.state()), 25 + hits);
}

TEST(PathEncodingTest, TourDropsTheCityBitAndLengthUsesIt) {
  const PathEncoding enc(Grid::of(10, 10));
  std::vector<std::int32_t> g;
  for (std::int32_t c = 0; c < 100; ++c) g.push_back(c | 0x8000);
  std::vector<std::int32_t> tour;
  enc.tour(bytes(g), tour);
  EXPECT_EQ(tour.front(), 0);
  EXPECT_EQ(tour.back(), 99);
  EXPECT_EQ(enc.length(bytes(g)), 198.0);
  EXPECT_EQ(PathEncoding::chromosomeBytes(Grid::of(10, 10)), 400);
}

}  // namespace
}  // namespace wendra::literal
