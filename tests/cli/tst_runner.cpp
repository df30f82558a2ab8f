// wendra-run with every kind of invalid argument, one row each, and with
// populations that do not fit in memory. A bad argument gives exit status
// 2, exactly one line on stderr naming the option and what it allows, and
// nothing on stdout; a population that cannot get its memory gives status 1,
// the memory message and nothing on stdout; a size that fits runs; output
// that cannot be written gives status 1 and the reason.

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <cstdint>

#include "fast_engine.h"
#include "key_layout.h"
#include "memory.h"
#include "path_layout.h"
#include "sanitizer.h"

namespace {

struct Result {
  int status = -1;
  QByteArray out;
  QByteArray err;
};

// Runs wendra-run with `args`; `shellPrefix` (e.g. a ulimit) runs first in
// a shell when given.
Result run(const QStringList& args, const QString& shellPrefix = {}) {
  QProcess process;
  if (shellPrefix.isEmpty()) {
    process.start(QStringLiteral(WENDRA_RUN_PATH), args);
  } else {
    QStringList shellArgs = {"-c", shellPrefix + "; exec \"$0\" \"$@\"", QStringLiteral(WENDRA_RUN_PATH)};
    shellArgs += args;
    process.start("sh", shellArgs);
  }
  Result result;
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    return result;  // status -1: a hang
  }
  result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
  result.out = process.readAllStandardOutput();
  result.err = process.readAllStandardError();
  return result;
}

QString integerRule(const char* option, int min, int max) {
  return QStringLiteral("%1 must be an integer from %2 to %3").arg(option).arg(min).arg(max);
}

// What a first creation of `members` on 100 x 100 takes in the runner
// (its default mutation probability, a thread per core), in MB (10^6
// bytes, rounded up), and whether it fits in the memory available now.
struct Need {
  std::uint64_t megabytes;
  bool fits;
};
template <class Layout>
Need needOf(std::int32_t members) {
  const wendra::CreationMemory need =
      wendra::FastEngine<Layout>(0).creationMemory(wendra::Grid::of(100, 100), members, 0.07);
  return {(need.fill + 999999) / 1000000, need.fill <= wendra::availableMemory()};
}

}  // namespace

class RunnerTest : public QObject {
  Q_OBJECT

 private slots:
  void badArgument_data();
  void badArgument();
  void memory_data();
  void memory();
  void unwritableOutput_data();
  void unwritableOutput();
  void threadsTheSystemRefuses();
};

