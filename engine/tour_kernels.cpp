// The scalar build of the tour kernels: the edges one at a time.
#include "tour_kernels.h"

#include <cstdlib>

namespace wendra {
namespace kernels_scalar {
namespace {

std::int32_t cellDistance(std::uint16_t a, std::uint16_t b) {
  return std::abs((a & 127) - (b & 127)) + std::abs((a >> 7) - (b >> 7));
}

std::int32_t codeTourLength(const std::uint16_t* codes, std::size_t n) {
  std::int32_t sum = 0;
  for (std::size_t i = 0; i + 1 < n; ++i) sum += cellDistance(codes[i], codes[i + 1]);
  return sum + cellDistance(codes[n - 1], codes[0]);
}

}  // namespace
}  // namespace kernels_scalar

const TourKernels TourKernels::scalar = {.name = "scalar", .codeTourLength = kernels_scalar::codeTourLength};

}  // namespace wendra
