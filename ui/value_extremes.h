#pragma once
// ValueExtremes: the smallest and largest of any run of consecutive values
// in a sequence that grows at its end, in O(log n) per query. It keeps the
// extremes of aligned blocks: blocks of 8 values, then of 16, 32, ... (a
// block's entry is made when its last value arrives), so that a run is
// covered by at most 14 single values at its ends and two blocks per size
// between them. Appending costs O(1) amortised; the blocks take about half
// a double per value.
//
// A sequence holding a NaN has no order: ordered() is then false and the
// queries must not be used (the chart walks such a series point by point).
//
// Thread safety: none; GUI thread only.

#include <cstddef>
#include <vector>

namespace wendra {

struct Extremes {
  double minimum = 0;
  double maximum = 0;
};

class ValueExtremes {
 public:
  // The index does not hold the values: every call names them. Call
  // appended() after each value added at the end of `values`, rebuild() after
  // any other change.
  void appended(const std::vector<double>& values);
  void rebuild(const std::vector<double>& values);
  void clear();

  // Whether every value so far compares (no NaN).
  bool ordered() const { return ordered_; }

  // The extremes of values[first] ... values[last].
  // REQUIRES: ordered(); first <= last < the number of values indexed.
  Extremes of(const std::vector<double>& values, std::size_t first, std::size_t last) const;

 private:
  static constexpr std::size_t kLeafBlock = 8;

  void addLeafBlock(const std::vector<double>& values, std::size_t end);

  // levels_[k] holds the extremes of the complete blocks of kLeafBlock << k
  // values, in order.
  std::vector<std::vector<Extremes>> levels_;
  std::size_t count_ = 0;
  bool ordered_ = true;
};

}  // namespace wendra
