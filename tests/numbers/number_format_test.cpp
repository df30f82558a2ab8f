// The window's number formats and the readers of its inputs. The expected
// texts follow the format rules: 15 significant digits, rounding half away
// from zero on the 18-digit decimal expansion, positional notation for
// 1E-4 <= |x| < 1E15, fixed format with exactly d decimals.

#include "number_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <regex>
#include <string>

namespace wendra {
namespace {

std::string str(const QString& s) { return s.toStdString(); }

struct GeneralCase {
  long double value;
  const char* text;
};

class GeneralFormat : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(GeneralFormat, PrintsWithPoint) {
  EXPECT_EQ(str(formatGeneral(GetParam().value, u'.')), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GeneralFormat,
    ::testing::Values(
        GeneralCase{184, "184"}, GeneralCase{198, "198"}, GeneralCase{0.5L, "0.5"},
        GeneralCase{0.0001L, "0.0001"}, GeneralCase{0.00001L, "1E-5"}, GeneralCase{1e15L, "1E15"},
        GeneralCase{999999999999999.0L, "999999999999999"},
        GeneralCase{123456789012345678.0L, "1.23456789012346E17"},
        GeneralCase{0, "0"}, GeneralCase{-0.0L, "0"}, GeneralCase{-0.25L, "-0.25"},
        GeneralCase{-184, "-184"}, GeneralCase{-0.00001L, "-1E-5"},
        GeneralCase{0.001234L, "0.001234"}, GeneralCase{1.5e-7L, "1.5E-7"},
        GeneralCase{1e100L, "1E100"}, GeneralCase{2.5e-300L, "2.5E-300"},
        GeneralCase{100.5L, "100.5"}, GeneralCase{1234567.125L, "1234567.125"},
        GeneralCase{1.0L / 3, "0.333333333333333"}, GeneralCase{2.0L / 3, "0.666666666666667"},
        GeneralCase{0.07L, "0.07"}, GeneralCase{0.1L, "0.1"},
        // Half at the 16th digit rounds away from zero.
        GeneralCase{0.1234567890123445L, "0.123456789012345"},
        GeneralCase{-0.1234567890123445L, "-0.123456789012345"},
        GeneralCase{0.12345678901234449L, "0.123456789012344"},
        // Two stages: the 18-digit form 1.00000000000000500 rounds up, although
        // the value itself lies below the half.
        GeneralCase{1.00000000000000499999L, "1.00000000000001"},
        // A carry that adds a digit and crosses into scientific notation.
        GeneralCase{999999999999999.5L, "1E15"},
        GeneralCase{0.000099999999999999999L, "0.0001"}));

TEST(GeneralFormat, UsesTheGivenSeparator) {
  EXPECT_EQ(str(formatGeneral(0.5L, u',')), "0,5");
  EXPECT_EQ(str(formatGeneral(1.5e-7L, u',')), "1,5E-7");
  EXPECT_EQ(str(formatGeneral(184, u',')), "184");
}

struct FixedCase {
  long double value;
  int digits;
  const char* text;
};

class FixedFormat : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedFormat, PrintsWithPoint) {
  EXPECT_EQ(str(formatFixed(GetParam().value, GetParam().digits, u'.')), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FixedFormat,
    ::testing::Values(
        FixedCase{0.5L, 5, "0.50000"}, FixedCase{0.07L, 5, "0.07000"}, FixedCase{-0.01L, 5, "-0.01000"},
        FixedCase{0.123456L, 5, "0.12346"}, FixedCase{1, 5, "1.00000"}, FixedCase{0, 5, "0.00000"},
        FixedCase{-0.0L, 5, "0.00000"}, FixedCase{100, 2, "100.00"}, FixedCase{-12.345L, 1, "-12.3"},
        // Rounds to zero: no sign.
        FixedCase{0.000004L, 5, "0.00000"}, FixedCase{-0.000004L, 5, "0.00000"},
        FixedCase{-0.4L, 0, "0"}, FixedCase{1e-20L, 5, "0.00000"},
        // Half away from zero at the last place.
        FixedCase{0.000005L, 5, "0.00001"}, FixedCase{-0.000005L, 5, "-0.00001"},
        FixedCase{2.5L, 0, "3"}, FixedCase{-2.5L, 0, "-3"}, FixedCase{0.5L, 0, "1"},
        FixedCase{0.005L, 2, "0.01"}, FixedCase{0.015L, 2, "0.02"},
        FixedCase{9.999995L, 5, "10.00000"},
        // Never more than 15 significant digits.
        FixedCase{123456789012.345678L, 5, "123456789012.34600"},
        FixedCase{1.0L / 3, 20, "0.33333333333333300000"},
        FixedCase{0.1L, 20, "0.10000000000000000000"},
        FixedCase{999999999999999.0L, 2, "999999999999999.00"},
        // 1E15 and above: general format.
        FixedCase{1e15L, 5, "1E15"}, FixedCase{-2e15L, 5, "-2E15"}, FixedCase{1.5e20L, 2, "1.5E20"},
        FixedCase{999999999999999.5L, 0, "1E15"}));

TEST(FixedFormat, UsesTheGivenSeparator) {
  EXPECT_EQ(str(formatFixed(0.5L, 5, u',')), "0,50000");
  EXPECT_EQ(str(formatFixed(0.07L, 5, u',')), "0,07000");
  EXPECT_EQ(str(formatFixed(-0.01L, 5, u',')), "-0,01000");
  EXPECT_EQ(str(formatFixed(3, 0, u',')), "3");
}

TEST(IntegerFormat, PlainSignedDecimal) {
  EXPECT_EQ(str(formatInteger(0)), "0");
  EXPECT_EQ(str(formatInteger(1234567)), "1234567");
  EXPECT_EQ(str(formatInteger(-5)), "-5");
  EXPECT_EQ(str(formatInteger(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
  EXPECT_EQ(str(formatWholeNumber(-3)), "-3");
  EXPECT_EQ(str(formatWholeNumber(-0.0L)), "0");
  EXPECT_EQ(str(formatWholeNumber(1e20L)), "100000000000000000000");
  EXPECT_EQ(str(formatWholeNumber(-9223372036854775808.0L)), "-9223372036854775808");
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  const struct {
    long double in, out;
  } cases[] = {{2.5L, 2},  {3.5L, 4},   {-2.5L, -2},      {-3.5L, -4}, {0.5L, 0}, {1.5L, 2},
               {2.4999L, 2}, {2.5000001L, 3}, {-0.4L, 0}, {7, 7},    {1e30L, 1e30L},
               {4503599627370496.5L, 4503599627370496.0L}};
  for (const auto& c : cases) EXPECT_EQ(roundHalfEven(c.in), c.out) << static_cast<double>(c.in);
}

TEST(TruncateToInt32, KeepsTheLowBitsOfTheTruncatedValue) {
  const struct {
    long double in;
    std::int32_t out;
  } cases[] = {{3.9L, 3},
               {-3.9L, -3},
               {2147483647.9L, 2147483647},
               {-2147483648.7L, -2147483647 - 1},
               {2147483648.0L, -2147483647 - 1},
               {4294967297.5L, 1},
               {-4294967297.0L, -1},
               {1099511627781.0L, 5},  // 2^40 + 5
               {1e30L, 0},             // a multiple of 2^36
               {-LDBL_MAX, 0},
               {std::numeric_limits<long double>::infinity(), 0},
               {std::numeric_limits<long double>::quiet_NaN(), 0}};
  for (const auto& c : cases) EXPECT_EQ(truncateToInt32(c.in), c.out) << static_cast<double>(c.in);
  // Beyond the 64-bit range, exactly representable.
  EXPECT_EQ(truncateToInt32(std::ldexp(1.0L, 63) + std::ldexp(1.0L, 32) + 7), 7);
  EXPECT_EQ(truncateToInt32(std::ldexp(1.0L, 70) + std::ldexp(1.0L, 31) + 128), -2147483647 - 1 + 128);
  EXPECT_EQ(truncateToInt32(-(std::ldexp(1.0L, 70) + 128)), -128);
}

struct RealCase {
  const char* text;
  bool readable;
  long double value;
};

class ReadReal : public ::testing::TestWithParam<RealCase> {};

TEST_P(ReadReal, PointSeparator) {
  const std::optional<long double> read = readReal(QString::fromLatin1(GetParam().text), u'.');
  ASSERT_EQ(read.has_value(), GetParam().readable) << GetParam().text;
  if (read) {
    EXPECT_EQ(*read, GetParam().value) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadReal,
    ::testing::Values(
        RealCase{"0.5", true, 0.5L}, RealCase{"  0.5  ", true, 0.5L}, RealCase{"+1", true, 1},
        RealCase{"-1.25", true, -1.25L}, RealCase{"0.07", true, 0.07L}, RealCase{"0.07000", true, 0.07L},
        RealCase{"1e3", true, 1000}, RealCase{"1E-2", true, 0.01L}, RealCase{"2.5e+1", true, 25},
        // An exponent without digits is 0.
        RealCase{"1e", true, 1}, RealCase{"1e+", true, 1}, RealCase{"1E-", true, 1},
        // The separator alone counts as the mantissa.
        RealCase{".", true, 0}, RealCase{"-.", true, 0}, RealCase{".e5", true, 0},
        RealCase{"5.", true, 5}, RealCase{".5", true, 0.5L},
        RealCase{"000000000000000000000000000001", true, 1},
        RealCase{"0.123456789012345678901234567890", true, 0.123456789012345678901234567890L},
        RealCase{"1e4932", true, 1e4932L}, RealCase{"1e-5000", true, 0},
        RealCase{"0e99999999999999999999", true, 0},
        // Unreadable.
        RealCase{"", false, 0}, RealCase{" ", false, 0}, RealCase{"-", false, 0}, RealCase{"+", false, 0},
        RealCase{"e5", false, 0}, RealCase{"1-2", false, 0}, RealCase{"1.2.3", false, 0},
        RealCase{"1e2e3", false, 0}, RealCase{"1 2", false, 0}, RealCase{"0x10", false, 0},
        RealCase{"$10", false, 0}, RealCase{"1,5", false, 0}, RealCase{"\t1", false, 0},
        RealCase{"1e1.5", false, 0}, RealCase{"--1", false, 0}, RealCase{"1e--1", false, 0},
        RealCase{"abc", false, 0},
        // Overflow.
        RealCase{"1e4933", false, 0}, RealCase{"-1e4933", false, 0},
        RealCase{"1e99999999999999999999", false, 0}));

TEST(ReadReal, LongRunsOfZeros) {
  const QString tiny = QStringLiteral("0.") + QString(1000, u'0') + QStringLiteral("1");
  EXPECT_EQ(readReal(tiny, u'.'), 1e-1001L);
  const QString big = QStringLiteral("1") + QString(4000, u'0') + QStringLiteral("e-4000");
  EXPECT_EQ(readReal(big, u'.'), 1.0L);
}

TEST(ReadReal, CommaSeparator) {
  EXPECT_EQ(readReal(u"0,5", u','), 0.5L);
  EXPECT_EQ(readReal(u"1,5e1", u','), 15.0L);
  EXPECT_EQ(readReal(u",", u','), 0.0L);
  EXPECT_FALSE(readReal(u"0.5", u','));
  EXPECT_FALSE(readReal(u"0,5,", u','));
}

struct IntegerCase {
  const char* text;
  bool readable;
  std::int32_t value;
};

class ReadInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ReadInteger, Table) {
  const std::optional<std::int32_t> read = readInteger32(QString::fromLatin1(GetParam().text));
  ASSERT_EQ(read.has_value(), GetParam().readable) << GetParam().text;
  if (read) {
    EXPECT_EQ(*read, GetParam().value) << GetParam().text;
  }
}

// The settings file's rules: the same grammar, tabs as blanks and
// hexadecimal over all 32 bits; the inputs' rules refuse both.
TEST(ReadInteger, ProfileRulesWidenBlanksAndHexadecimal) {
  EXPECT_EQ(readInteger32(u"\t 12", kProfileIntegerRules), 12);
  EXPECT_EQ(readInteger32(u"\t 12"), std::nullopt);
  EXPECT_EQ(readInteger32(u"$FFFFFFFF", kProfileIntegerRules), -1);
  EXPECT_EQ(readInteger32(u"0x80000000", kProfileIntegerRules), -2147483647 - 1);
  EXPECT_EQ(readInteger32(u"$FFFFFFFF"), std::nullopt);
  EXPECT_EQ(readInteger32(u"$100000000", kProfileIntegerRules), std::nullopt);
  EXPECT_EQ(readInteger32(u"2147483648", kProfileIntegerRules), std::nullopt);
  EXPECT_EQ(readInteger32(u"-$1", kProfileIntegerRules), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadInteger,
    ::testing::Values(
        IntegerCase{"0", true, 0}, IntegerCase{"100", true, 100}, IntegerCase{"  42", true, 42},
        IntegerCase{"+7", true, 7}, IntegerCase{"-7", true, -7}, IntegerCase{"00012", true, 12},
        IntegerCase{"2147483647", true, 2147483647}, IntegerCase{"-2147483648", true, -2147483647 - 1},
        IntegerCase{"$10", true, 16}, IntegerCase{"x1f", true, 31}, IntegerCase{"X1F", true, 31},
        IntegerCase{"0x10", true, 16}, IntegerCase{"0XaB", true, 171}, IntegerCase{"  $A", true, 10},
        IntegerCase{"0x7fffffff", true, 2147483647}, IntegerCase{"$00000000000000000001", true, 1},
        // Unreadable.
        IntegerCase{"", false, 0}, IntegerCase{"   ", false, 0}, IntegerCase{"42 ", false, 0},
        IntegerCase{"-", false, 0}, IntegerCase{"+", false, 0}, IntegerCase{"1-2", false, 0},
        IntegerCase{"1.0", false, 0}, IntegerCase{"1e3", false, 0}, IntegerCase{"- 1", false, 0},
        IntegerCase{"$", false, 0}, IntegerCase{"0x", false, 0}, IntegerCase{"x", false, 0},
        IntegerCase{"-$10", false, 0}, IntegerCase{"-0x10", false, 0}, IntegerCase{"+$10", false, 0},
        IntegerCase{"$g", false, 0}, IntegerCase{"$1 ", false, 0}, IntegerCase{"0x0x1", false, 0},
        // Outside the 32-bit range.
        IntegerCase{"2147483648", false, 0}, IntegerCase{"-2147483649", false, 0},
        IntegerCase{"99999999999999999999", false, 0}, IntegerCase{"$80000000", false, 0},
        IntegerCase{"0xFFFFFFFF", false, 0}));

// Random texts over the characters that matter: the readers agree with an
// oracle built from a regular expression and the C library.
TEST(Readers, AgreeWithAnOracleOnRandomTexts) {
  const std::regex realSyntax(R"(^ *[+-]?(?=[0-9.])[0-9]*\.?[0-9]*([eE][+-]?[0-9]*)? *$)");
  const std::regex integerSyntax(R"(^ *([+-]?[0-9]+|(\$|x|X|0x|0X)[0-9a-fA-F]+)$)");
  const std::string alphabet = "0123456789+-.eE$xXaF, ";
  std::mt19937 random(7);
  std::uniform_int_distribution<int> length(0, 12), pick(0, static_cast<int>(alphabet.size()) - 1);
  int readableReals = 0, readableIntegers = 0;
  for (int i = 0; i < 100000; ++i) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += alphabet[pick(random)];
    const QString qtext = QString::fromStdString(text);

    // The C library reads the same number once an empty exponent is dropped
    // (a mantissa without digits reads as 0 there too); too large a number
    // overflows.
    const std::optional<long double> real = readReal(qtext, u'.');
    std::smatch m;
    if (std::regex_match(text, m, realSyntax)) {
      std::string c = text;
      const size_t e = c.find_first_of("eE");
      if (e != std::string::npos && c.find_first_of("0123456789", e) == std::string::npos) c.erase(e);
      const long double expected = std::strtold(c.c_str(), nullptr);
      ASSERT_EQ(real.has_value(), !std::isinf(expected)) << text;
      if (real) {
        ++readableReals;
        EXPECT_EQ(*real, expected) << text;
      }
    } else {
      ASSERT_FALSE(real.has_value()) << text;
    }

    const std::optional<std::int32_t> integer = readInteger32(qtext);
    if (std::regex_match(text, m, integerSyntax)) {
      const std::string body = m[1].str();
      const bool hex = m[2].matched;
      const std::string digits = hex ? body.substr(m[2].length()) : body;
      __int128 value = 0;
      bool negative = false;
      for (char ch : digits) {
        if (ch == '-') negative = true;
        if (ch == '+' || ch == '-') continue;
        const int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0' : (std::tolower(ch) - 'a' + 10);
        value = std::min<__int128>(value * (hex ? 16 : 10) + d, __int128(1) << 40);
      }
      if (negative) value = -value;
      const bool inRange = value >= INT32_MIN && value <= INT32_MAX;
      ASSERT_EQ(integer.has_value(), inRange) << text;
      if (integer) {
        ++readableIntegers;
        EXPECT_EQ(*integer, static_cast<std::int32_t>(value)) << text;
      }
    } else {
      ASSERT_FALSE(integer.has_value()) << text;
    }
  }
  // The alphabet gives both readers plenty of valid texts.
  EXPECT_GT(readableReals, 1000);
  EXPECT_GT(readableIntegers, 1000);
}

// Random values: what the formats print reads back within half a unit of the
// last printed place.
TEST(Formats, ReadBackWithinHalfAUnit) {
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-30, 30);
  for (int i = 0; i < 20000; ++i) {
    const long double v = static_cast<long double>(mantissa(random)) * std::pow(10.0L, exponent(random));
    const std::optional<long double> general = readReal(formatGeneral(v, u'.'), u'.');
    ASSERT_TRUE(general);
    EXPECT_LE(std::fabs(*general - v), std::fabs(v) * 5.0000001e-15L) << static_cast<double>(v);

    if (std::fabs(v) < 1e14L) {
      const std::optional<long double> fixed = readReal(formatFixed(v, 5, u'.'), u'.');
      ASSERT_TRUE(fixed);
      const long double unit = std::max(0.5e-5L, std::fabs(v) * 5.0000001e-15L);
      EXPECT_LE(std::fabs(*fixed - v), unit * 1.0000001L) << static_cast<double>(v);
    }
  }
}

}  // namespace
}  // namespace wendra
