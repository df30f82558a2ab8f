#include "chart_polyline.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "chart_reference.h"

namespace wendra::chart {
namespace {

ValueList listOf(const std::vector<double>& values) {
  ValueList list;
  for (double v : values) list.append(v);
  return list;
}

ValueList ordinals(std::size_t n) {
  ValueList list;
  for (std::size_t i = 0; i < n; ++i) list.append(static_cast<double>(i));
  return list;
}

std::vector<PixelPoint> seriesPolyline(const ValueList& xs, const ValueList& ys,
                                       const AxisMap& bottom, const AxisMap& left) {
  return polylineOf(seriesColumns(xs, ys, bottom, left));
}

using reference::everyPointPolyline;

// The plot area of the pictures below: R with its walls, in a larger image.
const QRect kPlot(QPoint(40, 20), QPoint(460, 220));

QImage draw(const std::vector<PixelPoint>& points) {
  QImage image(500, 250, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setClipRect(kPlot);
  painter.setPen(QPen(QColor(0, 0, 255), 1));
  for (std::size_t i = 1; i < points.size(); ++i)
    painter.drawLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
  return image;
}

AxisMap xMap(double minimum, double maximum) {
  return AxisMap(minimum, maximum, kPlot.left(), kPlot.right(), false);
}
AxisMap yMap(double minimum, double maximum) {
  return AxisMap(minimum, maximum, kPlot.top(), kPlot.bottom(), true);
}

// Draws the series both ways under the maps and compares every pixel.
void expectSamePicture(const ValueList& xs, const ValueList& ys, const AxisMap& x,
                       const AxisMap& y, const std::string& what) {
  const std::vector<PixelPoint> reduced = seriesPolyline(xs, ys, x, y);
  const std::vector<PixelPoint> full = everyPointPolyline(xs, ys, x, y);
  ASSERT_LE(reduced.size(), full.size()) << what;
  const QImage expected = draw(full);
  const QImage actual = draw(reduced);
  if (expected == actual) return;
  for (int py = 0; py < expected.height(); ++py)
    for (int px = 0; px < expected.width(); ++px)
      ASSERT_EQ(actual.pixel(px, py), expected.pixel(px, py))
          << what << ": first difference at " << px << "," << py;
}

// Automatic axes: the ranges of the data.
void expectSameAutomatic(const std::vector<double>& values, const std::string& what) {
  const ValueList xs = ordinals(values.size());
  const ValueList ys = listOf(values);
  const double xMax = values.empty() ? 0 : static_cast<double>(values.size() - 1);
  expectSamePicture(xs, ys, xMap(0, xMax), yMap(ys.minimum(), ys.maximum()), what);
}

std::vector<double> randomWalk(std::mt19937& random, std::size_t n, double step) {
  std::normal_distribution<double> move(0, step);
  std::vector<double> values;
  double v = 500;
  for (std::size_t i = 0; i < n; ++i) values.push_back(v += move(random));
  return values;
}

TEST(ChartPolylineTest, PointsAndSegments) {
  const AxisMap x(0, 1, 48, 488, false);
  const AxisMap y(590, 650, 29, 238, true);
  EXPECT_EQ(seriesPolyline(listOf({0}), listOf({650}), AxisMap(0, 0, 48, 488, false), y).size(), 1u);
  EXPECT_EQ(seriesPolyline(listOf({0, 1}), listOf({650, 590}), x, y),
            (std::vector<PixelPoint>{{48, 29}, {488, 238}}));
  EXPECT_TRUE(seriesPolyline(ValueList(), ValueList(), x, y).empty());
}

TEST(ChartPolylineTest, PointsOnTheSamePixelAreSkipped) {
  const std::vector<PixelPoint> p = seriesPolyline(ordinals(1001), listOf(std::vector<double>(1001, 300)),
                                                   AxisMap(0, 1000, 0, 100, false),
                                                   AxisMap(250, 350, 0, 100, true));
  ASSERT_EQ(p.size(), 101u);
  for (std::size_t i = 0; i < p.size(); ++i) EXPECT_EQ(p[i], (PixelPoint{static_cast<int>(i), 50}));
}

TEST(ChartPolylineTest, PannedRangeRunsOutToBothEdges) {
  std::vector<double> values;
  for (int i = 0; i <= 30; ++i) values.push_back(i);
  const ValueList xs = listOf(values);
  const AxisMap y(0, 30, 0, 300, true);
  const std::vector<PixelPoint> p = seriesPolyline(xs, xs, AxisMap(10.5, 20.5, 0, 100, false), y);
  // Points 10 (left of the edge, reached from) through 21 (first beyond).
  ASSERT_EQ(p.size(), 12u);
  EXPECT_EQ(p.front(), (PixelPoint{-5, 200}));
  EXPECT_EQ(p.back(), (PixelPoint{105, 90}));
  // Everything left of the range: nothing.
  EXPECT_TRUE(seriesPolyline(xs, xs, AxisMap(40, 50, 0, 100, false), y).empty());
}

TEST(ChartPolylineTest, ALongSeriesKeepsAtMostFourPixelsPerColumn) {
  std::mt19937 random(7);
  const std::vector<double> values = randomWalk(random, 100000, 3);
  const ValueList ys = listOf(values);
  const std::vector<PixelPoint> p =
      seriesPolyline(ordinals(values.size()), ys, xMap(0, 99999), yMap(ys.minimum(), ys.maximum()));
  EXPECT_LE(p.size(), 4u * static_cast<std::size_t>(kPlot.width()));
  EXPECT_GE(p.size(), static_cast<std::size_t>(kPlot.width()));
  EXPECT_EQ(p.front().x, kPlot.left());
  EXPECT_EQ(p.back().x, kPlot.right());
}

TEST(ChartPolylineTest, AutomaticAxesDrawTheSamePixels) {
  std::mt19937 random(1);
  for (std::size_t n : {0u, 1u, 2u, 3u, 5u, 100u, 420u, 421u, 422u, 843u, 2000u, 20000u}) {
    expectSameAutomatic(randomWalk(random, n, 5), "walk " + std::to_string(n));
    expectSameAutomatic(std::vector<double>(n, 300), "flat " + std::to_string(n));
  }
  // A decaying run like a batch's averages, spikes in every column, both
  // ends of the double range, and values around 0.
  std::vector<double> decay, spikes, huge, nearZero;
  for (int i = 0; i < 20000; ++i) {
    decay.push_back(std::round(300 + 350 * std::exp(-i / 2500.0)));
    spikes.push_back(i % 7 == 3 ? 1000 : (i % 11 == 5 ? -1000 : 0.5 * i));
    huge.push_back(i % 3 == 0 ? 1e300 : (i % 3 == 1 ? -1e300 : i));
    nearZero.push_back((i % 5 - 2) * 1e-300);
  }
  expectSameAutomatic(decay, "decay");
  expectSameAutomatic(spikes, "spikes");
  expectSameAutomatic(huge, "huge");
  expectSameAutomatic(nearZero, "near zero");
}

TEST(ChartPolylineTest, PannedAxesDrawTheSamePixels) {
  std::mt19937 random(2);
  const std::vector<double> values = randomWalk(random, 20000, 4);
  const ValueList xs = ordinals(values.size());
  const ValueList ys = listOf(values);
  const double low = ys.minimum(), high = ys.maximum();
  struct Range {
    double minimum, maximum;
  };
  const Range xRanges[] = {{0, 19999},   {-5000, 15000}, {5000, 25000}, {4321.5, 4400.25},
                           {-30000, -10}, {19999, 30000}, {100, 100 + 1e-10}, {0, 1e-10},
                           {-1e-10, 0},  {17, 18},      {0, 1e9},      {-1e12, 1e12}};
  const Range yRanges[] = {{low, high},         {low - 500, high + 500}, {low + 100, high - 100},
                           {500, 500 + 1e-10}, {high + 1, high + 2},     {-1e300, 1e300},
                           {low, low}};
  for (const Range& rx : xRanges)
    for (const Range& ry : yRanges)
      expectSamePicture(xs, ys, xMap(rx.minimum, rx.maximum), yMap(ry.minimum, ry.maximum),
                        "x " + std::to_string(rx.minimum) + ".." + std::to_string(rx.maximum) +
                            ", y " + std::to_string(ry.minimum) + ".." + std::to_string(ry.maximum));
}

TEST(ChartPolylineTest, ValuesOffTheScaleAndNaNAreWalked) {
  // A tiny range: values far below and above it map to the middle, a few
  // inside it by the linear rule, in columns whose extremes are far off.
  std::vector<double> values;
  for (int i = 0; i < 5000; ++i)
    values.push_back(i % 13 == 0 ? 500 + (i % 3) * 1e-11 : (i % 2 ? -1000 : 2000));
  const ValueList xs = ordinals(values.size());
  expectSamePicture(xs, listOf(values), xMap(0, 4999), yMap(500, 500 + 1e-10), "tiny range");
  // A NaN maps to the middle, an infinity too: far from their neighbours.
  for (int i = 0; i < 5000; ++i) values[i] = i < 100 ? 0 : 90 + i % 3;
  for (int i = 150; i < 5000; i += 331) values[i] = std::numeric_limits<double>::quiet_NaN();
  values[4000] = std::numeric_limits<double>::infinity();
  const ValueList withNaN = listOf(values);
  EXPECT_FALSE(withNaN.ordered());
  expectSamePicture(xs, withNaN, xMap(0, 4999), yMap(0, 92), "NaN");
}

// A series growing one point at a time, with its extremes kept from one
// call to the next, gives the columns found from scratch; also across a
// Clear and under a panned axis.
TEST(ChartPolylineTest, KeptExtremesGiveTheColumnsFoundAfresh) {
  std::mt19937 random(4);
  std::normal_distribution<double> noise(0, 20);
  ValueList xs, ys;
  ColumnMemo memo;
  bool cleared = false;
  for (int n = 1; n <= 3000; ++n) {
    xs.append(n - 1);
    ys.append(std::round(400 + noise(random) + (n % 500 == 0 ? 300 : 0)));
    if (n == 2000 && !cleared) {
      xs.clear();
      ys.clear();
      cleared = true;
      n = 0;
      continue;
    }
    const bool panned = n % 3 == 0;
    const AxisMap x = panned ? xMap(n * 0.3, n * 0.9) : xMap(0, n - 1);
    const AxisMap y = yMap(ys.minimum(), ys.maximum());
    ASSERT_EQ(seriesColumns(xs, ys, x, y, &memo), seriesColumns(xs, ys, x, y)) << n;
  }
}

TEST(ChartPolylineTest, ReversedAxesDrawTheSamePixels) {
  // A chart squeezed below its margins has its edges the wrong way round.
  std::mt19937 random(3);
  const std::vector<double> values = randomWalk(random, 3000, 5);
  const ValueList xs = ordinals(values.size());
  const ValueList ys = listOf(values);
  const AxisMap x(0, 2999, kPlot.right(), kPlot.left(), false);
  const AxisMap y(ys.minimum(), ys.maximum(), kPlot.bottom(), kPlot.top(), true);
  expectSamePicture(xs, ys, x, y, "reversed");
}

}  // namespace
}  // namespace wendra::chart
