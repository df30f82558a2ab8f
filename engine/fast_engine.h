#pragma once
// The generational genetic algorithm, built for speed, with results that are
// bit for bit those of the algorithm as first written (the reference build in
// reference/): the same draws in the same order, the same members, the
// same lengths and records, for any number of threads.
//
// Order of random draws (the contract):
//   create: the members are initialised in index order (the layout's draws).
//   step, for each pair i = 0, 1, ... while i < P / 2:
//     one uniform (scaled real) for the selection into offspring 2i,
//     one uniform for the selection into offspring 2i + 1,
//     one uniform u for the crossover decision (cross when u < pc),
//     the crossover's cut, only when it happens,
//     all draws of the mutation of offspring 2i, then of offspring 2i + 1.
//   Odd P: the last slot P - 1 takes one selection and that child's mutation;
//   no crossover decision is drawn.
//
// How a step runs:
//   1. Plan (the calling thread). Where each draw falls depends only on the
//      stream and the parameters, never on the population: a pass over the
//      stream fixes, pair by pair, the two selection draws, the crossover
//      decision and cut, and the state where each child's mutation starts.
//      Mutations of a fixed number of draws are jumped over in O(1)
//      (StreamJump); the others are walked through blocks of hit masks.
//   2. Build (all workers, starting while the plan is still being made).
//      Planned pairs are independent: each selects its parents, copies or
//      crosses them straight into the offspring, mutates both children from
//      their planned states and measures them. On several workers a
//      random-key plan hands over only the state before each pair's draws,
//      and the worker draws the pair's selections and cut again. Small
//      steps (members x cities below kParallelWork) stay on the calling
//      thread.
//   3. Evaluate: first shortest member, roulette weights as running sums in
//      index order, the average from the integer sum of the lengths (exact:
//      every partial sum is a whole number far below 2^53).
//
// Layout (PathLayout, KeyLayout in encodings/) supplies the chromosome store
// and the encoding's operations; see those headers. Lengths are kept per
// member, so memberLength() and averageLength() cost nothing.
//
// Thread safety: one caller at a time, as for any EvolutionEngine.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "aligned.h"
#include "engine.h"
#include "instruction_set.h"
#include "memory.h"
#include "parallel.h"
#include "random.h"
#include "stream_kernels.h"

namespace wendra {

// Roulette over running weights: the first member whose running weight
// exceeds r, or the last member when none does. Equals the halving search
// of the algorithm as first written for every non-decreasing array of
// weights (the running sums of positive weights always are).
inline std::int32_t rouletteIndex(const double* weights, std::int32_t members, double r) {
  const double* base = weights;
  std::int64_t n = members - 1;  // the last member needs no test
  if (n <= 0) return 0;
  while (n > 1) {
    const std::int64_t half = n / 2;
    base = base[half - 1] <= r ? base + half : base;
    n -= half;
  }
  return static_cast<std::int32_t>(base - weights) + (*base <= r ? 1 : 0);
}

// The same search for many draws at once, in lockstep: the searches are
// independent, so their memory accesses overlap instead of waiting on each
// other. out[k] = rouletteIndex(weights, members, r[k]).
inline void rouletteIndices(const double* weights, std::int32_t members, const double* r, std::int32_t* out,
                            int count) {
  constexpr int kMax = 64;
  const double* base[kMax];
  std::int64_t n = members - 1;
  if (n <= 0) {
    for (int k = 0; k < count; ++k) out[k] = 0;
    return;
  }
  for (int k = 0; k < count; ++k) base[k] = weights;
  while (n > 1) {
    const std::int64_t half = n / 2;
    // By arithmetic, not a branch: each outcome is a coin toss.
    for (int k = 0; k < count; ++k) base[k] += half & -static_cast<std::int64_t>(base[k][half - 1] <= r[k]);
    n -= half;
  }
  for (int k = 0; k < count; ++k) out[k] = static_cast<std::int32_t>(base[k] - weights) + (*base[k] <= r[k] ? 1 : 0);
}

// Steps whose work (members x cities) is below this run on one thread: the
// fork and join would cost more than they save.
inline constexpr std::int64_t kParallelWork = 1 << 17;

// A step's plan (hit words and pair draws) up to this size is likely still
// in the other cores' caches at the next step (see FastEngine::step).
inline constexpr std::size_t kCachedPlanBytes = std::size_t{1} << 20;

template <class Layout>
class FastEngine final : public EvolutionEngine {
 public:
  // threads: workers for large steps; 0 means one per available core.
  // sharedPlanBytes: the largest plan handed over as one state per pair;
  // by default kCachedPlanBytes for layouts without hit words, none for the
  // others (tests choose 0 or SIZE_MAX to run either way on any size).
  explicit FastEngine(int threads = 0, std::size_t sharedPlanBytes = Layout::kPlansHitWords ? 0 : kCachedPlanBytes)
      : pool_(threads),
        threads_(pool_.threads()),
        sharedPlanBytes_(sharedPlanBytes),
        layout_(Grid::of(1, 1), 0.0) {}  // no population yet: the smallest layout

