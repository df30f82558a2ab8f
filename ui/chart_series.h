#pragma once
// The two series of the fitness chart: a title, a line colour and parallel X
// and Y value sequences. A point's X is its ordinal: Add appends
// (number of points before, value).

#include <QColor>
#include <QString>

#include <functional>
#include <vector>

#include "value_extremes.h"

namespace wendra {

// A sequence of doubles that caches its smallest and largest value. A value
// appended at the end updates the cache at once (when it compares); any other
// change marks it dirty, and the next query rescans all values. An empty
// sequence has 0 for both. extremes() gives those of any run of consecutive
// values without walking them (value_extremes.h).
class ValueList {
 public:
  int count() const { return static_cast<int>(values_.size()); }
  bool empty() const { return values_.empty(); }
  double operator[](int i) const { return values_[static_cast<std::size_t>(i)]; }
  const std::vector<double>& values() const { return values_; }

  double minimum() const;
  double maximum() const;

  // Whether extremes() may be asked: no value is NaN.
  bool ordered() const { return index_.ordered(); }
  // Whether every value equals its index (0, 1, 2, ...), as a series' X
  // values do.
  bool ordinals() const { return ordinals_; }
  // Counts the changes other than an append: while it stays the same, every
  // value once read is still there at the same index.
  unsigned revision() const { return revision_; }
  // The smallest and largest of values first ... last.
  // REQUIRES: ordered(); 0 <= first <= last < count().
  Extremes extremes(int first, int last) const;

  void insert(int index, double value);
  void append(double value) { insert(count(), value); }
  void clear();

 private:
  void recompute() const;

  std::vector<double> values_;
  ValueExtremes index_;
  bool ordinals_ = true;
  unsigned revision_ = 0;
  mutable double minimum_ = 0;
  mutable double maximum_ = 0;
  mutable bool dirty_ = false;
};

class ChartSeries {
 public:
  ChartSeries(QString title, QColor color) : title_(std::move(title)), color_(color) {}
  ChartSeries(const ChartSeries&) = delete;
  ChartSeries& operator=(const ChartSeries&) = delete;

  const QString& title() const { return title_; }
  const QColor& color() const { return color_; }
  int count() const { return xValues_.count(); }
  const ValueList& xValues() const { return xValues_; }
  const ValueList& yValues() const { return yValues_; }

  // Appends the point (count(), value) and returns its index. X stays in
  // ascending order: a point whose X were less than the last would go just
  // after the last X not greater than it. Requests a repaint.
  int Add(double value);
  // Removes all points; the next Add gets X = 0 again. Requests a repaint.
  void Clear();

  // Called after every change (the chart marks its picture invalid).
  void setChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

 private:
  int addXY(double x, double y);

  QString title_;
  QColor color_;
  ValueList xValues_;
  ValueList yValues_;
  std::function<void()> changed_;
};

}  // namespace wendra
