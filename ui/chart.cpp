#include "chart.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "chart_polyline.h"
#include "device_picture.h"

namespace wendra {

namespace {

using chart::ChartLayout;
using chart::Edges;

const QColor kTickGrey(128, 128, 128);

// Fills the rectangle with corners (left, top) and (right, bottom), both
// included.
void fillSpan(QPainter& painter, int left, int top, int right, int bottom, const QColor& color) {
  painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), color);
}

// A 1-pixel frame on the outermost pixels of the rectangle with corners
// (left, top) and (right, bottom), both included.
void frameSpan(QPainter& painter, int left, int top, int right, int bottom, const QColor& color) {
  fillSpan(painter, left, top, right, top, color);
  fillSpan(painter, left, bottom, right, bottom, color);
  fillSpan(painter, left, top, left, bottom, color);
  fillSpan(painter, right, top, right, bottom, color);
}

// Draws a text with the top-left corner of its box at (x, top).
void drawTextAt(QPainter& painter, int x, int top, const QString& text) {
  painter.drawText(QPoint(x, top + painter.fontMetrics().ascent()), text);
}

void shiftAxis(chart::AxisState& axis, double by) {
  axis.Minimum += by;
  axis.Maximum += by;
  axis.Automatic = false;
  if (axis.Maximum - axis.Minimum < 1e-10) axis.Maximum = axis.Minimum + 1e-10;
}

}  // namespace

Chart::Chart(QWidget* parent)
    : QWidget(parent),
      series1_(QStringLiteral("Average"), QColor(255, 0, 0)),
      series2_(QStringLiteral("Best"), QColor(0, 0, 255)) {
  series1_.setChangedHandler([this] { invalidate(); });
  series2_.setChangedHandler([this] { invalidate(); });
  setFocusPolicy(Qt::NoFocus);
  // Every pixel comes from the cached picture: no erasing, no flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Chart::setNumberSeparators(QChar decimal, QChar thousands) {
  separators_.decimal = decimal;
  separators_.thousands = thousands;
  invalidate();
}

QFont Chart::chartFont() const {
  QFont font(QStringLiteral("Arial"));
  // 8 points at the screen's resolution (11 pixels at 96 dpi); set in pixels
  // so that the off-screen picture, whose own resolution differs, gets the
  // same size.
  font.setPixelSize(qRound(8 * logicalDpiY() / 72.0));
  return font;
}

chart::TextMetrics Chart::textMetrics() const {
  const QFontMetrics metrics(chartFont());
  chart::TextMetrics result;
  result.height = metrics.size(0, QStringLiteral("W")).height();
  result.width = [metrics](const QString& text) { return metrics.horizontalAdvance(text); };
  return result;
}

chart::ChartLayout Chart::computeLayout() {
  chart::LayoutInput input;
  input.width = width();
  input.height = height();
  input.metrics = textMetrics();
  input.separators = separators_;
  input.title1 = series1_.title();
  input.title2 = series2_.title();
  input.bottom = bottomAxis_;
  input.left = leftAxis_;
  for (const ChartSeries* series : {&series1_, &series2_}) {
    if (series->count() == 0) continue;
    chart::DataExtent& data = input.data;
    const double xMin = series->xValues().minimum(), xMax = series->xValues().maximum();
    const double yMin = series->yValues().minimum(), yMax = series->yValues().maximum();
    if (!data.any) {
      data = {true, xMin, xMax, yMin, yMax};
    } else {
      data.xMinimum = std::min(data.xMinimum, xMin);
      data.xMaximum = std::max(data.xMaximum, xMax);
      data.yMinimum = std::min(data.yMinimum, yMin);
      data.yMaximum = std::max(data.yMaximum, yMax);
    }
  }
  chart::ChartLayout result = chart::layoutChart(input);
  if (bottomAxis_.Automatic) {
    bottomAxis_.Minimum = result.bottom.map.minimum();
    bottomAxis_.Maximum = result.bottom.map.maximum();
  }
  if (leftAxis_.Automatic) {
    leftAxis_.Minimum = result.left.map.minimum();
    leftAxis_.Maximum = result.left.map.maximum();
  }
  return result;
}

void Chart::invalidate() {
  pictureValid_ = false;
  update();
}

bool Chart::pictureValid() const {
  return pictureValid_ && pictureFits(picture_, size(), devicePixelRatioF());
}

void Chart::paintEvent(QPaintEvent*) {
  if (!pictureValid()) redraw();
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

void Chart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  invalidate();
}

void Chart::redraw() {
  // At the screen's resolution; everything below paints in widget pixels.
  const qreal ratio = devicePixelRatioF();
  if (!pictureFits(picture_, size(), ratio)) picture_ = makeDevicePicture(size(), ratio);
  layout_ = computeLayout();
  pictureValid_ = true;
  if (picture_.isNull()) return;

  const int w = width();
  const int h = height();
  QPainter painter(&picture_);
  painter.setFont(chartFont());

  // Background and the sunken bevel: shadow on the top and left edge,
  // highlight on the bottom and right edge (which own the two far corners).
  painter.fillRect(QRect(0, 0, w, h), palette().color(QPalette::Button));
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor highlight = palette().color(QPalette::Light);
  fillSpan(painter, 0, 0, w - 1, 0, shadow);
  fillSpan(painter, 0, 0, 0, h - 1, shadow);
  fillSpan(painter, w - 1, 0, w - 1, h - 1, highlight);
  fillSpan(painter, 0, h - 1, w - 1, h - 1, highlight);

  drawLegend(painter);

  painter.setPen(QColor(0, 0, 255));
  drawTextAt(painter, layout_.titleLeft, layout_.titleTop, QStringLiteral("Fitness"));

  // Back wall: a frame on R's edges; the inside keeps the background.
  const Edges& r = layout_.plot;
  frameSpan(painter, r.left, r.top, r.right, r.bottom, Qt::black);

  drawAxis(painter, layout_.bottom);
  drawAxis(painter, layout_.left);

  painter.setClipRect(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)));
  drawSeries(painter, series1_);
  drawSeries(painter, series2_);
}

