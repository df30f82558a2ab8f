#pragma once
// The path chromosome as the fast engine stores it: the tour itself, one
// 16-bit cell code per gene (see cell_codes.h) instead of the 32-bit
// city-with-bit-15 genes of the reference format, 2N bytes instead of 4N.
// Operations, draws and results are those of the reference path chromosome:
//   initialise: integers below N until all N cities are placed; a city drawn
//               again is discarded (a membership table replaces the scan);
//   crossover:  one integer below N, the cut; tails exchanged; the r-th
//               surplus city of A's head traded against the r-th of B's,
//               found through a city-to-tail-position index;
//   mutate:     per position one uniform, and after each hit one integer
//               below N, the partner position; walked through hit masks.

#include <cstdint>
#include <vector>

#include "aligned.h"
#include "cell_codes.h"
#include "grid.h"
#include "instruction_set.h"
#include "parallel.h"
#include "path_creation_kernels.h"
#include "path_mutation_kernels.h"
#include "random.h"
#include "tour_kernels.h"

namespace wendra {

class PathLayout {
 public:
  // Per-worker working memory.
  struct alignas(64) Scratch {  // one per worker, on lines of its own
    explicit Scratch(const PathLayout& layout);
    // Bytes the constructor allocates.
    static std::size_t heapBytes(const PathLayout& layout);
    LineVector<std::uint32_t> tailMark;  // per code: (stamp << 15) | tail position
    std::uint32_t stamp = 0;
    LineVector<std::uint16_t> surplusA, surplusB;
    std::uint32_t nextStamp();
  };

  // kernels: the builds of the kernel families to run.
  PathLayout(const Grid& grid, double mutationProbability, InstructionSet kernels = fastestSet());

  static std::int32_t textBytes(const Grid& grid) { return 4 * grid.cities(); }
  // A mutation's draws are planned as hit words (see planMutation).
  static constexpr bool kPlansHitWords = true;
  std::size_t storedBytes() const { return 2 * static_cast<std::size_t>(cities_); }
  std::uint32_t cutBound() const { return static_cast<std::uint32_t>(cities_); }

  // Bytes the layout itself holds.
  std::size_t heapBytes() const { return codes_.heapBytes(); }
  // Working memory initialiseAll(.., count, .., pool, spare) allocates, at
  // most, while it runs.
  std::size_t creationWorkBytes(std::int32_t count, const WorkerPool* pool, bool spare) const;

  // Initialises `count` members in index order from the stream after
  // `state`; returns the state after the last draw. With a pool of several
  // workers and `spare` room for `count` more members (the same stride, its
  // contents free to overwrite), the work is shared out by speculation (see
  // Chain); the result is the same whatever the pool and its timing.
  std::uint32_t initialiseAll(std::uint8_t* members, std::size_t stride, std::int32_t count,
                              std::uint32_t state, WorkerPool* pool, std::uint8_t* spare) const;

  // Parallel creation. A member's draws depend only on where in the stream
  // it starts, and the end of a member moves with its start only now and
  // then, so a run of members begun anywhere falls onto the true member
  // boundaries after a few members (about 1.5 H_N at most, nine times in
  // ten) and makes the true members from there on. Task 0 makes the true
  // members from the start, straight into place, until `leadingDraws`; each
  // chain, at the same time, makes members into spare slots from its start
  // until its draw limit. Consecutive tasks overlap by a few members, so a
  // chain usually joins the sequence of the task before it while that one
  // still runs. Then, in order, the true sequence is continued (member by
  // member, on the calling thread, only where needed) until it reaches a
  // start one of the chain's members had; that member and the chain's
  // later ones are the true ones and are copied into place, and the
  // sequence goes on from the chain's end with the next chain. What no
  // chain covers is made in turn.
  struct Chain {
    std::uint64_t start;      // draws after `state` where the chain begins
    std::int32_t firstSlot;   // its members go to spare slots firstSlot ..
    std::int32_t capacity;    //   firstSlot + capacity - 1 (at most)
    std::uint64_t drawLimit;  // it stops after the member that reaches this many draws
  };
  struct ChainPlan {
    std::uint64_t leadingDraws;  // task 0 stops after the member that reaches this (0: makes none)
    std::vector<Chain> chains;
  };
  // The plan for `workers` workers (no chains for one, or when the overlap
  // would cost more than the workers save): tasks of equal expected draws.
  ChainPlan planChains(std::int32_t count, int workers) const;
  // What the merge did: chains whose members joined the true sequence,
  // members copied from them, members made in turn.
  struct MergeReport {
    std::int32_t chainsMet = 0, copied = 0, madeInTurn = 0;
  };
  // initialiseAll with the given plan; the result does not depend on it.
  // REQUIRES: each chain's slots lie in 0 .. count - 1 and the chains'
  // slots do not overlap.
  std::uint32_t initialiseWithPlan(std::uint8_t* members, std::size_t stride, std::int32_t count,
                                   std::uint32_t state, WorkerPool* pool, std::uint8_t* spare,
                                   const ChainPlan& plan, MergeReport* report = nullptr) const;
  // Plan words the mutations of `children` children may need, at most.
  std::size_t planWordsFor(std::size_t children) const;
  // Plans a mutation that starts after `state`: writes its words of gene
  // hits (`used` of them) and returns the state after its last draw.
  std::uint32_t planMutation(std::uint32_t state, std::uint64_t* words, std::size_t& used) const;
  // child1 and child2 become the crossover of copies of a and b at `cut`.
  void crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut, std::uint8_t* child1,
                 std::uint8_t* child2, Scratch& scratch) const;
  // The mutation planned from `state` into `words`.
  void mutate(std::uint8_t* chromosome, std::uint32_t state, const std::uint64_t* words, Scratch& scratch) const;
  std::int32_t length(const std::uint8_t* chromosome, Scratch& scratch) const;
  void tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const;
  // The reference format: 32-bit genes city | 0x8000, little endian.
  void textForm(const std::uint8_t* chromosome, std::uint8_t* out) const;

 private:
  Grid grid_;
  std::int32_t cities_;
  CellCodes codes_;
  // Tasks initialiseAll shares the work among.
  static int creationWorkers(const WorkerPool* pool, bool spare);

  const PathMutationKernels* mutationKernels_;
  const PathCreationKernels* creationKernels_;
  const TourKernels* tourKernels_;
  std::uint64_t mutationThreshold_;
  StreamJump overGenes_;     // N draws: a mutation with no hit possible
  StreamJump overAllHits_;   // 2N draws: a mutation where every draw hits
};

}  // namespace wendra
