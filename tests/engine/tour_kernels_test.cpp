// Every build of the tour kernels against the grid's own tour length.
#include "tour_kernels.h"

#include <gtest/gtest.h>

#include <vector>

#include "cell_tours.h"
#include "kernel_cases.h"

namespace wendra {
namespace {

using testing::gridLength;
using testing::kernelBuilds;
using testing::randomCells;

TEST(TourKernelsTest, CodeTourLengthIsTheGridsTourLength) {
  Random random;
  for (const TourKernels* k : kernelBuilds<TourKernels>()) {
    for (std::size_t n : {1u, 2u, 3u, 16u, 17u, 32u, 33u, 64u, 65u, 96u, 97u, 100u, 127u, 128u, 129u, 200u, 1000u,
                          2047u, 2048u, 2049u, 5000u, 32768u}) {
      const std::vector<std::uint16_t> codes = randomCells(random, n);
      ASSERT_EQ(k->codeTourLength(codes.data(), n), gridLength(codes)) << k->name << " " << n;
    }
  }
}

}  // namespace
}  // namespace wendra
