#pragma once
// ChartCanvas: the chart's drawing primitives on one of its pictures. The
// chart draws solid axis-aligned spans (bevel, walls, axis lines, ticks,
// legend box), dotted grid lines and texts; at a device pixel ratio of 1 the
// canvas writes the spans and dots into the picture itself instead of going
// through the painter, with the same pixels: a 1-pixel dotted line of Qt's
// raster engine sets its first pixel and every third after it up to the last,
// and it takes that engine's slow dashed-line path. At any other ratio all
// goes through the painter, in logical coordinates.
//
// Coordinates are logical pixels; spans include both corners.
//
// Tested by tests/ui/tst_chart_pixels.cpp (against the reference drawing of
// tests/ui/chart_reference.h, at ratios 1 and 2).

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <vector>

namespace wendra::chart {

class ChartText;

class ChartCanvas {
 public:
  // Paints on `picture` through `painter`, which is active on it, without a
  // clip or a transform of its own.
  ChartCanvas(QImage& picture, QPainter& painter);

  // The rectangle with corners (left, top) and (right, bottom), filled.
  void fill(int left, int top, int right, int bottom, const QColor& color);
  // A 1-pixel frame on the outermost pixels of that rectangle.
  void frame(int left, int top, int right, int bottom, const QColor& color);
  // A dotted 1-pixel line from (x0, y) to (x1, y), or from (x, y0) to
  // (x, y1).
  void dotsAcross(int y, int x0, int x1, const QColor& color);
  void dotsDown(int x, int y0, int y1, const QColor& color);
  // A text with the top-left corner of its box at (x, top), in `color`.
  void text(ChartText& texts, int x, int top, const QString& text, const QColor& color);

  QPainter& painter() { return painter_; }

  // The logical areas that everything drawn so far lies in (texts with a
  // margin of a quarter of their height all round, for glyphs reaching out
  // of their box), and no longer kept here.
  std::vector<QRect> takeDrawn() { return std::move(drawn_); }

 private:
  QImage& picture_;
  QPainter& painter_;
  bool direct_;
  std::vector<QRect> drawn_;
};

}  // namespace wendra::chart
