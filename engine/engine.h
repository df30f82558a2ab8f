#pragma once
// What the window and the runner see of the genetic algorithm: create a
// population, step it, and read its state. The encoding behind it (path or
// random key) is chosen when the engine is made.

#include <cstdint>
#include <memory>
#include <vector>

#include "grid.h"
#include "memory.h"
#include "random.h"

namespace wendra {

class EvolutionEngine {
 public:
  EvolutionEngine() : memoryProbe_(&availableMemory) {}
  virtual ~EvolutionEngine() = default;
  EvolutionEngine(const EvolutionEngine&) = delete;
  EvolutionEngine& operator=(const EvolutionEngine&) = delete;

  // Replaces grid and population with a fresh random population of
  // `populationSize` members for `grid`, evaluated, with both bests set to the
  // shortest member and the counters at 0. Continues the random stream.
  // REQUIRES: populationSize >= 2; grid sides >= 1.
  // Throws PopulationTooLarge (see memory.h) when the population cannot get
  // its memory; the engine is then left exactly as it was.
  virtual void createPopulation(const Grid& grid, std::int32_t populationSize,
                                double mutationProbability, double crossoverProbability) = 0;

  // Advances one generation. REQUIRES: hasPopulation().
  virtual void step() = 0;

  // Read access.
  virtual const Grid& grid() const = 0;
  virtual std::int32_t populationSize() const = 0;  // 0 before the first creation
  bool hasPopulation() const { return populationSize() > 0; }
  virtual std::int32_t chromosomeSize() const = 0;
  // Tour length of member i of the current population.
  virtual double memberLength(std::int32_t i) const = 0;
  virtual double generationBestLength() const = 0;
  virtual double overallBestLength() const = 0;
  virtual std::vector<std::int32_t> generationBestTour() const = 0;
  virtual std::vector<std::int32_t> overallBestTour() const = 0;
  virtual std::int32_t generation() const = 0;
  virtual std::int32_t overallBestGeneration() const = 0;

  // Sum of the member lengths accumulated in a double in index order,
  // divided by P: the average the display shows. Engines that keep the
  // lengths return a cached value; the default sums memberLength().
  virtual double averageLength() const;

  // The process's random stream: it lives as long as the engine, so a new
  // creation continues where the previous run left it.
  Random& random() { return random_; }
  const Random& random() const { return random_; }

  // Where creation learns how much memory it may take (availableMemory() by
  // default); tests substitute a fixed amount.
  using MemoryProbe = std::uint64_t (*)();
  void setMemoryProbe(MemoryProbe probe) { memoryProbe_ = probe; }

 protected:
  std::uint64_t memoryAvailable() const { return memoryProbe_(); }

 private:
  Random random_;
  MemoryProbe memoryProbe_;
};

enum class EncodingKind { kPath, kRandomKey };

}  // namespace wendra
