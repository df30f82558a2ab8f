#include "line_stamps.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace wendra {
namespace {

QImage blank() {
  QImage image(640, 420, QImage::Format_RGB32);
  image.fill(qRgb(239, 239, 239));
  return image;
}

// Lines of many shapes at many places, some partly or wholly outside the
// picture and its clip, through the stamps and through the painter: every
// pixel the same. Shapes come back at other places, and lines reaching out of
// the picture at the same place, so most are written from what was learnt.
TEST(LineStampsTest, WritesThePixelsThePainterDraws) {
  std::mt19937 random(21);
  LineStamps stamps;
  for (int round = 0; round < 120; ++round) {
    const QRect clip = round % 3 == 0 ? QRect(0, 0, 640, 420) : QRect(QPoint(37, 21), QPoint(600, 390));
    std::vector<QLine> lines;
    for (int i = 0; i < 40; ++i) {
      const int limit = round % 2 == 0 ? 8 : 700;
      const int dx = static_cast<int>(random() % (2 * limit + 1)) - limit;
      const int dy = static_cast<int>(random() % (2 * limit + 1)) - limit;
      if (dx == 0 && dy == 0) continue;
      // Shapes repeat: the lattice of a tour drawing, or short steps.
      const int sx = round % 4 == 1 ? dx / 30 * 30 : dx, sy = round % 4 == 1 ? dy / 30 * 30 : dy;
      if (sx == 0 && sy == 0) continue;
      // Starts on a coarse lattice too, so that lines reaching out of the
      // picture come back at the same place.
      const QPoint from = round % 4 == 3
                              ? QPoint(static_cast<int>(random() % 8) * 90 - 20, static_cast<int>(random() % 6) * 80 - 15)
                              : QPoint(static_cast<int>(random() % 700) - 30, static_cast<int>(random() % 480) - 30);
      lines.emplace_back(from, from + QPoint(sx, sy));
    }
    QImage expected = blank();
    {
      QPainter painter(&expected);
      painter.setClipRect(clip);
      painter.setPen(QPen(QColor(0, 0, 255), 1));
      for (const QLine& line : lines) painter.drawLine(line);
    }
    QImage actual = blank();
    {
      QPainter painter(&actual);
      painter.setClipRect(clip);
      painter.setPen(QPen(QColor(0, 0, 255), 1));
      stamps.draw(actual, painter, lines, qRgb(0, 0, 255), clip & actual.rect());
    }
    ASSERT_EQ(actual, expected) << "round " << round;
  }
}

}  // namespace
}  // namespace wendra