  void createPopulation(const Grid& grid, std::int32_t populationSize, double mutationProbability,
                        double crossoverProbability) override {
    // 1. Check and size everything aside; the current state stays untouched
    //    until the new population can no longer fail.
    Layout layout(grid, mutationProbability);
    const Buffers sizes = buffersFor(layout, populationSize);
    const CreationMemory need = memoryFor(layout, sizes, grid);
    requireMemory(populationSize, grid, need, memoryAvailable(), allocatableMemory());
    AlignedBytes population, offspring, generationBest, overallBest;
    LineVector<std::int32_t> lengths, childLengths;
    std::vector<double> weights;
    std::vector<PairPlan> plan;
    LineVector<std::uint32_t> pairStarts;
    LineVector<std::uint64_t> planWords, workerWords;
    LineVector<typename Layout::Scratch> scratch;
    try {
      if (!sizes.reusePopulation) {
        population = AlignedBytes(sizes.members * sizes.stride);
        offspring = AlignedBytes(sizes.members * sizes.stride);
      }
      generationBest = AlignedBytes(sizes.stride);
      overallBest = AlignedBytes(sizes.stride);
      if (!sizes.reuseArrays) {
        lengths.resize(sizes.members);
        childLengths.resize(sizes.members);
        weights.resize(sizes.members);
        plan.resize(sizes.pairs);
        pairStarts.resize(sizes.pairs);
      }
      if (!sizes.reuseWords) planWords.resize(sizes.planWords);
      workerWords.resize(sizes.workerWords * static_cast<std::size_t>(threads_));
      scratch.reserve(static_cast<std::size_t>(threads_));
      for (int w = 0; w < threads_; ++w) scratch.emplace_back(layout);
    } catch (const std::bad_alloc&) {
      throw PopulationTooLarge(notEnoughMemoryMessage(populationSize, grid, need.allocate, allocatableMemory()));
    }

    // Commit.
    grid_ = grid;
    layout_ = std::move(layout);
    populationSize_ = populationSize;
    mutationProbability_ = mutationProbability;
    crossoverProbability_ = crossoverProbability;
    crossThreshold_ = Random::chanceThreshold(crossoverProbability);
    textSize_ = Layout::textBytes(grid);
    stride_ = sizes.stride;
    if (!sizes.reusePopulation) {
      // The present population is freed at once, before the new one is
      // filled (the memory check counts on it).
      population_.swap(population);
      offspring_.swap(offspring);
      population = AlignedBytes();
      offspring = AlignedBytes();
    }
    generationBest_ = std::move(generationBest);
    overallBest_ = std::move(overallBest);
    if (!sizes.reuseArrays) {
      lengths_ = std::move(lengths);
      childLengths_ = std::move(childLengths);
      weights_ = std::move(weights);
      plan_ = std::move(plan);
      pairStarts_ = std::move(pairStarts);
    }
    if (!sizes.reuseWords) planWords_ = std::move(planWords);
    workerWords_ = std::move(workerWords);
    workerWordCount_ = sizes.workerWords;
    scratch_ = std::move(scratch);

    // 2. Initialise the members in index order (the offspring buffer is free
    //    until the first step and serves the layout as spare room), then
    //    measure them.
    WorkerPool* pool = largeWork() ? &pool_ : nullptr;
    if constexpr (requires { layout_.initialiseMeasured(nullptr, 0, 0, 0u, pool, [](std::int64_t, bool, int) {}); }) {
      // Members that start at known points are measured as they are made,
      // two at a time where the layout measures pairs.
      random().setState(layout_.initialiseMeasured(
          population_.data(), stride_, populationSize_, random().state(), pool,
          [&](std::int64_t i, bool pair, int worker) {
            const auto m = static_cast<std::int32_t>(i);
            if (pair)
              measurePair(member(m), member(m + 1), &lengths_[i], scratch_[worker]);
            else
              lengths_[i] = layout_.length(member(m), scratch_[worker]);
          }));
    } else {
      random().setState(layout_.initialiseAll(population_.data(), stride_, populationSize_, random().state(), pool,
                                              offspring_.data()));
      forChunks(populationSize_, [&](std::int64_t begin, std::int64_t end, int worker) {
        for (std::int64_t i = begin; i < end; ++i)
          lengths_[i] = layout_.length(member(static_cast<std::int32_t>(i)), scratch_[worker]);
      });
    }
    // 3. - 5. Evaluate; counters and the overall best.
    evaluate();
    generation_ = 0;
    overallBestGeneration_ = 0;
    std::memcpy(overallBest_.data(), generationBest_.data(), stride_);
    overallBestLength_ = generationBestLength_;
  }

