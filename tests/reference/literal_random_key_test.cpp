// The reference random-key chromosome (reference/): decoding examples and draw counts.
#include "literal_random_key.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "draw_count.h"

namespace wendra::literal {
namespace {

using testing::drawsBetween;

// A chromosome whose city i has key keys[i] (cities beyond keys get `rest`).
std::vector<std::uint8_t> withKeys(std::int32_t n, const std::vector<int>& keys, int rest = 0) {
  std::vector<std::uint8_t> c(static_cast<std::size_t>(7 * n));
  for (std::int32_t i = 0; i < n; ++i) {
    const int key = i < static_cast<std::int32_t>(keys.size()) ? keys[i] : rest;
    for (int j = 0; j < 7; ++j) c[i * 7 + j] = (key >> (6 - j)) & 1;
  }
  return c;
}

std::vector<std::int32_t> decode(const RandomKeyEncoding& enc, const std::vector<std::uint8_t>& c) {
  std::vector<std::int32_t> tour;
  enc.tour(c.data(), tour);
  return tour;
}

std::vector<std::int32_t> identity(std::int32_t n) {
  std::vector<std::int32_t> t(static_cast<std::size_t>(n));
  std::iota(t.begin(), t.end(), 0);
  return t;
}

TEST(RandomKeyTest, EqualKeysDecodeInCityOrder) {
  const RandomKeyEncoding enc(Grid::of(10, 10));
  for (int key : {0, 1, 64, 127}) EXPECT_EQ(decode(enc, withKeys(100, {}, key)), identity(100)) << key;
  EXPECT_EQ(enc.length(withKeys(100, {}).data()), 198.0);
}

TEST(RandomKeyTest, DescendingKeysDecodeReversed) {
  const RandomKeyEncoding enc(Grid::of(10, 10));
  std::vector<int> keys;
  for (int i = 0; i < 100; ++i) keys.push_back(127 - i);
  auto expected = identity(100);
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(decode(enc, withKeys(100, keys)), expected);
}

TEST(RandomKeyTest, WorkedDecodingExample) {
  const RandomKeyEncoding enc(Grid::of(4, 4));
  const auto tour = decode(enc, withKeys(16, {5, 3, 5, 0}, 6));
  EXPECT_EQ(std::vector<std::int32_t>(tour.begin(), tour.begin() + 4), (std::vector<std::int32_t>{3, 1, 0, 2}));
}

TEST(RandomKeyTest, DecodingIsAStableSortByKey) {
  const RandomKeyEncoding enc(Grid::of(20, 20));
  Random random;
  std::vector<std::uint8_t> c(7 * 400);
  for (int trial = 0; trial < 20; ++trial) {
    enc.initialise(c.data(), random);
    auto expected = identity(400);
    std::stable_sort(expected.begin(), expected.end(), [&](std::int32_t x, std::int32_t y) {
      return RandomKeyEncoding::key(c.data(), x) < RandomKeyEncoding::key(c.data(), y);
    });
    EXPECT_EQ(decode(enc, c), expected);
  }
}

TEST(RandomKeyTest, InitialiseDrawsOnePerByteInOrder) {
  const RandomKeyEncoding enc(Grid::of(4, 5));
  Random random, replay;
  std::vector<std::uint8_t> c(7 * 20);
  enc.initialise(c.data(), random);
  for (std::size_t b = 0; b < c.size(); ++b) EXPECT_EQ(c[b], replay.uniform() >= 0.5 ? 1 : 0) << b;
  EXPECT_EQ(random.state(), replay.state());
}

TEST(RandomKeyTest, MutationAlwaysDraws7N) {
  const RandomKeyEncoding enc(Grid::of(4, 4));
  Random random;
  std::vector<std::uint8_t> c(7 * 16);
  enc.initialise(c.data(), random);
  const auto c0 = c;
  for (double pm : {0.0, -1.0, 0.5, 1.0, 7.0}) {
    const std::uint32_t before = random.state();
    Random replay = random;
    auto expected = c;
    for (auto& byte : expected)
      if (replay.uniform() < pm) byte ^= 1;
    enc.mutate(c.data(), pm, random);
    EXPECT_EQ(c, expected) << pm;
    EXPECT_EQ(drawsBetween(before, random.state()), 7 * 16) << pm;
  }
  // pm >= 1 flips every byte: two such mutations restore the start.
  auto d = c0;
  enc.mutate(d.data(), 1.0, random);
  for (std::size_t b = 0; b < d.size(); ++b) EXPECT_EQ(d[b], c0[b] ^ 1);
}

TEST(RandomKeyTest, OnePointCrossover) {
  const RandomKeyEncoding enc(Grid::of(4, 4));
  Random random;
  std::vector<std::uint8_t> a(112), b(112);
  enc.initialise(a.data(), random);
  enc.initialise(b.data(), random);
  for (int trial = 0; trial < 50; ++trial) {
    auto x = a, y = b;
    Random peek = random;
    const std::uint32_t cut = peek.below(112);
    const std::uint32_t before = random.state();
    enc.crossover(x.data(), y.data(), random);
    EXPECT_EQ(drawsBetween(before, random.state()), 1);
    for (std::uint32_t p = 0; p < 112; ++p) {
      EXPECT_EQ(x[p], p < cut ? a[p] : b[p]);
      EXPECT_EQ(y[p], p < cut ? b[p] : a[p]);
    }
  }
  // Identical parents stay identical but the cut is still drawn.
  auto x = a, y = a;
  const std::uint32_t before = random.state();
  enc.crossover(x.data(), y.data(), random);
  EXPECT_EQ(x, a);
  EXPECT_EQ(y, a);
  EXPECT_EQ(drawsBetween(before, random.state()), 1);
}

}  // namespace
}  // namespace wendra::literal
