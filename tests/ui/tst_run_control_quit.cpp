// Closing the window while a batch runs, inside the application's real event
// loop: the close request is taken at the batch's event processing, the
// window hides, the batch runs on to its limit (or until stopped), and
// exec() returns as soon as the batch handler has returned.

#include <QPushButton>
#include <QtTest>

#include <functional>

#include "fresh_directory.h"
#include "application.h"
#include "main_window.h"

using wendra::EncodingKind;
using wendra::TForm1;

namespace {

enum class CloseBy { kCloseButton, kAltF4, kCloseCall, kCloseThenStop };
enum class StartBy { kClick, kAltB };

// Runs `action` with the batch index at every event-processing point of a
// batch (it posts itself an event that each processing point delivers).
class AtProcessingPoints : public QObject {
 public:
  AtProcessingPoints(TForm1& form, std::function<void(int)> action)
      : form_(form), action_(std::move(action)) {
    post();
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    if (form_.batchRunning()) action_(form_.batchIndex);
    post();
    return true;
  }

 private:
  void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
  TForm1& form_;
  std::function<void(int)> action_;
};

}  // namespace

Q_DECLARE_METATYPE(CloseBy)
Q_DECLARE_METATYPE(StartBy)

class RunControlQuitTest : public QObject {
  Q_OBJECT

 private slots:
  void closeDuringABatchEndsTheProgramAfterIt_data();
  void closeDuringABatchEndsTheProgramAfterIt();
};

void RunControlQuitTest::closeDuringABatchEndsTheProgramAfterIt_data() {
  QTest::addColumn<EncodingKind>("kind");
  QTest::addColumn<StartBy>("start");
  QTest::addColumn<CloseBy>("close");
  QTest::addColumn<int>("generations");
  QTest::newRow("Close button") << EncodingKind::kRandomKey << StartBy::kClick
                                << CloseBy::kCloseButton << 100;
  QTest::newRow("Alt+B, Alt+F4") << EncodingKind::kPath << StartBy::kAltB << CloseBy::kAltF4
                                 << 100;
  QTest::newRow("close request") << EncodingKind::kPath << StartBy::kClick
                                 << CloseBy::kCloseCall << 100;
  QTest::newRow("Stop after the close")
      << EncodingKind::kRandomKey << StartBy::kClick << CloseBy::kCloseThenStop << 20;
}

void RunControlQuitTest::closeDuringABatchEndsTheProgramAfterIt() {
  QFETCH(EncodingKind, kind);
  QFETCH(StartBy, start);
  QFETCH(CloseBy, close);
  QFETCH(int, generations);

  FreshWorkingDirectory dir;
  TForm1 form(kind);
  form.show();
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QTest::mouseClick(form.CreateButton, Qt::LeftButton);
  form.RefreshCount->setText(QStringLiteral("10"));

  QList<int> points;
  AtProcessingPoints closer(form, [&](int index) {
    points << index;
    if (index == 10) {
      switch (close) {
        case CloseBy::kCloseButton:
          QTest::mouseClick(form.CloseButton, Qt::LeftButton);
          break;
        case CloseBy::kAltF4:
          QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::AltModifier);
          break;
        case CloseBy::kCloseCall:
        case CloseBy::kCloseThenStop:
          form.close();
          break;
      }
    } else if (index == 20 && close == CloseBy::kCloseThenStop) {
      form.Button2Click();
    }
  });

  int generationAtReturn = -1;
  bool visibleAtReturn = true;
  bool handlerReturned = false;
  QTimer::singleShot(0, &form, [&] {
    if (start == StartBy::kAltB)
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
    else
      QTest::mouseClick(form.Button3, Qt::LeftButton);
    handlerReturned = true;
    generationAtReturn = form.engine().generation();
    visibleAtReturn = form.isVisible();
  });
  bool timedOut = false;
  QTimer::singleShot(20000, qApp, [&] {
    timedOut = true;
    QCoreApplication::exit(3);
  });
  QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);

  const int status = QApplication::exec();
  QVERIFY(!timedOut);
  QCOMPARE(status, 0);
  QVERIFY(handlerReturned);
  QCOMPARE(lastWindowClosed.count(), 1);
  QVERIFY(!visibleAtReturn);
  // The close did not end the batch: it ran to its limit or its Stop.
  QCOMPARE(generationAtReturn, generations);
  QCOMPARE(points.size(), generations / 10);
  QCOMPARE(form.Series1->count(), generations + 1);
  QVERIFY(form.Button1->isEnabled());
}

int main(int argc, char** argv) {
  wendra::Application app(argc, argv);
  RunControlQuitTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_run_control_quit.moc"
