// The chart's pixels against the chart drawn the old way (chart_reference.h):
// every element straight from the layout, the line through every point. The
// chart keeps layered pictures, reduces its lines to pixel columns, writes
// spans and dots itself and repaints only what changed; through growing
// runs, panning, resizing, new separators, palettes and odd values, what it
// shows must stay the same, pixel for pixel, both in its picture and on the
// screen; at any device pixel ratio (ctest runs it at 1 and at 2).

#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <random>

#include "chart.h"
#include "chart_reference.h"

using wendra::Chart;

namespace {

QImage rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

// The first differing pixel, or an empty string.
QString difference(const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size())
    return QStringLiteral("size %1x%2, expected %3x%4")
        .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x)
      if (actual.pixel(x, y) != expected.pixel(x, y))
        return QStringLiteral("pixel %1,%2 is %3, expected %4")
            .arg(x).arg(y).arg(actual.pixel(x, y), 8, 16).arg(expected.pixel(x, y), 8, 16);
  return QString();
}

// What the window shows. The offscreen screen's grab covers only the
// window's size in device pixels: at ratios above 1 the chart's own painting
// (from its picture) stands in.
QImage shownPixels(QWidget& widget) {
  const QImage shown = widget.screen()->grabWindow(widget.winId()).toImage();
  return shown.size() == widget.size() * widget.devicePixelRatioF() ? shown : widget.grab().toImage();
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               QPoint at) {
  QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

void pan(Chart& chart, QPoint from, QPoint to) {
  sendMouse(&chart, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, from);
  sendMouse(&chart, QEvent::MouseMove, Qt::NoButton, Qt::RightButton, to);
  sendMouse(&chart, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, to);
}

// A run like a batch's: averages and bests falling with noise, the best in
// steps.
struct Run {
  std::mt19937 random{5};
  int generation = 0;
  double best = 600;
  void add(Chart& chart) {
    std::normal_distribution<double> noise(0, 12);
    const double g = generation++;
    if (random() % 7 == 0) best = std::max(200.0, best - static_cast<double>(random() % 9));
    chart.series1().Add(std::round(300 + 350 * std::exp(-g / 400.0) + noise(random)));
    chart.series2().Add(best + std::round(std::abs(noise(random))));
  }
};

}  // namespace

class TestChartPixels : public QObject {
  Q_OBJECT

 private:
  // The chart's own picture (a paint from scratch if it is not valid).
  void expectPicture(Chart& chart, const QString& what) {
    const QImage actual = rgb(chart.grab().toImage());
    const QString diff = difference(actual, wendra::reference::referenceChart(chart));
    QVERIFY2(diff.isEmpty(), qPrintable(what + QStringLiteral(": ") + diff));
  }
  // What the window shows after processing events: the chart redraws what
  // changed and repaints only that.
  void expectShown(Chart& chart, const QString& what) {
    QCoreApplication::processEvents();
    QVERIFY(chart.pictureValid());
    const QImage shown = rgb(shownPixels(chart));
    const QImage expected = wendra::reference::referenceChart(chart);
    const QString diff = difference(shown.copy(QRect(QPoint(0, 0), expected.size())), expected);
    QVERIFY2(diff.isEmpty(), qPrintable(what + QStringLiteral(" (shown): ") + diff));
  }

  std::unique_ptr<Chart> shownChart(QSize size) {
    auto chart = std::make_unique<Chart>();
    chart->resize(size);
    chart->show();
    if (!QTest::qWaitForWindowExposed(chart.get())) qWarning("chart not exposed");
    return chart;
  }

 private slots:
  void growingRunAsShown() {
    auto chart = shownChart(QSize(586, 268));
    Run run;
    expectShown(*chart, "empty");
    for (int n = 1; n <= 120; ++n) {
      run.add(*chart);
      expectShown(*chart, QStringLiteral("%1 points").arg(n));
    }
    for (int n = 121; n <= 6000; ++n) {
      run.add(*chart);
      if (n % 97 == 0 || (n > 5900 && n % 7 == 0)) expectShown(*chart, QStringLiteral("%1 points").arg(n));
    }
    expectPicture(*chart, "6000 points");
  }

