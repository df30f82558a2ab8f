#include "chart_series.h"

#include <algorithm>

namespace wendra {

double ValueList::minimum() const {
  if (dirty_) recompute();
  return minimum_;
}

double ValueList::maximum() const {
  if (dirty_) recompute();
  return maximum_;
}

void ValueList::insert(int index, double value) {
  values_.insert(values_.begin() + index, value);
  dirty_ = true;
}

void ValueList::clear() {
  values_.clear();
  dirty_ = true;
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
