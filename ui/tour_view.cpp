#include "tour_view.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

#include "device_picture.h"

namespace wendra {

namespace {

// The segments of a closed tour: from the first city to every city in tour
// order, starting with the first again (zero-length, left out), then back to
// the first. Those whose box lies wholly outside `visible` are left out too.
template <typename Position>
void closedTour(const std::vector<std::int32_t>& tour, Position position, const QRect& visible,
                std::vector<QLine>& segments) {
  segments.clear();
  if (tour.empty()) return;
  const QPoint first = position(tour.front());
  QPoint current = first;
  auto lineTo = [&](QPoint to) {
    if (to != current && std::max(current.x(), to.x()) >= visible.left() &&
        std::min(current.x(), to.x()) <= visible.right() &&
        std::max(current.y(), to.y()) >= visible.top() &&
        std::min(current.y(), to.y()) <= visible.bottom())
      segments.emplace_back(current, to);
    current = to;
  };
  for (std::int32_t city : tour) lineTo(position(city));
  lineTo(first);
}

}  // namespace

int TourGeometry::origin() const {
  return std::max(0, (panel4Height - grid.height * kCellSize) / 2);
}

QPoint TourGeometry::leftCity(std::int32_t city) const {
  return {kLeftMargin + grid.column(city) * kCellSize,
          origin() + grid.row(city) * kCellSize + kTopOffset};
}

TourView::TourView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TourView::drawTours(const Grid& grid, const std::vector<std::int32_t>& generationBest,
                         const std::vector<std::int32_t>& overallBest, int panel4Height) {
  if (!pictureCreated_) {
    pictureSize_ = size();
    pictureCreated_ = true;
  }
  // Its size stays; its resolution follows the screen's.
  const qreal ratio = devicePixelRatioF();
  if (!pictureFits(picture_, pictureSize_, ratio) && !pictureSize_.isEmpty()) {
    picture_ = makeDevicePicture(pictureSize_, ratio);
    left_ = right_ = Side();
  }
  if (picture_.isNull()) {
    update();
    return;
  }
  panel4Height_ = panel4Height;
  const TourGeometry geometry{grid, panel4Height};
  const int origin = geometry.origin();
  const QRgb face = palette().color(QPalette::Button).rgb();
  const bool leftStale = !left_.shows(grid, origin, face, generationBest);
  const bool rightStale = !right_.shows(grid, origin, face, overallBest);
  if (!leftStale && !rightStale) return;  // the picture already shows these

  // The right side starts between the two drawings.
  const QRect whole(QPoint(0, 0), pictureSize_);
  const int split = TourGeometry::kLeftMargin + grid.width * TourGeometry::kCellSize;
  const QRect leftArea = whole & QRect(0, 0, split, whole.height());
  const QRect rightArea = whole & QRect(split, 0, whole.width() - split, whole.height());
  QPainter painter(&picture_);
  painter.setPen(linePen(Qt::black, ratio));
  QRect changed;
  if (leftStale) {
    drawSide(painter, leftArea, geometry, generationBest, 0);
    left_ = {true, grid, origin, face, generationBest};
    changed |= leftArea;
  }
  if (rightStale) {
    drawSide(painter, rightArea, geometry, overallBest, geometry.rightShift());
    right_ = {true, grid, origin, face, overallBest};
    changed |= rightArea;
  }
  update(changed);
}

void TourView::drawSide(QPainter& painter, const QRect& area, const TourGeometry& geometry,
                        const std::vector<std::int32_t>& tour, int shift) {
  if (area.isEmpty()) return;
  // With a clip rectangle of its own the raster engine writes a 1-pixel
  // line's pixels straight into the picture; without one it blends them one
  // span at a time, five times slower. The pixels are the same: the clip
  // only holds the line to the side it belongs to, which it never leaves.
  // It replaces the other side's clip before the face is filled.
  painter.setClipRect(area);
  painter.fillRect(area, palette().color(QPalette::Button));
  // A line at a ratio above 1 is up to a pixel wider than the box of its
  // ends: those just outside the area may still reach into it.
  closedTour(tour, [&](std::int32_t c) { return geometry.leftCity(c) + QPoint(shift, 0); },
             area.adjusted(-1, -1, 1, 1), segments_);
  if (picture_.devicePixelRatio() == 1) stampInside(area);
  painter.drawLines(segments_.data(), static_cast<int>(segments_.size()));
}

void TourView::stampInside(const QRect& area) {
  // Lines away from the area's edges are set from their recorded pixels
  // (the painter's own); the others stay for the painter.
  const QRect inner = area.adjusted(1, 1, -1, -1) & picture_.rect();
  const QRgb black = QColor(Qt::black).rgb();
  std::size_t kept = 0;
  for (const QLine& line : segments_) {
    const QPoint offset = line.p2() - line.p1();
    if (LineStamps::keeps(offset) && inner.contains(line.p1()) && inner.contains(line.p2()))
      stamps_.stamp(picture_, line.p1(), offset, black);
    else
      segments_[kept++] = line;
  }
  segments_.resize(kept);
}

bool TourView::event(QEvent* event) {
  if (event->type() == QEvent::ScreenChangeInternal) redrawAtNewRatio();
  return QWidget::event(event);
}

void TourView::redrawAtNewRatio() {
  if (!left_.drawn || !right_.drawn || pictureFits(picture_, pictureSize_, devicePixelRatioF()))
    return;
  // drawTours() forgets both sides when it makes the new picture.
  const Side left = left_, right = right_;
  drawTours(left.grid, left.tour, right.tour, panel4Height_);
}

void TourView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
  // The button face around the picture.
  const QRect covered = picture_.isNull() ? QRect() : QRect(QPoint(0, 0), picture_.deviceIndependentSize().toSize());
  const QColor face = palette().color(QPalette::Button);
  painter.fillRect(QRect(covered.width(), 0, width() - covered.width(), height()), face);
  painter.fillRect(QRect(0, covered.height(), covered.width(), height() - covered.height()), face);
}

}  // namespace wendra

#include "moc_tour_view.cpp"
