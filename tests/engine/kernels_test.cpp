// Every kernel variant this processor runs (baseline, AVX2, AVX-512) against
// a plain scalar model of the same draws, on lengths around the lane and
// block widths and on thresholds at their extremes.
#include "kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <numeric>
#include <vector>

#include "aligned.h"
#include "random.h"

namespace wendra {
namespace {

std::vector<const Kernels*> variants() {
  const KernelList list = availableKernels();
  return {list.items, list.items + list.count};
}

const std::size_t kLengths[] = {1, 2, 3, 7, 8, 15, 16, 17, 31, 33, 63, 64, 65, 100, 127, 129, 333, 1000};
const std::uint32_t kThresholds[] = {1u, 0x00001000u, 0x11E0E0E0u /* about 0.07 */, 0x80000000u, 0xE6666666u,
                                     0xFFFFFFFFu};

std::uint32_t next(std::uint32_t s) { return s * Random::kMultiplier + Random::kIncrement; }

// Draws from one state to another (a few thousand at most here).
std::size_t drawsOf(std::uint32_t from, std::uint32_t to) {
  std::size_t count = 0;
  for (; from != to; from = next(from)) ++count;
  return count;
}

TEST(KernelsTest, TheBaselineIsAlwaysThereAndTheBestIsChosen) {
  const auto all = variants();
  ASSERT_GE(all.size(), 1u);
  EXPECT_STREQ(all.front()->name, "baseline");
  EXPECT_EQ(&kernels(), all.back());
}

TEST(KernelsTest, HitWords) {
  for (const Kernels* k : variants()) {
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

TEST(KernelsTest, DrawCities) {
  for (const Kernels* k : variants()) {
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

TEST(KernelsTest, KeyInitialiseAndMutate) {
  for (const Kernels* k : variants()) {
    for (std::size_t n : kLengths) {
      std::vector<std::uint8_t> keys(n + 1, 0xAB);  // the byte past the end must survive
      k->keyInitialise(77, keys.data(), n);
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
        k->keyMutate(12345, threshold, keys.data(), n);
        ASSERT_EQ(keys, expected) << k->name << " " << n << " " << threshold;
      }
    }
  }
}

std::int32_t scalarLength(const std::vector<std::uint16_t>& codes) {
  auto d = [](std::uint16_t a, std::uint16_t b) {
    return std::abs((a & 127) - (b & 127)) + std::abs((a >> 7) - (b >> 7));
  };
  std::int32_t sum = 0;
  for (std::size_t i = 0; i + 1 < codes.size(); ++i) sum += d(codes[i], codes[i + 1]);
  return sum + d(codes.back(), codes.front());
}

TEST(KernelsTest, TourLengths) {
  Random random;
  for (const Kernels* k : variants()) {
    for (std::size_t n : {1u, 2u, 3u, 16u, 17u, 32u, 33u, 64u, 65u, 96u, 97u, 100u, 127u, 128u, 129u, 200u, 1000u, 2047u, 2048u, 2049u, 5000u}) {
      // Extreme cells too: column 127, row 255.
      std::vector<std::uint16_t> codes(n);
      for (auto& c : codes) c = static_cast<std::uint16_t>(random.below(256) * 128 + random.below(128));
      if (n > 2) codes[1] = 255 * 128 + 127, codes[2] = 0;
      ASSERT_EQ(k->codeTourLength(codes.data(), n), scalarLength(codes)) << k->name << " " << n;

      // Keys of three patterns: few values (long runs of equal keys), all
      // 128, and a few with the highest and lowest values absent.
      for (std::uint32_t values : {4u, 128u, 100u}) {
        std::vector<std::uint8_t> keys(n);
        for (auto& key : keys) key = static_cast<std::uint8_t>(random.below(values) + (values == 100 ? 14 : 0));
        std::vector<std::int32_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) { return keys[a] < keys[b]; });
        std::vector<std::uint16_t> sorted(n), work(n, 0xFFFF);
        for (std::size_t i = 0; i < n; ++i) sorted[i] = codes[order[i]];
        ASSERT_EQ(k->keyTourLength(keys.data(), n, codes.data(), work.data()), scalarLength(sorted))
            << k->name << " " << n << " " << values;

        // As one of a pair, either way round, beside keys of another pattern
        // (all equal, so the order is the cities' own).
        const std::vector<std::uint8_t> flat(n, 77);
        std::int32_t lengths[2] = {-1, -1};
        k->keyTourLengthPair(keys.data(), flat.data(), n, codes.data(), work.data(), lengths);
        EXPECT_EQ(lengths[0], scalarLength(sorted)) << k->name << " " << n;
        EXPECT_EQ(lengths[1], scalarLength(codes)) << k->name << " " << n;
        k->keyTourLengthPair(flat.data(), keys.data(), n, codes.data(), work.data(), lengths);
        EXPECT_EQ(lengths[0], scalarLength(codes)) << k->name << " " << n;
        EXPECT_EQ(lengths[1], scalarLength(sorted)) << k->name << " " << n;
      }
    }
  }
}

TEST(KernelsTest, PathMutationWalk) {
  for (const Kernels* k : variants()) {
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
          EXPECT_EQ(k->pathPlan(start, threshold, n, words.data(), &used), s)
              << k->name << " n=" << n << " t=" << threshold;
          // The words up to the last gene's draw; a partner drawn after it
          // needs no word of its own.
          ASSERT_EQ(draws, drawsOf(start, s));
          ASSERT_EQ(used, (geneDraws + 63) / 64) << k->name << " n=" << n << " t=" << threshold;
          EXPECT_TRUE(std::equal(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(used), geneHits.begin()))
              << k->name << " n=" << n << " t=" << threshold;
          EXPECT_EQ(words[room], 0x5A5A5A5A5A5A5A5Aull);
          auto g = genes;
          k->pathApply(start, n, g.data(), words.data());
          ASSERT_EQ(g, expected) << k->name << " n=" << n << " t=" << threshold;
        }
      }
    }
  }
}

