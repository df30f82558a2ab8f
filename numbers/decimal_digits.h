#pragma once
// A finite value as its decimal digits, the one digit rounding behind every
// number format (number_format.h, stored_number.h). Covered by
// tests/numbers/number_format_test.cpp and stored_number_test.cpp.
//
// Tested by tests/numbers/number_format_test.cpp (through every format that rounds digits).

#include <string>

namespace wendra {

// +-0.d1d2...dn x 10^exponent with d1 != 0 and no trailing zero digits; zero
// has no digits.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;

  bool isZero() const { return digits.empty(); }
  // The digit of weight 10^power ('0' outside the digits).
  char digitAt(int power) const;
};

// The first `significant` digits of a finite value, correctly rounded (ties
// to even on the exact binary value), independent of the C locale.
// REQUIRES: 1 <= significant <= 40.
DecimalDigits decimalDigits(long double value, int significant);

// Keeps `keep` leading digits, rounding half away from zero on the digits
// that are there (no look beyond them); none when keep < 0. May carry into a
// new leading digit.
void roundToDigits(DecimalDigits& d, int keep);

}  // namespace wendra
