#include "grid.h"

#include <cstdlib>

namespace wendra {

std::int32_t Grid::distance(std::int32_t a, std::int32_t b) const {
  return std::abs(column(a) - column(b)) + std::abs(row(a) - row(b));
}

double tourLength(const Grid& grid, std::span<const std::int32_t> tour) {
  std::int32_t sum = 0;
  const std::size_t n = tour.size();
  for (std::size_t i = 0; i + 1 < n; ++i) sum += grid.distance(tour[i], tour[i + 1]);
  sum += grid.distance(tour[n - 1], tour[0]);
  return static_cast<double>(sum);
}

}  // namespace wendra