  void step() override {
    const std::int32_t p = populationSize_;
    const std::int32_t pairs = p / 2;
    const bool odd = p % 2 != 0;

    // 1. Plan the draws. On the pool, the caller plans while the helpers
    //    already build the pairs planned so far.
    const std::int64_t jobs = pairs + (odd ? 1 : 0);
    std::atomic<std::int64_t> planned{0};
    // Every line the planner writes was read by another core the step
    // before and has to be taken back from it first. The planner asks for
    // its next lines ahead (a prefetch for writing), so the stores need not
    // wait for them one by one. For the random key, whose plan is a few
    // states per pair, it is cheaper still to hand over only the state
    // where each pair's draws begin and let the worker draw the rest again
    // (keeping any hit words to the planner, overwriting one child's with
    // the next); the path's hit words cost more to draw again than to
    // fetch. A plan larger than about a core's level-2 cache has left the
    // other cores by the next step anyway.
    const std::size_t planBytes = planWords_.size() * sizeof(std::uint64_t) + plan_.size() * sizeof(PairPlan);
    const bool pooled = largeWork() && threads_ > 1;
    const bool shared = pooled && planBytes <= sharedPlanBytes_;
    const bool fetchAhead = pooled && !shared && planBytes <= kCachedPlanBytes;
    auto next = [](std::uint32_t& s) { return s = s * Random::kMultiplier + Random::kIncrement; };
    // The draws of pair i (or of the last, single slot) from the state
    // before them; mutate2 is left to the caller.
    auto pairDraws = [&](std::uint32_t s, bool single) {
      PairPlan pair{};
      pair.select1 = next(s);
      pair.select2 = pair.select1;  // for a single slot: not drawn; keeps the batch search defined
      pair.cut = kNoCut;
      if (!single) {
        pair.select2 = next(s);
        if (next(s) < crossThreshold_)
          pair.cut = static_cast<std::uint32_t>((std::uint64_t{layout_.cutBound()} * next(s)) >> 32);
      }
      pair.mutate1 = s;
      return pair;
    };
    auto plan = [&] {
      std::uint32_t s = random().state();
      std::size_t words = 0, used = 0;  // hit words planned so far
      std::size_t pairWords = 0;        // those of the last pair
      const StreamKernels& fetch = kernelsFor<StreamKernels>(fastestSet());
      for (std::int64_t i = 0; i < jobs; ++i) {
        const bool single = i == pairs;
        if (shared) {
          pairStarts_[i] = s;
          s = layout_.planMutation(pairDraws(s, single).mutate1, planWords_.data(), used);
          if (!single) s = layout_.planMutation(s, planWords_.data(), used);
        } else {
          if (fetchAhead) {
            // The lines the pair after this one will write, as long as the
            // last pair's were.
            const std::size_t from = std::min(words + pairWords, planWords_.size());
            fetch.fetchForWriting(planWords_.data() + from,
                                  std::min(pairWords, planWords_.size() - from) * sizeof(std::uint64_t));
            fetch.fetchForWriting(plan_.data() + std::min<std::int64_t>(i + 4, jobs), sizeof(PairPlan));
          }
          const std::size_t pairStart = words;
          PairPlan& pair = plan_[i];
          pair = pairDraws(s, single);
          pair.words1 = static_cast<std::uint32_t>(words);
          s = layout_.planMutation(pair.mutate1, planWords_.data() + words, used);
          words += used;
          if (!single) {
            pair.mutate2 = s;
            pair.words2 = static_cast<std::uint32_t>(words);
            s = layout_.planMutation(s, planWords_.data() + words, used);
            words += used;
          }
          pairWords = words - pairStart;
        }
        planned.store(i + 1, std::memory_order_release);  // a plain store on x86
      }
      random().setState(s);
    };

    // 2. Build the offspring, pair by pair, on all workers. Pairs go in
    //    batches: first all their parents are found and their chromosomes
    //    fetched ahead, then the pairs are built.
    const double total = weights_[p - 1];
    auto build = [&](std::int64_t begin, std::int64_t end, int worker) {
      typename Layout::Scratch& scratch = scratch_[worker];
      std::uint64_t* ownWords = workerWords_.data() + static_cast<std::size_t>(worker) * workerWordCount_;
      constexpr int kBatch = 16;
      PairPlan batchPlan[kBatch];
      double draws[2 * kBatch];
      std::int32_t parents[2 * kBatch];
      const std::size_t bytes = layout_.storedBytes();
      const StreamKernels& fetch = kernelsFor<StreamKernels>(fastestSet());
      // The mutation from `state` (its words planned or drawn here); returns
      // the state after it when drawn here.
      auto mutate = [&](std::uint8_t* chromosome, std::uint32_t state, std::uint32_t words) {
        std::uint32_t after = 0;
        const std::uint64_t* hitWords = planWords_.data() + words;
        if (shared) {
          std::size_t used = 0;
          after = layout_.planMutation(state, ownWords, used);
          hitWords = ownWords;
        }
        layout_.mutate(chromosome, state, hitWords, scratch);
        return after;
      };
      for (std::int64_t batch = begin; batch < end;) {
        // The pairs planned so far, up to a batch (at least one, waited for).
        std::int64_t ready = planned.load(std::memory_order_acquire);
        while (ready <= batch) {
          relaxWaiting();
          ready = planned.load(std::memory_order_acquire);
        }
        const int count = static_cast<int>(std::min<std::int64_t>({kBatch, end - batch, ready - batch}));
        for (int k = 0; k < count; ++k) {
          PairPlan& pair = batchPlan[k];
          pair = shared ? pairDraws(pairStarts_[batch + k], batch + k == pairs) : plan_[batch + k];
          draws[2 * k] = pair.select1 * Random::kUnit * total;
          draws[2 * k + 1] = pair.select2 * Random::kUnit * total;
        }
        rouletteIndices(weights_.data(), p, draws, parents, 2 * count);
        for (int k = 0; k < 2 * count; ++k)
          for (std::size_t line = 0; line < bytes; line += 64) __builtin_prefetch(member(parents[k]) + line);
        // Another core may have used the children's lines last: each pair
        // asks for the next pair's ahead, so the stores need not wait.
        auto fetchChildren = [&](std::int64_t i) {
          if (i < end) fetch.fetchForWriting(child(static_cast<std::int32_t>(2 * i)), (2 * i + 1 < p ? 2 : 1) * stride_);
        };
        if (pooled) fetchChildren(batch);
        for (int k = 0; k < count; ++k) {
          const std::int64_t i = batch + k;
          if (pooled) fetchChildren(i + 1);
          const PairPlan& pair = batchPlan[k];
          const auto first = static_cast<std::int32_t>(2 * i);
          std::uint8_t* child1 = child(first);
          const std::uint8_t* parent1 = member(parents[2 * k]);
          if (first + 1 == p) {
            std::memcpy(child1, parent1, bytes);
            mutate(child1, pair.mutate1, pair.words1);
            childLengths_[first] = layout_.length(child1, scratch);
            continue;
          }
          std::uint8_t* child2 = child(first + 1);
          const std::uint8_t* parent2 = member(parents[2 * k + 1]);
          if (pair.cut != kNoCut) {
            layout_.crossCopy(parent1, parent2, pair.cut, child1, child2, scratch);
          } else {
            std::memcpy(child1, parent1, bytes);
            std::memcpy(child2, parent2, bytes);
          }
          const std::uint32_t after = mutate(child1, pair.mutate1, pair.words1);
          mutate(child2, shared ? after : pair.mutate2, pair.words2);
          measurePair(child1, child2, &childLengths_[first], scratch);
        }
        batch += count;
      }
    };
    if (largeWork()) {
      pool_.run(jobs, plan, build);
    } else {
      plan();
      build(0, jobs, 0);
    }

    // 3. The offspring become the population; evaluate.
    population_.swap(offspring_);
    lengths_.swap(childLengths_);
    evaluate();
    // 4. Record an improvement with the counter before its increment.
    if (generationBestLength_ < overallBestLength_) {
      std::memcpy(overallBest_.data(), generationBest_.data(), stride_);
      overallBestLength_ = generationBestLength_;
      overallBestGeneration_ = generation_;
    }
    // 5. Count.
    ++generation_;
  }

