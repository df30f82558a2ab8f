#pragma once
// The path chromosome: the tour itself, the list of cities in visiting
// order. Each gene is a signed 32-bit city number with bit 15 set
// (gene = city | 0x8000); genes are compared as whole values. A chromosome
// is N genes, 4N bytes. Initialise, crossover and mutate keep every
// chromosome a permutation of the cities.
//
// Draws:
//   initialise: integers below N until all N cities are placed (rejection:
//               a city already placed is drawn, discarded and drawn again);
//   crossover:  exactly one integer below N (the cut);
//   mutate:     per position, in order, one uniform; after each hit one more
//               integer below N (the partner position).

#include <cstdint>
#include <vector>

#include "grid.h"
#include "random.h"

namespace wendra::literal {

class PathEncoding {
 public:
  static constexpr std::int32_t kCityBit = 0x8000;
  static constexpr std::int32_t kCityMask = 0x7FFF;

  explicit PathEncoding(const Grid& grid) : grid_(grid), cities_(grid.cities()) {}

  static std::int32_t chromosomeBytes(const Grid& grid) { return 4 * grid.cities(); }

  // A random permutation by rejection.
  void initialise(std::uint8_t* chromosome, Random& random) const;
  // Exchanges the tails behind a random cut, then repairs both children by
  // trading their surplus cities pairwise: the r-th surplus city of A's head
  // against the r-th surplus city of B's head.
  void crossover(std::uint8_t* a, std::uint8_t* b, Random& random) const;
  // Swaps each position, with probability pm, with a random position.
  void mutate(std::uint8_t* chromosome, double pm, Random& random) const;
  // The cities in gene order (bit 15 removed).
  void tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const;
  double length(const std::uint8_t* chromosome) const;

  // The crossover at a given cut, without drawing. REQUIRES: 0 <= cut < N.
  void crossoverAt(std::uint8_t* a, std::uint8_t* b, std::int32_t cut) const;

 private:
  Grid grid_;
  std::int32_t cities_;
  mutable std::vector<std::int32_t> scratch_;
};

}  // namespace wendra::literal
