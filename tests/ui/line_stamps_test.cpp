#include "line_stamps.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace wendra::chart {
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

// Every line between neighbouring columns, rising and falling, both ways
// round, at places of every parity and far from the origin, set from its
// recording and drawn by the painter under a clip that holds it (as the
// chart draws): the same pixels, and nothing else.
TEST(LineStamps, SetWhatThePainterDraws) {
  const QSize size(1100, 900);
  QImage painted = blank(size), stamped = blank(size);
  QPainter painter(&painted);
  painter.setClipRect(QRect(1, 1, size.width() - 2, size.height() - 2));
  painter.setPen(QPen(QColor(kBlue), 1));
  LineStamps stamps;
  for (const QPoint& from : {QPoint(10, 400), QPoint(11, 401), QPoint(537, 444), QPoint(1000, 450)}) {
    for (int step : {-1, 1}) {
      for (int rise = -398; rise <= 398; ++rise) {
        const QRect around = QRect(from, from + QPoint(step, rise)).normalized().adjusted(-3, -3, 3, 3);
        painter.drawLine(from, from + QPoint(step, rise));
        stamps.stamp(stamped, from, step, rise, kBlue);
        ASSERT_EQ(painted.copy(around), stamped.copy(around))
            << "from " << from.x() << "," << from.y() << " step " << step << " rise " << rise;
        clear(painted, around);
        clear(stamped, around);
      }
    }
  }
}

}  // namespace
}  // namespace wendra::chart
