#pragma once
// Chart: the fitness chart of the main window (Chart1). Two line series,
// "Average" (red) and "Best" (blue), plotted against their point ordinal, with
// a title, a legend, a left and a bottom axis with automatic ranges, and
// panning with the right mouse button.
//
// Drawing is double-buffered: Add, Clear, a panning move, a new size or new
// number separators mark the cached picture invalid and request a repaint; a
// paint with a valid picture only copies it. The arithmetic lives in
// chart_math.h; paintEvent turns a chart::ChartLayout into pixels.
//
// Text: 8-point "Arial" (fontconfig gives Liberation Sans, metric-compatible).
// h, "the height of the text W", is QFontMetrics::size(0, "W").height(), the
// height of the text's layout box (13 pixels for Liberation Sans 11 px; the
// font's line height() rounds ascent and descent apart and gives 12). Text
// widths are QFontMetrics::horizontalAdvance.
//
// The picture is made at the widget's device pixel ratio (device_picture.h)
// and drawn into in widget pixels: the same layout at every scale, text and
// lines at the screen's resolution. A new ratio (another screen) redraws it.
//
// Colours: background = palette Button (the button face), bevel shadow =
// palette Dark, bevel highlight = palette Light.
//
// The chart takes no keyboard focus. The left button does nothing but the
// double click, which emits doubleClicked().

#include <QFont>
#include <QImage>
#include <QLine>
#include <QPoint>
#include <QWidget>

#include "chart_math.h"
#include "chart_series.h"

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
  void setNumberSeparators(QChar decimal, QChar thousands);
  chart::NumberSeparators numberSeparators() const { return separators_; }

  // The layout of the last redraw (plot rectangle, legend, axes), and whether
  // the cached picture is valid.
  const chart::ChartLayout& layout() const { return layout_; }
  bool pictureValid() const;
  // The text metrics the chart draws with.
  chart::TextMetrics textMetrics() const;

  QSize sizeHint() const override { return {586, 268}; }

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void invalidate();
  // The layout for the current size and data; stores the ranges of the
  // Automatic axes.
  chart::ChartLayout computeLayout();
  void redraw();
  void drawLegend(class QPainter& painter) const;
  void drawAxis(class QPainter& painter, const chart::AxisLayout& axis) const;
  void drawSeries(class QPainter& painter, const ChartSeries& series);
  void panTo(QPoint to);
  QFont chartFont() const;

  ChartSeries series1_;
  ChartSeries series2_;
  chart::AxisState bottomAxis_;
  chart::AxisState leftAxis_;
  chart::NumberSeparators separators_;
  chart::ChartLayout layout_;
  QImage picture_;
  bool pictureValid_ = false;
  std::vector<QLine> segments_;  // reused by every series drawing
  bool panning_ = false;
  QPoint panFrom_;
};

}  // namespace wendra
