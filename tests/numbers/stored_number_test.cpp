// Input values in the settings file: the 18-digit format with "." and the
// restore's parser under either decimal separator.

#include "stored_number.h"

#include "number_format.h"

#include <gtest/gtest.h>

#include <optional>

namespace wendra {
namespace {

TEST(StoredNumberTest, FormatTable) {
  struct Case {
    long double value;
    const char* text;
  } const cases[] = {
      // The values an input holds after reading its text, e.g. "0.07000".
      {0.5L, "0.5"},
      {0.07L, "0.07"},
      {100.0L, "100"},
      {1000000.0L, "1000000"},
      {0.0001L, "0.0001"},
      {0.00001L, "1E-5"},
      {-0.25L, "-0.25"},
      {0.0L, "0"},
      {-0.0L, "0"},
      {1.0L, "1"},
      {12.5L, "12.5"},
      {0.001L, "0.001"},
      {0.00012L, "0.00012"},          // E = -3: still fixed
      {0.000012345L, "1.2345E-5"},
      {-0.00001L, "-1E-5"},
      {123456789012345678.0L, "123456789012345678"},  // E = 18: still fixed
      {1e18L, "1E18"},
      {1.5e19L, "1.5E19"},
      {1e100L, "1E100"},
      {2.0L / 3.0L, "0.666666666666666667"},  // rounded at the 18th digit
      {1.0L / 3.0L, "0.333333333333333333"},
      {0.1, "0.100000000000000006"},  // a double's 0.1 shows its binary error
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatStoredNumber(c.value).toStdString(), c.text);
  }
}

TEST(StoredNumberTest, FormatOfEverySpinTextReadsBackExactly) {
  // What the real inputs show with 5 decimals survives a save and restore.
  for (int i = -200000; i <= 200000; i += 7) {
    const long double exact = static_cast<long double>(i) / 100000.0L;
    const std::optional<long double> back = readStoredNumber(formatStoredNumber(exact), u'.');
    ASSERT_TRUE(back.has_value()) << i;
    EXPECT_EQ(*back, exact) << i;
  }
}

TEST(StoredNumberTest, ParseTable) {
  constexpr std::optional<long double> bad = std::nullopt;
  struct Case {
    const char* text;
    char16_t separator;
    std::optional<long double> expected;
  } const cases[] = {
      {"0.5", u'.', 0.5L},
      {"  0.5  ", u'.', 0.5L},
      {"0.07", u'.', 0.07L},
      {"-0.25", u'.', -0.25L},
      {"+3", u'.', 3.0L},
      {"12.5", u'.', 12.5L},
      {"1E-5", u'.', 0.00001L},
      {"1e5", u'.', 100000.0L},
      {"1.5E+2", u'.', 150.0L},
      {"1E", u'.', 1.0L},  // no exponent digits: exponent 0
      {".5", u'.', 0.5L},
      {"5.", u'.', 5.0L},
      {".", u'.', 0.0L},
      {"1E-5000", u'.', 0.0L},  // below the smallest value: zero
      {"0,5", u',', 0.5L},
      {"0,5", u'.', bad},
      {"0.5", u',', bad},  // the reader itself knows only the separator
      {"", u'.', bad},
      {"abc", u'.', bad},
      {"-", u'.', bad},
      {"E5", u'.', bad},
      {"1.2.3", u'.', bad},
      {"1 2", u'.', bad},
      {"1E5x", u'.', bad},
      {"1E5000", u'.', bad},  // too large even for a long double
      {"0x10", u'.', bad},
      {"- 1", u'.', bad},
      {"1,000.5", u'.', bad},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readReal(QString::fromUtf8(c.text), QChar(c.separator)), c.expected)
        << c.text << " with '" << static_cast<char>(c.separator) << "'";
  }
}

TEST(StoredNumberTest, RestoreReadsPointUnderACommaLocale) {
  EXPECT_EQ(readStoredNumber(u"0.07", u','), 0.07L);
  EXPECT_EQ(readStoredNumber(u"0,07", u','), 0.07L);
  EXPECT_EQ(readStoredNumber(u"0.07", u'.'), 0.07L);
  EXPECT_EQ(readStoredNumber(u"0,07", u'.'), std::nullopt);
  EXPECT_EQ(readStoredNumber(u"1.5,5", u','), std::nullopt);  // two separators
  EXPECT_EQ(readStoredNumber(u"\t 1E-5 \r", u'.'), 0.00001L);
  EXPECT_EQ(readStoredNumber(u"", u'.'), std::nullopt);
}

}  // namespace
}  // namespace wendra
