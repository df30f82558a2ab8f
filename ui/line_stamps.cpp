#include "line_stamps.h"

#include <QPainter>

#include <cstdlib>

namespace wendra::chart {

std::vector<QPoint> LineStamps::record(int step, int rise) {
  constexpr int kMargin = 3;
  const int height = std::abs(rise) + 2 * kMargin + 1;
  QImage scratch(2 * kMargin + 2, height, QImage::Format_RGB32);
  scratch.fill(Qt::white);
  const QPoint from(step > 0 ? kMargin : kMargin + 1, rise >= 0 ? kMargin : height - 1 - kMargin);
  {
    QPainter painter(&scratch);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(from, from + QPoint(step, rise));
  }
  std::vector<QPoint> pixels;
  for (int y = 0; y < scratch.height(); ++y)
    for (int x = 0; x < scratch.width(); ++x)
      if (scratch.pixel(x, y) != QColor(Qt::white).rgb()) pixels.push_back(QPoint(x, y) - from);
  return pixels;
}

const std::vector<QPoint>& LineStamps::of(int step, int rise) {
  std::vector<std::vector<QPoint>>& lines = lines_[step > 0][rise >= 0];
  const std::size_t at = static_cast<std::size_t>(std::abs(rise));
  if (at >= lines.size()) lines.resize(at + 1);
  if (lines[at].empty()) lines[at] = record(step, rise);
  return lines[at];
}

void LineStamps::stamp(QImage& picture, QPoint from, int step, int rise, QRgb value) {
  QRgb* const pixels = reinterpret_cast<QRgb*>(picture.bits());
  const qsizetype stride = picture.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  const qsizetype origin = from.y() * stride + from.x();
  for (const QPoint& p : of(step, rise)) pixels[origin + p.y() * stride + p.x()] = value;
}

}  // namespace wendra::chart
