#pragma once
// The city grid and the Manhattan length of a closed tour.
//
// City c lies in column c mod W and row c div W (row-major: city 0 is the
// top-left cell, city W - 1 the top-right one).

#include <cstdint>
#include <span>

namespace wendra {

struct Grid {
  std::int32_t width = 10;
  std::int32_t height = 10;

  // REQUIRES: width, height >= 1.
  static Grid of(std::int32_t width, std::int32_t height) { return Grid{width, height}; }

  std::int32_t cities() const { return width * height; }
  std::int32_t column(std::int32_t city) const { return city % width; }
  std::int32_t row(std::int32_t city) const { return city / width; }
  std::int32_t distance(std::int32_t a, std::int32_t b) const;

  bool operator==(const Grid&) const = default;
};

// Length of the closed tour t_0 .. t_{n-1} (including the edge back to t_0),
// summed in integers and returned as a double.
// REQUIRES: every entry is a city of the grid; tour is not empty.
double tourLength(const Grid& grid, std::span<const std::int32_t> tour);

}  // namespace wendra
