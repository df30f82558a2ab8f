// The random stream in vector lanes, for the kernels' vector code (see
// simd_lanes.h): jumps over the stream, the hit words of a run of draws and
// the integers below n that a run of draws stands for.
//
// These are the stream's own operations again (random.h), not shared with it
// on purpose: this code is compiled once per instruction set, and random.h's
// inline functions must not be.
#pragma once

#include "simd_lanes.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

constexpr uint32_t kMultiplier = 134775813u;

// k advances of the generator as one affine map.
struct Jump {
  uint32_t multiplier, increment;
  uint32_t apply(uint32_t state) const { return multiplier * state + increment; }
};

[[maybe_unused]] Jump jumpOver(uint64_t k) {
  Jump result{1, 0}, power{kMultiplier, 1};
  for (; k != 0; k >>= 1) {
    if (k & 1) result = {power.multiplier * result.multiplier, power.multiplier * result.increment + power.increment};
    power = {power.multiplier * power.multiplier, power.multiplier * power.increment + power.increment};
  }
  return result;
}

// Per-lane jumps: lane l of chain k of a block of kChains vectors reaches
// state (k * kLanes + l) * spacing + first from the block's starting state,
// in one multiply-add.
template <int kChains>
struct LaneJumps {
  U32 mul[kChains], inc[kChains];
  LaneJumps(uint64_t first, uint64_t spacing) {
    for (int k = 0; k < kChains; ++k)
      for (int l = 0; l < kLanes; ++l) {
        const Jump j = jumpOver(first + (static_cast<uint64_t>(k) * kLanes + static_cast<uint64_t>(l)) * spacing);
        mul[k][l] = j.multiplier;
        inc[k][l] = j.increment;
      }
  }
  U32 from(uint32_t state, int k) const { return splat(state) * mul[k] + inc[k]; }
};

// The hit words of the draws after `state`, one after another: bit b of a
// word set when its draw b + 1 is below the threshold.
class HitWordStream {
 public:
  static constexpr int kChains = 64 / kLanes;
  HitWordStream(uint32_t state, uint32_t threshold) : limit_(splat(threshold)) {
    static const LaneJumps<kChains> lanes(1, 1);
    static const Jump j = jumpOver(64);
    #pragma GCC unroll 16
    for (int k = 0; k < kChains; ++k) v_[k] = lanes.from(state, k);
    mul_ = splat(j.multiplier);
    inc_ = splat(j.increment);
  }
  uint64_t next() {
    uint64_t word = 0;
    #pragma GCC unroll 16
    for (int k = 0; k < kChains; ++k) {
      word |= static_cast<uint64_t>(belowMask(v_[k], limit_)) << (k * kLanes);
      v_[k] = v_[k] * mul_ + inc_;
    }
    return word;
  }

 private:
  U32 v_[kChains];
  U32 mul_, inc_, limit_;
};

// floor(n * s / 2^32) in 32-bit lanes (n < 2^16): high and low halves.
inline U32 citiesOf(U32 s, uint32_t n) { return ((s >> 16) * n + (((s & 0xFFFFu) * n) >> 16)) >> 16; }

// For t below count rounded down to whole blocks of 4 kLanes: cities[t] =
// floor(n * (state t + 1) / 2^32). Returns how many were written.
[[maybe_unused]] size_t citiesInBlocks(uint32_t state, uint32_t n, uint32_t* cities, size_t count) {
  constexpr int kChains = 4;
  constexpr size_t kBlock = kChains * kLanes;
  static const LaneJumps<kChains> lanes(1, 1);
  static const Jump j = jumpOver(kBlock);
  U32 v[kChains];
  #pragma GCC unroll 16
  for (int k = 0; k < kChains; ++k) v[k] = lanes.from(state, k);
  const U32 mul = splat(j.multiplier), inc = splat(j.increment);
  size_t t = 0;
  for (; t + kBlock <= count; t += kBlock) {
    #pragma GCC unroll 16
    for (int k = 0; k < kChains; ++k) {
      storeU32(cities + t + k * kLanes, citiesOf(v[k], n));
      v[k] = v[k] * mul + inc;
    }
  }
  return t;
}

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE
