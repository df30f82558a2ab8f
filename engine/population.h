#pragma once
// Everything one population of the fast engine is kept in: its members and
// their children, lengths, selection weights and best copies, the buffers of
// a step's plan, and each worker's working memory, all made for one grid and
// one population size. A creation makes a new Population aside, all or
// nothing, and replaces the present one in a single exchange (see
// FastEngine::createPopulation), so no state is ever half replaced.
//
// The allocation plan is here too: Sizes says how large every buffer is and
// which buffers of the present population are kept, and memoryFor adds up
// what the constructor then allocates, for the memory check, so that the two
// cannot drift apart.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "aligned.h"
#include "chromosome_layout.h"
#include "grid.h"
#include "memory.h"
#include "parallel.h"

namespace wendra {

// Where the draws of one pair fall: the states drawn for the two selections,
// the cut (kNoCut when the pair is not crossed), the states just before each
// child's mutation and where its planned hit words start.
struct PairDraws {
  std::uint32_t select1, select2, cut, mutate1, mutate2, words1, words2;
};
inline constexpr std::uint32_t kNoCut = 0xFFFFFFFFu;

// A mutation's hit words per child: none where its draws are fixed.
template <ChromosomeLayout Layout>
std::size_t planWordsPerChild(const Layout& layout) {
  if constexpr (MutationByHitWords<Layout>)
    return layout.planWordsPerChild();
  else
    return 0;
}

template <ChromosomeLayout Layout>
struct Population {
  using Worker = typename Layout::Worker;

  // The sizes of every buffer. Buffers of the present population that
  // already have the sizes wanted are kept (saving their allocation and the
  // first touch of every page) and cost nothing.
  struct Sizes {
    std::size_t members, stride, pairs, planWords;
    std::size_t workerWords;  // per worker
    int workers;
    bool keepGenerations, keepMemberArrays, keepPlanWords;
  };

  static Sizes sizesFor(const Layout& layout, std::int32_t populationSize, int workers, const Population& present) {
    Sizes s{};
    s.members = static_cast<std::size_t>(populationSize);
    // Members on 16-byte boundaries: whole cache lines would waste too much
    // on small grids.
    s.stride = (layout.storedBytes() + 15) / 16 * 16;
    s.pairs = s.members / 2 + 1;
    s.planWords = s.members * planWordsPerChild(layout) + 1;
    // Each worker's hit words on lines of their own.
    s.workerWords = (planWordsPerChild(layout) + 7) / 8 * 8;
    s.workers = workers;
    s.keepGenerations =
        present.members.size() == s.members * s.stride && present.offspring.size() == s.members * s.stride;
    s.keepMemberArrays = present.lengths.size() == s.members && present.pairDraws.size() == s.pairs;
    s.keepPlanWords = present.planWords.size() == s.planWords;
    return s;
  }

  // What a creation with these sizes takes: `allocate`, everything allocated
  // anew, the creation's working memory included (its pool: creationPool);
  // `fill`, that less the present population's pages the exchange frees
  // (touched at its creation; the offspring's once stepped), but never less
  // than what is filled before the exchange (every buffer except the two
  // generations, which are filled only after it).
  static CreationMemory memoryFor(const Layout& layout, const Sizes& s, const Population& present,
                                  bool presentStepped, const WorkerPool* creationPool) {
    const auto workers = static_cast<std::size_t>(s.workers);
    std::uint64_t generations = 0;
    if (!s.keepGenerations) generations = 2 * AlignedBytes::allocatedFor(s.members * s.stride);
    std::uint64_t before = sizeof(Population) + layout.heapBytes() + 2 * AlignedBytes::allocatedFor(s.stride);
    if (!s.keepMemberArrays)
      before += 2 * lineVectorBytes<std::int32_t>(s.members) + s.members * sizeof(double) +
                s.pairs * sizeof(PairDraws) + lineVectorBytes<std::uint32_t>(s.pairs);
    if (!s.keepPlanWords) before += lineVectorBytes<std::uint64_t>(s.planWords);
    before += lineVectorBytes<std::uint64_t>(s.workerWords * workers) + lineVectorBytes<Worker>(workers) +
              workers * Worker::heapBytes(layout);
    std::uint64_t work = 0;
    if constexpr (CreationBySpeculation<Layout>)
      work = layout.creationWorkBytes(static_cast<std::int32_t>(s.members), creationPool);
    std::uint64_t freed = 0;
    if (!s.keepGenerations) freed = present.members.size() + (presentStepped ? present.offspring.size() : 0);
    CreationMemory need;
    need.allocate = generations + before + work;
    need.fill = std::max(before, need.allocate > freed ? need.allocate - freed : 0);
    return need;
  }

