// The settings file through the program's window: what a start restores
// from a prepared file and what the close leaves in it.
//
// Offscreen platform: primary screen 800 x 800, 96 pixels per inch, and a
// simulated frame of 2 pixels on each side, so the window designed with its
// frame at (238, 106) has its 705 x 520 client area at (240, 108). The file
// keeps the frame's corner and the client area's size.

#include "application.h"
#include "fresh_directory.h"
#include "form_storage.h"
#include "ini_file.h"
#include "main_window.h"
#include "spin_input.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>

using namespace wendra;
using wendra::TForm1;

namespace {

// The program's window, with the seven inputs read by name.
class Window : public TForm1 {
 public:
  explicit Window(EncodingKind encoding = EncodingKind::kRandomKey) : TForm1(encoding) {}
  QString text(const char* input) const { return findChild<SpinInput*>(input)->text(); }
  FormStorage* storage() const { return FormStorage1; }
};

const QRect kDesigned(240, 108, 705, 520);

const QByteArray kDesignedFile =
    "[first]\n"
    "FormVersion=0\n"
    "Flags=0\n"
    "ShowCmd=1\n"
    "PixelsPerInch=96\n"
    "MinMaxPos(800x800)=-1,-1,-2,-2\n"
    "MinMaxPos=-1,-1,-2,-2\n"
    "NormPos(800x800)=238,106,943,626\n"
    "NormPos=238,106,943,626\n"
    "Visible=0\n"
    "PCrossValue_Value=0.5\n"
    "PMutValue_Value=0.07\n"
    "PopEdit_Value=100\n"
    "RefreshCount_Value=1\n"
    "StepCount_Value=100\n"
    "HeightEdit_Value=10\n"
    "WidthEdit_Value=10\n";

// The value of one key in a file's text.
QByteArray keyValue(const QByteArray& file, const QByteArray& key) {
  for (const QByteArray& line : file.split('\n')) {
    if (line.startsWith(key + '=')) return line.mid(key.size() + 1);
  }
  return "<absent>";
}

}  // namespace

class FormStorageTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void firstStartWritesTheDesignedValues();
  void closedFileReadsBackUnchanged();
  void restoresPlacement_data();
  void restoresPlacement();
  void restoresState_data();
  void restoresState();
  void minimizedStartIsSavedMinimized();
  void restoresInputs_data();
  void restoresInputs();
  void commaLocaleStillWritesPoint();
  void versionBelowZeroRestoresNothing();
  void otherScreenSizeUsesPlainKeys();
  void readOnlyFileReportsTwiceAndStaysUnchanged();
  void failedWriteStopsTheSaveAtThatKey();
  void saveAtDestructionWhenNotClosed();
  void windowNeverShownWritesNothing();
  void storedPropsAreResolved();
  void terminationSignalClosesAndSaves();
  void programsShareTheFile();

 private:
  QByteArray file() const;
  void put(const QByteArray& contents);
  // Shows a window on the current file and closes and destroys it; returns
  // the file afterwards.
  QByteArray startAndClose();

  std::unique_ptr<FreshWorkingDirectory> dir_;
};

void FormStorageTest::init() {
  QLocale::setDefault(QLocale::c());
  dir_ = std::make_unique<FreshWorkingDirectory>();
  QVERIFY(dir_->isValid());
}

void FormStorageTest::cleanup() {
  dir_.reset();
  QLocale::setDefault(QLocale::system());
}

