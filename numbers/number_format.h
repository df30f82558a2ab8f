#pragma once
// Number-to-text formats of the window and the text-reading rules of its
// numeric inputs. Plain functions without state: the decimal separator is
// always passed in (the window reads the user's from the locale and hands it
// to whoever formats or reads numbers), so every function gives the same
// answer for the same arguments.
//
// Formats:
//   formatInteger  plain signed decimal, "-" before negatives, no grouping.
//   formatGeneral  15 significant digits; positional for 1E-4 <= |x| < 1E15
//                  (after rounding), otherwise d[.ddd]E[-]n; 184 -> "184",
//                  0.00001 -> "1E-5", 1E15 -> "1E15".
//   formatFixed    exactly `digits` digits after the separator; at most 15
//                  significant digits (later ones print as 0); a rounded
//                  magnitude of 1E15 or more falls back to formatGeneral.
//
// Rounding: a value is first written as its 18 significant decimal digits
// (correctly rounded, ties to even), and those digits are then rounded half
// away from zero to the wanted length. The two stages are deliberate: a value
// whose 18-digit form ends in ...5000 rounds up even when the exact binary
// value lies a hair below the half.
//
// Infinities and NaN never come out of the readers below; if one is handed
// in anyway it prints as "INF", "-INF" or "NAN".

#include <QChar>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

#include "round_half_even.h"

namespace wendra {

QString formatInteger(std::int64_t value);

// REQUIRES: value is integral (no fractional part). Exact for every such
// long double, also beyond the 64-bit range.
QString formatWholeNumber(long double value);

QString formatGeneral(long double value, QChar decimalSeparator);

// REQUIRES: 0 <= digits (larger counts simply print more zeros).
QString formatFixed(long double value, int digits, QChar decimalSeparator);

// The user's number separators, as the window reads them from the locale.
// A null thousands separator means no grouping character. The defaults are
// what a control uses when nobody hands it the locale's.
struct NumberSeparators {
  QChar decimal = QLatin1Char('.');
  QChar thousands = QLatin1Char(',');

  friend bool operator==(const NumberSeparators&, const NumberSeparators&) = default;
};

// The chart's label format "#,##0.###": digit groups of three joined by the
// thousands separator, at least one integer digit, at most three decimals
// with trailing zeros dropped, the decimal separator only when decimals
// remain. The value is first taken to 15 significant digits (so
// 0.30000000000000004 reads 0.3), then rounded to three decimals with halves
// away from zero. A value that rounds to zero reads "0" (no minus sign).
QString formatLabel(double value, const NumberSeparators& separators);

// Reads a real: optional leading blanks (spaces), an optional sign, decimal
// digits with at most one decimalSeparator among them, optionally "E" or "e"
// with an optional sign and any number of digits (none means exponent 0),
// optional trailing blanks and nothing else. At least one digit or the
// separator must stand before the exponent, so "." reads as 0 and "E5" is
// unreadable. The result is the nearest long double; a magnitude too small
// for one reads as 0 (or a subnormal). Returns nothing when the text does not
// follow the syntax or the number overflows.
std::optional<long double> readReal(QStringView text, QChar decimalSeparator);

// The two uses of the integer grammar differ in two points: what counts as a
// blank before the number, and how far hexadecimal digits may go.
struct IntegerRules {
  bool tabIsBlank = false;      // tabs as well as spaces before the number
  bool hexTakes32Bits = false;  // "$FFFFFFFF" is -1 (two's complement)
};

// The inputs' rules, and the settings file's (profile_text.h).
inline constexpr IntegerRules kInputIntegerRules{};
inline constexpr IntegerRules kProfileIntegerRules{true, true};

// Reads a signed 32-bit integer: optional leading blanks (spaces), then either
// an optional sign and decimal digits to the end of the text, or (without
// sign) "$", "x", "X", "0x" or "0X" and hexadecimal digits to the end of the
// text. Returns nothing for an empty text, any other character, or a number
// outside -2147483648 ... 2147483647 (hexadecimal included: "$80000000" is
// out of range). `rules` may widen the blanks to tabs and let hexadecimal
// digits use all 32 bits.
std::optional<std::int32_t> readInteger32(QStringView text, IntegerRules rules = kInputIntegerRules);

// The value truncated toward zero, reduced to its low 32 bits and read as a
// signed 32-bit integer (two's complement): 4294967297.9 -> 1,
// -1.5 -> -1, 2147483648 -> -2147483648. Defined for every finite value;
// infinities and NaN give 0.
std::int32_t truncateToInt32(long double value);

}  // namespace wendra
