#include "device_picture.h"

#include <algorithm>
#include <cmath>

namespace wendra {
namespace {

QSize deviceSize(QSize logical, qreal ratio) {
  return {int(std::ceil(logical.width() * ratio)), int(std::ceil(logical.height() * ratio))};
}

}  // namespace

QImage makeDevicePicture(QSize logical, qreal ratio) {
  QImage picture(deviceSize(logical, ratio), QImage::Format_RGB32);
  picture.setDevicePixelRatio(ratio);
  return picture;
}

bool pictureFits(const QImage& picture, QSize logical, qreal ratio) {
  return picture.size() == deviceSize(logical, ratio) && picture.devicePixelRatio() == ratio;
}

QPen linePen(const QColor& color, qreal ratio) {
  if (ratio == 1) return QPen(color, 1);
  QPen pen(color, std::max(1, qRound(ratio)));
  pen.setCosmetic(true);
  return pen;
}

QRect deviceArea(const QRect& logical, qreal ratio) {
  const QRect grown = logical.adjusted(-1, -1, 1, 1);
  const int left = static_cast<int>(std::floor(grown.left() * ratio));
  const int top = static_cast<int>(std::floor(grown.top() * ratio));
  const int right = static_cast<int>(std::ceil((grown.right() + 1) * ratio));
  const int bottom = static_cast<int>(std::ceil((grown.bottom() + 1) * ratio));
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void copyArea(QImage& to, const QImage& from, const QRect& area) {
  const QRect device = deviceArea(area, from.devicePixelRatio()) & from.rect();
  if (device.isEmpty()) return;
  const qsizetype bytesPerPixel = from.depth() / 8;
  const qsizetype stride = from.bytesPerLine();
  const qsizetype offset = device.top() * stride + device.left() * bytesPerPixel;
  const uchar* source = from.constBits() + offset;
  uchar* target = to.bits() + offset;
  for (int rows = device.height(); rows > 0; --rows, source += stride, target += stride)
    std::copy_n(source, device.width() * bytesPerPixel, target);
}

}  // namespace wendra
