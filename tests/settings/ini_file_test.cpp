// The INI layer: lenient reading, exact writing, integers, the text limit,
// the quoting rule, and the disk's crash-safe and permission-checked writes.

#include "ini_file.h"
#include "profile_text.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

struct WriteCase {
  const char* what;
  const char* before;
  const char* key;
  const char* value;
  const char* after;
};

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

TEST(IniFileTest, NamesBeginningWithUFEFFReadBackAsWritten) {
  // U+FEFF is an ordinary character inside a file; only the file's first
  // bytes can be its byte-order mark.
  const QString mark(QChar(0xFEFF));
  MemoryFileSystem files;
  files.files[kFile] = "[first]\nA=1\n";
  IniFile ini(files, kFile);
  ini.writeString(kSection, mark + " key", "2");
  ini.writeString(mark + "section", "B", "3");
  ini.writeString(kSection, "A", "4");
  EXPECT_EQ(ini.readString(kSection, mark + " key", "absent"), "2");
  EXPECT_EQ(ini.readString(kSection, " key", "absent"), "absent");
  EXPECT_EQ(ini.readString(mark + "section", "B", "absent"), "3");
  EXPECT_EQ(ini.readString("section", "B", "absent"), "absent");
  EXPECT_EQ(ini.readString(kSection, "A", "absent"), "4");
  // A name with two marks is another name than one with one mark.
  files.files[kFile] = "[first]\n\xEF\xBB\xBF\xEF\xBB\xBF k=5\n";
  EXPECT_EQ(ini.readString(kSection, mark + " k", "absent"), "absent");
  EXPECT_EQ(ini.readString(kSection, mark + mark + " k", "absent"), "5");
  // The file's own mark still opens it.
  files.files[kFile] = "\xEF\xBB\xBF[first]\nA=6\n";
  EXPECT_EQ(ini.readString(kSection, "A", "absent"), "6");
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

TEST(IniFileTest, ReadsDefaultsWhenFileSectionOrKeyIsAbsent) {
  MemoryFileSystem files;
  IniFile ini(files, kFile);
  EXPECT_EQ(ini.readString(kSection, "A", "dflt"), "dflt");
  EXPECT_EQ(ini.readInteger(kSection, "A", 5), 5);
  files.files[kFile] = "[other]\nA=1\n[first]\nB=\nC=abc\nD=0x10\n";
  EXPECT_EQ(ini.readString(kSection, "A", "dflt"), "dflt");
  EXPECT_EQ(ini.readInteger(kSection, "A", 5), 5);
  EXPECT_EQ(ini.readString(kSection, "B", "dflt"), "");  // present, empty
  EXPECT_EQ(ini.readInteger(kSection, "B", 5), 5);
  EXPECT_EQ(ini.readInteger(kSection, "C", 5), 5);
  EXPECT_EQ(ini.readInteger(kSection, "d", 5), 16);
}

TEST(IniFileTest, TextsAreCutTo2047Characters) {
  MemoryFileSystem files;
  IniFile ini(files, kFile);
  const QString exact(2047, u'a');
  const QString longer = exact + u'b';
  files.files[kFile] = "[first]\nA=" + longer.toUtf8() + "\nB=" + exact.toUtf8() + "\n";
  EXPECT_EQ(ini.readString(kSection, "A", ""), exact);
  EXPECT_EQ(ini.readString(kSection, "B", ""), exact);
  EXPECT_EQ(ini.readString(kSection, "C", longer), exact);
  // Multi-byte text counts characters, not bytes.
  const QString umlauts(3000, u'ä');
  files.files[kFile] = "[first]\nA=" + umlauts.toUtf8() + "\n";
  EXPECT_EQ(ini.readString(kSection, "A", ""), QString(2047, u'ä'));
}

TEST(IniFileTest, WritesIntegersFlagsAndTexts) {
  MemoryFileSystem files;
  IniFile ini(files, kFile);
  ini.writeInteger(kSection, "FormVersion", 0);
  ini.writeInteger(kSection, "Flags", -4);
  ini.writeBool(kSection, "Visible", false);
  ini.writeBool(kSection, "Shown", true);
  ini.writeString(kSection, "NormPos", "238,106,951,653");
  ini.writeInteger(kSection, "flags", 2147483647);
  EXPECT_EQ(files.files[kFile].toStdString(),
            "[first]\nFormVersion=0\nflags=2147483647\nVisible=0\nShown=1\n"
            "NormPos=238,106,951,653\n");
}

TEST(IniFileTest, FailedWriteThrowsAndLeavesTheFile) {
  FailingFileSystem files(0);
  files.files[kFile] = "[first]\nA=1\n";
  IniFile ini(files, kFile);
  try {
    ini.writeString(kSection, "A", "2");
    FAIL() << "no error";
  } catch (const IniWriteError& error) {
    EXPECT_STREQ(error.what(), "Unable to write to .\\wendra.ini");
    EXPECT_EQ(error.message(), QStringLiteral("Unable to write to .\\wendra.ini"));
  }
  EXPECT_THROW(ini.writeInteger(kSection, "B", 1), IniWriteError);
  EXPECT_THROW(ini.writeBool(kSection, "B", true), IniWriteError);
  EXPECT_EQ(files.files[kFile], "[first]\nA=1\n");
}

// An existing file that cannot be read must not be replaced by one holding
// only the written key.
class UnreadableFileSystem : public MemoryFileSystem {
 public:
  std::optional<QByteArray> read(const QString&) override { return std::nullopt; }
};

TEST(IniFileTest, UnreadableFileIsNotOverwritten) {
  UnreadableFileSystem files;
  files.files[kFile] = "[first]\nA=1\n[other]\nB=2\n";
  IniFile ini(files, kFile);
  EXPECT_THROW(ini.writeString(kSection, "A", "2"), IniWriteError);
  EXPECT_EQ(files.files[kFile], "[first]\nA=1\n[other]\nB=2\n");
}

// The disk, in a temporary folder that is the working directory.
class DiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    previous_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  }
  void TearDown() override {
    QDir::setCurrent(previous_);
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0700);
  }
  static QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  static void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  static mode_t mode(const QString& path) {
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
  }

  QTemporaryDir dir_;
  QString previous_;
  DiskFileSystem disk_;
};

