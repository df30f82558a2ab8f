#pragma once
// A step's plan. Where each of a step's draws falls depends only on the
// stream and the parameters, never on the population, so one pass over the
// stream fixes, pair by pair, the two selection draws, the crossover
// decision and cut, and the state where each child's mutation starts.
// Mutations of a fixed number of draws are jumped over; the others are
// walked and noted as hit words. The workers that build the pairs start on
// the pairs planned so far while the plan is still being made.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "chromosome_layout.h"
#include "population.h"
#include "random.h"
#include "stream_kernels.h"

namespace wendra {

// How the plan reaches the workers that build the pairs.
enum class Handover {
  // Small steps, or one thread: the caller plans every pair, then builds
  // them.
  kOnThisThread,
  // The planner writes every draw and hit word; the workers read them.
  kWorkersReadThePlan,
  // The same, the planner asking ahead for the lines it writes next: the
  // other cores read them the step before, and each store would otherwise
  // wait for its line to come back.
  kWorkersReadThePlanFetchedAhead,
  // The planner writes only the state before each pair's draws; the worker
  // draws the pair's selections, cut and mutations again from it (cheaper
  // than moving the plan's lines from core to core where the plan is a few
  // states per pair; the hit words stay with the planner, one child's
  // overwriting the last's).
  kWorkersRedrawFromPairStart,
};

// The draws of one pair from the state before them (or of the last, single
// slot of an odd population: one selection), up to the state where the first
// child's mutation starts.
inline PairDraws drawPair(std::uint32_t s, bool single, std::uint64_t crossThreshold, std::uint32_t cutBound) {
  auto next = [](std::uint32_t& state) { return state = state * Random::kMultiplier + Random::kIncrement; };
  PairDraws pair{};
  pair.select1 = next(s);
  pair.select2 = pair.select1;  // for a single slot: not drawn; keeps the batch search defined
  pair.cut = kNoCut;
  if (!single) {
    pair.select2 = next(s);
    if (next(s) < crossThreshold) pair.cut = static_cast<std::uint32_t>((std::uint64_t{cutBound} * next(s)) >> 32);
  }
  pair.mutate1 = s;
  return pair;
}

// Plans the mutation whose draws follow `state`: its hit words to `words`
// (`used` of them) where the layout has them; returns the state after them.
template <ChromosomeLayout Layout>
std::uint32_t planMutation(const Layout& layout, std::uint32_t state, std::uint64_t* words, std::size_t& used) {
  if constexpr (MutationByHitWords<Layout>) {
    return layout.planMutation(state, words, used);
  } else {
    used = 0;
    return layout.overMutation().apply(state);
  }
}

// Plans the step of `population` from the stream's `state`: pair i (and the
// last, single slot of an odd population, job P / 2) is published in
// `planned` (i + 1) once written. Returns the state after the step's draws.
template <ChromosomeLayout Layout>
class StepPlanner {
 public:
  StepPlanner(Population<Layout>& population, Handover handover, const StreamKernels& stream)
      : population_(population), layout_(*population.layout), handover_(handover), stream_(stream) {}

  std::uint32_t plan(std::uint32_t s, std::atomic<std::int64_t>& planned) {
    const std::int64_t pairs = population_.size / 2;
    const std::int64_t jobs = pairs + population_.size % 2;
    std::size_t words = 0;      // hit words planned so far
    std::size_t pairWords = 0;  // those of the last pair
    for (std::int64_t i = 0; i < jobs; ++i) {
      const bool single = i == pairs;
      if (handover_ == Handover::kWorkersRedrawFromPairStart) {
        population_.pairStarts[i] = s;
        s = skipPair(s, single);
      } else {
        if (handover_ == Handover::kWorkersReadThePlanFetchedAhead) fetchAhead(i, jobs, words, pairWords);
        const std::size_t pairStart = words;
        s = planPair(i, s, single, words);
        pairWords = words - pairStart;
      }
      planned.store(i + 1, std::memory_order_release);  // a plain store on x86
    }
    return s;
  }

 private:
  // Pair i's draws from s, its hit words at `words` (moved on past them);
  // returns the state after the pair's last draw.
  std::uint32_t planPair(std::int64_t i, std::uint32_t s, bool single, std::size_t& words) {
    std::uint64_t* planWords = population_.planWords.data();
    PairDraws& pair = population_.pairDraws[i];
    pair = drawPair(s, single, population_.crossThreshold, layout_.cutBound());
    std::size_t used = 0;
    pair.words1 = static_cast<std::uint32_t>(words);
    s = planMutation(layout_, pair.mutate1, planWords + words, used);
    words += used;
    if (!single) {
      pair.mutate2 = s;
      pair.words2 = static_cast<std::uint32_t>(words);
      s = planMutation(layout_, s, planWords + words, used);
      words += used;
    }
    return s;
  }

  // The state after a pair's draws, from the state before them.
  std::uint32_t skipPair(std::uint32_t s, bool single) {
    std::uint64_t* scratch = population_.planWords.data();
    std::size_t used = 0;
    s = planMutation(layout_, drawPair(s, single, population_.crossThreshold, layout_.cutBound()).mutate1, scratch,
                     used);
    return single ? s : planMutation(layout_, s, scratch, used);
  }

  // The lines the pair after pair i will write (as many hit words as the
  // last pair's), and pair i + 4's draws.
  void fetchAhead(std::int64_t i, std::int64_t jobs, std::size_t words, std::size_t pairWords) {
    const std::size_t wordCount = population_.planWords.size();
    const std::size_t from = std::min(words + pairWords, wordCount);
    stream_.fetchForWriting(population_.planWords.data() + from,
                            std::min(pairWords, wordCount - from) * sizeof(std::uint64_t));
    stream_.fetchForWriting(population_.pairDraws.data() + std::min<std::int64_t>(i + 4, jobs), sizeof(PairDraws));
  }

  Population<Layout>& population_;
  const Layout& layout_;
  Handover handover_;
  const StreamKernels& stream_;
};

}  // namespace wendra
