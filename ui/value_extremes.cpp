#include "value_extremes.h"

#include <algorithm>
#include <cmath>

namespace wendra {

namespace {

Extremes merged(Extremes a, Extremes b) {
  return {std::min(a.minimum, b.minimum), std::max(a.maximum, b.maximum)};
}

Extremes scan(const std::vector<double>& values, std::size_t begin, std::size_t end) {
  Extremes result{values[begin], values[begin]};
  for (std::size_t i = begin + 1; i < end; ++i) {
    result.minimum = std::min(result.minimum, values[i]);
    result.maximum = std::max(result.maximum, values[i]);
  }
  return result;
}

}  // namespace

void ValueExtremes::appended(const std::vector<double>& values) {
  if (std::isnan(values[count_])) ordered_ = false;
  ++count_;
  if (count_ % kLeafBlock == 0) addLeafBlock(values, count_);
}

void ValueExtremes::rebuild(const std::vector<double>& values) {
  clear();
  while (count_ < values.size()) appended(values);
}

void ValueExtremes::clear() {
  levels_.clear();
  count_ = 0;
  ordered_ = true;
}

void ValueExtremes::addLeafBlock(const std::vector<double>& values, std::size_t end) {
  Extremes block = scan(values, end - kLeafBlock, end);
  // Each completed block may complete the block of twice its size above it.
  for (std::size_t level = 0;; ++level) {
    if (level == levels_.size()) levels_.emplace_back();
    std::vector<Extremes>& blocks = levels_[level];
    blocks.push_back(block);
    if (blocks.size() % 2 != 0) break;
    block = merged(blocks[blocks.size() - 2], blocks.back());
  }
}

Extremes ValueExtremes::of(const std::vector<double>& values, std::size_t first,
                           std::size_t last) const {
  const double* const v = values.data();
  const std::size_t end = last + 1;
  double low = v[first], high = v[first];
  auto take = [&](double smallest, double largest) {
    low = std::min(low, smallest);
    high = std::max(high, largest);
  };
  std::size_t begin = (first + kLeafBlock - 1) / kLeafBlock;
  std::size_t stop = end / kLeafBlock;
  if (begin >= stop) {
    for (std::size_t i = first + 1; i < end; ++i) take(v[i], v[i]);
    return {low, high};
  }
  // The single values before the first whole block and after the last one.
  for (std::size_t i = first + 1; i < begin * kLeafBlock; ++i) take(v[i], v[i]);
  for (std::size_t i = stop * kLeafBlock; i < end; ++i) take(v[i], v[i]);
  // The whole blocks, bottom-up: at each size, take the odd block at either
  // end and go on with the blocks twice as large.
  for (std::size_t level = 0; begin < stop; ++level) {
    const Extremes* const blocks = levels_[level].data();
    if (begin % 2 != 0) {
      take(blocks[begin].minimum, blocks[begin].maximum);
      ++begin;
    }
    if (stop % 2 != 0) {
      --stop;
      take(blocks[stop].minimum, blocks[stop].maximum);
    }
    begin /= 2;
    stop /= 2;
  }
  return {low, high};
}

}  // namespace wendra