TEST_F(DiskTest, BackslashNameIsTheFileInTheWorkingDirectory) {
  EXPECT_EQ(DiskFileSystem::localPath(kFile), "./wendra.ini");
  IniFile ini(disk_, kFile);
  EXPECT_EQ(ini.readString(kSection, "A", "none"), "none");
  ini.writeString(kSection, "A", "1");
  EXPECT_EQ(contents(dir_.filePath("wendra.ini")), "[first]\nA=1\n");
  EXPECT_FALSE(QFile::exists(dir_.filePath(".\\wendra.ini")));
  put("wendra.ini", "[First]\r\nA=5\r\n");
  EXPECT_EQ(ini.readString(kSection, "a", ""), "5");
  ini.writeString(kSection, "B", "6");
  EXPECT_EQ(contents("wendra.ini"), "[First]\r\nA=5\r\nB=6\r\n");
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"wendra.ini"});
}

TEST_F(DiskTest, KeepsPermissionBits) {
  put("wendra.ini", "[first]\nA=1\n");
  ::chmod("wendra.ini", 0640);
  IniFile ini(disk_, kFile);
  ini.writeString(kSection, "A", "2");
  EXPECT_EQ(contents("wendra.ini"), "[first]\nA=2\n");
  EXPECT_EQ(mode("wendra.ini"), 0640u);
}

TEST_F(DiskTest, ReadOnlyFileFailsAndStaysUnchanged) {
  put("wendra.ini", "[first]\nA=1\n");
  ::chmod("wendra.ini", 0444);  // held back also when the tests run as root
  IniFile ini(disk_, kFile);
  EXPECT_EQ(ini.readString(kSection, "A", ""), "1");
  EXPECT_THROW(ini.writeString(kSection, "A", "2"), IniWriteError);
  EXPECT_EQ(contents("wendra.ini"), "[first]\nA=1\n");
  EXPECT_EQ(mode("wendra.ini"), 0444u);
}

TEST_F(DiskTest, FolderThatCannotBeWrittenFails) {
  put("wendra.ini", "[first]\nA=1\n");
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0555);
  IniFile ini(disk_, kFile);
  EXPECT_THROW(ini.writeString(kSection, "A", "2"), IniWriteError);
  EXPECT_EQ(contents("wendra.ini"), "[first]\nA=1\n");
}

TEST_F(DiskTest, NewFileInFolderThatCannotBeWrittenFails) {
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0555);
  IniFile ini(disk_, kFile);
  EXPECT_THROW(ini.writeString(kSection, "A", "2"), IniWriteError);
  EXPECT_FALSE(QFile::exists("wendra.ini"));
}

TEST_F(DiskTest, FolderInPlaceOfTheFileFails) {
  ASSERT_TRUE(QDir().mkdir("wendra.ini"));
  IniFile ini(disk_, kFile);
  EXPECT_EQ(ini.readString(kSection, "A", "none"), "none");
  EXPECT_THROW(ini.writeString(kSection, "A", "2"), IniWriteError);
  EXPECT_TRUE(QFileInfo("wendra.ini").isDir());
}

}  // namespace
}  // namespace wendra
