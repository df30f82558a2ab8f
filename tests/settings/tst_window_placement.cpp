// The placement record mapped onto a Qt window, without the settings store:
// the show command and flags from the window state, a set record read back,
// and records that are not sound made so (minimum size, onto the screen,
// 32-bit extremes).
//
// Offscreen platform: one screen of 800 x 800 pixels, its whole area
// available.

#include "window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <climits>

namespace wendra {

class WindowPlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void showCommandFollowsTheState_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("showCmd");
    QTest::addColumn<int>("flags");
    QTest::newRow("normal") << int(Qt::WindowNoState) << int(kShowNormal) << 0;
    QTest::newRow("maximized") << int(Qt::WindowMaximized) << int(kShowMaximized) << 0;
    QTest::newRow("full screen") << int(Qt::WindowFullScreen) << int(kShowMaximized) << 0;
    QTest::newRow("minimized") << int(Qt::WindowMinimized) << int(kShowMinimized) << 0;
    QTest::newRow("minimized from maximized")
        << int(Qt::WindowMinimized | Qt::WindowMaximized) << int(kShowMinimized)
        << WindowPlacement::kRestoreToMaximized;
  }
  void showCommandFollowsTheState() {
    QFETCH(int, state);
    QFETCH(int, showCmd);
    QFETCH(int, flags);
    QWidget window;
    WindowPlacement placement(&window);
    window.setWindowState(Qt::WindowStates(state));
    const PlacementRecord record = placement.get();
    QCOMPARE(record.showCmd, showCmd);
    QCOMPARE(record.flags, flags);
  }

  void setRecordReadsBack() {
    QWidget window;
    WindowPlacement placement(&window);
    PlacementRecord record;
    record.showCmd = kShowMaximized;  // not applied
    record.minPosition = {-32000, -32000};
    record.maxPosition = {-4, -4};
    record.normalPosition = {100, 50, 500, 350};
    placement.set(record);
    QCOMPARE(window.windowState(), Qt::WindowNoState);
    QCOMPARE(window.size(), QSize(400, 300));
    const PlacementRecord back = placement.get();
    QCOMPARE(back.showCmd, int(kShowNormal));
    QCOMPARE(back.minPosition, record.minPosition);
    QCOMPARE(back.maxPosition, record.maxPosition);
    QCOMPARE(back.normalPosition.left, 100);
    QCOMPARE(back.normalPosition.top, 50);
    QCOMPARE(back.normalPosition.right, 500);
    QCOMPARE(back.normalPosition.bottom, 350);
  }

  void unsoundRecordIsMadeSound_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("bottom");
    QTest::newRow("below the minimum") << 10 << 10 << 20 << 20;
    QTest::newRow("off to the right") << 5000 << 100 << 5400 << 400;
    QTest::newRow("off above and left") << -900 << -900 << -500 << -600;
    QTest::newRow("larger than the screen") << 0 << 0 << 3000 << 3000;
    QTest::newRow("32-bit extremes") << INT_MIN << INT_MIN << INT_MAX << INT_MAX;
    QTest::newRow("inverted") << 400 << 400 << 100 << 100;
  }
  void unsoundRecordIsMadeSound() {
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, right);
    QFETCH(int, bottom);
    QWidget window;
    window.setMinimumSize(200, 150);
    WindowPlacement placement(&window);
    PlacementRecord record;
    record.normalPosition = {left, top, right, bottom};
    placement.set(record);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(window.width() >= 200 && window.height() >= 150, qPrintable(QString::number(window.width())));
    QVERIFY2(area.contains(window.frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(window.x()).arg(window.y())
                            .arg(window.frameGeometry().width()).arg(window.frameGeometry().height())));
  }
};

}  // namespace wendra

QTEST_MAIN(wendra::WindowPlacementTest)
#include "tst_window_placement.moc"
