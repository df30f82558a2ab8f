// The vector builds of the stream kernels (stream_kernels.h): the draws in
// lanes, each lane jumped to its own place in the stream (simd_stream.h).
// Included only by the builds cmake/kernels.cmake makes; no include guard.

#include "simd_stream.h"
#include "stream_kernels.h"

namespace wendra::WENDRA_KERNEL_NAMESPACE {
namespace {

void fetchForWriting(const void* p, size_t bytes) { prefetchForWriting(p, bytes); }

void hitWords(uint32_t state, uint32_t threshold, uint64_t* words, size_t wordCount) {
  HitWordStream stream(state, threshold);
  for (size_t w = 0; w < wordCount; ++w) words[w] = stream.next();
}

// Whole blocks in lanes, the rest one draw at a time.
void drawCities(uint32_t state, uint32_t n, uint32_t* cities, size_t count) {
  size_t t = citiesInBlocks(state, n, cities, count);
  state = jumpOver(t).apply(state);
  for (; t < count; ++t) {
    state = state * kMultiplier + 1u;
    cities[t] = static_cast<uint32_t>((uint64_t{n} * state) >> 32);
  }
}

}  // namespace
}  // namespace wendra::WENDRA_KERNEL_NAMESPACE

namespace wendra {
const StreamKernels StreamKernels::WENDRA_KERNEL_BUILD = {.name = WENDRA_KERNEL_LABEL,
                                                          .fetchForWriting = WENDRA_KERNEL_NAMESPACE::fetchForWriting,
                                                          .hitWords = WENDRA_KERNEL_NAMESPACE::hitWords,
                                                          .drawCities = WENDRA_KERNEL_NAMESPACE::drawCities};
}  // namespace wendra