  // No population yet.
  Population() = default;
  // A population of s.members for `grid`, its buffers allocated except
  // those the sizes keep (taken over by keepBuffersOf). Throws
  // std::bad_alloc, having allocated nothing that is kept.
  Population(Layout&& made, const Sizes& s, const Grid& madeFor, std::uint64_t crossChance)
      : grid(madeFor),
        size(static_cast<std::int32_t>(s.members)),
        crossThreshold(crossChance),
        layout(std::move(made)),
        stride(s.stride),
        wordsPerWorker(s.workerWords),
        sizes_(s) {
    if (!s.keepGenerations) {
      members = AlignedBytes(s.members * s.stride);
      offspring = AlignedBytes(s.members * s.stride);
    }
    generationBest = AlignedBytes(s.stride);
    overallBest = AlignedBytes(s.stride);
    if (!s.keepMemberArrays) {
      lengths.resize(s.members);
      childLengths.resize(s.members);
      weights.resize(s.members);
      pairDraws.resize(s.pairs);
      pairStarts.resize(s.pairs);
    }
    if (!s.keepPlanWords) planWords.resize(s.planWords);
    workerWords.resize(s.workerWords * static_cast<std::size_t>(s.workers));
    workers.reserve(static_cast<std::size_t>(s.workers));
    for (int w = 0; w < s.workers; ++w) workers.emplace_back(*layout);
  }
  // The workers hold the layout's address.
  Population(const Population&) = delete;
  Population& operator=(const Population&) = delete;

  // Takes over the buffers of `present` that the sizes keep.
  void keepBuffersOf(Population& present) noexcept {
    if (sizes_.keepGenerations) {
      members.swap(present.members);
      offspring.swap(present.offspring);
    }
    if (sizes_.keepMemberArrays) {
      lengths.swap(present.lengths);
      childLengths.swap(present.childLengths);
      weights.swap(present.weights);
      pairDraws.swap(present.pairDraws);
      pairStarts.swap(present.pairStarts);
    }
    if (sizes_.keepPlanWords) planWords.swap(present.planWords);
  }

  std::uint8_t* member(std::int64_t i) { return members.data() + static_cast<std::size_t>(i) * stride; }
  const std::uint8_t* member(std::int64_t i) const { return members.data() + static_cast<std::size_t>(i) * stride; }
  std::uint8_t* child(std::int64_t i) { return offspring.data() + static_cast<std::size_t>(i) * stride; }

  // What it was made for.
  Grid grid;
  std::int32_t size = 0;  // members
  std::uint64_t crossThreshold = 0;  // a pair is crossed when its draw is below it
  std::optional<Layout> layout;
  std::size_t stride = 0;  // bytes from one member to the next

  AlignedBytes members, offspring;  // this generation and the next
  AlignedBytes generationBest, overallBest;
  LineVector<std::int32_t> lengths, childLengths;
  std::vector<double> weights;  // the selection weights, as running sums

  // The step's plan (step_plan.h).
  std::vector<PairDraws> pairDraws;
  LineVector<std::uint32_t> pairStarts;  // the state before each pair's draws
  LineVector<std::uint64_t> planWords;   // the mutations' hit words, as planned
  LineVector<std::uint64_t> workerWords;  // each worker's hit words, drawn again
  std::size_t wordsPerWorker = 0;

  LineVector<Worker> workers;  // one per worker thread

 private:
  Sizes sizes_{};
};

}  // namespace wendra
