#include "chart_series_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "device_picture.h"

namespace wendra::chart {

namespace {

QRect plotRect(const Edges& plot) {
  return QRect(QPoint(plot.left, plot.top), QPoint(plot.right, plot.bottom));
}

bool within(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

void SeriesPainter::Box::add(int x0, int y0, int x1, int y1) {
  if (right < left) {
    *this = {x0, y0, x1, y1};
    return;
  }
  left = std::min(left, x0);
  top = std::min(top, y0);
  right = std::max(right, x1);
  bottom = std::max(bottom, y1);
}

void SeriesPainter::reset(const QImage& picture, const Edges& plot) {
  ratio_ = picture.devicePixelRatio();
  plot_ = plotRect(plot);
  const QSize logical = (QSizeF(picture.size()) / ratio_).toSize();
  clip_ = plot_.normalized() & QRect(QPoint(0, 0), logical);
  slotsUsed_ = 0;
  touched_ = Box();
}

void SeriesPainter::touch(int x0, int x1, int y0, int y1) {
  x0 = std::max(x0, clip_.left());
  x1 = std::min(x1, clip_.right());
  y0 = std::max(y0, clip_.top());
  y1 = std::min(y1, clip_.bottom());
  if (x0 > x1 || y0 > y1) return;
  drawing_.add(x0, y0, x1, y1);
  std::vector<Run>& runs = slots_[slotsUsed_ - 1];
  for (int x = x0; x <= x1; ++x) {
    Run& run = runs[static_cast<std::size_t>(x - clip_.left())];
    if (run.bottom < run.top) {
      run = {y0, y1};
    } else {
      run.top = std::min(run.top, y0);
      run.bottom = std::max(run.bottom, y1);
    }
  }
}

QRect SeriesPainter::restore(QImage& picture, const QImage& clean) {
  const QRect bounds = touched_.rect();
  if (ratio_ != 1 && !bounds.isEmpty()) {
    copyArea(picture, clean, bounds);
  } else if (!bounds.isEmpty() && denselyTouched(bounds)) {
    // Rows of the box are copied much faster than as many pixels one by one
    // down the columns.
    for (int y = bounds.top(); y <= bounds.bottom(); ++y)
      std::copy_n(reinterpret_cast<const QRgb*>(clean.constScanLine(y)) + bounds.left(),
                  bounds.width(), reinterpret_cast<QRgb*>(picture.bits() + y * picture.bytesPerLine()) + bounds.left());
  } else if (!bounds.isEmpty()) {
    const qsizetype stride = picture.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* const to = reinterpret_cast<QRgb*>(picture.bits());
    const QRgb* const from = reinterpret_cast<const QRgb*>(clean.constBits());
    for (std::size_t s = 0; s < slotsUsed_; ++s) {
      const std::vector<Run>& runs = slots_[s];
      for (std::size_t i = 0; i < runs.size(); ++i) {
        const qsizetype x = clip_.left() + static_cast<qsizetype>(i);
        for (qsizetype at = runs[i].top * stride + x, end = runs[i].bottom * stride + x; at <= end;
             at += stride)
          to[at] = from[at];
      }
    }
  }
  slotsUsed_ = 0;
  touched_ = Box();
  return bounds;
}

bool SeriesPainter::denselyTouched(const QRect& bounds) const {
  // A pixel copied down a column costs about as much as five in a row.
  qsizetype touched = 0;
  for (std::size_t s = 0; s < slotsUsed_; ++s)
    for (const Run& run : slots_[s]) touched += std::max(0, run.bottom - run.top + 1);
  return touched * 5 > static_cast<qsizetype>(bounds.width()) * bounds.height();
}

QRect SeriesPainter::draw(QImage& picture, QPainter& painter,
                          const std::vector<PixelColumn>& columns, const QColor& color) {
  // One column without a run is a single point: no line.
  if (columns.empty() || (columns.size() == 1 && columns[0].top == columns[0].bottom))
    return QRect();
  if (slotsUsed_ == slots_.size()) slots_.emplace_back();
  slots_[slotsUsed_++].assign(static_cast<std::size_t>(std::max(clip_.width(), 0)), Run{});
  drawing_ = Box();
  painter.save();
  painter.setClipRect(plot_);
  painter.setPen(linePen(color, ratio_));
  if (ratio_ == 1) {
    drawDirect(picture, painter, columns, color);
  } else {
    const std::vector<PixelPoint> points = polylineOf(columns);
    segments_.clear();
    for (std::size_t i = 1; i < points.size(); ++i) {
      segments_.emplace_back(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
      touch(std::min(points[i - 1].x, points[i].x), std::max(points[i - 1].x, points[i].x),
            std::min(points[i - 1].y, points[i].y), std::max(points[i - 1].y, points[i].y));
    }
    painter.drawLines(segments_.data(), static_cast<int>(segments_.size()));
  }
  painter.restore();
  const QRect drawn = drawing_.rect();
  if (!drawn.isEmpty()) touched_.add(drawn.left(), drawn.top(), drawn.right(), drawn.bottom());
  return drawn;
}

void SeriesPainter::drawDirect(QImage& picture, QPainter& painter,
                               const std::vector<PixelColumn>& columns, const QColor& color) {
  const QRgb value = color.rgb();
  segments_.clear();
  for (std::size_t k = 0; k + 1 < columns.size(); ++k) {
    const PixelColumn& a = columns[k];
    const PixelColumn& b = columns[k + 1];
    const bool covered = std::abs(b.x - a.x) == 1 && within(b.in, a.top, a.bottom) &&
                         within(a.out, b.top, b.bottom) && inside(a.x, a.out) && inside(b.x, b.in);
    if (covered) continue;
    const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const int top = std::min(a.out, b.in), bottom = std::max(a.out, b.in);
    touch(left, right, top, bottom);
    // Away from the clip's edges, a line between neighbouring columns is
    // set from its recorded pixels; the painter draws the others.
    if (right - left == 1 && left > clip_.left() && right < clip_.right() && top > clip_.top() &&
        bottom < clip_.bottom())
      stamps_.stamp(picture, QPoint(a.x, a.out), QPoint(b.x - a.x, b.in - a.out), value);
    else
      segments_.emplace_back(a.x, a.out, b.x, b.in);
  }
  painter.drawLines(segments_.data(), static_cast<int>(segments_.size()));

  QRgb* const pixels = reinterpret_cast<QRgb*>(picture.bits());
  const qsizetype stride = picture.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  for (const PixelColumn& c : columns) {
    if (!within(c.x, clip_.left(), clip_.right())) continue;
    const int top = std::max(c.top, clip_.top());
    const int bottom = std::min(c.bottom, clip_.bottom());
    if (top > bottom) continue;
    touch(c.x, c.x, top, bottom);
    for (qsizetype at = top * stride + c.x, end = bottom * stride + c.x; at <= end; at += stride)
      pixels[at] = value;
  }
}

}  // namespace wendra::chart
