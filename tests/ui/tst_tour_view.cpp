#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "device_picture.h"
#include "tour_view.h"

using wendra::Grid;
using wendra::TourGeometry;
using wendra::TourView;

namespace {

std::vector<std::int32_t> rowByRow(const Grid& g) {
  std::vector<std::int32_t> tour(static_cast<std::size_t>(g.cities()));
  std::iota(tour.begin(), tour.end(), 0);
  return tour;
}

// Black pixels of the image within [x0, x1] x [y0, y1].
int blackIn(const QImage& image, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) n += image.pixelColor(x, y) == QColor(Qt::black);
  return n;
}

struct Extent {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Extent blackExtent(const QImage& image, int x0, int x1) {
  Extent e;
  for (int y = 0; y < image.height(); ++y)
    for (int x = x0; x <= x1 && x < image.width(); ++x)
      if (image.pixelColor(x, y) == QColor(Qt::black)) {
        e.left = std::min(e.left, x);
        e.right = std::max(e.right, x);
        e.top = std::min(e.top, y);
        e.bottom = std::max(e.bottom, y);
      }
  return e;
}

// The picture as a whole redraw makes it at `ratio`: the button face, then
// both tours segment by segment, the right one shifted.
QImage wholeRedraw(QSize size, qreal ratio, const Grid& grid, const std::vector<std::int32_t>& left,
                   const std::vector<std::int32_t>& right, int panel4Height, const QColor& face) {
  QImage image = wendra::makeDevicePicture(size, ratio);
  QPainter painter(&image);
  painter.fillRect(QRect(QPoint(0, 0), size), face);
  painter.setPen(wendra::linePen(Qt::black, ratio));
  const TourGeometry geometry{grid, panel4Height};
  auto draw = [&](const std::vector<std::int32_t>& tour, int shift) {
    QPoint current = geometry.leftCity(tour.front()) + QPoint(shift, 0);
    auto lineTo = [&](QPoint to) {
      if (to != current) painter.drawLine(current, to);
      current = to;
    };
    for (std::int32_t c : tour) lineTo(geometry.leftCity(c) + QPoint(shift, 0));
    lineTo(geometry.leftCity(tour.front()) + QPoint(shift, 0));
  };
  draw(left, 0);
  draw(right, geometry.rightShift());
  return image;
}

// What the window shows. The offscreen screen's grab covers only the
// window's size in device pixels: at ratios above 1 the widget's own
// painting (from its picture) stands in.
QImage shownPixels(QWidget& widget) {
  const QImage shown = widget.screen()->grabWindow(widget.winId()).toImage();
  const QImage image = shown.size() == widget.size() * widget.devicePixelRatioF() ? shown : widget.grab().toImage();
  return image.convertToFormat(QImage::Format_RGB32);
}

std::vector<std::int32_t> shuffled(const Grid& g, std::mt19937& random) {
  std::vector<std::int32_t> tour = rowByRow(g);
  std::shuffle(tour.begin(), tour.end(), random);
  return tour;
}

}  // namespace

class TestTourView : public QObject {
  Q_OBJECT

