#pragma once
// A plain model of the real number syntax the inputs and the settings file
// read, for the fuzz targets to check the readers against: written with the
// C library's reader, independently of the program's grammar.

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <optional>
#include <string>

inline locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

inline bool digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The real syntax: blanks, sign, digits with at most one separator (at
// least one of them), E with optional sign and any digits, blanks.
inline std::optional<long double> realModel(const std::u16string& t, char16_t sep) {
  std::size_t i = 0;
  const std::size_t n = t.size();
  while (i < n && t[i] == u' ') ++i;
  std::string c;
  if (i < n && (t[i] == u'+' || t[i] == u'-')) c += static_cast<char>(t[i++]);
  std::string mantissa;
  bool separator = false;
  for (; i < n; ++i) {
    if (digit(t[i]))
      mantissa += static_cast<char>(t[i]);
    else if (t[i] == sep && !separator)
      mantissa += '.', separator = true;
    else
      break;
  }
  if (mantissa.empty()) return std::nullopt;
  c += mantissa == "." ? "0" : mantissa;
  if (i < n && (t[i] == u'E' || t[i] == u'e')) {
    ++i;
    std::string exponent = "e";
    if (i < n && (t[i] == u'+' || t[i] == u'-')) exponent += static_cast<char>(t[i++]);
    const std::size_t first = i;
    while (i < n && digit(t[i])) exponent += static_cast<char>(t[i++]);
    if (i > first) c += exponent;
  }
  while (i < n && t[i] == u' ') ++i;
  if (i != n) return std::nullopt;
  const long double value = strtold_l(c.c_str(), nullptr, cLocale());
  if (std::isinf(value)) return std::nullopt;
  return value;
}
