#pragma once
// The generational genetic algorithm, built for speed, with results that are
// bit for bit those of the algorithm as first written (the reference build in
// reference/): the same draws in the same order, the same members, the same
// lengths and records, for any number of threads.
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
// A step: 1. plan the draws (step_plan.h) and 2. build the pairs from them
// (pair_builder.h), at once on all workers for large steps (members x cities
// from kParallelWork on); 3. the offspring become the population, evaluated;
// 4. an improvement is recorded. Evaluation finds the first shortest member,
// makes the roulette weights as running sums in index order, and takes the
// average from the integer sum of the lengths (exact: every partial sum is a
// whole number far below 2^53). Lengths are kept per member, so
// memberLength() and averageLength() cost nothing.
//
// The encoding is the Layout (chromosome_layout.h): PathLayout or KeyLayout
// in encodings/. Thread safety: one caller at a time, as for any
// EvolutionEngine.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "chromosome_layout.h"
#include "engine.h"
#include "instruction_set.h"
#include "memory.h"
#include "pair_builder.h"
#include "parallel.h"
#include "population.h"
#include "random.h"
#include "roulette.h"
#include "step_plan.h"
#include "stream_kernels.h"

namespace wendra {

// Steps whose work (members x cities) is below this run on one thread: the
// fork and join would cost more than they save.
inline constexpr std::int64_t kParallelWork = 1 << 17;

// A step's plan (hit words and pair draws) up to this size is likely still
// in the other cores' caches at the next step.
inline constexpr std::size_t kCachedPlanBytes = std::size_t{1} << 20;

template <ChromosomeLayout Layout>
class FastEngine final : public EvolutionEngine {
 public:
  // The largest plan handed over as the state before each pair's draws by
  // default: for layouts that plan no hit words, one that fits the caches.
  static constexpr std::size_t kRedrawPlanBytes = MutationByHitWords<Layout> ? 0 : kCachedPlanBytes;

  // threads: workers for large steps; 0 means one per available core.
  // redrawPlanBytes: the largest plan whose workers redraw each pair from
  // its starting state (tests choose 0 or SIZE_MAX to run either way on any
  // size). kernels: the builds of the kernel families to run.
  explicit FastEngine(int threads = 0, std::size_t redrawPlanBytes = kRedrawPlanBytes,
                      InstructionSet kernels = fastestSet())
      : pool_(threads),
        redrawPlanBytes_(redrawPlanBytes),
        kernels_(kernels),
        stream_(kernelsFor<StreamKernels>(kernels)),
        population_(std::make_unique<Population<Layout>>()) {}

  void createPopulation(const Grid& grid, std::int32_t populationSize, double mutationProbability,
                        double crossoverProbability) override {
    // 1. Size, check and make everything aside: the present population is
    //    untouched until the new one can no longer fail.
    replacePopulation(makePopulation(grid, populationSize, mutationProbability, crossoverProbability));
    // 2. Initialise the members in index order, measuring them as they come.
    initialiseMembers();
    // 3. - 5. Evaluate; the counters and the overall best.
    evaluate();
    generation_ = 0;
    overallBestGeneration_ = 0;
    std::memcpy(population_->overallBest.data(), population_->generationBest.data(), population_->stride);
    overallBestLength_ = generationBestLength_;
  }

