#pragma once
// SeriesPainter: draws the series lines into the chart's picture and keeps
// account of the pixels they touched, so that the next redraw puts back only
// those from the picture without series, instead of copying it all.
//
// A line is drawn from its pixel columns (chart_polyline.h), clipped to the
// plot rectangle. At a device pixel ratio of 1 each column's run from its
// highest to its lowest pixel is written straight into the picture (a
// vertical 1-pixel segment covers exactly those pixels), and the painter
// draws the segments between neighbouring columns, the same segments as the
// line through every point has. A segment between adjacent columns whose ends
// both lie in both columns' runs is left out: its pixels lie in the box
// between its ends, so within those runs. Where a column then draws a single
// pixel, that pixel is an end of a segment the full line draws. Segments
// between neighbouring columns away from the clip's edges are set from the
// painter's own recorded pixels (line_stamps.h). At any other ratio the
// painter draws the column polyline.
//
// Touched pixels are kept per column of the plot as a run from the highest
// to the lowest one (a segment by the box between its ends).

#include <QColor>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QRect>

#include <vector>

#include "chart_polyline.h"
#include "line_stamps.h"

namespace wendra::chart {

class SeriesPainter {
 public:
  // Starts over on a picture just copied whole from the one without series,
  // with the plot rectangle (walls included) of the layout now in effect.
  void reset(const QImage& picture, const Edges& plot);

  // Puts back from `clean` (the picture without series, of the same size and
  // layout) every pixel touched since reset() or the last restore(); returns
  // their bounding rectangle in logical pixels (empty when none).
  QRect restore(QImage& picture, const QImage& clean);

  // Draws a series line in `color` through `painter`, which is active on
  // `picture` without a clip of its own; returns the bounding rectangle of
  // what it may have touched.
  QRect draw(QImage& picture, QPainter& painter, const std::vector<PixelColumn>& columns,
             const QColor& color);

 private:
  struct Run {
    int top = 0, bottom = -1;  // empty when bottom < top
  };
  // A bounding box that grows; empty while right < left.
  struct Box {
    int left = 0, top = 0, right = -1, bottom = -1;
    void add(int x0, int y0, int x1, int y1);
    QRect rect() const { return right < left ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom)); }
  };

  void drawDirect(QImage& picture, QPainter& painter, const std::vector<PixelColumn>& columns,
                  const QColor& color);
  void touch(int x0, int x1, int y0, int y1);
  bool denselyTouched(const QRect& bounds) const;
  bool inside(int x, int y) const {
    return x >= clip_.left() && x <= clip_.right() && y >= clip_.top() && y <= clip_.bottom();
  }

  QRect plot_;  // the painter's clip: R, walls included
  QRect clip_;  // what it leaves of the picture (normalised, as the painter does)
  qreal ratio_ = 1;
  // What each line drawn since the last restore touched, per column of
  // clip_ (one run per line, so that two lines far apart in a column do not
  // make one long run).
  std::vector<std::vector<Run>> slots_;
  std::size_t slotsUsed_ = 0;
  Box touched_;       // all of it
  Box drawing_;       // the line being drawn
  std::vector<QLine> segments_;
  LineStamps stamps_;
};

}  // namespace wendra::chart
