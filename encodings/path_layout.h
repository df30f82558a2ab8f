#pragma once
// The path chromosome as the fast engine stores it: the tour itself, one
// 16-bit cell code per gene (see cell_codes.h) instead of the 32-bit
// city-with-bit-15 genes of the reference format, 2N bytes instead of 4N.
// Operations, draws and results are those of the reference path chromosome:
//   initialise: integers below N until all N cities are placed; a city drawn
//               again is discarded (a membership table replaces the scan;
//               path_creation_kernels.h), members made in parallel by
//               speculation (path_chains.h);
//   crossover:  one integer below N, the cut; tails exchanged; the r-th
//               surplus city of A's head traded against the r-th of B's,
//               found through a city-to-tail-position index;
//   mutate:     per position one uniform, and after each hit one integer
//               below N, the partner position; walked through hit words
//               (path_mutation_kernels.h).
// The engine's requirements of a layout: chromosome_layout.h.

#include <cstdint>
#include <vector>

#include "aligned.h"
#include "cell_codes.h"
#include "chromosome_layout.h"
#include "grid.h"
#include "instruction_set.h"
#include "parallel.h"
#include "path_chains.h"
#include "path_creation_kernels.h"
#include "path_mutation_kernels.h"
#include "random.h"
#include "tour_kernels.h"

namespace wendra {

class PathLayout {
 public:
  // Mutations take N draws plus one per hit.
  static constexpr MutationDraws kMutationDraws = MutationDraws::kPlannedAsHitWords;
  // Members take a random number of draws each.
  static constexpr MemberCreation kMemberCreation = MemberCreation::kBySpeculation;

  // What one worker thread crosses and measures with: the crossover's index
  // of tail positions and its lists of surplus cities.
  class alignas(64) Worker {  // on lines of its own
   public:
    explicit Worker(const PathLayout& layout);
    // Bytes the constructor allocates.
    static std::size_t heapBytes(const PathLayout& layout);
    // child1 and child2 become the crossover of copies of a and b at `cut`.
    void crossCopy(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t cut, std::uint8_t* child1,
                   std::uint8_t* child2);
    std::int32_t length(const std::uint8_t* chromosome) const { return layout_->length(chromosome); }
    void lengthPair(const std::uint8_t* a, const std::uint8_t* b, std::int32_t* out) const {
      out[0] = layout_->length(a);
      out[1] = layout_->length(b);
    }

   private:
    // The positions in `tail` (from the cut on) of the cities of `head`
    // that the tail holds, in head order, into out; returns how many.
    std::uint32_t surplus(const std::uint16_t* head, const std::uint16_t* tail, std::uint32_t cut,
                          std::uint16_t* out);
    std::uint32_t nextStamp();

    const PathLayout* layout_;
    LineVector<std::uint32_t> tailMark_;  // per code: (stamp << 15) | tail position
    std::uint32_t stamp_ = 0;
    LineVector<std::uint16_t> surplusA_, surplusB_;
  };

  // kernels: the builds of the kernel families to run.
  PathLayout(const Grid& grid, double mutationProbability, InstructionSet kernels);

  static std::int32_t textBytes(const Grid& grid) { return 4 * grid.cities(); }
  std::size_t storedBytes() const { return 2 * static_cast<std::size_t>(cities_); }
  std::uint32_t cutBound() const { return static_cast<std::uint32_t>(cities_); }
  // Bytes the layout itself holds.
  std::size_t heapBytes() const { return codes_.heapBytes(); }

  // Makes `count` members in index order from the stream after `state`,
  // calls measure(begin, end, worker) for them, and returns the state after
  // the last draw. With a pool, the members are made by speculation in
  // `spare` room for `count` more (the same stride, free to overwrite); the
  // result is the same whatever the pool and its timing.
  template <class Measure>
  std::uint32_t initialise(std::uint8_t* members, std::size_t stride, std::int32_t count, std::uint32_t state,
                           WorkerPool* pool, std::uint8_t* spare, Measure&& measure) const {
    const PathChains made = chains();
    state = made.make(members, stride, count, state, pool, spare, made.plan(count, creationWorkers(pool)));
    if (pool)
      pool->run(count, measure);
    else
      measure(std::int64_t{0}, std::int64_t{count}, 0);
    return state;
  }
  // Working memory initialise allocates, at most, while it runs.
  std::size_t creationWorkBytes(std::int32_t count, const WorkerPool* pool) const {
    return chains().workBytes(count, creationWorkers(pool));
  }
  // How members are made in parallel.
  PathChains chains() const;

  // Hit words a child's mutation may need, at most.
  std::size_t planWordsPerChild() const;
  // Plans a mutation that starts after `state`: writes its words of gene
  // hits (`used` of them) and returns the state after its last draw.
  std::uint32_t planMutation(std::uint32_t state, std::uint64_t* words, std::size_t& used) const;
  // The mutation planned from `state` into `words`.
  void mutate(std::uint8_t* chromosome, std::uint32_t state, const std::uint64_t* words) const;

  std::int32_t length(const std::uint8_t* chromosome) const;
  void tour(const std::uint8_t* chromosome, std::vector<std::int32_t>& out) const;
  // The reference format: 32-bit genes city | 0x8000, little endian.
  void textForm(const std::uint8_t* chromosome, std::uint8_t* out) const;

 private:
  // Tasks creation shares the work among.
  static int creationWorkers(const WorkerPool* pool);

  std::int32_t cities_;
  CellCodes codes_;
  const PathMutationKernels* mutationKernels_;
  const PathCreationKernels* creationKernels_;
  const TourKernels* tourKernels_;
  std::uint64_t mutationThreshold_;
  StreamJump overGenes_;     // N draws: a mutation with no hit possible
  StreamJump overAllHits_;   // 2N draws: a mutation where every draw hits
};

}  // namespace wendra
