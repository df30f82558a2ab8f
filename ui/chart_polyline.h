#pragma once
// The series line of the fitness chart, by pixel column.
//
// The line goes through every point in the visible range:
//  - first point: the first with X >= the value at the plot's left edge;
//    last: the last point if its X is not beyond the value at the right
//    edge, else the first with X at or beyond it;
//  - a first point with index > 0 is reached from its predecessor;
//  - a point on the same pixel as the point drawn before it is skipped;
// and joins them with 1-pixel segments. Where consecutive points share a
// pixel column, the line runs up and down that column, and a vertical
// segment covers exactly the pixels between its ends: so all a column needs
// is where the line enters it, its highest and lowest pixel and where it
// leaves. seriesColumns() gives those, finding a column's points by its
// pixel boundary and their extremes from the values' block extremes
// (ValueList::extremes), so that it costs about (pixel columns x log points)
// however long the series. The segments between neighbouring columns are
// exactly the ones the line through every point has. Columns whose values do
// not all map by the linear rule (AxisMap::scaledPixel: values so far off
// that they map to the middle), and series holding a NaN, are walked point by
// point.

#include <vector>

#include "chart_math.h"
#include "chart_series.h"

namespace wendra::chart {

struct PixelPoint {
  int x = 0, y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// A run of consecutive line points in one pixel column x: the line enters at
// (x, in), covers (x, top) ... (x, bottom) and leaves at (x, out).
// top <= in, out <= bottom.
struct PixelColumn {
  int x = 0;
  int in = 0, out = 0;
  int top = 0, bottom = 0;
  bool operator==(const PixelColumn&) const = default;
};

// What one series' last columns found: per run of points, its first and last
// index and their Y extremes. From one repaint to the next, a column's run
// mostly keeps its points or gains or loses one or two at its ends, so its
// extremes follow from the ones kept without reading the value blocks again
// (the chart draws a series after the engine has run through the caches).
class ColumnMemo {
 public:
  struct Run {
    int first, last;
    Extremes extremes;
  };
  void clear() { runs_.clear(); }

 private:
  friend class ColumnBuilder;
  std::vector<Run> runs_;
  std::vector<Run> earlier_;  // the runs of the call before, while building
  unsigned revision_ = 0;
  const ValueList* values_ = nullptr;
};

// The columns of the line of a series with X values `xs` (ascending) and Y
// values `ys` (as many) under the two maps, in drawing order; neighbours
// differ in x. Empty when the visible range is empty. `memo`, when given,
// keeps what the next call for the same series can reuse.
std::vector<PixelColumn> seriesColumns(const ValueList& xs, const ValueList& ys,
                                       const AxisMap& bottom, const AxisMap& left,
                                       ColumnMemo* memo = nullptr);
// The same into `columns` (replacing what it held; its storage is reused).
void seriesColumns(const ValueList& xs, const ValueList& ys, const AxisMap& bottom,
                   const AxisMap& left, ColumnMemo* memo, std::vector<PixelColumn>& columns);

// The same line as a polyline (the first entry is where the pen starts; no
// two neighbours are the same pixel): per column its entry, its two extreme
// pixels the shorter way round, and its exit. Fewer than two entries draw
// nothing.
std::vector<PixelPoint> polylineOf(const std::vector<PixelColumn>& columns);

}  // namespace wendra::chart
