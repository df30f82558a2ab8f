#pragma once
// The build of a step's pairs (see step_plan.h for their draws): each pair
// selects its two parents by roulette, copies or crosses them straight into
// its two children, mutates both from their planned states and measures
// them. Pairs are independent once planned, so any worker builds any pair;
// each worker builds its pairs in batches: first all their parents are found
// and their chromosomes fetched ahead, then the pairs are built.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "chromosome_layout.h"
#include "parallel.h"
#include "population.h"
#include "random.h"
#include "roulette.h"
#include "step_plan.h"
#include "stream_kernels.h"

namespace wendra {

// What one worker builds with, for one step.
template <ChromosomeLayout Layout>
class PairBuilder {
 public:
  PairBuilder(Population<Layout>& population, Handover handover, const StreamKernels& stream, int worker)
      : population_(population),
        layout_(*population.layout),
        worker_(population.workers[static_cast<std::size_t>(worker)]),
        ownWords_(population.workerWords.data() + static_cast<std::size_t>(worker) * population.wordsPerWorker),
        stream_(stream),
        redraw_(handover == Handover::kWorkersRedrawFromPairStart),
        pooled_(handover != Handover::kOnThisThread) {}

  // Builds pairs (jobs) begin .. end - 1, each once `planned` has passed it.
  void build(std::int64_t begin, std::int64_t end, const std::atomic<std::int64_t>& planned) {
    for (std::int64_t batch = begin; batch < end;) {
      // The pairs planned so far, up to a batch (at least one, waited for).
      std::int64_t ready = planned.load(std::memory_order_acquire);
      while (ready <= batch) {
        relaxWaiting();
        ready = planned.load(std::memory_order_acquire);
      }
      const int count = static_cast<int>(std::min<std::int64_t>({kBatch, end - batch, ready - batch}));
      selectParents(batch, count);
      if (pooled_) fetchChildren(batch, end);
      for (int k = 0; k < count; ++k) {
        if (pooled_) fetchChildren(batch + k + 1, end);
        buildPair(batch + k, k);
      }
      batch += count;
    }
  }

 private:
  static constexpr int kBatch = 16;

  // The draws of pairs batch .. batch + count - 1, and their parents, whose
  // lines are fetched ahead.
  void selectParents(std::int64_t batch, int count) {
    const std::int32_t p = population_.size;
    const double total = population_.weights[static_cast<std::size_t>(p - 1)];
    double draws[2 * kBatch];
    for (int k = 0; k < count; ++k) {
      PairDraws& pair = draws_[k];
      const std::int64_t i = batch + k;
      pair = redraw_ ? drawPair(population_.pairStarts[i], i == p / 2, population_.crossThreshold, layout_.cutBound())
                     : population_.pairDraws[i];
      draws[2 * k] = pair.select1 * Random::kUnit * total;
      draws[2 * k + 1] = pair.select2 * Random::kUnit * total;
    }
    rouletteIndices(population_.weights.data(), p, draws, parents_, 2 * count);
    const std::size_t bytes = layout_.storedBytes();
    for (int k = 0; k < 2 * count; ++k)
      for (std::size_t line = 0; line < bytes; line += 64) __builtin_prefetch(population_.member(parents_[k]) + line);
  }

  // Another core may have used pair i's children's lines last: each pair
  // asks for the next pair's ahead, so the stores need not wait.
  void fetchChildren(std::int64_t i, std::int64_t end) {
    if (i < end)
      stream_.fetchForWriting(population_.child(2 * i), (2 * i + 1 < population_.size ? 2 : 1) * population_.stride);
  }

  // Pair i, the k-th of its batch: its children 2i and 2i + 1 (2i alone for
  // the last slot of an odd population).
  void buildPair(std::int64_t i, int k) {
    const PairDraws& pair = draws_[k];
    const std::size_t bytes = layout_.storedBytes();
    std::uint8_t* child1 = population_.child(2 * i);
    const std::uint8_t* parent1 = population_.member(parents_[2 * k]);
    if (2 * i + 1 == population_.size) {
      std::memcpy(child1, parent1, bytes);
      mutate(child1, pair.mutate1, pair.words1);
      population_.childLengths[2 * i] = worker_.length(child1);
      return;
    }
    std::uint8_t* child2 = population_.child(2 * i + 1);
    const std::uint8_t* parent2 = population_.member(parents_[2 * k + 1]);
    if (pair.cut != kNoCut) {
      worker_.crossCopy(parent1, parent2, pair.cut, child1, child2);
    } else {
      std::memcpy(child1, parent1, bytes);
      std::memcpy(child2, parent2, bytes);
    }
    const std::uint32_t after = mutate(child1, pair.mutate1, pair.words1);
    mutate(child2, redraw_ ? after : pair.mutate2, pair.words2);
    worker_.lengthPair(child1, child2, &population_.childLengths[2 * i]);
  }

  // The mutation of `child` whose draws follow `state`, from the plan's hit
  // words at `words`, or drawn here when redrawing; returns the state after
  // its draws when redrawing.
  std::uint32_t mutate(std::uint8_t* child, std::uint32_t state, std::uint32_t words) {
    std::uint32_t after = 0;
    if constexpr (MutationByHitWords<Layout>) {
      const std::uint64_t* hitWords = population_.planWords.data() + words;
      if (redraw_) {
        std::size_t used = 0;
        after = layout_.planMutation(state, ownWords_, used);
        hitWords = ownWords_;
      }
      layout_.mutate(child, state, hitWords);
    } else {
      if (redraw_) after = layout_.overMutation().apply(state);
      layout_.mutate(child, state);
    }
    return after;
  }

  Population<Layout>& population_;
  const Layout& layout_;
  typename Layout::Worker& worker_;
  std::uint64_t* ownWords_;
  const StreamKernels& stream_;
  bool redraw_, pooled_;
  PairDraws draws_[kBatch];
  std::int32_t parents_[2 * kBatch];
};

}  // namespace wendra
