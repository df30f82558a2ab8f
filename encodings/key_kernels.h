#pragma once
// Kernel family: the random-key chromosome (see key_layout.h), stored as one
// byte per city holding its 7-bit key; key bit 6 - j of city i is the bit
// that draw 7i + j + 1 makes ("draw t" being the generator state after t
// advances from the `state` argument).
//   initialise: the bit is set when its draw is at least 2^31 (u >= 0.5);
//   mutate:     the bit flips when its draw is below the threshold
//               (Random::chanceThreshold, here 1 .. 2^32 - 1);
//   tourLength: the decoding and the tour length: the cities in ascending
//               key order, equal keys in ascending city order, measured.
// One build per instruction set (see instruction_set.h); all give identical
// results.

#include <cstddef>
#include <cstdint>

namespace wendra {

struct KeyKernels {
  static const KeyKernels scalar, baseline, avx2, avx512, avx512vbmi2;
  const char* name;

  void (*initialise)(std::uint32_t state, std::uint8_t* keys, std::size_t cities);
  void (*mutate)(std::uint32_t state, std::uint32_t threshold, std::uint8_t* keys, std::size_t cities);

  // The length of the tour the keys (below 128) decode to, city i lying at
  // cell codeOf[i] (see tour_kernels.h). work: n entries of working memory.
  // REQUIRES: 1 <= n <= 65535.
  std::int32_t (*tourLength)(const std::uint8_t* keys, std::size_t n, const std::uint16_t* codeOf,
                             std::uint16_t* work);
  // tourLength of two chromosomes into lengths[0] and lengths[1].
  void (*tourLengthPair)(const std::uint8_t* keys1, const std::uint8_t* keys2, std::size_t n,
                         const std::uint16_t* codeOf, std::uint16_t* work, std::int32_t* lengths);
};

}  // namespace wendra
