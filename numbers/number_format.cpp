#include "number_format.h"

#include "decimal_digits.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include <locale.h>

namespace wendra {

namespace {

constexpr int kExpansionDigits = 18;
constexpr int kSignificantDigits = 15;
constexpr int kLabelDecimals = 3;

QString nonFinite(long double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString generalFromDigits(const DecimalDigits& d, QChar separator) {
  if (d.isZero()) return QStringLiteral("0");
  QString out;
  if (d.negative) out += u'-';
  const int count = static_cast<int>(d.digits.size());
  const int e = d.exponent;
  if (e >= -3 && e <= kSignificantDigits) {
    if (e <= 0) {
      out += u'0';
      out += separator;
      out += QString(-e, u'0');
      out += QString::fromLatin1(d.digits.data(), count);
    } else {
      for (int i = 0; i < e; ++i) out += QChar::fromLatin1(i < count ? d.digits[i] : '0');
      if (count > e) {
        out += separator;
        out += QString::fromLatin1(d.digits.data() + e, count - e);
      }
    }
    return out;
  }
  out += QChar::fromLatin1(d.digits[0]);
  if (count > 1) {
    out += separator;
    out += QString::fromLatin1(d.digits.data() + 1, count - 1);
  }
  out += u'E';
  out += QString::number(e - 1);
  return out;
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

int hexDigitValue(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return -1;
}

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

QString formatInteger(std::int64_t value) { return QString::number(value); }

QString formatWholeNumber(long double value) {
  if (!std::isfinite(value)) return nonFinite(value);
  constexpr long double kInt64Limit = 9223372036854775808.0L;  // 2^63
  if (std::fabs(value) < kInt64Limit) return formatInteger(static_cast<std::int64_t>(value));
  // At most 4933 digits for the largest extended value.
  std::string buffer(5000, '\0');
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, 0);
  return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

QString formatGeneral(long double value, QChar decimalSeparator) {
  if (!std::isfinite(value)) return nonFinite(value);
  DecimalDigits d = decimalDigits(value, kExpansionDigits);
  roundToDigits(d, kSignificantDigits);
  return generalFromDigits(d, decimalSeparator);
}

QString formatFixed(long double value, int digits, QChar decimalSeparator) {
  if (!std::isfinite(value)) return nonFinite(value);
  if (digits < 0) digits = 0;
  DecimalDigits d = decimalDigits(value, kExpansionDigits);
  // Keep the digits down to the d-th place after the separator, and never
  // more than 15. The sum cannot overflow: |exponent| < 5000.
  const long wanted = static_cast<long>(d.exponent) + digits;
  roundToDigits(d, static_cast<int>(std::min<long>(kSignificantDigits, wanted)));
  if (d.exponent > kSignificantDigits && !d.isZero()) return formatGeneral(value, decimalSeparator);

  QString out;
  if (d.negative && !d.isZero()) out += u'-';
  if (d.isZero() || d.exponent <= 0) {
    out += u'0';
  } else {
    for (int power = d.exponent - 1; power >= 0; --power) out += QChar::fromLatin1(d.digitAt(power));
  }
  if (digits > 0) {
    out += decimalSeparator;
    for (int place = 1; place <= digits; ++place) out += QChar::fromLatin1(d.digitAt(-place));
  }
  return out;
}

QString formatLabel(double value, const NumberSeparators& separators) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");

  // 15 significant digits, then the digits down to 10^-3, halves away from
  // zero.
  DecimalDigits d = decimalDigits(value, kSignificantDigits);
  roundToDigits(d, d.exponent + kLabelDecimals);
  std::string integer;
  for (int power = d.exponent - 1; power >= 0; --power) integer += d.digitAt(power);
  if (integer.empty()) integer.push_back('0');
  std::string fraction;
  for (int place = 1; place <= kLabelDecimals; ++place) fraction += d.digitAt(-place);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();

  QString text;
  if (value < 0 && !d.isZero()) text += QLatin1Char('-');
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0 && !separators.thousands.isNull())
      text += separators.thousands;
    text += QLatin1Char(integer[i]);
  }
  if (!fraction.empty()) {
    text += separators.decimal;
    text += QLatin1String(fraction.c_str());
  }
  return text;
}

namespace {

qsizetype skipSpaces(QStringView text, qsizetype i) {
  while (i < text.size() && text[i] == u' ') ++i;
  return i;
}

// An optional sign at i; true for a minus.
bool readSign(QStringView text, qsizetype& i) {
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) return text[i++] == u'-';
  return false;
}

// The digits before the exponent: their significant ones and the power of
// ten of the first of them, so that a long run of zeros costs nothing.
struct Mantissa {
  std::string significant;
  long long pointShift = 0;  // digits before the separator, minus leading zeros skipped after it
};

// Decimal digits with at most one separator among them, from i; nothing
// when there is neither a digit nor the separator.
std::optional<Mantissa> readMantissa(QStringView text, qsizetype& i, QChar separator) {
  Mantissa m;
  bool any = false;
  bool seenSeparator = false;
  for (; i < text.size(); ++i) {
    const QChar c = text[i];
    if (isAsciiDigit(c)) {
      any = true;
      if (m.significant.empty() && c == u'0') {
        if (seenSeparator) --m.pointShift;
        continue;
      }
      m.significant.push_back(static_cast<char>(c.unicode()));
      if (!seenSeparator) ++m.pointShift;
    } else if (c == separator && !seenSeparator) {
      any = true;
      seenSeparator = true;
    } else {
      break;
    }
  }
  if (!any) return std::nullopt;
  return m;
}

// "E" or "e", an optional sign and any number of digits (none meaning 0),
// from i; 0 when there is no "E". Saturated, since a magnitude beyond a few
// thousand decides the outcome anyway.
long long readExponent(QStringView text, qsizetype& i) {
  if (i >= text.size() || (text[i] != u'E' && text[i] != u'e')) return 0;
  ++i;
  const bool negative = readSign(text, i);
  constexpr long long kSaturated = 1'000'000'000'000LL;
  long long exponent = 0;
  for (; i < text.size() && isAsciiDigit(text[i]); ++i) {
    if (exponent < kSaturated) exponent = exponent * 10 + (text[i].unicode() - u'0');
  }
  return negative ? -exponent : exponent;
}

// The nearest long double to 0.significant x 10^(pointShift + exponent);
// nothing when it overflows.
std::optional<long double> magnitudeOf(Mantissa m, long long exponent) {
  while (!m.significant.empty() && m.significant.back() == '0') m.significant.pop_back();
  if (m.significant.empty()) return 0.0L;
  const long long scale = m.pointShift + exponent;
  if (scale > 5000) return std::nullopt;  // far beyond the largest extended value
  if (scale < -5000) return 0.0L;         // far below the smallest one

  std::string canonical = "0.";
  canonical += m.significant;
  canonical += 'e';
  canonical += std::to_string(scale);
  const long double magnitude = strtold_l(canonical.c_str(), nullptr, cLocale());
  if (std::isinf(magnitude)) return std::nullopt;
  return magnitude;
}

}  // namespace

