#include "chart_polyline.h"

#include <algorithm>
#include <cstdlib>

namespace wendra::chart {

namespace {

class PolylineBuilder {
 public:
  PolylineBuilder(const ValueList& xs, const ValueList& ys, const AxisMap& bottom,
                  const AxisMap& left)
      : xs_(xs), ys_(ys), bottom_(bottom), left_(left) {}

  std::vector<PixelPoint> build(int first, int last) {
    if (first > 0) add(pixel(first - 1));
    for (int i = first; i <= last;) {
      const int end = columnEnd(i, last);
      if (end > i && ys_.ordered()) {
        const Extremes e = ys_.extremes(i, end);
        if (left_.onScale(e.minimum) && left_.onScale(e.maximum)) {
          addColumn(i, end, e);
          i = end + 1;
          continue;
        }
      }
      for (; i <= end; ++i) add(pixel(i));
    }
    return std::move(points_);
  }

 private:
  PixelPoint pixel(int i) const { return {bottom_.toPixel(xs_[i]), left_.toPixel(ys_[i])}; }

  // Skips a point on the pixel of the one drawn before it.
  void add(PixelPoint p) {
    if (points_.empty() || points_.back() != p) points_.push_back(p);
  }

  // The last point from `i` on (up to `last`) in the pixel column of point i,
  // for an i whose X is on the scale; i itself otherwise. On the scale, X
  // maps monotonically, so the column is a run of points, found by doubling
  // the step and then halving it.
  int columnEnd(int i, int last) const {
    if (!bottom_.onScale(xs_[i])) return i;
    const int column = bottom_.toPixel(xs_[i]);
    auto inColumn = [&](int k) {
      return bottom_.onScale(xs_[k]) && bottom_.toPixel(xs_[k]) == column;
    };
    int known = i;  // in the column
    int step = 1;
    while (known + step <= last && inColumn(known + step)) {
      known += step;
      step *= 2;
    }
    for (step /= 2; step > 0; step /= 2)
      if (known + step <= last && inColumn(known + step)) known += step;
    return known;
  }

  // Points first ... last share one column, their Y values lie in `e` and
  // map monotonically: enter at the first point, run to both extreme pixels
  // (the nearer way round) and leave at the last point.
  void addColumn(int first, int last, Extremes e) {
    const PixelPoint in = pixel(first);
    const PixelPoint out = pixel(last);
    const int a = left_.toPixel(e.minimum);
    const int b = left_.toPixel(e.maximum);
    const int top = std::min(a, b);
    const int bottom = std::max(a, b);
    const bool topFirst = std::abs(in.y - top) + std::abs(bottom - out.y) <=
                          std::abs(in.y - bottom) + std::abs(top - out.y);
    add(in);
    add({in.x, topFirst ? top : bottom});
    add({in.x, topFirst ? bottom : top});
    add(out);
  }

  const ValueList& xs_;
  const ValueList& ys_;
  const AxisMap& bottom_;
  const AxisMap& left_;
  std::vector<PixelPoint> points_;
};

}  // namespace

std::vector<PixelPoint> seriesPolyline(const ValueList& xs, const ValueList& ys,
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
  return PolylineBuilder(xs, ys, bottom, left).build(first, last);
}

}  // namespace wendra::chart
