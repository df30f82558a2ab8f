#include "chart.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "device_picture.h"

namespace wendra {

namespace {

void shiftAxis(chart::AxisState& axis, double by) {
  axis.Minimum += by;
  axis.Maximum += by;
  axis.Automatic = false;
  if (axis.Maximum - axis.Minimum < 1e-10) axis.Maximum = axis.Minimum + 1e-10;
}

void copyWhole(QImage& to, const QImage& from) {
  std::memcpy(to.bits(), from.constBits(), static_cast<std::size_t>(from.sizeInBytes()));
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

void Chart::setNumberSeparators(const chart::NumberSeparators& separators) {
  separators_ = separators;
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
  text_.setFont(chartFont());
  text_.setSeparators(separators_);
  chart::LayoutInput input;
  input.width = width();
  input.height = height();
  input.metrics = text_.metrics();
  input.separators = separators_;
  input.label = text_.labels();
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
  // An invalid picture has its repaint asked for already (or is painted in
  // full when it is first shown).
  if (!pictureValid_) return;
  pictureValid_ = false;
  // The window's next repaint brings the picture up to date first (see
  // eventFilter); asking for the plot area, which nearly every change
  // touches, makes sure one comes.
  watchWindow();
  if (picturesFit() && axesValid_)
    update(QRect(QPoint(layout_.plot.left, layout_.plot.top),
                 QPoint(layout_.plot.right, layout_.plot.bottom)).normalized());
  else
    update();
}

void Chart::watchWindow() {
  QWidget* const top = window();
  if (watched_ == top) return;
  if (watched_) watched_->removeEventFilter(this);
  watched_ = top;
  top->installEventFilter(this);
}

bool Chart::eventFilter(QObject* watched, QEvent* event) {
  // The window is about to repaint what is marked: redraw first, and mark
  // what that changed, so that one repaint shows it all.
  if (watched == watched_ && event->type() == QEvent::UpdateRequest && !pictureValid_ &&
      isVisible() && picturesFit()) {
    const QRect changed = redraw();
    if (!changed.isEmpty()) update(changed);
  }
  return QWidget::eventFilter(watched, event);
}

bool Chart::picturesFit() const {
  return !picture_.isNull() && pictureFits(picture_, size(), devicePixelRatioF());
}

void Chart::makePictures() {
  // At the screen's resolution; everything paints in widget pixels.
  const qreal ratio = devicePixelRatioF();
  for (QImage* picture : {&frame_, &axes_, &picture_}) *picture = makeDevicePicture(size(), ratio);
  pictureAxesKnown_ = false;
  frameValid_ = false;
  axesValid_ = false;
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

void Chart::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
    frameValid_ = false;
    invalidate();
  }
}

QRect Chart::redraw() {
  if (!picturesFit()) makePictures();
  layout_ = computeLayout();
  pictureValid_ = true;
  if (picture_.isNull()) return QRect();

  const chart::FrameColors colors{palette().color(QPalette::Button),
                                  palette().color(QPalette::Dark),
                                  palette().color(QPalette::Light)};
  if (!frameValid_ || colors != frameColors_ || text_.font() != frameFont_ ||
      !chart::sameFrame(layout_, frameLayout_)) {
    QPainter painter(&frame_);
    painter.setFont(text_.font());
    chart::ChartCanvas canvas(frame_, painter);
    const chart::LegendRow rows[2] = {{series1_.title(), series1_.color()},
                                      {series2_.title(), series2_.color()}};
    chart::drawFrame(canvas, layout_, colors, rows);
    frameLayout_ = layout_;
    frameColors_ = colors;
    frameFont_ = text_.font();
    frameValid_ = true;
    axesValid_ = false;
    pictureAxesKnown_ = false;
  }

  QRect changed;
  if (!axesValid_ || !chart::sameAxes(layout_, axesLayout_)) {
    changed = redrawAxes();
    axesLayout_ = layout_;
    axesValid_ = true;
    axesKept_ = false;
    seriesPainter_.reset(picture_, layout_.plot);
  } else {
    if (!axesKept_) {
      copyWhole(axes_, frame_);
      drawAxesOn(axes_);
      axesKept_ = true;
    }
    changed = seriesPainter_.restore(picture_, axes_);
  }

  QPainter painter(&picture_);
  drawSeries(painter, series1_, changed);
  drawSeries(painter, series2_, changed);
  return changed;
}

QRect Chart::redrawAxes() {
  // While a run is short its axes move with nearly every point: they are
  // drawn straight onto the frame in the picture, and the picture without
  // series is made only once they stay. The picture differs from the frame
  // only where its series and axes lie: only there does it go back to the
  // frame.
  QRect changed;
  if (pictureAxesKnown_) {
    changed = seriesPainter_.restore(picture_, frame_);
    for (const QRect& area : pictureAxes_) {
      copyArea(picture_, frame_, area);
      changed |= area;
    }
  } else {
    copyWhole(picture_, frame_);
    changed = rect();
  }
  pictureAxes_ = drawAxesOn(picture_);
  pictureAxesKnown_ = true;
  for (const QRect& area : pictureAxes_) changed |= area;
  return changed & rect();
}

std::vector<QRect> Chart::drawAxesOn(QImage& picture) {
  QPainter painter(&picture);
  chart::ChartCanvas canvas(picture, painter);
  chart::drawAxes(canvas, text_, layout_);
  return canvas.takeDrawn();
}

void Chart::drawSeries(QPainter& painter, const ChartSeries& series, QRect& changed) {
  chart::ColumnMemo& memo = &series == &series1_ ? memo1_ : memo2_;
  chart::seriesColumns(series.xValues(), series.yValues(), layout_.bottom.map, layout_.left.map,
                       &memo, columns_);
  changed |= seriesPainter_.draw(picture_, painter, columns_, series.color());
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