TEST(KernelsTest, StampedPositions) {
  // Marks of three kinds: the current stamp, an older one, and one whose
  // position bits alone would match; heads of every length around the
  // vector width and the blocks of 512, each position's mark chosen by a
  // generator.
  const std::uint32_t stamp = 5u << 15;
  std::vector<std::uint32_t> marks(4096);
  std::uint32_t s = 12345;
  for (std::uint32_t code = 0; code < marks.size(); ++code) {
    const std::uint32_t position = (s = next(s)) >> 17;
    const std::uint32_t kind = (s = next(s)) >> 30;
    marks[code] = (kind == 0 ? 4u << 15 : kind == 1 ? 6u << 15 : stamp) | position;
  }
  for (const Kernels* k : variants()) {
    for (std::uint32_t count : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 511u, 512u, 513u, 1000u, 1030u}) {
      std::vector<std::uint16_t> head(count);
      for (auto& code : head) code = static_cast<std::uint16_t>((s = next(s)) >> 20);
      std::vector<std::uint16_t> expected;
      for (std::uint16_t code : head)
        if ((marks[code] & ~0x7FFFu) == stamp) expected.push_back(static_cast<std::uint16_t>(marks[code] & 0x7FFFu));
      std::vector<std::uint16_t> out(count + 32, 0xFFFF);
      const std::uint32_t found = k->stampedPositions(head.data(), count, marks.data(), stamp, out.data());
      ASSERT_EQ(found, expected.size()) << k->name << " " << count;
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin())) << k->name << " " << count;
    }
  }
}

// The rejection sampling drawn one draw at a time: members from `state`
// until `members` are made or the draws reach `drawLimit` (checked after each
// member), with the draws made up to the end of each.
struct PathModel {
  std::vector<std::uint16_t> genes;  // member after member
  std::vector<std::uint64_t> ends;
  std::uint32_t state;
};

PathModel pathModel(std::uint32_t state, std::uint32_t n, const std::vector<std::uint16_t>& codeOf,
                    std::int32_t members, std::uint64_t drawLimit) {
  PathModel model{{}, {}, state};
  std::uint64_t draws = 0;
  for (std::int32_t m = 0; m < members && (m == 0 || draws < drawLimit); ++m) {
    std::vector<bool> seen(n);
    for (std::uint32_t placed = 0; placed < n;) {
      ++draws;
      const auto city = static_cast<std::uint32_t>((std::uint64_t{n} * (model.state = next(model.state))) >> 32);
      if (!seen[city]) seen[city] = true, model.genes.push_back(codeOf[city]), ++placed;
    }
    model.ends.push_back(draws);
  }
  return model;
}

