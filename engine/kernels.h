#pragma once
// The engine's inner loops over the random stream and over tours, in SIMD
// lanes. Each is compiled once per instruction set (the baseline every x86-64
// has, AVX2, AVX-512) and chosen at run time for the processor at hand; all
// variants give identical results.
//
// "State t" below means the generator state after t advances from the
// `state` argument (state 1 is the first draw). A threshold T stands for the
// event "state < T" of Random::chanceThreshold, here with 1 <= T <= 2^32 - 1
// (the callers handle never and always themselves).

#include <cstddef>
#include <cstdint>

namespace wendra {

// What a run of path initialisations made.
struct PathRun {
  std::uint32_t state;   // after the last draw of the last member
  std::int32_t members;  // members made
  std::uint64_t draws;   // draws made
};

// The path initialisation's working memory: a byte per city (and a vector's
// width beyond), the cities of draws generated kPathBlock at a time, and the
// candidates of kPathBatch draws.
inline constexpr std::size_t kPathBlock = 1024;
inline constexpr std::size_t kPathBatch = 256;
inline std::size_t pathTableBytes(std::uint32_t n) { return (std::size_t{n} + 64 + 63) / 64 * 64; }
inline std::size_t pathWorkBytes(std::uint32_t n) {
  return pathTableBytes(n) + sizeof(std::uint32_t) * (kPathBlock + 64 + kPathBatch + 64);
}

struct Kernels {
  const char* name;

  // Asks for the lines of [p, p + bytes) in a state ready for writing,
  // without waiting: stores into lines another core last used then do not
  // each wait for that core in turn. A hint only; no effect on results.
  void (*fetchForWriting)(const void* p, std::size_t bytes);

  // Bit b of words[w] = (state 64w + b + 1 < threshold), for w < wordCount.
  void (*hitWords)(std::uint32_t state, std::uint32_t threshold, std::uint64_t* words,
                   std::size_t wordCount);

  // cities[t] = floor(n * (state t + 1) / 2^32), for t = 0 .. count - 1: the
  // integer below n each draw stands for. REQUIRES: 1 <= n < 2^16.
  void (*drawCities)(std::uint32_t state, std::uint32_t n, std::uint32_t* cities, std::size_t count);

  // Random keys, one byte per city holding the 7-bit key. Key bit 6 - j of
  // city i is the draw 7i + j + 1.
  // keyInitialise: the bit is set when that state is >= 2^31 (u >= 0.5).
  void (*keyInitialise)(std::uint32_t state, std::uint8_t* keys, std::size_t cities);
  // keyMutate: the bit flips when that state is below the threshold.
  void (*keyMutate)(std::uint32_t state, std::uint32_t threshold, std::uint8_t* keys,
                    std::size_t cities);

  // Length of the closed tour through the cells codes[0 .. n - 1], each
  // code row * 128 + column (column < 128, row < 256). REQUIRES: n >= 1.
  std::int32_t (*codeTourLength)(const std::uint16_t* codes, std::size_t n);

  // Length of the tour the keys decode to: the cities in ascending key
  // order, equal keys in ascending city order, city i at cell codeOf[i]
  // (keys below 128). work: n entries of working memory.
  // REQUIRES: 1 <= n <= 65535.
  std::int32_t (*keyTourLength)(const std::uint8_t* keys, std::size_t n, const std::uint16_t* codeOf,
                                std::uint16_t* work);

  // keyTourLength of two chromosomes at once (work: n entries; lengths: 2
  // entries). Short tours are sorted side by side, each filling the other's
  // waits.
  void (*keyTourLengthPair)(const std::uint8_t* keys1, const std::uint8_t* keys2, std::size_t n,
                            const std::uint16_t* codeOf, std::uint16_t* work, std::int32_t* lengths);

  // The path mutation of n genes from `state`: per gene position one draw,
  // a hit when below the threshold, and after each hit one partner draw p =
  // floor(n * state / 2^32) whose gene is swapped with the hit one.
  // pathPlan writes the hits of the gene positions' draws to words (bit b of
  // word w set when draw 64w + b + 1 is a gene position's and hits; *wordCount
  // words, up to the last gene's draw) and returns the state after the
  // mutation's last draw. pathApply makes the swaps from those words alone,
  // without drawing.
  std::uint32_t (*pathPlan)(std::uint32_t state, std::uint32_t threshold, std::uint32_t n, std::uint64_t* words,
                            std::size_t* wordCount);
  void (*pathApply)(std::uint32_t state, std::uint32_t n, std::uint16_t* genes, const std::uint64_t* words);

  // The crossover's search for surplus cities: for i = 0 .. count - 1 in
  // turn, where marks[head[i]] carries the stamp (its bits above the low 15
  // equal `stamp`, whose low 15 bits are clear), the mark's low 15 bits are
  // appended to out. Returns how many were. out must have room for count +
  // 32 entries: whole vectors are stored.
  std::uint32_t (*stampedPositions)(const std::uint16_t* head, std::uint32_t count, const std::uint32_t* marks,
                                    std::uint32_t stamp, std::uint16_t* out);

  // Path chromosomes of n cities by rejection, one after another from
  // `state`: for each, integers floor(n * state / 2^32) are drawn until all n
  // cities are placed, a city drawn again being discarded, and gene k is
  // codeOf[k-th city placed]. Member m's genes start at genes + m * stride.
  // Members are made until maxMembers are, or until the draws made reach
  // drawLimit (checked after each member; at least one is made). ends[m]
  // (when ends is not null) receives the draws made up to the end of member
  // m. work: pathWorkBytes(n) bytes, 64-byte aligned.
  // REQUIRES: 1 <= n < 2^16, maxMembers >= 1.
  PathRun (*pathInitialise)(std::uint32_t state, std::uint32_t n, const std::uint16_t* codeOf, std::uint16_t* genes,
                            std::size_t stride, std::int32_t maxMembers, std::uint64_t drawLimit, std::uint64_t* ends,
                            void* work);
};

// The fastest variant this processor runs.
const Kernels& kernels();

// Every variant built into this binary that this processor runs, fastest
// last (for tests and benchmarks).
struct KernelList {
  const Kernels* items[5];
  int count;
};
KernelList availableKernels();

}  // namespace wendra
