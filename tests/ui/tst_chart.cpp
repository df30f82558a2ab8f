#include <QFontInfo>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

#include "chart.h"

using wendra::Chart;
using wendra::chart::Edges;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

QImage render(Chart& chart) { return chart.grab().toImage(); }

// Columns of R (walls included) holding at least one pixel of the colour.
int columnsWith(const QImage& image, const Edges& r, const QColor& color) {
  int columns = 0;
  for (int x = r.left; x <= r.right; ++x) {
    for (int y = r.top; y <= r.bottom; ++y) {
      if (image.pixelColor(x, y) == color) {
        ++columns;
        break;
      }
    }
  }
  return columns;
}

int countColor(const QImage& image, const QRect& area, const QColor& color) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == color;
  return n;
}

int firstColumnWith(const QImage& image, const Edges& r, const QColor& color) {
  for (int x = r.left; x <= r.right; ++x)
    for (int y = r.top; y <= r.bottom; ++y)
      if (image.pixelColor(x, y) == color) return x;
  return -1;
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               QPoint at) {
  QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

void drag(QWidget* w, Qt::MouseButton button, QPoint from, QPoint to) {
  sendMouse(w, QEvent::MouseButtonPress, button, button, from);
  sendMouse(w, QEvent::MouseMove, Qt::NoButton, button, to);
  sendMouse(w, QEvent::MouseButtonRelease, button, Qt::NoButton, to);
}

// A realistic run: 101 points, averages from about 650 to 300, bests from
// about 600 to 250, the last point repeating the one before.
void addRun(Chart& chart) {
  for (int i = 0; i <= 100; ++i) {
    const int g = i == 100 ? 99 : i;
    chart.series1().Add(std::round(300 + 350 * std::exp(-g / 25.0)) + 0.25);
    chart.series2().Add(250 + std::round(350 * std::exp(-g / 20.0)));
  }
}

}  // namespace

