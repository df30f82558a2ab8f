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

// k advances of the generator in one affine map: state n + k equals
// multiplier * state n + increment (mod 2^32), for constants that depend
// only on k. Lets a stream be cut into pieces that are drawn independently.
struct StreamJump {
  std::uint32_t multiplier = 1;
  std::uint32_t increment = 0;

  std::uint32_t apply(std::uint32_t state) const { return multiplier * state + increment; }
  // This jump followed by `next`.
  StreamJump then(const StreamJump& next) const {
    return {next.multiplier * multiplier, next.multiplier * increment + next.increment};
  }
  // The jump over k advances, by repeated squaring.
  static StreamJump over(std::uint64_t k);
};

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

  // Advances k times at once.
  void skip(std::uint64_t k) { state_ = StreamJump::over(k).apply(state_); }

  // The integer form of chance(p): since u = state * 2^-32 exactly, u < p
  // holds exactly when state < chanceThreshold(p), a value in 0 .. 2^32
  // (0: never, 2^32: always).
  static std::uint64_t chanceThreshold(double p);

 private:
  std::uint32_t state_ = 0;
};

inline StreamJump StreamJump::over(std::uint64_t k) {
  StreamJump result;
  StreamJump power{Random::kMultiplier, Random::kIncrement};
  for (; k != 0; k >>= 1) {
    if (k & 1) result = result.then(power);
    power = power.then(power);
  }
  return result;
}

inline std::uint64_t Random::chanceThreshold(double p) {
  // state < p * 2^32 (exact: a power-of-two scaling) holds for the integer
  // states below the ceiling of p * 2^32.
  if (!(p > 0.0)) return 0;  // also NaN: u < NaN is never true
  const double scaled = p * 4294967296.0;
  if (scaled >= 4294967296.0) return 4294967296ull;
  const auto whole = static_cast<std::uint64_t>(scaled);
  return static_cast<double>(whole) == scaled ? whole : whole + 1;
}

}  // namespace wendra
