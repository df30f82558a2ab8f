#include "chart_polyline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace wendra::chart {

class ColumnBuilder {
 public:
  ColumnBuilder(const ValueList& xs, const ValueList& ys, const AxisMap& bottom,
                const AxisMap& left, ColumnMemo* memo, std::vector<PixelColumn>& columns)
      : xs_(xs), ys_(ys), bottom_(bottom), left_(left),
        towardEnd_(bottom.size() >= 0 ? 0.5 : -0.5),
        valuePerPixel_(bottom.size() != 0 ? bottom.range() / bottom.size() : 0),
        memo_(memo), columns_(columns) {
    columns_.clear();
    if (memo_ && (memo_->values_ != &ys || memo_->revision_ != ys.revision())) memo_->clear();
    if (memo_) {
      memo_->earlier_.swap(memo_->runs_);
      memo_->runs_.clear();
      memo_->values_ = &ys;
      memo_->revision_ = ys.revision();
    }
  }

  void build(int first, int last) {
    if (first > 0) addPoint(bottom_.toPixel(xAt(first - 1)), first - 1);
    std::optional<int> x = bottom_.scaledPixel(xAt(first));
    for (int i = first; i <= last;) {
      if (!x) {
        addPoint(bottom_.middle(), i);
        if (++i <= last) x = bottom_.scaledPixel(xAt(i));
        continue;
      }
      const ColumnEnd column = columnEnd(i, last, *x);
      if (column.end == i || !addRun(i, column.end, *x))
        for (int k = i; k <= column.end; ++k) addPoint(*x, k);
      i = column.end + 1;
      x = column.next;
    }
  }

 private:
  // X of point k: its index when the X values are ordinals (no need to read
  // it from memory, where the columns' ends lie far apart).
  double xAt(int k) const { return ordinalX_ ? static_cast<double>(k) : xs_[k]; }

  // The last point of a column, and the scaled pixel of the point after it.
  struct ColumnEnd {
    int end;
    std::optional<int> next;
  };

  // Adds the run i ... end of points in column x from their extremes; false
  // when they do not all map by the linear rule.
  bool addRun(int i, int end, int x) {
    if (!ys_.ordered()) return false;
    const Extremes e = extremes(i, end);
    if (memo_) memo_->runs_.push_back({i, end, e});
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

  // The Y extremes of points i ... end: from the earlier run that shares
  // most of them when the points it loses are not its extremes and those it
  // gains are few, else from the value blocks.
  Extremes extremes(int i, int end) {
    constexpr int kFew = 4;
    if (!memo_) return ys_.extremes(i, end);
    const std::vector<ColumnMemo::Run>& earlier = memo_->earlier_;
    while (next_ < earlier.size() && earlier[next_].last < i) ++next_;
    if (next_ < earlier.size()) {
      const ColumnMemo::Run& run = earlier[next_];
      const int lostFront = i - run.first, lostBack = run.last - end;
      const int gainedFront = run.first - i, gainedBack = end - run.last;
      if (run.first <= end && std::abs(lostFront) <= kFew && std::abs(lostBack) <= kFew) {
        Extremes e = run.extremes;
        auto inside = [&](int k) { return ys_[k] > e.minimum && ys_[k] < e.maximum; };
        bool kept = true;
        for (int k = run.first; k < i && kept; ++k) kept = inside(k);
        for (int k = end + 1; k <= run.last && kept; ++k) kept = inside(k);
        if (kept) {
          auto take = [&](int k) {
            e.minimum = std::min(e.minimum, ys_[k]);
            e.maximum = std::max(e.maximum, ys_[k]);
          };
          for (int k = i; k < i + gainedFront; ++k) take(k);
          for (int k = end - gainedBack + 1; k <= end; ++k) take(k);
          return e;
        }
      }
    }
    return ys_.extremes(i, end);
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
      if (ordinalX_) {
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
      const std::optional<int> before = bottom_.scaledPixel(xAt(k - 1));
      if (before == x) break;
      atK = before;
      known = true;
      --k;
    }
    for (; k <= last; ++k) {
      const std::optional<int> here = known ? atK : bottom_.scaledPixel(xAt(k));
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
  const bool ordinalX_ = xs_.ordinals();
  ColumnMemo* memo_;
  std::size_t next_ = 0;  // the first of the memo's earlier runs not yet passed
  std::vector<PixelColumn>& columns_;
};

std::vector<PixelColumn> seriesColumns(const ValueList& xs, const ValueList& ys,
                                       const AxisMap& bottom, const AxisMap& left,
                                       ColumnMemo* memo) {
  std::vector<PixelColumn> columns;
  seriesColumns(xs, ys, bottom, left, memo, columns);
  return columns;
}

void seriesColumns(const ValueList& xs, const ValueList& ys, const AxisMap& bottom,
                   const AxisMap& left, ColumnMemo* memo, std::vector<PixelColumn>& columns) {
  columns.clear();
  const int n = std::min(xs.count(), ys.count());
  if (n == 0) return;
  const double leftValue = bottom.toValue(bottom.start());
  const double rightValue = bottom.toValue(bottom.end());

  // X ascends: the first point not left of the left edge, and the last point
  // or the first at or beyond the right edge.
  const std::vector<double>& x = xs.values();
  const int first = static_cast<int>(std::lower_bound(x.begin(), x.begin() + n, leftValue) - x.begin());
  if (first == n) return;
  int last = n - 1;
  if (x[static_cast<std::size_t>(last)] > rightValue)
    last = static_cast<int>(std::lower_bound(x.begin(), x.begin() + n, rightValue) - x.begin());
  last = std::max(last, first);
  ColumnBuilder(xs, ys, bottom, left, memo, columns).build(first, last);
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
