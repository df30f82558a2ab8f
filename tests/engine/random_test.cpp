// The random stream's published first values and the operations' ranges.
#include "random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace wendra {
namespace {

TEST(RandomTest, FirstStatesFromZero) {
  Random random;
  EXPECT_EQ(random.state(), 0u);
  EXPECT_EQ(random.advance(), 1u);
  EXPECT_EQ(random.advance(), 134775814u);
  EXPECT_EQ(random.advance(), 3698175007u);
  EXPECT_EQ(random.advance(), 870078620u);
}

TEST(RandomTest, FirstIntegersBelow100) {
  Random random;
  EXPECT_EQ(random.below(100), 0u);
  EXPECT_EQ(random.below(100), 3u);
  EXPECT_EQ(random.below(100), 86u);
  EXPECT_EQ(random.below(100), 20u);
}

TEST(RandomTest, FirstDrawIsTheSmallestStep) {
  Random a;
  EXPECT_EQ(a.uniform(), std::ldexp(1.0, -32));
  for (std::uint32_t n : {1u, 2u, 100u, 10000u, 4294967295u}) {
    Random b;
    EXPECT_EQ(b.below(n), 0u) << n;
  }
}

TEST(RandomTest, BelowOneIsZeroButAdvances) {
  Random random;
  for (int i = 0; i < 5; ++i) {
    const std::uint32_t before = random.state();
    EXPECT_EQ(random.below(1), 0u);
    EXPECT_NE(random.state(), before);
  }
}

TEST(RandomTest, OperationsAreTheStateScaled) {
  Random random;
  random.setState(0xFFFFFFFEu);
  // The next state is 0xFFFFFFFE * 134775813 + 1 mod 2^32.
  const std::uint32_t next = 0xFFFFFFFEu * Random::kMultiplier + 1u;
  Random copy = random;
  EXPECT_EQ(copy.uniform(), next * std::ldexp(1.0, -32));
  copy = random;
  EXPECT_EQ(copy.below(1000), static_cast<std::uint32_t>((1000ull * next) >> 32));
  copy = random;
  EXPECT_EQ(copy.scaled(3.5), next * std::ldexp(1.0, -32) * 3.5);
}

TEST(RandomTest, ChanceAtTheEdges) {
  Random random;
  int never = 0, always = 0;
  for (int i = 0; i < 1000; ++i) {
    never += random.chance(0.0) + random.chance(-1.0);
    always += random.chance(1.0) + random.chance(2.0);
  }
  EXPECT_EQ(never, 0);
  EXPECT_EQ(always, 2000);
  EXPECT_EQ(random.state(), [] {
    Random r;
    for (int i = 0; i < 4000; ++i) r.advance();
    return r.state();
  }());
}

}  // namespace
}  // namespace wendra
