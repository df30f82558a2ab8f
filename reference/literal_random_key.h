#pragma once
// The random-key chromosome: a 7-bit key per city, one byte (0 or 1) per
// bit, most significant bit first (byte 7i + j is bit j of city i's key). The
// tour visits the cities in ascending key order; cities with equal keys in
// ascending city number. Every bit string decodes to a valid tour, so the
// operators are plain one-point crossover and independent bit flips.
//
// Draws:
//   initialise: exactly 7N uniforms, in byte order (bit = u >= 0.5);
//   crossover:  exactly one integer below 7N (the cut);
//   mutate:     exactly 7N uniforms, whatever happens.

#include <cstdint>
#include <vector>

#include "grid.h"
#include "random.h"

namespace wendra::literal {

class RandomKeyEncoding {
 public:
  static constexpr std::int32_t kKeyBits = 7;

  explicit RandomKeyEncoding(const Grid& grid) : grid_(grid), cities_(grid.cities()) {}

  static std::int32_t chromosomeBytes(const Grid& grid) { return kKeyBits * grid.cities(); }

  void initialise(std::uint8_t* chromosome, Random& random) const;
  // Exchanges the byte ranges [cut, 7N) of a and b for a random cut.
  void crossover(std::uint8_t* a, std::uint8_t* b, Random& random) const;
  void mutate(std::uint8_t* chromosome, double pm, Random& random) const;
  // Decodes the keys into the tour.
  void tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const;
  double length(const std::uint8_t* chromosome) const;

  // Key of city i, 0 .. 127.
  static std::int32_t key(const std::uint8_t* chromosome, std::int32_t city);

 private:
  Grid grid_;
  std::int32_t cities_;
  mutable std::vector<std::int32_t> scratch_;
};

}  // namespace wendra::literal
