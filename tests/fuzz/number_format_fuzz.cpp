// Fuzzes the window's three number formats and the conversions beside them.
//
// The input picks a value (an 80-bit extended real built exactly from a
// 64-bit mantissa and a binary exponent, or the bits of a double), a
// separator and a digit count. Checked for every value:
//  - formatGeneral and formatFixed print what a model built on the C
//    library's exact printf digits prints (18 significant digits, then
//    rounded half away from zero);
//  - readReal reads both texts back; the general text gives the value to
//    15 significant digits and formats to the same text again; the fixed
//    text gives it to `digits` decimals (or 15 significant digits);
//  - formatInteger re-reads exactly, roundHalfEven is the C library's
//    round-to-nearest-even, truncateToInt32 keeps the low 32 bits of the
//    truncated value.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QString>

#include "number_format.h"

namespace {

[[noreturn]] void fail(const char* what, long double value, const QString& text,
                       const std::string& expected = std::string()) {
  std::fprintf(stderr, "%s: value %.21Lg (%La) text '%s' expected '%s'\n", what, value, value,
               text.toUtf8().constData(), expected.c_str());
  std::abort();
}

// value = 0.digits x 10^exponent; no trailing zero digit; zero has no digits.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

Decimal digits18(long double value) {
  Decimal d;
  if (value == 0) return d;
  d.negative = value < 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17Le", std::fabs(value));
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.digits += *p;
  d.exponent = std::atoi(p + 1) + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keeps `keep` digits, half away from zero on the digits present.
void keepDigits(Decimal& d, long keep) {
  if (keep >= static_cast<long>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    std::string carried = "0" + d.digits;
    std::size_t i = carried.size() - 1;
    while (carried[i] == '9') carried[i--] = '0';
    ++carried[i];
    if (carried[0] == '0')
      carried.erase(0, 1);
    else
      ++d.exponent;
    d.digits = carried;
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

std::string generalModel(long double value, char sep) {
  Decimal d = digits18(value);
  keepDigits(d, 15);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  const long n = static_cast<long>(d.digits.size());
  const long e = d.exponent;
  if (e >= -3 && e <= 15) {
    if (e <= 0) return out + "0" + sep + std::string(static_cast<std::size_t>(-e), '0') + d.digits;
    for (long i = 0; i < e; ++i) out += i < n ? d.digits[static_cast<std::size_t>(i)] : '0';
    if (n > e) out += sep + d.digits.substr(static_cast<std::size_t>(e));
    return out;
  }
  out += d.digits[0];
  if (n > 1) out += sep + d.digits.substr(1);
  return out + "E" + std::to_string(e - 1);
}

std::string fixedModel(long double value, int places, char sep) {
  Decimal d = digits18(value);
  if (!d.digits.empty()) keepDigits(d, std::min<long>(15, static_cast<long>(d.exponent) + places));
  if (!d.digits.empty() && d.exponent > 15) return generalModel(value, sep);
  auto digitAt = [&](long power) {
    const long index = d.exponent - 1 - power;
    return index >= 0 && index < static_cast<long>(d.digits.size()) ? d.digits[static_cast<std::size_t>(index)] : '0';
  };
  std::string out = d.negative && !d.digits.empty() ? "-" : "";
  if (d.digits.empty() || d.exponent <= 0)
    out += '0';
  else
    for (long power = d.exponent - 1; power >= 0; --power) out += digitAt(power);
  if (places > 0) {
    out += sep;
    for (long place = 1; place <= places; ++place) out += digitAt(-place);
  }
  return out;
}

// The weight of the 15th significant digit of |value|, half of it.
long double halfUnitOf15th(long double value) {
  const Decimal d = digits18(value);
  return 0.5L * std::pow(10.0L, static_cast<long double>(d.exponent - 15));
}

long double takeValue(const std::uint8_t*& data, std::size_t& size, bool asDouble) {
  if (asDouble) {
    double d = 0;
    std::memcpy(&d, data, std::min<std::size_t>(size, 8));
    const std::size_t used = std::min<std::size_t>(size, 8);
    data += used, size -= used;
    return std::isfinite(d) ? d : 0.0;
  }
  std::uint64_t mantissa = 0;
  std::int16_t exponent = 0;
  const std::size_t used = std::min<std::size_t>(size, 10);
  std::uint8_t bytes[10] = {};
  std::memcpy(bytes, data, used);
  data += used, size -= used;
  std::memcpy(&mantissa, bytes, 8);
  std::memcpy(&exponent, bytes + 8, 2);
  const bool negative = exponent & 1;
  // Exponents across the whole extended range, subnormals included.
  const int scale = (exponent >> 1) % 16500;
  long double value = std::ldexp(static_cast<long double>(mantissa), scale);
  if (!std::isfinite(value)) value = LDBL_MAX;
  return negative ? -value : value;
}

void checkTruncation(long double value) {
  const std::int32_t got = wendra::truncateToInt32(value);
  std::int32_t want;
  const long double whole = std::trunc(value);
  if (std::fabs(whole) >= 0x1p95L) {
    want = 0;  // a multiple of 2^32: 64 mantissa bits end above bit 31
  } else {
    const __int128 exact = static_cast<__int128>(whole);
    want = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned __int128>(exact)));
  }
  if (got != want) fail("truncateToInt32", value, QString::number(got), std::to_string(want));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t mode = *data++;
  --size;
  const char sep = mode & 1 ? ',' : '.';
  const int places = (mode >> 1) % 21;
  const long double value = takeValue(data, size, mode & 0x80);

  // General format.
  const QString general = wendra::formatGeneral(value, QChar(sep));
  const std::string generalWanted = generalModel(value, sep);
  if (general.toStdString() != generalWanted) fail("formatGeneral", value, general, generalWanted);
  const std::optional<long double> generalRead = wendra::readReal(general, QChar(sep));
  if (!generalRead) fail("formatGeneral does not read back", value, general);
  const bool normal = std::fabs(value) >= LDBL_MIN * 1e20L || value == 0;
  if (normal) {
    // 15 significant digits, rounded twice (18 digits, then 15): at most a
    // half unit of the 15th digit and one of the 18th.
    const long double bound = value == 0 ? 0 : halfUnitOf15th(value) * 1.002L;
    if (std::fabs(*generalRead - value) > bound) fail("general round trip", value, general);
    if (wendra::formatGeneral(*generalRead, QChar(sep)) != general)
      fail("general text not stable", value, general);
  }

  // Fixed format.
  const QString fixed = wendra::formatFixed(value, places, QChar(sep));
  const std::string fixedWanted = fixedModel(value, places, sep);
  if (fixed.toStdString() != fixedWanted) fail("formatFixed", value, fixed, fixedWanted);
  const std::optional<long double> fixedRead = wendra::readReal(fixed, QChar(sep));
  if (!fixedRead) fail("formatFixed does not read back", value, fixed);
  if (normal && value != 0) {
    const long double bound =
        std::max(0.5L * std::pow(10.0L, -static_cast<long double>(places)), halfUnitOf15th(value)) * 1.002L;
    if (std::fabs(*fixedRead - value) > bound) fail("fixed round trip", value, fixed);
  }

  // Integers.
  const long double rounded = wendra::roundHalfEven(value);
  if (rounded != std::nearbyint(value)) fail("roundHalfEven", value, QString::number(double(rounded)));
  if (std::fabs(rounded) < 0x1p63L) {
    const auto whole = static_cast<std::int64_t>(rounded);
    const QString text = wendra::formatWholeNumber(rounded);
    if (text != wendra::formatInteger(whole)) fail("formatWholeNumber", value, text);
    const std::optional<std::int32_t> read = wendra::readInteger32(text);
    const bool fits = whole >= INT32_MIN && whole <= INT32_MAX;
    if (fits != read.has_value() || (fits && *read != whole)) fail("formatInteger round trip", value, text);
  } else {
    char buffer[5000];
    std::snprintf(buffer, sizeof buffer, "%.0Lf", rounded);
    const QString text = wendra::formatWholeNumber(rounded);
    if (text.toStdString() != buffer) fail("formatWholeNumber", value, text, buffer);
  }
  checkTruncation(value);
  return 0;
}
