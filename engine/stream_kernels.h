#pragma once
// Kernel family: the random stream and its draws (random.h), many at a time.
// One build per instruction set (see instruction_set.h); all give identical
// results.
//
// "State t" below means the generator state after t advances from the
// `state` argument (state 1 is the first draw). A threshold T stands for the
// event "state < T" of Random::chanceThreshold, here with 1 <= T <= 2^32 - 1
// (the callers handle never and always themselves).

#include <cstddef>
#include <cstdint>

namespace wendra {

struct StreamKernels {
  static const StreamKernels scalar, baseline, avx2, avx512, avx512vbmi2;
  const char* name;

  // Asks for the lines of [p, p + bytes) in a state ready for writing,
  // without waiting: stores into lines another core last used then do not
  // each wait for that core in turn. A hint only; no effect on results.
  void (*fetchForWriting)(const void* p, std::size_t bytes);

  // The chance draws: bit b of words[w] = (state 64w + b + 1 < threshold),
  // for w < wordCount.
  void (*hitWords)(std::uint32_t state, std::uint32_t threshold, std::uint64_t* words, std::size_t wordCount);

  // The integers below n: cities[t] = floor(n * (state t + 1) / 2^32), for
  // t = 0 .. count - 1. REQUIRES: 1 <= n < 2^16.
  void (*drawCities)(std::uint32_t state, std::uint32_t n, std::uint32_t* cities, std::size_t count);
};

}  // namespace wendra
