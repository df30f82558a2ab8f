#pragma once
// Kernel family: making and repairing path chromosomes (see path_layout.h).
//   initialise: the path chromosome's initialise for a run of members: for
//               each, integers below n are drawn until all n cities are
//               placed, a city drawn again being discarded;
//   stampedPositions: the crossover repair's search for surplus cities, the
//               head cities that the other parent's tail also holds.
// One build per instruction set (see instruction_set.h); all give identical
// results.

#include <cstddef>
#include <cstdint>

namespace wendra {

// What a run of path initialisations made.
struct PathRun {
  std::uint32_t state;   // after the last draw of the last member
  std::int32_t members;  // members made
  std::uint64_t draws;   // draws made
};

// The working memory `initialise` takes: a byte per city (and a vector's
// width beyond), the cities of draws generated kPathBlock at a time, and the
// candidates of kPathBatch draws.
inline constexpr std::size_t kPathBlock = 1024;
inline constexpr std::size_t kPathBatch = 256;
std::size_t pathTableBytes(std::uint32_t n);
std::size_t pathWorkBytes(std::uint32_t n);

struct PathCreationKernels {
  static const PathCreationKernels scalar, baseline, avx2, avx512, avx512vbmi2;
  const char* name;

  // Path chromosomes of n cities by rejection, one after another from
  // `state`: for each, integers floor(n * state / 2^32) are drawn until all n
  // cities are placed, a city drawn again being discarded, and gene k is
  // codeOf[k-th city placed]. Member m's genes start at genes + m * stride.
  // Members are made until maxMembers are, or until the draws made reach
  // drawLimit (checked after each member; at least one is made). ends[m]
  // (when ends is not null) receives the draws made up to the end of member
  // m. work: pathWorkBytes(n) bytes, 64-byte aligned, of any content.
  // REQUIRES: 1 <= n < 2^16, maxMembers >= 1.
  PathRun (*initialise)(std::uint32_t state, std::uint32_t n, const std::uint16_t* codeOf, std::uint16_t* genes,
                        std::size_t stride, std::int32_t maxMembers, std::uint64_t drawLimit, std::uint64_t* ends,
                        void* work);

  // For i = 0 .. count - 1 in turn, where marks[head[i]] carries the stamp
  // (its bits above the low 15 equal `stamp`, whose low 15 bits are clear),
  // the mark's low 15 bits are appended to out. Returns how many were. out
  // must have room for count + 32 entries: whole vectors are stored.
  std::uint32_t (*stampedPositions)(const std::uint16_t* head, std::uint32_t count, const std::uint32_t* marks,
                                    std::uint32_t stamp, std::uint16_t* out);
};

}  // namespace wendra