std::optional<long double> readReal(QStringView text, QChar decimalSeparator) {
  qsizetype i = skipSpaces(text, 0);
  const bool negative = readSign(text, i);
  const std::optional<Mantissa> mantissa = readMantissa(text, i, decimalSeparator);
  if (!mantissa) return std::nullopt;
  const long long exponent = readExponent(text, i);
  if (skipSpaces(text, i) != text.size()) return std::nullopt;
  const std::optional<long double> magnitude = magnitudeOf(*mantissa, exponent);
  if (!magnitude) return std::nullopt;
  return negative ? -*magnitude : *magnitude;
}

std::optional<std::int32_t> readInteger32(QStringView text, IntegerRules rules) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n && (text[i] == u' ' || (rules.tabIsBlank && text[i] == u'\t'))) ++i;

  // Hexadecimal, only without a sign.
  qsizetype hexStart = -1;
  if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hexStart = i + 1;
  } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hexStart = i + 2;
  }
  if (hexStart >= 0) {
    if (hexStart == n) return std::nullopt;
    const std::int64_t limit = rules.hexTakes32Bits ? 0xFFFFFFFFLL : 0x7FFFFFFFLL;
    std::int64_t value = 0;
    for (qsizetype j = hexStart; j < n; ++j) {
      const int digit = hexDigitValue(text[j]);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
      if (value > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }

  bool negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i == n) return std::nullopt;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (; i < n; ++i) {
    if (!isAsciiDigit(text[i])) return std::nullopt;
    value = value * 10 + (text[i].unicode() - u'0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t truncateToInt32(long double value) {
  if (!std::isfinite(value)) return 0;
  const long double whole = std::trunc(value);
  constexpr long double kTwoTo32 = 4294967296.0L;
  constexpr long double kTwoTo63 = 9223372036854775808.0L;
  std::uint32_t low;
  if (std::fabs(whole) < kTwoTo63) {
    low = static_cast<std::uint32_t>(static_cast<std::int64_t>(whole));
  } else {
    long double rest = std::fmod(whole, kTwoTo32);  // exact
    if (rest < 0) rest += kTwoTo32;
    low = static_cast<std::uint32_t>(rest);
  }
  return static_cast<std::int32_t>(low);
}

}  // namespace wendra
