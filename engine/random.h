#pragma once
// The one pseudo-random source of the genetic algorithm.
//
// A linear congruential generator on one unsigned 32-bit state:
//   state' = (state * 134775813 + 1) mod 2^32
// Every operation first advances the state and then derives its result from
// the new state. The stream starts at state 0 and is never seeded from a
// clock or an input, so a run is reproducible.
//
// Thread safety: none; one owner draws.

#include <cstdint>

namespace wendra {

class Random {
 public:
  static constexpr std::uint32_t kMultiplier = 134775813u;  // 0x08088405
  static constexpr std::uint32_t kIncrement = 1u;
  static constexpr double kUnit = 1.0 / 4294967296.0;        // 2^-32

  Random() = default;

  std::uint32_t state() const { return state_; }
  // Positions the stream. Only tests and stream-jumping code use it; the
  // programs never reseed.
  void setState(std::uint32_t state) { state_ = state; }

  std::uint32_t advance() {
    state_ = state_ * kMultiplier + kIncrement;
    return state_;
  }

  // Result in [0, 1), a multiple of 2^-32, exact in a double.
  double uniform() { return advance() * kUnit; }

  // REQUIRES: n >= 1. Result floor(n * state / 2^32), in 0 .. n - 1.
  std::uint32_t below(std::uint32_t n) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(n) * advance()) >> 32);
  }

  // One uniform real times x, rounded to a double.
  double scaled(double x) { return uniform() * x; }

  // An event of probability p: one fresh uniform real u, true when u < p.
  // p <= 0 never happens, p >= 1 always does.
  bool chance(double p) { return uniform() < p; }

 private:
  std::uint32_t state_ = 0;
};

}  // namespace wendra