  void panningAsShown() {
    auto chart = shownChart(QSize(586, 268));
    Run run;
    for (int n = 0; n < 3000; ++n) run.add(*chart);
    expectShown(*chart, "before panning");
    const wendra::chart::Edges r = chart->layout().plot;
    const QPoint middle((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const QPoint moves[] = {{40, 0}, {-120, 0}, {0, 30}, {0, -80}, {200, 60}, {-300, -100},
                            {1, 1}, {-2, 0}, {0, 150}};
    for (const QPoint& move : moves) {
      pan(*chart, middle, middle + move);
      expectShown(*chart, QStringLiteral("panned by %1,%2").arg(move.x()).arg(move.y()));
      for (int n = 0; n < 50; ++n) run.add(*chart);
      expectShown(*chart, QStringLiteral("panned by %1,%2, then 50 points").arg(move.x()).arg(move.y()));
    }
  }

  void tinyRangesAndFlatSeries() {
    // An empty chart panned gets ranges of 1e-10: points far off map to the
    // middle, those in range by the linear rule.
    auto chart = shownChart(QSize(586, 268));
    expectShown(*chart, "empty");
    const wendra::chart::Edges r = chart->layout().plot;
    const QPoint middle((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    pan(*chart, middle, middle + QPoint(5, 3));
    for (int n = 0; n < 400; ++n) {
      chart->series1().Add(n % 5 == 0 ? 0 : n);
      chart->series2().Add(n % 3 == 0 ? 1e-11 * n : -n);
      if (n < 5 || n % 37 == 0) expectShown(*chart, QStringLiteral("tiny, %1 points").arg(n + 1));
    }
    chart->series1().Clear();
    chart->series2().Clear();
    expectShown(*chart, "cleared");
    auto flat = shownChart(QSize(586, 268));
    for (int n = 0; n < 2000; ++n) {
      flat->series1().Add(300);
      flat->series2().Add(300);
      if (n < 3 || n % 401 == 0) expectShown(*flat, QStringLiteral("flat, %1 points").arg(n + 1));
    }
  }

  void oddValues_data() {
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("huge") << QList<double>{1e300, -1e300, 5, 1e300, 0, -1e300};
    QTest::newRow("negative") << QList<double>{-5, -650.5, -0.001, -1234567, -3};
    QTest::newRow("tiny steps") << QList<double>{1e-9, 2e-9, 1.5e-9, 0, 3e-9};
    QTest::newRow("one point") << QList<double>{42};
    QTest::newRow("two points") << QList<double>{42, 17};
  }
  void oddValues() {
    QFETCH(QList<double>, values);
    auto chart = shownChart(QSize(586, 268));
    for (int repeat = 0; repeat < 300; ++repeat) {
      for (double v : values) {
        chart->series1().Add(v);
        chart->series2().Add(-v / 2);
      }
      if (repeat < 2 || repeat % 61 == 0) expectShown(*chart, QStringLiteral("repeat %1").arg(repeat));
      if (values.size() < 3) break;
    }
  }

  void sizesSeparatorsAndPalettes() {
    Chart chart;
    Run run;
    for (int n = 0; n < 2500; ++n) run.add(chart);
    const QSize sizes[] = {{586, 268}, {900, 500}, {300, 150}, {120, 60}, {40, 30},
                           {10, 8},    {1, 1},     {586, 268}, {2000, 300}};
    for (const QSize& size : sizes) {
      chart.resize(size);
      expectPicture(chart, QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
      run.add(chart);
      expectPicture(chart, QStringLiteral("%1x%2, one more point").arg(size.width()).arg(size.height()));
    }
    chart.setNumberSeparators({u',', u'.'});
    expectPicture(chart, "comma separators");
    QPalette palette = chart.palette();
    palette.setColor(QPalette::Button, QColor(200, 220, 180));
    palette.setColor(QPalette::Dark, QColor(10, 60, 10));
    chart.setPalette(palette);
    expectPicture(chart, "new palette");
    chart.series1().Clear();
    chart.series2().Clear();
    expectPicture(chart, "cleared");
    run.add(chart);
    expectPicture(chart, "one point after clearing");
  }
};

QTEST_MAIN(TestChartPixels)
#include "tst_chart_pixels.moc"
