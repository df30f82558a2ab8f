#pragma once
// Pictures kept for painting a widget (the chart's and the tour view's):
// made at the widget's device pixel ratio, so that what is painted into
// them in the widget's own (device-independent) coordinates comes out at
// the screen's resolution, and shown with QPainter::drawImage at their
// device-independent size. At ratio 1 they are plain pictures of the
// widget's size.
//
// Tested by tests/ui/tst_chart_pixels.cpp at ratio 2 and tests/ui/tst_tour_view.cpp (two screens).

#include <QColor>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QSize>

namespace wendra {

// A picture covering `logical` at `ratio`: ceil(logical * ratio) device
// pixels, with that ratio set.
QImage makeDevicePicture(QSize logical, qreal ratio);

// Whether `picture` is the one makeDevicePicture(logical, ratio) makes.
bool pictureFits(const QImage& picture, QSize logical, qreal ratio);

// The pen of a 1-pixel line drawn into such a picture: at ratio 1 the plain
// 1-pixel pen; at other ratios round(ratio) device pixels wide wherever the
// line lies (a pen 1.5 device pixels wide comes out 1 or 2 wide by where it
// falls, so two such lines would differ).
QPen linePen(const QColor& color, qreal ratio);

// The device pixels of a picture at `ratio` that hold the logical rectangle
// and one logical pixel around it (a line at a ratio above 1 is wider than
// that).
QRect deviceArea(const QRect& logical, qreal ratio);

// Copies the device pixels that hold the logical rectangle `area` (as
// deviceArea gives them) from `from` into `to`, two pictures of one size.
void copyArea(QImage& to, const QImage& from, const QRect& area);

}  // namespace wendra
