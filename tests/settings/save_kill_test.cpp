// A program killed while it saves leaves the settings file whole: every
// write replaces the file in one step, so a kill at any moment leaves the
// old file or the new one, never part of one.

#include "ini_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

namespace wendra {
namespace {

const QString kFile = QStringLiteral(".\\wendra.ini");
const QStringList kKeys = {
    "FormVersion",        "Flags",           "ShowCmd",          "PixelsPerInch",
    "MinMaxPos(800x600)", "MinMaxPos",       "NormPos(800x600)", "NormPos",
    "Visible",            "PCrossValue_Value", "PMutValue_Value",  "PopEdit_Value",
    "RefreshCount_Value", "StepCount_Value", "HeightEdit_Value", "WidthEdit_Value"};

// One save as the settings store makes it: every key, in order, each its
// own rewrite of the file. The values tell the round apart.
void save(IniFile& ini, int round) {
  for (const QString& key : kKeys) {
    ini.writeString("first", key, QString::number(round) + ",1234567890.0987654321");
  }
}

// The file holds the section with all keys in order, each with the value of
// some round: true when it is whole.
bool isWhole(const QByteArray& contents, int* lowest, int* highest) {
  const QList<QByteArray> lines = contents.split('\n');
  if (lines.size() != kKeys.size() + 2 || lines.front() != "[first]" || !lines.back().isEmpty()) {
    return false;
  }
  *lowest = INT_MAX;
  *highest = 0;
  for (int i = 0; i < kKeys.size(); ++i) {
    const QByteArray& line = lines[i + 1];
    const QByteArray prefix = kKeys[i].toUtf8() + '=';
    if (!line.startsWith(prefix) || !line.endsWith(",1234567890.0987654321")) return false;
    bool ok = false;
    const int round = line.mid(prefix.size()).split(',').front().toInt(&ok);
    if (!ok) return false;
    *lowest = std::min(*lowest, round);
    *highest = std::max(*highest, round);
  }
  return true;
}

// Whether the file's first key already holds `round` or a later one.
bool saving(int round) {
  QFile file("wendra.ini");
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray first = file.readAll().split('\n').value(1);
  return first.startsWith("FormVersion=") && first.mid(12).split(',').front().toInt() >= round;
}

TEST(SaveKillTest, FileIsWholeAfterAKillAtAnyMoment) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  DiskFileSystem disk;
  IniFile ini(disk, kFile);
  save(ini, 0);

  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> delayMicroseconds(0, 15000);
  int midSave = 0;  // kills that hit between two keys of one save
  int round = 1;
  for (int kill = 0; kill < 60; ++kill) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int r = round;; ++r) save(ini, r);  // until killed
    }
    // The kill lands at a random moment after the child's first write.
    for (int wait = 0; wait < 20000 && !saving(round); ++wait) usleep(500);
    usleep(delayMicroseconds(random));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    QFile file("wendra.ini");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "after kill " << kill;
    const QByteArray contents = file.readAll();
    int lowest = 0;
    int highest = 0;
    ASSERT_TRUE(isWhole(contents, &lowest, &highest))
        << "after kill " << kill << ":\n" << contents.toStdString();
    if (lowest != highest) ++midSave;
    round = highest + 1;
  }
  QDir::setCurrent(previous);
  // The kills did land inside saves, not only between them.
  EXPECT_GT(midSave, 0);
}

}  // namespace
}  // namespace wendra
