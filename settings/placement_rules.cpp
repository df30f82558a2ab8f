#include "placement_rules.h"

#include <QRegion>

#include <algorithm>
#include <cstdint>

namespace wendra {
namespace {

// A rectangle in 64 bits, right and bottom exclusive.
struct Span {
  std::int64_t left, top, right, bottom;

  static Span of(const QRect& rect) {
    return {rect.left(), rect.top(), std::int64_t(rect.left()) + rect.width(),
            std::int64_t(rect.top()) + rect.height()};
  }
  std::int64_t overlap(const Span& other) const {
    const std::int64_t width = std::min(right, other.right) - std::max(left, other.left);
    const std::int64_t height = std::min(bottom, other.bottom) - std::max(top, other.top);
    return width > 0 && height > 0 ? width * height : 0;
  }
  // Squared distance between the two rectangles' nearest points.
  std::int64_t distance(const Span& other) const {
    const std::int64_t dx = std::max<std::int64_t>({0, other.left - right, left - other.right});
    const std::int64_t dy = std::max<std::int64_t>({0, other.top - bottom, top - other.bottom});
    return dx * dx + dy * dy;
  }
};

bool wholeOn(const Span& outer, const QList<QRect>& areas) {
  const bool representable = outer.left >= INT32_MIN / 2 && outer.right <= INT32_MAX / 2 &&
                             outer.top >= INT32_MIN / 2 && outer.bottom <= INT32_MAX / 2;
  if (!representable) return false;
  const QRect rect(int(outer.left), int(outer.top), int(outer.right - outer.left),
                   int(outer.bottom - outer.top));
  QRegion rest(rect);
  for (const QRect& area : areas) rest -= area;
  return rest.isEmpty();
}

const QRect& targetArea(const Span& outer, const QList<QRect>& areas) {
  const QRect* best = &areas.front();
  std::int64_t bestOverlap = -1;
  for (const QRect& area : areas) {
    const std::int64_t overlap = outer.overlap(Span::of(area));
    if (overlap > bestOverlap) {
      best = &area;
      bestOverlap = overlap;
    }
  }
  if (bestOverlap > 0) return *best;
  best = &areas.front();
  for (const QRect& area : areas) {
    if (outer.distance(Span::of(area)) < outer.distance(Span::of(*best))) best = &area;
  }
  return *best;
}

// The start of a length `length` moved into [low, high): as little as
// possible, and to `low` when it does not fit.
std::int64_t moveInto(std::int64_t start, std::int64_t length, std::int64_t low, std::int64_t high) {
  return std::max(low, std::min(start, high - length));
}

}  // namespace

bool showsNormalRectangle(const WindowStateFlags& state) {
  return !state.minimized && !state.maximized && !state.fullScreen &&
         !state.maximizedVertically && !state.maximizedHorizontally;
}

NormalPlacement bringOntoScreens(const NormalPlacement& placement, const QMargins& frame,
                                 const QSize& minimum, const QList<QRect>& areas) {
  NormalPlacement result = placement;
  result.clientSize = placement.clientSize.expandedTo(minimum);
  if (areas.isEmpty()) return result;

  const std::int64_t frameWidth = frame.left() + frame.right();
  const std::int64_t frameHeight = frame.top() + frame.bottom();
  std::int64_t width = std::int64_t(result.clientSize.width()) + frameWidth;
  std::int64_t height = std::int64_t(result.clientSize.height()) + frameHeight;
  const Span outer{placement.framePosition.x(), placement.framePosition.y(),
                   placement.framePosition.x() + width, placement.framePosition.y() + height};
  if (wholeOn(outer, areas)) return result;

  const Span area = Span::of(targetArea(outer, areas));
  width = std::max(std::min(width, area.right - area.left), minimum.width() + frameWidth);
  height = std::max(std::min(height, area.bottom - area.top), minimum.height() + frameHeight);
  result.clientSize = QSize(int(width - frameWidth), int(height - frameHeight));
  result.framePosition = QPoint(int(moveInto(outer.left, width, area.left, area.right)),
                                int(moveInto(outer.top, height, area.top, area.bottom)));
  return result;
}

}  // namespace wendra
