#pragma once
// Kernel family: the path chromosome's mutation (see path_layout.h). For
// each gene position i = 0 .. n - 1 in turn, one draw; when it is below the
// threshold (a hit), one more draw, the partner p = floor(n * state / 2^32),
// and the genes at i and p are swapped. A mutation therefore takes n draws
// plus one per hit. It is done in two halves: `plan` walks the draws and
// notes where the hits fall, without touching a chromosome (the step's
// planner does it, to know where the next draws begin); `apply` makes the
// swaps from those notes alone, testing no draw (the worker that builds the
// child does it). One build per instruction set (see instruction_set.h); all
// give identical results.
//
// "Draw t" below is the generator state after t advances from the `state`
// argument (draw 1 is the first). The threshold is that of
// Random::chanceThreshold, here 1 .. 2^32 - 1 (never and always are the
// caller's to handle).

#include <cstddef>
#include <cstdint>

namespace wendra {

struct PathMutationKernels {
  static const PathMutationKernels scalar, baseline, avx2, avx512, avx512vbmi2;
  const char* name;

  // The hit words of the mutation of n genes from `state`: bit b of word w
  // set when draw 64w + b + 1 is a gene position's and hits. Writes
  // *wordCount words, up to the one holding the last gene position's draw
  // (at most (2n + 63) / 64), and returns the state after the mutation's last
  // draw (the last gene's, or its partner's when it hit).
  std::uint32_t (*plan)(std::uint32_t state, std::uint32_t threshold, std::uint32_t n, std::uint64_t* words,
                        std::size_t* wordCount);
  // The swaps of the mutation of genes[0 .. n - 1] from `state` that `plan`
  // described in `words`.
  void (*apply)(std::uint32_t state, std::uint32_t n, std::uint16_t* genes, const std::uint64_t* words);
};

}  // namespace wendra
