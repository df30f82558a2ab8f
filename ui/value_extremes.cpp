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
  std::size_t begin = first;
  std::size_t end = last + 1;
  const std::size_t blockBegin = (begin + kLeafBlock - 1) / kLeafBlock;
  const std::size_t blockEnd = end / kLeafBlock;
  if (blockBegin >= blockEnd) return scan(values, begin, end);

  // The single values before the first whole block and after the last one.
  Extremes result{values[first], values[first]};
  if (begin < blockBegin * kLeafBlock) result = merged(result, scan(values, begin, blockBegin * kLeafBlock));
  if (blockEnd * kLeafBlock < end) result = merged(result, scan(values, blockEnd * kLeafBlock, end));
  // The whole blocks, bottom-up: at each size, take the odd block at either
  // end and go on with the blocks twice as large.
  begin = blockBegin;
  end = blockEnd;
  for (std::size_t level = 0; begin < end; ++level) {
    const std::vector<Extremes>& blocks = levels_[level];
    if (begin % 2 != 0) result = merged(result, blocks[begin++]);
    if (end % 2 != 0) result = merged(result, blocks[--end]);
    begin /= 2;
    end /= 2;
  }
  return result;
}

}  // namespace wendra
