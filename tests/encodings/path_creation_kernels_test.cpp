// The path creation kernels: the scalar build against the reference path
// chromosome's initialise, every build against the scalar one (members, the
// draws up to each member's end, the final state) on sizes around the
// bucket widths, and every build's surplus search against its description.
#include "path_creation_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../engine/kernel_cases.h"
#include "../reference/draw_count.h"
#include "aligned.h"
#include "literal_path.h"
#include "random.h"

namespace wendra {
namespace {

using testing::drawsBetween;
using testing::kernelBuilds;
using testing::next;

TEST(PathCreationKernelsTest, StampedPositions) {
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
  for (const PathCreationKernels* k : kernelBuilds<PathCreationKernels>()) {
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

// Members made by a build, one stride apart with a guard gene after each.
struct Made {
  PathRun run;
  std::vector<std::uint16_t> genes;
  std::vector<std::uint64_t> ends;
};

Made make(const PathCreationKernels& k, std::uint32_t state, const std::vector<std::uint16_t>& codeOf,
          std::int32_t members, std::uint64_t drawLimit) {
  const auto n = static_cast<std::uint32_t>(codeOf.size());
  Made made{{}, std::vector<std::uint16_t>((n + 1) * static_cast<std::size_t>(members), 0xBEEF),
            std::vector<std::uint64_t>(static_cast<std::size_t>(members), 0)};
  AlignedBytes work(pathWorkBytes(n));
  std::memset(work.data(), 0xA5, work.size());  // the kernel must not rely on cleared memory
  made.run = k.initialise(state, n, codeOf.data(), made.genes.data(), n + 1, members, drawLimit, made.ends.data(),
                          work.data());
  return made;
}

TEST(PathCreationKernelsTest, TheScalarBuildIsTheReferenceInitialise) {
  for (std::int32_t n : {1, 2, 5, 16, 100, 333}) {
    std::vector<std::uint16_t> codeOf(static_cast<std::size_t>(n));
    for (std::int32_t city = 0; city < n; ++city) codeOf[city] = static_cast<std::uint16_t>(city * 7 + 3);
    const Made made = make(PathCreationKernels::scalar, 99, codeOf, 6, UINT64_MAX);
    ASSERT_EQ(made.run.members, 6);
    const literal::PathEncoding path(Grid::of(n, 1));
    Random random;
    random.setState(99);
    std::vector<std::int32_t> genes(static_cast<std::size_t>(n));
    std::uint64_t draws = 0;
    for (std::size_t m = 0; m < 6; ++m) {
      const std::uint32_t before = random.state();
      path.initialise(reinterpret_cast<std::uint8_t*>(genes.data()), random);
      draws += static_cast<std::uint64_t>(drawsBetween(before, random.state()));
      for (std::int32_t i = 0; i < n; ++i)
        ASSERT_EQ(made.genes[m * (n + 1) + i], codeOf[genes[i] & 0x7FFF]) << n << " member " << m;
      ASSERT_EQ(made.ends[m], draws) << n << " member " << m;
    }
    EXPECT_EQ(made.run.state, random.state());
    EXPECT_EQ(made.run.draws, draws);
  }
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

TEST(PathCreationKernelsTest, EveryBuildMakesTheScalarBuildsMembers) {
  for (const InitialisationCase& c : kInitialisationCases) {
    std::vector<std::uint16_t> codeOf(c.n);
    for (std::uint32_t city = 0; city < c.n; ++city) codeOf[city] = static_cast<std::uint16_t>(city * 3 % 65536);
    for (std::uint32_t start : {4321u, 0xFFFFFFFFu}) {
      const Made want = make(PathCreationKernels::scalar, start, codeOf, c.members, c.drawLimit);
      for (const PathCreationKernels* k : kernelBuilds<PathCreationKernels>()) {
        const Made got = make(*k, start, codeOf, c.members, c.drawLimit);
        const std::string where = std::string(k->name) + " n=" + std::to_string(c.n) + " start=" +
                                  std::to_string(start) + " limit=" + std::to_string(c.drawLimit);
        ASSERT_EQ(got.run.members, want.run.members) << where;
        EXPECT_EQ(got.run.state, want.run.state) << where;
        EXPECT_EQ(got.run.draws, want.run.draws) << where;
        ASSERT_EQ(got.genes, want.genes) << where;
        ASSERT_EQ(got.ends, want.ends) << where;
      }
    }
  }
}

}  // namespace
}  // namespace wendra