  const Grid& grid() const override { return grid_; }
  std::int32_t populationSize() const override { return populationSize_; }
  std::int32_t chromosomeSize() const override { return textSize_; }
  double memberLength(std::int32_t i) const override { return lengths_[i]; }
  double averageLength() const override { return averageLength_; }
  double generationBestLength() const override { return generationBestLength_; }
  double overallBestLength() const override { return overallBestLength_; }
  std::vector<std::int32_t> generationBestTour() const override { return tourOf(generationBest_.data()); }
  std::vector<std::int32_t> overallBestTour() const override { return tourOf(overallBest_.data()); }
  std::int32_t generation() const override { return generation_; }
  std::int32_t overallBestGeneration() const override { return overallBestGeneration_; }

  int threads() const { return threads_; }
  // What creating `populationSize` members for `grid` takes from the present
  // state: the figures the memory check compares (see memory.h).
  CreationMemory creationMemory(const Grid& grid, std::int32_t populationSize, double mutationProbability) const {
    const Layout layout(grid, mutationProbability);
    return memoryFor(layout, buffersFor(layout, populationSize), grid);
  }
  // Member i in the chromosome format of the reference build (4N or 7N
  // bytes), for tests that compare the two.
  std::vector<std::uint8_t> chromosome(std::int32_t i) const {
    std::vector<std::uint8_t> text(static_cast<std::size_t>(textSize_));
    layout_.textForm(member(i), text.data());
    return text;
  }
  std::vector<std::int32_t> memberTour(std::int32_t i) const { return tourOf(member(i)); }
  std::span<const double> selectionWeights() const { return weights_; }

