#include "round_half_even.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace wendra {
namespace {

// Halves and their neighbours on both sides of the fast range's edge
// (2^(digits - 2)) and of the first value that is always whole
// (2^(digits - 1)), as nearbyint rounds them in the default mode.
template <typename Real>
void expectNearbyintAroundTheEdges() {
  constexpr int kDigits = std::numeric_limits<Real>::digits;
  for (int exponent : {0, 1, 20, 31, kDigits - 3, kDigits - 2, kDigits - 1, kDigits}) {
    const Real base = std::ldexp(Real(1), exponent);
    for (Real v : {base, base - Real(0.5), base + Real(0.5), base - Real(1.5), base + Real(1.5),
                   std::nextafter(base + Real(0.5), Real(0)), std::nextafter(base - Real(0.5), Real(0)),
                   std::nextafter(base + Real(0.5), base + 1)}) {
      EXPECT_EQ(roundHalfEven(v), std::nearbyint(v)) << static_cast<double>(v);
      EXPECT_EQ(roundHalfEven(-v), std::nearbyint(-v)) << -static_cast<double>(v);
    }
  }
}

TEST(RoundHalfEvenTest, DoublesAndExtendedRealsAsNearbyint) {
  expectNearbyintAroundTheEdges<double>();
  expectNearbyintAroundTheEdges<long double>();
  EXPECT_EQ(roundHalfEven(2.5), 2.0);
  EXPECT_EQ(roundHalfEven(-3.5L), -4.0L);
  EXPECT_EQ(roundHalfEven(0.49999999999999994), 0.0);  // the sum with the shift is not rounded twice
}

TEST(RoundHalfEvenTest, NonFiniteValuesUnchanged) {
  constexpr long double kInf = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(roundHalfEven(kInf), kInf);
  EXPECT_EQ(roundHalfEven(-std::numeric_limits<double>::infinity()), -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(roundHalfEven(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(roundHalfEven(std::numeric_limits<long double>::quiet_NaN())));
  EXPECT_EQ(roundHalfEven(std::numeric_limits<long double>::max()), std::numeric_limits<long double>::max());
}

}  // namespace
}  // namespace wendra