class TestChart : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    chart_ = std::make_unique<Chart>();
    chart_->resize(586, 268);
  }
  void cleanup() { chart_.reset(); }

  void fontIsTheMetricCompatibleArial() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(chart_->textMetrics().height, 13);
  }

  void emptyChart() {
    const QImage image = render(*chart_);
    QCOMPARE(image.size(), QSize(586, 268));
    const QPalette palette = chart_->palette();
    QCOMPARE(image.pixel(0, 0), palette.color(QPalette::Dark).rgb());
    QCOMPARE(image.pixel(0, 266), palette.color(QPalette::Dark).rgb());
    QCOMPARE(image.pixel(585, 0), palette.color(QPalette::Light).rgb());
    QCOMPARE(image.pixel(0, 267), palette.color(QPalette::Light).rgb());
    QCOMPARE(image.pixel(3, 3), palette.color(QPalette::Button).rgb());

    const auto& l = chart_->layout();
    const Edges r = l.plot;
    for (QPoint corner : {QPoint(r.left, r.top), QPoint(r.right, r.top), QPoint(r.left, r.bottom),
                          QPoint(r.right, r.bottom)})
      QCOMPARE(image.pixelColor(corner), QColor(Qt::black));
    QCOMPARE(image.pixel(r.left + 5, r.top + 5), palette.color(QPalette::Button).rgb());

    // One label 0 in the middle of each axis, with its grid line.
    QCOMPARE(l.bottom.labels.size(), std::size_t{1});
    QCOMPARE(l.left.labels.size(), std::size_t{1});
    QCOMPARE(l.bottom.labels[0].text, QStringLiteral("0"));
    QCOMPARE(l.left.labels[0].text, QStringLiteral("0"));
    const int midX = (r.left + r.right) / 2;
    const int midY = (r.top + r.bottom) / 2;
    QCOMPARE(l.bottom.labels[0].pixel, midX);
    QCOMPARE(l.left.labels[0].pixel, midY);
    const QColor grey(128, 128, 128);
    QVERIFY(countColor(image, QRect(midX, r.top + 1, 1, r.bottom - r.top - 1), grey) > 40);
    QVERIFY(countColor(image, QRect(r.left + 1, midY, r.right - r.left - 1, 1), grey) > 80);
    QCOMPARE(countColor(image, QRect(r.left + 1, r.top + 1, r.right - r.left - 1, r.bottom - r.top - 1),
                        grey),
             countColor(image, QRect(midX, r.top + 1, 1, r.bottom - r.top - 1), grey) +
                 countColor(image, QRect(r.left + 1, midY, r.right - r.left - 1, 1), grey) -
                 (image.pixelColor(midX, midY) == grey ? 1 : 0));
    // Major ticks point outward from the axis lines.
    QCOMPARE(image.pixelColor(midX, r.bottom + 1), QColor(Qt::black));
    QCOMPARE(image.pixelColor(midX, r.bottom + 3), grey);
    QCOMPARE(image.pixelColor(midX, r.bottom + 6), grey);
    QCOMPARE(image.pixelColor(r.left - 6, midY), grey);
    QCOMPARE(image.pixelColor(r.left - 2, midY), QColor(Qt::black));

    // Legend with both rows, its frame, white inside, a shadow, two symbols.
    QVERIFY(l.legend.shown);
    QCOMPARE(l.legend.rows, 2);
    const Edges box = l.legend.box;
    QCOMPARE(image.pixelColor(box.left - 1, box.top - 1), QColor(Qt::black));
    QCOMPARE(image.pixelColor(box.right, box.bottom), QColor(Qt::black));
    QCOMPARE(image.pixelColor(box.left, box.top), QColor(Qt::white));
    QCOMPARE(image.pixelColor(box.right + 2, box.bottom + 2), QColor(Qt::black));
    QCOMPARE(image.pixel(box.right + 3, box.bottom + 2), palette.color(QPalette::Button).rgb());
    QCOMPARE(image.pixel(box.right + 1, box.top + 2), palette.color(QPalette::Button).rgb());
    const int h = l.textHeight;
    QCOMPARE(image.pixelColor(l.legend.symbolLeft(), l.legend.rowTop(0, h) + h / 2), kRed);
    QCOMPARE(image.pixelColor(l.legend.symbolRight(), l.legend.rowTop(1, h) + h / 2), kBlue);
    const QRect titles(l.legend.textLeft, box.top, l.legend.titleWidth, 2 * h);
    QVERIFY(titles.width() * titles.height() - countColor(image, titles, QColor(Qt::white)) > 40);
    // The title in blue above the plot area.
    int bluish = 0;
    for (int y = l.titleTop; y < l.titleTop + h; ++y)
      for (int x = l.titleLeft; x < l.titleLeft + 35; ++x)
        bluish += image.pixelColor(x, y).blue() > image.pixelColor(x, y).red() + 60;
    QVERIFY(bluish > 20);
    // No series lines.
    QCOMPARE(columnsWith(image, r, kRed), 0);
    QCOMPARE(columnsWith(image, r, kBlue), 0);
  }

  void onePointDrawsNoLine() {
    chart_->series1().Add(650);
    chart_->series2().Add(600);
    const QImage image = render(*chart_);
    const auto& l = chart_->layout();
    QCOMPARE(l.bottom.labels.size(), std::size_t{1});
    QCOMPARE(chart_->leftAxis().Minimum, 600.0);
    QCOMPARE(chart_->leftAxis().Maximum, 650.0);
    QCOMPARE(columnsWith(image, l.plot, kRed), 0);
    QCOMPARE(columnsWith(image, l.plot, kBlue), 0);
  }

  void twoPointsSpanThePlotArea() {
    chart_->series1().Add(650);
    chart_->series2().Add(600);
    chart_->series1().Add(640);
    chart_->series2().Add(590);
    const QImage image = render(*chart_);
    const Edges r = chart_->layout().plot;
    QCOMPARE(image.pixelColor(r.left, r.top), kRed);  // 650 at the top left
    QCOMPARE(image.pixelColor(r.right, r.bottom), kBlue);  // 590 at the bottom right
    QCOMPARE(columnsWith(image, r, kRed), r.right - r.left + 1);
    QCOMPARE(columnsWith(image, r, kBlue), r.right - r.left + 1);
    QCOMPARE(image.pixel(r.right + 1, r.bottom), chart_->palette().color(QPalette::Button).rgb());
  }

  void equalValuesRunAlongTheMiddle() {
    for (int i = 0; i < 5; ++i) {
      chart_->series1().Add(300);
      chart_->series2().Add(300);
    }
    const QImage image = render(*chart_);
    const auto& l = chart_->layout();
    QCOMPARE(l.left.labels.size(), std::size_t{1});
    QCOMPARE(l.left.labels[0].text, QStringLiteral("300"));
    const int mid = (l.plot.top + l.plot.bottom) / 2;
    QCOMPARE(countColor(image, QRect(l.plot.left, mid, l.plot.right - l.plot.left + 1, 1), kBlue),
             l.plot.right - l.plot.left + 1);
  }

  void realisticRun() {
    addRun(*chart_);
    QCOMPARE(chart_->series1().count(), 101);
    const QImage image = render(*chart_);
    const auto& l = chart_->layout();
    QCOMPARE(chart_->bottomAxis().Minimum, 0.0);
    QCOMPARE(chart_->bottomAxis().Maximum, 100.0);
    QCOMPARE(l.bottom.step.value(), 5.0);
    QCOMPARE(l.left.step.value(), 50.0);
    // "Best" is drawn last: its first point (the top of its range is 600)
    // and its last, at the bottom right corner.
    const int yFirst = l.left.map.toPixel(600);
    QCOMPARE(image.pixelColor(l.plot.left, yFirst), kBlue);
    QCOMPARE(image.pixelColor(l.plot.right, l.plot.bottom), kBlue);
    QCOMPARE(columnsWith(image, l.plot, kRed), l.plot.right - l.plot.left + 1);
  }

  void separatorsReachTheLabels() {
    chart_->series1().Add(1250.5);
    chart_->series2().Add(1250);
    chart_->setNumberSeparators({u',', u'.'});
    render(*chart_);
    QStringList texts;
    for (const auto& label : chart_->layout().left.labels) texts << label.text;
    QVERIFY2(texts.contains(QStringLiteral("1.250,5")), qPrintable(texts.join(u' ')));
    QVERIFY2(texts.contains(QStringLiteral("1.250")), qPrintable(texts.join(u' ')));
  }

  void pictureIsCachedUntilAChange() {
    render(*chart_);
    QVERIFY(chart_->pictureValid());
    chart_->series1().Add(1);
    QVERIFY(!chart_->pictureValid());
    render(*chart_);
    QVERIFY(chart_->pictureValid());
    chart_->series1().Clear();
    QVERIFY(!chart_->pictureValid());
    render(*chart_);
    chart_->resize(600, 268);
    QVERIFY(!chart_->pictureValid());
    QCOMPARE(render(*chart_).size(), QSize(600, 268));
    chart_->setNumberSeparators({u',', u'.'});
    QVERIFY(!chart_->pictureValid());
  }

  void rightButtonPansAndStaysManual() {
    addRun(*chart_);
    const QImage before = render(*chart_);
    const Edges r = chart_->layout().plot;
    const int redBefore = firstColumnWith(before, r, kRed);
    QCOMPARE(redBefore, r.left);

    const QPoint from((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    drag(chart_.get(), Qt::RightButton, from, from + QPoint(50, 0));
    QVERIFY(!chart_->bottomAxis().Automatic);
    QVERIFY(chart_->leftAxis().Automatic);  // no vertical move
    const double shift = 50.0 * 100 / (r.right - r.left);
    QCOMPARE(chart_->bottomAxis().Minimum, -shift);
    QCOMPARE(chart_->bottomAxis().Maximum, 100 - shift);
    QVERIFY(!chart_->pictureValid());
    const QImage after = render(*chart_);
    const Edges r2 = chart_->layout().plot;
    QCOMPARE(firstColumnWith(after, r2, kRed), r2.left + 50);

    // Clear and new points do not bring the automatic range back.
    chart_->series1().Clear();
    chart_->series2().Clear();
    addRun(*chart_);
    render(*chart_);
    QVERIFY(!chart_->bottomAxis().Automatic);
    QCOMPARE(chart_->bottomAxis().Minimum, -shift);
    QCOMPARE(chart_->layout().bottom.map.maximum(), 100 - shift);
  }

  void verticalPanFollowsThePointer() {
    addRun(*chart_);
    render(*chart_);
    const Edges r = chart_->layout().plot;
    const double min = chart_->leftAxis().Minimum, max = chart_->leftAxis().Maximum;
    const QPoint from((r.left + r.right) / 2, r.top + 10);
    drag(chart_.get(), Qt::RightButton, from, from + QPoint(0, 20));
    QVERIFY(chart_->bottomAxis().Automatic);
    QVERIFY(!chart_->leftAxis().Automatic);
    const double shift = 20.0 * (max - min) / (r.bottom - r.top);
    QCOMPARE(chart_->leftAxis().Minimum, min + shift);  // content moves down
    QCOMPARE(chart_->leftAxis().Maximum, max + shift);
  }

  void panningNeedsARightPressOnThePlotOrAnAxis_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("pans");
    QTest::newRow("right inside") << int(Qt::RightButton) << "inside" << true;
    QTest::newRow("right on left axis") << int(Qt::RightButton) << "left axis" << true;
    QTest::newRow("right on title") << int(Qt::RightButton) << "title" << false;
    QTest::newRow("right on legend") << int(Qt::RightButton) << "legend" << false;
    QTest::newRow("left inside") << int(Qt::LeftButton) << "inside" << false;
    QTest::newRow("middle inside") << int(Qt::MiddleButton) << "inside" << false;
  }
  void panningNeedsARightPressOnThePlotOrAnAxis() {
    QFETCH(int, button);
    QFETCH(QString, where);
    QFETCH(bool, pans);
    addRun(*chart_);
    render(*chart_);
    const auto& l = chart_->layout();
    const Edges r = l.plot;
    QPoint press((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (where == "left axis") press = QPoint(r.left - 6, press.y());
    if (where == "title") press = QPoint(l.titleLeft + 5, l.titleTop + 5);
    if (where == "legend") press = QPoint(l.legend.textLeft + 5, l.legend.box.top + 5);
    const auto b = Qt::MouseButton(button);
    // Press, then move inside R.
    sendMouse(chart_.get(), QEvent::MouseButtonPress, b, b, press);
    sendMouse(chart_.get(), QEvent::MouseMove, Qt::NoButton, b, QPoint(r.left + 40, r.top + 40));
    sendMouse(chart_.get(), QEvent::MouseMove, Qt::NoButton, b, QPoint(r.left + 60, r.top + 70));
    sendMouse(chart_.get(), QEvent::MouseButtonRelease, b, Qt::NoButton, QPoint(r.left + 60, r.top + 70));
    QCOMPARE(!chart_->bottomAxis().Automatic, pans);
    QVERIFY(chart_->pictureValid() != pans);
  }

  void movingOutOfThePlotEndsPanning() {
    addRun(*chart_);
    render(*chart_);
    const Edges r = chart_->layout().plot;
    const QPoint from(r.left + 100, r.top + 50);
    sendMouse(chart_.get(), QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, from);
    sendMouse(chart_.get(), QEvent::MouseMove, Qt::NoButton, Qt::RightButton, QPoint(r.right + 5, r.top + 50));
    sendMouse(chart_.get(), QEvent::MouseMove, Qt::NoButton, Qt::RightButton, from + QPoint(30, 0));
    QVERIFY(chart_->bottomAxis().Automatic);
    // A release ends it too.
    sendMouse(chart_.get(), QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, from);
    sendMouse(chart_.get(), QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, from);
    sendMouse(chart_.get(), QEvent::MouseMove, Qt::NoButton, Qt::RightButton, from + QPoint(30, 0));
    QVERIFY(chart_->bottomAxis().Automatic);
  }

  void panningAFlatAxisKeepsAMinimalRange() {
    render(*chart_);  // empty: both axes 0 .. 0
    const Edges r = chart_->layout().plot;
    drag(chart_.get(), Qt::RightButton, QPoint(r.left + 10, r.top + 10), QPoint(r.left + 20, r.top + 10));
    QVERIFY(!chart_->bottomAxis().Automatic);
    QCOMPARE(chart_->bottomAxis().Minimum, 0.0);
    QCOMPARE(chart_->bottomAxis().Maximum, 1e-10);
    QVERIFY(chart_->leftAxis().Automatic);
  }

  void doubleClickIsPassedOn() {
    render(*chart_);
    QSignalSpy spy(chart_.get(), &Chart::doubleClicked);
    QTest::mouseDClick(chart_.get(), Qt::LeftButton, {}, QPoint(200, 100));
    QCOMPARE(spy.count(), 1);
    QVERIFY(chart_->bottomAxis().Automatic);
    QTest::mouseDClick(chart_.get(), Qt::RightButton, {}, QPoint(200, 100));
    QCOMPARE(spy.count(), 1);
  }

  void takesNoFocus() { QCOMPARE(chart_->focusPolicy(), Qt::NoFocus); }

 private:
  std::unique_ptr<Chart> chart_;
};

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
