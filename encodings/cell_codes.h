#pragma once
// Cities as cell codes: code = row * 128 + column. Tour lengths then need no
// division (the kernels read column and row straight from the code), and a
// code fits in 16 bits for every grid the layouts accept. The map is a
// bijection, so comparing codes compares cities.

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "grid.h"

namespace wendra {

class CellCodes {
 public:
  static constexpr std::int32_t kMaxColumns = 128;
  static constexpr std::int32_t kMaxRows = 256;

  // REQUIRES: 1 <= width <= 128, 1 <= height <= 256 (throws
  // std::invalid_argument otherwise; the programs allow 4 .. 100).
  explicit CellCodes(const Grid& grid) : cities_(grid.cities()) {
    if (grid.width < 1 || grid.width > kMaxColumns || grid.height < 1 || grid.height > kMaxRows)
      throw std::invalid_argument("grid sides must be 1 to 128 columns and 1 to 256 rows");
    codeOf_.resize(static_cast<std::size_t>(cities_));
    cityOf_.assign(static_cast<std::size_t>(grid.height) * kMaxColumns, -1);
    for (std::int32_t c = 0; c < cities_; ++c) {
      const auto code = static_cast<std::uint16_t>(grid.row(c) * kMaxColumns + grid.column(c));
      codeOf_[c] = code;
      cityOf_[code] = c;
    }
  }

  std::int32_t cities() const { return cities_; }
  std::uint16_t codeOf(std::int32_t city) const { return codeOf_[city]; }
  std::int32_t cityOf(std::uint16_t code) const { return cityOf_[code]; }
  const std::uint16_t* codes() const { return codeOf_.data(); }
  // One past the largest code.
  std::size_t codeSpace() const { return cityOf_.size(); }
  // Bytes of the two maps.
  std::size_t heapBytes() const {
    return codeOf_.capacity() * sizeof(std::uint16_t) + cityOf_.capacity() * sizeof(std::int32_t);
  }

 private:
  std::int32_t cities_;
  std::vector<std::uint16_t> codeOf_;
  std::vector<std::int32_t> cityOf_;
};

}  // namespace wendra
