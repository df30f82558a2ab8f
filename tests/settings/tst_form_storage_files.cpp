// Bad settings files, one row each, through the program's real window: it
// starts on the prepared wendra.ini (the restore) and is closed and
// destroyed (the save). Every row fixes what the inputs show after the
// start, how many error boxes the close shows, and what the file holds
// afterwards: exactly the expected bytes, or the old bytes untouched where
// the file cannot be written. Nothing may crash or hang (the test's time
// limit catches a hang).
//
// Offscreen platform: screen 800 x 800, 96 pixels per inch, the window's
// client area at (240, 108) with 705 x 520 pixels.

#include "application.h"
#include "fresh_directory.h"
#include "form_storage.h"
#include "ini_file.h"
#include "main_window.h"
#include "sanitizer.h"
#include "spin_input.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QtTest>

#include <memory>
#include <random>
#include <sys/stat.h>
#include <sys/types.h>

using namespace wendra;

namespace {


enum class Place {
  File,                     // wendra.ini holds `contents` (absent when null)
  Folder,                   // a folder named wendra.ini
  Pipe,                     // a named pipe
  DeviceLink,               // a symbolic link to /dev/zero
  ReadOnlyFile,             // the file, without any write permission
  UnwritableFolder,         // the working folder without write permission, no file
  UnwritableFolderWithFile  // the same, with the file
};

// The inputs in the order the file stores them.
const char* const kInputs[] = {"PCrossValue", "PMutValue",  "PopEdit",  "RefreshCount",
                               "StepCount",   "HeightEdit", "WidthEdit"};
const QStringList kDesignTexts = {"0.50000", "0.07000", "100", "1", "100", "10", "10"};

// The keys of a save of the designed window, in order, as "Key=value".
QList<QByteArray> savedLines(const QByteArray& popEdit = "100", const QByteArray& widthEdit = "10",
                             const QByteArray& minMax = "-1,-1,-2,-2") {
  return {"FormVersion=0",
          "Flags=0",
          "ShowCmd=1",
          "PixelsPerInch=96",
          "MinMaxPos(800x800)=" + minMax,
          "MinMaxPos=" + minMax,
          "NormPos(800x800)=238,106,943,626",
          "NormPos=238,106,943,626",
          "Visible=0",
          "PCrossValue_Value=0.5",
          "PMutValue_Value=0.07",
          "PopEdit_Value=" + popEdit,
          "RefreshCount_Value=1",
          "StepCount_Value=100",
          "HeightEdit_Value=10",
          "WidthEdit_Value=" + widthEdit};
}

// `lines` without those of the given keys, each ended by `eol`.
QByteArray joined(const QList<QByteArray>& lines, const QList<QByteArray>& leaveOut = {},
                  const QByteArray& eol = "\n") {
  QByteArray out;
  for (const QByteArray& line : lines) {
    if (leaveOut.contains(line.left(line.indexOf('=')))) continue;
    out += line + eol;
  }
  return out;
}

QStringList texts(const QString& popEdit, const QString& widthEdit = "10") {
  QStringList t = kDesignTexts;
  t[2] = popEdit;
  t[6] = widthEdit;
  return t;
}

QByteArray garbage(std::size_t size) {
  std::mt19937 random(1);
  QByteArray bytes(static_cast<qsizetype>(size), '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

const QByteArray kUnchanged = "<unchanged>";
const QString kWriteError = QStringLiteral("Unable to write to .\\wendra.ini.");

}  // namespace

class FormStorageFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void badFile_data();
  void badFile();
  void hugeRectangleIsCutToTheDesktop_data();
  void hugeRectangleIsCutToTheDesktop();

 private:
  QString path() const { return dir_->filePath("wendra.ini"); }
  std::unique_ptr<FreshWorkingDirectory> dir_;
};

void FormStorageFilesTest::init() {
  QLocale::setDefault(QLocale::c());
  dir_ = std::make_unique<FreshWorkingDirectory>();
  QVERIFY(dir_->isValid());
}

void FormStorageFilesTest::cleanup() {
  dir_.reset();
  QLocale::setDefault(QLocale::system());
}

void FormStorageFilesTest::badFile_data() {
  QTest::addColumn<int>("place");
  QTest::addColumn<QByteArray>("contents");
  QTest::addColumn<QStringList>("shown");   // the seven inputs after the start
  QTest::addColumn<int>("errorBoxes");      // at the close and at the destruction
  QTest::addColumn<QByteArray>("saved");    // the file afterwards

  const int file = int(Place::File);
  const QStringList design = kDesignTexts;
  const QByteArray fresh = "[first]\n" + joined(savedLines());

  QTest::newRow("no file") << file << QByteArray() << design << 0 << fresh;
  QTest::newRow("empty file") << file << QByteArray("") << design << 0 << fresh;

  const QByteArray binary = garbage(4096);
  QTest::newRow("binary garbage") << file << binary << design << 0
                                  << QByteArray(binary + "\n" + fresh);

  const QByteArray longLine(10'000'000, 'A');
  QTest::newRow("one 10 MB line") << file << longLine << design << 0 << QByteArray(longLine + "\n" + fresh);
  // Every read and write scans the whole file (some fifty scans for a start
  // and a close); under AddressSanitizer a tenth of the lines keeps the
  // test quick.
  const QByteArray lineEnds(kAddressSanitizer ? 1'000'000 : 10'000'000, '\n');
  QTest::newRow("10 MB of line ends") << file << lineEnds << design << 0 << QByteArray(lineEnds + fresh);
  // A value is read as its first 2047 characters: a huge number, brought
  // down to the input's maximum. The save replaces the value.
  QTest::newRow("one 10 MB value") << file << QByteArray("[first]\nPopEdit_Value=" + QByteArray(10'000'000, '9') + "\n")
                                   << texts("1000000") << 0
                                   << QByteArray("[first]\nPopEdit_Value=1000000\n" +
                                                 joined(savedLines("1000000"), {"PopEdit_Value"}));

  const QByteArray noSection = "PopEdit_Value=50\nWidthEdit_Value=20\n";
  QTest::newRow("keys without the section") << file << noSection << design << 0 << QByteArray(noSection + fresh);

  // The first key of a name wins, in whichever part of the section it is;
  // new keys go after the first part; nothing is deleted.
  QTest::newRow("section twice, keys twice")
      << file
      << QByteArray("[first]\nPopEdit_Value=50\nPopEdit_Value=60\n[other]\nx=1\n"
                    "[first]\nWidthEdit_Value=20\nPopEdit_Value=70\n")
      << texts("50", "20") << 0
      << QByteArray("[first]\nPopEdit_Value=50\nPopEdit_Value=60\n" +
                    joined(savedLines("50", "20"), {"PopEdit_Value", "WidthEdit_Value"}) +
                    "[other]\nx=1\n[first]\nWidthEdit_Value=20\nPopEdit_Value=70\n");

  const QByteArray crlf = "[first]\r\n" + joined(savedLines("50"), {}, "\r\n");
  QTest::newRow("CRLF line ends") << file << crlf << texts("50") << 0 << crlf;
  const QByteArray bom = "\xEF\xBB\xBF[first]\n" + joined(savedLines("50"));
  QTest::newRow("UTF-8 byte-order mark") << file << bom << texts("50") << 0 << bom;
  QTest::newRow("blanks around names and values")
      << file << QByteArray("  [ first ]  \n  PopEdit_Value  =  50  \n\tWidthEdit_Value\t=\t20\t\n")
      << texts("50", "20") << 0
      << QByteArray("  [ first ]  \nPopEdit_Value=50\nWidthEdit_Value=20\n" +
                    joined(savedLines("50", "20"), {"PopEdit_Value", "WidthEdit_Value"}));
  // A last line ending in a lone CR: new keys must not join it (the CR
  // goes when the key's own line is rewritten).
  QTest::newRow("last line ends in CR")
      << file << QByteArray("[first]\r\nPopEdit_Value=50\r") << texts("50") << 0
      << QByteArray("[first]\r\nPopEdit_Value=50\r\n" +
                    joined(savedLines("50"), {"PopEdit_Value"}, "\r\n"));
  // Every key malformed: each read gives its default, every input keeps
  // its value; malformed position words read as 0.
  QTest::newRow("every key malformed")
      << file
      << QByteArray("[first]\nFormVersion=x\nFlags=99999999999\nShowCmd=-\nPixelsPerInch=1e3\n"
                    "MinMaxPos=a,b,c,d\nNormPos=a,b,c,d\nPCrossValue_Value=nan\nPMutValue_Value=inf\n"
                    "PopEdit_Value=1-2\nRefreshCount_Value=$10\nStepCount_Value=0x10\n"
                    "HeightEdit_Value=\xEF\xBC\x91\xEF\xBC\x92\nWidthEdit_Value=\n")
      << design << 0
      << QByteArray("[first]\nFormVersion=0\nFlags=0\nShowCmd=1\nPixelsPerInch=96\n"
                    "MinMaxPos=0,0,-2,-2\nNormPos=238,106,943,626\nPCrossValue_Value=0.5\n"
                    "PMutValue_Value=0.07\nPopEdit_Value=100\nRefreshCount_Value=1\nStepCount_Value=100\n"
                    "HeightEdit_Value=10\nWidthEdit_Value=10\nMinMaxPos(800x800)=0,0,-2,-2\n"
                    "NormPos(800x800)=238,106,943,626\nVisible=0\n");

  // Nothing that cannot be written is replaced: each close and the
  // destruction report it.
  const QByteArray stored = "[first]\nPopEdit_Value=50\n";
  QTest::newRow("folder named wendra.ini") << int(Place::Folder) << QByteArray() << design << 2 << kUnchanged;
  QTest::newRow("pipe named wendra.ini") << int(Place::Pipe) << QByteArray() << design << 2 << kUnchanged;
  QTest::newRow("link to an endless device") << int(Place::DeviceLink) << QByteArray() << design << 2 << kUnchanged;
  QTest::newRow("read-only file") << int(Place::ReadOnlyFile) << stored << texts("50") << 2 << kUnchanged;
  QTest::newRow("unwritable folder") << int(Place::UnwritableFolder) << QByteArray() << design << 2 << kUnchanged;
  QTest::newRow("unwritable folder with the file")
      << int(Place::UnwritableFolderWithFile) << stored << texts("50") << 2 << kUnchanged;
}

void FormStorageFilesTest::badFile() {
  QFETCH(int, place);
  QFETCH(QByteArray, contents);
  QFETCH(QStringList, shown);
  QFETCH(int, errorBoxes);
  QFETCH(QByteArray, saved);

  const QByteArray name = QFile::encodeName(path());
  switch (Place(place)) {
    case Place::Folder:
      QVERIFY(QDir().mkdir(path()));
      break;
    case Place::Pipe:
      QCOMPARE(::mkfifo(name.constData(), 0644), 0);
      break;
    case Place::DeviceLink:
      QVERIFY(QFile::link("/dev/zero", path()));
      break;
    case Place::UnwritableFolder:
      break;
    default:
      if (!contents.isNull()) {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(contents), contents.size());
      }
  }
  if (Place(place) == Place::ReadOnlyFile) QCOMPARE(::chmod(name.constData(), 0444), 0);
  if (Place(place) == Place::UnwritableFolder || Place(place) == Place::UnwritableFolderWithFile)
    QCOMPARE(::chmod(QFile::encodeName(dir_->path()).constData(), 0555), 0);
  const QFileInfo before(path());
  const QByteArray oldBytes = before.isFile() && Place(place) != Place::DeviceLink ? contents : QByteArray();

