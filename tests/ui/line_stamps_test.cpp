#include "line_stamps.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace wendra {
namespace {

constexpr QRgb kBlue = 0xff0000ff;

QImage blank(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

void clear(QImage& image, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) image.setPixel(x, y, 0xffffffff);
}

// Draws each line with the painter (under a clip that holds it, as the
// chart and the tour view draw) and sets it from its recording, at places of
// every parity and far from the origin: the same pixels, and nothing else.
void expectPainted(LineStamps& stamps, const std::vector<QPoint>& offsets) {
  const QSize size(1900, 1700);
  QImage painted = blank(size), stamped = blank(size);
  QPainter painter(&painted);
  painter.setClipRect(QRect(1, 1, size.width() - 2, size.height() - 2));
  painter.setPen(QPen(QColor(kBlue), 1));
  for (const QPoint& from : {QPoint(410, 800), QPoint(411, 801), QPoint(937, 844), QPoint(1400, 851)}) {
    for (const QPoint& offset : offsets) {
      const QRect around = QRect(from, from + offset).normalized().adjusted(-3, -3, 3, 3);
      painter.drawLine(from, from + offset);
      stamps.stamp(stamped, from, offset, kBlue);
      ASSERT_EQ(painted.copy(around), stamped.copy(around))
          << "from " << from.x() << "," << from.y() << " by " << offset.x() << "," << offset.y();
      clear(painted, around);
      clear(stamped, around);
    }
  }
}

// The chart's lines between neighbouring columns: every rise, both ways.
TEST(LineStamps, NeighbourColumnLinesAsPainted) {
  std::vector<QPoint> offsets;
  for (int step : {-1, 0, 1})
    for (int rise = -LineStamps::kLongestStep; rise <= LineStamps::kLongestStep; ++rise)
      offsets.emplace_back(step, rise);
  LineStamps stamps;
  expectPainted(stamps, offsets);
}

// The tour view's lines (whole cells of 30 pixels apart) and lines of any
// slope up to the longest kept.
TEST(LineStamps, AnyLineAsPainted) {
  std::vector<QPoint> offsets;
  for (int i = -2; i <= 2; ++i)
    for (int j = -2; j <= 2; ++j) offsets.emplace_back(30 * i, 30 * j);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-LineStamps::kLongest, LineStamps::kLongest);
  for (int k = 0; k < 3000; ++k) offsets.emplace_back(coordinate(random), coordinate(random) / (1 + k % 40));
  LineStamps stamps;
  expectPainted(stamps, offsets);
}

}  // namespace
}  // namespace wendra