struct InitialisationCase {
  std::uint32_t n;
  std::int32_t members;
  std::uint64_t drawLimit;
};

// Sizes on both sides of the bucket widths of every variant (256 to 4096
// buckets of one city, then buckets of 2, 4, ... cities), member counts that
// wrap the one-byte stamps, and draw limits that stop a run early.
const InitialisationCase kInitialisationCases[] = {
    {1, 3, UINT64_MAX},     {2, 5, UINT64_MAX},       {3, 300, UINT64_MAX},   {4, 600, UINT64_MAX},
    {5, 520, UINT64_MAX},   {16, 40, UINT64_MAX},     {31, 9, UINT64_MAX},    {33, 9, UINT64_MAX},
    {63, 5, UINT64_MAX},    {64, 5, UINT64_MAX},      {65, 5, UINT64_MAX},    {100, 300, UINT64_MAX},
    {255, 3, UINT64_MAX},   {256, 3, UINT64_MAX},     {257, 3, UINT64_MAX},   {511, 2, UINT64_MAX},
    {512, 2, UINT64_MAX},   {513, 2, UINT64_MAX},     {900, 4, UINT64_MAX},   {1024, 2, UINT64_MAX},
    {1025, 2, UINT64_MAX},  {2048, 1, UINT64_MAX},    {2049, 1, UINT64_MAX},  {4096, 1, UINT64_MAX},
    {4097, 1, UINT64_MAX},  {8193, 1, UINT64_MAX},    {10000, 2, UINT64_MAX}, {40000, 1, UINT64_MAX},
    {65535, 1, UINT64_MAX}, {100, 50, 1},             {100, 50, 2000},        {900, 10, 20000},
    {10, 1000, 0},
};

TEST(KernelsTest, PathInitialisationByRejection) {
  for (const InitialisationCase& c : kInitialisationCases) {
    std::vector<std::uint16_t> codeOf(c.n);
    for (std::uint32_t city = 0; city < c.n; ++city) codeOf[city] = static_cast<std::uint16_t>(city * 3 % 65536);
    for (std::uint32_t start : {4321u, 0xFFFFFFFFu}) {
      const PathModel want = pathModel(start, c.n, codeOf, c.members, c.drawLimit);
      const auto made = static_cast<std::int32_t>(want.ends.size());
      for (const Kernels* k : variants()) {
        // Members one stride apart, with a guard gene between them that must survive.
        const std::size_t stride = c.n + 1;
        std::vector<std::uint16_t> genes(stride * static_cast<std::size_t>(c.members), 0xBEEF);
        std::vector<std::uint64_t> ends(static_cast<std::size_t>(c.members), 0);
        AlignedBytes work(pathWorkBytes(c.n));
        std::memset(work.data(), 0xA5, work.size());  // the kernel must not rely on cleared memory
        const PathRun run = k->pathInitialise(start, c.n, codeOf.data(), genes.data(), stride, c.members,
                                              c.drawLimit, ends.data(), work.data());
        const std::string where = std::string(k->name) + " n=" + std::to_string(c.n) + " start=" +
                                  std::to_string(start) + " limit=" + std::to_string(c.drawLimit);
        ASSERT_EQ(run.members, made) << where;
        EXPECT_EQ(run.state, want.state) << where;
        EXPECT_EQ(run.draws, want.ends.back()) << where;
        for (std::int32_t m = 0; m < made; ++m) {
          ASSERT_TRUE(std::equal(want.genes.begin() + m * c.n, want.genes.begin() + (m + 1) * c.n,
                                 genes.begin() + static_cast<std::ptrdiff_t>(m * stride)))
              << where << " member " << m;
          ASSERT_EQ(genes[m * stride + c.n], 0xBEEF) << where << " member " << m;
          ASSERT_EQ(ends[m], want.ends[m]) << where << " member " << m;
        }
      }
    }
  }
}

}  // namespace
}  // namespace wendra