 private slots:
  void geometry_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("origin");
    QTest::addColumn<int>("rightShift");
    QTest::newRow("4x4 in 206") << 4 << 4 << 206 << 43 << 130;
    QTest::newRow("10x10 in 206") << 10 << 10 << 206 << 0 << 310;
    QTest::newRow("10x4 in 207") << 10 << 4 << 207 << 43 << 310;  // 87 div 2
    QTest::newRow("5x6 in 500") << 5 << 6 << 500 << 160 << 160;
  }
  void geometry() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, panel);
    QFETCH(int, origin);
    QFETCH(int, rightShift);
    const TourGeometry g{Grid::of(w, h), panel};
    QCOMPARE(g.origin(), origin);
    QCOMPARE(g.rightShift(), rightShift);
    QCOMPARE(g.leftCity(0), QPoint(20, origin + 2));
    QCOMPARE(g.leftCity(w * h - 1), QPoint(20 + (w - 1) * 30, origin + (h - 1) * 30 + 2));
    QCOMPARE(g.rightCity(w + 1), QPoint(50 + rightShift, origin + 32));
  }

  void nothingBeforeTheFirstDraw() {
    TourView view;
    view.resize(584, 204);
    const QImage image = view.grab().toImage();
    QVERIFY(view.picture().isNull());
    QCOMPARE(blackIn(image, 0, 0, 583, 203), 0);
    QCOMPARE(image.pixel(100, 100), view.palette().color(QPalette::Button).rgb());
  }

  void smallGridVerticesLandOnTheirPixels() {
    TourView view;
    view.resize(584, 204);
    const Grid g = Grid::of(4, 4);
    // Column by column, so that every vertex is a corner of the drawing.
    const std::vector<std::int32_t> tour = {0, 4, 8, 12, 13, 9, 5, 1, 2, 6, 10, 14, 15, 11, 7, 3};
    view.drawTours(g, tour, tour, 206);
    const QImage image = view.grab().toImage();
    QCOMPARE(image.size(), QSize(584, 204));
    const TourGeometry geometry{g, 206};
    for (std::int32_t c = 0; c < 16; ++c) {
      QCOMPARE(image.pixelColor(geometry.leftCity(c)), QColor(Qt::black));
      QCOMPARE(image.pixelColor(geometry.rightCity(c)), QColor(Qt::black));
    }
    const Extent left = blackExtent(image, 0, 140);
    QCOMPARE(left.left, 20);
    QCOMPARE(left.right, 110);
    QCOMPARE(left.top, 45);
    QCOMPARE(left.bottom, 135);
    const Extent right = blackExtent(image, 141, 583);
    QCOMPARE(right.left, 150);
    QCOMPARE(right.right, 240);
    // The two drawings are identical.
    QCOMPARE(image.copy(0, 0, 130, 204), image.copy(130, 0, 130, 204));
    // Between the grid lines the button face shows.
    QCOMPARE(image.pixel(35, 60), view.palette().color(QPalette::Button).rgb());
  }

  void defaultGridSpansAndIsCut() {
    TourView view;
    view.resize(700, 300);
    const Grid g = Grid::of(10, 10);
    const std::vector<std::int32_t> tour = rowByRow(g);
    view.drawTours(g, tour, tour, 206);
    const QImage image = view.picture();
    const Extent left = blackExtent(image, 0, 310);
    QCOMPARE(left.left, 20);
    QCOMPARE(left.right, 290);
    QCOMPARE(left.top, 2);
    QCOMPARE(left.bottom, 272);
    const Extent right = blackExtent(image, 311, 699);
    QCOMPARE(right.left, 330);
    QCOMPARE(right.right, 600);
  }

  void pictureKeepsItsFirstSize() {
    TourView view;
    view.resize(584, 204);
    const Grid g = Grid::of(20, 4);
    const std::vector<std::int32_t> tour = rowByRow(g);
    view.drawTours(g, tour, tour, 206);
    view.resize(1200, 400);
    view.drawTours(g, tour, tour, 402);
    QCOMPARE(view.picture().size(), QSize(584, 204));
    const QImage image = view.grab().toImage();
    QCOMPARE(image.size(), QSize(1200, 400));
    // The right tour would reach x 1200 - 10; beyond the picture only the
    // button face shows.
    QCOMPARE(blackIn(image, 584, 0, 1199, 399), 0);
    QCOMPARE(blackIn(image, 0, 204, 1199, 399), 0);
    QCOMPARE(image.pixel(800, 100), view.palette().color(QPalette::Button).rgb());
    // The origin followed the new panel height: (402 - 120) div 2 = 141.
    QCOMPARE(image.pixelColor(20, 143), QColor(Qt::black));
    QCOMPARE(blackIn(image, 0, 0, 583, 142), 0);
  }

  void pictureTakesTheSizeOfTheFirstDraw() {
    TourView view;
    view.resize(300, 100);
    view.resize(640, 220);
    const Grid g = Grid::of(4, 4);
    const std::vector<std::int32_t> tour = rowByRow(g);
    view.drawTours(g, tour, tour, 222);
    QCOMPARE(view.picture().size(), QSize(640, 220));
  }

  // Redraws that change one side, both or neither, on small and large
  // grids, against a whole redraw; and what the window shows after each.
  // ctest runs this one at device pixel ratio 2 too.
  void redrawsLikeAWholeRedraw() {
    std::mt19937 random(3);
    for (const Grid g : {Grid::of(10, 10), Grid::of(4, 7), Grid::of(19, 5), Grid::of(100, 100)}) {
      TourView view;
      view.resize(584, 204);
      view.show();
      QVERIFY(QTest::qWaitForWindowExposed(&view));
      std::vector<std::int32_t> left = shuffled(g, random), right = left;
      int panel = 206;
      for (int step = 0; step < 40; ++step) {
        switch (step % 5) {
          case 0: left = shuffled(g, random); break;
          case 1: right = shuffled(g, random); break;
          case 2: break;  // both as before
          case 3: left = shuffled(g, random); right = shuffled(g, random); break;
          default: panel = step % 2 ? 206 : 400; break;
        }
        view.drawTours(g, left, right, panel);
        const QImage expected = wholeRedraw(QSize(584, 204), view.devicePixelRatioF(), g, left, right,
                                            panel, view.palette().color(QPalette::Button));
        QCOMPARE(view.picture(), expected);
        QCoreApplication::processEvents();
        QCOMPARE(shownPixels(view).copy(QRect(QPoint(0, 0), expected.size())), expected);
      }
    }
  }

  void redrawReplacesTheOldTours() {
    TourView view;
    view.resize(584, 204);
    const Grid g = Grid::of(4, 4);
    const std::vector<std::int32_t> tour = rowByRow(g);
    view.drawTours(g, tour, tour, 206);
    // A panel so high that the grid lies below the picture: all erased.
    view.drawTours(g, tour, tour, 1000);
    QCOMPARE(blackIn(view.picture(), 0, 0, 583, 203), 0);
  }

  // Moved to a screen of another ratio, the view draws its tours again at
  // that ratio. ctest runs this one on two screens of ratios 1 and 2.
  void redrawsAtTheRatioOfANewScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2 || screens[0]->devicePixelRatio() == screens[1]->devicePixelRatio())
      QSKIP("needs two screens of different ratios");
    TourView view;
    view.resize(584, 204);
    view.move(screens[0]->geometry().topLeft() + QPoint(50, 50));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const Grid g = Grid::of(7, 5);
    std::mt19937 random(5);
    const std::vector<std::int32_t> left = shuffled(g, random), right = shuffled(g, random);
    view.drawTours(g, left, right, 206);
    const QColor face = view.palette().color(QPalette::Button);
    const qreal first = screens[0]->devicePixelRatio(), second = screens[1]->devicePixelRatio();
    QCOMPARE(view.picture(), wholeRedraw(QSize(584, 204), first, g, left, right, 206, face));
    view.move(screens[1]->geometry().topLeft() + QPoint(50, 50));
    QTRY_COMPARE(view.devicePixelRatioF(), second);
    QCOMPARE(view.picture(), wholeRedraw(QSize(584, 204), second, g, left, right, 206, face));
  }
};

QTEST_MAIN(TestTourView)
#include "tst_tour_view.moc"
