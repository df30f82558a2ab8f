#include "chart_series_painter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace wendra::chart {
namespace {

const QColor kBlue(0, 0, 255);

QImage blank(QSize size = {300, 200}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// The pixels Qt's raster engine sets for one 1-pixel line, clipped to `clip`.
QImage qtLine(QPoint a, QPoint b, QRect clip, QSize size = {300, 200}) {
  QImage image = blank(size);
  QPainter painter(&image);
  painter.setClipRect(clip);
  painter.setPen(QPen(kBlue, 1));
  painter.drawLine(a, b);
  return image;
}

// What the series painter leaves out rests on the raster engine's lines: a
// line's pixels lie in the box between its ends and include both ends, and a
// vertical line covers exactly the pixels between its ends.
TEST(SeriesPainterTest, LinesStayInTheBoxOfTheirEnds) {
  const QRect clip(QPoint(10, 3), QPoint(289, 197));
  const QPoint a(150, 100);
  for (int dx : {-30, -5, -2, -1, 0, 1, 2, 5, 30}) {
    for (int dy = -95; dy <= 95; ++dy) {
      if (dx == 0 && dy == 0) continue;
      const QPoint b = a + QPoint(dx, dy);
      const QImage image = qtLine(a, b, clip);
      const QRect box(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                      QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
      // Set pixels are looked for up to 3 pixels around the box.
      const QRect around = box.adjusted(-3, -3, 3, 3) & image.rect();
      for (int y = around.top(); y <= around.bottom(); ++y)
        for (int x = around.left(); x <= around.right(); ++x) {
          const bool set = image.pixel(x, y) == kBlue.rgb();
          if (set) {
            ASSERT_TRUE(box.contains(x, y)) << dx << "," << dy << " at " << x << "," << y;
          }
          if (dx == 0 && box.contains(x, y)) {
            ASSERT_TRUE(set) << "vertical " << dy << " at " << y;
          }
        }
      ASSERT_EQ(image.pixelColor(a), kBlue) << dx << "," << dy;
      ASSERT_EQ(image.pixelColor(b), kBlue) << dx << "," << dy;
    }
  }
  // Vertical lines reaching far beyond the picture.
  for (int far : {-2147483647, -100000, 100000, 2147483647}) {
    const QImage image = qtLine(QPoint(40, 50), QPoint(40, far), clip);
    for (int y = clip.top(); y <= clip.bottom(); ++y)
      ASSERT_EQ(image.pixelColor(40, y) == kBlue, far < 0 ? y <= 50 : y >= 50) << far << " " << y;
  }
}

// Random columns through the painter against their polyline drawn segment by
// segment; then putting back what was touched gives the clean picture again.
TEST(SeriesPainterTest, DrawsThePolylineAndPutsBackWhatItTouched) {
  std::mt19937 random(9);
  const Edges plot{20, 10, 279, 189};
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<PixelColumn> columns;
    int x = static_cast<int>(random() % 40) - 20;
    const int count = 1 + static_cast<int>(random() % 80);
    for (int c = 0; c < count; ++c) {
      PixelColumn column;
      column.x = x;
      const int spread = trial % 3 == 0 ? 200 : 20;
      const int base = static_cast<int>(random() % 260) - 30;
      column.in = base + static_cast<int>(random() % spread) - spread / 2;
      column.out = base + static_cast<int>(random() % spread) - spread / 2;
      column.top = std::min(column.in, column.out) - static_cast<int>(random() % 4);
      column.bottom = std::max(column.in, column.out) + static_cast<int>(random() % 4);
      columns.push_back(column);
      x += trial % 2 == 0 ? 1 : 1 + static_cast<int>(random() % 6);
    }
    QImage expected = blank();
    {
      const std::vector<PixelPoint> points = polylineOf(columns);
      QPainter painter(&expected);
      painter.setClipRect(QRect(QPoint(plot.left, plot.top), QPoint(plot.right, plot.bottom)));
      painter.setPen(QPen(kBlue, 1));
      for (std::size_t i = 1; i < points.size(); ++i)
        painter.drawLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
    }
    const QImage clean = blank();
    QImage picture = clean;
    SeriesPainter painter;
    painter.reset(picture, plot);
    {
      QPainter p(&picture);
      painter.draw(picture, p, columns, kBlue);
    }
    ASSERT_EQ(picture, expected) << "trial " << trial;
    painter.restore(picture, clean);
    ASSERT_EQ(picture, clean) << "trial " << trial;
  }
}

TEST(SeriesPainterTest, ASinglePointDrawsNothing) {
  QImage picture = blank();
  SeriesPainter painter;
  painter.reset(picture, Edges{20, 10, 279, 189});
  QPainter p(&picture);
  EXPECT_TRUE(painter.draw(picture, p, {{50, 60, 60, 60, 60}}, kBlue).isEmpty());
  EXPECT_FALSE(painter.draw(picture, p, {{50, 60, 60, 60, 61}}, kBlue).isEmpty());
}

}  // namespace
}  // namespace wendra::chart
