#pragma once
// The chart as it was drawn before its pictures were layered and its lines
// reduced to pixel columns: every element straight from the layout with the
// painter, in the order of the drawing steps, and the series line through
// every point, one drawLine per segment. Tests compare the chart's pixels
// with these.

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <vector>

#include "chart.h"
#include "chart_polyline.h"
#include "device_picture.h"

namespace wendra::reference {

// The line through every point in the visible range, skipping points on the
// pixel of the point drawn before them.
inline std::vector<chart::PixelPoint> everyPointPolyline(const ValueList& xsList,
                                                         const ValueList& ysList,
                                                         const chart::AxisMap& bottom,
                                                         const chart::AxisMap& left) {
  const std::vector<double>& xs = xsList.values();
  const std::vector<double>& ys = ysList.values();
  std::vector<chart::PixelPoint> points;
  const std::size_t n = std::min(xs.size(), ys.size());
  if (n == 0) return points;
  const double leftValue = bottom.toValue(bottom.start());
  const double rightValue = bottom.toValue(bottom.end());
  std::size_t first = 0;
  while (first < n && xs[first] < leftValue) ++first;
  if (first == n) return points;
  std::size_t last = n - 1;
  if (xs[last] > rightValue) {
    last = 0;
    while (xs[last] < rightValue) ++last;
  }
  last = std::max(last, first);
  auto pixel = [&](std::size_t i) {
    return chart::PixelPoint{bottom.toPixel(xs[i]), left.toPixel(ys[i])};
  };
  if (first > 0) points.push_back(pixel(first - 1));
  const chart::PixelPoint start = pixel(first);
  if (points.empty() || points.back() != start) points.push_back(start);
  for (std::size_t i = first + 1; i <= last; ++i) {
    const chart::PixelPoint p = pixel(i);
    if (p != points.back()) points.push_back(p);
  }
  return points;
}

namespace detail {

inline void fillSpan(QPainter& painter, int left, int top, int right, int bottom,
                     const QColor& color) {
  painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), color);
}

inline void frameSpan(QPainter& painter, int left, int top, int right, int bottom,
                      const QColor& color) {
  fillSpan(painter, left, top, right, top, color);
  fillSpan(painter, left, bottom, right, bottom, color);
  fillSpan(painter, left, top, left, bottom, color);
  fillSpan(painter, right, top, right, bottom, color);
}

inline void drawTextAt(QPainter& painter, int x, int top, const QString& text) {
  painter.drawText(QPoint(x, top + painter.fontMetrics().ascent()), text);
}

inline void drawAxis(QPainter& painter, const chart::ChartLayout& l, const chart::AxisLayout& axis) {
  const QColor grey(128, 128, 128);
  const chart::Edges& r = l.plot;
  const int h = l.textHeight;
  const bool vertical = axis.map.vertical();
  if (axis.labelsShown) {
    painter.setPen(Qt::black);
    for (const chart::AxisLabel& label : axis.labels) {
      if (vertical)
        drawTextAt(painter, l.leftTickOuter() - label.width, label.pixel - h / 2, label.text);
      else
        drawTextAt(painter, label.pixel - label.width / 2, l.bottomLabelTop(), label.text);
    }
  }
  if (vertical)
    fillSpan(painter, r.left - 2, r.top, r.left - 1, r.bottom + 2, Qt::black);
  else
    fillSpan(painter, r.left - 2, r.bottom + 1, r.right, r.bottom + 2, Qt::black);
  if (!axis.labelsShown) return;
  auto tick = [&](int at, int length) {
    if (vertical)
      fillSpan(painter, r.left - 2 - length, at, r.left - 3, at, grey);
    else
      fillSpan(painter, at, r.bottom + 3, at, r.bottom + 2 + length, grey);
  };
  for (const chart::AxisLabel& label : axis.labels) tick(label.pixel, 4);
  painter.setPen(QPen(grey, 1, Qt::DotLine));
  for (const chart::AxisLabel& label : axis.labels) {
    if (vertical) {
      if (label.pixel > r.top && label.pixel < r.bottom)
        painter.drawLine(r.left + 1, label.pixel, r.right - 1, label.pixel);
    } else if (label.pixel > r.left && label.pixel < r.right) {
      painter.drawLine(label.pixel, r.top + 1, label.pixel, r.bottom - 1);
    }
  }
  for (int at : axis.minorTicks) tick(at, 2);
}

}  // namespace detail

// The chart's picture drawn the old way from the layout of its last redraw,
// at the chart's device pixel ratio.
inline QImage referenceChart(const Chart& chart) {
  using namespace detail;
  const chart::ChartLayout& l = chart.layout();
  const qreal ratio = chart.devicePixelRatioF();
  QImage picture = makeDevicePicture(chart.size(), ratio);
  QPainter painter(&picture);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(qRound(8 * chart.logicalDpiY() / 72.0));
  painter.setFont(font);
  const int w = chart.width(), h = chart.height();
  const QPalette palette = chart.palette();
  painter.fillRect(QRect(0, 0, w, h), palette.color(QPalette::Button));
  fillSpan(painter, 0, 0, w - 1, 0, palette.color(QPalette::Dark));
  fillSpan(painter, 0, 0, 0, h - 1, palette.color(QPalette::Dark));
  fillSpan(painter, w - 1, 0, w - 1, h - 1, palette.color(QPalette::Light));
  fillSpan(painter, 0, h - 1, w - 1, h - 1, palette.color(QPalette::Light));

  const ChartSeries* series[] = {&chart.series1(), &chart.series2()};
  if (l.legend.shown) {
    const chart::Edges& box = l.legend.box;
    fillSpan(painter, box.left + 3, box.top + 3, box.right + 2, box.bottom + 2, Qt::black);
    fillSpan(painter, box.left - 1, box.top - 1, box.right, box.bottom, Qt::white);
    frameSpan(painter, box.left - 1, box.top - 1, box.right, box.bottom, Qt::black);
    for (int i = 0; i < l.legend.rows; ++i) {
      const int y = l.legend.rowTop(i, l.textHeight);
      painter.setPen(Qt::black);
      drawTextAt(painter, l.legend.textLeft, y, series[i]->title());
      painter.setPen(linePen(series[i]->color(), ratio));
      painter.drawLine(l.legend.symbolLeft(), y + l.textHeight / 2, l.legend.symbolRight(),
                       y + l.textHeight / 2);
    }
  }
  painter.setPen(QColor(0, 0, 255));
  drawTextAt(painter, l.titleLeft, l.titleTop, QStringLiteral("Fitness"));

  const chart::Edges& r = l.plot;
  frameSpan(painter, r.left, r.top, r.right, r.bottom, Qt::black);
  drawAxis(painter, l, l.bottom);
  drawAxis(painter, l, l.left);

  painter.setClipRect(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)));
  for (const ChartSeries* s : series) {
    const std::vector<chart::PixelPoint> points =
        everyPointPolyline(s->xValues(), s->yValues(), l.bottom.map, l.left.map);
    painter.setPen(linePen(s->color(), ratio));
    for (std::size_t i = 1; i < points.size(); ++i)
      painter.drawLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  }
  return picture;
}

}  // namespace wendra::reference
