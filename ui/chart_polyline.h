#pragma once
// The series line of the fitness chart: the pixels a series' polyline runs
// through, joined by 1-pixel line segments in order.
//
// The line it stands for goes through every point in the visible range:
//  - first point: the first with X >= the value at the plot's left edge;
//    last: the last point if its X is not beyond the value at the right
//    edge, else the first with X at or beyond it;
//  - a first point with index > 0 is reached from its predecessor;
//  - a point on the same pixel as the point drawn before it is skipped.
// Where several points share a pixel column, that line runs up and down the
// column, and a vertical 1-pixel segment covers exactly the pixels between
// its ends. So a column needs only where the line enters it (its first
// point), its highest and lowest pixel and where it leaves (its last point):
// seriesPolyline gives those four, found from the values' cached extremes,
// and the segments between neighbouring columns stay exactly the ones the
// whole line has. A repaint so costs about (pixel columns x log points)
// however long the series. Columns whose values do not all map by the linear
// rule (AxisMap::onScale: values so far off that they map to the middle), and
// series holding a NaN, are walked point by point.

#include <vector>

#include "chart_math.h"
#include "chart_series.h"

namespace wendra::chart {

struct PixelPoint {
  int x = 0, y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// The polyline of a series with X values `xs` (ascending) and Y values `ys`
// (as many) under the two maps; the first entry is where the pen starts.
// Empty when nothing is drawn (fewer than two entries draw nothing either).
std::vector<PixelPoint> seriesPolyline(const ValueList& xs, const ValueList& ys,
                                       const AxisMap& bottom, const AxisMap& left);

}  // namespace wendra::chart
