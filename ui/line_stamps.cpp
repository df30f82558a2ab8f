#include "line_stamps.h"

#include <algorithm>
#include <cstdlib>

namespace wendra {

LineStamps::Stamp LineStamps::learn(QLine line, QImage* picture) {
  // In a picture of the size the line is drawn in, or one that holds it
  // with a margin of 2.
  QPoint from = line.p1();
  QImage own;
  if (!picture) {
    const int margin = 2;
    from = QPoint(margin + std::max(0, -line.dx()), margin + std::max(0, -line.dy()));
    own = QImage(std::abs(line.dx()) + 2 * margin + 1, std::abs(line.dy()) + 2 * margin + 1,
                 QImage::Format_RGB32);
    picture = &own;
  }
  const QPoint to = from + QPoint(line.dx(), line.dy());
  // The pixels lie in the box between the ends: only that is cleared and read.
  const QRect box = QRect(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                          QPoint(std::max(from.x(), to.x()), std::max(from.y(), to.y()))) &
                    picture->rect();
  for (int y = box.top(); y <= box.bottom(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(picture->scanLine(y));
    std::fill(row + box.left(), row + box.right() + 1, 0xff000000u);
  }
  {
    QPainter painter(picture);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(from, to);
  }
  Stamp stamp;
  stamp.left = stamp.top = 1 << 30;
  stamp.right = stamp.bottom = -(1 << 30);
  for (int y = box.top(); y <= box.bottom(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(picture->constScanLine(y));
    for (int x = box.left(); x <= box.right(); ++x) {
      if (row[x] == 0xff000000u) continue;
      const int ox = x - from.x(), oy = y - from.y();
      stamp.x.push_back(ox);
      stamp.y.push_back(oy);
      stamp.left = std::min(stamp.left, ox);
      stamp.right = std::max(stamp.right, ox);
      stamp.top = std::min(stamp.top, oy);
      stamp.bottom = std::max(stamp.bottom, oy);
    }
  }
  return stamp;
}

LineStamps::Stamp* LineStamps::stampFor(QLine line, QSize picture) {
  const bool inside = QRect(QPoint(0, 0), picture).contains(line.p1()) &&
                      QRect(QPoint(0, 0), picture).contains(line.p2());
  // What has to be learnt: the line, or the part of it in the picture.
  const QRect box = QRect(QPoint(std::min(line.x1(), line.x2()), std::min(line.y1(), line.y2())),
                          QPoint(std::max(line.x1(), line.x2()), std::max(line.y1(), line.y2())));
  const QRect learnt = inside ? box : box & QRect(QPoint(0, 0), picture);
  if (learnt.width() > kLongestSide || learnt.height() > kLongestSide) return nullptr;
  const Key key = inside ? Key{false, 0, 0, line.dx(), line.dy()}
                         : Key{true, line.x1(), line.y1(), line.x2(), line.y2()};
  if (!inside && scratch_.size() != picture) {
    // Lines reaching out are learnt for one picture size, in a picture of
    // that size.
    stamps_.removeIf([](const auto& entry) { return entry.key().placed; });
    scratch_ = QImage(picture, QImage::Format_RGB32);
  }
  auto found = stamps_.find(key);
  if (found != stamps_.end()) return &*found;
  if (stamps_.size() >= kMaxStamps) return nullptr;
  return &*stamps_.insert(key, learn(line, inside ? nullptr : &scratch_));
}

void LineStamps::draw(QImage& picture, QPainter& painter, const std::vector<QLine>& segments,
                      QRgb color, const QRect& clip) {
  QRgb* const pixels = reinterpret_cast<QRgb*>(picture.bits());
  const qsizetype stride = picture.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  painted_.clear();
  for (const QLine& line : segments) {
    Stamp* stamp = stampFor(line, picture.size());
    if (!stamp) {
      painted_.push_back(line);
      continue;
    }
    const int x0 = line.x1(), y0 = line.y1();
    const std::size_t n = stamp->x.size();
    if (x0 + stamp->left >= clip.left() && x0 + stamp->right <= clip.right() &&
        y0 + stamp->top >= clip.top() && y0 + stamp->bottom <= clip.bottom()) {
      // Wholly inside the clip: by offsets in the pixel array.
      if (stamp->stride != stride) {
        stamp->at.resize(n);
        for (std::size_t i = 0; i < n; ++i) stamp->at[i] = stamp->y[i] * stride + stamp->x[i];
        stamp->stride = stride;
      }
      QRgb* const start = pixels + y0 * stride + x0;
      for (const qsizetype at : stamp->at) start[at] = color;
      continue;
    }
    for (std::size_t i = 0; i < n; ++i) {
      const int x = x0 + stamp->x[i], y = y0 + stamp->y[i];
      if (x >= clip.left() && x <= clip.right() && y >= clip.top() && y <= clip.bottom())
        pixels[y * stride + x] = color;
    }
  }
  if (!painted_.empty()) painter.drawLines(painted_.data(), static_cast<int>(painted_.size()));
}

}  // namespace wendra
