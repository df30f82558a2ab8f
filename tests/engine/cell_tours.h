#pragma once
// Tours of cell codes for the kernels' tests, and their length by the grid's
// own tour length: on a grid 128 cells wide a city's number is its cell code
// (row * 128 + column), so a tour of codes is a tour of cities.

#include <cstdint>
#include <vector>

#include "grid.h"
#include "random.h"

namespace wendra::testing {

// Codes of n random cells, extreme ones too (column 127, row 255).
inline std::vector<std::uint16_t> randomCells(Random& random, std::size_t n) {
  std::vector<std::uint16_t> codes(n);
  for (auto& c : codes) c = static_cast<std::uint16_t>(random.below(256) * 128 + random.below(128));
  if (n > 2) codes[1] = 255 * 128 + 127, codes[2] = 0;
  return codes;
}

inline std::int32_t gridLength(const std::vector<std::uint16_t>& codes) {
  const std::vector<std::int32_t> cities(codes.begin(), codes.end());
  return static_cast<std::int32_t>(tourLength(Grid::of(128, 256), cities));
}

}  // namespace wendra::testing
