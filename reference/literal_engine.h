#pragma once
// The reference build of the generational genetic algorithm: every operation
// exactly as first written, with no shortcut (a rejection scan per initial
// draw, tail scans in the repair, one pass per key value when decoding, every
// length computed afresh). It is the readable statement of what the fast
// engine computes: the identity tests compare the fast engine with it
// generation by generation, and the benchmarks measure the fast engine
// against it. The programs never use it.
//
// The generational genetic algorithm over any chromosome encoding.
//
// Fitness-proportional (roulette) selection on 1 / (length - shortest + 1),
// pairwise crossover with probability pc, per-gene mutation with probability
// pm, and full replacement of the population every generation. No elitism:
// the overall best is recorded but never put back.
//
// Order of random draws (a contract: runs are reproduced draw for draw):
//   create: initialise members 0, 1, ..., P - 1 in order (the encoding's draws).
//   step, for each pair i = 0, 1, ... while i < P / 2:
//     one uniform (scaled real) for the selection into offspring 2i,
//     one uniform for the selection into offspring 2i + 1,
//     one uniform u for the crossover decision (cross when u < pc),
//     the crossover's own draws, only when it happens,
//     all draws of the mutation of offspring 2i, then of offspring 2i + 1.
//   Odd P: the last offspring slot P - 1 has no partner. It is filled by one
//   selection (one uniform) followed by the mutation of that child alone; no
//   crossover decision is drawn, and no slot beyond P - 1 is ever written.
//
// Memory: two populations of P chromosomes, the two best copies and P
// weights. Creation checks the need against the memory available before it
// allocates anything, and builds the new state aside, so a refused creation
// leaves grid, population, records and random stream as they were.

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "engine.h"
#include "memory.h"

namespace wendra::literal {

// The six operations the engine needs of an encoding. An encoding object is
// made for one grid; chromosomes are blocks of chromosomeBytes(grid) bytes.
template <class E>
concept ChromosomeEncoding =
    std::constructible_from<E, const Grid&> &&
    requires(E& enc, const E& constEnc, const Grid& grid, std::uint8_t* c,
             const std::uint8_t* constC, Random& random, double p,
             std::vector<std::int32_t>& tour) {
      { E::chromosomeBytes(grid) } -> std::same_as<std::int32_t>;
      enc.initialise(c, random);
      { constEnc.length(constC) } -> std::same_as<double>;
      enc.crossover(c, c, random);
      enc.mutate(c, p, random);
      constEnc.tour(constC, tour);
    };

template <ChromosomeEncoding Encoding>
class GeneticEngine final : public EvolutionEngine {
 public:
  GeneticEngine() : encoding_(grid_) {}

  void createPopulation(const Grid& grid, std::int32_t populationSize,
                        double mutationProbability, double crossoverProbability) override {
    // 1. Size everything aside; nothing of the current state changes until
    //    the new population is complete.
    const std::int32_t size = Encoding::chromosomeBytes(grid);
    // Two populations, the two best copies and the weights, all filled.
    const auto p = static_cast<std::uint64_t>(populationSize);
    const auto c = static_cast<std::uint64_t>(size);
    const std::uint64_t need = 2 * p * c + 2 * c + p * sizeof(double);
    requireMemory(populationSize, grid, {need, need}, memoryAvailable(), allocatableMemory());
    Encoding encoding(grid);
    std::vector<std::uint8_t> population, offspring, generationBest, overallBest;
    std::vector<double> weights;
    try {
      const auto bytes = static_cast<std::size_t>(populationSize) * static_cast<std::size_t>(size);
      population.resize(bytes);
      offspring.resize(bytes);
      weights.resize(static_cast<std::size_t>(populationSize));
      generationBest.resize(static_cast<std::size_t>(size));
      overallBest.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
      throw PopulationTooLarge(notEnoughMemoryMessage(populationSize, grid, need, allocatableMemory()));
    }

    // Commit: from here on nothing can fail.
    grid_ = grid;
    encoding_ = std::move(encoding);
    populationSize_ = populationSize;
    mutationProbability_ = mutationProbability;
    crossoverProbability_ = crossoverProbability;
    chromosomeSize_ = size;
    population_ = std::move(population);
    offspring_ = std::move(offspring);
    weights_ = std::move(weights);
    generationBest_ = std::move(generationBest);
    overallBest_ = std::move(overallBest);

    // 2. Initialise the members in index order.
    for (std::int32_t i = 0; i < populationSize_; ++i) encoding_.initialise(member(i), random());
    // 3. The generation best starts as member 0.
    std::memcpy(generationBest_.data(), member(0), bytes());
    // 4. Evaluate.
    evaluate();
    // 5. Counters and the overall best.
    generation_ = 0;
    overallBestGeneration_ = 0;
    std::memcpy(overallBest_.data(), generationBest_.data(), bytes());
    overallBestLength_ = generationBestLength_;
  }

