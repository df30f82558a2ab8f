#include "chart_series.h"

#include <algorithm>
#include <cmath>

namespace wendra {

double ValueList::minimum() const {
  if (dirty_) recompute();
  return minimum_;
}

double ValueList::maximum() const {
  if (dirty_) recompute();
  return maximum_;
}

Extremes ValueList::extremes(int first, int last) const {
  return index_.of(values_, static_cast<std::size_t>(first), static_cast<std::size_t>(last));
}

void ValueList::insert(int index, double value) {
  if (index != count()) {
    values_.insert(values_.begin() + index, value);
    index_.rebuild(values_);
    dirty_ = true;
    ordinals_ = false;
    ++revision_;
    return;
  }
  if (value != static_cast<double>(count())) ordinals_ = false;
  // The cache follows as a full scan would: the first smallest and the last
  // largest value. A NaN compares with nothing, so it leaves that to a scan.
  if (!dirty_ && !std::isnan(value)) {
    if (values_.empty()) {
      minimum_ = maximum_ = value;
    } else {
      if (value < minimum_) minimum_ = value;
      if (!(value < maximum_)) maximum_ = value;
    }
  } else {
    dirty_ = true;
  }
  values_.push_back(value);
  index_.appended(values_);
}

void ValueList::clear() {
  values_.clear();
  index_.clear();
  ordinals_ = true;
  ++revision_;
  minimum_ = maximum_ = 0;
  dirty_ = false;
}

void ValueList::recompute() const {
  minimum_ = 0;
  maximum_ = 0;
  if (!values_.empty()) {
    const auto [low, high] = std::minmax_element(values_.begin(), values_.end());
    minimum_ = *low;
    maximum_ = *high;
  }
  dirty_ = false;
}

int ChartSeries::Add(double value) { return addXY(count(), value); }

int ChartSeries::addXY(double x, double y) {
  int index = count();
  if (index > 0 && x < xValues_[index - 1]) {
    // Just after the last X that is less than or equal to the new one.
    const auto& xs = xValues_.values();
    index = static_cast<int>(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin());
  }
  xValues_.insert(index, x);
  yValues_.insert(index, y);
  if (changed_) changed_();
  return index;
}

void ChartSeries::Clear() {
  xValues_.clear();
  yValues_.clear();
  if (changed_) changed_();
}

}  // namespace wendra
