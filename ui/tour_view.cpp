#include "tour_view.h"

#include <QPainter>

#include <algorithm>

#include "device_picture.h"

namespace wendra {

namespace {

// Moves to the first city, draws to every city in tour order starting with
// the first again, then back to the first.
template <typename Position>
void drawClosedTour(QPainter& painter, const std::vector<std::int32_t>& tour, Position position) {
  if (tour.empty()) return;
  QPoint current = position(tour.front());
  auto lineTo = [&](QPoint to) {
    // A zero-length segment draws nothing.
    if (to != current) painter.drawLine(current, to);
    current = to;
  };
  for (std::int32_t city : tour) lineTo(position(city));
  lineTo(position(tour.front()));
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
  if (!pictureFits(picture_, pictureSize_, ratio) && !pictureSize_.isEmpty())
    picture_ = makeDevicePicture(pictureSize_, ratio);
  if (!picture_.isNull()) {
    const TourGeometry geometry{grid, panel4Height};
    QPainter painter(&picture_);
    painter.fillRect(QRect(QPoint(0, 0), pictureSize_), palette().color(QPalette::Button));
    painter.setPen(linePen(Qt::black, ratio));
    drawClosedTour(painter, generationBest, [&](std::int32_t c) { return geometry.leftCity(c); });
    drawClosedTour(painter, overallBest, [&](std::int32_t c) { return geometry.rightCity(c); });
  }
  update();
}

void TourView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Button));
  if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
}

}  // namespace wendra

#include "moc_tour_view.cpp"
