// The scalar build of the path mutation kernels: the draws one at a time.
#include "path_mutation_kernels.h"

#include <utility>

#include "random.h"

namespace wendra {
namespace kernels_scalar {
namespace {

std::uint32_t plan(std::uint32_t state, std::uint32_t threshold, std::uint32_t n, std::uint64_t* words,
                   std::size_t* wordCount) {
  Random random;
  random.setState(state);
  std::uint64_t draw = 0;  // draws before the current one
  std::size_t used = 0;
  for (std::uint32_t i = 0; i < n; ++i, ++draw) {
    while (used <= draw / 64) words[used++] = 0;
    if (random.advance() < threshold) {
      words[draw / 64] |= std::uint64_t{1} << (draw % 64);
      random.advance();  // the partner
      ++draw;
    }
  }
  *wordCount = used;
  return random.state();
}

void apply(std::uint32_t state, std::uint32_t n, std::uint16_t* genes, const std::uint64_t* words) {
  Random random;
  random.setState(state);
  std::uint64_t draw = 0;
  for (std::uint32_t i = 0; i < n; ++i, ++draw) {
    random.advance();
    if ((words[draw / 64] >> (draw % 64) & 1) != 0) {
      std::swap(genes[i], genes[random.below(n)]);
      ++draw;
    }
  }
}

}  // namespace
}  // namespace kernels_scalar

const PathMutationKernels PathMutationKernels::scalar = {
    .name = "scalar", .plan = kernels_scalar::plan, .apply = kernels_scalar::apply};

}  // namespace wendra
