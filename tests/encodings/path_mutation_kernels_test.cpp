// Every build of the path mutation kernels against the mutation walked one
// draw at a time, on lengths around the word width and thresholds at their
// extremes; then against the scalar build on random arguments.
#include "path_mutation_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "../engine/kernel_cases.h"
#include "random.h"

namespace wendra {
namespace {

using testing::kThresholds;
using testing::kernelBuilds;
using testing::next;

// Draws from one state to another (a few thousand at most here).
std::size_t drawsOf(std::uint32_t from, std::uint32_t to) {
  std::size_t count = 0;
  for (; from != to; from = next(from)) ++count;
  return count;
}

TEST(PathMutationKernelsTest, PlanAndApplyMakeTheWalksSwaps) {
  for (const PathMutationKernels* k : kernelBuilds<PathMutationKernels>()) {
    // (3000: a mutation where nearly every draw hits lists more swaps than
    // are kept waiting at once.)
    for (std::uint32_t n : {1u, 2u, 3u, 50u, 63u, 64u, 65u, 100u, 250u, 1000u, 3000u}) {
      for (std::uint32_t threshold : kThresholds) {
        for (std::uint32_t start : {0u, 99u, 0x80000001u}) {
          // The mutation as written: per position one draw, a partner draw
          // after each hit.
          std::vector<std::uint16_t> expected(n), genes(n);
          std::iota(expected.begin(), expected.end(), std::uint16_t{0});
          genes = expected;
          // The plan's words: a bit per draw, set for the gene positions'
          // hits.
          std::vector<std::uint64_t> geneHits((2 * n + 63) / 64, 0);
          std::uint32_t s = start;
          std::size_t draws = 0, geneDraws = 0;  // all, and up to the last gene's own
          for (std::uint32_t i = 0; i < n; ++i) {
            geneDraws = ++draws;
            if ((s = next(s)) < threshold) {
              geneHits[(draws - 1) / 64] |= std::uint64_t{1} << ((draws - 1) % 64);
              ++draws;
              s = next(s);
              std::swap(expected[i], expected[(std::uint64_t{n} * s) >> 32]);
            }
          }
          // Room for 2n draws, with a guard word.
          const std::size_t room = (2 * n + 63) / 64;
          std::vector<std::uint64_t> words(room + 1, 0x5A5A5A5A5A5A5A5Aull);
          std::size_t used = 0;
          EXPECT_EQ(k->plan(start, threshold, n, words.data(), &used), s)
              << k->name << " n=" << n << " t=" << threshold;
          // The words up to the last gene's draw; a partner drawn after it
          // needs no word of its own.
          ASSERT_EQ(draws, drawsOf(start, s));
          ASSERT_EQ(used, (geneDraws + 63) / 64) << k->name << " n=" << n << " t=" << threshold;
          EXPECT_TRUE(std::equal(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(used), geneHits.begin()))
              << k->name << " n=" << n << " t=" << threshold;
          EXPECT_EQ(words[room], 0x5A5A5A5A5A5A5A5Aull);
          auto g = genes;
          k->apply(start, n, g.data(), words.data());
          ASSERT_EQ(g, expected) << k->name << " n=" << n << " t=" << threshold;
        }
      }
    }
  }
}

TEST(PathMutationKernelsTest, EveryBuildPlansAndAppliesAsTheScalarOne) {
  const PathMutationKernels& scalar = PathMutationKernels::scalar;
  Random pick;
  for (int trial = 0; trial < 300; ++trial) {
    const auto n = static_cast<std::uint32_t>(1 + pick.below(trial % 2 ? 300 : 10000));
    const std::uint32_t state = pick.advance();
    // Thresholds of every size, most below a half as the programs' are.
    const std::uint32_t threshold = 1 + pick.below(trial % 3 ? 0x40000000u : 0xFFFFFFFFu);
    std::vector<std::uint64_t> want((2 * n + 63) / 64), got(want.size());
    std::size_t wantUsed = 0, used = 0;
    const std::uint32_t after = scalar.plan(state, threshold, n, want.data(), &wantUsed);
    std::vector<std::uint16_t> wantGenes(n), genes(n);
    std::iota(wantGenes.begin(), wantGenes.end(), std::uint16_t{0});
    std::shuffle(wantGenes.begin(), wantGenes.end(), std::minstd_rand(state));
    const std::vector<std::uint16_t> start = wantGenes;
    scalar.apply(state, n, wantGenes.data(), want.data());
    for (const PathMutationKernels* k : kernelBuilds<PathMutationKernels>()) {
      ASSERT_EQ(k->plan(state, threshold, n, got.data(), &used), after) << k->name << " n " << n;
      ASSERT_EQ(used, wantUsed) << k->name << " n " << n;
      ASSERT_TRUE(std::equal(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(used), got.begin()))
          << k->name << " n " << n << " threshold " << threshold;
      genes = start;
      k->apply(state, n, genes.data(), want.data());
      ASSERT_EQ(genes, wantGenes) << k->name << " n " << n << " threshold " << threshold;
    }
  }
}

}  // namespace
}  // namespace wendra
