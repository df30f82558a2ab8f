// Every build of the stream kernels against the draws made one at a time,
// on lengths around the lane and block widths and thresholds at their
// extremes, then against the scalar build on random arguments.
#include "stream_kernels.h"

#include <gtest/gtest.h>

#include <vector>

#include "kernel_cases.h"
#include "random.h"

namespace wendra {
namespace {

using testing::kLengths;
using testing::kThresholds;
using testing::kernelBuilds;
using testing::next;

TEST(StreamKernelsTest, HitWords) {
  for (const StreamKernels* k : kernelBuilds<StreamKernels>()) {
    for (std::uint32_t start : {0u, 1u, 0xDEADBEEFu}) {
      for (std::uint32_t threshold : kThresholds) {
        for (std::size_t words : {1u, 2u, 4u}) {
          std::vector<std::uint64_t> w(words);
          k->hitWords(start, threshold, w.data(), words);
          std::uint32_t s = start;
          for (std::size_t t = 0; t < 64 * words; ++t) {
            s = next(s);
            ASSERT_EQ((w[t / 64] >> (t % 64)) & 1, s < threshold ? 1u : 0u) << k->name << " " << t;
          }
        }
      }
    }
  }
}

TEST(StreamKernelsTest, DrawCities) {
  for (const StreamKernels* k : kernelBuilds<StreamKernels>()) {
    for (std::uint32_t n : {1u, 2u, 100u, 900u, 65535u}) {
      for (std::size_t count : kLengths) {
        std::vector<std::uint32_t> cities(count + 1, 0xABCDu);  // the entry past the end must survive
        k->drawCities(0xDEADBEEFu, n, cities.data(), count);
        std::uint32_t s = 0xDEADBEEFu;
        for (std::size_t t = 0; t < count; ++t)
          ASSERT_EQ(cities[t], (std::uint64_t{n} * (s = next(s))) >> 32) << k->name << " n=" << n << " t=" << t;
        ASSERT_EQ(cities[count], 0xABCDu);
      }
    }
  }
}

TEST(StreamKernelsTest, EveryBuildDrawsAsTheScalarOne) {
  const StreamKernels& scalar = StreamKernels::scalar;
  Random pick;
  for (int trial = 0; trial < 300; ++trial) {
    const std::uint32_t state = pick.advance(), threshold = 1 + pick.below(0xFFFFFFFFu);
    const std::uint32_t n = 1 + pick.below(65535);
    const std::size_t count = pick.below(3000), words = pick.below(50);
    std::vector<std::uint32_t> cities(count), wantCities(count);
    std::vector<std::uint64_t> hits(words), wantHits(words);
    scalar.drawCities(state, n, wantCities.data(), count);
    scalar.hitWords(state, threshold, wantHits.data(), words);
    for (const StreamKernels* k : kernelBuilds<StreamKernels>()) {
      k->drawCities(state, n, cities.data(), count);
      k->hitWords(state, threshold, hits.data(), words);
      ASSERT_EQ(cities, wantCities) << k->name << " state " << state << " n " << n << " count " << count;
      ASSERT_EQ(hits, wantHits) << k->name << " state " << state << " threshold " << threshold;
    }
  }
}

}  // namespace
}  // namespace wendra
