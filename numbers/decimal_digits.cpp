#include "decimal_digits.h"

#include <charconv>
#include <cmath>

namespace wendra {

namespace {

void dropTrailingZeros(DecimalDigits& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

}  // namespace

char DecimalDigits::digitAt(int power) const {
  const long index = static_cast<long>(exponent) - 1 - power;
  if (index < 0 || index >= static_cast<long>(digits.size())) return '0';
  return digits[static_cast<size_t>(index)];
}

DecimalDigits decimalDigits(long double value, int significant) {
  DecimalDigits d;
  d.negative = std::signbit(value);
  if (value == 0) {
    d.negative = false;
    return d;
  }
  char buffer[96];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::scientific, significant - 1);
  const char* p = buffer;
  if (*p == '-') ++p;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
  }
  int exponent10 = 0;
  std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent10);
  d.exponent = exponent10 + 1;
  dropTrailingZeros(d);
  return d;
}

void roundToDigits(DecimalDigits& d, int keep) {
  if (d.isZero() || keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exponent;
    }
  }
  dropTrailingZeros(d);
}

}  // namespace wendra