void RunnerTest::badArgument_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("message");  // after "wendra-run: "

  const char* const decimal = "a finite decimal number such as 0.5";
  struct Range {
    const char* option;
    int min, max;
  };
  const Range ranges[] = {{"--width", 4, 100},       {"--height", 4, 100}, {"--population", 2, 1000000},
                          {"--generations", 0, 100000000}, {"--runs", 1, 1000}, {"--threads", 1, 1024}};
  for (const Range& r : ranges) {
    const QString rule = integerRule(r.option, r.min, r.max);
    const QString below = QString::number(qint64(r.min) - 1), above = QString::number(qint64(r.max) + 1);
    QTest::addRow("%s below range", r.option) << QStringList{r.option, below} << rule + ", not '" + below + "'";
    QTest::addRow("%s above range", r.option) << QStringList{r.option + ("=" + above)}
                                               << rule + ", not '" + above + "'";
    QTest::addRow("%s beyond 64 bits", r.option) << QStringList{r.option, "99999999999999999999"}
                                                  << rule + ", not '99999999999999999999'";
    QTest::addRow("%s missing value", r.option) << QStringList{r.option}
                                                 << QString(r.option) + " needs a value: an integer from " +
                                                        QString::number(r.min) + " to " + QString::number(r.max);
  }
  const QString width = integerRule("--width", 4, 100);
  const char* const malformed[] = {"10x", "", "+", "-", "0x10", "$10", "1e1", "10.0", " 10", "10 ", "１０", "1 0"};
  for (const char* text : malformed)
    QTest::addRow("--width '%s'", text) << QStringList{"--width", QString::fromUtf8(text)}
                                        << width + ", not '" + QString::fromUtf8(text) + "'";
  QTest::newRow("control character is shown as ?") << QStringList{"--width=1\x01\n"} << width + ", not '1?" "?'";
  QTest::newRow("--population 2.5") << QStringList{"--population", "2.5"}
                                    << integerRule("--population", 2, 1000000) + ", not '2.5'";

  const char* const badDecimals[] = {"abc", "nan", "inf", "-inf", "1e999", "-1e999", "", ".", "1,5", "0x1p3",
                                     " 0.5", "0.5 ", "1e", "e5", "--1", "0.5.5"};
  for (const char* option : {"--pcross", "--pmut"}) {
    for (const char* text : badDecimals)
      QTest::addRow("%s '%s'", option, text) << QStringList{option, text}
                                             << QString(option) + " must be " + decimal + ", not '" + text + "'";
    QTest::addRow("%s missing value", option) << QStringList{"--width", "10", option}
                                              << QString(option) + " needs a value: " + decimal;
  }

  for (const char* text : {"both", "PATH", "Key", "", "path "})
    QTest::addRow("--encoding '%s'", text) << QStringList{"--encoding=" + QString(text)}
                                           << QString("--encoding must be path or key, not '") + text + "'";
  QTest::newRow("--encoding missing value") << QStringList{"--encoding"} << "--encoding needs a value: path or key";

  for (const char* flag : {"--tour", "--help", "--version"})
    QTest::addRow("%s=1", flag) << QStringList{QString(flag) + "=1"} << QString(flag) + " takes no value";

  QTest::newRow("unknown option") << QStringList{"--nope"} << "unknown option '--nope' (see --help)";
  QTest::newRow("unknown option with value") << QStringList{"--nope=3"} << "unknown option '--nope' (see --help)";
  QTest::newRow("option in another case") << QStringList{"--Width", "10"} << "unknown option '--Width' (see --help)";
  QTest::newRow("bare --") << QStringList{"--"} << "unknown option '--' (see --help)";
  QTest::newRow("three dashes") << QStringList{"---width", "10"} << "unknown option '---width' (see --help)";
  QTest::newRow("single dash") << QStringList{"-w", "10"}
                               << "unexpected argument '-w' (options start with --; see --help)";
  QTest::newRow("positional") << QStringList{"extra"}
                              << "unexpected argument 'extra' (options start with --; see --help)";
  QTest::newRow("empty argument") << QStringList{""} << "unexpected argument '' (options start with --; see --help)";
  QTest::newRow("value without option") << QStringList{"--width", "10", "20"}
                                        << "unexpected argument '20' (options start with --; see --help)";
  QTest::newRow("first error wins") << QStringList{"--width", "3", "--height", "3"} << width + ", not '3'";
  QTest::newRow("bad after good") << QStringList{"--runs", "2", "--threads", "0"}
                                  << integerRule("--threads", 1, 1024) + ", not '0'";
  const QString longText(10000, u'7');
  QTest::newRow("10000-digit value") << QStringList{"--generations", longText}
                                     << integerRule("--generations", 0, 100000000) + ", not '" + longText + "'";
}

void RunnerTest::badArgument() {
  QFETCH(QStringList, args);
  QFETCH(QString, message);
  const Result r = run(args);
  QCOMPARE(r.status, 2);
  QCOMPARE(r.out, QByteArray());
  QCOMPARE(QString::fromUtf8(r.err), "wendra-run: " + message + "\n");
}

