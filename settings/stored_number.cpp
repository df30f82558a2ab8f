#include "stored_number.h"

#include <charconv>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <string_view>

namespace wendra {

QString formatStoredNumber(long double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (value == 0) return QStringLiteral("0");

  // 18 significant digits, correctly rounded: "d.ddddddddddddddddde+XX".
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value,
                                 std::chars_format::scientific, 17).ptr;
  std::string_view text(buffer, end - buffer);
  const bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t e = text.find('e');
  std::string digits = std::string(1, text[0]) + std::string(text.substr(2, e - 2));
  int exponent = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                  exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  // The value is 0.d1...dn x 10^E.
  const int E = exponent + 1;
  const int n = static_cast<int>(digits.size());
  std::string out = negative ? "-" : "";
  if (E >= -3 && E <= 18) {
    if (E <= 0) {
      out += "0." + std::string(-E, '0') + digits;
    } else if (n <= E) {
      out += digits + std::string(E - n, '0');
    } else {
      out += digits.substr(0, E) + "." + digits.substr(E);
    }
  } else {
    out += digits[0];
    if (n > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(E - 1);
  }
  return QString::fromLatin1(out);
}

std::optional<long double> parseNumber(QStringView text, QChar decimalSeparator) {
  qsizetype i = 0;
  const qsizetype size = text.size();
  auto isDigit = [&](qsizetype at) { return at < size && text[at] >= u'0' && text[at] <= u'9'; };

  std::string number;  // the same number in the C library's syntax
  while (i < size && text[i] == u' ') ++i;
  if (i < size && (text[i] == u'+' || text[i] == u'-')) number += static_cast<char>(text[i++].unicode());
  bool digits = false;
  bool separator = false;
  for (; i < size; ++i) {
    if (isDigit(i)) {
      number += static_cast<char>(text[i].unicode());
      digits = true;
    } else if (text[i] == decimalSeparator && !separator) {
      number += '.';
      separator = true;
    } else {
      break;
    }
  }
  if (!digits && !separator) return std::nullopt;
  if (!digits) number += '0';  // a lone separator reads as zero
  if (i < size && (text[i] == u'E' || text[i] == u'e')) {
    ++i;
    std::string exponent = "e";
    if (i < size && (text[i] == u'+' || text[i] == u'-')) exponent += static_cast<char>(text[i++].unicode());
    bool exponentDigits = false;
    for (; isDigit(i); ++i) {
      exponent += static_cast<char>(text[i].unicode());
      exponentDigits = true;
    }
    if (exponentDigits) number += exponent;
  }
  while (i < size && text[i] == u' ') ++i;
  if (i != size) return std::nullopt;

  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
  errno = 0;
  const long double value = strtold_l(number.c_str(), nullptr, cLocale);
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;
}

std::optional<long double> readStoredNumber(QStringView text, QChar decimalSeparator) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  QString number = text.sliced(begin, end - begin).toString();
  number.replace(u'.', decimalSeparator);
  return parseNumber(number, decimalSeparator);
}

}  // namespace wendra