  BoxRecorder boxes;
  {
    TForm1 window(EncodingKind::kRandomKey);
    window.show();
    QVERIFY(window.FormStorage1->restored());
    QStringList actual;
    for (const char* input : kInputs) actual.append(window.findChild<SpinInput*>(input)->text());
    QCOMPARE(actual, shown);
    window.close();
    QVERIFY(!window.isVisible());  // the close goes on, whatever the save did
  }
  QCOMPARE(boxes.texts, QStringList(errorBoxes, kWriteError));

  const QFileInfo after(path());
  if (saved == kUnchanged) {
    QCOMPARE(after.exists(), before.exists());
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isFile(), before.isFile());
    if (before.isFile() && !before.isSymLink()) {
      QFile f(path());
      QVERIFY(f.open(QIODevice::ReadOnly));
      QVERIFY(f.readAll() == oldBytes);
      QCOMPARE(after.permissions(), before.permissions());
    }
    if (before.isDir()) QVERIFY(QDir(path()).isEmpty());
  } else {
    QFile f(path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    if (bytes != saved) {
      qWarning() << "file afterwards (" << bytes.size() << "bytes) ends with" << bytes.right(600);
      QFAIL("the saved file is not as expected");
    }
  }
}

void FormStorageFilesTest::hugeRectangleIsCutToTheDesktop_data() {
  QTest::addColumn<QByteArray>("normPos");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QByteArray>("saved");
  // The extremes of the 32-bit range: nothing overflows, and the window
  // comes whole onto the screen, its sides cut to the screen's.
  QTest::newRow("32-bit extremes") << QByteArray("-2147483648,-2147483648,2147483647,2147483647")
                                   << QRect(2, 2, 796, 796) << QByteArray("0,0,796,796");
  // 60000 x 60000 pixels would take a 14 GB picture of the window.
  QTest::newRow("larger than the desktop") << QByteArray("100,50,60100,60050") << QRect(2, 2, 796, 796)
                                           << QByteArray("0,0,796,796");
  QTest::newRow("as large as the desktop") << QByteArray("0,0,800,800") << QRect(2, 2, 796, 796)
                                           << QByteArray("0,0,796,796");
}

// The stored rectangle is the frame's corner and the client area's size; an
// offscreen window has a simulated frame of 2 pixels on each side.
void FormStorageFilesTest::hugeRectangleIsCutToTheDesktop() {
  QFETCH(QByteArray, normPos);
  QFETCH(QRect, geometry);
  QFETCH(QByteArray, saved);
  {
    QFile f(path());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[first]\nNormPos=" + normPos + "\n");
  }
  {
    TForm1 window(EncodingKind::kPath);
    window.show();
    QCOMPARE(window.geometry(), geometry);
    window.close();
  }
  DiskFileSystem disk;
  const IniFile ini(disk, QStringLiteral(".\\wendra.ini"));
  QCOMPARE(ini.readString("first", "NormPos", {}), QString::fromLatin1(saved));
}

int main(int argc, char** argv) {
  Application app(argc, argv);
  FormStorageFilesTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_form_storage_files.moc"
