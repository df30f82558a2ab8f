#include "chart_polyline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace wendra::chart {

namespace {

class ColumnBuilder {
 public:
  ColumnBuilder(const ValueList& xs, const ValueList& ys, const AxisMap& bottom,
                const AxisMap& left)
      : xs_(xs), ys_(ys), bottom_(bottom), left_(left),
        towardEnd_(bottom.size() >= 0 ? 0.5 : -0.5),
        valuePerPixel_(bottom.size() != 0 ? bottom.range() / bottom.size() : 0) {}

  std::vector<PixelColumn> build(int first, int last) {
    if (first > 0) addPoint(bottom_.toPixel(xs_[first - 1]), first - 1);
    std::optional<int> x = bottom_.scaledPixel(xs_[first]);
    for (int i = first; i <= last;) {
      if (!x) {
        addPoint(bottom_.middle(), i);
        if (++i <= last) x = bottom_.scaledPixel(xs_[i]);
        continue;
      }
      const ColumnEnd column = columnEnd(i, last, *x);
      if (column.end == i || !addRun(i, column.end, *x))
        for (int k = i; k <= column.end; ++k) addPoint(*x, k);
      i = column.end + 1;
      x = column.next;
    }
    return std::move(columns_);
  }

 private:
  // The last point of a column, and the scaled pixel of the point after it.
  struct ColumnEnd {
    int end;
    std::optional<int> next;
  };

  // Adds the run i ... end of points in column x from their extremes; false
  // when they do not all map by the linear rule.
  bool addRun(int i, int end, int x) {
    if (!ys_.ordered()) return false;
    const Extremes e = ys_.extremes(i, end);
    const std::optional<int> low = left_.scaledPixel(e.minimum);
    const std::optional<int> high = left_.scaledPixel(e.maximum);
    if (!low || !high) return false;
    auto pixel = [&](double v) { return v == e.minimum ? *low : v == e.maximum ? *high : left_.toPixel(v); };
    add(x, pixel(ys_[i]), std::min(*low, *high), std::max(*low, *high), pixel(ys_[end]));
    return true;
  }

  void addPoint(int x, int i) {
    const int y = left_.toPixel(ys_[i]);
    add(x, y, y, y, y);
  }

  // A run entering at `in`, covering top ... bottom and leaving at `out`;
  // joins the previous column when it lies in the same pixel column.
  void add(int x, int in, int top, int bottom, int out) {
    if (!columns_.empty() && columns_.back().x == x) {
      PixelColumn& c = columns_.back();
      c.top = std::min(c.top, top);
      c.bottom = std::max(c.bottom, bottom);
      c.out = out;
    } else {
      columns_.push_back({x, in, out, top, bottom});
    }
  }

  // The last point from `i` on (up to `last`) in column x, for a point i
  // mapping to x by the linear rule. X ascends and maps monotonically on that
  // rule, so the points of a column are a run, and those after it lie beyond
  // the value where the pixel changes: an estimate of where that value falls
  // (from ordinal X values, or by binary search) settles it exactly with a
  // check on either side, rarely one or two more. The estimate needs no
  // exact arithmetic; only the checks decide.
  ColumnEnd columnEnd(int i, int last, int x) const {
    const double edge = bottom_.minimum() + (x - bottom_.start() + towardEnd_) * valuePerPixel_;
    int k = last + 1;
    if (std::isfinite(edge)) {
      if (xs_.ordinals()) {
        // Point k has X = k: the first at or beyond the edge is its ceiling.
        k = static_cast<int>(std::clamp(std::ceil(edge), i + 1.0, last + 1.0));
      } else {
        const std::vector<double>& values = xs_.values();
        k = static_cast<int>(
            std::lower_bound(values.begin() + i + 1, values.begin() + last + 1, edge) -
            values.begin());
      }
    }
    // Down while the point before k is outside the column; up while point k
    // is inside it. The pixel of point k, once known, is the next column's.
    std::optional<int> atK;
    bool known = false;
    while (k > i + 1) {
      const std::optional<int> before = bottom_.scaledPixel(xs_[k - 1]);
      if (before == x) break;
      atK = before;
      known = true;
      --k;
    }
    for (; k <= last; ++k) {
      const std::optional<int> here = known ? atK : bottom_.scaledPixel(xs_[k]);
      known = false;
      if (here != x) return {k - 1, here};
    }
    return {last, std::nullopt};
  }

  const ValueList& xs_;
  const ValueList& ys_;
  const AxisMap& bottom_;
  const AxisMap& left_;
  const double towardEnd_;
  const double valuePerPixel_;
  std::vector<PixelColumn> columns_;
};

}  // namespace

std::vector<PixelColumn> seriesColumns(const ValueList& xs, const ValueList& ys,
                                       const AxisMap& bottom, const AxisMap& left) {
  const int n = std::min(xs.count(), ys.count());
  if (n == 0) return {};
  const double leftValue = bottom.toValue(bottom.start());
  const double rightValue = bottom.toValue(bottom.end());

  // X ascends: the first point not left of the left edge, and the last point
  // or the first at or beyond the right edge.
  const std::vector<double>& x = xs.values();
  const int first = static_cast<int>(std::lower_bound(x.begin(), x.begin() + n, leftValue) - x.begin());
  if (first == n) return {};
  int last = n - 1;
  if (x[static_cast<std::size_t>(last)] > rightValue)
    last = static_cast<int>(std::lower_bound(x.begin(), x.begin() + n, rightValue) - x.begin());
  last = std::max(last, first);
  return ColumnBuilder(xs, ys, bottom, left).build(first, last);
}

std::vector<PixelPoint> polylineOf(const std::vector<PixelColumn>& columns) {
  std::vector<PixelPoint> points;
  auto add = [&](int x, int y) {
    if (points.empty() || points.back() != PixelPoint{x, y}) points.push_back({x, y});
  };
  for (const PixelColumn& c : columns) {
    const bool topFirst = std::abs(c.in - c.top) + std::abs(c.bottom - c.out) <=
                          std::abs(c.in - c.bottom) + std::abs(c.top - c.out);
    add(c.x, c.in);
    add(c.x, topFirst ? c.top : c.bottom);
    add(c.x, topFirst ? c.bottom : c.top);
    add(c.x, c.out);
  }
  return points;
}

}  // namespace wendra::chart