 private:
  static constexpr std::uint32_t kNoCut = 0xFFFFFFFFu;

  // The lengths of two chromosomes into out[0] and out[1], together where
  // the layout measures pairs.
  void measurePair(const std::uint8_t* a, const std::uint8_t* b, std::int32_t* out,
                   typename Layout::Scratch& scratch) const {
    if constexpr (requires { layout_.lengthPair(a, b, out, scratch); }) {
      layout_.lengthPair(a, b, out, scratch);
    } else {
      out[0] = layout_.length(a, scratch);
      out[1] = layout_.length(b, scratch);
    }
  }

  // Where the draws of one pair fall: the states drawn for the two
  // selections, the cut (kNoCut when the pair is not crossed), the states
  // just before each child's mutation and where its planned hit words start.
  struct PairPlan {
    std::uint32_t select1, select2, cut, mutate1, mutate2, words1, words2;
  };

  static bool largeWork(std::int64_t members, const Grid& grid) { return members * grid.cities() >= kParallelWork; }
  bool largeWork() const { return largeWork(populationSize_, grid_); }

  // The allocation plan. createPopulation allocates its buffers from these
  // sizes and the memory check adds up what they take, so the two cannot
  // drift apart. Buffers of the present population that already have the
  // sizes wanted are kept (saving their allocation and the first touch of
  // every page) and cost nothing.
  struct Buffers {
    std::size_t members, stride, pairs, planWords;
    std::size_t workerWords;  // per worker
    bool reusePopulation, reuseArrays, reuseWords;
  };
  Buffers buffersFor(const Layout& layout, std::int32_t populationSize) const {
    Buffers b{};
    b.members = static_cast<std::size_t>(populationSize);
    // Members on 16-byte boundaries: whole cache lines would waste too much
    // on small grids.
    b.stride = (layout.storedBytes() + 15) / 16 * 16;
    b.pairs = b.members / 2 + 1;
    b.planWords = layout.planWordsFor(b.members) + 1;
    // Each worker's hit words on lines of their own.
    b.workerWords = (layout.planWordsFor(1) + 7) / 8 * 8;
    b.reusePopulation = population_.size() == b.members * b.stride && offspring_.size() == b.members * b.stride;
    b.reuseArrays = lengths_.size() == b.members && plan_.size() == b.pairs;
    b.reuseWords = planWords_.size() == b.planWords;
    return b;
  }
  // What those buffers take: `allocate`, everything allocated anew, the
  // creation's working memory included; `fill`, that less the present
  // population's pages the commit frees (touched at its creation; the
  // offspring's once stepped), but never less than what is filled before
  // the commit (every buffer except the two populations, which are filled
  // only after it).
  CreationMemory memoryFor(const Layout& layout, const Buffers& b, const Grid& grid) const {
    using Scratch = typename Layout::Scratch;
    const auto threads = static_cast<std::size_t>(threads_);
    std::uint64_t populations = 0;
    std::uint64_t before = 2 * AlignedBytes::allocatedFor(b.stride);  // the two bests
    if (!b.reusePopulation) populations = 2 * AlignedBytes::allocatedFor(b.members * b.stride);
    if (!b.reuseArrays)
      before += 2 * lineVectorBytes<std::int32_t>(b.members) + b.members * sizeof(double) +
                b.pairs * sizeof(PairPlan) + lineVectorBytes<std::uint32_t>(b.pairs);
    if (!b.reuseWords) before += lineVectorBytes<std::uint64_t>(b.planWords);
    before += lineVectorBytes<std::uint64_t>(b.workerWords * threads) + lineVectorBytes<Scratch>(threads) +
              threads * Scratch::heapBytes(layout) + layout.heapBytes();
    const WorkerPool* pool = largeWork(static_cast<std::int64_t>(b.members), grid) ? &pool_ : nullptr;
    const std::uint64_t work = layout.creationWorkBytes(static_cast<std::int32_t>(b.members), pool, true);
    std::uint64_t freed = 0;
    if (!b.reusePopulation) freed = population_.size() + (generation_ > 0 ? offspring_.size() : 0);
    CreationMemory need;
    need.allocate = populations + before + work;
    need.fill = std::max(before, need.allocate > freed ? need.allocate - freed : 0);
    return need;
  }