  void step() override {
    Population<Layout>& population = *population_;
    const Handover handover = handoverFor(population);
    // 1. Plan the draws; 2. build the pairs from them. On the pool, the
    //    caller plans while the other workers build the pairs planned so far.
    std::atomic<std::int64_t> planned{0};
    auto plan = [&] {
      random().setState(StepPlanner<Layout>(population, handover, stream_).plan(random().state(), planned));
    };
    auto build = [&](std::int64_t begin, std::int64_t end, int worker) {
      PairBuilder<Layout>(population, handover, stream_, worker).build(begin, end, planned);
    };
    const std::int64_t jobs = population.size / 2 + population.size % 2;
    if (handover == Handover::kOnThisThread) {
      plan();
      build(0, jobs, 0);
    } else {
      pool_.run(jobs, plan, build);
    }
    // 3. The offspring become the population; evaluate.
    population.members.swap(population.offspring);
    population.lengths.swap(population.childLengths);
    evaluate();
    // 4. Record an improvement with the counter before its increment.
    if (generationBestLength_ < overallBestLength_) {
      std::memcpy(population.overallBest.data(), population.generationBest.data(), population.stride);
      overallBestLength_ = generationBestLength_;
      overallBestGeneration_ = generation_;
    }
    // 5. Count.
    ++generation_;
  }

  const Grid& grid() const override { return population_->grid; }
  std::int32_t populationSize() const override { return population_->size; }
  std::int32_t chromosomeSize() const override { return hasPopulation() ? Layout::textBytes(grid()) : 0; }
  double memberLength(std::int32_t i) const override { return population_->lengths[i]; }
  double averageLength() const override { return averageLength_; }
  double generationBestLength() const override { return generationBestLength_; }
  double overallBestLength() const override { return overallBestLength_; }
  std::vector<std::int32_t> generationBestTour() const override { return tourOf(population_->generationBest.data()); }
  std::vector<std::int32_t> overallBestTour() const override { return tourOf(population_->overallBest.data()); }
  std::int32_t generation() const override { return generation_; }
  std::int32_t overallBestGeneration() const override { return overallBestGeneration_; }

  int threads() const { return pool_.threads(); }
  // What creating `populationSize` members for `grid` takes from the present
  // state: the figures the memory check compares (see memory.h).
  CreationMemory creationMemory(const Grid& grid, std::int32_t populationSize, double mutationProbability) const {
    const Layout layout(grid, mutationProbability, kernels_);
    return memoryFor(layout, sizesFor(layout, populationSize), grid);
  }
  // Member i in the chromosome format of the reference build (4N or 7N
  // bytes), for tests that compare the two.
  std::vector<std::uint8_t> chromosome(std::int32_t i) const {
    std::vector<std::uint8_t> text(static_cast<std::size_t>(chromosomeSize()));
    population_->layout->textForm(population_->member(i), text.data());
    return text;
  }
  std::vector<std::int32_t> memberTour(std::int32_t i) const { return tourOf(population_->member(i)); }
  std::span<const double> selectionWeights() const { return population_->weights; }

 private:
  using Sizes = typename Population<Layout>::Sizes;

  static bool largeWork(std::int64_t members, const Grid& grid) { return members * grid.cities() >= kParallelWork; }
  bool largeWork() const { return largeWork(population_->size, population_->grid); }

  Sizes sizesFor(const Layout& layout, std::int32_t populationSize) const {
    return Population<Layout>::sizesFor(layout, populationSize, pool_.threads(), *population_);
  }
  CreationMemory memoryFor(const Layout& layout, const Sizes& sizes, const Grid& grid) const {
    const WorkerPool* pool = largeWork(static_cast<std::int64_t>(sizes.members), grid) ? &pool_ : nullptr;
    return Population<Layout>::memoryFor(layout, sizes, *population_, generation_ > 0, pool);
  }

  // A new population, every buffer allocated, or PopulationTooLarge with
  // nothing changed.
  std::unique_ptr<Population<Layout>> makePopulation(const Grid& grid, std::int32_t populationSize,
                                                     double mutationProbability, double crossoverProbability) const {
    Layout layout(grid, mutationProbability, kernels_);
    const Sizes sizes = sizesFor(layout, populationSize);
    const CreationMemory need = memoryFor(layout, sizes, grid);
    requireMemory(populationSize, grid, need, memoryAvailable(), allocatableMemory());
    try {
      return std::make_unique<Population<Layout>>(std::move(layout), sizes, grid,
                                                  Random::chanceThreshold(crossoverProbability));
    } catch (const std::bad_alloc&) {
      throw PopulationTooLarge(notEnoughMemoryMessage(populationSize, grid, need.allocate, allocatableMemory()));
    }
  }

