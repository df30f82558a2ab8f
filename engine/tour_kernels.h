#pragma once
// Kernel family: tour lengths (grid.h's tourLength) of tours given as cell
// codes, row * 128 + column (column < 128, row < 256; see
// encodings/cell_codes.h), the form the fast engine keeps cities in. One build
// per instruction set (see instruction_set.h); all give identical results.

#include <cstddef>
#include <cstdint>

namespace wendra {

struct TourKernels {
  static const TourKernels scalar, baseline, avx2, avx512, avx512vbmi2;
  const char* name;

  // The Manhattan length of the closed tour through the cells
  // codes[0 .. n - 1], the edge from the last back to the first included.
  // REQUIRES: n >= 1.
  std::int32_t (*codeTourLength)(const std::uint16_t* codes, std::size_t n);
};

}  // namespace wendra