  // body(begin, end, worker) over [0, count): on the pool for large work,
  // else at once on this thread.
  template <class Body>
  void forChunks(std::int64_t count, Body&& body) {
    if (largeWork())
      pool_.run(count, body);
    else
      body(std::int64_t{0}, count, 0);
  }

  std::uint8_t* member(std::int32_t i) { return population_.data() + static_cast<std::size_t>(i) * stride_; }
  const std::uint8_t* member(std::int32_t i) const {
    return population_.data() + static_cast<std::size_t>(i) * stride_;
  }
  std::uint8_t* child(std::int32_t i) { return offspring_.data() + static_cast<std::size_t>(i) * stride_; }

  std::vector<std::int32_t> tourOf(const std::uint8_t* chromosome) const {
    std::vector<std::int32_t> tour;
    if (populationSize_ > 0) layout_.tour(chromosome, tour);
    return tour;
  }

  void evaluate() {
    const std::int32_t p = populationSize_;
    // The first shortest member and the sum of all lengths.
    std::int32_t best = 0;
    std::int64_t sum = 0;
    for (std::int32_t i = 0; i < p; ++i) {
      if (lengths_[i] < lengths_[best]) best = i;
      sum += lengths_[i];
    }
    const std::int32_t shortest = lengths_[best];
    std::memcpy(generationBest_.data(), member(best), stride_);
    generationBestLength_ = shortest;
    averageLength_ = static_cast<double>(sum) / p;
    // Weights 1 / (d + 1) for a member d units longer than the shortest, as
    // running sums in index order.
    double running = 0.0;
    for (std::int32_t i = 0; i < p; ++i) {
      const double weight = 1.0 / (static_cast<double>(lengths_[i] - shortest) + 1.0);
      running = i == 0 ? weight : running + weight;
      weights_[i] = running;
    }
  }

  WorkerPool pool_;
  int threads_;
  std::size_t sharedPlanBytes_;
  Grid grid_;
  Layout layout_;
  std::int32_t populationSize_ = 0;
  double mutationProbability_ = 0.0;
  double crossoverProbability_ = 0.0;
  std::uint64_t crossThreshold_ = 0;
  std::int32_t textSize_ = 0;
  std::size_t stride_ = 0;
  AlignedBytes population_, offspring_, generationBest_, overallBest_;
  LineVector<std::int32_t> lengths_, childLengths_;
  std::vector<double> weights_;
  std::vector<PairPlan> plan_;
  LineVector<std::uint32_t> pairStarts_;  // on several workers: the state before each pair's draws
  LineVector<std::uint64_t> planWords_;  // the mutations' hit words, as planned
  LineVector<std::uint64_t> workerWords_;  // on several workers: each one's hit words, drawn again
  std::size_t workerWordCount_ = 0;
  LineVector<typename Layout::Scratch> scratch_;  // one per worker
  double averageLength_ = 0.0;
  double generationBestLength_ = 0.0;
  double overallBestLength_ = 0.0;
  std::int32_t generation_ = 0;
  std::int32_t overallBestGeneration_ = 0;
};

}  // namespace wendra