  // The new population takes over the buffers it keeps and replaces the
  // present one, which is freed on return, before the new one is filled (the
  // memory check counts on it).
  void replacePopulation(std::unique_ptr<Population<Layout>> made) noexcept {
    made->keepBuffersOf(*population_);
    population_.swap(made);
  }

  void initialiseMembers() {
    Population<Layout>& population = *population_;
    WorkerPool* pool = largeWork() ? &pool_ : nullptr;
    auto measure = [&population](std::int64_t begin, std::int64_t end, int worker) {
      typename Layout::Worker& w = population.workers[static_cast<std::size_t>(worker)];
      std::int64_t i = begin;
      for (; i + 1 < end; i += 2) w.lengthPair(population.member(i), population.member(i + 1), &population.lengths[i]);
      if (i < end) population.lengths[i] = w.length(population.member(i));
    };
    std::uint32_t after;
    if constexpr (CreationBySpeculation<Layout>)  // the offspring are free until the first step
      after = population.layout->initialise(population.members.data(), population.stride, population.size,
                                            random().state(), pool, population.offspring.data(), measure);
    else
      after = population.layout->initialise(population.members.data(), population.stride, population.size,
                                            random().state(), pool, measure);
    random().setState(after);
  }

  Handover handoverFor(const Population<Layout>& population) const {
    if (!largeWork() || pool_.threads() < 2) return Handover::kOnThisThread;
    const std::size_t planBytes =
        population.planWords.size() * sizeof(std::uint64_t) + population.pairDraws.size() * sizeof(PairDraws);
    // A plan larger than about a core's level-2 cache has left the other
    // cores by the next step anyway.
    if (planBytes <= redrawPlanBytes_) return Handover::kWorkersRedrawFromPairStart;
    return planBytes <= kCachedPlanBytes ? Handover::kWorkersReadThePlanFetchedAhead : Handover::kWorkersReadThePlan;
  }

  std::vector<std::int32_t> tourOf(const std::uint8_t* chromosome) const {
    std::vector<std::int32_t> tour;
    if (hasPopulation()) population_->layout->tour(chromosome, tour);
    return tour;
  }

  void evaluate() {
    Population<Layout>& population = *population_;
    const std::int32_t p = population.size;
    const std::int32_t* lengths = population.lengths.data();
    // The first shortest member and the sum of all lengths.
    std::int32_t best = 0;
    std::int64_t sum = 0;
    for (std::int32_t i = 0; i < p; ++i) {
      if (lengths[i] < lengths[best]) best = i;
      sum += lengths[i];
    }
    const std::int32_t shortest = lengths[best];
    std::memcpy(population.generationBest.data(), population.member(best), population.stride);
    generationBestLength_ = shortest;
    averageLength_ = static_cast<double>(sum) / p;
    // Weights 1 / (d + 1) for a member d units longer than the shortest, as
    // running sums in index order.
    double running = 0.0;
    for (std::int32_t i = 0; i < p; ++i) {
      const double weight = 1.0 / (static_cast<double>(lengths[i] - shortest) + 1.0);
      running = i == 0 ? weight : running + weight;
      population.weights[i] = running;
    }
  }

  WorkerPool pool_;
  std::size_t redrawPlanBytes_;
  InstructionSet kernels_;
  const StreamKernels& stream_;
  std::unique_ptr<Population<Layout>> population_;
  double averageLength_ = 0.0;
  double generationBestLength_ = 0.0;
  double overallBestLength_ = 0.0;
  std::int32_t generation_ = 0;
  std::int32_t overallBestGeneration_ = 0;
};

}  // namespace wendra