void RunnerTest::memory_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QString>("limit");   // a shell command run first, e.g. a ulimit
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("message");  // regular expression for stderr; empty: nothing on stderr
  QTest::addColumn<int>("rows");         // CSV lines on stdout

  const QString refused = QStringLiteral(
      "^wendra-run: Not enough memory for %1 members on a 100 x 100 grid: %2 MB needed, [0-9]+ MB available\n$");
  // Some 20 GB for random keys with P = 1000000, 42 GB for paths: refused
  // where they do not fit, under an address-space limit of 4 GB anywhere
  // (AddressSanitizer cannot run under such a limit).
  const Need keys = needOf<wendra::KeyLayout>(1000000), paths = needOf<wendra::PathLayout>(1000000);
  const QStringList largestKeys = {"--width", "100", "--height", "100", "--population", "1000000"};
  const QStringList largestPaths = QStringList{"--encoding", "path"} + largestKeys;
  if (!paths.fits)
    QTest::newRow("largest path population") << largestPaths << QString() << 1
                                             << refused.arg(1000000).arg(paths.megabytes) << 0;
  if (!keys.fits)
    QTest::newRow("largest random-key population")
        << largestKeys << QString() << 1 << refused.arg(1000000).arg(keys.megabytes) << 0;
  if (!kAddressSanitizer) {
    QTest::newRow("largest random-key population, 4 GB of address space")
        << largestKeys << QStringLiteral("ulimit -v 4000000") << 1 << refused.arg(1000000).arg(keys.megabytes)
        << 0;
    QTest::newRow("refused at the first of several runs")
        << largestKeys + QStringList{"--runs", "3"} << QStringLiteral("ulimit -v 4000000") << 1
        << refused.arg(1000000).arg(keys.megabytes) << 0;
  }
  // 2 MB: created, its header and one row.
  QTest::newRow("a size that fits")
      << QStringList{"--width", "100", "--height", "100", "--population", "100", "--generations", "0"}
      << QString() << 0 << QString() << 2;
  QTest::newRow("largest population on the smallest grid")
      << QStringList{"--width", "4", "--height", "4", "--population", "1000000", "--generations", "0"}
      << QString() << 0 << QString() << 2;
  // Memory the system reports free but the process may not take (an
  // address-space limit of 1 GB; the population packs its keys into some
  // 2 GB): refused the same way, with what the limit leaves.
  if (!kAddressSanitizer) {
    QTest::newRow("address-space limit")
        << QStringList{"--width", "100", "--height", "100", "--population", "100000", "--generations", "0"}
        << QStringLiteral("ulimit -v 1000000") << 1
        << refused.arg(100000).arg(needOf<wendra::KeyLayout>(100000).megabytes) << 0;
  }
}

void RunnerTest::memory() {
  QFETCH(QStringList, args);
  QFETCH(QString, limit);
  QFETCH(int, status);
  QFETCH(QString, message);
  QFETCH(int, rows);
  const Result r = run(args, limit);
  QCOMPARE(r.status, status);
  if (message.isEmpty()) {
    QCOMPARE(r.err, QByteArray());
  } else {
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(QRegularExpression(message).match(err).hasMatch(), qPrintable(err));
  }
  QCOMPARE(r.out.count('\n'), rows);
}

// Output that cannot be written: status 1 and the reason, never a silent
// success.
void RunnerTest::unwritableOutput_data() {
  QTest::addColumn<QString>("redirect");
  QTest::addColumn<QString>("message");
  QTest::newRow("full disk") << "exec >/dev/full" << "wendra-run: cannot write the output: No space left on device\n";
  QTest::newRow("closed output") << "exec >&-" << "wendra-run: cannot write the output: Bad file descriptor\n";
}

void RunnerTest::unwritableOutput() {
  QFETCH(QString, redirect);
  QFETCH(QString, message);
  const Result r = run({"--generations", "5"}, redirect);
  QCOMPARE(r.status, 1);
  QCOMPARE(QString::fromUtf8(r.err), message);
}

// --threads 1024 where the system starts only some of the threads (each
// reserves its stack in a 2 GB address space): the run goes on with those
// it got and prints what one thread prints.
void RunnerTest::threadsTheSystemRefuses() {
  if (kAddressSanitizer) QSKIP("AddressSanitizer cannot run under an address-space limit");
  const QStringList args = {"--width", "100", "--height", "100", "--population", "1000", "--generations", "2"};
  const Result limited = run(args + QStringList{"--threads", "1024"}, "ulimit -v 2000000");
  QCOMPARE(limited.status, 0);
  QCOMPARE(limited.err, QByteArray());
  const Result one = run(args + QStringList{"--threads", "1"});
  QCOMPARE(one.status, 0);
  QCOMPARE(limited.out, one.out);
  QCOMPARE(one.out.count('\n'), 4);
}

QTEST_GUILESS_MAIN(RunnerTest)
#include "tst_runner.moc"
