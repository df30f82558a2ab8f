// The pointer while the program works: the wait pointer only for work
// expected to outlast a blink, the working pointer over a batch, the normal
// one over a message box, and every shape given back, also when the work
// fails.

#include "busy_pointer.h"

#include <QApplication>
#include <QCursor>
#include <QtTest>

#include <stdexcept>

using namespace wendra;

namespace {

// The override cursor's shape, or -1 for the normal pointer.
int pointer() {
  const QCursor* cursor = QApplication::overrideCursor();
  return cursor ? int(cursor->shape()) : -1;
}

}  // namespace

class BusyPointerTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QCOMPARE(pointer(), -1); }

  void durationGoesByTheLastMeasurement() {
    WorkDuration duration;
    // The first guess: a million members of 10 000 cities is long, the
    // designed 100 of 100 is not.
    QVERIFY(duration.longerThanABlink(1e6 * 1e4));
    QVERIFY(!duration.longerThanABlink(100 * 100));
    duration.record(1e4, 0.5);  // slow: 50 us a unit
    QCOMPARE(duration.secondsPerUnit(), 5e-5);
    QVERIFY(duration.longerThanABlink(1e4));
    QVERIFY(!duration.longerThanABlink(100));
    // Work too short to tell, or of no size, changes nothing.
    duration.record(1e9, 0.001);
    duration.record(0, 1);
    QCOMPARE(duration.secondsPerUnit(), 5e-5);
  }

  void longWorkShowsTheWaitPointerUntilItEnds() {
    WorkDuration duration;
    duration.record(1, 1);  // one second a unit
    {
      const BusyWork work(duration, 1);
      QCOMPARE(pointer(), int(Qt::WaitCursor));
      QTest::qSleep(30);
    }
    QCOMPARE(pointer(), -1);
    // The work's own time is what the next guess goes by.
    QVERIFY(duration.secondsPerUnit() >= 0.03 && duration.secondsPerUnit() < 0.5);
  }

  void shortWorkLeavesThePointerAlone() {
    WorkDuration duration;
    const BusyWork work(duration, 100);
    QCOMPARE(pointer(), -1);
  }

  void failingWorkGivesThePointerBack() {
    WorkDuration duration;
    duration.record(1, 1);
    try {
      const BusyWork work(duration, 1);
      throw std::runtime_error("Not enough memory");
    } catch (const std::runtime_error&) {
      QCOMPARE(pointer(), -1);
    }
  }

  void nestedWorkInABatchGivesBackTheWorkingPointer() {
    WorkDuration duration;
    duration.record(1, 1);
    const PointerShape batch(Qt::BusyCursor);
    QCOMPARE(pointer(), int(Qt::BusyCursor));
    {
      const BusyWork work(duration, 1);  // a "&Create" inside the batch
      QCOMPARE(pointer(), int(Qt::WaitCursor));
      const NormalPointer box;
      QCOMPARE(pointer(), int(Qt::ArrowCursor));
    }
    QCOMPARE(pointer(), int(Qt::BusyCursor));
    {
      const NormalPointer box;
      QCOMPARE(pointer(), int(Qt::ArrowCursor));
    }
    QCOMPARE(pointer(), int(Qt::BusyCursor));
  }

  void aBoxWithoutWorkKeepsTheNormalPointer() {
    const NormalPointer box;
    QCOMPARE(pointer(), -1);
  }
};

QTEST_MAIN(BusyPointerTest)
#include "tst_busy_pointer.moc"
