// The scalar build of the stream kernels: the draws one at a time, as
// Random makes them.
#include "stream_kernels.h"

#include "random.h"

namespace wendra {
namespace kernels_scalar {
namespace {

// A hint has no effect on results; the reference gives none.
void fetchForWriting(const void*, std::size_t) {}

void hitWords(std::uint32_t state, std::uint32_t threshold, std::uint64_t* words, std::size_t wordCount) {
  Random random;
  random.setState(state);
  for (std::size_t w = 0; w < wordCount; ++w) {
    words[w] = 0;
    for (int b = 0; b < 64; ++b) words[w] |= static_cast<std::uint64_t>(random.advance() < threshold) << b;
  }
}

void drawCities(std::uint32_t state, std::uint32_t n, std::uint32_t* cities, std::size_t count) {
  Random random;
  random.setState(state);
  for (std::size_t t = 0; t < count; ++t) cities[t] = random.below(n);
}

}  // namespace
}  // namespace kernels_scalar

const StreamKernels StreamKernels::scalar = {.name = "scalar",
                                             .fetchForWriting = kernels_scalar::fetchForWriting,
                                             .hitWords = kernels_scalar::hitWords,
                                             .drawCities = kernels_scalar::drawCities};

}  // namespace wendra
