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

}  // namespace wendra
