#include "chart_canvas.h"

#include <algorithm>

#include "chart_text.h"

namespace wendra::chart {

ChartCanvas::ChartCanvas(QImage& picture, QPainter& painter)
    : picture_(picture),
      painter_(painter),
      direct_(picture.devicePixelRatio() == 1 && picture.format() == QImage::Format_RGB32) {}

void ChartCanvas::fill(int left, int top, int right, int bottom, const QColor& color) {
  // Corners the wrong way round fill what QRect::normalized() makes of them,
  // as the painter does.
  const QRect area(QPoint(left, top), QPoint(right, bottom));
  drawn_.push_back(area.normalized());
  if (!direct_) {
    painter_.fillRect(area, color);
    return;
  }
  const QRect inside = area.normalized() & picture_.rect();
  const QRgb value = color.rgb();
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(picture_.scanLine(y));
    std::fill(line + inside.left(), line + inside.right() + 1, value);
  }
}

void ChartCanvas::frame(int left, int top, int right, int bottom, const QColor& color) {
  fill(left, top, right, top, color);
  fill(left, bottom, right, bottom, color);
  fill(left, top, left, bottom, color);
  fill(right, top, right, bottom, color);
}

void ChartCanvas::dotsAcross(int y, int x0, int x1, const QColor& color) {
  drawn_.push_back(QRect(QPoint(x0, y), QPoint(x1, y)).normalized());
  if (!direct_ || x0 >= x1) {  // the painter knows its pattern backwards
    painter_.setPen(QPen(color, 1, Qt::DotLine));
    painter_.drawLine(x0, y, x1, y);
    return;
  }
  if (y < 0 || y >= picture_.height()) return;
  QRgb* line = reinterpret_cast<QRgb*>(picture_.scanLine(y));
  const QRgb value = color.rgb();
  // The first dot inside the picture, on the pattern that starts at x0.
  int x = x0 >= 0 ? x0 : x0 + (-x0 + 2) / 3 * 3;
  for (const int end = std::min(x1, picture_.width() - 1); x <= end; x += 3) line[x] = value;
}

void ChartCanvas::dotsDown(int x, int y0, int y1, const QColor& color) {
  drawn_.push_back(QRect(QPoint(x, y0), QPoint(x, y1)).normalized());
  if (!direct_ || y0 >= y1) {
    painter_.setPen(QPen(color, 1, Qt::DotLine));
    painter_.drawLine(x, y0, x, y1);
    return;
  }
  if (x < 0 || x >= picture_.width()) return;
  const QRgb value = color.rgb();
  QRgb* const pixels = reinterpret_cast<QRgb*>(picture_.bits());
  const qsizetype stride = picture_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  int y = y0 >= 0 ? y0 : y0 + (-y0 + 2) / 3 * 3;
  for (const int end = std::min(y1, picture_.height() - 1); y <= end; y += 3)
    pixels[y * stride + x] = value;
}

void ChartCanvas::text(ChartText& texts, int x, int top, const QString& text,
                       const QColor& color) {
  // Glyphs may reach a little out of their advance box.
  const int margin = std::max(2, texts.height() / 4);
  drawn_.push_back(QRect(x - margin, top - margin, texts.width(text) + 2 * margin,
                         texts.height() + 2 * margin));
  painter_.setPen(color);
  texts.draw(painter_, x, top, text);
}

}  // namespace wendra::chart