QByteArray FormStorageTest::file() const {
  QFile f(dir_->filePath("wendra.ini"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void FormStorageTest::put(const QByteArray& contents) {
  QFile f(dir_->filePath("wendra.ini"));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(contents);
}

QByteArray FormStorageTest::startAndClose() {
  {
    Window window;
    window.show();
    window.close();
  }
  return file();
}

void FormStorageTest::firstStartWritesTheDesignedValues() {
  Window window;
  window.show();
  QVERIFY(window.storage()->restored());
  QCOMPARE(window.geometry(), kDesigned);
  QCOMPARE(window.text("PCrossValue"), "0.50000");
  QCOMPARE(file(), QByteArray("<missing>"));  // nothing written while it runs
  QVERIFY(window.close());
  QVERIFY(window.storage()->saved());
  QCOMPARE(file(), kDesignedFile);
}

void FormStorageTest::closedFileReadsBackUnchanged() {
  put(kDesignedFile);
  QCOMPARE(startAndClose(), kDesignedFile);
}

void FormStorageTest::restoresPlacement_data() {
  QTest::addColumn<QByteArray>("keys");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QByteArray>("savedNormPos");

  QTest::newRow("stored rectangle") << QByteArray("NormPos=100,50,700,550\n")
                                    << QRect(102, 52, 600, 500) << QByteArray("100,50,700,550");
  QTest::newRow("suffixed key first")
      << QByteArray("NormPos(800x800)=10,20,510,540\nNormPos=100,50,700,550\n")
      << QRect(12, 22, 500, 520) << QByteArray("10,20,510,540");
  QTest::newRow("blanks and runs of commas")
      << QByteArray("NormPos= 100 ,, 50, 700 550\n") << QRect(102, 52, 600, 500)
      << QByteArray("100,50,700,550");
  QTest::newRow("hexadecimal words") << QByteArray("NormPos=$64,0x32,700,550\n")
                                     << QRect(102, 52, 600, 500) << QByteArray("100,50,700,550");
  QTest::newRow("malformed words take the current ones")
      << QByteArray("NormPos=100,abc,700\n") << QRect(102, 108, 600, 520)
      << QByteArray("100,106,700,626");
  QTest::newRow("pixels per inch differ") << QByteArray("PixelsPerInch=120\nNormPos=100,50,700,550\n")
                                          << kDesigned
                                          << QByteArray("238,106,943,626");
  QTest::newRow("malformed pixels per inch is the screen's")
      << QByteArray("PixelsPerInch=x\nNormPos=100,50,700,550\n") << QRect(102, 52, 600, 500)
      << QByteArray("100,50,700,550");
  QTest::newRow("right not beyond left") << QByteArray("NormPos=900,50,900,650\n")
                                         << kDesigned
                                         << QByteArray("238,106,943,626");
  QTest::newRow("no height") << QByteArray("NormPos=100,650,900,650\n")
                             << kDesigned << QByteArray("238,106,943,626");
  QTest::newRow("empty text is no position") << QByteArray("NormPos=\n")
                                             << kDesigned
                                             << QByteArray("238,106,943,626");
  // Made sound: enlarged to the minimum size, moved whole onto the screen
  // (with its frame), shrunk to the screen.
  QTest::newRow("smaller than the minimum") << QByteArray("NormPos=100,50,101,51\n")
                                            << QRect(102, 52, 466, 493) << QByteArray("100,50,566,543");
  QTest::newRow("off the screen") << QByteArray("NormPos=5000,5000,5600,5500\n")
                                  << QRect(198, 298, 600, 500) << QByteArray("196,296,796,796");
  QTest::newRow("partly off the screen") << QByteArray("NormPos=-100,50,500,550\n")
                                         << QRect(2, 52, 600, 500) << QByteArray("0,50,600,550");
  QTest::newRow("larger than the screen") << QByteArray("NormPos=10,10,1010,1010\n")
                                          << QRect(2, 2, 796, 796) << QByteArray("0,0,796,796");
}

void FormStorageTest::restoresPlacement() {
  QFETCH(QByteArray, keys);
  QFETCH(QRect, geometry);
  QFETCH(QByteArray, savedNormPos);
  put("[first]\n" + keys);
  {
    Window window;
    window.show();
    QCOMPARE(window.geometry(), geometry);
    window.close();
  }
  QCOMPARE(keyValue(file(), "NormPos(800x800)"), savedNormPos);
  QCOMPARE(keyValue(file(), "NormPos"), savedNormPos);
}

void FormStorageTest::restoresState_data() {
  QTest::addColumn<QByteArray>("keys");
  QTest::addColumn<bool>("maximized");
  QTest::newRow("1") << QByteArray("ShowCmd=1\n") << false;
  QTest::newRow("3") << QByteArray("ShowCmd=3\n") << true;
  QTest::newRow("0x3") << QByteArray("ShowCmd=0x3\n") << true;
  QTest::newRow("$3") << QByteArray("ShowCmd=$3\n") << true;
  QTest::newRow("4") << QByteArray("ShowCmd=4\n") << false;
  QTest::newRow("abc") << QByteArray("ShowCmd=abc\n") << false;
  QTest::newRow("absent") << QByteArray() << false;
  QTest::newRow("3, pixels per inch differ")
      << QByteArray("ShowCmd=3\nPixelsPerInch=120\nNormPos=100,50,900,650\n") << true;
}

void FormStorageTest::restoresState() {
  QFETCH(QByteArray, keys);
  QFETCH(bool, maximized);
  put("[first]\n" + keys + "PopEdit_Value=300\n");
  {
    Window window;
    window.show();
    QCOMPARE(window.isMaximized(), maximized);
    QCOMPARE(window.text("PopEdit"), "300");
    QCoreApplication::processEvents();
    QVERIFY(!window.isMinimized());
    window.close();
  }
  QCOMPARE(keyValue(file(), "ShowCmd"), maximized ? QByteArray("3") : QByteArray("1"));
  // The normal rectangle stays the designed one under a maximized window.
  QCOMPARE(keyValue(file(), "NormPos"), QByteArray("238,106,943,626"));
}

void FormStorageTest::minimizedStartIsSavedMinimized() {
  for (const QByteArray code : {"2", "6", "7"}) {
    put("[first]\nShowCmd=" + code + "\n");
    {
      Window window;
      window.show();
      QVERIFY(window.isMinimized());  // before it is first mapped
      QVERIFY(!window.isMaximized());
      window.close();
    }
    QCOMPARE(keyValue(file(), "ShowCmd"), QByteArray("2"));
    QCOMPARE(keyValue(file(), "NormPos"), QByteArray("238,106,943,626"));
  }
}

void FormStorageTest::restoresInputs_data() {
  QTest::addColumn<QByteArray>("keys");
  QTest::addColumn<QStringList>("texts");  // PopEdit, PCrossValue, PMutValue, WidthEdit
  QTest::addColumn<QByteArray>("savedPMut");

  QTest::newRow("values") << QByteArray("PopEdit_Value=300\nPCrossValue_Value=0.8\n"
                                        "PMutValue_Value=0.25\nWidthEdit_Value=20\n")
                          << QStringList{"300", "0.80000", "0.25000", "20"} << QByteArray("0.25");
  QTest::newRow("brought into range") << QByteArray("PopEdit_Value=1\nPCrossValue_Value=1.5\n")
                                      << QStringList{"2", "1.00000", "0.07000", "10"}
                                      << QByteArray("0.07");
  QTest::newRow("no range") << QByteArray("PMutValue_Value=3\n")
                            << QStringList{"100", "0.50000", "3.00000", "10"} << QByteArray("3");
  QTest::newRow("negative, no range") << QByteArray("PMutValue_Value=-0.01\n")
                                      << QStringList{"100", "0.50000", "-0.01000", "10"}
                                      << QByteArray("-0.01");
  QTest::newRow("half to even down") << QByteArray("WidthEdit_Value=12.5\n")
                                     << QStringList{"100", "0.50000", "0.07000", "12"}
                                     << QByteArray("0.07");
  QTest::newRow("half to even up") << QByteArray("WidthEdit_Value=13.5\nPopEdit_Value=2.5\n")
                                   << QStringList{"2", "0.50000", "0.07000", "14"}
                                   << QByteArray("0.07");
  QTest::newRow("malformed keeps, others restored")
      << QByteArray("PCrossValue_Value=abc\nPopEdit_Value=300\nPMutValue_Value=0.2\n")
      << QStringList{"300", "0.50000", "0.20000", "10"} << QByteArray("0.2");
  QTest::newRow("empty keeps") << QByteArray("PCrossValue_Value=\nWidthEdit_Value=5\n")
                               << QStringList{"100", "0.50000", "0.07000", "5"}
                               << QByteArray("0.07");
  QTest::newRow("comma is malformed under point")
      << QByteArray("PCrossValue_Value=0,5\nPMutValue_Value=1,5\n")
      << QStringList{"100", "0.50000", "0.07000", "10"} << QByteArray("0.07");
  QTest::newRow("blanks") << QByteArray("PCrossValue_Value=   0.25  \nPopEdit_Value=\t7 \n")
                          << QStringList{"7", "0.25000", "0.07000", "10"} << QByteArray("0.07");
  QTest::newRow("exponent") << QByteArray("PMutValue_Value=1E-5\n")
                            << QStringList{"100", "0.50000", "0.00001", "10"}
                            << QByteArray("1E-5");
  QTest::newRow("lower-case key names") << QByteArray("popedit_value=55\n")
                                        << QStringList{"55", "0.50000", "0.07000", "10"}
                                        << QByteArray("0.07");
  QTest::newRow("hexadecimal is malformed") << QByteArray("PopEdit_Value=0x10\n")
                                            << QStringList{"100", "0.50000", "0.07000", "10"}
                                            << QByteArray("0.07");
  QTest::newRow("too large for any number") << QByteArray("PMutValue_Value=1E5000\n")
                                            << QStringList{"100", "0.50000", "0.07000", "10"}
                                            << QByteArray("0.07");
}

void FormStorageTest::restoresInputs() {
  QFETCH(QByteArray, keys);
  QFETCH(QStringList, texts);
  QFETCH(QByteArray, savedPMut);
  put("[first]\n" + keys);
  {
    Window window;
    window.show();
    QCOMPARE((QStringList{window.text("PopEdit"), window.text("PCrossValue"),
                          window.text("PMutValue"), window.text("WidthEdit")}),
             texts);
    window.close();
  }
  QCOMPARE(keyValue(file(), "PMutValue_Value"), savedPMut);
}

void FormStorageTest::commaLocaleStillWritesPoint() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  put("[first]\nPCrossValue_Value=0.25\nPMutValue_Value=0,125\nWidthEdit_Value=12,5\n");
  {
    Window window;
    window.show();
    QCOMPARE(window.text("PCrossValue"), "0,25000");
    QCOMPARE(window.text("PMutValue"), "0,12500");
    QCOMPARE(window.text("WidthEdit"), "12");
    window.close();
  }
  const QByteArray saved = file();
  QCOMPARE(keyValue(saved, "PCrossValue_Value"), QByteArray("0.25"));
  QCOMPARE(keyValue(saved, "PMutValue_Value"), QByteArray("0.125"));

  QFile::remove(dir_->filePath("wendra.ini"));
  QCOMPARE(startAndClose(), kDesignedFile);  // "0.07", not "0,07"
}

void FormStorageTest::versionBelowZeroRestoresNothing() {
  put("[first]\nFormVersion=-1\nShowCmd=3\nNormPos=100,50,700,550\nPopEdit_Value=300\n"
      "Visible=1\n");
  {
    Window window;
    window.show();
    QVERIFY(window.storage()->restored());
    QVERIFY(!window.isMaximized());
    QCOMPARE(window.geometry(), kDesigned);
    QCOMPARE(window.text("PopEdit"), "100");
    window.close();
  }
  // The keys of the old file are rewritten in place; the others follow.
  QCOMPARE(file(), QByteArray("[first]\n"
                              "FormVersion=0\n"
                              "ShowCmd=1\n"
                              "NormPos=238,106,943,626\n"
                              "PopEdit_Value=100\n"
                              "Visible=0\n"
                              "Flags=0\n"
                              "PixelsPerInch=96\n"
                              "MinMaxPos(800x800)=-1,-1,-2,-2\n"
                              "MinMaxPos=-1,-1,-2,-2\n"
                              "NormPos(800x800)=238,106,943,626\n"
                              "PCrossValue_Value=0.5\n"
                              "PMutValue_Value=0.07\n"
                              "RefreshCount_Value=1\n"
                              "StepCount_Value=100\n"
                              "HeightEdit_Value=10\n"
                              "WidthEdit_Value=10\n"));
  // A malformed version counts as 0.
  put("[first]\nFormVersion=zero\nPopEdit_Value=300\n");
  QCOMPARE(keyValue(startAndClose(), "PopEdit_Value"), QByteArray("300"));
}

void FormStorageTest::otherScreenSizeUsesPlainKeys() {
  const QByteArray saved1024 =
      "; written on the laptop\n"
      "[first]\n"
      "FormVersion=0\n"
      "Flags=0\n"
      "ShowCmd=1\n"
      "PixelsPerInch=96\n"
      "MinMaxPos(1024x768)=7,8,-4,-4\n"
      "MinMaxPos=5,6,-4,-4\n"
      "NormPos(1024x768)=1,2,301,202\n"
      "NormPos=100,50,700,550\n"
      "Visible=0\n"
      "PCrossValue_Value=0.5\n"
      "PMutValue_Value=0.07\n"
      "PopEdit_Value=100\n"
      "RefreshCount_Value=1\n"
      "StepCount_Value=100\n"
      "HeightEdit_Value=10\n"
      "WidthEdit_Value=10\n"
      "\n"
      "[other]\n"
      "NormPos=1,1,1,1\n";
  put(saved1024);
  {
    Window window;
    window.show();
    QCOMPARE(window.geometry(), QRect(102, 52, 600, 500));
    window.close();
  }
  QByteArray expected = saved1024;
  expected.replace("MinMaxPos=5,6,-4,-4\n", "MinMaxPos=5,6,-2,-2\n");
  expected.replace("WidthEdit_Value=10\n",
                   "WidthEdit_Value=10\n"
                   "MinMaxPos(800x800)=5,6,-2,-2\n"
                   "NormPos(800x800)=100,50,700,550\n");
  QCOMPARE(file(), expected);
}

void FormStorageTest::readOnlyFileReportsTwiceAndStaysUnchanged() {
  const QByteArray before = "[first]\nPopEdit_Value=300\n";
  put(before);
  QVERIFY(::chmod(QFile::encodeName(dir_->filePath("wendra.ini")).constData(), 0444) == 0);
  BoxRecorder boxes;
  {
    Window window;
    window.show();
    QCOMPARE(window.text("PopEdit"), "300");
    QTest::mouseClick(window.CloseButton, Qt::LeftButton);
    QVERIFY(!window.isVisible());  // the close goes on
    QCOMPARE(boxes.texts, QStringList{"Unable to write to .\\wendra.ini."});
    QVERIFY(boxes.allErrorBoxes());
    QVERIFY(!window.storage()->saved());
  }
  QCOMPARE(boxes.texts, QStringList(2, "Unable to write to .\\wendra.ini."));
  QVERIFY(boxes.allErrorBoxes());
  QCOMPARE(file(), before);
}

void FormStorageTest::failedWriteStopsTheSaveAtThatKey() {
  FailingFileSystem files(3);
  // A window that hands its close to the store, as the program's does.
  class StoredWindow : public QWidget {
   public:
    FormStorage* storage = nullptr;

   protected:
    void closeEvent(QCloseEvent* event) override {
      QWidget::closeEvent(event);
      storage->formClose(*event);
    }
  };
  QStringList errors;
  {
    StoredWindow window;
    ComponentTable components;
    components.addProperty("PopEdit", {"Value", [] { return 5.0L; }, [](long double) {}});
    auto* storage = new FormStorage(&window, std::move(components), FormStorageConfig(), &files);
    window.storage = storage;
    storage->setErrorReporter([&](const QString& message) { errors.append(message); });
    window.show();
    window.close();
    QCOMPARE(files.attempts, 4);
    QCOMPARE(errors, QStringList{"Unable to write to .\\wendra.ini"});
    QCOMPARE(files.files[".\\wendra.ini"],
             QByteArray("[first]\nFormVersion=0\nFlags=0\nShowCmd=1\n"));
    storage->formDestroy();
  }
  QCOMPARE(files.attempts, 5);  // once more at destruction, stopped at its first key
  QCOMPARE(errors.size(), 2);
}

void FormStorageTest::saveAtDestructionWhenNotClosed() {
  {
    Window window;
    window.show();
  }
  QByteArray expected = kDesignedFile;
  expected.replace("Visible=0", "Visible=1");
  QCOMPARE(file(), expected);
}

void FormStorageTest::windowNeverShownWritesNothing() {
  {
    Window window;
    window.close();
  }
  QCOMPARE(file(), QByteArray("<missing>"));
}

void FormStorageTest::storedPropsAreResolved() {
  ComponentTable components;
  long double a = 1;
  long double b = 2;
  components.addProperty("PopEdit", {"Value", [&] { return a; }, [&](long double v) { a = v; }});
  components.addProperty("WidthEdit", {"Value", [&] { return b; }, [&](long double v) { b = v; }});
  FormStorageConfig config;
  config.storedProps = QStringList{" PopEdit . value ", "NoDot", ".Value", "PopEdit.", "Gone.Value",
                                   "widthedit.Value.Extra", "WidthEdit.Missing", "\tWIDTHEDIT.VALUE"};
  MemoryFileSystem files;
  QWidget window;
  auto* storage = new FormStorage(&window, std::move(components), config, &files);
  QCOMPARE(storage->storedProps(), (QStringList{" PopEdit . value ", "widthedit.Value.Extra",
                                                "WidthEdit.Missing", "\tWIDTHEDIT.VALUE"}));
  window.show();
  a = 7;
  b = 9;
  storage->saveFormPlacement();
  const QByteArray saved = files.files[".\\wendra.ini"];
  // Keys are spelt as the component and its property are; a property the
  // component lacks is skipped.
  QVERIFY(saved.endsWith("Visible=0\nPopEdit_Value=7\nWidthEdit_Value=9\n"));
  QVERIFY(!saved.contains("Extra"));
  QVERIFY(!saved.contains("Missing"));
}

void FormStorageTest::terminationSignalClosesAndSaves() {
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    QFile::remove(dir_->filePath("wendra.ini"));
    Window window;
    window.show();
    QVERIFY(::raise(number) == 0);
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(file(), kDesignedFile);
  }
}

void FormStorageTest::programsShareTheFile() {
  {
    Window wendra1(EncodingKind::kPath);
    wendra1.show();
    wendra1.PopEdit->setValue(300);
    wendra1.PMutValue->setText("0.2");
    wendra1.close();
  }
  {
    Window wendra3(EncodingKind::kRandomKey);
    wendra3.show();
    QCOMPARE(wendra3.text("PopEdit"), "300");
    QCOMPARE(wendra3.text("PMutValue"), "0.20000");
    wendra3.WidthEdit->setValue(42);
    wendra3.close();
  }
  Window wendra1(EncodingKind::kPath);
  wendra1.show();
  QCOMPARE(wendra1.text("WidthEdit"), "42");
  QCOMPARE(wendra1.text("PopEdit"), "300");
}

int main(int argc, char** argv) {
  Application app(argc, argv);
  FormStorageTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_form_storage.moc"
