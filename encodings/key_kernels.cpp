// The scalar build of the random-key kernels: the bits one draw at a time,
// and the decoding as a counting sort.
#include "key_kernels.h"

#include "key_order.h"
#include "random.h"
#include "tour_kernels.h"

namespace wendra {
namespace kernels_scalar {
namespace {

constexpr int kKeyBits = 7;

void initialise(std::uint32_t state, std::uint8_t* keys, std::size_t cities) {
  Random random;
  random.setState(state);
  for (std::size_t i = 0; i < cities; ++i) {
    keys[i] = 0;
    for (int j = 0; j < kKeyBits; ++j) keys[i] = static_cast<std::uint8_t>(keys[i] << 1 | (random.uniform() >= 0.5));
  }
}

void mutate(std::uint32_t state, std::uint32_t threshold, std::uint8_t* keys, std::size_t cities) {
  Random random;
  random.setState(state);
  for (std::size_t i = 0; i < cities; ++i)
    for (int j = 0; j < kKeyBits; ++j)
      if (random.advance() < threshold) keys[i] ^= static_cast<std::uint8_t>(1 << (kKeyBits - 1 - j));
}

// The cells in tour order into work, then the length of that tour.
std::int32_t tourLength(const std::uint8_t* keys, std::size_t n, const std::uint16_t* codeOf, std::uint16_t* work) {
  sortByKey(keys, n, work, [codeOf](std::size_t city) { return codeOf[city]; });
  return TourKernels::scalar.codeTourLength(work, n);
}

void tourLengthPair(const std::uint8_t* keys1, const std::uint8_t* keys2, std::size_t n, const std::uint16_t* codeOf,
                    std::uint16_t* work, std::int32_t* lengths) {
  lengths[0] = tourLength(keys1, n, codeOf, work);
  lengths[1] = tourLength(keys2, n, codeOf, work);
}

}  // namespace
}  // namespace kernels_scalar

const KeyKernels KeyKernels::scalar = {.name = "scalar",
                                       .initialise = kernels_scalar::initialise,
                                       .mutate = kernels_scalar::mutate,
                                       .tourLength = kernels_scalar::tourLength,
                                       .tourLengthPair = kernels_scalar::tourLengthPair};

}  // namespace wendra
