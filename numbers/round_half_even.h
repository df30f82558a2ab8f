#pragma once
// Rounding to the nearest integer with halves to the even neighbour, for
// doubles (the chart's pixel positions, on its redraw path) and for extended
// reals (the integer inputs' values). Plain C++. Tested by
// tests/numbers/round_half_even_test.cpp.

#include <cmath>
#include <concepts>
#include <limits>

namespace wendra {

namespace rounding {

// 2^exponent, exactly, at compile time.
template <std::floating_point Real>
constexpr Real powerOfTwo(int exponent) {
  Real power = 1;
  for (; exponent > 0; --exponent) power *= 2;
  return power;
}

}  // namespace rounding

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). Infinities and NaN are returned unchanged; a zero
// result may lose the sign of a negative value (-0.4 -> 0).
//
// REQUIRES: the default rounding mode (to nearest, ties to even).
template <std::floating_point Real>
inline Real roundHalfEven(Real value) {
  // Below 2^(digits - 2) in magnitude, value + 1.5 x 2^(digits - 1) lies
  // where the last mantissa bit is the unit: the addition itself rounds as
  // wanted, and taking the shift away again is exact. No library call, as
  // the chart maps every column's points through here.
  constexpr int kDigits = std::numeric_limits<Real>::digits;  // 53, or 64 for the x87 extended real
  constexpr Real kFastLimit = rounding::powerOfTwo<Real>(kDigits - 2);
  constexpr Real kShift = 3 * kFastLimit;
  if (std::fabs(value) < kFastLimit) return (value + kShift) - kShift;
  if (!std::isfinite(value)) return value;
  // Larger values are whole or halves; the fraction is exact.
  const Real below = std::floor(value);
  const Real fraction = value - below;
  if (fraction > Real(0.5)) return below + 1;
  if (fraction < Real(0.5)) return below;
  return std::fmod(below, Real(2)) == 0 ? below : below + 1;
}

}  // namespace wendra
