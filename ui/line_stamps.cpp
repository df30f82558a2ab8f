#include "line_stamps.h"

#include <QPainter>

#include <cstdlib>

namespace wendra {

std::vector<QPoint> LineStamps::record(QPoint offset) {
  constexpr int kMargin = 3;
  const QSize size(std::abs(offset.x()) + 2 * kMargin + 1, std::abs(offset.y()) + 2 * kMargin + 1);
  QImage scratch(size, QImage::Format_RGB32);
  scratch.fill(Qt::white);
  const QPoint from(offset.x() >= 0 ? kMargin : size.width() - 1 - kMargin,
                    offset.y() >= 0 ? kMargin : size.height() - 1 - kMargin);
  {
    QPainter painter(&scratch);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(from, from + offset);
  }
  std::vector<QPoint> pixels;
  const QRgb white = QColor(Qt::white).rgb();
  for (int y = 0; y < scratch.height(); ++y)
    for (int x = 0; x < scratch.width(); ++x)
      if (scratch.pixel(x, y) != white) pixels.push_back(QPoint(x, y) - from);
  return pixels;
}

const std::vector<QPoint>& LineStamps::of(QPoint offset) {
  if (std::abs(offset.x()) <= 1) {
    std::vector<std::vector<QPoint>>& lines = steps_[offset.x() + 1][offset.y() >= 0];
    const std::size_t at = static_cast<std::size_t>(std::abs(offset.y()));
    if (at >= lines.size()) lines.resize(at + 1);
    if (lines[at].empty()) lines[at] = record(offset);
    return lines[at];
  }
  const std::int64_t key = (std::int64_t{offset.x()} << 32) ^ static_cast<std::uint32_t>(offset.y());
  auto found = others_.find(key);
  if (found != others_.end()) return found->second;
  if (othersSize_ >= kMostPixels) {
    others_.clear();
    othersSize_ = 0;
  }
  std::vector<QPoint>& pixels = others_[key] = record(offset);
  othersSize_ += pixels.size();
  return pixels;
}

void LineStamps::stamp(QImage& picture, QPoint from, QPoint offset, QRgb value) {
  QRgb* const pixels = reinterpret_cast<QRgb*>(picture.bits());
  const qsizetype stride = picture.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  const qsizetype origin = from.y() * stride + from.x();
  for (const QPoint& p : of(offset)) pixels[origin + p.y() * stride + p.x()] = value;
}

}  // namespace wendra