  void step() override {
    // 1. Build the offspring pair by pair.
    for (std::int32_t i = 0; i < populationSize_ / 2.0; ++i) {
      std::uint8_t* first = child(2 * i);
      if (2 * i + 1 >= populationSize_) {  // odd P: the unpaired last slot
        select(first);
        encoding_.mutate(first, mutationProbability_, random());
        break;
      }
      std::uint8_t* second = child(2 * i + 1);
      select(first);
      select(second);
      if (random().chance(crossoverProbability_)) encoding_.crossover(first, second, random());
      encoding_.mutate(first, mutationProbability_, random());
      encoding_.mutate(second, mutationProbability_, random());
    }
    // 2. The offspring become the population.
    population_.swap(offspring_);
    // 3. Evaluate.
    evaluate();
    // 4. Record an improvement with the counter before its increment.
    if (generationBestLength_ < overallBestLength_) {
      std::memcpy(overallBest_.data(), generationBest_.data(), bytes());
      overallBestLength_ = generationBestLength_;
      overallBestGeneration_ = generation_;
    }
    // 5. Count.
    ++generation_;
  }

  const Grid& grid() const override { return grid_; }
  std::int32_t populationSize() const override { return populationSize_; }
  std::int32_t chromosomeSize() const override { return chromosomeSize_; }
  double memberLength(std::int32_t i) const override { return encoding_.length(member(i)); }
  double generationBestLength() const override { return generationBestLength_; }
  double overallBestLength() const override { return overallBestLength_; }
  std::vector<std::int32_t> generationBestTour() const override { return tourOf(generationBest_); }
  std::vector<std::int32_t> overallBestTour() const override { return tourOf(overallBest_); }
  std::int32_t generation() const override { return generation_; }
  std::int32_t overallBestGeneration() const override { return overallBestGeneration_; }

  // Raw access for tests: member i's chromosome and the selection weights.
  std::span<const std::uint8_t> chromosome(std::int32_t i) const {
    return {member(i), bytes()};
  }
  std::span<const double> selectionWeights() const { return weights_; }
  const Encoding& encoding() const { return encoding_; }

 private:
  std::size_t bytes() const { return static_cast<std::size_t>(chromosomeSize_); }
  std::uint8_t* member(std::int32_t i) { return population_.data() + i * bytes(); }
  const std::uint8_t* member(std::int32_t i) const { return population_.data() + i * bytes(); }
  std::uint8_t* child(std::int32_t i) { return offspring_.data() + i * bytes(); }

  std::vector<std::int32_t> tourOf(const std::vector<std::uint8_t>& chromosome) const {
    std::vector<std::int32_t> tour;
    if (!chromosome.empty()) encoding_.tour(chromosome.data(), tour);
    return tour;
  }

  void evaluate() {
    // 1. Lengths, in index order.
    for (std::int32_t i = 0; i < populationSize_; ++i) weights_[i] = encoding_.length(member(i));
    // 2. The first shortest member.
    std::int32_t best = 0;
    for (std::int32_t i = 1; i < populationSize_; ++i)
      if (weights_[i] < weights_[best]) best = i;
    const double shortest = weights_[best];
    // 3. Copy it out.
    std::memcpy(generationBest_.data(), member(best), bytes());
    generationBestLength_ = shortest;
    // 4. Weights: every shortest member 1, a member d longer 1 / (d + 1).
    for (std::int32_t i = 0; i < populationSize_; ++i) weights_[i] = 1.0 / (weights_[i] - shortest + 1.0);
    // 5. Running sums; the last is the total.
    for (std::int32_t i = 1; i < populationSize_; ++i) weights_[i] += weights_[i - 1];
  }

  // Roulette: the first member whose running weight exceeds r.
  void select(std::uint8_t* destination) {
    const double r = random().scaled(weights_[populationSize_ - 1]);
    std::int32_t lo = 0, hi = populationSize_ - 1;
    while (hi > lo) {
      const std::int32_t mid = (lo + hi) / 2;
      if (weights_[mid] > r)
        hi = mid;
      else if (mid == lo)
        lo = mid + 1;
      else
        lo = mid;
    }
    std::memcpy(destination, member(hi), bytes());
  }

  Grid grid_;
  Encoding encoding_;
  std::int32_t populationSize_ = 0;
  double mutationProbability_ = 0.0;
  double crossoverProbability_ = 0.0;
  std::int32_t chromosomeSize_ = 0;
  std::vector<std::uint8_t> population_;
  std::vector<std::uint8_t> offspring_;
  std::vector<double> weights_;
  std::vector<std::uint8_t> generationBest_;
  std::vector<std::uint8_t> overallBest_;
  double generationBestLength_ = 0.0;
  double overallBestLength_ = 0.0;
  std::int32_t generation_ = 0;
  std::int32_t overallBestGeneration_ = 0;
};

}  // namespace wendra::literal
