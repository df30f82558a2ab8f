// The application object: the title taken from the program file's name, and
// the error box for an exception that escapes an event handler, after which
// the program goes on.

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <new>
#include <optional>
#include <stdexcept>

#include "application.h"
#include "main_window.h"
#include "test_support.h"


using wendra::Application;

namespace {

enum class Throw { kRuntimeError, kBadAlloc, kNothing, kUnknown };

void throwAs(Throw kind, const QString& text) {
  switch (kind) {
    case Throw::kRuntimeError:
      throw std::runtime_error(text.toStdString());
    case Throw::kBadAlloc:
      throw std::bad_alloc();
    case Throw::kUnknown:
      throw 42;
    case Throw::kNothing:
      return;
  }
}

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void titleFromTheProgramFile_data();
  void titleFromTheProgramFile();
  void titleOfThisProgram();
  void fullStopRule_data();
  void fullStopRule();
  void exceptionFromAClickIsShownAndTheProgramGoesOn_data();
  void exceptionFromAClickIsShownAndTheProgramGoesOn();
  void exceptionFromAnAcceleratorClick();
};

void ApplicationTest::titleFromTheProgramFile_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("title");
  QTest::newRow("wendra3") << "/usr/bin/wendra3" << "Wendra3";
  QTest::newRow("wendra1") << "build/app/wendra1" << "Wendra1";
  QTest::newRow("upper case with extension") << "WENDRA3.EXE" << "Wendra3";
  QTest::newRow("up to the first dot") << "/opt/my.prog.bin" << "My";
  QTest::newRow("mixed case") << "mIxEd-Name_2" << "Mixed-name_2";
  QTest::newRow("one letter") << "x" << "X";
  QTest::newRow("dot in a folder name") << "/opt/v1.2/tool" << "Tool";
  QTest::newRow("nothing before the dot") << ".hidden" << "";
}

void ApplicationTest::titleFromTheProgramFile() {
  QFETCH(QString, file);
  QFETCH(QString, title);
  QCOMPARE(wendra::applicationTitleFor(file), title);
}

void ApplicationTest::titleOfThisProgram() {
  // This test program's file is "ui_tst_application".
  QCOMPARE(Application::title(), QStringLiteral("Ui_tst_application"));
}

void ApplicationTest::fullStopRule_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("shown");
  QTest::newRow("letter") << "Out of memory" << "Out of memory.";
  QTest::newRow("digit") << "Error 42" << "Error 42.";
  QTest::newRow("slash sorts after the stop") << "a/" << "a/.";
  QTest::newRow("already a stop") << "Done." << "Done.";
  QTest::newRow("exclamation mark") << "Stop!" << "Stop!";
  QTest::newRow("closing parenthesis") << "(x)" << "(x)";
  QTest::newRow("trailing blank") << "word " << "word ";
  QTest::newRow("hyphen") << "a-" << "a-";
  QTest::newRow("non-ASCII letter") << QString::fromUtf8("Größe") << QString::fromUtf8("Größe.");
  QTest::newRow("empty") << "" << "";
}

void ApplicationTest::fullStopRule() {
  QFETCH(QString, text);
  QFETCH(QString, shown);
  QCOMPARE(wendra::withFullStop(text), shown);
}

void ApplicationTest::exceptionFromAClickIsShownAndTheProgramGoesOn_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("what");
  QTest::addColumn<QString>("shown");
  QTest::newRow("runtime_error") << int(Throw::kRuntimeError) << "Out of memory"
                                 << "Out of memory.";
  QTest::newRow("bad_alloc") << int(Throw::kBadAlloc) << "" << "std::bad_alloc.";
  QTest::newRow("no full stop after !") << int(Throw::kRuntimeError) << "Failed!" << "Failed!";
  QTest::newRow("not a std::exception") << int(Throw::kUnknown) << "" << "Unknown error.";
}

void ApplicationTest::exceptionFromAClickIsShownAndTheProgramGoesOn() {
  QFETCH(int, kind);
  QFETCH(QString, what);
  QFETCH(QString, shown);
  [[maybe_unused]] QtUnwindLeaks overlook;
  BoxRecorder recorder;
  QWidget window;
  auto* button = new QPushButton(QStringLiteral("Go"), &window);
  Throw next = Throw(kind);
  int completed = 0;
  connect(button, &QPushButton::clicked, &window, [&] {
    throwAs(next, what);
    ++completed;
  });
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(recorder.boxes.size(), 1);
  const ShownBox& box = recorder.boxes.first();
  QCOMPARE(box.title, QStringLiteral("Ui_tst_application"));
  QCOMPARE(box.text, shown);
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
  QCOMPARE(completed, 0);  // the failed handler is not resumed

  // The next event is handled as usual; the button is not stuck down.
  next = Throw::kNothing;
  QVERIFY(!button->isDown());
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(completed, 1);
  QCOMPARE(recorder.boxes.size(), 1);
}

void ApplicationTest::exceptionFromAnAcceleratorClick() {
  [[maybe_unused]] QtUnwindLeaks overlook;
  BoxRecorder recorder;
  wendra::TForm1 form(wendra::EncodingKind::kPath);
  connect(form.CreateButton, &QPushButton::clicked, &form,
          [] { throw std::runtime_error("Unable to write to .\\wendra.ini"); });
  form.show();
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
  QCOMPARE(recorder.boxes.size(), 1);
  QCOMPARE(recorder.boxes.first().text, QStringLiteral("Unable to write to .\\wendra.ini."));
  // The window is active again and still answers its keys.
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QCOMPARE(QApplication::focusWidget(), form.CloseButton);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), form.PopEdit);
}

int main(int argc, char** argv) {
  Application app(argc, argv);
  ApplicationTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
