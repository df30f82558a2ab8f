#pragma once
// Roulette selection over running weights: the first member whose running
// weight exceeds r. Equals the halving search of the algorithm as first
// written (reference/literal_engine.h) for every non-decreasing array of
// weights, which the running sums of positive weights always are, but finds
// the member without a branch that depends on the weights.

#include <cstdint>

namespace wendra {

// The first of `members` whose running weight exceeds r, or the last member
// when none does.
inline std::int32_t rouletteIndex(const double* weights, std::int32_t members, double r) {
  const double* base = weights;
  std::int64_t n = members - 1;  // the last member needs no test
  if (n <= 0) return 0;
  while (n > 1) {
    const std::int64_t half = n / 2;
    base = base[half - 1] <= r ? base + half : base;
    n -= half;
  }
  return static_cast<std::int32_t>(base - weights) + (*base <= r ? 1 : 0);
}

// The same search for many draws at once, in lockstep: the searches are
// independent, so their memory accesses overlap instead of waiting on each
// other. out[k] = rouletteIndex(weights, members, r[k]). REQUIRES: count <= 64.
inline void rouletteIndices(const double* weights, std::int32_t members, const double* r, std::int32_t* out,
                            int count) {
  constexpr int kMax = 64;
  const double* base[kMax];
  std::int64_t n = members - 1;
  if (n <= 0) {
    for (int k = 0; k < count; ++k) out[k] = 0;
    return;
  }
  for (int k = 0; k < count; ++k) base[k] = weights;
  while (n > 1) {
    const std::int64_t half = n / 2;
    // By arithmetic, not a branch: each outcome is a coin toss.
    for (int k = 0; k < count; ++k) base[k] += half & -static_cast<std::int64_t>(base[k][half - 1] <= r[k]);
    n -= half;
  }
  for (int k = 0; k < count; ++k) out[k] = static_cast<std::int32_t>(base[k] - weights) + (*base[k] <= r[k] ? 1 : 0);
}

}  // namespace wendra
