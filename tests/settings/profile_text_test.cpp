// The settings text itself: lenient reading, exact writing that keeps the
// rest, the quoting rule and the integer grammar.

#include "profile_text.h"

#include "ini_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace wendra {
namespace {

const QString kFile = QStringLiteral(".\\wendra.ini");
const QString kSection = QStringLiteral("first");

std::optional<std::string> lookup(const char* text, const char* section, const char* key) {
  const auto value = findProfileValue(QByteArray(text), QString::fromUtf8(section),
                                      QString::fromUtf8(key));
  if (!value) return std::nullopt;
  return value->toStdString();
}

struct ReadCase {
  const char* what;
  const char* text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

struct WriteCase {
  const char* what;
  const char* before;
  const char* key;
  const char* value;
  const char* after;
};

}  // namespace

TEST(ProfileTextTest, ReadsLeniently) {
  const ReadCase cases[] = {
      {"plain", "[first]\nA=1\nB=2\n", "first", "B", "2"},
      {"section and key ignore case", "[FIRST]\npopedit_value=5\n", "First", "PopEdit_Value", "5"},
      {"blanks around names and values", "  [ first ]  \n  A \t=  x y  \n", "first", "A", "x y"},
      {"CRLF lines", "[first]\r\nA=1\r\nB=2\r\n", "first", "A", "1"},
      {"last line without line end", "[first]\nA=1\nB=2", "first", "B", "2"},
      {"empty value", "[first]\nA=\n", "first", "A", ""},
      {"value holding = and ;", "[first]\nA=b=c ; d\n", "first", "A", "b=c ; d"},
      {"comment is no key", "[first]\n;A=1\n", "first", "A", std::nullopt},
      {"indented comment", "[first]\n  ; A=1\nA=2\n", "first", "A", "2"},
      {"line without = is no key", "[first]\nA\nA=3\n", "first", "A", "3"},
      {"key before any section", "A=1\n[first]\nB=2\n", "first", "A", std::nullopt},
      {"key of another section", "[first]\nA=1\n[second]\nB=2\n", "first", "B", std::nullopt},
      {"missing section", "[second]\nA=1\n", "first", "A", std::nullopt},
      {"first of two keys wins", "[first]\nA=1\nA=2\n", "first", "A", "1"},
      {"repeated section reads as one", "[first]\nA=1\n[other]\nB=2\n[first]\nB=3\n", "first", "B",
       "3"},
      {"first part of a repeated section wins", "[first]\nA=1\n[first]\nA=2\n", "first", "A", "1"},
      {"text after ] ignored", "[first] old\nA=1\n", "first", "A", "1"},
      {"[ without ] is no header", "[first\nA=1\n", "first", "A", std::nullopt},
      {"byte-order mark", "\xEF\xBB\xBF[first]\nA=1\n", "first", "A", "1"},
      {"double quotes removed", "[first]\nA=\"x y\"\n", "first", "A", "x y"},
      {"single quotes removed", "[first]\nA='x'\n", "first", "A", "x"},
      {"only one pair removed", "[first]\nA=\"\"x\"\"\n", "first", "A", "\"x\""},
      {"mismatched quotes kept", "[first]\nA=\"x'\n", "first", "A", "\"x'"},
      {"lone quote kept", "[first]\nA=\"\n", "first", "A", "\""},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(lookup(c.text, c.section, c.key), c.expected) << c.what;
  }
}

TEST(ProfileTextTest, WritesExactlyAndKeepsTheRest) {
  const WriteCase cases[] = {
      {"new file", "", "FormVersion", "0", "[first]\nFormVersion=0\n"},
      {"key replaced in place",
       "; settings\n[first]\nA=1\nB=2\n\n[other]\nB=9\n",
       "A", "7",
       "; settings\n[first]\nA=7\nB=2\n\n[other]\nB=9\n"},
      {"new key after the section's last line, before the blank line",
       "[first]\nA=1\n\n[other]\nB=9\n",
       "C", "3",
       "[first]\nA=1\nC=3\n\n[other]\nB=9\n"},
      {"new key in the last section", "[other]\nB=9\n[first]\nA=1\n", "C", "3",
       "[other]\nB=9\n[first]\nA=1\nC=3\n"},
      {"new key after a section without keys", "[first]\n[other]\n", "A", "1",
       "[first]\nA=1\n[other]\n"},
      {"new section at the end", "[other]\nB=9\n", "A", "1", "[other]\nB=9\n[first]\nA=1\n"},
      {"new section after a last line without line end", "[other]\nB=9", "A", "1",
       "[other]\nB=9\n[first]\nA=1\n"},
      {"new key after a last line without line end", "[first]\nA=1", "B", "2",
       "[first]\nA=1\nB=2\n"},
      {"replacing keeps a missing line end missing", "[first]\nA=1", "A", "2", "[first]\nA=2"},
      {"CRLF file keeps CRLF", "[first]\r\nA=1\r\n\r\n[other]\r\nB=9\r\n", "C", "3",
       "[first]\r\nA=1\r\nC=3\r\n\r\n[other]\r\nB=9\r\n"},
      {"CRLF line replaced keeps its CRLF", "[first]\r\nA=1\r\nB=2\r\n", "A", "5",
       "[first]\r\nA=5\r\nB=2\r\n"},
      {"name written as given, blanks dropped", "[FIRST]\n  popedit_value = 5  \nX=1\n",
       "PopEdit_Value", "7", "[FIRST]\nPopEdit_Value=7\nX=1\n"},
      {"only the first of two keys", "[first]\nA=1\nA=2\n", "A", "3", "[first]\nA=3\nA=2\n"},
      {"key in a repeated section replaced where it is read",
       "[first]\nA=1\n[other]\n[first]\nB=2\n", "B", "5",
       "[first]\nA=1\n[other]\n[first]\nB=5\n"},
      {"comments and stray lines kept", "[first]\n;c\nstray\nA=1\n", "B", "2",
       "[first]\n;c\nstray\nA=1\nB=2\n"},
      {"same key in another section untouched", "[other]\nA=1\n[first]\n", "A", "2",
       "[other]\nA=1\n[first]\nA=2\n"},
  };
  for (const WriteCase& c : cases) {
    EXPECT_EQ(setProfileValue(QByteArray(c.before), kSection, QString::fromUtf8(c.key),
                              QByteArray(c.value))
                  .toStdString(),
              std::string(c.after))
        << c.what;
  }
}

TEST(ProfileTextTest, QuotingRuleMakesEveryValueReadBackAsWritten) {
  const char* values[] = {"\"x\"", "'x'", "\"", "'", "\"x'", "x\"", "\"\"", "plain", ""};
  const char* written[] = {"\"\"x\"\"", "\"'x'\"", "\"\"\"", "\"'\"", "\"x'", "x\"", "\"\"\"\"",
                           "plain", ""};
  for (std::size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(quoteProfileValue(QByteArray(values[i])).toStdString(), written[i]) << values[i];
    MemoryFileSystem files;
    IniFile ini(files, kFile);
    ini.writeString(kSection, QStringLiteral("A"), QString::fromUtf8(values[i]));
    EXPECT_EQ(ini.readString(kSection, QStringLiteral("A"), QStringLiteral("default")),
              QString::fromUtf8(values[i]));
  }
}

TEST(ProfileIntegerTest, DecimalAndHexadecimal) {
  struct Case {
    const char* text;
    int expected;
  } const cases[] = {
      {"0", 0},           {"42", 42},       {"-12", -12},        {"+7", 7},
      {"  42", 42},       {"\t3", 3},       {"$1F", 31},         {"x1f", 31},
      {"X1F", 31},        {"0x3", 3},       {"0X3", 3},          {"0x0", 0},
      {"007", 7},         {"2147483647", 2147483647},            {"-2147483648", -2147483647 - 1},
      {"$7FFFFFFF", 2147483647},            {"$FFFFFFFF", -1},   {"0x80000000", -2147483647 - 1},
      {"abc", -99},       {"", -99},        {"  ", -99},         {"12abc", -99},
      {"1.5", -99},       {"1 2", -99},     {"-", -99},          {"+", -99},
      {"0x", -99},        {"$", -99},       {"x", -99},          {"-0x3", -99},
      {"$-3", -99},       {"0xG", -99},     {"2147483648", -99}, {"-2147483649", -99},
      {"$100000000", -99}, {"99999999999999999999", -99},        {"٣", -99},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseProfileInteger(QString::fromUtf8(c.text), -99), c.expected) << c.text;
  }
}

}  // namespace wendra