void Chart::drawLegend(QPainter& painter) const {
  const chart::LegendLayout& legend = layout_.legend;
  if (!legend.shown) return;
  const Edges& box = legend.box;  // half open
  fillSpan(painter, box.left + 3, box.top + 3, box.right + 2, box.bottom + 2, Qt::black);
  fillSpan(painter, box.left - 1, box.top - 1, box.right, box.bottom, Qt::white);
  frameSpan(painter, box.left - 1, box.top - 1, box.right, box.bottom, Qt::black);

  const int h = layout_.textHeight;
  const ChartSeries* rows[] = {&series1_, &series2_};
  for (int i = 0; i < legend.rows; ++i) {
    const int y = legend.rowTop(i, h);
    painter.setPen(Qt::black);
    drawTextAt(painter, legend.textLeft, y, rows[i]->title());
    painter.setPen(linePen(rows[i]->color(), picture_.devicePixelRatio()));
    painter.drawLine(legend.symbolLeft(), y + h / 2, legend.symbolRight(), y + h / 2);
  }
}

void Chart::drawAxis(QPainter& painter, const chart::AxisLayout& axis) const {
  const Edges& r = layout_.plot;
  const int h = layout_.textHeight;
  const bool vertical = axis.map.vertical();
  // The axis line lies just outside the back wall, 2 pixels thick; the left
  // one runs down over the corner so that the two meet.
  const int line = ChartLayout::kAxisLineWidth;
  const int major = ChartLayout::kMajorTickLength;
  const int minor = ChartLayout::kMinorTickLength;

  if (axis.labelsShown) {
    painter.setPen(Qt::black);
    for (const chart::AxisLabel& label : axis.labels) {
      if (vertical)
        drawTextAt(painter, layout_.leftTickOuter() - label.width, label.pixel - h / 2, label.text);
      else
        drawTextAt(painter, label.pixel - label.width / 2, layout_.bottomLabelTop(), label.text);
    }
  }

  if (vertical)
    fillSpan(painter, r.left - line, r.top, r.left - 1, r.bottom + line, Qt::black);
  else
    fillSpan(painter, r.left - line, r.bottom + 1, r.right, r.bottom + line, Qt::black);
  if (!axis.labelsShown) return;

  // Ticks start next to the axis line and point outward.
  auto tick = [&](int at, int length) {
    if (vertical)
      fillSpan(painter, r.left - line - length, at, r.left - line - 1, at, kTickGrey);
    else
      fillSpan(painter, at, r.bottom + line + 1, at, r.bottom + line + length, kTickGrey);
  };
  for (const chart::AxisLabel& label : axis.labels) tick(label.pixel, major);

  // Grid lines run between the walls; one that falls on a wall is left out so
  // that the frame stays whole.
  painter.setPen(QPen(kTickGrey, 1, Qt::DotLine));
  for (const chart::AxisLabel& label : axis.labels) {
    if (vertical) {
      if (label.pixel > r.top && label.pixel < r.bottom)
        painter.drawLine(r.left + 1, label.pixel, r.right - 1, label.pixel);
    } else if (label.pixel > r.left && label.pixel < r.right) {
      painter.drawLine(label.pixel, r.top + 1, label.pixel, r.bottom - 1);
    }
  }

  for (int at : axis.minorTicks) tick(at, minor);
}

void Chart::drawSeries(QPainter& painter, const ChartSeries& series) {
  const std::vector<chart::PixelPoint> points = chart::seriesPolyline(
      series.xValues(), series.yValues(), layout_.bottom.map, layout_.left.map);
  segments_.clear();
  for (std::size_t i = 1; i < points.size(); ++i)
    segments_.emplace_back(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  painter.setPen(linePen(series.color(), picture_.devicePixelRatio()));
  painter.drawLines(segments_.data(), static_cast<int>(segments_.size()));
}

void Chart::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::RightButton && layout_.startsPanning(at.x(), at.y())) {
    panning_ = true;
    panFrom_ = at;
  }
}

void Chart::mouseMoveEvent(QMouseEvent* event) {
  if (!panning_) return;
  const QPoint at = event->position().toPoint();
  if (!layout_.insidePlot(at.x(), at.y())) {
    panning_ = false;
    return;
  }
  panTo(at);
}

void Chart::mouseReleaseEvent(QMouseEvent*) { panning_ = false; }

void Chart::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    emit doubleClicked();
  else
    mousePressEvent(event);  // a quick second right press still pans
}

void Chart::panTo(QPoint to) {
  const QPoint from = panFrom_;
  panFrom_ = to;
  bool shifted = false;
  if (to.x() != from.x()) {
    const chart::AxisMap map(bottomAxis_.Minimum, bottomAxis_.Maximum, layout_.bottom.map.start(),
                             layout_.bottom.map.end(), false);
    shiftAxis(bottomAxis_, map.toValue(from.x()) - map.toValue(to.x()));
    shifted = true;
  }
  if (to.y() != from.y()) {
    const chart::AxisMap map(leftAxis_.Minimum, leftAxis_.Maximum, layout_.left.map.start(),
                             layout_.left.map.end(), true);
    shiftAxis(leftAxis_, map.toValue(from.y()) - map.toValue(to.y()));
    shifted = true;
  }
  if (shifted) invalidate();
}

}  // namespace wendra

#include "moc_chart.cpp"
