// Every build of the random-key kernels against the draws made one at a
// time and against a stable sort of the cities by key, measured by the
// grid's tour length; then against the scalar build on random arguments.
#include "key_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "../engine/cell_tours.h"
#include "../engine/kernel_cases.h"
#include "random.h"

namespace wendra {
namespace {

using testing::gridLength;
using testing::kLengths;
using testing::kThresholds;
using testing::kernelBuilds;
using testing::next;
using testing::randomCells;

TEST(KeyKernelsTest, InitialiseAndMutate) {
  for (const KeyKernels* k : kernelBuilds<KeyKernels>()) {
    for (std::size_t n : kLengths) {
      std::vector<std::uint8_t> keys(n + 1, 0xAB);  // the byte past the end must survive
      k->initialise(77, keys.data(), n);
      std::uint32_t s = 77;
      for (std::size_t i = 0; i < n; ++i) {
        int key = 0;
        for (int j = 0; j < 7; ++j) key = key * 2 + ((s = next(s)) >= 0x80000000u ? 1 : 0);
        ASSERT_EQ(keys[i], key) << k->name << " " << n << " " << i;
      }
      EXPECT_EQ(keys[n], 0xAB);
      for (std::uint32_t threshold : kThresholds) {
        auto expected = keys;
        s = 12345;
        for (std::size_t i = 0; i < n; ++i)
          for (int j = 0; j < 7; ++j)
            if ((s = next(s)) < threshold) expected[i] ^= static_cast<std::uint8_t>(1 << (6 - j));
        k->mutate(12345, threshold, keys.data(), n);
        ASSERT_EQ(keys, expected) << k->name << " " << n << " " << threshold;
      }
    }
  }
}

// The cells in ascending key order, equal keys in ascending city order.
std::vector<std::uint16_t> decoded(const std::vector<std::uint8_t>& keys, const std::vector<std::uint16_t>& codes) {
  std::vector<std::int32_t> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) { return keys[a] < keys[b]; });
  std::vector<std::uint16_t> sorted(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) sorted[i] = codes[order[i]];
  return sorted;
}

TEST(KeyKernelsTest, TourLengths) {
  Random random;
  for (const KeyKernels* k : kernelBuilds<KeyKernels>()) {
    for (std::size_t n : {1u, 2u, 3u, 16u, 17u, 32u, 33u, 64u, 65u, 96u, 97u, 100u, 127u, 128u, 129u, 200u, 1000u,
                          2047u, 2048u, 2049u, 5000u}) {
      const std::vector<std::uint16_t> codes = randomCells(random, n);
      // Keys of three patterns: few values (long runs of equal keys), all
      // 128, and a few with the highest and lowest values absent.
      for (std::uint32_t values : {4u, 128u, 100u}) {
        std::vector<std::uint8_t> keys(n);
        for (auto& key : keys) key = static_cast<std::uint8_t>(random.below(values) + (values == 100 ? 14 : 0));
        const std::int32_t want = gridLength(decoded(keys, codes));
        std::vector<std::uint16_t> work(n, 0xFFFF);
        ASSERT_EQ(k->tourLength(keys.data(), n, codes.data(), work.data()), want)
            << k->name << " " << n << " " << values;

        // As one of a pair, either way round, beside keys of another pattern
        // (all equal, so the order is the cities' own).
        const std::vector<std::uint8_t> flat(n, 77);
        std::int32_t lengths[2] = {-1, -1};
        k->tourLengthPair(keys.data(), flat.data(), n, codes.data(), work.data(), lengths);
        EXPECT_EQ(lengths[0], want) << k->name << " " << n;
        EXPECT_EQ(lengths[1], gridLength(codes)) << k->name << " " << n;
        k->tourLengthPair(flat.data(), keys.data(), n, codes.data(), work.data(), lengths);
        EXPECT_EQ(lengths[0], gridLength(codes)) << k->name << " " << n;
        EXPECT_EQ(lengths[1], want) << k->name << " " << n;
      }
    }
  }
}

TEST(KeyKernelsTest, EveryBuildMakesAndMeasuresAsTheScalarOne) {
  const KeyKernels& scalar = KeyKernels::scalar;
  Random pick;
  for (int trial = 0; trial < 200; ++trial) {
    const std::size_t n = 1 + pick.below(trial % 2 ? 300 : 10000);
    const std::uint32_t state = pick.advance(), threshold = 1 + pick.below(0xFFFFFFFFu);
    const std::vector<std::uint16_t> codes = randomCells(pick, n);
    std::vector<std::uint8_t> want(n), got(n);
    std::vector<std::uint16_t> work(n);
    scalar.initialise(state, want.data(), n);
    scalar.mutate(state ^ 0x5555u, threshold, want.data(), n);
    const std::int32_t length = scalar.tourLength(want.data(), n, codes.data(), work.data());
    for (const KeyKernels* k : kernelBuilds<KeyKernels>()) {
      k->initialise(state, got.data(), n);
      k->mutate(state ^ 0x5555u, threshold, got.data(), n);
      ASSERT_EQ(got, want) << k->name << " n " << n << " state " << state << " threshold " << threshold;
      ASSERT_EQ(k->tourLength(got.data(), n, codes.data(), work.data()), length) << k->name << " n " << n;
    }
  }
}

}  // namespace
}  // namespace wendra
