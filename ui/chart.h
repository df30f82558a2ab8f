#pragma once
// Chart: the fitness chart of the main window (Chart1). Two line series,
// "Average" (red) and "Best" (blue), plotted against their point ordinal, with
// a title, a legend, a left and a bottom axis with automatic ranges, and
// panning with the right mouse button.
//
// Drawing is double-buffered: Add, Clear, a panning move, a new size or new
// number separators mark the cached picture invalid and request a repaint; a
// paint with a valid picture only copies it. The arithmetic lives in
// chart_math.h and chart_polyline.h; chart_draw.h and chart_series_painter.h
// turn a chart::ChartLayout into pixels.
//
// The picture is built in three layers, each kept while what it shows is
// unchanged: the frame (background, bevel, legend, title) for a size, font
// and palette; the frame with walls and axes for a layout of labels and
// ticks; and on top of a copy of that, the series. New axes are drawn onto a
// copy of the frame in the picture itself (while a run is short they move
// with nearly every point); the middle layer is made only when a redraw
// finds them unchanged. Such a redraw only puts back the pixels the last
// series lines touched and draws the lines anew, and asks to show just that
// area: the chart redraws when its window is about to repaint, so that the
// window repaints only what changed.
//
// The pictures are made at the widget's device pixel ratio (device_picture.h)
// and drawn into in widget pixels: the same layout at every scale, text and
// lines at the screen's resolution. A new ratio (another screen) redraws them.
//
// Text: 8-point "Arial" (fontconfig gives Liberation Sans, metric-compatible).
// h, "the height of the text W", is QFontMetrics::size(0, "W").height(), the
// height of the text's layout box (13 pixels for Liberation Sans 11 px; the
// font's line height() rounds ascent and descent apart and gives 12). Text
// widths are QFontMetrics::horizontalAdvance.
//
// Colours: background = palette Button (the button face), bevel shadow =
// palette Dark, bevel highlight = palette Light.
//
// The chart takes no keyboard focus. The left button does nothing but the
// double click, which emits doubleClicked().

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <vector>

#include "chart_draw.h"
#include "chart_math.h"
#include "chart_polyline.h"
#include "chart_series.h"
#include "chart_series_painter.h"
#include "chart_text.h"

namespace wendra {

class Chart : public QWidget {
  Q_OBJECT

 public:
  explicit Chart(QWidget* parent = nullptr);

  // Series1 ("Average", red) and Series2 ("Best", blue), drawn and listed in
  // this order.
  ChartSeries& series1() { return series1_; }
  ChartSeries& series2() { return series2_; }
  const ChartSeries& series1() const { return series1_; }
  const ChartSeries& series2() const { return series2_; }

  // Axis state. While Automatic, Minimum and Maximum follow the data at every
  // redraw; panning switches Automatic off for good.
  const chart::AxisState& bottomAxis() const { return bottomAxis_; }
  const chart::AxisState& leftAxis() const { return leftAxis_; }

  // The user's separators for the axis labels (default "." and ",").
  void setNumberSeparators(const chart::NumberSeparators& separators);
  chart::NumberSeparators numberSeparators() const { return separators_; }

  // The layout of the last redraw (plot rectangle, legend, axes), and whether
  // the cached picture is valid.
  const chart::ChartLayout& layout() const { return layout_; }
  bool pictureValid() const { return pictureValid_ && picturesFit(); }
  // The text metrics the chart draws with.
  chart::TextMetrics textMetrics() const;

  QSize sizeHint() const override { return {586, 268}; }

 signals:
  void doubleClicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void invalidate();
  void watchWindow();
  // The layout for the current size and data; stores the ranges of the
  // Automatic axes.
  chart::ChartLayout computeLayout();
  // Brings the picture up to date; returns the area that changed.
  QRect redraw();
  bool picturesFit() const;
  void makePictures();
  // Draws the walls and axes anew in picture_; returns the area that changed.
  QRect redrawAxes();
  // Draws the walls and axes on `picture`; returns the areas they lie in.
  std::vector<QRect> drawAxesOn(QImage& picture);
  void drawSeries(QPainter& painter, const ChartSeries& series, QRect& changed);
  void panTo(QPoint to);
  QFont chartFont() const;

  ChartSeries series1_;
  ChartSeries series2_;
  chart::AxisState bottomAxis_;
  chart::AxisState leftAxis_;
  chart::NumberSeparators separators_;
  chart::ChartText text_;
  chart::ChartLayout layout_;

  // The three layers (see above) and what they were drawn for.
  QImage frame_;    // background, bevel, legend, title
  QImage axes_;     // the frame with walls and axes (when axesKept_)
  QImage picture_;  // the axes with the series: what the widget shows
  bool frameValid_ = false;
  bool axesValid_ = false;  // picture_ shows the axes of axesLayout_
  bool axesKept_ = false;   // axes_ holds them too
  bool pictureValid_ = false;
  // When pictureAxesKnown_, picture_ differs from frame_ only in the areas
  // of pictureAxes_ and what seriesPainter_ drew since its last reset.
  bool pictureAxesKnown_ = false;
  std::vector<QRect> pictureAxes_;
  chart::ChartLayout frameLayout_;
  chart::FrameColors frameColors_;
  QFont frameFont_;
  chart::ChartLayout axesLayout_;
  chart::SeriesPainter seriesPainter_;
  std::vector<chart::PixelColumn> columns_;  // reused by every series drawing
  chart::ColumnMemo memo1_, memo2_;          // what each series' last columns found
  QPointer<QWidget> watched_;  // the window whose repaints redraw first

  bool panning_ = false;
  QPoint panFrom_;
};

}  // namespace wendra
